#!/usr/bin/env python3
"""versolune-lyricsd over a generated library of 100 000 LRC files (1000 folders of 100): the
time to build its index from nothing and to start again over a kept index, the index size,
then the latency (p50, p99) and requests per second of the player's search request with wrk at
1 and at 64 connections, 10 000 different queries in turn, against the service's own bootstrap
page in the same run (the cost of HTTP alone, so the ratio is the cost of the search), and the
service's peak resident memory.

usage: bench/bench_lyricsd.py [BUILD_DIR] [SECONDS_PER_WRK_RUN]   (defaults: build, 10)
"""
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build"))
SECONDS = int(sys.argv[2]) if len(sys.argv) > 2 else 10
FILES = 100000
QUERIES = 10000
WORDS = ("love night heart fire rain dream river moon song light road home blue summer child "
         "golden dance wind sky sea time heaven stone city angel shadow winter morning lonely "
         "frère café señor über naïve garçon smörgåsbord").split()


def escape(text):
    # The player's escaping: letters stay, every other byte is %XX.
    return "".join(c if c.isascii() and c.isalpha() else "".join("%%%02X" % b for b in c.encode()) for c in text)


def make_library(root, rng):
    titles = []
    for folder in range(FILES // 100):
        d = os.path.join(root, "artist%04d" % folder)
        os.mkdir(d)
        singer = "Singer %d %s" % (folder, rng.choice(WORDS).title())
        for n in range(100):
            title = " ".join(rng.choice(WORDS) for _ in range(rng.randint(1, 4))).title() + " %d" % n
            titles.append((singer, title))
            body = "[ar:%s]\n[ti:%s]\n[al:Album %d]\n" % (singer, title, folder)
            body += "".join("[00:%02d.00]%s\n" % (s, rng.choice(WORDS)) for s in range(0, 40, 4))
            with open(os.path.join(d, "%03d.lrc" % n), "w", encoding="utf-8") as f:
                f.write(body)
    return titles


def start(library, db):
    t0 = time.monotonic()
    p = subprocess.Popen([os.path.join(BUILD, "versolune-lyricsd"), "--library", library, "--db", db,
                          "--listen", "127.0.0.1:0"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    line = p.stdout.readline().strip()
    elapsed = time.monotonic() - t0
    m = re.match(r"listening on (http://\S+)$", line)
    if not m:
        p.kill()
        raise SystemExit("versolune-lyricsd did not start: %r" % line)
    return p, m.group(1), elapsed


def peak_rss_mb(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) / 1024.0
    return float("nan")


def wrk(url, connections, script):
    threads = min(2, connections)
    out = subprocess.run(["wrk", "-t%d" % threads, "-c%d" % connections, "-d%ds" % SECONDS, "--latency",
                          "-s", script, url], capture_output=True, text=True).stdout
    def ms(label):
        m = re.search(r"^\s+%s\s+([\d.]+)(us|ms|s)\s*$" % re.escape(label), out, re.M)
        if not m:
            return float("nan")
        return float(m.group(1)) * {"us": 0.001, "ms": 1.0, "s": 1000.0}[m.group(2)]
    rps = re.search(r"Requests/sec:\s+([\d.]+)", out)
    errors = re.search(r"Non-2xx or 3xx responses: (\d+)", out)
    return ms("50%"), ms("99%"), float(rps.group(1)) if rps else float("nan"), int(errors.group(1)) if errors else 0


def main():
    if not shutil.which("wrk"):
        raise SystemExit("wrk is needed (scripts/deps installs it)")
    rng = random.Random(7)
    work = tempfile.mkdtemp(prefix="bench-lyricsd-")
    try:
        library = os.path.join(work, "library")
        os.mkdir(library)
        t0 = time.monotonic()
        titles = make_library(library, rng)
        print("library: %d files generated in %.1f s" % (FILES, time.monotonic() - t0))
        db = os.path.join(work, "index.sqlite")
        service, base, build_s = start(library, db)
        size_mb = sum(os.path.getsize(db + s) for s in ("", "-wal") if os.path.exists(db + s)) / 1e6
        service.terminate()
        service.wait()
        service, base, restart_s = start(library, db)
        print("index build: %.1f s from nothing, %.1f s to start again over it; index %.1f MB" %
              (build_s, restart_s, size_mb))

        # 10 000 queries: a title (whole, its first words, or a prefix of a word), half with the singer.
        queries = []
        for _ in range(QUERIES):
            singer, title = rng.choice(titles)
            words = title.split()
            kind = rng.randint(0, 2)
            q = title if kind == 0 else " ".join(words[:max(1, len(words) - 2)]) if kind == 1 else words[0][:3]
            queries.append("/search?singer=%s&title=%s&lang=ENG&user=&pass=&count=15" %
                           (escape(singer) if rng.random() < 0.5 else "", escape(q)))
        script = os.path.join(work, "queries.lua")
        with open(script, "w") as f:
            f.write("local q = {\n%s}\nlocal i = 0\nrequest = function()\n  i = i %% #q + 1\n"
                    "  return wrk.format(\"GET\", q[i])\nend\n" % "".join('"%s",\n' % x for x in queries))
        static = os.path.join(work, "static.lua")
        with open(static, "w") as f:
            f.write('request = function() return wrk.format("GET", "/songsearch.htm") end\n')

        print("%-24s %12s %12s %12s %10s" % ("run", "p50 ms", "p99 ms", "req/s", "non-2xx"))
        for connections in (1, 64):
            rows = {}
            for name, s in (("search", script), ("bootstrap page", static)):
                rows[name] = wrk(base, connections, s)
                p50, p99, rps, errors = rows[name]
                print("%-24s %12.2f %12.2f %12.0f %10d" % ("%s, %d conn" % (name, connections), p50, p99, rps, errors))
            print("%-24s %12.2f %12.2f %12.2f" % ("ratio search/bootstrap", rows["search"][0] / rows["bootstrap page"][0],
                                                   rows["search"][1] / rows["bootstrap page"][1],
                                                   rows["search"][2] / rows["bootstrap page"][2]))
        print("peak resident memory: %.1f MB" % peak_rss_mb(service.pid))
        service.terminate()
        service.wait()
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
