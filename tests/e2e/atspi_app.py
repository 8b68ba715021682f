"""Drive the real foldcraft program through the accessibility tree, as a screen
reader or a person would.

A test script (tests/**/*_test.py, run by ctest with /usr/bin/python3) looks like:

    import os, sys
    sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "e2e"))
    import atspi_app as ui

    def test(app):                       # app: a started ui.App
        win = app.window("New Document - Foldcraft")
        app.menu("File", "Open...")      # menu bar, then menu items, by caption
        dlg = app.window("Open")         # windows and dialogs by title
        app.press(app.find("Cancel", ui.ROLE_PUSH_BUTTON, root=dlg))
        app.menu("File", "Exit")
        assert app.wait_exit() == 0

    if __name__ == "__main__":
        ui.main(test, args=["--no-splash"])

main(test, args=(), settings=None) re-runs the script inside
`xvfb-run -a -n RANDOM dbus-run-session` with the AT-SPI bus started (at-spi-bus-launcher
--launch-immediately) and QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1, then starts foldcraft
($FOLDCRAFT_APP, else build/src/foldcraft) with a temporary program folder
(app.program_folder) and a temporary settings file (app.settings_file, an INI file;
`settings` is {"Section": {"Name": value}}; by default "Tip"/"StartUp" is 1 so that
no tip dialog opens), calls test(app), and ends the program. It prints
"1 passed, 0 failed" or the failure and exits 0 or 1.

The App API (every look-up waits up to `timeout` seconds, 15 by default, for the
thing to appear, and raises TimeoutError naming what it waited for):
  find(name, role=None, root=None)      first showing node with that accessible name
  find_all(role, root=None)             every node of that role below root (no wait)
  window(title)                         a top-level window or dialog of the program
  press(node)                           the node's first action (press, click, toggle);
                                        returns at once also when it opens a modal dialog
  menu(*captions)                       opens the menu bar item and picks the items
  set_text(node, text) / text(node)     editable text contents
  enabled(node), checked(node), showing(node)
  wait_for(condition, what)             polls condition() until it is true
  wait_exit(timeout) -> int             waits for the program to end, its status
  screenshot(path, node=None)           the screen, or node's rectangle, as PNG (import)
  app.node                              the program's application node
  app.process                           its subprocess.Popen
A second program in the same session: `with ui.App(args=[...]) as other: ...`
(started on entry, ended and cleaned up on exit).
Module-level: ROLE_* constants re-exported from pyatspi (ROLE_FRAME, ROLE_DIALOG,
ROLE_PUSH_BUTTON, ROLE_MENU_ITEM, ROLE_PAGE_TAB, ROLE_TEXT, ROLE_CHECK_BOX, ...),
wait_until(condition, what, timeout).
"""

import configparser
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time
import traceback

SESSION_FLAG = "FOLDCRAFT_E2E_SESSION"
DEFAULT_TIMEOUT = 15.0
POLL_INTERVAL = 0.05
CALL_TIMEOUT_MS = 5000   # one accessibility call (a look-up is retried after it)
ACTION_REPLY_MS = 300    # how long press() waits for an action's answer

pyatspi = None  # imported inside the session only


def _repo_root():
    return os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))


def foldcraft_path():
    path = os.environ.get("FOLDCRAFT_APP")
    if path:
        return path
    return os.path.join(_repo_root(), "build", "src", "foldcraft")


def wait_until(condition, what, timeout=DEFAULT_TIMEOUT):
    """Polls condition() until it returns a true value, which is returned."""
    deadline = time.monotonic() + timeout
    last_error = None
    while True:
        try:
            value = condition()
            if value:
                return value
        except AssertionError:  # a final answer (the program ended): no more waiting
            raise
        except Exception as error:  # a node may vanish while it is read
            last_error = error
        if time.monotonic() > deadline:
            raise TimeoutError(f"timed out after {timeout:g} s waiting for {what}"
                               + (f" (last error: {last_error})" if last_error else ""))
        time.sleep(POLL_INTERVAL)


def _children(node):
    try:
        return [node.getChildAtIndex(i) for i in range(node.childCount)]
    except Exception:
        return []


def _walk(node, depth=0):
    if node is None or depth > 60:
        return
    yield node
    for child in _children(node):
        if child is not None:
            yield from _walk(child, depth + 1)


