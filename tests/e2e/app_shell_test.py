"""The desktop program end to end, one path per thing a user does: the tip of the day and
the About box; Save As, Open and the recent list through the program's own file dialogs;
File > Exit, which removes the scratch file and leaves the settings written. Then the
opened project, named on the command line, published into a new directory: the site is
written and its start page handed to the desktop (a stand-in xdg-open records it). A
project that cannot be opened, named at start: the message, and the program ends."""

import os
import stat
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import atspi_app as ui  # noqa: E402


def file_dialog(app, title, path, button):
    """Types path into the file dialog's name and presses button; the name proposed."""
    dialog = app.window(title)
    name = app.find("File name:", ui.ROLE_TEXT, root=dialog)
    proposed = app.text(name)
    app.set_text(name, path)
    app.press(app.find(button, ui.ROLE_PUSH_BUTTON, root=dialog))
    return proposed


def shell_and_documents(app, other):
    app.window("New Document - Foldcraft")
    app.menu("Help", "Tip of the day...")
    tip = app.window("Tip of the Day")
    box = app.find("Show Tips on StartUp", ui.ROLE_CHECK_BOX, root=tip)
    assert not app.checked(box)  # "StartUp" is 1 in the harness's settings
    app.press(box)
    app.wait_for(lambda: app.checked(box), "the ticked box")
    app.press(app.find("Close", ui.ROLE_PUSH_BUTTON, root=tip))
    app.menu("Help", "About Foldcraft...")
    about = app.window("About Foldcraft")
    info = app.find("Additional Information:", ui.ROLE_TEXT, root=about)
    assert app.text(info).startswith("\n\nVersion: 1.2\n"), repr(app.text(info))
    app.press(app.find("OK", ui.ROLE_PUSH_BUTTON, root=about))

    site = os.path.join(app.workdir, "site")
    app.menu("File", "Save As...")
    assert file_dialog(app, "Save As", site, "Save") == "New Document.fcd"
    app.window("site.fcd - Foldcraft")
    app.menu("File", "Open...")
    file_dialog(app, "Open", other, "Open")
    app.window("imported.fcd - Foldcraft")
    app.menu("File", "Recent Document", "2 " + site + ".fcd")
    app.window("site.fcd - Foldcraft")

    scratch = os.path.join(app.program_folder, "temp.html")
    open(scratch, "w").close()
    app.menu("File", "Exit")
    assert app.wait_exit() == 0 and not os.path.exists(scratch), "bad exit, or temp.html left"
    settings = open(app.settings_file).read()
    for entry in ("StartUp=0", f"File1={site}.fcd", f"File2={other}"):
        assert entry in settings, settings


def publish(workdir, project):
    bin_dir, target = os.path.join(workdir, "bin"), os.path.join(workdir, "out", "site")
    os.makedirs(bin_dir)
    opened_log, opener = os.path.join(bin_dir, "opened.log"), os.path.join(bin_dir, "xdg-open")
    open(opener, "w").write(f'#!/bin/sh\nprintf "%s\\n" "$*" >> "{opened_log}"\n')
    os.chmod(opener, stat.S_IRWXU)

    env = {"PATH": bin_dir + os.pathsep + os.environ["PATH"]}
    with ui.App(args=["--no-splash", project], env=env) as app:
        main = app.window("imported.fcd - Foldcraft")
        app.press(app.find("Publish", ui.ROLE_PAGE_TAB, root=main))
        app.set_text(app.find("Where would you like to publish?", ui.ROLE_TEXT, root=main), target)
        app.press(app.find("Publish", ui.ROLE_PUSH_BUTTON, root=main))
        box = app.find("Directory does not exist. Create?")
        while box.getRole() not in (ui.ROLE_DIALOG, ui.ROLE_ALERT):
            box = box.parent
        app.press(app.find("Yes", ui.ROLE_PUSH_BUTTON, root=box))
        window = app.window("Publishing")
        log = app.find("Publish status", ui.ROLE_TEXT, root=window)
        app.wait_for(lambda: app.text(log).endswith("Publish successful!\n"), "a successful run")
        close = app.find("Close", ui.ROLE_PUSH_BUTTON, root=window)
        app.wait_for(lambda: app.enabled(close), "Close enabled")
        app.press(close)
        app.wait_for(lambda: os.path.exists(opened_log) and open(opened_log).read(),
                     "the start page handed to xdg-open")
    start_page = os.path.join(target, "TitlePage.html")
    assert open(opened_log).read().split() in ([start_page], ["file://" + start_page])
    assert os.path.isfile(os.path.join(target, "Folder0.html"))


def test(app):
    docs, project = os.path.join(app.workdir, "documents"), app.workdir + "/imported.fcd"
    os.makedirs(docs)
    open(os.path.join(docs, "note.txt"), "w").write("note")
    subprocess.run([os.environ["FOLDCRAFT_CLI"], "import", docs, "-o", project], check=True,
                   stdout=subprocess.DEVNULL)
    shell_and_documents(app, project)
    publish(app.workdir, project)
    # A project that cannot be opened, named at start: the message, then no window.
    with ui.App(args=["--no-splash", project + ".gone"]) as gone:
        alert = gone.window("Foldcraft")
        gone.wait_for(lambda: any(n.name.startswith(f"Cannot open {project}.gone: ")
                                  for n in gone.find_all(ui.ROLE_LABEL, root=alert)), "why")
        gone.press(gone.find("OK", ui.ROLE_PUSH_BUTTON, root=alert))
        assert gone.wait_exit() == 2


if __name__ == "__main__":
    ui.main(test)
