// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

// tavrix.com, the console twin of the desktop program tavrix.exe beside it. When "tavrix" is typed, cmd.exe
// and PowerShell find the .com first (it comes before .exe in PATHEXT), and they wait for a console program,
// show what it prints and hand its exit status on to %ERRORLEVEL% and $LASTEXITCODE, none of which they do
// for a desktop program. So the command line is answered here; without one of its options, tavrix.exe is
// started with the same arguments and the prompt comes back at once, as for any desktop program.

#include "ui/CommandLine.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

// The command line this program was started with, less its own name (quoted or not), as Windows splits it.
std::wstring ArgumentsAfterProgramName() {
    const wchar_t* rest = GetCommandLineW();
    if (*rest == L'"') {
        ++rest;
        while (*rest && *rest != L'"')
            ++rest;
        if (*rest)
            ++rest;
    } else {
        while (*rest && *rest != L' ' && *rest != L'\t')
            ++rest;
    }
    return rest;
}

std::wstring SystemMessage(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length ? std::wstring(text, length) : L"error " + std::to_wstring(error);
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L'.'))
        message.pop_back();
    return message;
}

int StartDesktopProgram() {
    std::wstring program(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, program.data(), DWORD(program.size()));
        if (length == 0) {
            std::fwprintf(stderr, L"tavrix: could not find its own folder: %ls\n",
                          SystemMessage(GetLastError()).c_str());
            return 1;
        }
        if (length < program.size()) {
            program.resize(length);
            break;
        }
        program.resize(program.size() * 2);
    }
    // The same name with .exe: the desktop program beside this one.
    const auto end = program.find_last_of(L"\\/.");
    program = (end != std::wstring::npos && program[end] == L'.' ? program.substr(0, end) : program) + L".exe";

    std::wstring commandLine = L"\"" + program + L"\"" + ArgumentsAfterProgramName();
    // Started as Explorer starts it: without the console's streams, which would otherwise carry what the
    // desktop program logs into the prompt the user is typing at.
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                        nullptr, &startup, &process)) {
        const DWORD error = GetLastError();
        std::fwprintf(stderr, L"tavrix: could not start %ls: %ls\n", program.c_str(), SystemMessage(error).c_str());
        return 1;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    if (tavrix::NamesCommandLineOption(argc, argv))
        return tavrix::RunCommandLine(argc, argv);
    return StartDesktopProgram();
}
