#!/usr/bin/env python3
# SPDX-FileCopyrightText: The Tavrix developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""End-to-end checks of the real tavrix program: a real X display, the real clipboard, the real settings
file and a real dict.txt beside the executable, driven with the mouse and keyboard as a person would.

    tavrix_e2e.py --tavrix BUILD/tavrix --source SOURCE_DIR GROUP

GROUP is one of the groups below; the cases of a group share one desktop (Xvfb and a window manager) and
each case runs the program afresh in a workspace of its own (see desktop.Program). Every case is bounded
in time, and the program, the desktop and the workspaces are removed whatever happens.
"""

import errno
import os
import pwd
import re
import signal
import stat
import subprocess
import sys
import time
import traceback
import xml.etree.ElementTree as ElementTree

sys.dont_write_bytecode = True  # keep the source tree clean of __pycache__
from desktop import CaseFailure, Desktop, Program, WaylandDesktop, check, check_equal, run_groups, wait_for

CASE_TIME_LIMIT = 90  # seconds; a case still running then fails and the next one starts

STRENGTHS = {0: ("64-BIT", 10), 1: ("128-BIT", 26), 2: ("256-BIT", 58)}
UNUSABLE = 'The stored setting "{}" holds "{}", which Tavrix cannot use. The default, {}, is used instead.'
NOT_FOUND = "Couldn't find dict.txt - it is required for ASCII Dictionary generation!"
SHELL_FAILURE = "An unexpected error occured:\r\n    Maybe file doesn't exist?"
SHOWN_LINE_LIMIT = 4096  # a message box shows a longer line cut there, ending in an ellipsis
SAVE_FAILED = "Tavrix could not save its settings to {}."
READ_PROBLEM = ("Tavrix could not read the settings file {} ({}). It starts with its default settings and leaves "
                "the file as it is, so changes made now are not saved.")
NOT_REGULAR = "it is not a regular file"
PASSWORD_HINT = "x-kde-passwordManagerHint"
KEY_BUDGET_BOX = "dict.txt holds no words that make a key of exactly {} characters."


class Layout:
    """Client-area positions of the main window's controls, read from its stored layout (wMain.ui)."""

    def __init__(self, ui_file):
        self.rects = {}
        window = ElementTree.parse(ui_file).getroot().find("widget")
        for child in window.findall("widget"):
            self._walk(child, 0, 0)

    def _walk(self, widget, left, top):
        rect = widget.find("property[@name='geometry']/rect")
        if rect is not None:
            left, top = left + int(rect.find("x").text), top + int(rect.find("y").text)
            self.rects[widget.get("name")] = (left, top, int(rect.find("width").text), int(rect.find("height").text))
        for child in widget.findall("widget"):
            self._walk(child, left, top)

    def centre(self, name):
        x, y, width, height = self.rects[name]
        return x + width // 2, y + height // 2

    def check_box(self, name):
        x, y, _, height = self.rects[name]
        return x + 8, y + height // 2  # on the box itself

    def link(self, name, heading):
        # The link labels are centred under their headings when the window is built.
        return self.centre(heading)[0], self.centre(name)[1]


class Suite:
    def __init__(self, args):
        self.tavrix = os.path.abspath(args.tavrix)
        self.source = os.path.abspath(args.source)
        self.layout = Layout(os.path.join(self.source, "ui", "wMain.ui"))
        with open(os.path.join(os.path.dirname(self.tavrix), "dict.txt"), "rb") as file:
            self.shipped_lines = file.read().split(b"\r\n")
        if self.shipped_lines[-1] == b"":
            self.shipped_lines.pop()
        links = open(os.path.join(self.source, "ui", "wMain.cpp")).read()
        self.sites = {name: re.search(rf'k{name}Site = "([^"]+)"', links).group(1) for name in ("Quorlen", "Vasht")}
        self.desktop_type = WaylandDesktop if args.group == "wayland" else Desktop
        self.desktop = None
        self.results = []

    # ---- running -----------------------------------------------------------------------------------------

    def run(self, cases):
        self.desktop = self.desktop_type()
        try:
            for name, case in cases:
                self._run_case(name, case)
        finally:
            self.desktop.close()
        failed = [name for name, ok, _ in self.results if not ok]
        print(f"\n{len(self.results) - len(failed)} passed, {len(failed)} failed")
        return 1 if failed else 0

    def _run_case(self, name, case):
        started = time.monotonic()

        def out_of_time(*_):
            raise CaseFailure(f"the case ran longer than {CASE_TIME_LIMIT} s")

        signal.signal(signal.SIGALRM, out_of_time)
        signal.alarm(CASE_TIME_LIMIT)
        self.programs = []
        try:
            case()
            ok, detail = True, ""
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
        self.results.append((name, ok, detail))

    def program(self, **kwargs):
        program = Program(self.desktop, self.tavrix, **kwargs)
        self.programs.append(program)
        return program

    def click(self, program, point):
        self.desktop.click(program.main_window(), *point)

    def show_page(self, program, button):
        self.click(program, self.layout.centre(button))

    def generate_button(self, program):
        self.click(program, self.layout.centre("tbrMisc_1"))

    def key_field(self, program):
        """The key field's text, read by pressing "Copy to Clipboard"."""
        self.desktop.set_clipboard("<key field not copied yet>")
        self.click(program, self.layout.centre("tbrMisc_2"))
        return self.new_clipboard("<key field not copied yet>", 5, what="the key field on the clipboard")

    def new_clipboard(self, before, timeout=10, what="a new key on the clipboard"):
        """The clipboard's text once it differs from before (the empty text included)."""
        def changed():
            text = self.desktop.clipboard_text()
            return (text,) if text is not None and text != before else None
        return wait_for(changed, timeout, what)[0]

    def settle(self, program):
        """Returns once the program has handled everything sent to it before: a press of "Copy to Clipboard"
        is handled only when no message box is open, and only after the events queued before it. Leaves the
        generate page shown, where that button is."""
        self.show_page(program, "tbrMain_1")
        self.key_field(program)

    def generate(self, program, timeout=10):
        """Presses "Generate New Key" with automatic copying on; returns the key it put on the clipboard."""
        self.desktop.set_clipboard("sentinel")
        self.generate_button(program)
        return self.new_clipboard("sentinel", timeout)

    # ---- key checks --------------------------------------------------------------------------------------

    def word_set(self, lines):
        return {line.lower() for line in lines}

    def check_key(self, key, strength, key_type, method, words=None):
        hex_digits = STRENGTHS[strength][1]
        if key_type == 0:
            check(re.fullmatch(f"[0-9a-f]{{{hex_digits}}}", key),
                  f"{key!r} is not {hex_digits} hexadecimal digits in lower case")
            return
        length = hex_digits // 2
        check_equal(len(key), length, f"length of the ASCII key {key!r}")
        if method == 0:
            check(re.fullmatch("[a-z]+", key), f"{key!r} is not made of the letters a to z")
            return
        words = words if words is not None else self.shipped_words
        parts = key.split("-")
        check(all(part in words for part in parts),
              f"{key!r} holds parts that are no line of dict.txt: {[p for p in parts if p not in words]}")

    @property
    def shipped_words(self):
        if not hasattr(self, "_shipped_words"):
            self._shipped_words = self.word_set(line.decode() for line in self.shipped_lines)
        return self._shipped_words


