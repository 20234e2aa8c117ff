#!/usr/bin/python3
"""Reads tarvolink's windows over the accessibility bus (AT-SPI), as a screen reader does.

Run by scripts/a11y-check.sh, which starts Xvfb, a session bus, tarvo-sim and the client.
It opens the main window's lists, the options window, a session with its block tree, a
parameter editor, the new-block name box and block-type chooser, the cross-reference setup,
the change journal, the protocol trace, About, a sequence block's editor and a PLB
listing, clicking with xdotool where a user clicks, and fails when a
control a user can reach has no name or a status panel does not read as its text.
"""
import subprocess
import sys
import time

import pyatspi

INTERACTIVE = {
    "push button", "check box", "radio button", "text", "entry", "combo box", "menu item",
    "tree", "tree table", "table", "list", "page tab", "spin button", "toggle button",
    "password text", "slider",
}
problems = []


def wait_for(find, what, timeout=10.0):
    end = time.time() + timeout
    while time.time() < end:
        found = find()
        if found is not None:
            return found
        time.sleep(0.2)
    subprocess.run(["import", "-window", "root", "/tmp/a11y-fail.png"], check=False)
    sys.exit(f"a11y-check: {what} did not appear (the screen: /tmp/a11y-fail.png)")


def application():
    def find():
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and (app.name or "").lower() == "tarvolink":
                return app
        return None
    return wait_for(find, "tarvolink on the accessibility bus")


def windows(app):
    return [w for w in app if w is not None]


def window(app, title_start):
    def find():
        for w in windows(app):
            if (w.name or "").startswith(title_start):
                return w
        return None
    return wait_for(find, f"window '{title_start}'")


def descendants(node):
    for child in node:
        if child is None:
            continue
        yield child
        yield from descendants(child)


def find(node, role, name):
    for d in descendants(node):
        if d.getRoleName() == role and d.name == name:
            return d
    return None


def showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def click(node):
    x, y, w, h = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", str(x + w // 2), str(y + h // 2), "click", "1"],
                   check=True)
    time.sleep(0.7)


def check(win):
    """Every control a user can reach has a name; prints what a screen reader reads."""
    print(f"== {win.getRoleName()} '{win.name}'")
    count = 0
    for d in descendants(win):
        role = d.getRoleName()
        # Menu items count whether or not their menu is open.
        if role not in INTERACTIVE or (not showing(d) and role != "menu item"):
            continue
        count += 1
        # The rows of lists and tables carry their text; the list itself needs the name.
        if not (d.name or "").strip():
            problems.append(f"{win.name}: a {role} has no name")
        print(f"   {role}: {d.name!r}" + (f" ({d.description})" if d.description else ""))
    print(f"   {count} controls")


def check_status_panels(main):
    for n in (1, 2, 3):
        panels = [d for d in descendants(main) if d.description == f"Status panel {n}"]
        if len(panels) != 1:
            problems.append(f"status panel {n}: found {len(panels)}")
            continue
        print(f"   status panel {n} reads {panels[0].name!r}")
    first = [d for d in descendants(main) if d.description == "Status panel 1"]
    if first and not first[0].name.startswith("Host: "):
        problems.append(f"status panel 1 reads {first[0].name!r}, not its text")


