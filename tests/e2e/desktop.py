# SPDX-FileCopyrightText: The Tavrix developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""A throw-away X desktop for driving the real tavrix program: Xvfb on a free display, a window manager,
and the X tools (xdotool, xprop, xwininfo, xclip) a person's actions are played through.

Every process started here dies with the driver (PR_SET_PDEATHSIG), so a driver killed by a time-out
leaves nothing running; the normal way out is Desktop.close() and Program.stop(), called from finally.
"""

import argparse
import ctypes
import json
import os
import pwd
import re
import resource as resource_module
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

_LIBC = ctypes.CDLL(None, use_errno=True)
_PR_SET_PDEATHSIG = 1
_TMP = "/tmp"  # a folder every user can reach, whatever TMPDIR says

SEPARATOR = "---------------------------\n"


class CaseFailure(Exception):
    """A check of a case did not hold."""


def check(condition, message):
    if not condition:
        raise CaseFailure(message)


def check_equal(actual, expected, what):
    if actual != expected:
        raise CaseFailure(f"{what}: expected {expected!r}, got {actual!r}")


def wait_for(probe, timeout, what, interval=0.03):
    """Calls probe until it returns something truthy, and returns that; fails after timeout seconds."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise CaseFailure(f"gave up after {timeout} s waiting for {what}")
        time.sleep(interval)


def _reported_line(read_end, who, what, seconds=10):
    """The line a server started here writes to the pipe read_end once it is ready (Xvfb its display number,
    dbus-daemon its address), without the line end."""
    text = b""
    deadline = time.monotonic() + seconds
    while not text.endswith(b"\n"):
        ready, _, _ = select.select([read_end], [], [], max(0.0, deadline - time.monotonic()))
        check(ready, f"{who} did not report {what} within {seconds} s")
        chunk = os.read(read_end, 256)
        check(chunk, f"{who} ended before it reported {what}")
        text += chunk
    return text.decode().strip()


def _start_server(arguments, who, what, prepare=None, log=None, ids=None, **popen):
    """Starts a server that writes one line to a file descriptor once it is ready; arguments holds "{fd}"
    where that descriptor's number goes, and prepare(fd), when given, is called with that number before the
    start (to write it into a configuration file). The server's output goes to the file log, else nowhere;
    it runs as the user and group ids, else as this user. Returns the process and the line (see
    _reported_line)."""
    read_end, write_end = os.pipe()
    try:
        if prepare:
            prepare(write_end)
        output = open(log, "wb") if log else subprocess.DEVNULL
        process = subprocess.Popen([a.replace("{fd}", str(write_end)) for a in arguments], pass_fds=(write_end,),
                                   stdout=output, stderr=output, preexec_fn=_child_setup(ids, None), **popen)
        if log:
            output.close()
        os.close(write_end)
        write_end = None
        try:
            return process, _reported_line(read_end, who, what)
        except CaseFailure:
            process.kill()
            process.wait(timeout=10)
            raise
    finally:
        os.close(read_end)
        if write_end is not None:
            os.close(write_end)


def _die_with_driver():
    _LIBC.prctl(_PR_SET_PDEATHSIG, signal.SIGKILL)


def _child_setup(ids, limits):
    """What a program's process does before it runs: resource limits (a file size limit comes with SIGXFSZ
    ignored, so a write past it fails with EFBIG), then the change of user."""
    def enter():
        for resource, value in (limits or {}).items():
            resource_id = {"fsize": resource_module.RLIMIT_FSIZE}[resource]
            resource_module.setrlimit(resource_id, (value, resource_module.getrlimit(resource_id)[1]))
            if resource == "fsize":
                signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        if ids is not None:
            os.setgroups([])
            os.setgid(ids[1])
            os.setuid(ids[0])
        # Changing the user clears the parent-death signal; set it (again) as that user.
        _die_with_driver()

    return enter


class _XClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class _XEvent(ctypes.Union):
    _fields_ = [("client", _XClientMessage), ("pad", ctypes.c_long * 24)]


