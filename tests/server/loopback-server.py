#!/usr/bin/env python3
"""A download server on the loopback interface for the tests and benchmarks.

  loopback-server.py --root DIR --port-file FILE [--log FILE]

Binds 127.0.0.1 on a free port and writes the port number to FILE once it
is listening. Every request is logged to --log as one tab-separated line:
path (with its query), User-Agent, Cache-Control, Pragma, Cookie,
Authorization.

Paths (the query is ignored when finding the file):
  /<name>          the file DIR/<name>; a missing file is a 404 error page
  /slow/<name>     the same body in pieces of 1000 bytes with pauses of 20 ms
  /early/<name>    announces the whole length, sends half and closes
  /drip/<name>     announces the whole length, then sends one byte every
                   half second (a server too slow to be of use)
  /status/<code>/<name>  the file DIR/<name> as the body of a <code> answer
  /hang, /hang/<name>  reads the request and never answers (until the client goes)
  /late/<path>     what <path> answers, after a pause of five seconds
  /endless         a body that never ends (zeros), until the client goes
  /error           a 500 answer with an HTML page
  /redirect/<code>?to=<location>  a <code> answer with that Location
  /hops/<n>/<name>  redirects (302) to /hops/<n-1>/<name>, and at 0 serves
                   <name>; every redirect answer also sets a cookie
  /auth/<name>     a 401 answer asking for Negotiate, NTLM or Basic log-on
"""

import argparse
import os
import sys
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

PIECE = 1 << 16
ERROR_PAGE = b"<html><head><title>Not here</title></head><body><h1>%d</h1></body></html>\n"


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def do_GET(self):
        options = self.server.options
        if options.log:
            with open(options.log, "a") as log:
                log.write("\t".join([self.path, self.headers.get("User-Agent", ""),
                                     self.headers.get("Cache-Control", ""), self.headers.get("Pragma", ""),
                                     self.headers.get("Cookie", ""), self.headers.get("Authorization", "")]) + "\n")
        path = urllib.parse.unquote(urllib.parse.urlsplit(self.path).path)
        try:
            if path.startswith("/redirect/"):
                query = urllib.parse.parse_qs(urllib.parse.urlsplit(self.path).query)
                return self.redirect(int(path[len("/redirect/"):]), query.get("to", [""])[0])
            if path.startswith("/hops/"):
                count, _, rest = path[len("/hops/"):].partition("/")
                if int(count) > 0:
                    return self.redirect(302, "/hops/%d/%s" % (int(count) - 1, rest))
                path = "/" + rest
            if path.startswith("/auth/"):
                return self.page(401, ["Negotiate", "NTLM", 'Basic realm="tarnwick"'])
            if path == "/endless":
                return self.endless()
            if path == "/error":
                return self.page(500)
            if path.startswith("/late/"):
                time.sleep(5)
                path = path[len("/late"):]
            if path == "/hang" or path.startswith("/hang/"):
                return self.hang()
            status = 200
            if path.startswith("/status/"):
                code, _, rest = path[len("/status/"):].partition("/")
                status, path = int(code), "/" + rest
            mode, name = "whole", path.lstrip("/")
            for prefix in ("slow", "early", "drip"):
                if name.startswith(prefix + "/"):
                    mode, name = prefix, name[len(prefix) + 1:]
            file = os.path.join(options.root, name)
            if not name or ".." in name.split("/") or not os.path.isfile(file):
                return self.page(404)
            self.send_file(file, mode, status)
        except (BrokenPipeError, ConnectionResetError):
            pass

    def page(self, status, authenticate=()):
        body = ERROR_PAGE % status
        self.send_response(status)
        for scheme in authenticate:
            self.send_header("WWW-Authenticate", scheme)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def redirect(self, status, location):
        body = b"moved\n"
        self.send_response(status)
        self.send_header("Location", location)
        self.send_header("Set-Cookie", "tarnwick-probe=1; Path=/")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def send_file(self, file, mode, status=200):
        size = os.path.getsize(file)
        self.send_response(status)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(size))
        self.end_headers()
        limit = size // 2 if mode == "early" else size
        piece = {"slow": 1000, "drip": 1}.get(mode, PIECE)
        sent = 0
        with open(file, "rb") as source:
            while sent < limit:
                data = source.read(min(piece, limit - sent))
                if not data:
                    break
                self.wfile.write(data)
                self.wfile.flush()
                sent += len(data)
                if mode == "slow":
                    time.sleep(0.02)
                if mode == "drip":
                    time.sleep(0.5)
        if mode == "early":
            self.close_connection = True

    def hang(self):
        # Until the client closes the connection: recv returns b"" then.
        self.connection.settimeout(None)
        while self.connection.recv(4096):
            pass

    def endless(self):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.end_headers()
        zeros = bytes(PIECE)
        while True:
            self.wfile.write(zeros)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--log")
    options = parser.parse_args()
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    server.options = options
    with open(options.port_file + ".part", "w") as out:
        out.write(str(server.server_address[1]))
    os.replace(options.port_file + ".part", options.port_file)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
