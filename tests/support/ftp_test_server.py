#!/usr/bin/python3
"""A real FTP server for Foldcraft's tests and benchmark (Debian python3-pyftpdlib):
serves --root on 127.0.0.1 for one user, on a free port written to --port-file once it
listens; logs each command to --command-log (passwords masked); explicit TLS required
with --tls-cert and --tls-key. Ends when its standard input closes, or on SIGTERM."""

import argparse
import logging
import os
import signal
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import ThreadedFTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--command-log")
    parser.add_argument("--tls-cert")
    parser.add_argument("--tls-key")
    args = parser.parse_args()

    logging.basicConfig(level=logging.WARNING, stream=sys.stderr)

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")

    log_path = args.command_log

    base = FTPHandler
    if args.tls_cert:
        from pyftpdlib.handlers import TLS_FTPHandler
        base = TLS_FTPHandler

    class Handler(base):
        auth_failed_timeout = 0.05  # tests try wrong passwords; do not sleep 3 s

        def pre_process_command(self, line, cmd, arg):
            if log_path:
                shown = "PASS ******" if cmd == "PASS" else line
                if args.tls_cert and cmd == "PASS":
                    # Whether the password came over an encrypted channel.
                    shown += " [tls]" if getattr(self, "_ssl_established", False) else " [plain]"
                with open(log_path, "a", encoding="utf-8", errors="replace") as log:
                    log.write(shown + "\n")
            return super().pre_process_command(line, cmd, arg)

    Handler.authorizer = authorizer
    if args.tls_cert:
        Handler.certfile = args.tls_cert
        Handler.keyfile = args.tls_key
        Handler.tls_control_required = True
        Handler.tls_data_required = True
    Handler.banner = "Foldcraft test server ready."

    # A thread and an event loop per connection, as real servers keep sessions apart.
    # (In one shared loop, a data channel closed late unregisters its old descriptor
    # number, which a newer session may have been given meanwhile; that session then
    # never hears its commands.)
    server = ThreadedFTPServer(("127.0.0.1", 0), Handler)
    port = server.socket.getsockname()[1]
    tmp = args.port_file + ".tmp"
    with open(tmp, "w") as f:
        f.write("%d\n" % port)
    os.rename(tmp, args.port_file)

    def watch_stdin():
        try:
            while sys.stdin.buffer.read(4096):
                pass
        finally:
            os._exit(0)

    threading.Thread(target=watch_stdin, daemon=True).start()
    signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
    server.serve_forever(handle_exit=False)


if __name__ == "__main__":
    main()
