#!/usr/bin/env python3
# SPDX-FileCopyrightText: The Tavrix developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""End-to-end checks of the Windows build: the real tavrix.exe under Wine on an X display of its own (Xvfb
with openbox, which the program's minimising needs), driven with xdotool, its clipboard read through xclip
(Wine hands the Windows clipboard to X), its settings read from the Wine registry with reg.exe and its
credit links caught by a stand-in xdg-open, which Wine's browser launcher runs.

    tavrix_wine_e2e.py --tavrix BUILD-WIN/bin/tavrix.exe --packages BUILD-WIN/packages --source SOURCE_DIR
                       [--only TEXT]

Beside the built program it checks what is shipped: the programs' subsystems and resources (read here with
pefile, no Wine needed), the portable zip unpacked and started as Explorer starts a program, and the per-user
installer: a silent install, the command line typed in cmd.exe in the installed folder, upgrades and the
uninstall.

The run makes one Wine prefix of its own (removed at the end) and starts the program afresh for each case,
with the program's registry key deleted first. Every case is bounded in time, and whatever happens the
program, the Wine server, the display and the folders made here are gone when the script ends.

The checks and the reading of the stored layout are the Linux suite's (desktop.py, tavrix_e2e.py).
"""

import argparse
import ctypes
import os
import pwd
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback
import uuid
import xml.etree.ElementTree as ElementTree
import zipfile

try:
    import pefile  # Debian's python3-pefile
except ImportError:
    pefile = None

from desktop import SEPARATOR, CaseFailure, Desktop, check, check_equal, wait_for
from tavrix_e2e import Layout

sys.dont_write_bytecode = True

CASE_TIME_LIMIT = 120  # seconds; a case still running then fails and the next one starts
START_TIME_LIMIT = 60  # the first start in a fresh prefix loads every Qt DLL through Wine

MAIN_TITLE = "Tavrix v1.01"
SPLASH_SIZE = (122, 350)
APPLICATION_KEY = r"HKCU\Software\VB and VBA Program Settings\Tavrix"
SETTINGS_KEY = APPLICATION_KEY + r"\Settings"
SHELL_BOX_TITLE = "ShellExe()"
SHELL_FAILURE = "An unexpected error occured:\r\n    Maybe file doesn't exist?"
WINE_ENVIRONMENT = {"WINEARCH": "win64", "WINEDEBUG": "-all",
                    # No Mono or Gecko installer prompts, and no menu entries written into the home folder.
                    "WINEDLLOVERRIDES": "mscoree=;mshtml=;winemenubuilder.exe="}
TOOLS = ("wine", "wineboot", "wineserver", "Xvfb", "openbox", "xdotool", "xclip", "xprop", "xwininfo", "msibuild")
PUBLISHER = "The Tavrix developers"
DESCRIPTION = "WEP key generator"
ICON_SIZES = [16, 20, 24, 32, 40, 48, 64, 256]
WINDOWS_10_AND_11 = "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"
# DLLs every Windows has; any other a shipped program loads must be shipped beside it.
SYSTEM_DLLS = {"advapi32.dll", "kernel32.dll", "msvcrt.dll", "shell32.dll", "user32.dll", "gdi32.dll", "ole32.dll",
               "oleaut32.dll", "uuid.dll", "comdlg32.dll", "winmm.dll", "ws2_32.dll", "imm32.dll", "dwmapi.dll",
               "uxtheme.dll", "shlwapi.dll", "version.dll", "netapi32.dll", "userenv.dll", "mpr.dll", "setupapi.dll",
               "wtsapi32.dll", "d3d9.dll", "d3d11.dll", "dxgi.dll", "dwrite.dll", "authz.dll", "shcore.dll",
               "comctl32.dll", "crypt32.dll", "bcrypt.dll", "ntdll.dll", "secur32.dll", "winspool.drv",
               "opengl32.dll", "iphlpapi.dll", "dnsapi.dll", "oleacc.dll"}
SUBSYSTEM_GUI, SUBSYSTEM_CONSOLE = 2, 3
INSTALLED_KEY = r"HKCU\Software\Microsoft\Installer\Products"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"

_LIBC = ctypes.CDLL(None, use_errno=True)
_PR_SET_PDEATHSIG = 1


def stays_absent(probe, seconds, interval=0.05):
    """None when probe stays falsy for the whole of seconds, else the first truthy value it returned."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = probe()
        if value:
            return value
        time.sleep(interval)
    return None


def _die_with_driver():
    _LIBC.prctl(_PR_SET_PDEATHSIG, signal.SIGKILL)


def windows_path(path):
    """A Linux path as Windows programs under Wine name it: drive Z: is the Linux root."""
    return "Z:" + path.replace("/", "\\")


def pe_resources(pe):
    """A program's resources as {(type, id or name): data}, each in its first language."""
    found = {}
    kinds = pe.DIRECTORY_ENTRY_RESOURCE.entries if hasattr(pe, "DIRECTORY_ENTRY_RESOURCE") else []
    for kind in kinds:
        for entry in kind.directory.entries:
            language = entry.directory.entries[0].data.struct
            found[(kind.id, entry.id if entry.id is not None else str(entry.name))] = \
                pe.get_data(language.OffsetToData, language.Size)
    return found


def icon_sizes(group):
    """The square sizes of an icon resource's pictures (a width byte of 0 is 256)."""
    count = int.from_bytes(group[4:6], "little")
    return sorted(group[6 + 14 * i] or 256 for i in range(count))


def version_strings(pe):
    strings = {}
    for info in getattr(pe, "FileInfo", [[]])[0]:
        for table in getattr(info, "StringTable", []):
            strings.update({key.decode(): value.decode() for key, value in table.entries.items()})
    return strings


def manifest_settings(manifest):
    """What a manifest asks for: execution level, common controls, supported systems, DPI awareness."""
    ns = {"v1": "urn:schemas-microsoft-com:asm.v1", "v3": "urn:schemas-microsoft-com:asm.v3",
          "os": "urn:schemas-microsoft-com:compatibility.v1", "dpi": "http://schemas.microsoft.com/SMI/2016/WindowsSettings"}
    root = ElementTree.fromstring(manifest)
    level = root.find(".//v3:requestedExecutionLevel", ns)
    controls = [identity.get("version") for identity in root.findall(".//v1:dependentAssembly/v1:assemblyIdentity", ns)
                if identity.get("name") == "Microsoft.Windows.Common-Controls"]
    awareness = root.find(".//dpi:dpiAwareness", ns)
    return {"level": None if level is None else level.get("level"), "common controls": controls,
            "systems": [system.get("Id") for system in root.findall(".//os:supportedOS", ns)],
            "DPI": None if awareness is None else awareness.text.split(",")[0].strip()}


