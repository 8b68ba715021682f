"""Takes the screenshots of docs/screenshots with the real program on a project:

    /usr/bin/python3 tools/screenshots.py PROJECT.fcd OUTPUT_DIR

(tools/screenshots.sh builds the program and the example project first.) Each shot
is one row of SHOTS: a file name and the steps that bring the window or dialog to
the front; a dialog is closed again with its button."""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import atspi_app as ui  # noqa: E402

PROJECT, OUTPUT = (os.path.abspath(a) for a in sys.argv[1:3])
TITLE = os.path.basename(PROJECT) + " - Foldcraft"


def tab(name):
    def show(app):
        win = app.window(TITLE)
        app.press(app.find(name, ui.ROLE_PAGE_TAB, root=win))
        return win
    return show


def dialog(menu, title, close):
    def show(app):
        app.menu(*menu)
        return app.window(title), close
    return show


SHOTS = [
    ("build.png", tab("Build")),
    ("design.png", tab("Design")),
    ("publish.png", tab("Publish")),
    ("tip.png", dialog(("Help", "Tip of the day..."), "Tip of the Day", "Close")),
    ("about.png", dialog(("Help", "About Foldcraft..."), "About Foldcraft", "OK")),
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
        print(os.path.join(OUTPUT, name))
    app.window(TITLE)
    app.menu("File", "Exit")
    assert app.wait_exit() == 0


if __name__ == "__main__":
    ui.main(take, args=["--no-splash", PROJECT])
