"""Recovery after a crash, end to end: foldcraft (with the autosave intervals shortened
for the test) gets an unsaved edit, its recovery copy appears in the program folder and
the program is killed with SIGKILL. The next start offers the copy; Recover brings the
edit back in a modified project, and a clean exit that discards it leaves no copy."""

import glob
import os
import signal
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import atspi_app as ui  # noqa: E402

os.environ["FOLDCRAFT_TEST_AUTOSAVE_MS"] = "400,100"
PATH_LABEL = "Where would you like to publish?"


def test(app):
    recovery = os.path.join(app.program_folder, "recovery")
    target = os.path.join(app.workdir, "recovered-site")
    main = app.window("New Document - Foldcraft")
    app.press(app.find("Publish", ui.ROLE_PAGE_TAB, root=main))
    app.set_text(app.find(PATH_LABEL, ui.ROLE_TEXT, root=main), target)
    app.wait_for(lambda: glob.glob(os.path.join(recovery, "*.json")), "the recovery copy")
    os.kill(app.process.pid, signal.SIGKILL)
    app.wait_exit()

    again = ui.App(args=["--no-splash"])
    again.program_folder = app.program_folder
    with again:
        box = again.window("Foldcraft")
        again.wait_for(lambda: any(n.name.startswith("Recover unsaved changes to New Document from ")
                                   for n in again.find_all(ui.ROLE_LABEL, root=box)), "the offer")
        again.press(again.find("Recover", ui.ROLE_PUSH_BUTTON, root=box))
        main = again.window("New Document* - Foldcraft")
        again.press(again.find("Publish", ui.ROLE_PAGE_TAB, root=main))
        field = again.find(PATH_LABEL, ui.ROLE_TEXT, root=main)
        again.wait_for(lambda: again.text(field) == target, "the recovered publish path")
        again.menu("File", "Exit")
        question = again.window("Foldcraft")
        again.press(again.find("Discard", ui.ROLE_PUSH_BUTTON, root=question))
        assert again.wait_exit() == 0
    left = os.listdir(recovery)
    assert left == [], left


if __name__ == "__main__":
    ui.main(test, args=["--no-splash"])
