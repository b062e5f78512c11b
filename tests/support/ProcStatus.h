// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Unix only: what this reaches has no Windows counterpart, and the rows that use it are Unix rows.
#if !defined(_WIN32)

// Reading /proc/<pid>/status, for the tests and benchmarks that watch processes: the memory of the test
// itself, or the children a program under test has left. Plain C++, so Qt-free programs can use it too.

#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <optional>
#include <string>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

namespace tavrix::test {

// The value of one field of /proc/<process>/status ("VmHWM", "PPid", "State"), with the blanks around it
// taken off; nothing when the process or the field does not exist. process is a pid or "self".
inline std::optional<std::string> ProcStatusField(const std::string& process, const std::string& field) {
    std::ifstream status("/proc/" + process + "/status");
    const std::string prefix = field + ':';
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, prefix.size(), prefix) != 0)
            continue;
        const auto first = line.find_first_not_of(" \t", prefix.size());
        const auto last = line.find_last_not_of(" \t");
        return first == std::string::npos ? std::string() : line.substr(first, last - first + 1);
    }
    return std::nullopt;
}

// A field given in kB ("VmHWM 1234 kB"), as its number of kB; nothing when it is missing.
inline std::optional<long long> ProcStatusKilobytes(const std::string& process, const std::string& field) {
    const auto value = ProcStatusField(process, field);
    if (!value)
        return std::nullopt;
    return std::strtoll(value->c_str(), nullptr, 10);
}

// The state letters ("S", "R", "Z", ...) of the children of `parent` that have not been reaped yet, running
// or ended: a process that has gone between the listing and the read is left out.
inline std::vector<std::string> ChildProcessStates(pid_t parent = ::getpid()) {
    std::vector<std::string> states;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return states;
    const std::string parentText = std::to_string(parent);
    while (const dirent* entry = ::readdir(proc)) {
        const std::string name = entry->d_name;
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        if (ProcStatusField(name, "PPid") != parentText)
            continue;
        if (const auto state = ProcStatusField(name, "State"))
            states.push_back(state->substr(0, 1));
    }
    ::closedir(proc);
    return states;
}

} // namespace tavrix::test

#endif
