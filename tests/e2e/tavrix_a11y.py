#!/usr/bin/python3
# SPDX-FileCopyrightText: The Tavrix developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""The real tavrix program as a screen reader meets it: through the AT-SPI accessibility bus, on a real X
display, with real key presses. Run under its own D-Bus session, with Debian's Python (pyatspi):

    dbus-run-session -- /usr/bin/python3 tavrix_a11y.py --tavrix BUILD/tavrix --source SOURCE_DIR GROUP

The session bus starts the accessibility bus and its registry on demand; the program is told to speak to them
with QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1. GROUP is "taborder" or "actions".
"""

import os
import sys

sys.dont_write_bytecode = True  # keep the source tree clean of __pycache__
import pyatspi  # noqa: E402  (Debian's python3-pyatspi; not in a virtual environment's Python)
from gi.repository import GLib  # noqa: E402

from desktop import check, check_equal, run_groups, wait_for  # noqa: E402
from tavrix_e2e import Suite, fresh_window, settings_text  # noqa: E402

# The focus stops of each page in the order of the tab numbers of the layout: the page buttons (3) are one
# stop, entered at the pressed button; each toolbar and the group of option buttons is one stop, entered at
# its current button (the chosen option); then the page's own controls by their numbers. The logo has no
# number of its own and goes with its picture box (18), before labVasht (19).
TAB_ORDER = {
    "_generate": ["tbrMain_1", "txtKey", "tbrMisc_1", "cboKeyType", "cboKeyStrength", "optASCIIMode_0"],
    "_settings": ["tbrMain_2", "chkGenerateOnStartup", "chkGenerateOnChange", "chkAutoClipboard"],
    "_about": ["tbrMain_3", "imgLogo", "labVasht", "labQuorlen"],
}
PAGES = {"tbrMain_1": ("Generate", "_generate"), "tbrMain_2": ("Settings", "_settings"),
         "tbrMain_3": ("About", "_about")}
PAGE_NAMES = {"_generate": "Generate", "_settings": "Settings", "_about": "About"}


EVENTS = ("object:state-changed:focused", "object:state-changed:showing")


class Events:
    """Every focus and showing event on the bus, as (process id, type, detail1, source). Listened to before any
    program starts: a program learns at its start which events anyone listens to, and sends only those."""

    def __init__(self):
        self.queue = []
        pyatspi.Registry.registerEventListener(self._on_event, *EVENTS)

    def _on_event(self, event):
        try:
            self.queue.append((event.source.get_process_id(), event.type, event.detail1, event.source))
        except Exception:
            pass  # an object that has gone already


class Bus:
    """The program's accessible objects and the events it sends, gathered while the GLib loop is pumped."""

    def __init__(self, program, events):
        self.pid = program.process.pid
        self._events = events
        self.app = wait_for(self._find_app, 15, "the program on the accessibility bus")

    def close(self):
        self._events.queue.clear()

    @property
    def events(self):
        self.pump()
        mine = [(kind, detail, source) for pid, kind, detail, source in self._events.queue if pid == self.pid]
        self._events.queue.clear()
        return mine

    def _find_app(self):
        self.pump()
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            try:
                if app is not None and app.get_process_id() == self.pid and app.childCount > 0:
                    return app
            except Exception:
                continue
        return None

    def pump(self):
        context = GLib.MainContext.default()
        while context.iteration(False):
            pass

    def wait_event(self, wanted, timeout, what):
        """The first event so far or to come for which wanted(type, detail1, source) holds; earlier ones are
        dropped."""
        def probe():
            for event in self.events:
                if wanted(*event):
                    return event
            return None
        return wait_for(probe, timeout, what, interval=0.01)

    def next_focus(self, what):
        return self.wait_event(lambda kind, detail, _: kind == "object:state-changed:focused" and detail == 1, 5,
                               what)[2]

    def objects(self, accessible=None):
        accessible = accessible or self.app
        for i in range(accessible.childCount):
            child = accessible.getChildAtIndex(i)
            if child is None:
                continue
            yield child
            yield from self.objects(child)

    def find(self, role, name):
        found = [o for o in self.objects() if o.getRoleName() == role and o.name == name]
        check(len(found) == 1, f"expected one {role} named {name!r}, found {len(found)}")
        return found[0]


