#!/usr/bin/python3
"""foldcraft-cli ftp-publish end to end, against a real FTP server (pyftpdlib) on
127.0.0.1: settings from an INI file and options, the checks' messages, the log on
stdout, exit codes, --save-settings, and no password in any output."""

import os
import shutil
import stat
import subprocess
import tempfile
import time
import unittest

CLI = os.environ.get("FOLDCRAFT_CLI")
SERVER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "support",
                      "ftp_test_server.py")
PASSWORD = "Pw-x7-secret"
PATIENCE = 60  # seconds: a bound that a correct program never reaches, however busy
SUCCESS = "\nLogged off of FTP server.\n\n--------------------\nPublish successful!\n"


def have_pyftpdlib():
    return subprocess.run(["/usr/bin/python3", "-c", "import pyftpdlib"],
                          capture_output=True).returncode == 0


@unittest.skipUnless(CLI and have_pyftpdlib(), "needs FOLDCRAFT_CLI and pyftpdlib")
class FtpPublishCliTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="foldcraft-ftpcli-")
        os.makedirs(os.path.join(self.tmp, "root", "site"))
        port_file = os.path.join(self.tmp, "port")
        # The server ends when its standard input closes.
        self.server = subprocess.Popen(
            ["/usr/bin/python3", SERVER, "--root", os.path.join(self.tmp, "root"), "--user",
             "carol", "--password", PASSWORD, "--port-file", port_file],
            stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + PATIENCE
        while not os.path.exists(port_file) and time.monotonic() < deadline:
            time.sleep(0.02)
        with open(port_file) as f:
            port = int(f.read())
        self.docs = os.path.join(self.tmp, "docs")
        os.makedirs(os.path.join(self.docs, "Work"))
        with open(os.path.join(self.docs, "readme.txt"), "w") as f:
            f.write("read me\n")
        with open(os.path.join(self.docs, "Work", "plan.doc"), "wb") as f:
            f.write(b"\x00plan\xff")
        self.project = os.path.join(self.tmp, "site.fcd")
        self.assertEqual(self.cli("import", self.docs, "-o", self.project).returncode, 0)
        self.ini = os.path.join(self.tmp, "settings.ini")
        with open(self.ini, "w") as f:
            f.write("[FTPServer]\nHostName=127.0.0.1\nPort=%d\nUser=carol\nStartDir=site\n" % port)

    def tearDown(self):
        self.server.stdin.close()
        self.server.wait(PATIENCE)
        shutil.rmtree(self.tmp, ignore_errors=True)

    def cli(self, *args, env=None):
        # No session bus: passwords go to the settings file, never to the user's keyring.
        env = dict(os.environ, FOLDCRAFT_HOME=os.path.join(self.tmp, "home"), TZ="UTC",
                   DBUS_SESSION_BUS_ADDRESS="unix:path=/nonexistent/bus", **(env or {}))
        env.pop("FOLDCRAFT_SETTINGS", None)
        return subprocess.run([CLI] + list(args), capture_output=True, text=True, env=env,
                              timeout=120)

    def publish(self, *extra, password=PASSWORD):
        r = self.cli("ftp-publish", self.project, "--settings", self.ini, "--password-env",
                     "FTP_PW", "--timeout", str(PATIENCE), *extra, env={"FTP_PW": password})
        for shown in (r.stdout, r.stderr):
            self.assertNotIn(PASSWORD, shown)
            self.assertNotIn("not-the-pw", shown)
        return r

    def test_publish_and_republish(self):
        for extra, skipped in ((("--passive",), False), (("--passive",), True),
                               (("--all", "--active"), False)):
            r = self.publish(*extra)
            self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
            self.assertTrue(r.stdout.startswith("Publish status:\n" + "-" * 40 + "\n"))
            self.assertTrue(r.stdout.endswith(SUCCESS), r.stdout)
            self.assertEqual(r.stderr, "")
            self.assertEqual("\nSkipped " in r.stdout, skipped, r.stdout)
        with open(os.path.join(self.tmp, "root", "site", "files", self.docs.lstrip("/"), "Work",
                               "plan.doc"), "rb") as f:
            self.assertEqual(f.read(), b"\x00plan\xff")
        missing = os.path.join(self.docs, "readme.txt")
        os.remove(missing)
        r = self.publish()
        self.assertEqual(r.returncode, 1, r.stdout + r.stderr)
        self.assertIn("\nThe following files were not copied to the server:\n" + missing
                      + " (missing)\n", r.stdout)
        self.assertTrue(r.stdout.endswith("\nLogged off of FTP server.\n\n--------------------\n"
                                          "Publish finished.\nSome files were not copied.\n"))

    def test_failures(self):
        user = 'You must enter a username or "anonymous".\n'
        cases = [  # options, password, exit status, how stdout ends, stderr (or its start)
            (("--tls",), PASSWORD, 2,
             "\nLogging into FTP server...\nServer does not support encrypted connections.\n",
             None),
            ((), "not-the-pw", 2, "\nLogging into FTP server...\nServer login failed!\n", None),
            (("--start-dir", "missing"), PASSWORD, 2, "\nStarting directory not found!\n",
             'The starting directory "missing" does not exist on the server: 550 '),
            (("--port", "1"), PASSWORD, 2, "\nServer login failed!\n",
             "The server could not be reached (127.0.0.1 port 1: Connection refused).\n"),
            (("--host", ""), PASSWORD, 2, "", "You must enter a server hostname.\n"),
            (("--user", "", "--save-settings"), PASSWORD, 2, "", user),
            ((), "", 2, "",
             "You must enter a password or your email address for anonymous login.\n"),
            (("--password", PASSWORD), PASSWORD, 64, "", "Error: passwords are not taken"),
            (("--firewall-type", "9"), PASSWORD, 64, "", None),
            (("--active", "--passive"), PASSWORD, 64, "", None),
        ]
        with open(self.ini) as f:
            before = f.read()
        for extra, password, status, tail, error in cases:
            with self.subTest(extra=extra, password=password):
                r = self.publish(*extra, password=password)
                self.assertEqual(r.returncode, status, r.stdout + r.stderr)
                self.assertNotIn(PASSWORD, r.stdout + r.stderr)
                self.assertTrue(r.stdout.endswith(tail), r.stdout)
                if error is not None:
                    self.assertTrue(r.stderr.startswith(error), r.stderr)
        with open(self.ini) as f:
            self.assertEqual(f.read(), before)  # nothing saved
        r = self.cli("ftp-publish", self.project, "--settings", self.ini, "--password-env",
                     "FOLDCRAFT_SURELY_UNSET_VARIABLE")
        self.assertEqual(r.returncode, 64)
        self.assertIn("FOLDCRAFT_SURELY_UNSET_VARIABLE", r.stderr)
        empty = os.path.join(self.tmp, "empty.fcd")
        self.assertEqual(self.cli("new", empty).returncode, 0)
        self.project = empty
        self.assertEqual(self.publish().stderr, "Cannot publish at this time.  Nothing has been "
                         "constructed in Step 1 Build.\n")

    def test_settings_are_saved_when_asked(self):
        r = self.publish("--save-settings", "--firewall-type", "0", "--passive")
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(self.ini) as f:
            saved = f.read()
        for line in ("Password=" + PASSWORD, "Passive=1", "FirewallType=0"):
            self.assertIn(line, saved)
        self.assertEqual(stat.S_IMODE(os.stat(self.ini).st_mode), 0o600)
        # The stored password is used when no --password-env is given.
        r = self.cli("ftp-publish", self.project, "--settings", self.ini)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        self.assertNotIn(PASSWORD, r.stdout + r.stderr)


if __name__ == "__main__":
    unittest.main(verbosity=2)
