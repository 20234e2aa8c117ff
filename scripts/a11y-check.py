#!/usr/bin/python3
"""Reads tarvolink's windows over the accessibility bus (AT-SPI), as a screen reader does.

Run by scripts/a11y-check.sh, which starts Xvfb, a session bus, tarvo-sim and the client.
It opens every window of the client: the main window and its lists, the options window, the
cross-reference setup and the editor of one of its lists, a session with its block tree, a
parameter editor, a block's cross-reference, the new-block name box and block-type chooser,
the change journal, the protocol trace, About, a sequence block's editor and a PLB listing,
clicking with xdotool where a user clicks. It fails when a window is not announced as one
(its role is not a frame or a dialog, or its name is not its caption), when a control a user
can reach has no name, or when a status panel does not read as its text.

Every wait polls, up to A11Y_WAIT seconds (30 by default): a slow machine takes longer, it
does not fail. A wait that runs out says what it waited for, lists the windows there are,
and leaves a screenshot.
"""
import os
import subprocess
import sys
import time

import pyatspi

WAIT = float(os.environ.get("A11Y_WAIT", "30"))
SCREENSHOT = os.environ.get("A11Y_SCREENSHOT", "/tmp/a11y-fail.png")

INTERACTIVE = {
    "push button", "check box", "radio button", "text", "entry", "combo box", "menu item",
    "tree", "tree table", "table", "list", "page tab", "spin button", "toggle button",
    "password text", "slider",
}
# The roles a screen reader announces as a window. A message box (About, every question
# and error) is an alert: Qt's role for QMessageBox, announced with its whole text.
WINDOW_ROLES = {"frame", "dialog"}
MESSAGE_BOX_ROLES = {"alert"}

problems = []
seen = []  # (role, name) of every window checked, for the summary


def role(node):
    try:
        return node.getRoleName()
    except Exception:  # the object went away while being read
        return "(gone)"


def showing(node):
    try:
        return node.getState().contains(pyatspi.STATE_SHOWING)
    except Exception:
        return False


def children(node):
    try:
        return [c for c in node if c is not None]
    except Exception:
        return []


def descendants(node):
    for child in children(node):
        yield child
        yield from descendants(child)


def describe_windows(app):
    lines = []
    for w in children(app):
        lines.append(f"  {role(w)} '{w.name}'" + ("" if showing(w) else " (not shown)"))
    return "\n".join(lines) or "  (none)"


def fail(message, app=None):
    subprocess.run(["import", "-window", "root", SCREENSHOT], check=False)
    text = f"a11y-check: FAILED: {message}"
    if app is not None:
        text += f"\nthe client's windows now:\n{describe_windows(app)}"
    text += f"\nthe screen: {SCREENSHOT}"
    sys.exit(text)


def wait_for(find, what, app=None):
    end = time.time() + WAIT
    while True:
        try:
            found = find()
        except Exception:  # an object vanished under the search: look again
            found = None
        if found is not None:
            return found
        if time.time() > end:
            fail(f"{what} did not appear within {WAIT:.0f} s", app)
        time.sleep(0.2)


def application():
    def find():
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and (app.name or "").lower() == "tarvolink":
                return app
        return None
    return wait_for(find, "tarvolink on the accessibility bus")


def window(app, title):
    """The shown window whose accessible name is `title`."""
    return wait_for(lambda: next((w for w in children(app)
                                  if w.name == title and showing(w)), None),
                    f"the window '{title}'", app)


def node(app, parent, node_role, name=None, start=None):
    """A shown descendant with that role and name (or name start) that can be clicked."""
    def find():
        for d in descendants(parent):
            if role(d) != node_role or not showing(d):
                continue
            if name is not None and d.name != name:
                continue
            if start is not None and not (d.name or "").startswith(start):
                continue
            _, _, w, h = d.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
            if w > 0 and h > 0:
                return d
        return None
    return wait_for(find, f"the {node_role} '{name or start}' in '{parent.name}'", app)


def click_node(target):
    x, y, w, h = target.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", str(x + w // 2), str(y + h // 2), "click", "1"],
                   check=True)
    time.sleep(0.3)


def click(app, parent, node_role, name=None, start=None):
    click_node(node(app, parent, node_role, name, start))


def menu(app, form, *path):
    for item in path:
        click(app, form, "menu item", item)


def key(*keys):
    subprocess.run(["xdotool", "key", *keys], check=True)
    time.sleep(0.3)


def check_window(app, title, roles=WINDOW_ROLES):
    """The window is announced as one, named by its caption; its controls have names."""
    win = window(app, title)
    win_role = role(win)
    seen.append((win_role, win.name))
    print(f"== {win_role} '{win.name}'")
    if win_role not in roles:
        problems.append(f"'{title}' has the role {win_role}, not {' or '.join(sorted(roles))}:"
                        " a screen reader does not announce it as a window")
    # Its caption, as the window system shows it, is the name read out.
    captions = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"],
                              capture_output=True, text=True, check=False).stdout.split()
    if not captions:
        problems.append(f"'{title}': no shown window has this caption")
    check_controls(win)
    return win


def check_controls(win):
    """Every control a user can reach has a name; prints what a screen reader reads."""
    count = 0
    for d in descendants(win):
        d_role = role(d)
        # Menu items count whether or not their menu is open.
        if d_role not in INTERACTIVE or (not showing(d) and d_role != "menu item"):
            continue
        count += 1
        # The rows of lists and tables carry their text; the list itself needs the name.
        if not (d.name or "").strip():
            problems.append(f"{win.name}: a {d_role} has no name")
        print(f"   {d_role}: {d.name!r}" + (f" ({d.description})" if d.description else ""))
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


