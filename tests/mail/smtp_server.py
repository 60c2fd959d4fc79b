"""A mail submission server for the SMTP tests, as hosted mail runs one.

Usage: smtp_server.py MODE CERT_PEM PORT_FILE MAILDIR USER PASSWORD

MODE is "starttls" (STARTTLS and a login required before any mail, as on
port 587) or "tls" (TLS from the first byte and a login required, as on
port 465). CERT_PEM holds the certificate and its key. Listens on
127.0.0.1 at a free port, which it writes to PORT_FILE; every accepted
message goes into MAILDIR. Only AUTH PLAIN and LOGIN are offered, over TLS.
"""
import asyncio
import os
import ssl
import sys

from aiosmtpd.handlers import Mailbox
from aiosmtpd.smtp import SMTP, AuthResult


def main():
    mode, cert, port_file, maildir, user, password = sys.argv[1:7]
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(cert)
    handler = Mailbox(maildir)

    def authenticate(server, session, envelope, mechanism, data):
        ok = data.login == user.encode() and data.password == password.encode()
        return AuthResult(success=ok, handled=False)

    def factory():
        return SMTP(
            handler,
            hostname="mail.test",
            tls_context=context if mode == "starttls" else None,
            require_starttls=mode == "starttls",
            auth_required=True,
            auth_require_tls=True,
            authenticator=authenticate,
        )

    loop = asyncio.new_event_loop()
    if mode == "tls":
        # An SMTP object on a TLS connection from the start needs to know it.
        base = factory

        def factory():  # noqa: F811
            server = base()
            server._tls_protocol = True
            return server

    server = loop.run_until_complete(
        loop.create_server(factory, "127.0.0.1", 0, ssl=context if mode == "tls" else None)
    )
    port = server.sockets[0].getsockname()[1]
    with open(port_file + ".tmp", "w") as f:
        f.write(str(port))
    os.rename(port_file + ".tmp", port_file)
    loop.run_forever()


if __name__ == "__main__":
    main()
