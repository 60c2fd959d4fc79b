"""A throwaway FTP (or FTPS) server for the transfer tests.

Usage: ftp_server.py ROOT PORT_FILE USER PASSWORD [CERT_PEM]

Serves ROOT on 127.0.0.1 at a free port, which it writes to PORT_FILE once
it listens. With CERT_PEM (certificate and key in one file) it requires
TLS on the control and data connections (explicit, AUTH TLS). Each login
adds a line to PORT_FILE.logins. A refused login is answered at once. A download
of a file whose name starts with "cut" sends the first half of the file
and then drops the connection, as a server that goes away mid-file does. The
first upload of a file whose name holds "flaky" drops the connection, as a
server that restarts does; the next one is stored. While ROOT holds a file
named "no-rest", REST is refused, as by a server that does not resume.
"""
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, TLS_FTPHandler
from pyftpdlib.servers import FTPServer


def _handshaking_dtp():
    """pyftpdlib 1.5.7 closes a data connection that is idle before its
    transfer command, which is how it notices a client that went away. A
    client that connects in passive mode right after PASV/EPSV (as libcurl
    does) and starts TLS at once is then cut off mid-handshake. This data
    handler lets the handshake run and keeps the idle connection open until
    the transfer command comes."""
    from pyftpdlib.handlers import TLS_DTPHandler

    class HandshakingDTP(TLS_DTPHandler):
        def readable(self):
            if self._ssl_accepting:
                return True
            if not self.receive and not self._initialized:
                return False
            return super().readable()

    return HandshakingDTP


def main():
    root, port_file, user, password = sys.argv[1:5]
    cert = sys.argv[5] if len(sys.argv) > 5 else None
    base = TLS_FTPHandler if cert else FTPHandler

    dropped = set()

    class Handler(base):
        # pyftpdlib waits 3 s before it answers a wrong password.
        auth_failed_timeout = 0

        def on_login(self, username):
            with open(port_file + ".logins", "a") as f:
                f.write(username + "\n")

        def ftp_STOR(self, file, mode="w"):
            if "flaky" in os.path.basename(file) and file not in dropped:
                dropped.add(file)
                self.close()
                return None
            return super().ftp_STOR(file, mode)

        def ftp_REST(self, line):
            if os.path.exists(os.path.join(root, "no-rest")):
                self.respond("502 Command not implemented.")
                return None
            return super().ftp_REST(line)

        def ftp_RETR(self, file):
            if not os.path.basename(file).startswith("cut"):
                return super().ftp_RETR(file)
            with open(file, "rb") as f:
                data = f.read()
            self.respond("150 File status okay. About to open data connection.")
            self.data_channel.push(data[: len(data) // 2])
            self.ioloop.call_later(0.3, self.close)
            return None

    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, root, perm="elradfmwMT")
    Handler.authorizer = authorizer
    Handler.passive_ports = None
    if cert:
        Handler.dtp_handler = _handshaking_dtp()
        Handler.certfile = cert
        Handler.tls_control_required = True
        Handler.tls_data_required = True
    server = FTPServer(("127.0.0.1", 0), Handler)
    port = server.socket.getsockname()[1]
    with open(port_file + ".tmp", "w") as f:
        f.write(str(port))
    os.rename(port_file + ".tmp", port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