class _Xlib:
    """The few Xlib calls the X tools here do not offer, made through ctypes (libX11 comes with the X
    tools): sending a client message straight to a window."""

    _CLIENT_MESSAGE = 33
    _NO_EVENT_MASK = 0

    def __init__(self, display):
        self.lib = ctypes.CDLL("libX11.so.6")
        self.lib.XOpenDisplay.restype = ctypes.c_void_p
        self.lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.lib.XInternAtom.restype = ctypes.c_ulong
        self.lib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        self.lib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                        ctypes.POINTER(_XEvent)]
        self.lib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.lib.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.display = self.lib.XOpenDisplay(display.encode())
        check(self.display, f"cannot open the X display {display}")

    def close(self):
        if self.display:
            self.lib.XCloseDisplay(self.display)
            self.display = None

    def send_delete_window(self, window):
        """Sends WM_DELETE_WINDOW to the window itself, as a window manager does when the user closes it, and
        returns once the X server has taken the request (XSync), so it is in the program's event queue."""
        event = _XEvent()
        event.client.type = self._CLIENT_MESSAGE
        event.client.window = window
        event.client.message_type = self.lib.XInternAtom(self.display, b"WM_PROTOCOLS", 0)
        event.client.format = 32
        event.client.data[0] = self.lib.XInternAtom(self.display, b"WM_DELETE_WINDOW", 0)
        event.client.data[1] = 0  # CurrentTime
        status = self.lib.XSendEvent(self.display, window, 0, self._NO_EVENT_MASK, ctypes.byref(event))
        self.lib.XSync(self.display, 0)
        check(status != 0, f"the X server refused the close request for window {window}")


class _Session:
    """What a desktop holds: the processes started for it, and the one that holds the text we put on its
    clipboard."""

    def __init__(self):
        self.processes = []
        self._clipboard_owner = None

    def _end_processes(self):
        """Ends the clipboard's holder, then every process of the desktop, the last started first."""
        self._stop_clipboard_owner()
        for process in reversed(self.processes):
            if process.poll() is None:
                process.kill()
            process.wait(timeout=10)
        self.processes.clear()

    def _stop_clipboard_owner(self):
        if self._clipboard_owner is not None:
            if self._clipboard_owner.poll() is None:
                self._clipboard_owner.kill()
            self._clipboard_owner.wait(timeout=10)
            self._clipboard_owner = None


