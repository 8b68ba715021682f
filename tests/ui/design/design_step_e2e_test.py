"""The Design step end to end through the accessibility tree: a folder made a hotspot
folder with the harbour map, a rectangle drawn with the mouse and linked to a
document, the project saved; the command-line tool then shows the hotspot."""

import json
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.environ.get("FOLDCRAFT_SOURCE_DIR") or os.path.abspath(os.path.join(HERE, "..", "..", ".."))
sys.path.insert(0, os.path.join(REPO, "tests", "e2e"))
import atspi_app as ui  # noqa: E402

CLI = os.environ.get("FOLDCRAFT_CLI", os.path.join(REPO, "build", "src", "foldcraft-cli"))
MAP = os.path.join(REPO, "examples", "pictures", "harbour-map.gif")


def cli(*args):
    return subprocess.run([CLI, *args], check=True, capture_output=True, text=True,
                          timeout=60).stdout


def xdotool(*args):
    subprocess.run(["xdotool", *map(str, args)], check=True, timeout=60)


def click(node):
    box = node.queryComponent().getExtents(ui.pyatspi.DESKTOP_COORDS)
    xdotool("mousemove", "--sync", box.x + box.width // 2, box.y + box.height // 2, "click", 1)


def status(app, dialog, start):
    """Waits for the Hotspots dialog's status line to begin with start."""
    app.wait_for(lambda: any(n.name.startswith(start)
                             for n in app.find_all(ui.ROLE_LABEL, root=dialog)),
                 f'the status "{start}..."')


def hotspots(app, win):
    app.press(app.find("Build", ui.ROLE_PAGE_TAB, root=win))
    tree = app.find("Site tree", root=win)
    click(app.find("Notes", root=tree))
    app.press(app.find("Hotspot...", ui.ROLE_PUSH_BUTTON, root=win))
    dialog = app.window("Hotspots")
    app.press(app.find("Make this a hotspot folder", ui.ROLE_CHECK_BOX, root=dialog))
    app.wait_for(lambda: app.enabled(app.find("Browse...", ui.ROLE_PUSH_BUTTON, root=dialog)),
                 "Browse... enabled")
    app.press(app.find("Browse...", ui.ROLE_PUSH_BUTTON, root=dialog))
    chooser = app.window("Browse")
    app.set_text(app.find("File name:", ui.ROLE_TEXT, root=chooser), MAP)
    app.press(app.find("Open", ui.ROLE_PUSH_BUTTON, root=chooser))
    app.wait_for(lambda: app.text(app.find("Image:", ui.ROLE_TEXT, root=dialog)) == MAP,
                 "the picture's path")

    # A rectangle from picture pixel (50, 60) to (150, 110), drawn with the mouse.
    app.press(app.find("Rectangle", root=dialog))
    picture = app.find("Picture", root=dialog)
    box = picture.queryComponent().getExtents(ui.pyatspi.DESKTOP_COORDS)
    xdotool("mousemove", "--sync", box.x + 50, box.y + 60, "mousedown", 1)
    for step in range(1, 11):
        xdotool("mousemove", "--sync", box.x + 50 + 10 * step, box.y + 60 + 5 * step)
    xdotool("mouseup", 1)
    status(app, dialog, "Rectangle 50, 60, 150, 110 - Contacts.csv (")

    # Its link: an entry of the list, chosen with the mouse.
    # (on Linux a combo box's name is its text; the caption is its label)
    links = app.wait_for(lambda: next((n for n in app.find_all(ui.ROLE_COMBO_BOX, root=dialog)
                                       if app.showing(n)), None), "the link list")
    click(links)
    click(app.find(next(n.name for n in app.find_all(ui.ROLE_LIST_ITEM, root=links)
                        if n.name.startswith("Meeting notes")), ui.ROLE_LIST_ITEM, root=links))
    status(app, dialog, "Rectangle 50, 60, 150, 110 - Meeting notes 2026-03-14.txt (")
    app.press(app.find("OK", ui.ROLE_PUSH_BUTTON, root=dialog))
    app.wait_for(lambda: all(n is None or n.name != "Hotspots" for n in ui._children(app.node)),
                 "the Hotspots dialog to close")


def test(app):
    project = os.path.join(app.workdir, "harbour.fcd")
    cli("import", os.path.join(REPO, "examples", "documents"), "-o", project)
    app.menu("File", "Exit")
    app.wait_exit()
    with ui.App(args=["--no-splash", project]) as other:
        win = other.window("harbour.fcd - Foldcraft")
        hotspots(other, win)
        other.wait_for(lambda: win.name == "harbour.fcd* - Foldcraft", "the modified project")
        other.menu("File", "Save")
        other.wait_for(lambda: win.name == "harbour.fcd - Foldcraft", "the saved project")
        other.menu("File", "Exit")
        assert other.wait_exit() == 0

    data = json.loads(cli("info", project))
    notes = next(f for f in data["m_pRoot"]["m_arrFolders"] if f["m_strName"] == "Notes")
    assert notes["m_bHotspotFolder"] == 1 and notes["m_strHotspotImage"] == MAP, notes
    [area] = notes["m_arrHotspots"]
    assert area["m_nShape"] == 0 and area["m_arrCoords"] == [50, 60, 150, 110], area
    assert area["m_strLink"].startswith("Meeting notes 2026-03-14.txt ("), area


if __name__ == "__main__":
    ui.main(test)
