"""A small site made with the keyboard alone (keys sent through AT-SPI, no action pressed
on any node): the tree's context menu from the Menu key and Shift+F10; a folder, a file
through the Add Files dialog and a web link, from the Build menu's mnemonics; a local
publish from the Publish step, reached with Ctrl+PgDown; Save, New, and the project
opened again from File > Recent Document."""

import atexit
import os
import re
import shutil
import stat
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import atspi_app as ui  # noqa: E402

KEYSYMS = {"Return": 0xff0d, "Escape": 0xff1b, "Next": 0xff56, "Menu": 0xff67, "F6": 0xffc3, "F10": 0xffc7}
MODIFIERS = {"shift": 1, "ctrl": 4, "alt": 8}


def key(combo):
    """Presses a key with its modifiers held: "alt+b", "ctrl+Next", "Return"."""
    *mods, name = combo.split("+")
    mask = sum(MODIFIERS[m] for m in mods)
    registry = ui.pyatspi.Registry
    if mask:
        registry.generateKeyboardEvent(mask, None, ui.pyatspi.KEY_LOCKMODIFIERS)
    registry.generateKeyboardEvent(KEYSYMS.get(name, ord(name[0])), None, ui.pyatspi.KEY_SYM)
    if mask:
        registry.generateKeyboardEvent(mask, None, ui.pyatspi.KEY_UNLOCKMODIFIERS)


def type_text(text):
    for c in text:  # an ASCII character's keysym is its code
        ui.pyatspi.Registry.generateKeyboardEvent(ord(c), None, ui.pyatspi.KEY_SYM)


def focused(root):
    """The nodes under root that say they have the focus (a tree says so with its item)."""
    return [n for n in ui._walk(root) if n.getState().contains(ui.STATE_FOCUSED)]


def wait_focus(app, root, name=None):
    """Waits until the focus is inside root (on the named control, when given)."""
    return app.wait_for(lambda: any(name is None or n.name == name for n in focused(root)),
                        f'the focus on "{name or root.name}"')


def active(app, title=None):
    """Waits until the window (the main window when no title) is active with the focus
    inside, and returns its node. The virtual display has no window manager: the main
    window is given the input focus as one would give it, at start and when a dialog has
    closed; the program's dialogs take it themselves."""
    if title is None:
        window = app.wait_for(lambda: next((n for n in ui._children(app.node)
                                            if n.getRole() == ui.ROLE_FRAME), None), "the window")
        subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--pid",
                        str(app.process.pid), "--name", f"^{re.escape(window.name)}$",
                        "windowfocus", "--sync"], check=True, timeout=60, stdout=subprocess.DEVNULL)
    else:
        window = app.window(title)
    app.wait_for(lambda: window.getState().contains(ui.STATE_ACTIVE), f'"{window.name}" active')
    wait_focus(app, window)
    return window


def test(app):
    docs = os.path.join(app.workdir, "documents")
    os.makedirs(docs)
    note = os.path.join(docs, "note.txt")
    open(note, "w").write("note")
    main = active(app)
    tree = app.find("Site tree", root=main)
    for combo in ("Menu", "shift+F10"):  # the tree's context menu, left with Escape
        key(combo)
        app.wait_for(lambda: any(n.getRole() == ui.ROLE_POPUP_MENU and n.name == "" and
                                 n.getState().contains(ui.STATE_SHOWING) for n in ui._walk(main)),
                     f"the context menu from {combo}")
        key("Escape")
        app.wait_for(lambda: not any(n.getRole() == ui.ROLE_POPUP_MENU and
                                     n.getState().contains(ui.STATE_SHOWING)
                                     for n in ui._walk(main)), "the menu closed")

    key("alt+b"), key("a"), key("f")  # Build > Add > Folder
    active(app, "Add Folder")
    type_text("Docs")
    key("Return")
    active(app)
    app.find("Docs", root=tree)

    key("alt+b"), key("a"), key("i")  # Build > Add > Files
    chooser = active(app, "Add Files")
    wait_focus(app, chooser, "File name:")
    type_text(note)
    key("Return")
    active(app)
    app.find("note.txt", root=tree)

    key("alt+b"), key("a"), key("w")  # Build > Add > Web Link
    active(app, "Add Web Link")
    key("ctrl+a")
    type_text("http://example.org")
    key("Return")
    active(app)
    app.find("example.org", root=tree)

    site = os.path.join(app.workdir, "out", "site")
    key("ctrl+Next"), key("ctrl+Next")  # Build -> Design -> Publish
    path = app.find("Where would you like to publish?", ui.ROLE_TEXT, root=main)
    key("alt+w")
    wait_focus(app, main, "Where would you like to publish?")
    type_text(site)
    app.wait_for(lambda: app.text(path) == site, "the path typed")
    key("alt+i")  # Publish
    box = app.find("Directory does not exist. Create?")
    while box.getRole() not in (ui.ROLE_DIALOG, ui.ROLE_ALERT):
        box = box.parent
    active(app, box.name)
    key("alt+y")
    window = active(app, "Publishing")
    log = app.find("Publish status", ui.ROLE_TEXT, root=window)
    app.wait_for(lambda: app.text(log).endswith("Publish successful!\n"), "a successful run")
    close = app.find("Close", ui.ROLE_PUSH_BUTTON, root=window)
    app.wait_for(lambda: app.enabled(close), "the run's end")
    key("Return")  # Close, the default: the start page is handed to the desktop
    app.wait_for(lambda: not any(n.name == "Publishing" for n in ui._children(app.node)),
                 "the window closed")
    for page in ("TitlePage.html", "Folder0.html", "note.txt"):
        assert any(page in files for _, _, files in os.walk(site)), page
    app.wait_for(lambda: "TitlePage.html" in open(OPENED).read(), "the start page opened")

    active(app)
    key("ctrl+s")  # never saved: Save As
    active(app, "Save As")
    type_text(os.path.join(app.workdir, "site"))
    key("Return")
    app.window("site.fcd - Foldcraft")
    active(app)
    key("ctrl+n")
    app.window("New Document - Foldcraft")
    key("alt+f"), key("r"), key("1")  # File > Recent Document > 1
    main = app.window("site.fcd - Foldcraft")
    key("alt+u")  # the Build step
    tree = app.find("Site tree", root=main)
    for name in ("Docs", "note.txt", "example.org"):
        app.find(name, root=tree)


# The desktop's opener, a stand-in that records what it is given.
OPENED = os.path.join(tempfile.mkdtemp(prefix="foldcraft-e2e-bin-"), "opened.log")
atexit.register(shutil.rmtree, os.path.dirname(OPENED), True)
open(OPENED, "w").close()
with open(os.path.join(os.path.dirname(OPENED), "xdg-open"), "w") as opener:
    opener.write(f'#!/bin/sh\nprintf "%s\\n" "$*" >> "{OPENED}"\n')
os.chmod(opener.name, stat.S_IRWXU)
os.environ["PATH"] = os.path.dirname(OPENED) + os.pathsep + os.environ["PATH"]

if __name__ == "__main__":
    ui.main(test, args=["--no-splash"])