def main():
    app = application()
    form = window(app, "Windows Based Tarvolink")
    wait_for(lambda: find(form, "list item", "CP6001  FCP280  Boiler house"), "the CP list")
    check(form)
    check_status_panels(form)

    # The options window, from IccSession > Options > Tarvo Server.
    click(find(form, "menu item", "IccSession"))
    click(find(form, "menu item", "Options"))
    click(find(form, "menu item", "Tarvo Server"))
    options = window(app, "Options")
    check(options)
    path = [d.name for d in descendants(options) if (d.name or "").startswith("Settings file: ")]
    print(f"   {path[0] if path else 'NO SETTINGS PATH SHOWN'}")
    if not path:
        problems.append("the options window does not name its settings file")
    click(find(options, "push button", "Cancel"))

    # The cross-reference setup (it hides the main window until it is closed);
    # offered while connected, before a session is opened.
    click(find(form, "menu item", "IccSession"))
    click(find(form, "menu item", "Options"))
    click(find(form, "menu item", "Cross-Reference"))
    setup = window(app, "Cross Reference Setup")
    check(setup)
    click(find(setup, "push button", "Cancel"))
    form = window(app, "Windows Based Tarvolink")
    wait_for(lambda: True if showing(form) else None, "the main window back")

    # A session on CP6001, its block tree, and a parameter editor for BOILER:LC101.
    form = window(app, "Windows Based Tarvolink")
    click(find(form, "combo box", "CP/Vol list"))
    click(wait_for(lambda: next((d for d in descendants(form) if d.getRoleName() == "list item"
                                 and d.name.startswith("CP6001") and showing(d)), None),
                   "the CP list's popup"))
    boiler = wait_for(lambda: next((d for d in descendants(form) if d.name == "BOILER"), None),
                      "the block tree")
    subprocess.run(["xdotool", "key", "Right"], check=False)
    click(boiler)
    subprocess.run(["xdotool", "key", "Right"], check=True)
    time.sleep(0.5)
    click(wait_for(lambda: next((d for d in descendants(form)
                                 if (d.name or "").startswith("LC101") and showing(d)), None),
                   "the block LC101 in the tree"))
    check(form)
    check_status_panels(form)
    click(find(form, "push button", "Edit"))
    editor = window(app, "Edit Parameters BOILER:LC101")
    # A row that can be edited, so that the value entry shows too.
    click(wait_for(lambda: next((d for d in descendants(editor)
                                 if d.name == "Drum level control" and showing(d)), None),
                   "the DESCRP row"))
    check(editor)

    # Add: the name box, then the block-type chooser (cancelled: nothing is added).
    form = window(app, "Windows Based Tarvolink")
    click(find(form, "push button", "Add"))
    name_box = window(app, "New Block")
    check(name_box)
    click(wait_for(lambda: next((d for d in descendants(name_box)
                                 if d.getRoleName() == "text" and showing(d)), None),
                   "the name box's entry"))
    subprocess.run(["xdotool", "type", "A11YNEW"], check=True)
    click(find(name_box, "push button", "OK"))
    chooser = window(app, "Choose Block Type")
    check(chooser)
    click(find(chooser, "push button", "Cancel"))

    # The journal and trace windows, from the View menu. They open where the main window
    # is; each is moved aside after its check so that the menu can be reached again.
    for title in ("Change Journal", "Protocol Trace"):
        click(find(form, "menu item", "View"))
        click(find(form, "menu item", title))
        check(window(app, title))
        subprocess.run(["xdotool", "search", "--name", f"^{title}$", "windowmove", "700", "0"],
                       check=True)
        time.sleep(0.5)

    # About, from Help > About: a message box.
    click(find(form, "menu item", "Help"))
    click(find(form, "menu item", "About"))
    about = window(app, "About....")
    check(about)
    for d in descendants(about):
        if d.getRoleName() == "label" and d.name:
            print(f"   text: {d.name[:70]!r}")
    click(find(about, "push button", "OK"))

    # A sequence block's editor (left with Cancel), then a PLB block's listing, both in
    # FEEDWT.
    form = window(app, "Windows Based Tarvolink")
    click(wait_for(lambda: next((d for d in descendants(form) if d.name == "FEEDWT"), None),
                   "the compound FEEDWT"))
    subprocess.run(["xdotool", "key", "Right"], check=True)
    time.sleep(0.5)

    def tree_node(name):
        return wait_for(lambda: next((d for d in descendants(form)
                                      if (d.name or "").startswith(name) and showing(d)), None),
                        f"the block {name} in the tree")

    click(tree_node("PMPSEQ"))
    click(find(form, "push button", "Edit Seq"))
    editor = window(app, "Sequence Block Edit")
    check(editor)
    click(find(editor, "push button", "Cancel"))
    click(tree_node("PMPPLB"))
    click(find(form, "push button", "View PLB"))
    check(window(app, "PLB Listing"))

    if problems:
        print("\n".join(["PROBLEMS:"] + problems))
        sys.exit(1)
    print("a11y-check: every window's shown controls have names; the status panels read as their text")


main()