def squashed(code):
    """A product code as Windows Installer names its registry key: each group of the GUID reversed, the last
    two groups byte by byte."""
    digits = code.strip("{}").replace("-", "").upper()
    return digits[7::-1] + digits[11:7:-1] + digits[15:11:-1] + "".join(digits[i + 1] + digits[i] for i in range(16, 32, 2))


def files_under(folder):
    """The files below a folder, as sorted paths relative to it with / between folders."""
    return sorted(os.path.relpath(os.path.join(top, name), folder).replace(os.sep, "/")
                  for top, _, names in os.walk(folder) for name in names)


# ================================================================================================================
# Wine: a prefix of the run's own, its server and its registry
# ================================================================================================================

class Wine:
    """A fresh 64-bit prefix in work/prefix, booted once, with a persistent Wine server of this run's own so
    that each reg.exe call and program start finds it running. The environment every Wine process gets:
    the display, a home folder of the run's own, and PATH with the stand-in opener's folder first (Wine's
    browser launcher finds xdg-open through the Linux PATH)."""

    def __init__(self, work, desktop, opener_folder):
        self.prefix = os.path.join(work, "prefix")
        home = os.path.join(work, "home")
        os.makedirs(home, exist_ok=True)
        self.env = dict(WINE_ENVIRONMENT, WINEPREFIX=self.prefix, DISPLAY=desktop.display, HOME=home,
                        PATH=opener_folder + ":/usr/bin:/bin", LANG="C.UTF-8",
                        DBUS_SESSION_BUS_ADDRESS="unix:path=/nonexistent/tavrix-wine-e2e-no-bus")
        self.server = None
        try:
            log = os.path.join(work, "wineboot.txt")
            with open(log, "wb") as output:
                boot = subprocess.run(["wineboot", "-i"], env=self.env, stdin=subprocess.DEVNULL, stdout=output,
                                      stderr=output, timeout=300, preexec_fn=_die_with_driver)
            check(boot.returncode == 0,
                  f"wineboot -i failed ({boot.returncode}): {open(log, errors='replace').read()}")
            subprocess.run(["wineserver", "-w"], env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=300, preexec_fn=_die_with_driver)
            # In the foreground (-f) so that it is our child and dies with us; -p keeps it between programs.
            self.server = subprocess.Popen(["wineserver", "-f", "-p"], env=self.env, stdout=subprocess.DEVNULL,
                                           stderr=subprocess.DEVNULL, preexec_fn=_die_with_driver)
        except BaseException:
            self.close()
            raise

    def close(self):
        subprocess.run(["wineserver", "-k"], env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)
        if self.server is not None:
            try:
                self.server.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self.server.kill()
                self.server.wait(timeout=10)

    def run(self, *args, timeout=60):
        """A Windows console program (reg.exe) run to its end; its output text with Windows line ends as
        Linux ones. The output goes through files, not pipes: the Wine services a program may start inherit
        its output and keep it open long after the program has ended."""
        with tempfile.TemporaryFile() as stdout, tempfile.TemporaryFile() as stderr:
            result = subprocess.run(["wine", *args], env=self.env, stdin=subprocess.DEVNULL, stdout=stdout,
                                    stderr=stderr, timeout=timeout, preexec_fn=_die_with_driver)
            for stream, name in ((stdout, "stdout"), (stderr, "stderr")):
                stream.seek(0)
                setattr(result, name, stream.read().decode(errors="replace").replace("\r\n", "\n"))
        return result

    def reg(self, *args):
        return self.run("reg", *args)

    def values(self, key):
        """The values of a registry key (not its subkeys) as {name: (type, data)}, or None when there is no
        such key."""
        result = self.reg("query", key)
        if result.returncode != 0:
            return None
        values = {}
        for line in result.stdout.split("\n"):
            # reg.exe lists a value as four spaces, its name, four spaces, its type, four spaces, its data.
            match = re.fullmatch(r" {4}(.+?) {4}(REG_[A-Z_]+) {4}(.*)", line)
            if match:
                values[match.group(1)] = (match.group(2), match.group(3))
        return values

    def delete_key(self, key):
        """Deletes a key and everything below it; the key is absent afterwards, whether or not it was there."""
        self.reg("delete", key, "/f")
        check(self.reg("query", key).returncode != 0, f"{key} is still in the registry after deleting it")

    def user_folder(self, *parts):
        """A path in the Windows user's profile folder (Wine names the user as Linux does)."""
        return os.path.join(self.prefix, "drive_c", "users", pwd.getpwuid(os.getuid()).pw_name, *parts)

    def products(self):
        """The installed products as {product code: name}, as Wine's uninstaller lists them."""
        result = self.run("uninstaller", "--list")
        check(result.returncode == 0, f"uninstaller --list failed: {result.stderr.strip()}")
        return dict(line.split("|||", 1) for line in result.stdout.split("\n") if "|||" in line)

    def msiexec(self, *args):
        """msiexec's status: 0 done, 1603 refused (the Linux status keeps its low byte, 67)."""
        return self.run("msiexec", *args, "/qn", timeout=180).returncode


# ================================================================================================================
# One run of tavrix.exe
# ================================================================================================================