class Desktop(_Session):
    """Xvfb plus openbox on a display number Xvfb picks itself (-displayfd tries them until one is free)."""

    def __init__(self):
        super().__init__()
        self.display = None
        xvfb, number = _start_server(["Xvfb", "-displayfd", "{fd}", "-screen", "0", "1024x768x24", "-nolisten",
                                      "tcp", "-noreset"], "Xvfb", "a display number")
        self.processes.append(xvfb)
        self.display = ":" + number
        self.env = {"DISPLAY": self.display, "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
                    "HOME": os.environ.get("HOME", "/root")}
        self._start_session_bus()
        self._config = tempfile.mkdtemp(prefix="tavrix-e2e-wm-")
        wm_env = dict(self.env, XDG_CONFIG_HOME=self._config, XDG_CACHE_HOME=self._config)
        self.processes.append(subprocess.Popen(["openbox", "--sm-disable"], env=wm_env, stdout=subprocess.DEVNULL,
                                               stderr=subprocess.DEVNULL, preexec_fn=_die_with_driver))
        wait_for(lambda: "window id" in self.run("xprop", "-root", "_NET_SUPPORTING_WM_CHECK").stdout, 10,
                 "the window manager")
        self._xlib = _Xlib(self.display)
        self.program_env = {"DISPLAY": self.display, "DBUS_SESSION_BUS_ADDRESS": self.env["DBUS_SESSION_BUS_ADDRESS"]}

    def _start_session_bus(self):
        """A session bus of this desktop's own, as a desktop session has, so that a program started here does
        not launch one itself (one that outlives the program and the desktop). Without dbus-daemon the
        programs get an address where no bus is, which also keeps them from launching one."""
        if not shutil.which("dbus-daemon"):
            self.env["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=/nonexistent/tavrix-e2e-no-bus"
            return
        bus, address = _start_server(["dbus-daemon", "--session", "--nofork", "--print-address={fd}"],
                                     "dbus-daemon", "its address", env=self.env)
        self.processes.insert(0, bus)  # stopped after the programs and the X server
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address

    def close(self):
        self._xlib.close()
        self._end_processes()
        shutil.rmtree(self._config, ignore_errors=True)

    # ---- X tools ---------------------------------------------------------------------------------------

    def run(self, *args, timeout=10, stdin=None):
        return subprocess.run(list(args), env=self.env, input=stdin, capture_output=True, timeout=timeout,
                              text=stdin is None or isinstance(stdin, str), preexec_fn=_die_with_driver)

    def search(self, *criteria):
        """Window ids matching an xdotool search. A window that vanishes during the search makes xdotool
        fail with BadWindow; the search is then simply made again."""
        for _ in range(5):
            result = self.run("xdotool", "search", *criteria)
            if "BadWindow" not in result.stderr:
                return [int(w) for w in result.stdout.split()]
            time.sleep(0.05)
        return []

    def windows_of(self, pid, visible_only=True):
        """Top-level windows of the process that are on screen (or merely exist)."""
        found = self.search(*(["--onlyvisible"] if visible_only else []), "--pid", str(pid))
        # Qt's helper windows carry no pid; its real windows do. Only those count.
        return found if visible_only else [w for w in found if self.name(w) is not None]

    def name(self, window):
        result = self.run("xdotool", "getwindowname", str(window))
        return result.stdout[:-1] if result.returncode == 0 and result.stdout.endswith("\n") else None

    def viewable(self, window):
        return "Map State: IsViewable" in self.run("xwininfo", "-id", str(window)).stdout

    def size(self, window):
        info = self.run("xwininfo", "-id", str(window)).stdout
        width = re.search(r"Width: (\d+)", info)
        height = re.search(r"Height: (\d+)", info)
        return (int(width.group(1)), int(height.group(1))) if width and height else None

    def wm_state(self, window):
        """'Normal', 'Iconic' or None, as the window manager has set it."""
        match = re.search(r"window state: (\w+)", self.run("xprop", "-id", str(window), "WM_STATE").stdout)
        return match.group(1) if match else None

    def origin(self, window):
        """The window's upper-left corner on the screen."""
        info = self.run("xwininfo", "-id", str(window)).stdout
        return (int(re.search(r"Absolute upper-left X: +(-?\d+)", info).group(1)),
                int(re.search(r"Absolute upper-left Y: +(-?\d+)", info).group(1)))

    def override_redirect(self, window):
        """Whether the window bypasses the window manager, as a list's drop-down does."""
        return "Override Redirect State: yes" in self.run("xwininfo", "-id", str(window)).stdout

    def is_dialog(self, window):
        return "_NET_WM_WINDOW_TYPE_DIALOG" in self.run("xprop", "-id", str(window), "_NET_WM_WINDOW_TYPE").stdout

    def click(self, window, x, y, button=1):
        result = self.run("xdotool", "mousemove", "--window", str(window), str(x), str(y), "click",
                          str(button))
        check(result.returncode == 0, f"could not click at {x},{y} in window {window}: {result.stderr.strip()}")

    def activate(self, window):
        self.run("xdotool", "windowactivate", "--sync", str(window), timeout=5)
        wait_for(lambda: self.run("xdotool", "getactivewindow").stdout.strip() == str(window), 3,
                 f"window {window} to become active")

    def keys(self, window, *keys):
        """Presses keys in a window once the window manager has made it the active one."""
        self.activate(window)
        result = self.run("xdotool", "key", "--clearmodifiers", *keys)
        check(result.returncode == 0, f"could not press {keys}: {result.stderr.strip()}")

    def managed(self, window):
        """Whether the window manager has taken the window on (it sets WM_STATE when it does)."""
        return self.wm_state(window) is not None

    def close_window(self, window):
        """Asks a window to close the way the window manager's close button does: WM_DELETE_WINDOW, sent to
        the window itself and delivered before this returns. Unlike a key press such as Alt+F4, nothing in
        between (the window manager's focus handling) can lose it."""
        self._xlib.send_delete_window(window)

    # ---- clipboard -------------------------------------------------------------------------------------

    def clipboard(self):
        """The clipboard's text as bytes, or None when nobody holds the clipboard."""
        result = subprocess.run(["xclip", "-o", "-selection", "clipboard", "-t", "UTF8_STRING"], env=self.env,
                                capture_output=True, timeout=10, preexec_fn=_die_with_driver)
        return result.stdout if result.returncode == 0 else None

    def clipboard_text(self):
        data = self.clipboard()
        return None if data is None else data.decode("utf-8", errors="surrogateescape")

    def clipboard_targets(self):
        """The formats the clipboard's owner offers, or None when nobody holds the clipboard."""
        result = self.run("xclip", "-o", "-selection", "clipboard", "-t", "TARGETS")
        return result.stdout.split() if result.returncode == 0 else None

    def clipboard_data(self, target):
        """The clipboard's data in one format, as bytes, or None."""
        result = subprocess.run(["xclip", "-o", "-selection", "clipboard", "-t", target], env=self.env,
                                capture_output=True, timeout=10, preexec_fn=_die_with_driver)
        return result.stdout if result.returncode == 0 else None

    def set_clipboard(self, text):
        """Puts text on the clipboard, held by an xclip of ours until someone else takes the clipboard."""
        self._stop_clipboard_owner()
        owner = subprocess.Popen(["xclip", "-quiet", "-i", "-selection", "clipboard", "-t", "UTF8_STRING"],
                                 env=self.env, stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL, preexec_fn=_die_with_driver)
        owner.stdin.write(text.encode())
        owner.stdin.close()
        self._clipboard_owner = owner
        wait_for(lambda: self.clipboard_text() == text, 5, "our own text on the clipboard")


class WaylandDesktop(_Session):
    """Headless sway, run as an unprivileged user (sway will not run as root), with a virtual keyboard
    attached for the whole run as on a real seat; the Wayland tools (wl-clipboard, wtype, swaymsg) run as
    that user too, and so must the programs (Program(..., user=desktop.user)). Windows are sway's container
    ids, found in its tree by process id."""

    def __init__(self, user="nobody"):
        super().__init__()
        self.user = user
        entry = pwd.getpwnam(user)
        self._ids = (entry.pw_uid, entry.pw_gid)
        self.root = tempfile.mkdtemp(prefix="tavrix-e2e-sway-", dir=_TMP)
        os.chmod(self.root, 0o755)
        self.runtime = os.path.join(self.root, "runtime")
        os.mkdir(self.runtime, 0o700)
        os.chown(self.runtime, *self._ids)
        self.log = os.path.join(self.root, "sway.log")
        config = os.path.join(self.root, "sway.conf")

        def write_config(fd):
            # sway runs a configuration's exec lines once clients can connect.
            with open(config, "w") as file:
                file.write(f"xwayland disable\nexec printf '%s\\n' \"$WAYLAND_DISPLAY\" >&{fd}\n")
        self.env = {"PATH": "/usr/bin:/bin", "HOME": self.runtime, "XDG_RUNTIME_DIR": self.runtime}
        sway, socket = _start_server(["sway", "--debug", "--config", config], "sway", "its socket",
                                     prepare=write_config, log=self.log, ids=self._ids,
                                     env=dict(self.env, WLR_BACKENDS="headless", WLR_LIBINPUT_NO_DEVICES="1",
                                              WLR_RENDERER="pixman"))
        self.processes.append(sway)
        self.env["WAYLAND_DISPLAY"] = socket
        self.env["SWAYSOCK"] = wait_for(lambda: self._sway_socket(sway.pid), 10, "sway's IPC socket")
        self.program_env = {"WAYLAND_DISPLAY": os.path.join(self.runtime, socket), "XDG_SESSION_TYPE": "wayland",
                            "DBUS_SESSION_BUS_ADDRESS": "unix:path=/nonexistent/tavrix-e2e-no-bus"}
        # The keyboard: a wtype that waits for text on a pipe held open until the desktop closes.
        keyboard = subprocess.Popen(["wtype", "-"], env=self.env, stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL, preexec_fn=_child_setup(self._ids, None))
        self.processes.append(keyboard)
        wait_for(lambda: '"type": "keyboard"' in self.run("swaymsg", "-t", "get_inputs").stdout, 10,
                 "the virtual keyboard on sway's seat")

    def _sway_socket(self, pid):
        path = os.path.join(self.runtime, f"sway-ipc.{self._ids[0]}.{pid}.sock")
        return path if os.path.exists(path) else None

    def close(self):
        self._end_processes()
        shutil.rmtree(self.root, ignore_errors=True)

    def log_lines(self, text):
        """The lines of sway's log that hold text."""
        with open(self.log, errors="replace") as file:
            return [line.rstrip("\n") for line in file if text in line]

    def run(self, *args, timeout=10):
        return subprocess.run(list(args), env=self.env, capture_output=True, timeout=timeout,
                              preexec_fn=_child_setup(self._ids, None), text=True, errors="surrogateescape")

    # ---- windows and keys ------------------------------------------------------------------------------

    def views(self, pid):
        """sway's containers of the process's windows, as dictionaries of sway's tree."""
        result = self.run("swaymsg", "-t", "get_tree", "--raw")
        if result.returncode != 0:
            return []
        found = []

        def walk(node):
            if node.get("pid") == pid:
                found.append(node)
            for child in node.get("nodes", []) + node.get("floating_nodes", []):
                walk(child)
        walk(json.loads(result.stdout))
        return found

    def windows_of(self, pid, visible_only=True):
        return [view["id"] for view in self.views(pid) if view.get("visible") or not visible_only]

    def focused_window(self, pid, name):
        """The process's window of that name when it has the keyboard focus, else None."""
        for view in self.views(pid):
            if view.get("name") == name and view.get("focused"):
                return view["id"]
        return None

    def keys(self, *keys):
        """Presses keys as xdotool names them ("Tab", "shift+Tab") on the keyboard of a wtype of their own,
        in the window that has the focus."""
        for key in keys:
            *modifiers, name = key.split("+")
            arguments = [a for m in modifiers for a in ("-M", m)] + ["-k", name] + [a for m in modifiers
                                                                                  for a in ("-m", m)]
            result = self.run("wtype", *arguments)
            check(result.returncode == 0, f"could not press {key}: {result.stderr.strip()}")

    # ---- clipboard -------------------------------------------------------------------------------------

    def clipboard_types(self):
        """The formats the clipboard's owner offers, or None when nobody holds the clipboard."""
        result = self.run("wl-paste", "--list-types")
        return result.stdout.split() if result.returncode == 0 else None

    def clipboard_data(self, mime_type):
        result = self.run("wl-paste", "--no-newline", "--type", mime_type)
        return result.stdout if result.returncode == 0 else None

    def set_clipboard(self, text):
        """Puts text on the clipboard, held by a wl-copy of ours until someone else takes the clipboard."""
        self._stop_clipboard_owner()
        self._clipboard_owner = subprocess.Popen(["wl-copy", "--foreground", "--type", "text/plain", text],
                                                 env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                                 preexec_fn=_child_setup(self._ids, None))
        wait_for(lambda: self.clipboard_data("text/plain") == text, 5, "our own text on the clipboard")

    def watch_clipboard(self):
        return ClipboardWatch(self)


class ClipboardWatch:
    """The text of every selection sway's clipboard takes from now on, in order, as wl-paste --watch reports
    them."""

    _END = b"\0"

    def __init__(self, desktop):
        self._process = subprocess.Popen(
            ["wl-paste", "--no-newline", "--type", "text", "--watch", "sh", "-c", 'cat; printf "\\0"'],
            env=desktop.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
            preexec_fn=_child_setup(desktop._ids, None))
        self._buffer = b""
        self.seen = []

    def close(self):
        if self._process.poll() is None:
            self._process.kill()
        self._process.wait(timeout=10)
        self._process.stdout.close()

    def next(self, timeout, what):
        """The next selection, waiting at most timeout seconds for it."""
        deadline = time.monotonic() + timeout
        while self._END not in self._buffer:
            ready, _, _ = select.select([self._process.stdout], [], [], max(0.0, deadline - time.monotonic()))
            if not ready:
                raise CaseFailure(f"gave up after {timeout} s waiting for {what} (selections seen: {self.seen})")
            chunk = os.read(self._process.stdout.fileno(), 4096)
            check(chunk, "wl-paste --watch ended")
            self._buffer += chunk
        record, self._buffer = self._buffer.split(self._END, 1)
        self.seen.append(record.decode("utf-8", errors="surrogateescape"))
        return self.seen[-1]

    def until(self, wanted, timeout, what):
        """The first selection from now on for which wanted(text) holds; the ones before it are in seen."""
        deadline = time.monotonic() + timeout
        while True:
            text = self.next(max(0.0, deadline - time.monotonic()), what)
            if wanted(text):
                return text


class Program:
    """One run of tavrix on a desktop, in a workspace of its own below /tmp:
        ROOT/config        XDG_CONFIG_HOME (so the settings file is ROOT/config/Tavrix/Tavrix.conf)
        ROOT/opener        first on PATH, holding the stand-in xdg-open (left empty for "no opener")
        ROOT/app/bin       a copy of the program beside its own dict.txt, when the case brings one or runs
                           the program as another user (who may not reach the build folder: a copy of the
                           build's dict.txt then goes beside it); there is no ROOT/app/share, so the
                           installed data folder the program also looks in is absent
    user: run the program as this user (the workspace becomes theirs); limits: resource limits for the
    program, e.g. {"fsize": 1024}.
    """

    def __init__(self, desktop, executable, settings=None, dictionary=None, opener=True, user=None, limits=None):
        self.desktop = desktop
        self.root = tempfile.mkdtemp(prefix="tavrix-e2e-", dir=_TMP)
        self.mounts = []
        self.config_home = os.path.join(self.root, "config")
        self.settings_folder = os.path.join(self.config_home, "Tavrix")
        self.settings_file = os.path.join(self.settings_folder, "Tavrix.conf")
        self.opener_log = os.path.join(self.root, "opener.log")
        os.makedirs(self.settings_folder)
        if settings is not None:
            with open(self.settings_file, "wb") as file:
                file.write(settings if isinstance(settings, bytes) else settings.encode())
        opener_folder = os.path.join(self.root, "opener")
        os.makedirs(opener_folder)
        if opener:
            script = os.path.join(opener_folder, "xdg-open")
            with open(script, "w") as file:
                file.write("#!/bin/sh\n# Records its arguments, one a line, then a line '--'.\n"
                           f"for a in \"$@\"; do printf '%s\\n' \"$a\"; done >> '{self.opener_log}'\n"
                           f"printf -- '--\\n' >> '{self.opener_log}'\n")
            os.chmod(script, 0o755)
        self.executable = executable
        if dictionary is None and user is not None:
            shipped = os.path.join(os.path.dirname(executable), "dict.txt")
            dictionary = (lambda path: shutil.copy2(shipped, path)) if os.path.exists(shipped) else None
            self._copy_program(executable)
        if dictionary is not None:
            self._copy_program(executable)
            self.dictionary = os.path.join(os.path.dirname(self.executable), "dict.txt")
            if callable(dictionary):
                dictionary(self.dictionary)
            else:
                with open(self.dictionary, "wb") as file:
                    file.write(dictionary)
        for name in ("home", "runtime"):
            os.makedirs(os.path.join(self.root, name), mode=0o700)
        self.user = user
        self.limits = limits
        self._ids = None
        if user is not None:
            entry = pwd.getpwnam(user)
            self._ids = (entry.pw_uid, entry.pw_gid)
            for folder, dirs, files in os.walk(self.root):
                for name in [folder] + [os.path.join(folder, n) for n in dirs + files]:
                    os.lchown(name, *self._ids)
        self.env = dict(desktop.program_env, PATH=opener_folder + ":/usr/bin:/bin", XDG_CONFIG_HOME=self.config_home,
                        HOME=os.path.join(self.root, "home"), XDG_RUNTIME_DIR=os.path.join(self.root, "runtime"),
                        LANG="C.UTF-8")
        if not opener:
            self.env["PATH"] = opener_folder
        # So the suite can also drive a sanitizer build and have its reports end the program with a failure.
        for name in ("ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"):
            if name in os.environ:
                self.env[name] = os.environ[name]
        self.process = None
        self.inferior = None  # the program's pid when it runs under gdb
        self.started = None
        self.last_copied = None  # what the last read_box put on the clipboard

    def _copy_program(self, executable):
        folder = os.path.join(self.root, "app", "bin")
        if os.path.isdir(folder):
            return
        os.makedirs(folder)
        self.executable = os.path.join(folder, "tavrix")
        shutil.copy2(executable, self.executable)

    def reachable_by_user(self):
        """Whether every folder above the workspace lets others through (so another user reaches it)."""
        folder = os.path.dirname(self.root)
        while True:
            if not os.stat(folder).st_mode & 0o001:
                return False
            if folder == "/":
                return True
            folder = os.path.dirname(folder)

    def mount_tmpfs(self, folder, size):
        """A file system of its own at folder, size bytes large (root only); unmounted by stop()."""
        os.makedirs(folder, exist_ok=True)
        result = subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={size},mode=0755", "tmpfs", folder],
                                capture_output=True, text=True, timeout=20)
        check(result.returncode == 0, f"could not mount a tmpfs at {folder}: {result.stderr.strip()}")
        self.mounts.append(folder)

    def start(self):
        check(self.user is None or self.reachable_by_user(), f"user {self.user} cannot reach {self.root}")
        preexec = _child_setup(self._ids, self.limits)
        self.stderr = open(os.path.join(self.root, "stderr.txt"), "wb")
        self.started = time.monotonic()
        self.process = subprocess.Popen([self.executable], env=self.env, cwd=self.root, stdin=subprocess.DEVNULL,
                                        stdout=self.stderr, stderr=self.stderr, preexec_fn=preexec,
                                        start_new_session=True)
        return self

    def start_stopped_at(self, function):
        """Starts the program under gdb and returns once it has stopped at the first line of function (a
        C++ name such as tavrix::wMain::Form_Load); resume() lets it go on. The program's windows stay as
        they were drawn while it is stopped, so they can be looked at in that moment."""
        check(self.user is None and not self.limits, "a program under the debugger runs as this user, unlimited")
        hit = os.path.join(self.root, "breakpoint-hit")
        self._resume_pipe = os.path.join(self.root, "resume")
        os.mkfifo(self._resume_pipe)
        self.stderr = open(os.path.join(self.root, "stderr.txt"), "wb")
        self.started = time.monotonic()
        self.process = subprocess.Popen(
            ["gdb", "-q", "-nx", "-batch", "-ex", "set startup-with-shell off", "-ex", "set breakpoint pending on",
             "-ex", f"break {function}", "-ex", "run",
             # Note the stop, then wait in gdb until resume() writes a line to the pipe.
             "-ex", f"shell echo $PPID > '{hit}.part' && mv '{hit}.part' '{hit}' && read line < '{self._resume_pipe}'",
             "-ex", "delete", "-ex", "continue", "--args", self.executable],
            env=self.env, cwd=self.root, stdin=subprocess.DEVNULL, stdout=self.stderr, stderr=self.stderr,
            preexec_fn=_die_with_driver, start_new_session=True)
        wait_for(lambda: os.path.exists(hit) or self.process.poll() is not None, 60, f"the program to reach {function}")
        check(os.path.exists(hit), f"gdb ended before the program reached {function}:\n{self.error_output()}")
        # The shell's parent is gdb; the program is gdb's other child.
        gdb = int(open(hit).read())
        children = []
        for task in os.listdir(f"/proc/{gdb}/task"):
            with open(f"/proc/{gdb}/task/{task}/children") as file:
                children += [int(pid) for pid in file.read().split()]
        programs = [pid for pid in children if os.path.realpath(f"/proc/{pid}/exe") == os.path.realpath(self.executable)]
        check(len(programs) == 1, f"the program among gdb's children {children}")
        self.inferior = programs[0]
        return self

    def resume(self):
        """Lets a program started with start_stopped_at go on."""
        with open(self._resume_pipe, "w") as pipe:
            pipe.write("go\n")

    @property
    def pid(self):
        """The program's process id (not the debugger's, for a program started under gdb)."""
        return self.inferior if self.inferior is not None else self.process.pid

    def running(self):
        return self.process is not None and self.process.poll() is None

    def kill(self):
        if self.inferior is not None:
            try:
                os.kill(self.inferior, signal.SIGKILL)
            except ProcessLookupError:
                pass
        if self.running():
            os.killpg(self.process.pid, signal.SIGKILL)
        if self.process is not None:
            self.process.wait(timeout=10)

    def stop(self):
        """Ends the program if it still runs, waits until its windows are gone, removes the workspace."""
        try:
            self.kill()
            if self.process is not None:
                wait_for(lambda: not self.windows(visible_only=False), 5, "the program's windows to go away")
        finally:
            if getattr(self, "stderr", None):
                self.stderr.close()
            for folder in reversed(self.mounts):
                subprocess.run(["umount", "-l", folder], capture_output=True, timeout=20)
            self.mounts.clear()
            for folder, dirs, _ in os.walk(self.root):
                for name in dirs:
                    os.chmod(os.path.join(folder, name), 0o755)
            shutil.rmtree(self.root, ignore_errors=True)

    def error_output(self):
        with open(os.path.join(self.root, "stderr.txt"), "rb") as file:
            return file.read().decode(errors="replace")

    def wait_exit(self, timeout):
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise CaseFailure(f"the program was still running {timeout} s later")

    # ---- its windows -----------------------------------------------------------------------------------

    def windows(self, visible_only=True):
        """Top-level windows of this program that are on screen (or merely exist)."""
        return self.desktop.windows_of(self.pid, visible_only) if self.process else []

    def wait_main_window(self, timeout=10):
        """The main window once the window manager shows it (see main_window)."""
        return wait_for(self.main_window, timeout, "the main window on screen")

    def main_window(self):
        """The main window when it is on screen, taken on by the window manager and not minimised, else
        None."""
        for window in self.windows():
            if self.desktop.name(window) == "Tavrix v1.01" and self.desktop.wm_state(window) == "Normal":
                return window
        return None

    def main_window_any_state(self):
        for window in self.windows(visible_only=False):
            if self.desktop.name(window) == "Tavrix v1.01":
                return window
        return None

    def splash(self):
        """The borderless 122 x 350 splash window when it is on screen, else None."""
        for window in self.windows():
            if self.desktop.size(window) == (122, 350) and not self.desktop.is_dialog(window):
                return window
        return None

    def boxes(self):
        """Message boxes on screen, as (window, exact title)."""
        return [(w, self.desktop.name(w)) for w in self.windows() if self.desktop.is_dialog(w)]

    def wait_box(self, timeout):
        found = wait_for(self.boxes, timeout, "a message box")
        check(len(found) == 1, f"expected one message box, found {[t for _, t in found]}")
        return found[0]

    def read_box(self, window):
        """Title and text of a message box, as Ctrl+C in it puts them on the clipboard."""
        self.desktop.keys(window, "ctrl+c")
        copied = wait_for(lambda: (self.desktop.clipboard_text() or "").startswith(SEPARATOR) and
                          self.desktop.clipboard_text(), 5, "the message box's text on the clipboard")
        self.last_copied = copied
        parts = copied.split(SEPARATOR)
        check(len(parts) == 5 and parts[3] == "OK   \n",
              f"the copied message box does not have the layout of one with an OK button: {copied!r}")
        return parts[1][:-1], parts[2][:-1]

    def dismiss(self, window):
        self.desktop.keys(window, "Return")
        wait_for(lambda: window not in self.windows(), 5, "the message box to close")

    def close_box(self, window):
        """Reads a message box and presses OK; returns (title, text)."""
        title, text = self.read_box(window)
        self.dismiss(window)
        return title, text

    def show_main(self, timeout=15, answer_boxes=None):
        """Brings the main window up the way a person would: message boxes shown while it loads are read and
        answered with OK, and the splash picture is clicked once loading is over. Returns the boxes seen."""
        seen = []
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            check(self.running(), f"the program ended while loading (status {self.process.returncode}); it said: "
                  f"{self.error_output()!r}")
            boxes = self.boxes()
            if boxes:
                for window, _ in boxes:
                    seen.append(self.close_box(window))
                continue
            if self.main_window():
                return seen
            splash = self.splash()
            if splash:
                try:
                    self.desktop.click(splash, 61, 175)
                except CaseFailure:
                    # The splash's own timer may close it between the look and the click.
                    if self.splash() == splash:
                        raise
            time.sleep(0.05)
        raise CaseFailure(f"the main window did not come up within {timeout} s (boxes seen: {seen})")

    def close_main(self, timeout=10):
        """Closes the main window as its title bar's close button does (WM_DELETE_WINDOW, delivered to the
        window) and returns the program's exit status once it has ended."""
        window = self.main_window()
        check(window, "the main window is not on screen to be closed")
        self.desktop.close_window(window)
        return self.wait_exit(timeout)

    # ---- its files -------------------------------------------------------------------------------------

    def settings_bytes(self):
        try:
            with open(self.settings_file, "rb") as file:
                return file.read()
        except FileNotFoundError:
            return None

    def settings(self):
        data = self.settings_bytes()
        return None if data is None else parse_settings(data)

    def opener_calls(self):
        try:
            with open(self.opener_log) as file:
                text = file.read()
        except FileNotFoundError:
            return []
        return [call.split("\n")[:-1] for call in text.split("--\n")[:-1]]


