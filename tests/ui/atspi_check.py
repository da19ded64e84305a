# SPDX-License-Identifier: GPL-3.0-or-later
"""Reads the running window program over AT-SPI, as a screen reader does (see atspi_test.sh).

    atspi_check.py PID FILES_FOLDER

Checks that both windows are windows, that every box has a name, a description and the label
beside it as its label, and that the status lines are status bars whose text is read and whose
changes are announced: Generate for 31/2/2026 through AT-SPI actions, and another program's
change of pattern.tq. Exits 1 with the list of what failed.
"""
import os
import sys
import time

import pyatspi
from gi.repository import GLib

PID = int(sys.argv[1])
FILES = sys.argv[2]
WINDOW_ROLES = (pyatspi.ROLE_FRAME, pyatspi.ROLE_WINDOW, pyatspi.ROLE_DIALOG)
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
    return ok


def find(root, role=None, name=None):
    def match(acc):
        return (acc is not None and (role is None or acc.getRole() == role)
                and (name is None or acc.name == name))
    return pyatspi.findDescendant(root, match)


def wait_for(what, get, seconds=30):
    deadline = time.time() + seconds
    while time.time() < deadline:
        found = get()
        if found is not None:
            return found
        time.sleep(0.2)
    print(f"atspi_check: {what} did not appear", file=sys.stderr)
    sys.exit(1)


def application():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == PID:
            return app
    return None


def window(app, title):
    for w in app:
        if w is not None and w.name == title:
            return w
    return None


def press(acc):
    action = acc.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    if check("Press" in names, f"{acc.name}: no Press action, only {names}"):
        action.doAction(names.index("Press"))


def text_part(combo):
    return find(combo, role=pyatspi.ROLE_TEXT) or find(combo, role=pyatspi.ROLE_ENTRY)


def labels_of(acc):
    names = []
    for relation in acc.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            names += [relation.getTarget(i).name for i in range(relation.getNTargets())]
    return names


def check_window(win, title, boxes):
    check(win.getRole() in WINDOW_ROLES,
          f"{title}: exposed as {win.getRoleName()}, not as a window")
    for name, label in boxes:
        box = find(win, name=name, role=pyatspi.ROLE_COMBO_BOX)
        if not check(box is not None, f"{title}: no combo box named {name!r}"):
            continue
        check(bool(box.description), f"{title}: {name} has no description")
        check(label in labels_of(box),
              f"{title}: {name} is labelled by {labels_of(box)}, not by {label!r}")
    status = find(win, role=pyatspi.ROLE_STATUS_BAR)
    check(status is not None, f"{title}: no status bar")
    return status


app = wait_for("the window program", application)
main = wait_for("the main window", lambda: window(app, "Tessaroll"))
main_status = check_window(main, "Tessaroll", [("Day", "Day"), ("Month", "Month"),
                                               ("Year", "Year")])
for name in ("Generate", "Print", "Settings"):
    button = find(main, role=pyatspi.ROLE_PUSH_BUTTON, name=name)
    check(button is not None and bool(button.description), f"button {name}: no description")

# The announcements: name changes of the status bars, as they come over the bus.
heard = []


def listen(event):
    heard.append((event.source, event.source.name if event.source else ""))


pyatspi.Registry.registerEventListener(listen, "object:property-change:accessible-name")
steps = []


def step(fn):
    steps.append(fn)
    return fn


@step
def generate_for_a_date_that_is_not_in_the_calendar():
    for name, value in (("Day", "31"), ("Month", "2"), ("Year", "2026")):
        part = text_part(find(main, name=name, role=pyatspi.ROLE_COMBO_BOX))
        if check(part is not None, f"{name}: no text part"):
            part.queryEditableText().setTextContents(value)
    press(find(main, role=pyatspi.ROLE_PUSH_BUTTON, name="Generate"))


@step
def open_the_settings_window():
    press(find(main, role=pyatspi.ROLE_PUSH_BUTTON, name="Settings"))


@step
def another_program_changes_the_settings():
    with open(os.path.join(FILES, "pattern.tq"), "wb") as f:
        f.write(b" 5  8 \r\n" + b" 0 \r\n" * 8)


MAIN_SAID = "31/2/2026 is not a date; the list is the one of 3/3/2026."
SETTINGS_SAID = "Another program changed the settings."


def settings_status():
    win = window(app, "Settings")
    return find(win, role=pyatspi.ROLE_STATUS_BAR) if win is not None else None


def announced(status, said):
    return status is not None and any(src == status and name == said for src, name in heard)


def tick():
    if steps:
        fn = steps.pop(0)
        try:
            fn()
        except Exception as e:  # a control that is missing or does not answer: go on
            failures.append(f"{fn.__name__}: {e!r}")
        return True
    if announced(main_status, MAIN_SAID) and announced(settings_status(), SETTINGS_SAID):
        pyatspi.Registry.stop()
        return False
    return True


GLib.timeout_add(500, tick)
GLib.timeout_add_seconds(30, lambda: pyatspi.Registry.stop())
pyatspi.Registry.start()

# Read now, the main status line also says that the settings changed since the list was made.
check(main_status is not None and main_status.name.startswith(MAIN_SAID + " The settings changed"),
      f"main status bar reads {main_status.name if main_status else None!r}")
check(announced(main_status, MAIN_SAID), "the main status line's new text was not announced")
settings = window(app, "Settings")
if check(settings is not None, "the Settings window did not open"):
    status = check_window(settings, "Settings", [
        ("Number of passwords", "Number of passwords"), ("Length of passwords",
                                                         "Length of passwords"),
        ("Position", "Position"), ("Symbol", "Symbol")])
    check(status is not None and status.name == SETTINGS_SAID,
          f"settings status bar reads {status.name if status else None!r}")
    check(announced(status, SETTINGS_SAID),
          "the settings status line's new text was not announced")

if failures:
    for failure in failures:
        print(f"atspi_check: {failure}", file=sys.stderr)
    sys.exit(1)
print("atspi_check: both windows read as a screen reader reads them")