class Program:
    """tavrix.exe started with `wine`, in a session of its own where the program is found by its command
    line (Wine runs a program named by its path in the process it was started in; one named otherwise goes
    through start.exe, a process of its own). Its windows carry its Linux process id (_NET_WM_PID).

    With `shell`, the program or a shortcut to it is opened as Explorer opens a file: by rundll32's
    ShellExec_RunDLL, a desktop program with no console of its own, which ends once the program is started.
    With `command`, that command starts the program and may end before it."""

    def __init__(self, suite, executable=None, shell=False, command=None):
        self.suite = suite
        self.desktop = suite.desktop
        # Started by something that ends once the program runs, rather than by wine itself.
        self.detached = shell or command is not None
        self.log = os.path.join(suite.work, f"program-{len(suite.programs)}.txt")
        target = executable or suite.tavrix
        if command is None:
            command = ["wine", "rundll32", "shell32.dll,ShellExec_RunDLL",
                       windows_path(target) if target.startswith("/") else target] if shell else ["wine", target]
        with open(self.log, "wb") as output:
            self.launcher = subprocess.Popen(command, env=suite.wine.env, cwd=suite.work,
                                             stdin=subprocess.DEVNULL, stdout=output, stderr=output,
                                             preexec_fn=_die_with_driver, start_new_session=True)
        self._pid = None

    def _session_processes(self, whole_prefix=False):
        """Linux process ids and command lines of the processes in the launcher's session, and with whole_prefix
        the Windows processes of the run's prefix too: a program the shell starts gets a session of its own."""
        prefix = f"WINEPREFIX={self.suite.wine.prefix}".encode()
        found = []
        for entry in os.listdir("/proc"):
            if not entry.isdigit():
                continue
            try:
                with open(f"/proc/{entry}/stat") as file:
                    stat = file.read()
                with open(f"/proc/{entry}/cmdline", "rb") as file:
                    command = file.read().replace(b"\0", b" ").decode(errors="replace")
            except OSError:
                continue
            fields = stat[stat.rindex(")") + 2:].split()
            if fields[0] == "Z":  # state
                continue
            if int(fields[3]) == self.launcher.pid:  # session id
                found.append((int(entry), command))
            elif whole_prefix and re.match(r"[A-Za-z]:\\", command):
                try:
                    with open(f"/proc/{entry}/environ", "rb") as file:
                        if prefix in file.read().split(b"\0"):
                            found.append((int(entry), command))
                except OSError:
                    continue
        return found

    @property
    def pid(self):
        if self._pid is None:
            # The process whose command line starts with the program's own path: not start.exe, rundll32 or
            # the tavrix.com that started it, whose command lines may name it further on.
            program = re.compile(r'^"?(?:(?!\.exe|\.com)[^"])*tavrix\.exe', re.I)

            def find():
                check(self.launcher.poll() is None or (self.detached and self.launcher.returncode == 0),
                      f"wine ended (status {self.launcher.returncode}) before the program ran: {self.output()!r}")
                programs = [pid for pid, command in self._session_processes(whole_prefix=self.detached)
                            if program.match(command) and "ShellExec_RunDLL" not in command]
                return programs[0] if len(programs) == 1 else None
            self._pid = wait_for(find, START_TIME_LIMIT, "the tavrix.exe process")
        return self._pid

    def running(self):
        if not self.detached:
            return self.launcher.poll() is None
        try:
            with open(f"/proc/{self.pid}/stat") as file:
                return file.read().rsplit(")", 1)[1].split()[0] != "Z"
        except FileNotFoundError:
            return False

    def output(self):
        with open(self.log, "rb") as file:
            return file.read().decode(errors="replace")

    def stop(self):
        """Ends the program (and whatever it started in its session, such as a browser launcher), not the
        Wine desktop process that may share the session, and waits until its windows are gone."""
        if self.launcher.poll() is None or self.detached:
            desktop_process = re.compile(r"explorer\.exe", re.I)
            processes = self._session_processes()
            if self._pid is not None:
                processes.append((self._pid, "the program"))
            for pid, command in processes:
                if not desktop_process.search(command):
                    try:
                        os.kill(pid, signal.SIGKILL)
                    except ProcessLookupError:
                        pass
        self.launcher.wait(timeout=30)
        if self._pid is not None:
            wait_for(lambda: not self.windows(visible_only=False), 10, "the program's windows to go away")

    # ---- its windows -----------------------------------------------------------------------------------

    def windows(self, visible_only=True):
        return self.desktop.search(*(["--onlyvisible"] if visible_only else []), "--pid", str(self.pid))

    def named(self, title, visible_only=True):
        """The program's windows of exactly that title."""
        pattern = "^" + re.sub(r"([][.*+?(){}|^$\\])", r"\\\1", title) + "$"  # xdotool takes a POSIX ERE
        found = self.desktop.search(*(["--onlyvisible"] if visible_only else []), "--pid", str(self.pid), "--name",
                                    pattern)
        return [w for w in found if self.desktop.name(w) == title]

    def main_window(self):
        """The main window when it is on screen and not minimised, else None."""
        for window in self.named(MAIN_TITLE):
            if self.desktop.wm_state(window) == "Normal":
                return window
        return None

    def splash(self):
        for window in self.windows():
            if self.desktop.size(window) == SPLASH_SIZE and self.desktop.name(window) != MAIN_TITLE:
                return window
        return None

    def other_windows(self, main):
        """The program's windows on screen other than the main window, as (window, title)."""
        return [(w, self.desktop.name(w)) for w in self.windows() if w != main]

    def describe(self):
        """What the program shows and said, for a failure while it starts: a box shown instead of the main
        window (Qt's, when its platform plugin does not load) waits for an answer."""
        return f"the program's windows on screen: {[self.desktop.name(w) for w in self.windows()]}; it said: " \
               f"{self.output()!r}"

    def wait_main_window(self):
        """The main window once it is on screen by itself (after the splash's timer) and the splash is gone,
        so that clicks land on it."""
        def shown():
            check(self.running(), f"the program ended while starting (status {self.launcher.returncode}); it "
                  f"said: {self.output()!r}")
            return self.main_window()
        try:
            window = wait_for(shown, START_TIME_LIMIT, "the main window on screen")
        except CaseFailure as failure:
            raise CaseFailure(f"{failure}; {self.describe()}")
        wait_for(lambda: not self.splash(), 10, "the splash to go")
        return window


# ================================================================================================================
# The cases
# ================================================================================================================

