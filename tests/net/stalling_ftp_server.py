"""An FTP server that fails on purpose, for the time-out tests.

Usage: stalling_ftp_server.py ROOT PORT_FILE MODE

Listens on 127.0.0.1 at a free port, which it writes to PORT_FILE once it
listens, and takes any login. Downloads serve the files of ROOT by name
(passive mode only). MODE says how it fails:

  mid-file     a download sends the first half of the file, then nothing,
               with both connections left open
  mid-list     a listing sends its first line, then nothing
  no-reply     RETR and LIST are never answered
  mid-upload   an upload is never read and never answered
  refuse-mkd   folders neither exist nor can be made (550)
  endless      a listing and every download send bytes without end (and
               SIZE is not answered with a size)

A real server does not stall on demand; this one holds its connections
open until it is ended.
"""
import os
import socket
import sys
import threading
import time


def stall():
    while True:
        time.sleep(3600)


def send_forever(connection, chunk):
    """Sends `chunk` again and again until the client goes away."""
    try:
        while True:
            connection.sendall(chunk)
    except OSError:
        connection.close()


class Session(threading.Thread):
    def __init__(self, control, root, mode):
        super().__init__(daemon=True)
        self.control = control
        self.root = root
        self.mode = mode
        self.passive = None
        self.reader = control.makefile("rb")

    def say(self, line):
        self.control.sendall((line + "\r\n").encode())

    def data(self):
        connection, _ = self.passive.accept()
        self.passive.close()
        self.passive = None
        return connection

    def file_bytes(self, name):
        path = os.path.join(self.root, os.path.basename(name))
        if not os.path.isfile(path):
            return None
        with open(path, "rb") as f:
            return f.read()

    def run(self):
        self.say("220 stalling test server")
        for raw in self.reader:
            line = raw.decode("latin-1").rstrip("\r\n")
            verb, _, argument = line.partition(" ")
            verb = verb.upper()
            if verb == "USER":
                self.say("331 password please")
            elif verb == "PASS":
                self.say("230 logged in")
            elif verb == "PWD":
                self.say('257 "/" is the current folder')
            elif verb in ("TYPE", "MODE", "STRU", "NOOP"):
                self.say("200 ok")
            elif verb == "EPSV":
                self.passive = socket.socket()
                self.passive.bind(("127.0.0.1", 0))
                self.passive.listen(1)
                self.say("229 passive (|||%d|)" % self.passive.getsockname()[1])
            elif verb == "CWD" or verb == "MKD":
                if self.mode == "refuse-mkd":
                    self.say("550 permission denied")
                else:
                    self.say("250 ok" if verb == "CWD" else '257 "%s" created' % argument)
            elif verb == "SIZE":
                content = self.file_bytes(argument)
                if self.mode == "endless":
                    self.say("502 no size of an endless file")
                elif content is None:
                    self.say("550 no such file")
                else:
                    self.say("213 %d" % len(content))
            elif verb == "RETR":
                content = self.file_bytes(argument)
                if self.mode == "no-reply":
                    stall()
                if content is None:
                    self.say("550 no such file")
                    continue
                self.say("150 sending")
                connection = self.data()
                if self.mode == "endless":
                    send_forever(connection, b"\x1f\x8b" + b"x" * 65534)
                    continue
                if self.mode == "mid-file":
                    connection.sendall(content[: len(content) // 2])
                    stall()
                connection.sendall(content)
                connection.close()
                self.say("226 done")
            elif verb == "LIST":
                if self.mode == "no-reply":
                    stall()
                self.say("150 listing")
                connection = self.data()
                names = sorted(os.listdir(self.root))
                lines = [
                    "-rw-r--r-- 1 owner group %d Jan 01 00:00 %s\r\n"
                    % (os.path.getsize(os.path.join(self.root, n)), n)
                    for n in names
                ]
                if self.mode == "endless":
                    line = "-rw-r--r-- 1 owner group 10 Jan 01 00:00 %s.log\r\n"
                    send_forever(connection, "".join(line % i for i in range(1000)).encode())
                    continue
                if self.mode == "mid-list":
                    connection.sendall(lines[0].encode() if lines else b"-")
                    stall()
                connection.sendall("".join(lines).encode())
                connection.close()
                self.say("226 done")
            elif verb == "STOR":
                self.say("150 go ahead")
                connection = self.data()
                if self.mode == "mid-upload":
                    stall()
                while connection.recv(65536):
                    pass
                connection.close()
                self.say("226 stored")
            elif verb == "QUIT":
                self.say("221 bye")
                break
            else:
                self.say("502 not implemented")
        self.control.close()


def main():
    root, port_file, mode = sys.argv[1:4]
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(8)
    with open(port_file + ".tmp", "w") as f:
        f.write(str(listener.getsockname()[1]))
    os.rename(port_file + ".tmp", port_file)
    while True:
        control, _ = listener.accept()
        Session(control, root, mode).start()


if __name__ == "__main__":
    main()
