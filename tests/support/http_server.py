#!/usr/bin/env python3
"""Loopback HTTP server for the tests.

Usage: http_server.py ROOT
The port is a free one unless the environment variable BRINKMOOR_TEST_PORT names one.
Serves the files below ROOT. Prints "PORT <n>" once it listens, then "GET <path>" for every
request. Paths with special behaviour (whatever ROOT holds):
  /__stall/...     sends the headers and ten bytes of a longer body, then nothing
  /__big/...       sends a body of 17 MiB without a length
  /__redirect/...  redirects (302) to the same path without the /__redirect prefix
  /__status/N/...  answers with status N and a short body
  /__hang/...      accepts the request and never answers
  /__short/...     promises 1000 bytes, sends ten and closes the connection
  /__hops/N/...    redirects N times in a row, then to the same path without /__hops/N
A folder path serves the folder's index.html.
"""
import http.server
import os
import sys
import time
import urllib.parse

ROOT = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else ".")


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def do_GET(self):
        path = urllib.parse.unquote(urllib.parse.urlsplit(self.path).path)
        print("GET " + self.path, flush=True)
        if path.startswith("/__stall/"):
            self.send_response(200)
            self.send_header("Content-Length", "100000")
            self.end_headers()
            self.wfile.write(b"0123456789")
            self.wfile.flush()
            time.sleep(120)
            return
        if path.startswith("/__big/"):
            self.send_response(200)
            self.end_headers()
            chunk = b"x" * 65536
            try:
                for _ in range(17 * 16):
                    self.wfile.write(chunk)
            except OSError:
                pass
            return
        if path.startswith("/__redirect/"):
            self.send_response(302)
            self.send_header("Location", path[len("/__redirect"):])
            self.end_headers()
            return
        if path.startswith("/__hang/"):
            time.sleep(120)
            return
        if path.startswith("/__short/"):
            self.send_response(200)
            self.send_header("Content-Length", "1000")
            self.end_headers()
            self.wfile.write(b"0123456789")
            self.wfile.flush()
            return
        if path.startswith("/__hops/"):
            parts = path.split("/", 3)
            hops = int(parts[2])
            rest = "/" + (parts[3] if len(parts) > 3 else "")
            target = rest if hops <= 1 else "/__hops/%d%s" % (hops - 1, rest)
            self.send_response(302)
            self.send_header("Location", target)
            self.end_headers()
            return
        if path.startswith("/__status/"):
            code = int(path.split("/")[2])
            self.send_response(code)
            self.end_headers()
            self.wfile.write(b"status page\n")
            return
        full = os.path.normpath(os.path.join(ROOT, path.lstrip("/")))
        if os.path.isdir(full):
            full = os.path.join(full, "index.html")
        if not full.startswith(ROOT) or not os.path.isfile(full):
            self.send_response(404)
            self.end_headers()
            self.wfile.write(b"not found\n")
            return
        with open(full, "rb") as f:
            body = f.read()
        self.send_response(200)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


def main():
    server = http.server.ThreadingHTTPServer(
        ("127.0.0.1", int(os.environ.get("BRINKMOOR_TEST_PORT", "0"))), Handler)
    server.daemon_threads = True
    print("PORT %d" % server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
