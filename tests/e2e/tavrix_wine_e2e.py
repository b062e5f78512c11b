#!/usr/bin/env python3
# SPDX-FileCopyrightText: The Tavrix developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""End-to-end checks of the Windows build: the real tavrix.exe under Wine on an X display of its own (Xvfb
with openbox, which the program's minimising needs), driven with xdotool, its clipboard read through xclip
(Wine hands the Windows clipboard to X), its settings read from the Wine registry with reg.exe and its
credit links caught by a stand-in xdg-open, which Wine's browser launcher runs.

    tavrix_wine_e2e.py --tavrix BUILD-WIN/bin/tavrix.exe --source SOURCE_DIR [--only TEXT]

The run makes one Wine prefix of its own (removed at the end) and starts the program afresh for each case,
with the program's registry key deleted first. Every case is bounded in time, and whatever happens the
program, the Wine server, the display and the folders made here are gone when the script ends.

The checks and the reading of the stored layout are the Linux suite's (desktop.py, tavrix_e2e.py).
"""

import argparse
import ctypes
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback

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
TOOLS = ("wine", "wineboot", "wineserver", "Xvfb", "openbox", "xdotool", "xclip", "xprop", "xwininfo")

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


# ================================================================================================================
# One run of tavrix.exe
# ================================================================================================================

class Program:
    """tavrix.exe started with `wine`, in a session of its own where the program is found by its command
    line (Wine runs a program named by its path in the process it was started in; one named otherwise goes
    through start.exe, a process of its own). Its windows carry its Linux process id (_NET_WM_PID)."""

    def __init__(self, suite):
        self.suite = suite
        self.desktop = suite.desktop
        self.log = os.path.join(suite.work, f"program-{len(suite.programs)}.txt")
        with open(self.log, "wb") as output:
            self.launcher = subprocess.Popen(["wine", suite.tavrix], env=suite.wine.env, cwd=suite.work,
                                             stdin=subprocess.DEVNULL, stdout=output, stderr=output,
                                             preexec_fn=_die_with_driver, start_new_session=True)
        self._pid = None

    def _session_processes(self):
        """Linux process ids and command lines of the processes in the launcher's session."""
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
            if fields[0] != "Z" and int(fields[3]) == self.launcher.pid:  # state, ..., session id
                found.append((int(entry), command))
        return found

    @property
    def pid(self):
        if self._pid is None:
            def find():
                check(self.launcher.poll() is None,
                      f"wine ended (status {self.launcher.returncode}) before the program ran: {self.output()!r}")
                programs = [pid for pid, command in self._session_processes()
                            if "tavrix.exe" in command.lower() and not command.lower().startswith("start.exe")]
                return programs[0] if len(programs) == 1 else None
            self._pid = wait_for(find, START_TIME_LIMIT, "the tavrix.exe process")
        return self._pid

    def running(self):
        return self.launcher.poll() is None

    def output(self):
        with open(self.log, "rb") as file:
            return file.read().decode(errors="replace")

    def stop(self):
        """Ends the program (and whatever it started in its session, such as a browser launcher), not the
        Wine desktop process that may share the session, and waits until its windows are gone."""
        if self.launcher.poll() is None:
            desktop_process = re.compile(r"explorer\.exe", re.I)
            for pid, command in self._session_processes():
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
        for needed in (self.tavrix, os.path.join(folder, "platforms", "qwindows.dll")):
            if not os.path.isfile(needed):
                missing.append(needed)
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

    def start(self):
        program = Program(self)
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
            text = self.desktop.clipboard_text()
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
        ]


def main():
    # CTest ends a test that runs too long with a signal; leave through the finally blocks all the same.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--tavrix", required=True, help="the built tavrix.exe, beside its DLLs and plugins")
    parser.add_argument("--source", required=True, help="the source tree (for the layout and link targets)")
    parser.add_argument("--only", help="run only the cases whose names contain this text")
    args = parser.parse_args()
    suite = Suite(args)
    return suite.run(suite.cases())


if __name__ == "__main__":
    sys.exit(main())
