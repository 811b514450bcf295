#!/usr/bin/env python3
"""A small internet radio server for tests and the demo: serves one audio file, looped, over
HTTP/1.0 with the ICY extensions on 127.0.0.1, and misbehaves on request.

The first line on stdout is the port it listens on (also written to --port-file when given).

The stream options (--status-line and all that follow it) can also be given for one request in
the URL's query, by their names without the leading dashes ('-' and '_' both accepted; repeat a
key for repeatable options); the query wins over the command line:

    http://127.0.0.1:PORT/live?metaint=16000&close-after=3000&title=A&title=B

Paths:
    /chain/N   answers 302 with Location http://127.0.0.1:PORT/chain/N-1 (same query);
               /chain/0 streams. A chain of N redirects.
    /loop      answers 302 with Location pointing at itself (a redirect loop).
    other      streams, or answers as the options say.

A request through a proxy carries the whole URL as its target; the path and query are taken
from it the same way, so the server doubles as a proxy target. With --record every request
head received (request line and header lines, as received) is appended to a file, so tests can
check what the client sent.

Audio bytes of a connection are the file's bytes from offset 0, repeated; metadata blocks
(length byte L, then L x 16 bytes of "StreamTitle='...';StreamUrl='';" padded with zero bytes)
follow every --metaint audio bytes.
"""
import argparse
import os
import socket
import socketserver
import sys
import threading
import time
import urllib.parse

# name, type, default, repeatable, help
OPTIONS = [
    ("status-line", str, "icy", False, "status line protocol word: 'icy' (ICY 200 OK) or 'http' (HTTP/1.0 200 OK)"),
    ("status", int, 200, False, "status code of the answer; anything but 200 and 302 gets a bare head and a close"),
    ("station", str, "icy", False, "station header names: 'icy', 'ice', 'both' (ice- values differ: 'ICE ' prefix) or 'none'"),
    ("name", str, "Test Radio", False, "station name"),
    ("genre", str, "Test", False, "station genre"),
    ("url", str, "http://radio.test/", False, "station URL header value"),
    ("metaint", int, 0, False, "audio bytes between metadata blocks; 0 sends no icy-metaint and no metadata"),
    ("title", str, None, True, "a StreamTitle text, repeatable; used in turn (default 'Artist - Song')"),
    ("meta", str, "title", False, "comma-separated block kinds cycled per interval: 'title', 'empty' (length byte 0), 'max' (title padded to 255 x 16 bytes)"),
    ("chunk", int, 4096, False, "bytes per send"),
    ("gap-ms", int, 0, False, "pause after each send so that pieces arrive separately"),
    ("split-meta", int, 0, False, "1: send each metadata block in two sends split in its middle, 20 ms apart"),
    ("pace", int, 0, False, "1: send at the file's bitrate; 0: as fast as the client reads"),
    ("bitrate", int, 0, False, "pacing rate in kbit/s instead of the file's"),
    ("close-after", int, -1, False, "close the connection after this many audio bytes"),
    ("stall-after", int, -1, False, "stop sending after this many audio bytes ..."),
    ("stall", float, 0.0, False, "... for this many seconds, then go on"),
    ("redirect", str, "", False, "answer 302 with this Location"),
    ("no-location", int, 0, False, "1: a 302 answer carries no Location header"),
    ("trickle-ms", int, 0, False, "send the status line, then the rest of the head one byte at a time, this many ms apart"),
    ("long-head", int, 0, False, "send this many head bytes without the blank line that ends the head, then wait"),
    ("split-status", int, 0, False, "1: the first piece is 'IC' (ends inside the status word), the rest 300 ms later"),
    ("silent", int, 0, False, "1: read the request and never answer"),
    ("header", str, None, True, "an extra raw header line, repeatable"),
]

RECORD_LOCK = threading.Lock()


def option_key(name):
    return name.replace("-", "_")