def settings_text(**values):
    lines = ["[Settings]"] + [f"{key.replace('_', ' ')}={value}" for key, value in values.items()]
    return "\n".join(lines) + "\n"


def startup_settings(strength, key_type, method, copy=1, on_startup=1):
    return settings_text(Generate_On_Startup=on_startup, ASCII_Mode=method, Key_Strength=strength,
                         Key_Type=key_type, Copy_Key_To_Clipboard=copy)


# ================================================================================================================
# Group "window": the program as a person meets it
# ================================================================================================================

def window_cases(suite):
    cases = []
    for strength in (0, 1, 2):
        for key_type, method, what in ((0, 0, "HEX"), (0, 1, "HEX, with the dictionary method stored,"),
                                       (1, 0, "random-letter"), (1, 1, "dictionary")):
            def case(strength=strength, key_type=key_type, method=method):
                suite.desktop.set_clipboard("sentinel")
                program = suite.program(settings=startup_settings(strength, key_type, method)).start()
                key = suite.new_clipboard("sentinel")
                suite.check_key(key, strength, key_type, method)
                check(not program.main_window(), "the key reached the clipboard only after the window was shown")
            cases.append((f"a {STRENGTHS[strength][0]} {what} key made at start-up is copied to the clipboard "
                          "with the right length and alphabet", case))

    def empty_store():
        suite.desktop.set_clipboard("sentinel")
        program = suite.program().start()
        check_equal(program.show_main(), [], "message boxes while loading")
        check_equal(suite.key_field(program), "", "key field after loading an empty store")
        check_equal(program.close_main(), 0, "exit status")
        check_equal(program.settings_bytes(), b"[Settings]\nASCII%20Mode=0\nKey%20Strength=1\nKey%20Type=1\n",
                    "settings file")
    cases.append(("an empty store generates nothing and leaves exactly ASCII Mode, Key Strength and Key Type",
                  empty_store))

    def splash_timing():
        program = suite.program().start()
        wait_for(program.splash, 0.5, "the splash window within 0.5 s of the start")
        time.sleep(max(0.0, program.started + 0.5 - time.monotonic()))
        check(program.splash(), "the splash window is not on screen 0.5 s after the start")
        check(not program.main_window(), "the main window is on screen 0.5 s after the start")
        time.sleep(max(0.0, program.started + 1.0 - time.monotonic()))
        check(not program.main_window(), "the main window is on screen 1 s after the start")
        time.sleep(max(0.0, program.started + 2.5 - time.monotonic()))
        check(program.main_window(), "the main window is not on screen 2.5 s after the start")
        check(not program.splash(), "the splash window is still on screen 2.5 s after the start")
    cases.append(("the splash shows alone at first and gives way to the main window after the timer", splash_timing))

    def generate_button():
        program = suite.program(settings=settings_text(Copy_Key_To_Clipboard=1)).start()
        program.show_main()
        first = suite.generate(program)
        suite.check_key(first, 1, 1, 0)
        second = suite.generate(program)
        suite.check_key(second, 1, 1, 0)
        check(second != first, f"the second key is the first one again: {first!r}")
        check_equal(suite.key_field(program), second, "the key field after the second key")
    cases.append(('"Generate New Key" with automatic copying on puts each new key on the clipboard', generate_button))

    def password_hint():
        program = suite.program(settings=settings_text(Copy_Key_To_Clipboard=1)).start()
        program.show_main()
        key = suite.generate(program)
        targets = suite.desktop.clipboard_targets() or []
        check(PASSWORD_HINT in targets, f"the clipboard offers {targets}, without {PASSWORD_HINT}")
        check_equal(suite.desktop.clipboard_data(PASSWORD_HINT), b"secret", f"the clipboard's {PASSWORD_HINT}")
        check_equal(suite.desktop.clipboard_text(), key, "the clipboard's plain text")
        # "Copy to Clipboard" marks the key the same way.
        check_equal(suite.key_field(program), key, "the key field copied")
        check(PASSWORD_HINT in (suite.desktop.clipboard_targets() or []), "the copied key has no password hint")
    cases.append(("a copied key carries the password-manager hint that keeps it out of clipboard histories",
                  password_hint))

    for box, key in (("chkGenerateOnStartup", "Generate On Startup"),
                     ("chkGenerateOnChange", "Generate On Change"),
                     ("chkAutoClipboard", "Copy Key To Clipboard")):
        def case(box=box, key=key):
            program = suite.program().start()
            program.show_main()
            suite.show_page(program, "tbrMain_2")
            for value in ("1", "0"):
                suite.click(program, suite.layout.check_box(box))
                # Read while the program runs: the value is in the file without any further step.
                wait_for(lambda: (program.settings() or {}).get("Settings", {}).get(key) == value, 2,
                         f'"{key}" = "{value}" in the settings file')
            check(program.running(), "the program ended")
        cases.append((f'clicking "{key}" on the settings page writes it to the file at once, on and off', case))

    def logo_shows_splash():
        program = suite.program().start()
        program.show_main()
        check(not program.splash(), "the splash is still on screen after the main window came up")
        suite.show_page(program, "tbrMain_3")
        suite.click(program, suite.layout.centre("imgLogo"))
        splash = wait_for(program.splash, 2, "the splash window after a click on the logo")
        time.sleep(2.0)  # longer than the start-up timer: this splash has no time limit
        check(program.splash(), "the splash shown from the logo went away by itself")
        check(program.main_window(), "the main window went away while the splash was shown again")
        suite.desktop.click(splash, 61, 175)
        wait_for(lambda: not program.splash(), 2, "the splash to close after a click on it")
        check(program.main_window(), "the main window is not on screen after the splash closed")
    cases.append(("the logo on the about page shows the splash again until it is clicked", logo_shows_splash))

    for label, heading, person in (("labQuorlen", "labProgramming", "Quorlen"), ("labVasht", "Label2", "Vasht")):
        def case(label=label, heading=heading, person=person):
            program = suite.program().start()
            program.show_main()
            window = program.main_window()
            suite.show_page(program, "tbrMain_3")
            suite.click(program, suite.layout.link(label, heading))
            wait_for(lambda: suite.desktop.wm_state(window) == "Iconic", 3, "the main window to be minimised")
            wait_for(program.opener_calls, 3, "the opener to be called")
            time.sleep(0.3)
            check_equal(program.opener_calls(), [[suite.sites[person]]], "calls of the opener")
            check_equal(program.boxes(), [], "message boxes after a successful launch")
        cases.append((f"the {person} credit link minimises the main window and hands its address to the opener",
                      case))

    def no_opener():
        program = suite.program(opener=False).start()
        program.show_main()
        window = program.main_window()
        suite.show_page(program, "tbrMain_3")
        suite.click(program, suite.layout.link("labQuorlen", "labProgramming"))
        box, _ = program.wait_box(5)
        check_equal(suite.desktop.wm_state(window), "Iconic", "state of the main window behind the box")
        check_equal(program.close_box(box), ("ShellExe()", SHELL_FAILURE), "the launcher's message box")
        time.sleep(0.3)
        check_equal(program.boxes(), [], "message boxes after OK")
        check(program.running(), "the program ended after the launch failed")
    cases.append(('with no opener on PATH a credit link gives the "ShellExe()" box', no_opener))

    def closing_ends():
        program = suite.program(settings=settings_text(Key_Type=0)).start()
        program.show_main()
        check_equal(program.close_main(), 0, "exit status after closing the main window")
        check_equal(program.windows(visible_only=False), [], "windows left behind")
        check_equal(program.settings()["Settings"], {"ASCII Mode": "0", "Key Strength": "1", "Key Type": "0"},
                    "settings after closing (closing writes nothing)")
    cases.append(("closing the main window ends the program with status 0", closing_ends))

    def no_display():
        for display, what in ((None, "no DISPLAY"), (":" + str(free_display_number()), "a DISPLAY with no server")):
            env = {"PATH": "/usr/bin:/bin", "HOME": "/tmp"}
            if display:
                env["DISPLAY"] = display
            result = subprocess.run([suite.tavrix], env=env, cwd="/tmp", capture_output=True, timeout=20,
                                    stdin=subprocess.DEVNULL)
            check(result.returncode > 0, f"{what}: exit status {result.returncode} (negative: ended by a signal)")
            check(re.search(rb"display", result.stderr, re.I), f"{what}: the message does not mention the display: "
                  f"{result.stderr!r}")
    cases.append(("started without a usable display it says so and exits with a failure status, not a crash",
                  no_display))
    return cases


