// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Start-up benchmark: how close Tavrix starts to the floor of any Qt Widgets program on this machine.
//
// Starts a private Xvfb, then runs Tavrix and the bare window program alternately (one warm-up run of each
// first, then N measured runs of each, so drift on the machine hits both alike), each time with a fresh
// XDG_CONFIG_HOME, and measures:
//   mapped     from posix_spawn to the X server's MapNotify for the program's first top-level window
//              (Tavrix: the splash; the bare program: its one window), taken from the event stream of a
//              connection that watches the root window, so nothing is polled;
//   load step  Tavrix's own trace of its main window's load step (logging category tavrix.startup);
//   peak RSS   VmHWM from /proc/<pid>/status once the last window the program shows at start-up is mapped
//              (Tavrix: the main window, after the splash) and has had a moment to paint, just before the
//              program is stopped.
// Prints the medians, the ratios to the bare window and whether each target is met. It reports; it does
// not fail on a missed target.
//
// Usage: startup_probe [--xvfb PATH] [--runs N] [--store-root DIR] [--settings FILE] [--window-timeout S] [--wine]
//                      <tavrix> <bare_window> [<text_window>]
// With text_window (a window with a label and a line edit, the floor of a window that shows text), that
// program is run in turn with the other two and Tavrix's peak RSS is also compared with it.
// --settings: a settings file copied into every fresh settings folder before the run (for instance a very
// large one); the table then also gives the time until the main window is mapped, which is when the
// program has started. --window-timeout: seconds to wait for the windows (default 30).
// --wine: the programs are the Windows build's .exe files, run under Wine in a prefix of the probe's own
// (booted once, with a Wine server kept running for the whole probe, as on a desktop where Windows is up);
// Tavrix's registry key is deleted before each of its runs, as the fresh settings folder empties its store
// on Linux. Peak RSS is then VmHWM of the Wine process that runs the program, which is also what Wine
// reports as the program's peak working set.
// --store-root: where the fresh settings folders are made (default /tmp). The load step writes three
// settings, each through QSettings::sync(), which flushes to disk; a folder on tmpfs (/dev/shm) takes the
// disk out of the figure.

#include "tests/support/ProcStatus.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

auto g_windowTimeout = std::chrono::duration_cast<std::chrono::steady_clock::duration>(30s);
// Time the last window gets to paint before the peak RSS is read.
constexpr auto kSettle = 300ms;

constexpr double kMapRatioTarget = 1.2;
constexpr double kLoadStepTargetMs = 20.0;
constexpr double kRssRatioTarget = 1.2;
constexpr double kTextRssRatioTarget = 1.1;

// The private X server, stopped by Die() as well: std::exit runs no destructors of main's locals.
pid_t g_xServer = 0;

// Under --wine: the prefix and the environment every Wine process gets; its server is ended by Die() too.
struct WineSetup {
    std::string prefix;
    std::vector<std::string> environment;
};
std::optional<WineSetup> g_wine;
void EndWine();

[[noreturn]] void Die(const std::string& message) {
    std::fprintf(stderr, "startup_probe: %s\n", message.c_str());
    EndWine();
    if (g_xServer > 0) {
        kill(g_xServer, SIGTERM);
        waitpid(g_xServer, nullptr, 0);
    }
    std::exit(2);
}

double MillisecondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Spawns a program with its stdout and stderr sent to a file (or /dev/null) and fd 3 optionally tied to
// a pipe's write end. Returns the child's pid.
pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env, const std::string& output,
            int fd3 = -1, int closeInChild = -1) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    if (closeInChild >= 0)
        posix_spawn_file_actions_addclose(&actions, closeInChild);
    if (fd3 >= 0 && fd3 != 3)
        posix_spawn_file_actions_adddup2(&actions, fd3, 3);

    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    pid_t pid = 0;
    const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        Die("cannot start " + args[0] + ": " + std::strerror(error));
    return pid;
}

void Stop(pid_t pid) {
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
}

// The environment the programs run in: this one without the variables the probe sets itself.
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& own) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        const std::string name = entry.substr(0, entry.find('='));
        if (name == "DISPLAY" || name == "XDG_CONFIG_HOME" || name == "QT_QPA_PLATFORM" || name == "QT_LOGGING_RULES")
            continue;
        env.push_back(entry);
    }
    env.insert(env.end(), own.begin(), own.end());
    return env;
}