def parse_arguments(argv):
    parser = argparse.ArgumentParser(
        description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--file", required=True, help="audio file served in a loop (.mp3 or .ogg)")
    parser.add_argument("--host", default="127.0.0.1", help="address to listen on (127.0.0.1)")
    parser.add_argument("--port", type=int, default=0, help="port to listen on; 0 picks a free one")
    parser.add_argument("--port-file", default="", help="also write the port to this file")
    parser.add_argument("--record", default="", help="append every request head received to this file")
    parser.add_argument("--quiet", action="store_true", help="no log lines on stderr")
    for name, kind, default, repeat, text in OPTIONS:
        if repeat:
            parser.add_argument("--" + name, type=kind, action="append", default=None, help=text)
        else:
            parser.add_argument("--" + name, type=kind, default=default, help=text)
    return parser.parse_args(argv)


def request_options(base, query):
    """The server's options with the query's overrides for one request."""
    options = {option_key(name): getattr(base, option_key(name)) for name, *_ in OPTIONS}
    overrides = urllib.parse.parse_qs(query, keep_blank_values=True)
    for key, values in overrides.items():
        key = key.replace("-", "_")
        for name, kind, _default, repeat, _text in OPTIONS:
            if option_key(name) == key:
                try:
                    options[key] = [kind(v) for v in values] if repeat else kind(values[-1])
                except ValueError:
                    pass
    return options


def file_bitrate(data, path):
    """Nominal bitrate in bit/s of an MP3 (first frame) or Ogg Vorbis file; 128k when unknown."""
    if path.lower().endswith(".ogg"):
        at = data.find(b"\x01vorbis")
        if at >= 0 and len(data) >= at + 28:
            nominal = int.from_bytes(data[at + 20:at + 24], "little", signed=True)
            if nominal > 0:
                return nominal
        return 128000
    at = 0
    if data[:3] == b"ID3" and len(data) >= 10:
        size = (data[6] << 21) | (data[7] << 14) | (data[8] << 7) | data[9]
        at = 10 + size
    tables = {  # (version bit, layer) -> kbit/s by index
        (1, 1): [0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448],
        (1, 2): [0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384],
        (1, 3): [0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320],
        (0, 1): [0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256],
        (0, 2): [0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160],
        (0, 3): [0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160],
    }
    while at + 4 <= len(data):
        if data[at] == 0xFF and (data[at + 1] & 0xE0) == 0xE0:
            version = (data[at + 1] >> 3) & 3
            layer = 4 - ((data[at + 1] >> 1) & 3)
            index = data[at + 2] >> 4
            if version != 1 and layer != 4 and 0 < index < 15:
                return tables[(1 if version == 3 else 0, layer)][index] * 1000
        at += 1
    return 128000


def metadata_block(kind, title):
    if kind == "empty":
        return b"\x00"
    text = ("StreamTitle='%s';StreamUrl='';" % title).encode("utf-8", "replace")
    size = 255 * 16 if kind == "max" else (len(text) + 15) // 16 * 16
    text = text[:min(size, 255 * 16)].ljust(size, b"\x00")
    return bytes([size // 16]) + text


class Handler(socketserver.BaseRequestHandler):
    def log(self, text):
        if not self.server.quiet:
            sys.stderr.write("icy_server: %s\n" % text)

    def read_request(self):
        sock = self.request
        sock.settimeout(10)
        head = b""
        while b"\r\n\r\n" not in head and len(head) < 16384:
            piece = sock.recv(4096)
            if not piece:
                break
            head += piece
        end = head.find(b"\r\n\r\n")
        return head[:end + 4] if end >= 0 else head

    def record(self, head):
        if not self.server.record_path:
            return
        with RECORD_LOCK:
            with open(self.server.record_path, "ab") as out:
                out.write(head)
                out.flush()
                os.fsync(out.fileno())

    def wait_for_client_close(self, seconds):
        sock = self.request
        sock.settimeout(0.2)
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            try:
                if not sock.recv(4096):
                    return
            except socket.timeout:
                continue
            except OSError:
                return

    def finish_connection(self):
        try:
            self.request.shutdown(socket.SHUT_WR)
        except OSError:
            return
        self.wait_for_client_close(5)

    def handle(self):
        try:
            self.serve()
        except (BrokenPipeError, ConnectionResetError, socket.timeout, OSError) as error:
            self.log("connection ended: %s" % error)

    def serve(self):
        head = self.read_request()
        self.record(head)
        lines = head.split(b"\r\n")
        parts = lines[0].split(b" ") if lines else []
        target = parts[1].decode("latin-1") if len(parts) >= 2 else "/"
        split = urllib.parse.urlsplit(target)
        options = request_options(self.server.options, split.query)
        self.log("request %s" % target)
        if options["silent"]:
            self.wait_for_client_close(60)
            return

        status = options["status"]
        location = options["redirect"]
        path = split.path
        here = "http://127.0.0.1:%d" % self.server.server_address[1]
        query = ("?" + split.query) if split.query else ""
        if path.startswith("/chain/"):
            try:
                left = int(path[len("/chain/"):].split("/")[0])
            except ValueError:
                left = 0
            if left > 0:
                status, location = 302, "%s/chain/%d%s" % (here, left - 1, query)
        elif path == "/loop":
            status, location = 302, "%s/loop%s" % (here, query)
        if location and status == 200:
            status = 302

        word = "ICY" if options["status_line"] == "icy" else "HTTP/1.0"
        reason = {200: "OK", 302: "Found", 404: "Not Found"}.get(status, "Error")
        text = "%s %d %s\r\n" % (word, status, reason)
        if status == 302 and not options["no_location"]:
            text += "Location: %s\r\n" % location
        if status == 200:
            content = "application/ogg" if self.server.file_path.lower().endswith(".ogg") else "audio/mpeg"
            text += "Content-Type: %s\r\n" % content
            station = options["station"]
            if station in ("icy", "both"):
                text += "icy-name:%s\r\nicy-genre:%s\r\nicy-url:%s\r\n" % (
                    options["name"], options["genre"], options["url"])
            if station in ("ice", "both"):
                prefix = "ICE " if station == "both" else ""
                text += "ice-name: %s%s\r\nice-genre: %s%s\r\nice-url: %s%s\r\n" % (
                    prefix, options["name"], prefix, options["genre"], prefix, options["url"])
            if options["metaint"] > 0:
                text += "icy-metaint:%d\r\n" % options["metaint"]
        for line in options["header"] or []:
            text += line + "\r\n"

        sock = self.request
        sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        if options["long_head"] > 0:
            filler = text.encode("latin-1", "replace")
            number = 0
            while len(filler) < options["long_head"]:
                filler += b"X-Filler-%d: %s\r\n" % (number, b"a" * 60)
                number += 1
            sock.sendall(filler[:options["long_head"]])
            self.wait_for_client_close(30)
            return
        data = (text + "\r\n").encode("latin-1", "replace")
        if options["split_status"]:
            sock.sendall(data[:2])
            time.sleep(0.3)
            data = data[2:]
        if options["trickle_ms"] > 0:
            status_end = data.find(b"\r\n") + 2
            sock.sendall(data[:status_end])
            for i in range(status_end, len(data)):
                sock.sendall(data[i:i + 1])
                time.sleep(options["trickle_ms"] / 1000.0)
        else:
            sock.sendall(data)
        if status != 200:
            self.finish_connection()
            return
        self.stream(options)

    def stream(self, options):
        sock = self.request
        audio = self.server.audio
        size = len(audio)
        metaint = options["metaint"]
        chunk = max(1, options["chunk"])
        gap = options["gap_ms"] / 1000.0
        close_after = options["close_after"]
        stall_after = options["stall_after"]
        titles = options["title"] or ["Artist - Song"]
        kinds = [k.strip() for k in options["meta"].split(",") if k.strip()] or ["title"]
        rate = options["bitrate"] * 1000 if options["bitrate"] > 0 else self.server.bitrate
        pending = bytearray()
        sent = 0          # audio bytes so far
        since_meta = 0    # audio bytes since the last metadata block
        blocks = 0
        title_number = 0
        stalled = False
        start = time.monotonic()

        def flush():
            if pending:
                sock.sendall(pending)
                pending.clear()
                if gap:
                    time.sleep(gap)
            if options["pace"]:
                due = start + sent * 8.0 / rate
                now = time.monotonic()
                if due > now:
                    time.sleep(due - now)

        while True:
            if 0 <= close_after <= sent:
                flush()
                self.finish_connection()
                return
            if 0 <= stall_after <= sent and not stalled:
                flush()
                time.sleep(options["stall"])
                stalled = True
            if metaint > 0 and since_meta == metaint:
                kind = kinds[blocks % len(kinds)]
                blocks += 1
                title = titles[title_number % len(titles)]
                if kind != "empty":
                    title_number += 1
                block = metadata_block(kind, title)
                if options["split_meta"] and len(block) > 1:
                    half = len(block) // 2
                    pending.extend(block[:half])
                    flush()
                    time.sleep(0.02)
                    pending.extend(block[half:])
                else:
                    pending.extend(block)
                since_meta = 0
                continue
            if size == 0:
                flush()
                self.finish_connection()
                return
            n = chunk - len(pending) if len(pending) < chunk else 1
            if metaint > 0:
                n = min(n, metaint - since_meta)
            if close_after >= 0:
                n = min(n, close_after - sent)
            if stall_after >= 0 and not stalled:
                n = min(n, stall_after - sent)
            at = sent % size
            piece = audio[at:at + n]
            if len(piece) < n:
                piece += audio[:n - len(piece)]
            pending.extend(piece)
            sent += n
            since_meta += n
            if len(pending) >= chunk:
                flush()


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main(argv):
    args = parse_arguments(argv)
    with open(args.file, "rb") as source:
        audio = source.read()
    server = Server((args.host, args.port), Handler)
    server.options = args
    server.audio = audio
    server.file_path = args.file
    server.bitrate = file_bitrate(audio, args.file)
    server.quiet = args.quiet
    server.record_path = args.record
    port = server.server_address[1]
    if args.port_file:
        temporary = args.port_file + ".tmp"
        with open(temporary, "w") as out:
            out.write("%d\n" % port)
        os.replace(temporary, args.port_file)
    sys.stdout.write("%d\n" % port)
    sys.stdout.flush()
    try:
        server.serve_forever(poll_interval=0.1)
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
