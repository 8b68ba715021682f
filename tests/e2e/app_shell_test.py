"""The desktop program end to end: the main window of a new project with its tabs,
menus and toolbar, the tip of the day and the About box from the Help menu, File >
Exit with the program folder's scratch files removed, and a project named on the
command line."""

import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import atspi_app as ui  # noqa: E402


def test(app):
    win = app.window("New Document - Foldcraft")
    # The step tabs' own list (the Design view has a tab list of its own).
    lists = [[node.name for node in ui._children(tab_list) if node.getRole() == ui.ROLE_PAGE_TAB]
             for tab_list in app.find_all(ui.ROLE_PAGE_TAB_LIST, root=win)]
    assert ["Build", "Design", "Publish"] in lists, lists
    bar = app.find_all(ui.ROLE_MENU_BAR, root=win)[0]
    menus = [node.name for node in ui._children(bar)]
    assert [m for m in menus if m != "Edit"] == ["File", "View", "Build", "Help"], menus
    for caption in ("New", "Open", "Save", "Add Folder", "Sort Alphabetical", "About"):
        app.find(caption, ui.ROLE_PUSH_BUTTON, root=win)

    # Help > Tip of the day... always opens; Close writes the check box.
    app.menu("Help", "Tip of the day...")
    tip = app.window("Tip of the Day")
    box = app.find("Show Tips on StartUp", ui.ROLE_CHECK_BOX, root=tip)
    assert not app.checked(box)  # "StartUp" is 1 in the harness's settings
    app.press(box)
    app.wait_for(lambda: app.checked(box), "the ticked box")
    app.press(app.find("Close", ui.ROLE_PUSH_BUTTON, root=tip))
    app.wait_for(lambda: "StartUp=0" in open(app.settings_file).read(), '"StartUp" = 0')

    app.menu("Help", "About Foldcraft...")
    about = app.window("About Foldcraft")
    info = app.find("Additional Information:", ui.ROLE_TEXT, root=about)
    assert app.text(info).startswith("\n\nVersion: 1.2\n"), repr(app.text(info))
    app.press(app.find("OK", ui.ROLE_PUSH_BUTTON, root=about))

    # A scratch file left in the program folder goes when the program ends.
    scratch = os.path.join(app.program_folder, "temp.html")
    with open(scratch, "w") as f:
        f.write("<html></html>")
    app.menu("File", "Exit")
    assert app.wait_exit() == 0
    assert not os.path.exists(scratch), "temp.html is still there"

    # A project named on the command line opens in its own window title.
    project = os.path.join(app.workdir, "harbour.fcd")
    subprocess.run([os.environ["FOLDCRAFT_CLI"], "new", project], check=True,
                   stdout=subprocess.DEVNULL)
    with ui.App(args=["--no-splash", project]) as other:
        other.window("harbour.fcd - Foldcraft")
        other.menu("File", "Exit")
        assert other.wait_exit() == 0


if __name__ == "__main__":
    ui.main(test)