// Runs a program to its end; its output goes to the file named.
void RunToEnd(const std::vector<std::string>& args, const std::vector<std::string>& env, const std::string& output) {
    const pid_t pid = Spawn(args, env, output);
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        Die(args[0] + " " + (args.size() > 1 ? args[1] : "") + " failed; its output is in " + output);
}

// A fresh 64-bit prefix in <root>, booted, with Courier New mapped to Liberation Mono as the Windows tests
// map it, and a Wine server that stays up between the programs.
void StartWine(const std::string& root, const std::string& display) {
    std::string folderTemplate = root + "/tavrix-startup-wine-XXXXXX";
    const char* folder = mkdtemp(folderTemplate.data());
    if (!folder)
        Die("mkdtemp failed");
    WineSetup wine{std::string(folder) + "/prefix", {}};
    // Wine hands a Windows program no QT_* variable of Linux's; WINEQT_* arrive as QT_*. Qt on Windows logs to
    // the debugger unless told to use standard error.
    wine.environment = EnvironmentWith(
        {"DISPLAY=" + display, "WINEPREFIX=" + wine.prefix, "WINEARCH=win64", "WINEDEBUG=-all",
         "WINEDLLOVERRIDES=mscoree=;mshtml=;winemenubuilder.exe=", "WINEQT_LOGGING_RULES=tavrix.startup.debug=true",
         "WINEQT_FORCE_STDERR_LOGGING=1"});
    g_wine = wine;
    const std::string log = std::string(folder) + "/wine.txt";
    RunToEnd({"/usr/bin/wineboot", "-i"}, wine.environment, log);
    RunToEnd({"/usr/bin/wine", "reg", "add", "HKCU\\Software\\Wine\\Fonts\\Replacements", "/v", "Courier New", "/d",
              "Liberation Mono", "/f"},
             wine.environment, log);
    RunToEnd({"/usr/bin/wineserver", "-w"}, wine.environment, log); // the boot's own server ends first
    RunToEnd({"/usr/bin/wineserver", "-p"}, wine.environment, log); // returns once the server is up
}

void EndWine() {
    if (!g_wine)
        return;
    const WineSetup wine = *g_wine;
    g_wine.reset();
    const pid_t pid = Spawn({"/usr/bin/wineserver", "-k"}, wine.environment, "/dev/null");
    waitpid(pid, nullptr, 0);
    std::filesystem::remove_all(std::filesystem::path(wine.prefix).parent_path());
}

class PrivateXServer {
public:
    explicit PrivateXServer(const std::string& xvfb) {
        int fds[2];
        if (pipe(fds) != 0)
            Die("pipe failed");
        m_pid = Spawn({xvfb, "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"},
                      EnvironmentWith({}), "/dev/null", fds[1], fds[0]);
        close(fds[1]);
        pollfd pfd{fds[0], POLLIN, 0};
        std::string number;
        char c = 0;
        while (poll(&pfd, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        g_xServer = m_pid;
        if (number.empty())
            Die("Xvfb gave no display number");
        m_display = ":" + number;
    }
    ~PrivateXServer() {
        Stop(m_pid);
        g_xServer = 0;
    }
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    const std::string& display() const { return m_display; }

private:
    pid_t m_pid = 0;
    std::string m_display;
};

// A connection that hears of every top-level window being mapped, and tells whose it is.
class MapWatcher {
public:
    explicit MapWatcher(const std::string& display) : m_conn(xcb_connect(display.c_str(), nullptr)) {
        if (xcb_connection_has_error(m_conn))
            Die("cannot connect to " + display);
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_conn)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_conn, m_root, XCB_CW_EVENT_MASK, &mask);
        const char name[] = "_NET_WM_PID";
        xcb_intern_atom_reply_t* atom =
            xcb_intern_atom_reply(m_conn, xcb_intern_atom(m_conn, 0, sizeof name - 1, name), nullptr);
        if (!atom)
            Die("cannot intern _NET_WM_PID");
        m_pidAtom = atom->atom;
        free(atom);
        xcb_flush(m_conn);
    }
    ~MapWatcher() { xcb_disconnect(m_conn); }
    MapWatcher(const MapWatcher&) = delete;
    MapWatcher& operator=(const MapWatcher&) = delete;