def run_groups(description, groups, make_suite):
    """The command line of a suite of end-to-end cases: the program, the source tree, a group of cases and
    optionally a part of their names. Returns the exit status."""
    # CTest ends a test that runs too long with a signal; leave through the finally blocks all the same.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    parser = argparse.ArgumentParser(description=description, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--tavrix", required=True, help="the built program")
    parser.add_argument("--source", required=True, help="the source tree (for the layout and link targets)")
    parser.add_argument("--only", help="run only the cases whose names contain this text")
    parser.add_argument("group", choices=sorted(groups))
    args = parser.parse_args()
    suite = make_suite(args)
    cases = [(name, case) for name, case in groups[args.group](suite) if not args.only or args.only in name]
    return suite.run(cases)


def _unescape_key(key):
    return re.sub(r"%([0-9A-Fa-f]{2})", lambda m: chr(int(m.group(1), 16)), key)


def parse_settings(data):
    """The settings file as {group: {key: value}}, reading the INI form QSettings writes. Fails on any line
    that is not a group header, a key=value pair or blank, so a torn or mangled file is caught."""
    groups = {}
    group = None
    for number, line in enumerate(data.decode("utf-8").split("\n"), 1):
        if not line:
            continue
        if line.startswith("[") and line.endswith("]"):
            group = groups.setdefault(_unescape_key(line[1:-1]), {})
            continue
        check("=" in line and group is not None, f"line {number} of the settings file is not a setting: {line!r}")
        key, value = line.split("=", 1)
        if len(value) >= 2 and value.startswith('"') and value.endswith('"'):
            value = value[1:-1]
        group[_unescape_key(key)] = value
    return groups