class App:
    def __init__(self, args=(), settings=None, timeout=DEFAULT_TIMEOUT, env=None):
        self.timeout = timeout
        self.workdir = tempfile.mkdtemp(prefix="foldcraft-e2e-")
        self.program_folder = os.path.join(self.workdir, "program")
        self.settings_file = os.path.join(self.workdir, "settings.ini")
        os.makedirs(self.program_folder)
        values = {"Tip": {"StartUp": 1}}
        for section, entries in (settings or {}).items():
            values.setdefault(section, {}).update(entries)
        parser = configparser.ConfigParser()
        parser.optionxform = str
        for section, entries in values.items():
            parser[section] = {k: str(v) for k, v in entries.items()}
        with open(self.settings_file, "w") as f:
            parser.write(f)
        self.args = list(args)
        self.env = dict(os.environ)
        # In a sanitizer build the program's leak report at exit would turn every
        # status into a failure; the widget tests check for leaks, these check what
        # a user sees.
        if "ASAN_OPTIONS" in self.env:
            self.env["ASAN_OPTIONS"] += ":detect_leaks=0"
        self.env.update(env or {})
        self.process = None
        self.node = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.close()

    # Start and end.
    def start(self):
        cmd = [foldcraft_path(), "--program-folder", self.program_folder,
               "--settings", self.settings_file] + self.args
        self.process = subprocess.Popen(cmd, env=self.env, cwd=self.workdir)
        desktop = pyatspi.Registry.getDesktop(0)

        def find_app():
            if self.process.poll() is not None:
                raise AssertionError(f"foldcraft ended at start with status {self.process.returncode}")
            for node in _children(desktop):
                try:
                    if node is not None and node.get_process_id() == self.process.pid:
                        return node
                except Exception:
                    pass
            return None

        self.node = wait_until(find_app, "foldcraft on the accessibility bus", self.timeout)
        return self

    def wait_exit(self, timeout=None):
        try:
            return self.process.wait(timeout=timeout or self.timeout)
        except subprocess.TimeoutExpired:
            raise TimeoutError("foldcraft did not end")

    def close(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        shutil.rmtree(self.workdir, ignore_errors=True)

    # Looking things up.
    def wait_for(self, condition, what, timeout=None):
        return wait_until(condition, what, timeout or self.timeout)

    def find_all(self, role, root=None):
        return [n for n in _walk(root or self.node) if n.getRole() == role]

    def find(self, name, role=None, root=None, timeout=None):
        def look():
            for node in _walk(root or self.node):
                try:
                    if node.name == name and (role is None or node.getRole() == role) \
                            and self.showing(node):
                        return node
                except Exception:
                    continue
            return None
        kind = f" ({role})" if role is not None else ""
        return self.wait_for(look, f'"{name}"{kind}', timeout)

    def window(self, title, timeout=None):
        roles = {pyatspi.ROLE_FRAME, pyatspi.ROLE_DIALOG, pyatspi.ROLE_WINDOW,
                 pyatspi.ROLE_ALERT, pyatspi.ROLE_FILE_CHOOSER}

        def look():
            for node in _children(self.node):
                if node is not None and node.name == title and node.getRole() in roles:
                    return node
            return None
        return self.wait_for(look, f'the window "{title}"', timeout)

    # States.
    @staticmethod
    def _state(node, state):
        return node.getState().contains(state)

    def enabled(self, node):
        return self._state(node, pyatspi.STATE_ENABLED)

    def checked(self, node):
        return self._state(node, pyatspi.STATE_CHECKED)

    def showing(self, node):
        return self._state(node, pyatspi.STATE_SHOWING) or node.getRole() in (
            pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_MENU, pyatspi.ROLE_PAGE_TAB)

    # Acting.
    def press(self, node, action=None):
        actions = node.queryAction()
        names = [actions.getName(i) for i in range(actions.nActions)]
        if not names:
            raise AssertionError(f'"{node.name}" has no action')
        index = names.index(action) if action else 0
        # An action that opens a modal dialog answers only when the dialog closes:
        # the call is sent, and a missing answer after a moment means it is running.
        pyatspi.setTimeout(ACTION_REPLY_MS, 0)
        try:
            actions.doAction(index)
        except Exception as error:
            if "reply" not in str(error).lower():
                raise
        finally:
            pyatspi.setTimeout(CALL_TIMEOUT_MS, 0)

    def menu(self, *captions):
        """Picks a menu item: menu(“File”, “Recent Document”, “1 ...”)."""
        bar = self.wait_for(lambda: next(iter(self.find_all(pyatspi.ROLE_MENU_BAR)), None),
                            "the menu bar")
        parent = bar
        for depth, caption in enumerate(captions):
            def look(parent=parent, caption=caption):
                for node in _walk(parent if depth == 0 else self.node):
                    if node.name == caption and node.getRole() in (
                            pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_MENU,
                            pyatspi.ROLE_CHECK_MENU_ITEM, pyatspi.ROLE_RADIO_MENU_ITEM):
                        return node
                return None
            item = self.wait_for(look, f'the menu item "{caption}"')
            self.press(item)
            parent = item

    def set_text(self, node, text):
        node.queryEditableText().setTextContents(text)

    def text(self, node):
        t = node.queryText()
        return t.getText(0, t.characterCount)

    def screenshot(self, path, node=None):
        """The screen, or only node's rectangle (a window, a dialog), as PNG."""
        cmd = ["import", "-window", "root"]
        if node is not None:
            box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
            cmd += ["-crop", f"{box.width}x{box.height}+{box.x}+{box.y}", "+repage"]
        subprocess.run(cmd + [path], check=True, timeout=30)


def _start_accessibility_bus():
    launcher = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def bus_ready():
        return subprocess.run(
            ["dbus-send", "--session", "--dest=org.a11y.Bus", "--print-reply",
             "/org/a11y/bus", "org.a11y.Bus.GetAddress"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=10).returncode == 0
    wait_until(bus_ready, "the AT-SPI bus", 20)
    return launcher


def main(test, args=(), settings=None, timeout=DEFAULT_TIMEOUT):
    """Runs test(app) against a fresh foldcraft inside its own X and D-Bus session."""
    if os.environ.get(SESSION_FLAG) != "1":
        env = dict(os.environ, **{SESSION_FLAG: "1"})
        # xvfb-run -a takes the first display number without a lock file, starting at
        # -n; parallel runs starting at the same number can race for it, so each run
        # starts at a random one. -noreset: without it the server resets when its last
        # client leaves (an accessibility helper at start), refusing connections meanwhile.
        first = str(random.SystemRandom().randint(100, 30000))
        cmd = ["xvfb-run", "-a", "-n", first, "-s", "-screen 0 1280x1024x24 -noreset",
               "dbus-run-session", "--",
               "/usr/bin/python3", os.path.abspath(sys.argv[0])] + sys.argv[1:]
        try:
            sys.exit(subprocess.run(cmd, env=env, timeout=300).returncode)
        except subprocess.TimeoutExpired:
            print("end-to-end session timed out", file=sys.stderr)
            sys.exit(1)

    global pyatspi
    os.environ["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
    os.environ["NO_AT_BRIDGE"] = "0"
    os.environ.pop("QT_QPA_PLATFORM", None)
    launcher = _start_accessibility_bus()
    import pyatspi as _pyatspi
    pyatspi = _pyatspi
    pyatspi.setTimeout(CALL_TIMEOUT_MS, 0)
    for name in dir(pyatspi):
        if name.startswith(("ROLE_", "STATE_")):
            globals()[name] = getattr(pyatspi, name)

    app = App(args=args, settings=settings, timeout=timeout)
    ok = False
    try:
        app.start()
        test(app)
        ok = True
    except Exception:
        traceback.print_exc()
        shot = os.environ.get("FOLDCRAFT_E2E_SCREENSHOT")
        if shot:
            try:
                app.screenshot(shot)
            except Exception:
                pass
    finally:
        app.close()
        launcher.terminate()
        try:
            launcher.wait(timeout=5)
        except subprocess.TimeoutExpired:
            launcher.kill()
    print("1 passed, 0 failed" if ok else "0 passed, 1 failed")
    sys.exit(0 if ok else 1)


# Role constants for scripts that use them before main() has run (filled from
# pyatspi inside the session; importing pyatspi outside it would try the bus).
def __getattr__(name):
    if name.startswith(("ROLE_", "STATE_")):
        import pyatspi as _p
        return getattr(_p, name)
    raise AttributeError(name)