def identity(accessible):
    """How a control is told apart: a list by its description (its name is its current choice)."""
    role = accessible.getRoleName()
    return (role, accessible.description if role == "combo box" else accessible.name)


def actions(accessible):
    try:
        action = accessible.queryAction()
    except NotImplementedError:
        return []
    return [action.getName(i) for i in range(action.nActions)]


def showing(accessible):
    return accessible.getState().contains(pyatspi.STATE_SHOWING)


class A11ySuite(Suite):
    def program(self, **kwargs):
        program = super().program(**kwargs)
        program.env["DBUS_SESSION_BUS_ADDRESS"] = os.environ["DBUS_SESSION_BUS_ADDRESS"]
        program.env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        return program

    def names(self):
        """objectName -> the identity its accessible object has, read from the layout."""
        if not hasattr(self, "_names"):
            import xml.etree.ElementTree as ElementTree
            roles = {"tbrMain_1": "page tab", "tbrMain_2": "page tab", "tbrMain_3": "page tab",
                     "tbrMisc_1": "push button", "tbrMisc_2": "push button", "txtKey": "text",
                     "cboKeyType": "combo box", "cboKeyStrength": "combo box", "optASCIIMode_0": "radio button",
                     "optASCIIMode_1": "radio button", "chkGenerateOnStartup": "check box",
                     "chkGenerateOnChange": "check box", "chkAutoClipboard": "check box",
                     "imgLogo": "push button", "labVasht": "link", "labQuorlen": "link"}
            root = ElementTree.parse(os.path.join(self.source, "ui", "wMain.ui")).getroot()
            self._names = {}
            for widget in root.iter("widget"):
                name = widget.get("name")
                if name not in roles:
                    continue
                prop = "toolTip" if roles[name] == "combo box" else "accessibleName"
                text = widget.find(f"property[@name='{prop}']/string").text
                self._names[(roles[name], text)] = name
        return self._names

    def control(self, accessible):
        return self.names().get(identity(accessible), f"<{identity(accessible)}>")


def run_with_bus(suite, program, body):
    bus = Bus(program, suite.events)
    try:
        body(bus)
    finally:
        bus.close()


def taborder_cases(suite):
    cases = []
    for button, (label, page) in PAGES.items():
        def case(button=button, label=label, page=page):
            program = suite.program().start()
            window = fresh_window(program)

            def body(bus):
                stops = TAB_ORDER[page]
                # The focus starts on the pressed page button; the arrows take it to this page's button.
                check_equal(suite.control(bus.next_focus("the first focus in the shown window")), "tbrMain_1",
                            "control focused when the window is shown")
                steps = list(PAGES).index(button)
                if steps:
                    for step in range(steps):
                        suite.desktop.keys(window, "Right")
                        focused = suite.control(bus.next_focus("the focus to move along the page buttons"))
                    check_equal(focused, button, "focused control")
                    suite.desktop.keys(window, "space")
                    bus.wait_event(lambda kind, detail, source: kind == "object:state-changed:showing" and
                                   detail == 1 and source.name == PAGE_NAMES[page], 5, f"the {label} page to show")
                seen = []
                for _ in stops:
                    suite.desktop.keys(window, "Tab")
                    seen.append(suite.control(bus.next_focus(f"the focus to move after Tab ({seen})")))
                check_equal(seen, stops[1:] + stops[:1], f"the controls Tab goes to from {button}")
            run_with_bus(suite, program, body)
        cases.append((f"Tab goes round the {label} page in the order of the layout's tab numbers", case))
    return cases