class Suite:
    def __init__(self, args):
        self.tavrix = os.path.abspath(args.tavrix)
        self.source = os.path.abspath(args.source)
        self.only = args.only
        with open(os.path.join(self.source, "CMakeLists.txt")) as file:
            self.version = re.search(r"project\(Tavrix VERSION ([0-9.]+)", file.read()).group(1)
        self.package_name = f"tavrix-{self.version}-win64"
        self.zip = os.path.join(os.path.abspath(args.packages), self.package_name + ".zip")
        self.msi = os.path.join(os.path.abspath(args.packages), self.package_name + ".msi")
        self.layout = Layout(os.path.join(self.source, "ui", "wMain.ui"))
        links = open(os.path.join(self.source, "ui", "wMain.cpp")).read()
        self.sites = {name: re.search(rf'k{name}Site = "([^"]+)"', links).group(1) for name in ("Quorlen", "Vasht")}
        self.results = []
        self.programs = []
        self.work = None
        self.desktop = None
        self.wine = None

    def _missing(self):
        missing = [tool for tool in TOOLS if not shutil.which(tool)]
        folder = os.path.dirname(self.tavrix)
        for needed in (self.tavrix, os.path.join(folder, "tavrix.com"), os.path.join(folder, "platforms", "qwindows.dll"),
                       self.zip, self.msi):
            if not os.path.isfile(needed):
                missing.append(needed)
        if pefile is None:
            missing.append("the Python module pefile (python3-pefile)")
        return missing

    def run(self, cases):
        cases = [(name, case) for name, case in cases if not self.only or self.only in name]
        missing = self._missing()
        if missing:
            print(f"cannot run: missing {', '.join(missing)}")
            print(f"\n0 passed, {len(cases)} failed")
            return 1
        started = time.monotonic()
        self.work = tempfile.mkdtemp(prefix="tavrix-wine-e2e-", dir="/tmp")
        try:
            self.opener_folder = os.path.join(self.work, "opener")
            self.opener_log = os.path.join(self.work, "opener.log")
            os.makedirs(self.opener_folder)
            self._write_opener()
            try:
                self.desktop = Desktop()
                self.wine = Wine(self.work, self.desktop, self.opener_folder)
            except (CaseFailure, subprocess.SubprocessError, OSError) as failure:
                print(f"cannot run: the desktop or the Wine prefix did not come up: {failure}")
                self.results = [(name, False) for name, _ in cases]
            else:
                print(f"Wine prefix ready in {time.monotonic() - started:.1f} s", flush=True)
                for name, case in cases:
                    self._run_case(name, case)
        finally:
            if self.wine is not None:
                self.wine.close()
            if self.desktop is not None:
                self.desktop.close()
            shutil.rmtree(self.work, ignore_errors=True)
        failed = [name for name, ok in self.results if not ok]
        print(f"\n{len(self.results) - len(failed)} passed, {len(failed)} failed "
              f"({time.monotonic() - started:.1f} s)")
        return 1 if failed else 0

    def _write_opener(self):
        script = os.path.join(self.opener_folder, "xdg-open")
        with open(script, "w") as file:
            file.write("#!/bin/sh\n# Records its arguments, one a line, then a line '--'.\n"
                       f"for a in \"$@\"; do printf '%s\\n' \"$a\"; done >> '{self.opener_log}'\n"
                       f"printf -- '--\\n' >> '{self.opener_log}'\n")
        os.chmod(script, 0o755)

    def _run_case(self, name, case):
        started = time.monotonic()

        def out_of_time(*_):
            raise CaseFailure(f"the case ran longer than {CASE_TIME_LIMIT} s")

        signal.signal(signal.SIGALRM, out_of_time)
        signal.alarm(CASE_TIME_LIMIT)
        self.programs = []
        try:
            # Every case starts from an empty store and no recorded opener calls.
            self.wine.delete_key(APPLICATION_KEY)
            if os.path.exists(self.opener_log):
                os.remove(self.opener_log)
            note = case()
            ok, detail = True, f"note: {note}" if note else ""
        except CaseFailure as failure:
            ok, detail = False, str(failure)
        except Exception:
            ok, detail = False, traceback.format_exc()
        finally:
            signal.alarm(0)
            for program in self.programs:
                try:
                    program.stop()
                except Exception as error:
                    ok, detail = False, (detail + f"\ncleaning up: {error}").strip()
        elapsed = time.monotonic() - started
        print(f"{'PASS' if ok else 'FAIL'}  {name}  ({elapsed:.1f} s)" + (f"\n      {detail}" if detail else ""),
              flush=True)
        self.results.append((name, ok))

    # ---- helpers -----------------------------------------------------------------------------------------

    def seed(self, **values):
        """Stores settings as the program's own registry values (REG_SZ, decimal text)."""
        for name, value in values.items():
            result = self.wine.reg("add", SETTINGS_KEY, "/v", name.replace("_", " "), "/t", "REG_SZ", "/d",
                                   str(value), "/f")
            check(result.returncode == 0, f"could not store {name}: {result.stderr.strip()}")

    def start(self, executable=None, shell=False, command=None):
        program = Program(self, executable, shell, command)
        self.programs.append(program)
        return program

    def click(self, window, point):
        self.desktop.click(window, *point)

    def startup_key_copied(self, program):
        """The key the program copies while it starts, the clipboard holding "sentinel" before."""
        try:
            return self.new_clipboard("sentinel", START_TIME_LIMIT, "the key made at start-up on the clipboard")
        except CaseFailure as failure:
            raise CaseFailure(f"{failure}; {program.describe()}")

    def new_clipboard(self, before, timeout=15, what="a new key on the clipboard"):
        """The clipboard's text once it differs from before."""
        def changed():
            # A read the clipboard's owner leaves unanswered (seen once, the first read of a run, while Wine's
            # desktop process was starting) counts as no new text yet; the wait still fails if none comes.
            try:
                text = self.desktop.clipboard_text()
            except subprocess.TimeoutExpired:
                return None
            return (text,) if text is not None and text != before else None
        return wait_for(changed, timeout, what)[0]

    def copy_key_field(self, window):
        """The key field's text, read by pressing "Copy to Clipboard" on the toolbar."""
        self.desktop.set_clipboard("<key field not copied yet>")
        self.click(window, self.layout.centre("tbrMisc_2"))
        return self.new_clipboard("<key field not copied yet>", what="the key field on the clipboard")

    def opener_calls(self):
        try:
            with open(self.opener_log) as file:
                text = file.read()
        except FileNotFoundError:
            return []
        return [call.split("\n")[:-1] for call in text.split("--\n")[:-1]]

    def read_box(self, window):
        """Title and text of a message box, as Ctrl+C in it puts them on the clipboard. Wine hands text to X
        with its CR LF line ends as LF, so the text comes back with LF line ends."""
        self.desktop.set_clipboard("<box not copied yet>")
        self.desktop.keys(window, "ctrl+c")
        copied = self.new_clipboard("<box not copied yet>", 10, "the message box's text on the clipboard")
        parts = copied.split(SEPARATOR)
        check(len(parts) == 5 and parts[0] == "" and parts[3] == "OK   \n",
              f"the copied message box does not have the layout of one with an OK button: {copied!r}")
        return parts[1][:-1], parts[2][:-1]

    def registry_settings(self):
        return self.wine.values(SETTINGS_KEY)

    def check_hex_key(self, key, digits):
        check(re.fullmatch(f"[0-9a-f]{{{digits}}}", key), f"{key!r} is not {digits} hexadecimal digits in lower case")

    # ---- 1 and 2: the key made at start-up, and the copy button ------------------------------------------

    def startup_key(self):
        self.seed(Generate_On_Startup=1, Key_Type=0, Key_Strength=0, Copy_Key_To_Clipboard=1)
        self.desktop.set_clipboard("sentinel")
        program = self.start()
        key = self.startup_key_copied(program)
        self.check_hex_key(key, 10)
        window = program.wait_main_window()
        check_equal(program.other_windows(window), [], "the program's other windows")

    def copy_button(self):
        self.seed(Generate_On_Startup=1, Key_Type=0, Key_Strength=0, Copy_Key_To_Clipboard=1)
        self.desktop.set_clipboard("sentinel")
        program = self.start()
        first = self.startup_key_copied(program)
        self.check_hex_key(first, 10)
        window = program.wait_main_window()
        check_equal(self.copy_key_field(window), first, "the key field copied by the toolbar button")
        # A new key, copied by itself, then the field copied again: the button copies what the field holds now.
        self.desktop.set_clipboard("sentinel")
        self.click(window, self.layout.centre("tbrMisc_1"))
        second = self.new_clipboard("sentinel", what='the key made by "Generate New Key" on the clipboard')
        self.check_hex_key(second, 10)
        check(second != first, f"the new key is the start-up key again: {first!r}")
        check_equal(self.copy_key_field(window), second, "the key field copied after a new key")
        check_equal(program.other_windows(window), [], "the program's other windows")

    # ---- 3: the registry ---------------------------------------------------------------------------------

    def registry_after_clicks(self):
        check_equal(self.registry_settings(), None, "the settings key before the start")
        program = self.start()
        window = program.wait_main_window()
        loaded = {"ASCII Mode": ("REG_SZ", "0"), "Key Strength": ("REG_SZ", "1"), "Key Type": ("REG_SZ", "1")}
        wait_for(lambda: len(self.registry_settings() or {}) >= len(loaded), 10,
                 "the settings written back after loading an empty store")
        check_equal(self.registry_settings(), loaded, "the settings key after loading an empty store")
        self.click(window, self.layout.centre("tbrMain_2"))
        ticked = dict(loaded)
        for box, name in (("chkGenerateOnStartup", "Generate On Startup"),
                          ("chkGenerateOnChange", "Generate On Change"),
                          ("chkAutoClipboard", "Copy Key To Clipboard")):
            self.click(window, self.layout.check_box(box))
            ticked[name] = ("REG_SZ", "1")
            # Each click is stored at once, while the program runs.
            wait_for(lambda: self.registry_settings() == ticked, 10, f'"{name}" stored as "1" after its click')
        check_equal(self.registry_settings(), ticked, "the settings key after the three clicks")
        check_equal(program.other_windows(window), [], "the program's other windows")
        check(program.running(), "the program ended")

    # ---- 4 and 5: the credit links -----------------------------------------------------------------------

    def credit_link(self, label, heading, person):
        program = self.start()
        window = program.wait_main_window()
        self.click(window, self.layout.centre("tbrMain_3"))
        self.click(window, self.layout.link(label, heading))
        wait_for(lambda: self.desktop.wm_state(window) == "Iconic", 10, "the main window to be minimised")
        wait_for(self.opener_calls, 15, "the stand-in xdg-open to be called")
        # A second call would come from the same launch, at once; a moment's look for one.
        stays_absent(lambda: len(self.opener_calls()) > 1, 1.0)
        check_equal(self.opener_calls(), [[self.sites[person]]], "calls of xdg-open")
        check_equal(program.other_windows(window), [], "the program's windows on screen after a successful launch")
        check(program.running(), "the program ended")

    def refused_link(self):
        # Without the https association ShellExecuteExA finds nothing to open the address with and fails
        # (SE_ERR_NOASSOC); with it, Wine reports success whatever its browser launcher then does.
        association = os.path.join(self.work, "https.reg")
        check(self.wine.reg("export", r"HKCR\https", association, "/y").returncode == 0,
              "could not save the https association")
        try:
            self.wine.delete_key(r"HKCR\https")
            program = self.start()
            window = program.wait_main_window()
            self.click(window, self.layout.centre("tbrMain_3"))
            self.click(window, self.layout.link("labQuorlen", "labProgramming"))
            # The request leaves SEE_MASK_FLAG_NO_UI out, so the shell may first show a box of its own about
            # the missing association (Wine does, titled "Error"); ShellExecuteExA returns once it is
            # answered. One such box is answered with OK; the program's own box must follow it.
            shell_boxes = []
            while True:
                shown = wait_for(lambda: program.other_windows(window), 15, f'the "{SHELL_BOX_TITLE}" box')
                if any(title == SHELL_BOX_TITLE for _, title in shown):
                    break
                check(len(shown) == 1 and not shell_boxes,
                      f"windows on screen before the program's box: {shell_boxes + [t for _, t in shown]}")
                shell_box, title = shown[0]
                shell_boxes.append(title)
                self.desktop.keys(shell_box, "Return")
                wait_for(lambda: shell_box not in program.windows(), 10, f'the shell\'s "{title}" box to close')
            boxes = program.named(SHELL_BOX_TITLE)
            check_equal(len(boxes), 1, f'number of "{SHELL_BOX_TITLE}" boxes')
            box = boxes[0]
            check_equal(self.desktop.wm_state(window), "Iconic", "state of the main window behind the box")
            title, text = self.read_box(box)
            check_equal((title, text), (SHELL_BOX_TITLE, SHELL_FAILURE.replace("\r\n", "\n")), "the box")
            check_equal([t for _, t in program.other_windows(window)], [SHELL_BOX_TITLE],
                        "the program's windows on screen besides the main window")
            self.desktop.keys(box, "Return")
            wait_for(lambda: box not in program.windows(), 10, "the box to close after Return")
            again = stays_absent(lambda: program.named(SHELL_BOX_TITLE), 2.0)
            check_equal(again, None, f'"{SHELL_BOX_TITLE}" windows after the first was dismissed')
            check_equal(program.other_windows(window), [], "the program's windows on screen after OK")
            check_equal(self.opener_calls(), [], "calls of xdg-open")
            check(program.running(), "the program ended after the launch failed")
            if shell_boxes:
                return f'the shell showed a box of its own first, titled "{shell_boxes[0]}"'
        finally:
            self.wine.reg("import", association)

    # ---- 7 to 12: the Windows program as it is shipped ---------------------------------------------------

    def programs_identity(self):
        folder = os.path.dirname(self.tavrix)
        version = tuple(int(part) for part in self.version.split("."))
        for name, subsystem in (("tavrix.exe", SUBSYSTEM_GUI), ("tavrix.com", SUBSYSTEM_CONSOLE)):
            program = pefile.PE(os.path.join(folder, name))
            check_equal(program.OPTIONAL_HEADER.Subsystem, subsystem, f"the subsystem of {name} (2 desktop, 3 console)")
            resources = pe_resources(program)
            check_equal([icon_sizes(data) for (kind, _), data in resources.items() if kind == 14], [ICON_SIZES],
                        f"the sizes of the icon of {name}")
            fixed = program.VS_FIXEDFILEINFO[0] if hasattr(program, "VS_FIXEDFILEINFO") else None
            check(fixed is not None, f"{name} has no version resource")
            check_equal((fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xFFFF, fixed.FileVersionLS >> 16), version,
                        f"the file version of {name}")
            strings = version_strings(program)
            check_equal({key: strings.get(key) for key in ("ProductName", "FileVersion", "ProductVersion",
                                                           "FileDescription", "CompanyName", "OriginalFilename")},
                        {"ProductName": "Tavrix", "FileVersion": self.version, "ProductVersion": self.version,
                         "FileDescription": DESCRIPTION, "CompanyName": PUBLISHER, "OriginalFilename": name},
                        f"the version strings of {name}")
            check(PUBLISHER in strings.get("LegalCopyright", "") and "GNU General Public License, version 3 or later"
                  in strings.get("LegalCopyright", ""), f"the copyright of {name}: {strings.get('LegalCopyright')!r}")
            check((24, 1) in resources, f"{name} has no application manifest")
            check_equal(manifest_settings(resources[(24, 1)]),
                        {"level": "asInvoker", "common controls": ["6.0.0.0"], "systems": [WINDOWS_10_AND_11],
                         "DPI": "PerMonitorV2"}, f"what the manifest of {name} asks for")

    def system_dll(self, name):
        """A DLL every Windows has: one of its API sets, or one in the prefix's system folder."""
        return name.startswith("api-ms-win-") or \
            os.path.isfile(os.path.join(self.wine.prefix, "drive_c", "windows", "system32", name.lower()))

    def check_shipped(self, root):
        """The folder holds the two programs, the word list, the licences and the DLLs and plugins the programs
        load, each of them loaded by something in it."""
        files = files_under(root)
        dlls = [f for f in files if f.lower().endswith(".dll")]
        licences = [f for f in files if f.startswith("licenses/")]
        check_equal(sorted(set(files) - set(dlls) - set(licences)), ["dict.txt", "tavrix.com", "tavrix.exe"],
                    "what the folder holds besides DLLs and licences")
        check_equal(sorted(f for f in dlls if "/" in f),
                    ["imageformats/qjpeg.dll", "platforms/qwindows.dll", "styles/qwindowsvistastyle.dll"],
                    "the Qt plugins")
        beside = {f.lower(): f for f in dlls if "/" not in f}
        loaded, unshipped = set(), []
        pending = ["tavrix.exe", "tavrix.com"] + [f for f in dlls if "/" in f]
        while pending:
            path = pending.pop()
            program = pefile.PE(os.path.join(root, path), fast_load=True)
            program.parse_data_directories([pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_IMPORT"]])
            for entry in getattr(program, "DIRECTORY_ENTRY_IMPORT", []):
                name = entry.dll.decode().lower()
                if name in beside:
                    if beside[name] not in loaded:
                        loaded.add(beside[name])
                        pending.append(beside[name])
                elif not self.system_dll(name):
                    unshipped.append(f"{name} (for {path})")
        check_equal(unshipped, [], "DLLs the shipped programs load that neither Windows nor the folder has")
        check_equal(sorted(set(beside.values()) - loaded), [], "DLLs in the folder that nothing loads")
        with open(os.path.join(root, "licenses", "README.txt")) as file:
            readme = file.read()
        named = set(re.findall(r"[\w.-]+\.txt", readme)) - {"dict.txt"}
        check_equal(sorted("licenses/" + n for n in named), sorted(set(licences) - {"licenses/README.txt"}),
                    "the licence files the README names against those in licenses/")
        check("apt-get source qt6-base=" in readme and "-xplatform win32-g++" in readme,
              "the licences' README does not say where Qt's source comes from and how it was configured")

    def foreign_windows(self, program):
        """Named windows on screen that are not the program's, such as a console window Windows opened for it."""
        own = set(program.windows())
        return [(w, self.desktop.name(w)) for w in self.desktop.search("--onlyvisible", "--name", ".")
                if w not in own and self.desktop.name(w)]

    def start_up_with_key(self, executable=None, shell=False, command=None):
        """Starts the program with a 128-bit HEX key made at start-up and copied, and returns it and its main
        window once that key is on the clipboard."""
        self.seed(Generate_On_Startup=1, Key_Type=0, Key_Strength=1, Copy_Key_To_Clipboard=1)
        self.desktop.set_clipboard("sentinel")
        program = self.start(executable, shell, command)
        self.check_hex_key(self.startup_key_copied(program), 26)
        return program, program.wait_main_window()

    def portable_zip(self):
        with zipfile.ZipFile(self.zip) as archive:
            outside = [n for n in archive.namelist() if not n.startswith(self.package_name + "/")]
            check_equal(outside, [], "entries of the zip outside its folder")
            folder = os.path.join(self.work, "unpacked here")
            archive.extractall(folder)
        root = os.path.join(folder, self.package_name)
        self.check_shipped(root)
        # Opened as Explorer opens it: no console window comes with it.
        program, window = self.start_up_with_key(os.path.join(root, "tavrix.exe"), shell=True)
        check_equal(program.other_windows(window), [], "the program's other windows")
        check_equal(self.foreign_windows(program), [], "windows on screen that are not the program's")

    # The installer and what it installs.

    def installed_folder(self):
        return self.wine.user_folder("AppData", "Local", "Programs", "Tavrix")

    def start_menu_shortcut(self):
        return self.wine.user_folder("AppData", "Roaming", "Microsoft", "Windows", "Start Menu", "Programs",
                                     "Tavrix.lnk")

    def shipped_files(self):
        with zipfile.ZipFile(self.zip) as archive:
            return sorted(n[len(self.package_name) + 1:] for n in archive.namelist())

    def tavrix_products(self):
        """{product code: version} of the installed Tavrix products."""
        found = {}
        for code, name in self.wine.products().items():
            if name == "Tavrix":
                entry = self.wine.values(rf"{UNINSTALL_KEY}\{code}") or {}
                found[code] = entry.get("DisplayVersion", (None, None))[1]
        return found

    def remove_installed(self):
        for code in self.tavrix_products():
            self.wine.msiexec("/x", code)
        check_equal(self.tavrix_products(), {}, "Tavrix products left after uninstalling them")

    def install(self, msi=None):
        msi = msi or self.msi
        check_equal(self.wine.msiexec("/i", windows_path(msi)), 0, f"the status of msiexec /i {os.path.basename(msi)}")

    def installer(self):
        self.remove_installed()
        self.install()
        check_equal(files_under(self.installed_folder()), self.shipped_files(), "the installed files against the zip's")
        check(os.path.isfile(self.start_menu_shortcut()), "no Tavrix shortcut in the Start menu")
        products = self.tavrix_products()
        check_equal(list(products.values()), [self.version], "the versions of the Tavrix products installed")
        code = next(iter(products))
        major, minor, patch = (int(part) for part in self.version.split("."))
        registered = self.wine.values(rf"{INSTALLED_KEY}\{squashed(code)}") or {}
        check_equal({key: registered.get(key, (None, None))[1] for key in ("ProductName", "Version")},
                    {"ProductName": "Tavrix", "Version": hex(major << 24 | minor << 16 | patch)},
                    "the product registered for the user (HKCU)")
        check(registered["ProductIcon"][1].lower().endswith("\\tavrix.ico"),
              f"the product's icon: {registered.get('ProductIcon')}")
        entry = self.wine.values(rf"{UNINSTALL_KEY}\{code}")
        check_equal(entry["Publisher"][1], PUBLISHER, "the publisher the installed programs list shows")
        # The shortcut opens the installed program, which makes its key. (The shell opens it by its path on
        # drive C:, as Explorer does; through drive Z: Wine's shell does not follow the shortcut.)
        shortcut = "C:\\" + os.path.relpath(self.start_menu_shortcut(), os.path.join(self.wine.prefix, "drive_c"))
        program, _ = self.start_up_with_key(shortcut.replace("/", "\\"), shell=True)
        with open(f"/proc/{program.pid}/cmdline", "rb") as file:
            command = file.read().decode(errors="replace")
        check(r"AppData\Local\Programs\Tavrix\tavrix.exe".lower() in command.lower(),
              f"the program the shortcut started: {command!r}")

    def typed_in_cmd(self, lines):
        """Standard output and error of a batch file that runs lines in the installed folder; after each line it
        prints the status, as %ERRORLEVEL% holds it."""
        batch = os.path.join(self.work, "typed.bat")
        with open(batch, "w", newline="\r\n") as file:
            file.write('@echo off\ncd /d "%LOCALAPPDATA%\\Programs\\Tavrix"\n')
            for line in lines:
                file.write(f"{line}\necho status %ERRORLEVEL%\n")
        result = self.wine.run("cmd", "/c", windows_path(batch))
        return result.stdout, result.stderr

    def command_line(self):
        self.remove_installed()
        self.install()
        keys = os.path.join(self.work, "keys.txt")
        rows = [
            ("a 128-bit HEX key", ["tavrix --generate --strength 128 --type hex"], r"[0-9a-f]{26}\nstatus 0\n", ""),
            ("a value not offered", ["tavrix -g --strength 100"], r"status 2\n",
             "tavrix: --strength: '100' is not one of 64, 128 or 256\nTry 'tavrix --help' for the options.\n"),
            ("/? asks for help", ["tavrix /?"], r"Usage: tavrix \[options\]\n.*\n  -g, --generate .*\nstatus 0\n", ""),
            ("keys written to a file and through a pipe",
             [f"tavrix -g --strength 64 --type hex --count 3 > {windows_path(keys)}",
              "tavrix -g --strength 64 --type ascii --method random | more"], r"status 0\n[a-z]{5}\nstatus 0\n", ""),
        ]
        for name, lines, output, error in rows:
            out, err = self.typed_in_cmd(lines)
            check(re.fullmatch(output, out, re.S), f"{name}: standard output {out!r} does not match {output!r}")
            check_equal(err, error, f"{name}: standard error")
        with open(keys) as file:
            check(re.fullmatch(r"([0-9a-f]{10}\n){3}", file.read().replace("\r\n", "\n")),
                  f"the keys written to the file: {open(keys).read()!r}")
        # Without an option the desktop program starts and the prompt comes back at once.
        batch = os.path.join(self.work, "window.bat")
        with open(batch, "w", newline="\r\n") as file:
            file.write('@echo off\ncd /d "%LOCALAPPDATA%\\Programs\\Tavrix"\ntavrix\necho status %ERRORLEVEL%\n')
        program, _ = self.start_up_with_key(command=["wine", "cmd", "/c", windows_path(batch)])
        wait_for(lambda: program.launcher.poll() is not None, 10, "cmd to end while the program runs")
        check_equal((program.launcher.returncode, program.output().replace("\r\n", "\n")), (0, "status 0\n"),
                    "the status and output of the batch file")
        check(program.running(), "the program ended with the batch file")

    def variant(self, version, name):
        """A copy of the installer as another build of that version would be: product and package codes of
        its own and the upgrade bounds a build of that version sets."""
        major, minor, patch = (int(part) for part in version.split("."))
        following = f"{major}.{minor}.{patch + 1}"
        path = os.path.join(self.work, f"{name}.msi")
        shutil.copyfile(self.msi, path)
        code = "{" + str(uuid.uuid4()).upper() + "}"
        properties = subprocess.run(["msiinfo", "export", path, "Property"], capture_output=True, text=True, timeout=60)
        upgrade_code = re.search(r"^UpgradeCode\t(\S+)", properties.stdout, re.M).group(1)
        # The upgrade bounds are part of the Upgrade table's key, so their rows are made anew.
        columns = "(`UpgradeCode`, `VersionMin`, `VersionMax`, `Attributes`, `ActionProperty`)"
        open_ended = "(`UpgradeCode`, `VersionMin`, `Attributes`, `ActionProperty`)"
        for query in (f"UPDATE `Property` SET `Value` = '{version}' WHERE `Property` = 'ProductVersion'",
                      f"UPDATE `Property` SET `Value` = '{code}' WHERE `Property` = 'ProductCode'",
                      "DELETE FROM `Upgrade`",
                      f"INSERT INTO `Upgrade` {columns} VALUES ('{upgrade_code}', '0.0.0', '{following}', 256, "
                      "'TAVRIX_EARLIER_FOUND')",
                      f"INSERT INTO `Upgrade` {open_ended} VALUES ('{upgrade_code}', '{following}', 258, "
                      "'TAVRIX_LATER_FOUND')"):
            result = subprocess.run(["msibuild", path, "-q", query], capture_output=True, text=True, timeout=60)
            check(result.returncode == 0, f"msibuild {query!r}: {result.stderr}")
        result = subprocess.run(["msibuild", path, "-s", f"Tavrix {version} installer", PUBLISHER, "x64;1033",
                                 "{" + str(uuid.uuid4()).upper() + "}"], capture_output=True, text=True, timeout=60)
        check(result.returncode == 0, f"msibuild -s: {result.stderr}")
        return path, code

    def upgrades(self):
        self.remove_installed()
        major, minor, patch = (int(part) for part in self.version.split("."))
        earlier_version = f"{major}.{minor}.{patch - 1}" if patch else f"{major}.{minor - 1}.99" if minor else \
            f"{major - 1}.99.99"
        earlier, earlier_code = self.variant(earlier_version, "earlier")
        rebuilt, rebuilt_code = self.variant(self.version, "rebuilt")
        self.install(earlier)
        check_equal(self.tavrix_products(), {earlier_code: earlier_version}, "the products after the earlier version")
        self.install()
        products = self.tavrix_products()
        check_equal(list(products.values()), [self.version], "the versions installed after the upgrade")
        self.install(rebuilt)
        check_equal(self.tavrix_products(), {rebuilt_code: self.version}, "the products after another build")
        check_equal(files_under(self.installed_folder()), self.shipped_files(), "the installed files")
        # An earlier version over a later one stops with Windows Installer's 1603 and changes nothing.
        check_equal(self.wine.msiexec("/i", windows_path(earlier)), 1603 % 256, "the status of installing an earlier one")
        check_equal(self.tavrix_products(), {rebuilt_code: self.version}, "the products after an earlier one was refused")

    def uninstall(self):
        self.remove_installed()
        self.install()
        self.seed(Key_Strength=2, Key_Type=1, ASCII_Mode=1, Generate_On_Startup=1)
        settings = self.registry_settings()
        word_list = self.wine.user_folder("AppData", "Roaming", "Tavrix", "dict.txt")
        os.makedirs(os.path.dirname(word_list), exist_ok=True)
        with open(word_list, "w") as file:
            file.write("kept\nafter\nuninstall\n")
        codes = list(self.tavrix_products())
        check_equal(len(codes), 1, "Tavrix products installed")
        check_equal(self.wine.msiexec("/x", codes[0]), 0, "the status of msiexec /x")
        folder = self.installed_folder()
        check(not os.path.exists(folder), f"left in {folder}: {files_under(folder) if os.path.isdir(folder) else ''}")
        check(not os.path.exists(self.start_menu_shortcut()), "the Start-menu shortcut is still there")
        check_equal(self.tavrix_products(), {}, "the Tavrix products after the uninstall")
        check_equal(self.registry_settings(), settings, "the settings after the uninstall")
        with open(word_list) as file:
            check_equal(file.read(), "kept\nafter\nuninstall\n", "the user's word list after the uninstall")

    def cases(self):
        return [
            ("a 64-BIT HEX key made at start-up reaches the clipboard as 10 lower-case hexadecimal digits",
             self.startup_key),
            ('"Copy to Clipboard" copies exactly the key the field holds, before and after "Generate New Key"',
             self.copy_button),
            ("an empty store gets ASCII Mode, Key Strength and Key Type written back, and the three boxes of the "
             "settings page each store their value at once: six REG_SZ values", self.registry_after_clicks),
            ("the Quorlen credit link minimises the main window and hands its address to xdg-open",
             lambda: self.credit_link("labQuorlen", "labProgramming", "Quorlen")),
            ("the Vasht credit link minimises the main window and hands its address to xdg-open",
             lambda: self.credit_link("labVasht", "Label2", "Vasht")),
            (f'with no https association a credit link shows the "{SHELL_BOX_TITLE}" box once',
             self.refused_link),
            ("tavrix.exe is a desktop program and tavrix.com a console one, each with the icon in eight sizes, the "
             "version of project() and a manifest asking for the user's rights, Common Controls 6, Windows 10 and "
             "per-monitor DPI", self.programs_identity),
            ("the zip holds the programs, dict.txt, the DLLs and plugins they load and nothing more, and the licences; "
             "unpacked anywhere and opened as Explorer opens it, tavrix.exe makes its key and no console window "
             "comes", self.portable_zip),
            ("the installer installs silently for the user alone: the zip's files in LOCALAPPDATA\\Programs\\Tavrix, "
             "a Start-menu shortcut that starts the program, the product with its version, icon and publisher",
             self.installer),
            ("typed as tavrix in cmd.exe in the installed folder: a key and status 0, a refused value on standard "
             "error and status 2, /? for help, keys into a file and a pipe; without options the window opens and "
             "the prompt comes back", self.command_line),
            ("an earlier version and another build of this one are upgraded in place; an earlier one over this "
             "one is refused", self.upgrades),
            ("the uninstall removes the program's files and shortcut and keeps the settings and the user's word list",
             self.uninstall),
        ]


def main():
    # CTest ends a test that runs too long with a signal; leave through the finally blocks all the same.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--tavrix", required=True, help="the built tavrix.exe, beside its DLLs and plugins")
    parser.add_argument("--packages", required=True, help="the folder with the zip and the installer")
    parser.add_argument("--source", required=True, help="the source tree (for the layout, link targets and version)")
    parser.add_argument("--only", help="run only the cases whose names contain this text")
    args = parser.parse_args()
    suite = Suite(args)
    return suite.run(suite.cases())


if __name__ == "__main__":
    sys.exit(main())