    void discardPending() {
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_conn))
            free(event);
    }

    // The times at which the first `count` top-level windows of process `pid` were mapped; fewer when the
    // deadline passes or the process ends first.
    std::vector<Clock::time_point> waitForMaps(pid_t pid, int count, Clock::time_point deadline) {
        std::vector<Clock::time_point> times;
        while (static_cast<int>(times.size()) < count && Clock::now() < deadline) {
            xcb_generic_event_t* event = xcb_poll_for_event(m_conn);
            if (!event) {
                if (waitpid(pid, nullptr, WNOHANG) == pid)
                    break;
                pollfd pfd{xcb_get_file_descriptor(m_conn), POLLIN, 0};
                poll(&pfd, 1, 50);
                continue;
            }
            const auto received = Clock::now();
            if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                const auto* map = reinterpret_cast<const xcb_map_notify_event_t*>(event);
                if (windowPid(map->window) == pid)
                    times.push_back(received);
            }
            free(event);
        }
        return times;
    }

private:
    std::optional<pid_t> windowPid(xcb_window_t window) {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            m_conn, xcb_get_property(m_conn, 0, window, m_pidAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr);
        std::optional<pid_t> pid;
        if (reply && xcb_get_property_value_length(reply) == 4)
            pid = static_cast<pid_t>(*static_cast<const uint32_t*>(xcb_get_property_value(reply)));
        free(reply);
        return pid;
    }

    xcb_connection_t* m_conn;
    xcb_window_t m_root = 0;
    xcb_atom_t m_pidAtom = 0;
};

struct Sample {
    double mappedMs = 0;
    double lastMappedMs = 0; // the last window the program maps at start-up (Tavrix: the main window)
    std::optional<double> loadStepMs;
    double peakRssMiB = 0;
    double anonRssMiB = 0;
};

// A field of /proc/<pid>/status given in kB ("VmHWM", "RssAnon"), in MiB.
std::optional<double> StatusMiB(pid_t pid, const std::string& field) {
    const auto kilobytes = tavrix::test::ProcStatusKilobytes(std::to_string(pid), field);
    if (!kilobytes)
        return std::nullopt;
    return double(*kilobytes) / 1024.0;
}

std::optional<double> LoadStepFrom(const std::string& outputFile) {
    std::ifstream output(outputFile);
    std::string line;
    const std::string marker = "load-step-ms=";
    while (std::getline(output, line)) {
        const auto at = line.find(marker);
        if (at != std::string::npos)
            return std::strtod(line.c_str() + at + marker.size(), nullptr);
    }
    return std::nullopt;
}

struct Program {
    std::string label;
    std::string path;
    int windowsAtStartup; // top-level windows mapped before the program is idle
};

