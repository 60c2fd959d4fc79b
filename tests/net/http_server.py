"""A throwaway web server for the page title tests.

Usage: http_server.py PORT_FILE [CERT_PEM]

Serves the fixed pages below on 127.0.0.1 at a free port, which it writes
to PORT_FILE once it listens; https when CERT_PEM (certificate and key in
one file) is given. Each request is answered on a thread of its own, so a
page that keeps the client waiting holds up no other.
"""
import os
import ssl
import sys
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

DATE = "Tue, 01 Oct 2024 10:00:00 GMT"
FILLER = "<!-- " + "x" * 1600 + " -->"

# path: (status, Last-Modified or None, body)
PAGES = {
    "/dated.html": (200, DATE, "<html><head><TiTlE>Caf\u00e9 Menu</tItLe></head></html>"),
    "/undated.html": (200, None, "<html><head><title>No Date</title></head></html>"),
    "/missing.html": (404, DATE, "<html><head><title>Not Found</title></head></html>"),
    "/short-date.html": (200, "2024-10-01", "<html><title>Short</title></html>"),
    "/late.html": (200, DATE, "<html>" + FILLER + "<title>Too Late</title></html>"),
    "/first.html": (200, DATE, "<title>At The Start</title><p>text</p>"),
    "/unclosed.html": (200, DATE, "<html>" + FILLER[:1400] + "<title>Cut" + "y" * 200 + "</title>"),
    "/hostile.html": (
        200,
        DATE + "<b>",
        "<html><title><script>alert(1)</script> AT&amp;T &copy;\n&bad</title></html>",
    ),
    "/script-title.html": (
        200,
        DATE,
        "<html><title><script>document.title=501</script>"
        "<img src=x onerror=document.title=502></title></html>",
    ),
    "/long.html": (200, DATE, "<html><title>Long</title>" + "z" * 200000 + "</html>"),
}


class Handler(BaseHTTPRequestHandler):
    def do_GET(self):
        if self.path == "/slow.html":
            time.sleep(2)
        if self.path == "/elsewhere.html":
            # An open redirect of the site to another host name of this machine.
            self.send_response(302)
            self.send_header(
                "Location", "http://localhost:%d/dated.html" % self.server.server_address[1]
            )
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if self.path == "/moved.html":
            self.send_response(302)
            self.send_header("Location", "/dated.html")
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        status, modified, body = PAGES.get(self.path, (404, None, "<title>none</title>"))
        data = body.encode("utf-8")
        self.send_response(status)
        if modified:
            self.send_header("Last-Modified", modified)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        try:
            self.wfile.write(data)
        except (BrokenPipeError, ConnectionResetError):
            pass

    def log_message(self, *args):
        pass


def main():
    port_file = sys.argv[1]
    cert = sys.argv[2] if len(sys.argv) > 2 else None
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    if cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cert)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    port = server.server_address[1]
    with open(port_file + ".tmp", "w") as f:
        f.write(str(port))
    os.rename(port_file + ".tmp", port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
