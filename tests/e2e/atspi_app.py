"""Drives the real foldcraft program through the accessibility tree, as a person would.

main(test, args) re-runs the script inside `xvfb-run -a dbus-run-session` with the
AT-SPI bus up, starts foldcraft ($FOLDCRAFT_APP, else build/src/foldcraft) with a
temporary program folder and INI settings file ("Tip"/"StartUp" 1), calls test(app) and
prints "1 passed, 0 failed" or the failure. `with App(args, env=...) as
other:` starts a second program. Every look-up waits up to `timeout` seconds, then raises
TimeoutError naming what it waited for. ROLE_* and STATE_* are pyatspi's, set by main()."""

import os
import random
import shutil
import subprocess
import sys
import tempfile
import time
import traceback

SESSION_FLAG = "FOLDCRAFT_E2E_SESSION"
DEFAULT_TIMEOUT = 60.0  # only a hang waits this long, however busy the machine
CALL_TIMEOUT_MS = 30000  # one accessibility call (a look-up is retried after it)
ACTION_REPLY_MS = 300  # how long press() waits for an action's answer

pyatspi = None  # imported inside the session only


def wait_until(condition, what, timeout=DEFAULT_TIMEOUT):
    """Polls condition() until it returns a true value, which is returned. Errors are
    retried (a node may vanish while it is read), but an AssertionError is final."""
    deadline, error = time.monotonic() + timeout, None
    while time.monotonic() <= deadline:
        try:
            value = condition()
            if value:
                return value
        except AssertionError:
            raise
        except Exception as e:
            error = e
        time.sleep(0.05)
    raise TimeoutError(f"timed out after {timeout:g} s waiting for {what}"
                       + (f" (last error: {error})" if error else ""))


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
        yield from _walk(child, depth + 1)