def actions_cases(suite):
    cases = []

    def page_tabs():
        program = suite.program().start()
        fresh_window(program)

        def body(bus):
            tabs = {name: bus.find("page tab" if any(o.getRoleName() == "page tab" for o in bus.objects())
                                   else "check box", label) for name, (label, _) in PAGES.items()}
            for name in ("tbrMain_2", "tbrMain_3", "tbrMain_1"):
                label, page = PAGES[name]
                tab = tabs[name]
                names = actions(tab)
                check(names, f"the {label} button has no action")
                # The first action is the one a screen reader does when asked to activate the control.
                tab.queryAction().doAction(0)
                bus.wait_event(lambda kind, detail, source: kind == "object:state-changed:showing" and
                               detail == 1 and source.name == PAGE_NAMES[page] and source.getRoleName() == "panel",
                               5, f"the {label} page to show after the {names[0]!r} action of its button")
                shown = [o.name for o in bus.app.getChildAtIndex(0) if o.getRoleName() == "panel" and showing(o)]
                check_equal(shown, [PAGE_NAMES[page]], "pages showing")
                selected = [n for n, t in tabs.items() if t.getState().contains(pyatspi.STATE_SELECTED) or
                            t.getState().contains(pyatspi.STATE_CHECKED)]
                check_equal(selected, [name], "page buttons pressed")
                check_equal(tab.getRoleName(), "page tab", f"role of the {label} button")
        run_with_bus(suite, program, body)
    cases.append(("every page button's action shows its page, and the button pressed is the page's own",
                  page_tabs))

    for label, heading, person in (("labQuorlen", "labProgramming", "Quorlen"), ("labVasht", "Label2", "Vasht")):
        def link_action(person=person):
            program = suite.program().start()
            window = fresh_window(program)

            def body(bus):
                found = [o for o in bus.objects() if o.name == person]
                check_equal(len(found), 1, f"objects named {person!r}")
                link = found[0]
                suite.show_page(program, "tbrMain_3")
                if not showing(link):
                    bus.wait_event(lambda kind, detail, source: kind == "object:state-changed:showing" and
                                   detail == 1 and source.name == "About", 5, "the about page to show")
                check(link.getRoleName() in ("link", "push button"),
                      f"the {person} credit is announced as a {link.getRoleName()}")
                names = [n.lower() for n in actions(link)]
                usable = [i for i, n in enumerate(names) if n in ("click", "press", "activate", "jump")]
                check(usable, f"the {person} credit has no action that opens it: {names}")
                link.queryAction().doAction(usable[0])
                wait_for(lambda: suite.desktop.wm_state(window) == "Iconic", 5, "the main window to be minimised")
                wait_for(program.opener_calls, 5, "the opener to be called")
                check_equal(program.opener_calls(), [[suite.sites[person]]], "calls of the opener")
            run_with_bus(suite, program, body)
        cases.append((f"the {person} credit link has an action that opens its site", link_action))

    def names():
        program = suite.program(settings=settings_text(Key_Strength=2)).start()
        fresh_window(program)

        def body(bus):
            # As the window first shows: only the generate page is on screen for a screen reader.
            first = [o.name for o in bus.objects() if showing(o) and o.getRoleName() == "panel" and
                     o.name in PAGE_NAMES.values()]
            check_equal(first, ["Generate"], "pages showing on the fresh window")
            for button in ("tbrMain_1", "tbrMain_2", "tbrMain_3"):
                label, page = PAGES[button]
                suite.show_page(program, button)
                if button != "tbrMain_1":
                    bus.wait_event(lambda kind, detail, source: kind == "object:state-changed:showing" and
                                   detail == 1 and source.name == PAGE_NAMES[page], 5, f"the {label} page to show")
                focusable = [o for o in bus.objects() if showing(o) and o.getState().contains(pyatspi.STATE_FOCUSABLE)]
                check(len(focusable) >= 4, f"only {len(focusable)} focusable controls showing on the {label} page")
                nameless = [o.getRoleName() for o in focusable if not o.name.strip()]
                check_equal(nameless, [], f"focusable controls without a name on the {label} page")
                # Nothing of a page beneath the one on top is on screen for a screen reader.
                others = [n for p, n in PAGE_NAMES.items() if p != page]
                stray = [suite.control(o) for o in bus.objects() if showing(o) and o.getRoleName() == "panel" and
                         o.name in others]
                check_equal(stray, [], f"other pages showing with the {label} page")
        run_with_bus(suite, program, body)
    cases.append(("every focusable control on each page has a name, and only the page on top is showing", names))
    return cases


GROUPS = {"taborder": taborder_cases, "actions": actions_cases}


def make_suite(args):
    check("DBUS_SESSION_BUS_ADDRESS" in os.environ, "no D-Bus session: run this under dbus-run-session")
    suite = A11ySuite(args)
    suite.events = Events()
    return suite


if __name__ == "__main__":
    sys.exit(run_groups(__doc__, GROUPS, make_suite))