Sample RunOnce(const Program& program, const std::string& display, MapWatcher& watcher, const std::string& storeRoot,
               const std::string& settings) {
    std::string folderTemplate = storeRoot + "/tavrix-startup-XXXXXX";
    const char* folder = mkdtemp(folderTemplate.data());
    if (!folder)
        Die("mkdtemp failed");
    if (!settings.empty()) {
        const std::filesystem::path store = std::filesystem::path(folder) / "config" / "Tavrix";
        std::filesystem::create_directories(store);
        std::filesystem::copy_file(settings, store / "Tavrix.conf");
    }
    const std::string output = std::string(folder) + "/output.txt";
    const auto env = EnvironmentWith({"DISPLAY=" + display, "XDG_CONFIG_HOME=" + std::string(folder) + "/config",
                                      "QT_QPA_PLATFORM=xcb", "QT_LOGGING_RULES=tavrix.startup.debug=true"});

    std::vector<std::string> command{program.path};
    if (g_wine) {
        if (program.label == "tavrix") {
            // Fails, harmlessly, when there is no key yet.
            const pid_t reg =
                Spawn({"/usr/bin/wine", "reg", "delete", "HKCU\\Software\\VB and VBA Program Settings\\Tavrix", "/f"},
                      g_wine->environment, "/dev/null");
            waitpid(reg, nullptr, 0);
        }
        command.insert(command.begin(), "/usr/bin/wine");
    }
    watcher.discardPending();
    const auto started = Clock::now();
    const pid_t pid = Spawn(command, g_wine ? g_wine->environment : env, output);
    const auto maps = watcher.waitForMaps(pid, program.windowsAtStartup, started + g_windowTimeout);
    if (static_cast<int>(maps.size()) < program.windowsAtStartup) {
        Stop(pid);
        Die(program.label + " mapped " + std::to_string(maps.size()) + " of its " +
            std::to_string(program.windowsAtStartup) + " windows; its output is in " + output);
    }
    std::this_thread::sleep_for(kSettle);
    Sample sample;
    sample.mappedMs = MillisecondsBetween(started, maps.front());
    sample.lastMappedMs = MillisecondsBetween(started, maps.back());
    const auto rss = StatusMiB(pid, "VmHWM");
    const auto anon = StatusMiB(pid, "RssAnon");
    Stop(pid);
    if (!rss || !anon)
        Die("no VmHWM or RssAnon for " + program.label);
    sample.peakRssMiB = *rss;
    sample.anonRssMiB = *anon;
    sample.loadStepMs = LoadStepFrom(output);
    std::filesystem::remove_all(folder);
    return sample;
}

std::string CpuModel() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("model name", 0) == 0)
            return line.substr(line.find(':') + 2);
    }
    return "unknown CPU";
}

} // namespace