class App:
    def __init__(self, args=(), timeout=DEFAULT_TIMEOUT, env=None):
        self.timeout = timeout
        self.workdir = tempfile.mkdtemp(prefix="foldcraft-e2e-")
        self.program_folder = os.path.join(self.workdir, "program")
        self.settings_file = os.path.join(self.workdir, "settings.ini")
        os.makedirs(self.program_folder)
        with open(self.settings_file, "w") as f:
            f.write("[Tip]\nStartUp=1\n")  # no tip dialog at start
        self.args = list(args)
        # A sanitizer build's leak report would fail every exit; the widget tests check leaks.
        self.env = dict(os.environ, **(env or {}))
        if "ASAN_OPTIONS" in self.env:
            self.env["ASAN_OPTIONS"] += ":detect_leaks=0"
        self.process = self.node = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.close()

    def start(self):
        program = os.environ.get("FOLDCRAFT_APP") or os.path.join(
            os.path.dirname(__file__), "..", "..", "build", "src", "foldcraft")
        self.process = subprocess.Popen(
            [program, "--program-folder", self.program_folder, "--settings", self.settings_file]
            + self.args, env=self.env, cwd=self.workdir)

        def find_app():
            if self.process.poll() is not None:
                raise AssertionError(f"foldcraft ended at start with status {self.process.returncode}")
            return next((n for n in _children(pyatspi.Registry.getDesktop(0))
                         if n is not None and n.get_process_id() == self.process.pid), None)
        self.node = wait_until(find_app, "foldcraft on the accessibility bus", self.timeout)
        return self

    def wait_exit(self, timeout=None):
        return self.process.wait(timeout=timeout or self.timeout)

    def close(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        shutil.rmtree(self.workdir, ignore_errors=True)

    # Look-ups: find_all does not wait; find gives the first showing node with that name
    # (and role), window a top-level window or dialog of the program by its title.
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
        kind = f" ({role})" if role is not None else ""
        return self.wait_for(look, f'"{name}"{kind}', timeout)

    def window(self, title, timeout=None):
        roles = {pyatspi.ROLE_FRAME, pyatspi.ROLE_DIALOG, pyatspi.ROLE_WINDOW,
                 pyatspi.ROLE_ALERT, pyatspi.ROLE_FILE_CHOOSER}
        return self.wait_for(lambda: next((n for n in _children(self.node) if n is not None
                                           and n.name == title and n.getRole() in roles), None),
                             f'the window "{title}"', timeout)

    def enabled(self, node):
        return node.getState().contains(pyatspi.STATE_ENABLED)

    def checked(self, node):
        return node.getState().contains(pyatspi.STATE_CHECKED)

    def showing(self, node):
        return node.getState().contains(pyatspi.STATE_SHOWING) or node.getRole() in (
            pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_MENU, pyatspi.ROLE_PAGE_TAB)

    def press(self, node, action=None):
        """The node's first (or named) action; returns at once also when it opens a
        modal dialog, whose action answers only when the dialog closes."""
        actions = node.queryAction()
        names = [actions.getName(i) for i in range(actions.nActions)]
        if not names:
            raise AssertionError(f'"{node.name}" has no action')
        pyatspi.setTimeout(ACTION_REPLY_MS, 0)
        try:
            actions.doAction(names.index(action) if action else 0)
        except Exception as error:
            if "reply" not in str(error).lower():
                raise
        finally:
            pyatspi.setTimeout(CALL_TIMEOUT_MS, 0)

    def menu(self, *captions):
        """Picks a menu item by captions: menu("File", "Recent Document", "1 ...")."""
        parent = self.wait_for(lambda: next(iter(self.find_all(pyatspi.ROLE_MENU_BAR)), None),
                               "the menu bar")
        roles = (pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_MENU, pyatspi.ROLE_CHECK_MENU_ITEM,
                 pyatspi.ROLE_RADIO_MENU_ITEM)
        for depth, caption in enumerate(captions):
            root = parent if depth == 0 else self.node
            parent = self.wait_for(lambda: next((n for n in _walk(root) if n.name == caption
                                                 and n.getRole() in roles), None),
                                   f'the menu item "{caption}"')
            self.press(parent)

    def set_text(self, node, text):
        node.queryEditableText().setTextContents(text)

    def text(self, node):
        t = node.queryText()
        return t.getText(0, t.characterCount)

    def screenshot(self, path, node=None):
        cmd = ["import", "-window", "root"]
        if node is not None:
            box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
            cmd += ["-crop", f"{box.width}x{box.height}+{box.x}+{box.y}", "+repage"]
        subprocess.run(cmd + [path], check=True, timeout=30)


def main(test, args=(), timeout=DEFAULT_TIMEOUT):
    """Runs test(app) against a fresh foldcraft inside its own X and D-Bus session."""
    if os.environ.get(SESSION_FLAG) != "1":
        # xvfb-run -a takes the first free display from -n on: a random start keeps
        # parallel runs apart. -noreset: else the server resets when its last client
        # leaves (an accessibility helper at start), refusing connections meanwhile.
        first = str(random.SystemRandom().randint(100, 30000))
        cmd = ["xvfb-run", "-a", "-n", first, "-s", "-screen 0 1280x1024x24 -noreset",
               "dbus-run-session", "--", "/usr/bin/python3", os.path.abspath(sys.argv[0])]
        try:
            sys.exit(subprocess.run(cmd + sys.argv[1:], env=dict(os.environ, **{SESSION_FLAG: "1"}),
                                    timeout=300).returncode)
        except subprocess.TimeoutExpired:
            sys.exit("end-to-end session timed out")

    global pyatspi
    os.environ.update(QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", NO_AT_BRIDGE="0")
    os.environ.pop("QT_QPA_PLATFORM", None)
    launcher = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wait_until(lambda: subprocess.run(
        ["dbus-send", "--session", "--dest=org.a11y.Bus", "--print-reply", "/org/a11y/bus",
         "org.a11y.Bus.GetAddress"], capture_output=True, timeout=10).returncode == 0,
        "the AT-SPI bus")
    import pyatspi as _pyatspi
    pyatspi = _pyatspi
    pyatspi.setTimeout(CALL_TIMEOUT_MS, 0)
    globals().update({k: getattr(pyatspi, k) for k in dir(pyatspi)
                      if k.startswith(("ROLE_", "STATE_"))})
    app = App(args=args, timeout=timeout)
    ok = False
    try:
        test(app.start())
        ok = True
    except Exception:
        traceback.print_exc()
    finally:
        app.close()
        launcher.terminate()
        try:
            launcher.wait(timeout=5)
        except subprocess.TimeoutExpired:
            launcher.kill()
    print("1 passed, 0 failed" if ok else "0 passed, 1 failed")
    sys.exit(0 if ok else 1)