def check_no_unannounced_window(app):
    """No shown top-level window of the client reads as a mere panel or filler."""
    for w in children(app):
        if showing(w) and role(w) in {"filler", "panel", "unknown"}:
            problem = f"'{w.name}' is shown as a window with the role {role(w)}"
            if problem not in problems:
                problems.append(problem)


def move_aside(title):
    """Windows open where the main window is (no window manager): move one off it."""
    subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{title}$",
                    "windowmove", "700", "0"], check=True)
    time.sleep(0.3)


def main():
    app = application()
    main_title = "Windows Based Tarvolink"
    form = check_window(app, main_title)
    node(app, form, "list item", "CP6001  FCP280  Boiler house")
    check_controls(form)
    check_status_panels(form)

    # The options window, from IccSession > Options > Tarvo Server.
    menu(app, form, "IccSession", "Options", "Tarvo Server")
    options = check_window(app, "Options")
    path = [d.name for d in descendants(options) if (d.name or "").startswith("Settings file: ")]
    print(f"   {path[0] if path else 'NO SETTINGS PATH SHOWN'}")
    if not path:
        problems.append("the options window does not name its settings file")
    click(app, options, "push button", "Cancel")
    check_no_unannounced_window(app)

    # The cross-reference setup (it hides the main window until it is closed), offered
    # while connected, before a session is opened; and the editor of its CP list.
    form = window(app, main_title)
    menu(app, form, "IccSession", "Options", "Cross-Reference")
    setup = check_window(app, "Cross Reference Setup")
    click(app, setup, "push button", "CP/Vol Names")
    cp_list = check_window(app, "Enter CP/Vol Names")
    click(app, cp_list, "push button", "Cancel")
    check_no_unannounced_window(app)
    setup = window(app, "Cross Reference Setup")
    click(app, setup, "push button", "Cancel")

    # A session on CP6001, its block tree, and a parameter editor for BOILER:LC101.
    form = window(app, main_title)
    click(app, form, "combo box", "CP/Vol list")
    click(app, form, "list item", start="CP6001")
    boiler = wait_for(lambda: next((d for d in descendants(form)
                                    if d.name == "BOILER" and showing(d)), None),
                      "the compound BOILER in the block tree", app)
    subprocess.run(["xdotool", "key", "Right"], check=False)
    click_node(boiler)
    key("Right")
    click_node(wait_for(lambda: next((d for d in descendants(form)
                                      if (d.name or "").startswith("LC101") and showing(d)),
                                     None), "the block LC101 in the tree", app))
    check_controls(form)
    check_status_panels(form)
    click(app, form, "push button", "Edit")
    editor = window(app, "Edit Parameters BOILER:LC101")
    # A row that can be edited, so that the value entry shows too.
    click_node(wait_for(lambda: next((d for d in descendants(editor)
                                      if d.name == "Drum level control" and showing(d)), None),
                        "the DESCRP row", app))
    check_window(app, "Edit Parameters BOILER:LC101")
    check_no_unannounced_window(app)

    # The cross-reference of LC101, from the main window's Xref button.
    form = window(app, main_title)
    click(app, form, "push button", "Xref")
    listing = check_window(app, "Cross-Reference Listing")
    click(app, listing, "push button", "OK")

    # Add: the name box, then the block-type chooser (cancelled: nothing is added).
    form = window(app, main_title)
    click(app, form, "push button", "Add")
    name_box = check_window(app, "New Block")
    click(app, name_box, "text")
    subprocess.run(["xdotool", "type", "A11YNEW"], check=True)
    click(app, name_box, "push button", "OK")
    chooser = check_window(app, "Choose Block Type")
    click(app, chooser, "push button", "Cancel")

    # The journal and trace windows, from the View menu. They open where the main window
    # is; each is moved aside after its check so that the menu can be reached again.
    for title in ("Change Journal", "Protocol Trace"):
        form = window(app, main_title)
        menu(app, form, "View", title)
        check_window(app, title)
        move_aside(title)
    check_no_unannounced_window(app)

    # About, from Help > About: a message box.
    form = window(app, main_title)
    menu(app, form, "Help", "About")
    about = check_window(app, "About....", WINDOW_ROLES | MESSAGE_BOX_ROLES)
    for d in descendants(about):
        if role(d) == "label" and d.name:
            print(f"   text: {d.name[:70]!r}")
    click(app, about, "push button", "OK")

    # A sequence block's editor (left with Cancel), then a PLB block's listing, both in
    # FEEDWT.
    form = window(app, main_title)
    click_node(wait_for(lambda: next((d for d in descendants(form)
                                      if d.name == "FEEDWT" and showing(d)), None),
                        "the compound FEEDWT", app))
    key("Right")

    def tree_node(name):
        return wait_for(lambda: next((d for d in descendants(form)
                                      if (d.name or "").startswith(name) and showing(d)), None),
                        f"the block {name} in the tree", app)

    click_node(tree_node("PMPSEQ"))
    click(app, form, "push button", "Edit Seq")
    editor = check_window(app, "Sequence Block Edit")
    check_no_unannounced_window(app)
    click(app, editor, "push button", "Cancel")
    form = window(app, main_title)
    click_node(tree_node("PMPPLB"))
    click(app, form, "push button", "View PLB")
    check_window(app, "PLB Listing: FEEDWT:PMPPLB")
    check_no_unannounced_window(app)

    print("\nwindows read:")
    for w_role, name in seen:
        print(f"  {w_role:8} {name}")
    if problems:
        print("\n".join(["PROBLEMS:"] + problems))
        sys.exit(f"a11y-check: FAILED: {len(problems)} problems (listed above)")
    print(f"a11y-check: {len(seen)} windows announced as windows with their captions; every "
          "shown control has a name; the status panels read as their text")


main()
