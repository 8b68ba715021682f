#!/usr/bin/python3
"""The FTP server of the FTP latency benchmark (Debian python3-pyftpdlib): serves --root
on 127.0.0.1 for one user, on a free port written to --port-file once it listens, and
stands in for a distant host: every reply on the control connection (and the closing of
it after QUIT) goes out --delay-ms later, and each passive data connection is taken up
--delay-ms after the client opened it. 0 is plain loopback. Ends when its standard input
closes, or on SIGTERM."""

import argparse
import collections
import logging
import os
import signal
import sys
import threading
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, PassiveDTP
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--delay-ms", type=float, default=0.0)
    args = parser.parse_args()

    logging.basicConfig(level=logging.WARNING, stream=sys.stderr)
    delay = max(0.0, args.delay_ms / 1000.0)

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")

    class DelayedPassiveDTP(PassiveDTP):
        """Takes up the client's data connection only after the delay."""

        def handle_accepted(self, sock, addr):
            if delay <= 0:
                return super().handle_accepted(sock, addr)
            self.__dict__.setdefault("_waiting", []).append(sock)
            self.call_later(delay, self._take_up, sock, addr)

        def _take_up(self, sock, addr):
            self._waiting.remove(sock)
            PassiveDTP.handle_accepted(self, sock, addr)

        def close(self):
            # A connection still waiting when the listener goes (ABOR, timeout, the
            # control connection lost) is dropped with it.
            for sock in self.__dict__.pop("_waiting", []):
                sock.close()
            super().close()

    class Handler(FTPHandler):
        """Sends each reply after the delay, in order."""

        auth_failed_timeout = 0.05
        passive_dtp = DelayedPassiveDTP

        def _later(self, send, *send_args):
            if delay <= 0:
                return send(*send_args)
            queue = self.__dict__.setdefault("_delayed", collections.deque())
            queue.append((time.monotonic() + delay, send, send_args))
            if len(queue) == 1:
                self.call_later(delay, self._send_due)

        def _send_due(self):
            queue = self._delayed
            now = time.monotonic()
            while queue and queue[0][0] <= now + 0.0005:
                _, send, send_args = queue.popleft()
                if not self._closed:
                    send(*send_args)
            if queue:
                self.call_later(max(0.0, queue[0][0] - now), self._send_due)

        def push(self, s):
            self._later(super().push, s)

        def push_with_producer(self, producer):
            self._later(super().push_with_producer, producer)

        def close_when_done(self):
            self._later(super().close_when_done)

    Handler.authorizer = authorizer
    Handler.banner = "Foldcraft benchmark server ready."

    server = FTPServer(("127.0.0.1", 0), Handler)
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