def free_display_number():
    for number in range(200, 400):
        if not os.path.exists(f"/tmp/.X11-unix/X{number}") and not os.path.exists(f"/tmp/.X{number}-lock"):
            return number
    raise CaseFailure("no free display number between 200 and 399")


# ================================================================================================================
# Group "dictionary": dict.txt beside a copy of the program, in every bad shape
# ================================================================================================================

def lines_file(lines, ending=b"\r\n"):
    return ending.join(lines) + ending


def dictionary_cases(suite):
    cases = []
    shipped = suite.shipped_lines

    def failing(dictionary, strength, expect, user=None, dict_setup=None, box_timeout=30):
        """Start-up generation of a dictionary key fails: the first failing GetWord shows its box (checked by
        expect(title, text)), no other box follows, the key field is empty and the clipboard keeps what it
        held."""
        suite.desktop.set_clipboard("sentinel")
        program = suite.program(settings=startup_settings(strength, 1, 1), dictionary=dictionary, user=user)
        if dict_setup:
            dict_setup(program)
        program.start()
        box, _ = program.wait_box(box_timeout)
        check_equal(suite.desktop.clipboard_text(), "sentinel", "clipboard while the box is open")
        title, text = program.read_box(box)
        copied = suite.desktop.clipboard_text()
        program.dismiss(box)
        expect(title, text)
        program.show_main()
        check_equal(program.boxes(), [], "message boxes after the first one (the generation should have stopped)")
        check_equal(suite.desktop.clipboard_text(), copied, "clipboard after the failed generation")
        # Handled only once no further box is open: the generation has stopped.
        check_equal(suite.key_field(program), "", "key field after the failed generation")
        check_equal(program.boxes(), [], "message boxes after the first one (the generation should have stopped)")
        check_equal(program.close_main(), 0, "exit status")

    def diagnostic(pattern, **relations):
        def expect(title, text):
            check_equal(title, "GetWord() Error..", "title of the box")
            match = re.fullmatch(pattern, text, re.S)
            check(match, f"the box says {text!r}, which is not of the form {pattern!r}")
            position = int(match.group("lPos"))
            check(0 <= position < 27000, f"lPos {position} is outside 0..26999")
            for name, rule in relations.items():
                check(rule(match), f"{name} does not hold in {text!r}")
        return expect

    def not_found(title, text):
        check_equal((title, text), ("GetWord() Error..", NOT_FOUND), "the box")

    cases.append(("a missing dict.txt gives the could-not-find box once and no key",
                  lambda: failing(b"", 1, not_found, dict_setup=lambda p: os.remove(p.dictionary))))

    def folder_instead(program):
        os.remove(program.dictionary)
        os.mkdir(program.dictionary)
    cases.append(("a folder named dict.txt gives the diagnostic with empty lCount and sBuffer",
                  lambda: failing(b"", 1, diagnostic(r"lPos = (?P<lPos>\d+)\r\nlCount = \r\nsBuffer = \r\n"
                                                     r"lRequiredLength = 0"), dict_setup=folder_instead)))

    def unreadable():
        user = unprivileged_user()
        failing(lines_file(shipped[:27000]), 1,
                diagnostic(r"lPos = (?P<lPos>\d+)\r\nlCount = \r\nsBuffer = \r\nlRequiredLength = 0"), user=user,
                dict_setup=lambda p: os.chmod(p.dictionary, 0o000))
    cases.append(("a dict.txt the user may not read gives the diagnostic with empty lCount and sBuffer", unreadable))

    cases.append(("an empty dict.txt fails at the first word with lCount 0 and an empty sBuffer",
                  lambda: failing(b"", 0, diagnostic(r"lPos = (?P<lPos>\d+)\r\nlCount = 0\r\nsBuffer = \r\n"
                                                     r"lRequiredLength = 5"))))
    cases.append(("a one-line dict.txt fails with lCount 1 and that line in sBuffer",
                  lambda: failing(b"solo\r\n", 0, diagnostic(r"lPos = (?P<lPos>\d+)\r\nlCount = 1\r\n"
                                                             r"sBuffer = solo\r\nlRequiredLength = 5"))))

    letters = "abcdefghijklmnopqrstuvwxyz"
    eight = [f"{a}{b}{c}{d}zzzz".encode() for a in letters for b in letters for c in letters for d in letters][:26999]
    eight.append(b"lastline")  # 27,000 lines, none of them 3 to 6 characters long
    cases.append(("a 27,000-line dict.txt never fails the first pass; a search running off its end reports "
                  "lCount = lPos + 1 and the last line",
                  lambda: failing(lines_file(eight), 0, diagnostic(
                      r"lPos = (?P<lPos>\d+)\r\nlCount = (?P<lCount>\d+)\r\nsBuffer = lastline\r\nlRequiredLength = 5",
                      **{"lCount = lPos + 1": lambda m: int(m.group("lCount")) == int(m.group("lPos")) + 1}))))

    cases.append(("a 10 MB line gives its box promptly, the line cut for display, and the program carries on",
                  lambda: failing(b"a" * (10 * 1024 * 1024), 0, diagnostic(
                      rf"lPos = (?P<lPos>\d+)\r\nlCount = 1\r\nsBuffer = a{{{SHOWN_LINE_LIMIT - 10}}}\u2026\r\n"
                      r"lRequiredLength = 5"))))

    def working(dictionary, strength, words, clicks=3, generation_timeout=10):
        """Keys from this dictionary at start-up and from "Generate New Key" are well formed."""
        suite.desktop.set_clipboard("sentinel")
        program = suite.program(settings=startup_settings(strength, 1, 1), dictionary=dictionary).start()
        key = suite.new_clipboard("sentinel", generation_timeout)
        suite.check_key(key, strength, 1, 1, words)
        program.show_main()
        for _ in range(clicks):
            suite.check_key(suite.generate(program, generation_timeout), strength, 1, 1, words)
        check_equal(program.boxes(), [], "message boxes")
        return program

    def twenty_six_thousand():
        # lPos can be 26,999 here: then the first pass runs out, once in 27,000 draws. Any box must say so.
        lines = shipped[:26999]
        suite.desktop.set_clipboard("sentinel")
        program = suite.program(settings=startup_settings(1, 1, 1), dictionary=lines_file(lines)).start()
        outcome = wait_for(lambda: program.boxes() or suite.desktop.clipboard_text() != "sentinel", 10,
                           "a key or a message box")
        if outcome is not True:
            diagnostic(r"lPos = (?P<lPos>26999)\r\nlCount = 26999\r\nsBuffer = .*\r\nlRequiredLength = \d")(
                *program.read_box(outcome[0][0]))
            return
        suite.check_key(suite.desktop.clipboard_text(), 1, 1, 1, suite.word_set(l.decode() for l in lines))
    cases.append(("a 26,999-line dict.txt gives keys made of its lines", twenty_six_thousand))

    for ending, what in ((b"\n", "LF-only"), (b"\r", "CR-only")):
        cases.append((f"{what} line ends read like CR LF: 256-bit keys are made of whole lines",
                      lambda ending=ending: working(lines_file(shipped[:30000], ending), 2, suite.shipped_words)))

    for kind, what in (("fifo", "a named pipe"), ("zero", "a link to /dev/zero")):
        def special(program, kind=kind):
            os.remove(program.dictionary)
            if kind == "fifo":
                os.mkfifo(program.dictionary)
            else:
                os.symlink("/dev/zero", program.dictionary)

        cases.append((f"{what} as dict.txt is never opened: the cannot-open diagnostic within 5 s, then the window",
                      lambda special=special: failing(
                          b"", 1, diagnostic(r"lPos = (?P<lPos>\d+)\r\nlCount = \r\nsBuffer = \r\nlRequiredLength = 0"),
                          dict_setup=special, box_timeout=5)))

    def mixed():
        # Good words among lines with control characters, letters beyond ASCII, Latin-1 bytes, an emoji and
        # the capital I with a dot (two characters in lower case). The words after the starting lines stay as
        # they are, so that a search for a word of any length finds one whatever line it starts from.
        spoilers = [b"\t", b"\x1b", b"\x00", "\u00e9".encode(), b"\xe9", "\U0001F511".encode(), "\u0130".encode(),
                    b"\x7f"]
        lines = []
        for n, word in enumerate(shipped[:30000]):
            if n % 4 == 0 and n < 27000:
                word = word[:n % len(word)] + spoilers[(n // 4) % len(spoilers)] + word[n % len(word):]
            lines.append(word)
        keys = boxes = 0
        for strength in (0, 1, 2):
            program = suite.program(settings=startup_settings(strength, 1, 1, on_startup=0),
                                    dictionary=lines_file(lines)).start()
            program.show_main()
            length = STRENGTHS[strength][1] // 2
            for _ in range(8):
                suite.desktop.set_clipboard("sentinel")
                suite.generate_button(program)
                outcome = wait_for(lambda: program.boxes() or suite.desktop.clipboard_text() != "sentinel", 10,
                                   "a key or a message box")
                if outcome is True:
                    key = suite.desktop.clipboard_text()
                    check(len(key) == length and all(0x20 <= ord(c) <= 0x7e for c in key),
                          f"{key!r} is not {length} printable ASCII characters")
                    keys += 1
                    continue
                check_equal(suite.desktop.clipboard_text(), "sentinel", "clipboard while the box is open")
                check_equal(program.close_box(outcome[0][0]), ("GenerateKey() Error..", KEY_BUDGET_BOX.format(length)),
                            "the box")
                boxes += 1
            check_equal(program.close_main(), 0, "exit status")
        check(keys >= 12, f"only {keys} of 24 generations gave a key ({boxes} boxes)")
    cases.append(("lines with control characters, non-ASCII letters and \u0130 never reach a key: every key copied "
                  "is printable ASCII of the right length, at every strength", mixed))

    def long_lines():
        def write(path):
            line = b"w" * 7800 + b"\r\n"
            with open(path, "wb") as file:
                for _ in range(27000):
                    file.write(line)
        program = suite.program(settings=startup_settings(1, 1, 1, on_startup=0), dictionary=write).start()
        program.show_main()
        suite.desktop.set_clipboard("sentinel")
        suite.generate_button(program)
        pressed = time.monotonic()
        box, _ = program.wait_box(60)
        elapsed = time.monotonic() - pressed
        check_equal(suite.desktop.clipboard_text(), "sentinel", "clipboard while the box is open")
        check_equal(program.close_box(box), ("GenerateKey() Error..", KEY_BUDGET_BOX.format(13)), "the box")
        # The bound of one generation is a byte budget; 5 s leaves room for a loaded machine.
        check(elapsed < 5, f"the box took {elapsed:.1f} s to appear")
        check_equal(suite.key_field(program), "", "key field after the failed generation")
        check_equal(program.close_main(), 0, "exit status")
    cases.append(("27,000 lines of 7.8 KB give the GenerateKey() box within seconds, not after 1,000 re-reads",
                  long_lines))

    def mixed_case():
        lines = []
        for n, word in enumerate(shipped[:30000]):
            word = word.decode()
            word = word.upper() if n % 3 == 0 else word.capitalize() if n % 3 == 1 else word
            lines.append((word + " " * (n % 3)).encode())
        working(lines_file(lines), 1, {line.decode().lower() for line in lines})
        # A key of lower case only: the trailing spaces stay, the capitals do not.
    cases.append(("words in upper case and with trailing spaces are used lower-cased with their spaces",
                  mixed_case))

    def two_hundred_megabytes():
        def write(path):
            filler = (b"x" * 98 + b"\r\n") * 10000
            with open(path, "wb") as file:
                file.write(lines_file(eight))
                for _ in range(200 * 1024 * 1024 // len(filler)):
                    file.write(filler)
                file.write(b"tail\r\nfinal\r\n")
        program = working(write, 0, {"final"}, clicks=1, generation_timeout=60)
        # Ask for another key and close the window straight away: the program finishes and ends.
        suite.generate_button(program)
        check_equal(program.close_main(timeout=60), 0, "exit status")
    cases.append(("a 200 MB dict.txt still gives keys and the window still closes", two_hundred_megabytes))
    return cases


def unprivileged_user():
    if os.geteuid() != 0:
        return None  # already an ordinary user
    for name in ("nobody", "daemon"):
        try:
            pwd.getpwnam(name)
            return name
        except KeyError:
            pass
    raise CaseFailure("no unprivileged user to run as")


# ================================================================================================================
# Group "settings": hand-edited, broken and vanishing settings files
# ================================================================================================================

USER_EXTRAS_BEFORE = "[General]\nTheme=dark\n\n"
USER_EXTRAS_AFTER = "Window Left=100\n\n[Elsewhere]\ncolour=blue\n"


def settings_cases(suite):
    cases = []
    defaults = {"ASCII Mode": "0", "Key Strength": "1", "Key Type": "1"}

    rows = [
        # (name, stored lines of [Settings], warnings as (key, stored text, default), program keys afterwards)
        ("a strength of \" 2\" selects 256-BIT and is rewritten as 2", 'Key Strength=" 2"', [],
         {"Key Strength": "2"}),
        ("a key type of letters only reads as HEX and is rewritten as 0", "Key Type=abc", [], {"Key Type": "0"}),
        ("a strength of 1.5 rounds to 256-BIT", "Key Strength=1.5", [], {"Key Strength": "2"}),
        ("a strength of 2.5 rounds half to even, to 256-BIT", "Key Strength=2.5", [], {"Key Strength": "2"}),
        ("a strength of -1 selects nothing and the stored text stays", "Key Strength=-1", [], {"Key Strength": "-1"}),
        ("a comma stops the number: 1,5 reads as 1", "Key Strength=1,5", [], {"Key Strength": "1"}),
        ("hexadecimal and octal prefixes are read", "Key Strength=&H2\nKey Type=&O0", [],
         {"Key Strength": "2", "Key Type": "0"}),
        ("an exponent and a plus sign are read", "Key Strength=2e0\nKey Type=+0", [],
         {"Key Strength": "2", "Key Type": "0"}),
        ("ticked boxes are written back as 1", "Copy Key To Clipboard=1\nGenerate On Change=1", [],
         {"Copy Key To Clipboard": "1", "Generate On Change": "1"}),
        ("a start-up box of 2 is the third state, written back as 2, and makes no key",
         "Generate On Startup=2\nCopy Key To Clipboard=1", [],
         {"Generate On Startup": "2", "Copy Key To Clipboard": "1"}),
        ("a strength of 7 warns and falls back to 1", "Key Strength=7", [("Key Strength", "7", "1")],
         {"Key Strength": "1"}),
        ("an ASCII mode of 2 warns and falls back to 0", "ASCII Mode=2", [("ASCII Mode", "2", "0")], {}),
        ("a generate-on-change box of 3 warns and falls back to 0", "Generate On Change=3",
         [("Generate On Change", "3", "0")], {"Generate On Change": "0"}),
        ("a copy box of -1 warns and falls back to 0", "Copy Key To Clipboard=-1",
         [("Copy Key To Clipboard", "-1", "0")], {"Copy Key To Clipboard": "0"}),
        ("a key type beyond the 16-bit range warns and falls back to 1", "Key Type=99999999999999999999",
         [("Key Type", "99999999999999999999", "1")], {}),
        ("a strength of 32767.5 overflows, warns and falls back to 1", "Key Strength=32767.5",
         [("Key Strength", "32767.5", "1")], {}),
        ("several unusable values warn one by one in the order they are read",
         "Key Type=2\nGenerate On Startup=5\nKey Strength=-2",
         [("Generate On Startup", "5", "0"), ("Key Strength", "-2", "1"), ("Key Type", "2", "1")],
         {"Generate On Startup": "0"}),
    ]
    for name, stored, warnings, written in rows:
        def case(stored=stored, warnings=warnings, written=written):
            suite.desktop.set_clipboard("sentinel")
            program = suite.program(
                settings=USER_EXTRAS_BEFORE + "[Settings]\n" + stored + "\n" + USER_EXTRAS_AFTER).start()
            seen = program.show_main()
            check_equal(seen, [("Tavrix", UNUSABLE.format(*w)) for w in warnings], "message boxes while loading")
            # Reading a box copies it; nothing else may have touched the clipboard.
            check_equal(suite.desktop.clipboard_text(), program.last_copied or "sentinel",
                        "clipboard (no key is made at start-up)")
            check_equal(program.close_main(), 0, "exit status")
            check_equal(program.settings(), {"General": {"Theme": "dark"}, "Elsewhere": {"colour": "blue"},
                                             "Settings": dict(defaults, **written, **{"Window Left": "100"})},
                        "settings file afterwards")
        cases.append((f"hand-edited: {name}; everything else in the file stays", case))

    for what, contents in (("a text file that is no settings file", b"my notes\nnothing here is a setting\n"),
                           ("binary garbage", bytes((n * 151 + 7) % 256 for n in range(4096)).replace(b"=", b"+"))):
        def case(contents=contents):
            program = suite.program(settings=contents).start()
            aside = program.settings_file + ".unreadable"
            seen = program.show_main()
            check_equal(seen, [("Tavrix", f"Tavrix could not read the settings file {program.settings_file}. It was "
                                          f"moved to {aside}, unchanged, and a new settings file was started.")],
                        "message boxes while loading")
            check_equal(program.close_main(), 0, "exit status")
            with open(aside, "rb") as file:
                check_equal(file.read(), contents, "the file moved aside")
            check_equal(program.settings(), {"Settings": defaults}, "the new settings file")
        cases.append((f"{what} as the settings file is moved aside whole and a new one started", case))

    def folder_for_file():
        program = suite.program()
        os.mkdir(program.settings_file)
        with open(os.path.join(program.settings_file, "keep.txt"), "w") as file:
            file.write("mine")
        program.start()
        seen = program.show_main()
        check_equal(seen, [("Tavrix", READ_PROBLEM.format(program.settings_file, NOT_REGULAR))],
                    "message boxes while loading")
        suite.show_page(program, "tbrMain_2")
        suite.click(program, suite.layout.check_box("chkAutoClipboard"))
        suite.show_page(program, "tbrMain_1")
        suite.check_key(suite.generate(program), 1, 1, 0)
        check_equal(program.boxes(), [], "message boxes after more writes (the warning comes once)")
        check_equal(os.listdir(program.settings_file), ["keep.txt"], "the folder's contents")
        check_equal(program.close_main(), 0, "exit status")
    cases.append(("a folder where the settings file should be: one warning, the program keeps working",
                  folder_for_file))

    def read_only_folder():
        user = unprivileged_user()
        before = b"[Settings]\nKey%20Strength=2\n"
        program = suite.program(settings=before, user=user)
        os.chmod(program.settings_folder, 0o555)
        program.start()
        seen = program.show_main()
        check_equal(seen, [("Tavrix", f"Tavrix could not save its settings to {program.settings_file}.")],
                    "message boxes while loading")
        suite.show_page(program, "tbrMain_2")
        suite.click(program, suite.layout.check_box("chkAutoClipboard"))
        suite.show_page(program, "tbrMain_1")
        suite.check_key(suite.generate(program), 2, 1, 0)  # the stored 256-BIT was still read
        check_equal(program.boxes(), [], "message boxes after more writes (the warning comes once)")
        check_equal(program.close_main(), 0, "exit status")
        check_equal(program.settings_bytes(), before, "the settings file")
    cases.append(("a read-only settings folder: one warning, the stored values still used, the file untouched",
                  read_only_folder))

    def special_file(kind):
        program = suite.program()
        path = program.settings_file
        if kind == "fifo":
            os.mkfifo(path)
            target = None
        else:
            # Root links to a device node of its own, so that a program writing through the link could not
            # replace /dev/zero itself; for anyone else /dev/zero is safe.
            target = "/dev/zero"
            if os.geteuid() == 0:
                target = os.path.join(program.root, "zero-device")
                os.mknod(target, 0o666 | stat.S_IFCHR, os.makedev(1, 5))
            os.symlink(target, path)
        program.start()
        seen = program.show_main(timeout=5)
        check_equal(seen, [("Tavrix", READ_PROBLEM.format(path, NOT_REGULAR))], "message boxes while loading")
        suite.show_page(program, "tbrMain_2")
        suite.click(program, suite.layout.check_box("chkAutoClipboard"))
        suite.show_page(program, "tbrMain_1")
        suite.check_key(suite.generate(program), 1, 1, 0)
        check_equal(program.boxes(), [], "message boxes after more writes (the warning comes once)")
        check_equal(program.close_main(), 0, "exit status")
        if kind == "fifo":
            check(stat.S_ISFIFO(os.lstat(path).st_mode), "the named pipe was replaced")
        else:
            check_equal(os.readlink(path), target, "the link")
            check(stat.S_ISCHR(os.stat(target).st_mode), f"{target} is no longer a device")
        check_equal(sorted(os.listdir(program.settings_folder)), ["Tavrix.conf"], "the settings folder")

    for kind, what in (("fifo", "a named pipe"), ("zero", "a link to a device like /dev/zero")):
        cases.append((f"{what} as the settings file: the window within 5 s, one warning naming it, the file left alone",
                      lambda kind=kind: special_file(kind)))

    def unreadable_file():
        user = unprivileged_user()
        before = b"[Settings]\nKey%20Strength=2\nCopy%20Key%20To%20Clipboard=1\n"
        program = suite.program(settings=before, user=user)
        os.chmod(program.settings_file, 0o000)
        program.start()
        seen = program.show_main()
        check_equal(seen, [("Tavrix", READ_PROBLEM.format(program.settings_file, "Permission denied"))],
                    "message boxes while loading")
        suite.show_page(program, "tbrMain_2")
        suite.click(program, suite.layout.check_box("chkAutoClipboard"))
        suite.show_page(program, "tbrMain_1")
        suite.check_key(suite.generate(program), 1, 1, 0)  # the defaults: nothing stored was read
        check_equal(program.boxes(), [], "message boxes after more writes (the warning comes once)")
        check_equal(program.close_main(), 0, "exit status")
        check_equal(program.settings_bytes(), before, "the settings file")
        check_equal(stat.S_IMODE(os.stat(program.settings_file).st_mode), 0, "the settings file's permissions")
    cases.append(("a settings file the user may not read: one warning naming it, defaults used, the file untouched",
                  unreadable_file))

    for free_pages in (1, 2):
        def full_disk(free_pages=free_pages):
            before = (USER_EXTRAS_BEFORE + "[Settings]\nKey Strength=\" 2\"\nCopy Key To Clipboard=1\n" +
                      USER_EXTRAS_AFTER + "".join(f"[Group{g}]\n" + "".join(f"key{k}=value {g}.{k} of the user\n"
                                                                           for k in range(20)) + "\n"
                                                   for g in range(20))).encode()
            if os.geteuid() == 0:
                # A 64 KiB file system with free_pages pages left once the file is in.
                program = suite.program()
                program.mount_tmpfs(program.settings_folder, 64 * 1024)
                with open(program.settings_file, "wb") as file:
                    file.write(before)
                fill_file_system(program.settings_folder, free_pages)
            else:
                # A file size limit just above the lock file.
                program = suite.program(settings=before, limits={"fsize": 512 * free_pages})
            program.start()
            seen = program.show_main()
            check_equal(seen, [("Tavrix", SAVE_FAILED.format(program.settings_file))], "message boxes while loading")
            suite.check_key(suite.generate(program), 2, 1, 0)  # the stored " 2" was read: 256-BIT
            suite.show_page(program, "tbrMain_2")
            suite.click(program, suite.layout.check_box("chkGenerateOnStartup"))
            suite.show_page(program, "tbrMain_1")
            suite.settle(program)
            check_equal(program.boxes(), [], "message boxes after more writes (the warning comes once)")
            check_equal(program.close_main(), 0, "exit status")
            check_equal(program.settings_bytes(), before, "the settings file")
            leftovers = [n for n in os.listdir(program.settings_folder) if n != "Tavrix.conf" and
                         not n.startswith("filler")]
            check_equal(leftovers, [], "files left in the settings folder")
        cases.append((f"a full disk ({free_pages} free block{'s' if free_pages > 1 else ''}): the settings file "
                      "stays byte for byte and one warning says so", full_disk))

    def deleted_while_running():
        program = suite.program(settings=settings_text(Key_Type=0) + USER_EXTRAS_AFTER).start()
        check_equal(program.show_main(), [], "message boxes while loading")
        os.remove(program.settings_file)
        suite.show_page(program, "tbrMain_2")
        suite.click(program, suite.layout.check_box("chkGenerateOnStartup"))
        wait_for(program.settings_bytes, 2, "the settings file to be written again")
        suite.settle(program)
        check_equal(program.boxes(), [], "message boxes")
        check_equal(program.close_main(), 0, "exit status")
        check_equal(program.settings(), {"Settings": {"Generate On Startup": "1"}}, "the settings file")
    cases.append(("a settings file deleted while the program runs is written anew with the next change",
                  deleted_while_running))

    def killed_after_click():
        program = suite.program().start()
        program.show_main()
        suite.show_page(program, "tbrMain_2")
        suite.click(program, suite.layout.check_box("chkGenerateOnStartup"))
        wait_for(lambda: b"Generate%20On%20Startup=1" in (program.settings_bytes() or b""), 2,
                 "the click to reach the file", interval=0.001)
        os.killpg(program.process.pid, signal.SIGKILL)
        program.process.wait(timeout=10)
        check_equal(program.settings(), {"Settings": dict(defaults, **{"Generate On Startup": "1"})},
                    "the settings file after kill -9")
        # The next run takes it up: a key is made at start-up, and nothing is reported.
        again = suite.program()
        again.config_home, again.env["XDG_CONFIG_HOME"] = program.config_home, program.config_home
        again.start()
        check_equal(again.show_main(), [], "message boxes on the next start")
        suite.check_key(suite.key_field(again), 1, 1, 0)
    cases.append(("killed with -9 right after a settings click, the file is whole and holds the new value",
                  killed_after_click))
    return cases


# ================================================================================================================
# Group "keyboard": the main window from the keyboard alone, real key presses on a real desktop
# ================================================================================================================

def running_openers(program):
    """Process ids of the program's stand-in opener that are still alive (not zombies)."""
    script = os.path.join(program.root, "opener", "xdg-open").encode()
    alive = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/cmdline", "rb") as file:
                command = file.read().split(b"\0")
            with open(f"/proc/{entry}/stat") as file:
                stat = file.read()
        except OSError:
            continue
        if script in command and stat[stat.rindex(")") + 2] != "Z":
            alive.append(int(entry))
    return alive


def fresh_window(program):
    """The main window as the program first shows it, the splash gone by its own timer, no mouse used."""
    window = wait_for(program.main_window, 15, "the main window to come up by itself")
    wait_for(lambda: not program.splash(), 5, "the splash to go")
    return window


def close_by_keyboard(program):
    """Alt+F4 to the main window, whatever state it is in, and the exit status. The window manager's close
    reaches the program after every key pressed before it, so what the keys did is done when it ends."""
    window = program.main_window_any_state()
    check(window is not None, "the main window is gone")
    # Escape first, for a list that the keys may have opened. An open list holds the keyboard until it has
    # closed, and an Alt+F4 pressed before then never reaches the window manager.
    program.desktop.keys(window, "Escape")
    wait_for(lambda: not any(program.desktop.override_redirect(w) for w in program.windows()), 5,
             "the program's pop-ups to close")
    program.desktop.keys(window, "alt+F4")
    return program.wait_exit(10)


def check_nothing_happened(program, settings_before):
    """After the program has ended: no site was opened and no setting changed."""
    check_equal(program.opener_calls(), [], "calls of the opener")
    # An opener started just before the end may not have written its call yet; then it is still running.
    check_equal(running_openers(program), [], "openers still running")
    check_equal(program.settings_bytes(), settings_before, "the settings file")


def keyboard_cases(suite):
    cases = []

    def keys_on_fresh_window(*keys):
        program = suite.program().start()
        window = fresh_window(program)
        before = program.settings_bytes()
        suite.desktop.keys(window, *keys)
        check_equal(suite.desktop.wm_state(window), "Normal", "state of the main window after the keys")
        check_equal(close_by_keyboard(program), 0, "exit status")
        check_nothing_happened(program, before)

    cases.append(("Return on a freshly shown window opens nothing and changes no setting",
                  lambda: keys_on_fresh_window("Return")))
    cases.append(("Space on a freshly shown window opens nothing and changes no setting",
                  lambda: keys_on_fresh_window("space")))
    # The generate page has six stops (page buttons, key field, action buttons, two lists, the method), so
    # seven presses go once round and on.
    for tabs in range(1, 8):
        cases.append((f"Tab x{tabs} then Space on a freshly shown window opens nothing and changes no setting",
                      lambda tabs=tabs: keys_on_fresh_window(*(["Tab"] * tabs + ["space"]))))

    def keyboard_alone():
        suite.desktop.set_clipboard("sentinel")
        program = suite.program(settings=settings_text(Copy_Key_To_Clipboard=1)).start()
        window = fresh_window(program)
        # Generate page: page buttons, key field, then the action buttons; Return presses "Generate New Key".
        suite.desktop.keys(window, "Tab", "Tab", "Return")
        suite.check_key(suite.new_clipboard("sentinel"), 1, 1, 0)
        # Back to the page buttons, along to "Settings", show it, into the page, tick the first box.
        suite.desktop.keys(window, "shift+Tab", "shift+Tab", "Right", "space", "Tab", "space")
        wait_for(lambda: (program.settings() or {}).get("Settings", {}).get("Generate On Startup") == "1", 5,
                 '"Generate On Startup" = "1" in the settings file')
        # Back to the page buttons, along to "About", show it; the logo, then the implementer's name.
        suite.desktop.keys(window, "shift+Tab", "Right", "Return", "Tab", "Tab", "Return")
        wait_for(lambda: suite.desktop.wm_state(window) == "Iconic", 5, "the main window to be minimised")
        wait_for(program.opener_calls, 5, "the opener to be called")
        check_equal(program.opener_calls(), [[suite.sites["Vasht"]]], "calls of the opener")
        check_equal(program.settings()["Settings"].get("Generate On Startup"), "1", "the ticked box")
        check_equal(program.boxes(), [], "message boxes")
    cases.append(("the keyboard alone makes a key, reaches the settings page and ticks a box (saved), and opens a "
                  "credit link from the about page", keyboard_alone))
    return cases


# ================================================================================================================
# Group "opener": a credit link whose opener takes its time
# ================================================================================================================

def slow_opener(program, seconds):
    """Replaces the program's stand-in xdg-open by one that notes its pid and arguments, then sleeps."""
    script = os.path.join(program.root, "opener", "xdg-open")
    with open(script, "w") as file:
        file.write("#!/bin/sh\n"
                   f"{{ echo $$; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; printf -- '--\\n'; }} "
                   f">> '{program.opener_log}'\n"
                   f"exec sleep {seconds}\n")
    os.chmod(script, 0o755)


def process_alive(pid):
    try:
        with open(f"/proc/{pid}/stat") as file:
            stat = file.read()
    except OSError:
        return False
    return stat[stat.rindex(")") + 2] != "Z"


def opener_cases(suite):
    cases = []

    def slow_link():
        suite.desktop.set_clipboard("sentinel")
        program = suite.program(settings=startup_settings(1, 1, 0))
        slow_opener(program, 30)
        program.start()
        key = suite.new_clipboard("sentinel")
        window = fresh_window(program)
        opener = None
        try:
            suite.show_page(program, "tbrMain_3")
            where = suite.desktop.origin(window)
            suite.click(program, suite.layout.link("labQuorlen", "labProgramming"))
            wait_for(lambda: suite.desktop.wm_state(window) == "Iconic", 5, "the main window to be minimised")
            calls = wait_for(program.opener_calls, 5, "the opener to start")
            opener = int(calls[0][0])
            check_equal(calls[0][1:], [suite.sites["Quorlen"]], "arguments of the opener")
            # The program still answers for the clipboard it holds, at once.
            started = time.monotonic()
            try:
                answer = subprocess.run(["xclip", "-o", "-selection", "clipboard"], env=suite.desktop.env,
                                        capture_output=True, timeout=1).stdout.decode()
            except subprocess.TimeoutExpired:
                raise CaseFailure("the program did not answer for the clipboard within 1 s of the link click")
            check_equal(answer, key, f"the clipboard, answered in {time.monotonic() - started:.2f} s")
            # And its window still works, brought back as a task bar would.
            suite.desktop.run("xdotool", "windowmap", "--sync", str(window))
            suite.desktop.activate(window)
            wait_for(lambda: suite.desktop.wm_state(window) == "Normal", 5, "the main window to be restored")
            # The window manager slides a restored window back from where its icon was: a click lands only once
            # the window is in place again.
            wait_for(lambda: suite.desktop.origin(window) == where, 5, "the restored window back in its place")
            suite.show_page(program, "tbrMain_1")
            suite.check_key(suite.generate(program), 1, 1, 0)
            check(process_alive(opener), "the opener ended before its time")
            check_equal(program.boxes(), [], "message boxes")
            # Quitting leaves the opener to finish its work.
            check_equal(program.close_main(), 0, "exit status")
            check(process_alive(opener), "quitting the program ended the opener")
            check("Destroyed while process" not in program.error_output(),
                  f"the program says: {program.error_output()!r}")
        finally:
            if opener is not None and process_alive(opener):
                os.kill(opener, signal.SIGKILL)
    cases.append(("a credit link whose opener runs 30 s leaves the window responsive, and quitting leaves the "
                  "opener running", slow_link))
    return cases


# ================================================================================================================
# Group "splash": the splash before the main window loads, and a double-click on it
# ================================================================================================================

def splash_cases(suite):
    from xwd import window_picture  # noqa: E402

    cases = []

    def painted_before_load():
        # The program runs under gdb and is held at the first line of the main window's load step for as long
        # as this case looks: what the splash shows then was drawn before the load began, and nothing can be
        # drawn later until the program goes on.
        suite.desktop.set_clipboard("sentinel")
        program = suite.program(settings=startup_settings(0, 1, 1))
        program.start_stopped_at("tavrix::wMain::Form_Load")
        splash = wait_for(program.splash, 10, "the splash window while the load step is held")
        pictures = []

        def painted():
            pictures.append(window_picture(suite.desktop.env, splash))
            return len(pictures[-1].colours()) > 32
        try:
            wait_for(painted, 10, "the splash to show its picture while the load step is held", interval=0.1)
        except CaseFailure:
            pictures[-1].save_png(os.path.join(os.environ.get("TMPDIR", "/tmp"), "tavrix-blank-splash.png"))
            raise
        check(not program.main_window(), "the main window is on screen before its load step")
        check_equal(suite.desktop.clipboard_text(), "sentinel", "clipboard before the load step")
        program.resume()
        suite.check_key(suite.new_clipboard("sentinel", 20), 0, 1, 1)
        wait_for(program.main_window, 10, "the main window after the load")
    cases.append(("the splash shows its picture before the load step starts", painted_before_load))

    def double_click_on_shown_splash():
        program = suite.program().start()
        window = fresh_window(program)
        suite.show_page(program, "tbrMain_3")
        # The splash shown again lies over the middle of the screen, where the main window's credits are.
        suite.click(program, suite.layout.centre("imgLogo"))
        splash = wait_for(program.splash, 5, "the splash after a click on the logo")
        origin = suite.desktop.origin
        x, y = suite.layout.link("labQuorlen", "labProgramming")
        x, y = origin(window)[0] + x, origin(window)[1] + y
        left, top = origin(splash)
        check(left <= x < left + 122 and top <= y < top + 350, "the programmer's name does not lie under the splash")
        suite.desktop.run("xdotool", "mousemove", str(x), str(y), "click", "1")
        clicked = time.monotonic()
        wait_for(lambda: not program.splash(), 2, "the splash to close after the first click")
        # The second click of a slow double-click: the pointer has not moved, but the pause is longer than the
        # desktop's double-click time (400 ms), so the program sees a click of its own.
        time.sleep(max(0.0, clicked + 0.6 - time.monotonic()))
        suite.desktop.run("xdotool", "click", "1")
        check_equal(close_by_keyboard(program), 0, "exit status")
        check_equal(program.opener_calls(), [], "calls of the opener")
    cases.append(("the second click of a slow double-click that closes the splash shown again opens no credit link",
                  double_click_on_shown_splash))
    return cases


# ================================================================================================================
# Group "wayland": the program on a Wayland compositor (headless sway), its clipboard read with wl-clipboard
# ================================================================================================================

def wayland_cases(suite):
    cases = []

    def start(settings):
        program = suite.program(settings=settings, user=suite.desktop.user).start()
        wait_for(lambda: suite.desktop.focused_window(program.pid, "Tavrix v1.01"), 15,
                 "the main window with the keyboard focus")
        return program

    def watch_from(text):
        """Puts text on the clipboard and returns a watch of the selections that follow it."""
        suite.desktop.set_clipboard(text)
        watch = suite.desktop.watch_clipboard()
        watch.until(lambda seen: seen == text, 5, "the watch to report the clipboard as it is")
        return watch

    def copy_button():
        # On the freshly shown generate page: past the page buttons and the key field to the action buttons,
        # along to the second, and press it.
        suite.desktop.keys("Tab", "Tab", "Right", "space")

    def sway_said():
        return "\n      ".join(["sway said:"] + suite.desktop.log_lines("selection")[-5:])

    def startup_key():
        watch = watch_from("sentinel")
        try:
            program = start(startup_settings(1, 0, 0))
            # The user's first input in the window: a key that does nothing there. The key made at start-up
            # reaches the clipboard by then at the latest, and nothing else does before it.
            suite.desktop.keys("Shift_L")
            try:
                key = watch.until(lambda seen: seen != "sentinel", 10, "a new selection after the first key press")
            except CaseFailure as failure:
                raise CaseFailure(f"{failure}\n      {sway_said()}")
            suite.check_key(key, 1, 0, 0)
            # It is the key the window shows: "Copy to Clipboard" puts the same again.
            watch.close()
            watch = watch_from("sentinel 2")
            copy_button()
            check_equal(watch.until(lambda seen: seen != "sentinel 2", 10, "the key field on the clipboard"), key,
                        "the key the window shows")
            check(program.running(), "the program ended")
        finally:
            watch.close()
    cases.append(("a key made at start-up reaches the Wayland clipboard by the user's first key press, and is the "
                  "key the window shows", startup_key))

    def copy_button_with_hint():
        start(startup_settings(1, 0, 0, copy=0))
        watch = watch_from("sentinel")
        try:
            copy_button()
            key = watch.until(lambda seen: seen != "sentinel", 10, "a new selection after the press")
            suite.check_key(key, 1, 0, 0)
            types = suite.desktop.clipboard_types() or []
            check(PASSWORD_HINT in types, f"the clipboard offers {types}, without {PASSWORD_HINT}")
            check_equal(suite.desktop.clipboard_data(PASSWORD_HINT), "secret", f"the clipboard's {PASSWORD_HINT}")
        finally:
            watch.close()
    cases.append(('"Copy to Clipboard" puts the key on the Wayland clipboard with the password-manager hint',
                  copy_button_with_hint))
    return cases


def fill_file_system(folder, free_pages):
    """Fills the file system at folder with 4 KiB files until it is full, then removes free_pages of them."""
    fillers = []
    while True:
        name = os.path.join(folder, f"filler{len(fillers)}")
        try:
            with open(name, "wb") as file:
                file.write(b"\0" * 4096)
        except OSError as error:
            check(error.errno == errno.ENOSPC, f"filling {folder}: {error}")
            os.remove(name)
            break
        fillers.append(name)
    check(len(fillers) >= free_pages, f"{folder} had no room to fill")
    for name in fillers[-free_pages:]:
        os.remove(name)


GROUPS = {"window": window_cases, "dictionary": dictionary_cases, "settings": settings_cases,
          "keyboard": keyboard_cases, "opener": opener_cases, "splash": splash_cases, "wayland": wayland_cases}


if __name__ == "__main__":
    sys.exit(run_groups(__doc__, GROUPS, Suite))
