"""The Publish step end to end through the accessibility tree: a project of imported
documents, a new target directory typed into the Publish tab, Publish, Yes to
"Create?", the Publishing window until "Publish successful!", then Close. The site
is complete (foldcraft-cli check finds nothing broken) and the start page was handed
to the desktop: a stand-in xdg-open first on PATH records its argument."""

import os
import stat
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import atspi_app as ui  # noqa: E402


def write_documents(root):
    for name, text in (("Letters/note.txt", "note"), ("Letters/old/draft.txt", "draft"),
                       ("Reports/q1.txt", "q1"), ("readme.txt", "readme")):
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as f:
            f.write(text)


def stand_in_opener(directory):
    """An xdg-open in directory that appends its arguments to opened.log there."""
    os.makedirs(directory)
    log = os.path.join(directory, "opened.log")
    opener = os.path.join(directory, "xdg-open")
    with open(opener, "w") as f:
        f.write('#!/bin/sh\nprintf "%s\\n" "$*" >> "' + log + '"\n')
    os.chmod(opener, stat.S_IRWXU)
    return log


def test(app):
    cli = os.environ["FOLDCRAFT_CLI"]
    docs = os.path.join(app.workdir, "documents")
    write_documents(docs)
    project = os.path.join(app.workdir, "site.fcd")
    subprocess.run([cli, "import", docs, "-o", project], check=True, stdout=subprocess.DEVNULL)
    bin_dir = os.path.join(app.workdir, "bin")
    opened_log = stand_in_opener(bin_dir)
    target = os.path.join(app.workdir, "out", "site")

    env = {"PATH": bin_dir + os.pathsep + os.environ.get("PATH", "")}
    with ui.App(args=["--no-splash", project], env=env) as other:
        main = other.window("site.fcd - Foldcraft")
        other.press(other.find("Publish", ui.ROLE_PAGE_TAB, root=main))
        path = other.find("Where would you like to publish?", ui.ROLE_TEXT, root=main)
        other.set_text(path, target)
        other.press(other.find("Publish", ui.ROLE_PUSH_BUTTON, root=main))

        question = other.find("Directory does not exist. Create?")
        box = question
        while box is not None and box.getRole() not in (ui.ROLE_DIALOG, ui.ROLE_ALERT):
            box = box.parent
        other.press(other.find("Yes", ui.ROLE_PUSH_BUTTON, root=box))

        window = other.window("Publishing")
        log = other.find("Publish status", ui.ROLE_TEXT, root=window)
        other.wait_for(lambda: other.text(log).endswith("Publish successful!\n"),
                       '"Publish successful!" in the log', timeout=60)
        close = other.find("Close", ui.ROLE_PUSH_BUTTON, root=window)
        other.wait_for(lambda: other.enabled(close), "Close enabled")
        other.press(close)

        other.wait_for(lambda: os.path.exists(opened_log) and open(opened_log).read(),
                       "the start page handed to xdg-open")
    opened = open(opened_log).read().splitlines()
    start_page = os.path.join(target, "TitlePage.html")
    assert opened in ([start_page], ["file://" + start_page]), opened
    check = subprocess.run([cli, "check", target], capture_output=True, text=True)
    assert check.returncode == 0 and "no broken link" in check.stdout, check.stdout


if __name__ == "__main__":
    ui.main(test, args=["--no-splash"])
