#!/usr/bin/env python3
"""Loopback FTP server for the tests (pyftpdlib).

Usage: ftp_server.py HOME USER PASSWORD [MODE]
The port is a free one unless the environment variable BRINKMOOR_TEST_PORT names one.
One account, USER with PASSWORD, whose login folder is HOME. Listens on 127.0.0.1 on a free
port and prints "PORT <n>" once it listens. Then one line for each of these events:
  CONNECT            a control connection was accepted
  LOGIN <user>       a login was accepted
  LOGIN-FAILED <user>
  CMD <VERB> [arg]   a command arrived (the PASS argument is never printed)
  LOGOUT <user>      a logged-in control connection ended (QUIT or closed)
  DISCONNECT         a control connection ended
So the sessions logged in at a moment are the LOGIN lines minus the LOGOUT lines, and the open
control connections the CONNECT lines minus the DISCONNECT lines.

MODE changes one behaviour:
  normal           (default) a plain server
  refuse-stor      every STOR is answered "553" and nothing is stored
  drop-data        the data connection of a STOR is closed after its first chunk
  no-rename        the account may not rename (RNFR/RNTO are refused)
  silent-stor      STOR is never answered
  silent-greeting  connections are accepted but never greeted
"""
import os
import sys

try:
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.handlers import DTPHandler, FTPHandler
    from pyftpdlib.servers import FTPServer
except ImportError:
    # The first python3 on the PATH may be a private one without the Debian package; the
    # system interpreter has it.
    if os.path.exists("/usr/bin/python3") and os.path.realpath(sys.executable) != \
            os.path.realpath("/usr/bin/python3"):
        os.execv("/usr/bin/python3", ["/usr/bin/python3", "-u"] + sys.argv)
    raise

import logging


def emit(line):
    print(line, flush=True)


class DroppingDTPHandler(DTPHandler):
    """Takes the first chunk of an upload, then closes the data connection."""

    def handle_read(self):
        DTPHandler.handle_read(self)
        if self.tot_bytes_received > 0 and not self._closed:
            self.transfer_finished = False
            self._resp = ("426 Connection closed; transfer aborted.", logging.info)
            self.close()

    # DTPHandler binds handle_read_event to its own handle_read.
    handle_read_event = handle_read


def make_handler(mode):
    class Handler(FTPHandler):
        _was_logged_in = False

        def on_connect(self):
            emit("CONNECT")

        def on_login(self, username):
            self._was_logged_in = True
            emit("LOGIN " + username)

        def on_login_failed(self, username, password):
            emit("LOGIN-FAILED " + str(username))

        def on_disconnect(self):
            if self._was_logged_in:
                self._was_logged_in = False
                emit("LOGOUT " + str(self.username))
            emit("DISCONNECT")

        def pre_process_command(self, line, cmd, arg):
            if cmd == "PASS" or not arg:
                emit("CMD " + cmd)
            else:
                emit("CMD %s %s" % (cmd, arg))
            FTPHandler.pre_process_command(self, line, cmd, arg)

        def handle(self):
            if mode == "silent-greeting":
                self.on_connect()
                return
            FTPHandler.handle(self)

        def ftp_STOR(self, file, mode_arg="w"):
            if mode == "refuse-stor":
                self.respond("553 Storing files is not allowed here.")
                return None
            if mode == "silent-stor":
                return None
            return FTPHandler.ftp_STOR(self, file, mode_arg)

    if mode == "drop-data":
        Handler.dtp_handler = DroppingDTPHandler
    return Handler


def main():
    if len(sys.argv) < 4:
        sys.exit("usage: ftp_server.py HOME USER PASSWORD [MODE]")
    home, user, password = sys.argv[1], sys.argv[2], sys.argv[3]
    mode = sys.argv[4] if len(sys.argv) > 4 else "normal"
    logging.basicConfig(level=logging.CRITICAL)

    authorizer = DummyAuthorizer()
    # e l r a d f m w: cd, list, read, append, delete, rename, mkdir, write.
    perm = "elradmw" if mode == "no-rename" else "elradfmw"
    authorizer.add_user(user, password, os.path.abspath(home), perm=perm)
    handler = make_handler(mode)
    handler.authorizer = authorizer
    handler.passive_ports = None
    # Answer a wrong login at once instead of after the usual anti-guessing pause.
    handler.auth_failed_timeout = 0
    server = FTPServer(("127.0.0.1", int(os.environ.get("BRINKMOOR_TEST_PORT", "0"))), handler)
    emit("PORT %d" % server.socket.getsockname()[1])
    server.serve_forever(handle_exit=False)


if __name__ == "__main__":
    main()
