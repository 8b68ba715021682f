"""Takes the screenshots of docs/screenshots with the real program on a project:

    /usr/bin/python3 tools/screenshots.py PROJECT.fcd OUTPUT_DIR

(tools/screenshots.sh builds the program and the example project first.) Each shot
is one row of SHOTS: a file name and the steps that bring the window or dialog to
the front; a dialog is closed again with its button. The local publish goes into a
temporary directory, and the start page it offers is handed to a stand-in opener."""

import os
import shutil
import stat
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import atspi_app as ui  # noqa: E402

PROJECT, OUTPUT = (os.path.abspath(a) for a in sys.argv[1:3])
TITLE = os.path.basename(PROJECT) + " - Foldcraft"
SCRATCH = os.environ.get("FOLDCRAFT_SHOTS_SCRATCH", "")


def main_window(app):
    """The main window, whatever its title (a changed project adds a "*")."""
    return app.wait_for(lambda: next((n for n in ui._children(app.node)
                                      if n is not None and n.getRole() == ui.ROLE_FRAME), None),
                        "the main window")


def click(node):
    """A mouse click on node's centre (a tree item's own action does not select it)."""
    box = node.queryComponent().getExtents(ui.pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", str(box.x + box.width // 2),
                    str(box.y + box.height // 2), "click", "1"], check=True, timeout=10)


def tab(*names):
    """The main window with the tabs names pressed in turn (a step, then its page)."""
    def show(app):
        win = main_window(app)
        for name in names:
            app.press(app.find(name, ui.ROLE_PAGE_TAB, root=win))
        return win
    return show


def menu(*captions):
    return lambda app: app.menu(*captions)


def select(app, item):
    """The Build tab in front with item selected in the site tree; the main window."""
    win = main_window(app)
    app.press(app.find("Build", ui.ROLE_PAGE_TAB, root=win))
    click(app.find(item, root=app.find("Site tree", root=win)))
    return win


def build_menu(item, *captions):
    """Selects item in the site tree, then picks the menu item."""
    def steps(app):
        select(app, item)
        app.menu(*captions)
    return steps


def button(caption, item):
    """Selects item in the site tree, then presses caption on the Build form."""
    def steps(app):
        win = select(app, item)
        app.press(app.find(caption, ui.ROLE_PUSH_BUTTON, root=win))
    return steps


def publish(method, path=None):
    """Publish tab, the method, the path for a local run, Publish, Yes to "Create?"."""
    def steps(app):
        win = tab("Publish")(app)
        app.press(app.find(method, ui.ROLE_RADIO_BUTTON, root=win))
        if path:
            app.set_text(app.find("Where would you like to publish?", ui.ROLE_TEXT, root=win),
                         path)
        app.press(app.find("Publish", ui.ROLE_PUSH_BUTTON, root=win))
        if path:
            question = app.find("Directory does not exist. Create?")
            while question.getRole() not in (ui.ROLE_DIALOG, ui.ROLE_ALERT):
                question = question.parent
            app.press(app.find("Yes", ui.ROLE_PUSH_BUTTON, root=question))
    return steps


def published(app, window):
    log = app.find("Publish status", ui.ROLE_TEXT, root=window)
    app.wait_for(lambda: app.text(log).endswith("Publish successful!\n"),
                 '"Publish successful!"', timeout=120)
    close = app.find("Close", ui.ROLE_PUSH_BUTTON, root=window)
    app.wait_for(lambda: app.enabled(close), "Close enabled")


def dialog(steps, title, close, ready=None):
    def show(app):
        steps(app)
        node = app.window(title)
        if ready:
            ready(app, node)
        return node, close
    return show


SHOTS = [
    ("build.png", tab("Build")),
    ("design.png", tab("Design", "General")),
    ("design-text.png", tab("Design", "Text")),
    ("design-colors.png", tab("Design", "Colors")),
    ("publish.png", tab("Publish")),
    ("add-folder.png", dialog(build_menu("Root", "Build", "Add", "Folder"), "Add Folder", "Cancel")),
    ("add-web-link.png", dialog(build_menu("Root", "Build", "Add", "Web Link"), "Add Web Link", "Cancel")),
    ("edit-label.png", dialog(button("Edit...", "Harbour map"), "Edit Label", "Cancel")),
    ("button-styles.png", dialog(button("Buttons...", "Photos"), "Button Styles", "Cancel")),
    ("hotspots.png", dialog(button("Hotspot...", "Harbour map"), "Hotspots", "Cancel")),
    ("publishing.png", dialog(publish("Local files", os.path.join(SCRATCH, "site")),
                              "Publishing", "Close", ready=published)),
    ("publish-ftp.png", dialog(publish("Export to FTP server"), "Publish to FTP server",
                               "Close")),
    ("tip.png", dialog(menu("Help", "Tip of the day..."), "Tip of the Day", "Close")),
    ("about.png", dialog(menu("Help", "About Foldcraft..."), "About Foldcraft", "OK")),
]


def take(app):
    os.makedirs(OUTPUT, exist_ok=True)
    app.window(TITLE)
    for name, show in SHOTS:
        shown = show(app)
        node, close = shown if isinstance(shown, tuple) else (shown, None)
        # The window is up; let it finish painting before the picture is taken.
        app.wait_for(lambda: app.showing(node), f"{name} on screen")
        app.screenshot(os.path.join(OUTPUT, name), node)
        if close:
            app.press(app.find(close, ui.ROLE_PUSH_BUTTON, root=node))
            app.wait_for(lambda: all(n is None or n.name != node.name
                                     for n in ui._children(app.node)), f"{name} closed")
        print(os.path.join(OUTPUT, name))
    # The publish settings changed the project: leave it as it was on disk.
    app.menu("File", "Exit")
    try:
        offer = app.window("Foldcraft", timeout=3)
        app.press(next(n for n in app.find_all(ui.ROLE_PUSH_BUTTON, root=offer)
                       if n.name in ("Discard", "Don't Save", "Close without Saving")))
    except TimeoutError:
        pass
    assert app.wait_exit() == 0


def stand_in_opener(directory):
    """An xdg-open that opens nothing, first on PATH."""
    opener = os.path.join(directory, "xdg-open")
    with open(opener, "w") as f:
        f.write("#!/bin/sh\nexit 0\n")
    os.chmod(opener, stat.S_IRWXU)
    os.environ["PATH"] = directory + os.pathsep + os.environ.get("PATH", "")


if __name__ == "__main__":
    if os.environ.get(ui.SESSION_FLAG):
        ui.main(take, args=["--no-splash", PROJECT])
    else:  # outside the session: the scratch directory for the publish and the opener
        SCRATCH = tempfile.mkdtemp(prefix="foldcraft-shots-")
        os.environ["FOLDCRAFT_SHOTS_SCRATCH"] = SCRATCH
        stand_in_opener(SCRATCH)
        try:
            ui.main(take, args=["--no-splash", PROJECT])
        finally:
            shutil.rmtree(SCRATCH, ignore_errors=True)
