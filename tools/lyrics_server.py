#!/usr/bin/env python3
"""A scripted lyrics service for tests: speaks the player's lyrics search protocol on 127.0.0.1
and misbehaves on request.

The first line on stdout is the port it listens on.

Paths:
    /songsearch.htm   the search address, http://127.0.0.1:PORT/search, without a line end
    /search           the bytes of --answer, each "{base}" replaced by http://127.0.0.1:PORT
                      (an empty body without --answer)
    /files/NAME       the bytes of the file NAME in --files (404 when there is none)
    other             404

Misbehaviour, for one request by keys in its query, or for every request to a path by
--rule 'PATH?KEY=VALUE&...' (the request's own query wins):
    status=N        answer with this status and a short text
    body=TEXT       this body instead of the path's own
    size=N          a body of N bytes instead (lines of 'x')
    cut=N           announce the whole body, send its first N bytes, then close
    stall=SECONDS   send the head, wait this long, then the body
    silent=1        read the request and never answer

With --record, every request is appended to a file, one a line: its request line and its
User-Agent, separated by a tab ("GET /search?... HTTP/1.1<TAB>AGENT"), so tests can see what
the client sent and how often.
"""
import argparse
import http.server
import os
import socketserver
import sys
import threading
import time
import urllib.parse

RECORD_LOCK = threading.Lock()


def parse_arguments(argv):
    parser = argparse.ArgumentParser(
        description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--host", default="127.0.0.1", help="address to listen on (127.0.0.1)")
    parser.add_argument("--port", type=int, default=0, help="port to listen on; 0 picks a free one")
    parser.add_argument("--answer", default="", help="file whose bytes answer /search")
    parser.add_argument("--files", default="", help="folder served under /files/")
    parser.add_argument("--rule", action="append", default=[],
                        help="PATH?KEY=VALUE&...: misbehaviour for every request to PATH")
    parser.add_argument("--record", default="", help="append every request line to this file")
    parser.add_argument("--quiet", action="store_true", help="no log lines on stderr")
    return parser.parse_args(argv)


class Handler(http.server.BaseHTTPRequestHandler):
    server_version = "ScriptedLyrics/1"

    def log_message(self, fmt, *args):
        if not self.server.options.quiet:
            sys.stderr.write("lyrics_server: " + (fmt % args) + "\n")

    def base(self):
        return "http://127.0.0.1:%d" % self.server.server_address[1]

    def own_answer(self, path):
        """Status and body of the path when nothing misbehaves."""
        options = self.server.options
        if path == "/songsearch.htm":
            return 200, (self.base() + "/search").encode()
        if path == "/search":
            if not options.answer:
                return 200, b""
            with open(options.answer, "rb") as f:
                return 200, f.read().replace(b"{base}", self.base().encode())
        if path.startswith("/files/") and options.files:
            name = urllib.parse.unquote(path[len("/files/"):])
            full = os.path.join(options.files, name)
            if "/" not in name and os.path.isfile(full):
                with open(full, "rb") as f:
                    return 200, f.read()
        return 404, b"not found"

    def do_GET(self):
        options = self.server.options
        if options.record:
            with RECORD_LOCK, open(options.record, "a", encoding="latin-1") as f:
                f.write(self.requestline + "\t" + self.headers.get("User-Agent", "") + "\n")
        target = urllib.parse.urlsplit(self.path)
        keys = dict(self.server.rules.get(target.path, {}))
        keys.update(urllib.parse.parse_qsl(target.query, keep_blank_values=True))

        if keys.get("silent") == "1":
            time.sleep(3600)
            return
        status, body = self.own_answer(target.path)
        if "status" in keys:
            status, body = int(keys["status"]), ("status %s\n" % keys["status"]).encode()
        if "body" in keys:
            body = keys["body"].encode("latin-1", "replace")
        if "size" in keys:
            size = int(keys["size"])
            line = b"x" * 63 + b"\n"
            body = (line * (size // len(line) + 1))[:size]

        self.send_response(status)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.flush()
        if "stall" in keys:
            time.sleep(float(keys["stall"]))
        if "cut" in keys:
            body = body[:int(keys["cut"])]
        try:
            self.wfile.write(body)
            self.wfile.flush()
        except (BrokenPipeError, ConnectionResetError):
            pass
        self.close_connection = True


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def main(argv):
    options = parse_arguments(argv)
    rules = {}
    for rule in options.rule:
        path, _, query = rule.partition("?")
        rules[path] = dict(urllib.parse.parse_qsl(query, keep_blank_values=True))
    server = Server((options.host, options.port), Handler)
    server.options = options
    server.rules = rules
    print(server.server_address[1], flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
