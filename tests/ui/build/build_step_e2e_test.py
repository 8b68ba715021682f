"""The Build step end to end, on the real program through the accessibility tree:
Add Folder "Reports" under the root, Add Web Link (its name follows the link),
Remove, Undo, Save; `foldcraft-cli info` of the saved file shows the tree."""

import json
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "e2e"))
import atspi_app as ui  # noqa: E402


def project_path():
    return os.path.join(os.environ["FOLDCRAFT_E2E_DIR"], "build-step.fcd")


def test(app):
    win = app.window("build-step.fcd - Foldcraft")

    def tree_item(name):
        return app.find(name, root=app.find("Site tree", root=win))

    # Add Folder under the selected root; the root stays selected.
    app.press(tree_item("Root"))
    app.menu("Build", "Add", "Folder")
    dialog = app.window("Add Folder")
    app.set_text(app.find("Please enter a name for the new folder:", root=dialog), "Reports")
    app.press(app.find("OK", ui.ROLE_PUSH_BUTTON, root=dialog))
    tree_item("Reports")

    # Add Web Link: the name follows the link.
    app.menu("Build", "Add", "Web Link")
    dialog = app.window("Add Web Link")
    app.set_text(app.find("Link:", root=dialog), "https://www.example.org/news")
    name = app.find("Name:", root=dialog)
    app.wait_for(lambda: app.text(name) == "example.org/news", "the derived name")
    app.press(app.find("OK", ui.ROLE_PUSH_BUTTON, root=dialog))
    tree_item("example.org/news")

    # Remove the folder, undo, save.
    app.press(tree_item("Reports"))
    app.menu("Build", "Remove")
    app.wait_for(lambda: all(n.name != "Reports" for n in ui._walk(app.find("Site tree"))),
                 "the folder removed")
    app.press(app.find("Undo", ui.ROLE_PUSH_BUTTON, root=win))
    tree_item("Reports")
    app.menu("File", "Save")
    app.window("build-step.fcd - Foldcraft")
    app.menu("File", "Exit")
    assert app.wait_exit() == 0

    info = json.loads(subprocess.run([os.environ["FOLDCRAFT_CLI"], "info", project_path()],
                                     check=True, capture_output=True, text=True).stdout)
    root = info["m_pRoot"]
    assert [f["m_strName"] for f in root["m_arrFolders"]] == ["Reports"], root["m_arrFolders"]
    [link] = root["m_arrDocs"]
    assert link["m_strName"] == "example.org/news", link
    assert link["m_strLink"] == "https://www.example.org/news", link


if __name__ == "__main__":  # outside the session and in it, a folder; in it, the project
    with tempfile.TemporaryDirectory(prefix="foldcraft-build-") as workdir:
        os.environ["FOLDCRAFT_E2E_DIR"] = workdir
        if os.environ.get(ui.SESSION_FLAG):
            subprocess.run([os.environ["FOLDCRAFT_CLI"], "new", project_path()], check=True,
                           stdout=subprocess.DEVNULL)
        ui.main(test, args=["--no-splash", project_path()])
