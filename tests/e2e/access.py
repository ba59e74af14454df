#!/usr/bin/python3
"""The dialler as a screen reader finds it on the accessibility bus (AT-SPI): every button of
every window is a push button named as it reads, the clock and the attempt counter are named and
read as they stand, the phone book's grid gives its cells, and the buttons' press actions work.
The keypad and «Автодозвон» are pressed through their actions; the modem must receive the init
line and the dial line, and the run (one attempt, one second's wait, a busy line) ends spent,
which the main window's title says.

usage: access.py MODEM_LOG
"""
import sys
import time

import pyatspi

NUMBER = "123"


def fail(message):
    sys.exit("FAIL: " + message)


def wait_for(what, check, timeout=20):
    end = time.monotonic() + timeout
    while True:
        result = check()
        if result:
            return result
        if time.monotonic() > end:
            fail("timed out waiting for " + what)
        time.sleep(0.1)


def fresh(accessible):
    """The accessible with whatever the client library cached of it dropped."""
    accessible.clear_cache()
    return accessible


def descendants(accessible):
    found, stack = [], [accessible]
    while stack:
        current = stack.pop()
        found.append(current)
        stack.extend(c for c in (current.getChildAtIndex(i) for i in range(current.childCount))
                     if c is not None)
    return found


def application():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and fresh(app).name == "zvonmat":
            return app
    return None


def window_with_button(app, name):
    """The application's window that holds a button of that name, if one is shown."""
    for window in (fresh(app).getChildAtIndex(i) for i in range(fresh(app).childCount)):
        if window is not None and find(window, name, pyatspi.ROLE_PUSH_BUTTON, required=False):
            return window
    return None


def find(window, name, role, required=True):
    for accessible in descendants(window):
        if accessible.name == name and accessible.getRole() == role:
            return accessible
    if required:
        shown = sorted(f"{a.name!r} ({a.getRoleName()})" for a in descendants(window) if a.name)
        fail(f"no {name!r} with the role {role} in {window.name!r}; there are: {', '.join(shown)}")
    return None


def check_buttons(window, names):
    return {name: find(window, name, pyatspi.ROLE_PUSH_BUTTON) for name in names}


def press(button):
    action = button.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    for index, name in enumerate(names):
        if name.lower() in ("press", "click"):
            action.doAction(index)
            return
    fail(f"{button.name!r} has no press action, only {names}")


def text_of(accessible):
    return fresh(accessible).queryText().getText(0, -1)


def display(window, name):
    """The label named `name` that shows a value of its own (its caption shows only the name)."""
    for accessible in descendants(window):
        if (accessible.name == name and accessible.getRole() == pyatspi.ROLE_LABEL
                and text_of(accessible) != name):
            return accessible
    fail(f"no display named {name!r}")


def modem_lines(log_path):
    with open(log_path, encoding="ascii", errors="replace") as log:
        return [line.rstrip("\n").split(" ", 1)[1] for line in log if " " in line]


def modal(app, button_name, opener):
    """Presses `opener` and returns the window it brings up, found by one of its buttons."""
    press(opener)
    return wait_for(f"the window with {button_name!r}", lambda: window_with_button(app, button_name))


def closes(app, window, button_name):
    press(find(window, button_name, pyatspi.ROLE_PUSH_BUTTON))
    wait_for(f"the window of {button_name!r} to close",
             lambda: all(fresh(app).getChildAtIndex(i) != window
                         for i in range(fresh(app).childCount)))


def main():
    modem_log = sys.argv[1]
    app = wait_for("the application on the accessibility bus", application)
    window = wait_for("the main window", lambda: window_with_button(app, "Автодозвон"))
    buttons = check_buttons(window, list("123456789D0#") + [
        "Автодозвон", "Разговор", "Выход", "Set", "Сброс", "Журнал",
        "Телефонная книга", "Список номеров"])
    clock = display(window, "Время")
    attempts = display(window, "Попыток")
    if (text_of(clock), text_of(attempts)) != ("00:00", "1/0"):
        fail(f"the clock reads {text_of(clock)!r} and the attempts {text_of(attempts)!r}")

    for key in NUMBER:
        press(buttons[key])
    press(buttons["Автодозвон"])
    wait_for("the init and dial lines", lambda: len(modem_lines(modem_log)) >= 2)
    if modem_lines(modem_log) != ["ATZ", "ATDP" + NUMBER]:
        fail(f"the modem received {modem_lines(modem_log)}")
    spent = f"{NUMBER} — попытки исчерпаны"
    wait_for(f"the title {spent!r}", lambda: fresh(window).name == spent)
    if text_of(attempts) != "1/1":
        fail(f"the attempts read {text_of(attempts)!r} in a spent run")

    book = modal(app, "Запись", buttons["Телефонная книга"])
    check_buttons(book, ["Запись", "Выход"])
    grid = [a for a in descendants(book) if a.getRole() == pyatspi.ROLE_TABLE]
    if len(grid) != 1:
        fail(f"the phone book shows {len(grid)} tables")
    table = grid[0].queryTable()
    if (table.nRows, table.nColumns) != (50, 2):
        fail(f"the phone book's grid has {table.nRows} rows and {table.nColumns} columns")
    cells = [table.getAccessibleAt(0, 0).name, table.getAccessibleAt(0, 1).name]
    if cells != ["321", "Иванов"]:
        fail(f"the phone book's first row reads {cells}")
    closes(app, book, "Выход")

    dialog = modal(app, "ОК", buttons["Set"])
    check_buttons(dialog, ["Выход", "ОК", "Font"])
    closes(app, dialog, "Выход")

    prompt = modal(app, "OK", buttons["Разговор"])
    closes(app, prompt, "OK")
    print("access.py: every check passed")


main()
