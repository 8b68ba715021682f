"""Project files end to end through the program's own dialogs: Save As proposes the
title, Open reads another project, the recent list reopens the first, and the list
is kept in the settings file."""

import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import atspi_app as ui  # noqa: E402


def file_dialog(app, title, path, button):
    dialog = app.window(title)
    name = app.find("File name:", ui.ROLE_TEXT, root=dialog)
    proposed = app.text(name)
    app.set_text(name, path)
    app.press(app.find(button, ui.ROLE_PUSH_BUTTON, root=dialog))
    return proposed


def test(app):
    app.window("New Document - Foldcraft")
    site = os.path.join(app.workdir, "site")
    other = os.path.join(app.workdir, "other.fcd")
    subprocess.run([os.environ["FOLDCRAFT_CLI"], "new", other], check=True,
                   stdout=subprocess.DEVNULL)

    app.menu("File", "Save As...")
    assert file_dialog(app, "Save As", site, "Save") == "New Document.fcd"
    app.window("site.fcd - Foldcraft")
    assert os.path.getsize(site + ".fcd") > 0

    app.menu("File", "Open...")
    file_dialog(app, "Open", other, "Open")
    app.window("other.fcd - Foldcraft")

    app.menu("File", "Recent Document", "2 " + site + ".fcd")
    app.window("site.fcd - Foldcraft")

    app.menu("File", "Exit")
    assert app.wait_exit() == 0
    settings = open(app.settings_file).read()
    assert f"File1={site}.fcd" in settings and f"File2={other}" in settings, settings


if __name__ == "__main__":
    ui.main(test, args=["--no-splash"])
