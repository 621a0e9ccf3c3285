#!/usr/bin/env python3
"""A statistics server on this machine for the demo and the benchmarks: takes the installer's reports on
127.0.0.1:80 and writes each one to LOG as it arrives (request line, content type, body). Usage:
  report-listener.py LOG"""
import http.server
import sys

log_path = sys.argv[1]


class Reports(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", "0")))
        with open(log_path, "a", encoding="utf-8") as log:
            log.write(f"{self.command} {self.path}  Content-Type: {self.headers.get('Content-Type')}\n")
            log.write("  " + body.decode("utf-8", "replace").replace("\n", "\\n") + "\n")
        self.send_response(200)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def log_message(self, *args):
        pass


open(log_path, "w").close()
http.server.HTTPServer(("127.0.0.1", 80), Reports).serve_forever()