int main(int argc, char* argv[]) {
    std::string xvfb = "/usr/bin/Xvfb";
    int runs = 10;
    std::string storeRoot = "/tmp";
    std::string settings;
    bool wine = false;
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--xvfb" && i + 1 < argc)
            xvfb = argv[++i];
        else if (arg == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--store-root" && i + 1 < argc)
            storeRoot = argv[++i];
        else if (arg == "--wine")
            wine = true;
        else if (arg == "--settings" && i + 1 < argc)
            settings = argv[++i];
        else if (arg == "--window-timeout" && i + 1 < argc)
            g_windowTimeout = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                std::chrono::duration<double>(std::max(1.0, std::atof(argv[++i]))));
        else
            paths.push_back(arg);
    }
    if (paths.size() != 2 && paths.size() != 3)
        Die("usage: startup_probe [--xvfb PATH] [--runs N] [--store-root DIR] [--settings FILE] [--window-timeout S] "
            "[--wine] <tavrix> <bare_window> [<text_window>]");
    if (wine && !settings.empty())
        Die("--settings is the Linux settings file; under --wine the store is the registry");

    const Program tavrix{"tavrix", paths[0], 2}; // the splash, then the main window when the splash closes
    const Program bare{"bare window", paths[1], 1};
    const std::optional<Program> text =
        paths.size() == 3 ? std::optional<Program>(Program{"text window", paths[2], 1}) : std::nullopt;

    PrivateXServer server(xvfb);
    MapWatcher watcher(server.display());
    if (wine)
        StartWine(storeRoot, server.display());

    RunOnce(bare, server.display(), watcher, storeRoot, settings); // warm-up: page cache, font cache
    RunOnce(tavrix, server.display(), watcher, storeRoot, settings);
    if (text)
        RunOnce(*text, server.display(), watcher, storeRoot, settings);

    std::vector<Sample> bareSamples, tavrixSamples, textSamples;
    std::printf("%-4s %18s %18s %14s %18s %18s\n", "run", "bare mapped (ms)", "bare RSS (MiB)", "splash (ms)",
                "load step (ms)", "tavrix RSS (MiB)");
    for (int run = 1; run <= runs; ++run) {
        bareSamples.push_back(RunOnce(bare, server.display(), watcher, storeRoot, settings));
        tavrixSamples.push_back(RunOnce(tavrix, server.display(), watcher, storeRoot, settings));
        if (text)
            textSamples.push_back(RunOnce(*text, server.display(), watcher, storeRoot, settings));
        const Sample& b = bareSamples.back();
        const Sample& t = tavrixSamples.back();
        std::printf("%-4d %18.1f %18.1f %14.1f %18.3f %18.1f", run, b.mappedMs, b.peakRssMiB, t.mappedMs,
                    t.loadStepMs.value_or(-1), t.peakRssMiB);
        if (text)
            std::printf("   text window RSS %.1f MiB", textSamples.back().peakRssMiB);
        if (!settings.empty() || wine)
            std::printf("   main window mapped %.1f ms", t.lastMappedMs);
        std::printf("\n");
    }

    const auto column = [](const std::vector<Sample>& samples, auto field) {
        std::vector<double> values;
        for (const Sample& s : samples)
            values.push_back(field(s));
        return Median(values);
    };
    const double bareMapped = column(bareSamples, [](const Sample& s) { return s.mappedMs; });
    const double tavrixMapped = column(tavrixSamples, [](const Sample& s) { return s.mappedMs; });
    const double bareRss = column(bareSamples, [](const Sample& s) { return s.peakRssMiB; });
    const double tavrixRss = column(tavrixSamples, [](const Sample& s) { return s.peakRssMiB; });
    const bool traced = std::all_of(tavrixSamples.begin(), tavrixSamples.end(),
                                    [](const Sample& s) { return s.loadStepMs.has_value(); });
    const double loadStep = traced ? column(tavrixSamples, [](const Sample& s) { return *s.loadStepMs; }) : -1;

    const auto verdict = [](bool met) { return met ? "met" : "MISSED"; };
    const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    std::printf("\nMedians of %d runs on %s, %u cores, Xvfb %s, %s%s\n", runs, CpuModel().c_str(),
                std::thread::hardware_concurrency(), server.display().c_str(),
                bus && *bus ? "with a session bus" : "without a session bus", wine ? ", under Wine" : "");
    std::printf("  first window mapped: bare %.1f ms, tavrix splash %.1f ms, ratio %.2f (target <= %.1f: %s)\n",
                bareMapped, tavrixMapped, tavrixMapped / bareMapped, kMapRatioTarget,
                verdict(tavrixMapped / bareMapped <= kMapRatioTarget));
    if (wine) {
        // The main window comes when the splash closes, 1.5 s after the main window's load began at the earliest.
        const double mainMapped = column(tavrixSamples, [](const Sample& s) { return s.lastMappedMs; });
        std::printf("  main window mapped: tavrix %.1f ms (after the splash), %.2f times the bare window's\n",
                    mainMapped, mainMapped / bareMapped);
    }
    if (traced)
        std::printf("  main window load step: %.3f ms (target < %.0f ms: %s)\n", loadStep, kLoadStepTargetMs,
                    verdict(loadStep < kLoadStepTargetMs));
    else
        std::printf("  main window load step: not traced (a build without the tavrix.startup category?)\n");
    std::printf("  peak RSS: bare %.1f MiB, tavrix %.1f MiB, ratio %.2f (target <= %.1f: %s)\n", bareRss, tavrixRss,
                tavrixRss / bareRss, kRssRatioTarget, verdict(tavrixRss / bareRss <= kRssRatioTarget));
    // Most of the peak is shared library code paged in; the anonymous part is the memory the program owns.
    const double bareAnon = column(bareSamples, [](const Sample& s) { return s.anonRssMiB; });
    const double tavrixAnon = column(tavrixSamples, [](const Sample& s) { return s.anonRssMiB; });
    std::printf("  anonymous RSS at that moment: bare %.1f MiB, tavrix %.1f MiB, ratio %.2f\n", bareAnon, tavrixAnon,
                tavrixAnon / bareAnon);
    if (text) {
        const double textRss = column(textSamples, [](const Sample& s) { return s.peakRssMiB; });
        const double textAnon = column(textSamples, [](const Sample& s) { return s.anonRssMiB; });
        std::printf("  peak RSS against the text window: text %.2f MiB, tavrix %.2f MiB, ratio %.3f (target <= %.1f: "
                    "%s); anonymous: text %.1f MiB\n",
                    textRss, tavrixRss, tavrixRss / textRss, kTextRssRatioTarget,
                    verdict(tavrixRss / textRss <= kTextRssRatioTarget), textAnon);
    }
    EndWine();
    return 0;
}
