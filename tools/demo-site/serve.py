#!/usr/bin/env python3
"""The demo's small web site on 127.0.0.1: a page linking to an archive, an installer, a page
and a query-string download. Every request that reaches it is appended to a log, so the demo
can show which navigations the browser really made.

    serve.py PORT_FILE REQUEST_LOG
"""
import http.server
import socketserver
import sys

PAGES = {
    "/": ("text/html", b"<html><body><h1>Downloads</h1>"
          b"<a href='/files/archive.zip'>archive</a> <a href='/files/setup.exe'>installer</a> "
          b"<a href='/docs/page.html'>page</a> <a href='/get?file=report.pdf'>report</a></body></html>"),
    "/docs/page.html": ("text/html", b"<html><body>Just a page.</body></html>"),
    "/files/archive.zip": ("application/zip", b"PK\x05\x06" + b"\0" * 18),
    "/files/setup.exe": ("application/octet-stream", b"MZ" + b"\0" * 62),
    "/get": ("application/pdf", b"%PDF-1.4\n%%EOF\n"),
}


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        with open(sys.argv[2], "a") as log:
            log.write(self.path + "\n")
        path = self.path.split("?")[0]
        kind, body = PAGES.get(path, ("text/plain", None))
        if body is None:
            self.send_error(404)
            return
        self.send_response(200)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


with socketserver.TCPServer(("127.0.0.1", 0), Handler) as server:
    with open(sys.argv[1], "w") as port_file:
        port_file.write(str(server.server_address[1]))
    server.serve_forever()
