#!/usr/bin/python3
"""foldcraft-cli ftp-publish end to end, against a real FTP server (pyftpdlib) on
127.0.0.1: settings from an INI file and options, the checks' messages, the log on
stdout, exit codes, --save-settings, and no password in any output."""

import json
import os
import shutil
import stat
import subprocess
import sys
import tempfile
import time
import unittest

CLI = os.environ.get("FOLDCRAFT_CLI")
HERE = os.path.dirname(os.path.abspath(__file__))
SERVER_SCRIPT = os.path.join(HERE, "..", "..", "support", "ftp_test_server.py")
PASSWORD = "Pw-x7-secret"

SUCCESS_TAIL = "\nLogged off of FTP server.\n\n--------------------\nPublish successful!\n"
FINISHED_TAIL = ("\nLogged off of FTP server.\n\n--------------------\nPublish finished.\n"
                 "Some files were not copied.\n")


def have_pyftpdlib():
    return subprocess.run(["/usr/bin/python3", "-c", "import pyftpdlib"],
                          capture_output=True).returncode == 0


class FtpServer:
    def __init__(self, root):
        self.work = tempfile.mkdtemp(prefix="foldcraft-ftpd-")
        port_file = os.path.join(self.work, "port")
        self.proc = subprocess.Popen(
            ["/usr/bin/python3", SERVER_SCRIPT, "--root", root, "--user", "carol",
             "--password", PASSWORD, "--port-file", port_file,
             "--command-log", os.path.join(self.work, "commands.log")],
            stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 15
        self.port = 0
        while time.monotonic() < deadline:
            if os.path.exists(port_file):
                with open(port_file) as f:
                    self.port = int(f.read())
                break
            if self.proc.poll() is not None:
                break
            time.sleep(0.02)
        if not self.port:
            self.stop()
            raise RuntimeError("FTP server did not start")

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        if self.proc.stdin:
            self.proc.stdin.close()
        shutil.rmtree(self.work, ignore_errors=True)


@unittest.skipUnless(CLI and have_pyftpdlib(), "needs FOLDCRAFT_CLI and pyftpdlib")
class FtpPublishCliTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="foldcraft-ftpcli-")
        self.root = os.path.join(self.tmp, "ftproot")
        os.makedirs(os.path.join(self.root, "site"))
        self.server = FtpServer(self.root)
        self.docs = os.path.join(self.tmp, "docs")
        os.makedirs(os.path.join(self.docs, "Work"))
        with open(os.path.join(self.docs, "readme.txt"), "w") as f:
            f.write("read me\n")
        with open(os.path.join(self.docs, "Work", "plan.doc"), "wb") as f:
            f.write(b"\x00plan\xff")
        self.project = os.path.join(self.tmp, "site.fcd")
        self.home = os.path.join(self.tmp, "home")
        r = self.cli("import", self.docs, "-o", self.project)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.publish_items_in_the_past()
        self.ini = os.path.join(self.tmp, "settings.ini")
        with open(self.ini, "w") as f:
            f.write("[FTPServer]\nHostName=127.0.0.1\nPort=%d\nUser=carol\nStartDir=site\n"
                    % self.server.port)

    def tearDown(self):
        self.server.stop()
        shutil.rmtree(self.tmp, ignore_errors=True)

    def publish_items_in_the_past(self):
        # Imported items are published "now", and an item is active only once its
        # publish time has passed: move them a day back instead of waiting.
        r = self.cli("info", self.project)
        self.assertEqual(r.returncode, 0, r.stderr)
        project = json.loads(r.stdout)

        def walk(node):
            if isinstance(node, dict):
                for key, value in node.items():
                    if key == "m_timePublish":
                        node[key] = value - 86400
                    else:
                        walk(value)
            elif isinstance(node, list):
                for value in node:
                    walk(value)

        walk(project)
        source = os.path.join(self.tmp, "project.json")
        with open(source, "w") as f:
            json.dump(project, f)
        r = self.cli("from-json", source, "-o", self.project)
        self.assertEqual(r.returncode, 0, r.stderr)

    def cli(self, *args, env_extra=None):
        env = dict(os.environ)
        env["FOLDCRAFT_HOME"] = self.home
        env["TZ"] = "UTC"
        env.pop("FOLDCRAFT_SETTINGS", None)
        if env_extra:
            env.update(env_extra)
        return subprocess.run([CLI] + list(args), capture_output=True, text=True, env=env,
                              timeout=120)

    def publish(self, *extra, password=PASSWORD):
        env = {"FTP_PW": password} if password is not None else {}
        return self.cli("ftp-publish", self.project, "--settings", self.ini,
                        "--password-env", "FTP_PW", "--timeout", "10", *extra, env_extra=env)

    def assertNoPassword(self, r, password=PASSWORD):
        self.assertNotIn(password, r.stdout)
        self.assertNotIn(password, r.stderr)

    def remote(self, *parts):
        return os.path.join(self.root, "site", *parts)

    def test_publish_active_and_passive(self):
        for mode in ("--active", "--passive"):
            shutil.rmtree(os.path.join(self.root, "site"))
            os.makedirs(os.path.join(self.root, "site"))
            r = self.publish(mode)
            self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
            self.assertTrue(r.stdout.startswith("Publish status:\n" + "-" * 40 + "\n"))
            self.assertTrue(r.stdout.endswith(SUCCESS_TAIL), r.stdout)
            self.assertEqual(r.stderr, "")
            self.assertNoPassword(r)
            rel = self.docs.lstrip("/")
            with open(self.remote("files", rel, "Work", "plan.doc"), "rb") as f:
                self.assertEqual(f.read(), b"\x00plan\xff")
            self.assertTrue(os.path.exists(self.remote("Folder0.html")))
            self.assertTrue(os.path.exists(self.remote("styles.css")))
            self.assertTrue(os.path.exists(self.remote("images", "spacer.gif")))

    def test_republish_skips_unchanged_files_unless_all(self):
        self.assertEqual(self.publish().returncode, 0)
        for extra, skipped in (((), True), (("--all",), False)):
            r = self.publish(*extra)
            self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
            self.assertEqual("\nSkipped " in r.stdout, skipped, r.stdout)
            self.assertTrue(r.stdout.endswith(SUCCESS_TAIL), r.stdout)

    def test_tls_required_but_not_offered(self):
        r = self.publish("--tls")
        self.assertEqual(r.returncode, 2, r.stdout + r.stderr)
        self.assertTrue(r.stdout.endswith(
            "\nLogging into FTP server...\nServer does not support encrypted connections.\n"),
            r.stdout)
        self.assertNoPassword(r)

    def test_settings_are_saved_only_when_asked_and_checks_pass(self):
        with open(self.ini) as f:
            before = f.read()
        r = self.publish()
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(self.ini) as f:
            self.assertEqual(f.read(), before)  # nothing written without --save-settings

        r = self.publish("--user", "", "--save-settings")
        self.assertEqual(r.returncode, 2)
        self.assertEqual(r.stderr, 'You must enter a username or "anonymous".\n')
        self.assertEqual(r.stdout, "")
        with open(self.ini) as f:
            self.assertEqual(f.read(), before)

        r = self.publish("--save-settings", "--firewall-type", "0", "--passive")
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(self.ini) as f:
            saved = f.read()
        self.assertIn("Password=" + PASSWORD, saved)
        self.assertIn("Passive=1", saved)
        self.assertIn("FirewallType=0", saved)
        self.assertEqual(stat.S_IMODE(os.stat(self.ini).st_mode), 0o600)
        # The stored password is used when no --password-env is given.
        r = self.cli("ftp-publish", self.project, "--settings", self.ini)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        self.assertNoPassword(r)

    def test_check_messages(self):
        cases = [
            (("--host", ""), "You must enter a server hostname.\n"),
            (("--user", ""), 'You must enter a username or "anonymous".\n'),
        ]
        for extra, message in cases:
            r = self.publish(*extra)
            self.assertEqual(r.returncode, 2)
            self.assertEqual(r.stderr, message)
            self.assertEqual(r.stdout, "")
        r = self.publish(password="")
        self.assertEqual(r.returncode, 2)
        self.assertEqual(
            r.stderr, "You must enter a password or your email address for anonymous login.\n")

    def test_nothing_to_publish(self):
        empty = os.path.join(self.tmp, "empty.fcd")
        self.assertEqual(self.cli("new", empty).returncode, 0)
        r = self.cli("ftp-publish", empty, "--settings", self.ini, "--password-env", "FTP_PW",
                     env_extra={"FTP_PW": PASSWORD})
        self.assertEqual(r.returncode, 2)
        self.assertEqual(
            r.stderr,
            "Cannot publish at this time.  Nothing has been constructed in Step 1 Build.\n")

    def test_wrong_password(self):
        r = self.publish(password="not-the-password")
        self.assertEqual(r.returncode, 2)
        self.assertTrue(r.stdout.endswith("\nLogging into FTP server...\nServer login failed!\n"),
                        r.stdout)
        self.assertNoPassword(r, "not-the-password")

    def test_refused_starting_directory(self):
        r = self.publish("--start-dir", "missing")
        self.assertEqual(r.returncode, 2)
        self.assertTrue(r.stdout.endswith("\nStarting directory not found!\n"), r.stdout)
        self.assertTrue(r.stderr.startswith("Server: 550"), r.stderr)

    def test_files_not_copied(self):
        missing = os.path.join(self.docs, "readme.txt")
        os.remove(missing)
        r = self.publish()
        self.assertEqual(r.returncode, 1, r.stdout + r.stderr)
        self.assertIn("\nThe following files were not copied to the server:\n" + missing + "\n",
                      r.stdout)
        self.assertTrue(r.stdout.endswith(FINISHED_TAIL), r.stdout)

    def test_usage_errors(self):
        r = self.publish("--password", PASSWORD)  # no such option: never on the command line
        self.assertEqual(r.returncode, 64)
        r = self.cli("ftp-publish", self.project, "--settings", self.ini, "--password-env",
                     "FOLDCRAFT_SURELY_UNSET_VARIABLE")
        self.assertEqual(r.returncode, 64)
        self.assertIn("FOLDCRAFT_SURELY_UNSET_VARIABLE", r.stderr)
        r = self.publish("--firewall-type", "9")
        self.assertEqual(r.returncode, 64)
        r = self.publish("--active", "--passive")
        self.assertEqual(r.returncode, 64)

    def test_unreachable_server_fails_in_bounded_time(self):
        r = self.publish("--port", "1")
        self.assertEqual(r.returncode, 2)
        self.assertTrue(r.stdout.endswith("\nServer login failed!\n"), r.stdout)
        self.assertEqual(r.stderr, "Server: Unable to connect to server.\n")


if __name__ == "__main__":
    unittest.main(verbosity=2)
