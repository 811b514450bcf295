#!/usr/bin/env python3
"""Internet radio cost of versolune-play against ffmpeg: both play one minute of a generated
128 kbit/s stereo MP3 served in real time by tools/icy_server.py (--pace 1) on 127.0.0.1. Prints
CPU seconds (user + system) per minute of stream and their ratio, then the time from Play to the
playing state and to the first audio buffer queued, with the default buffer and prebuffer
(versolune-play --timing), against the time the network prebuffer takes to arrive at the
stream's bitrate. Takes about two and a half minutes.

usage: bench/bench_stream.py [BUILD_DIR]   (default: build)
"""
import os
import statistics
import subprocess
import sys
import time

from bench_mpeg import cpu_of, make_test_mp3

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build"))
DATA = os.path.join(BUILD, "bench-data")
MP3 = os.path.join(DATA, "ninety-seconds-128k.mp3")
SECONDS = 90.0          # the server loops the file
PLAYED_MS = 60000       # stream played per CPU measurement
STARTS = 3              # runs for the start-up times (median)
BITRATE = 128000
# The reader's default: 16 blocks of 2048 bytes before the decoder starts.
PREBUFFER_BYTES = 16 * 2048


def start_server():
    server = subprocess.Popen([sys.executable, os.path.join(ROOT, "tools", "icy_server.py"), "--file", MP3,
                               "--quiet", "--pace", "1"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                              text=True)
    line = server.stdout.readline().strip()
    if not line.isdigit():
        server.kill()
        raise SystemExit("icy_server.py did not start")
    return server, "http://127.0.0.1:%s/live" % line


def start_times(play, url):
    """Medians over STARTS runs of the ms from Play to the playing state and to the first buffer."""
    playing, buffered = [], []
    for _ in range(STARTS):
        out = subprocess.run([play, "--audio", "null", "-q", "--timing", "--stop-after", "300", url],
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, check=True).stdout
        found = {}
        for line in out.splitlines():
            words = line.split()
            if len(words) == 3 and words[0] == "timing":
                found[words[1]] = int(words[2])
        if "playing" not in found or "buffer" not in found:
            raise SystemExit("versolune-play --timing printed no times:\n" + out)
        playing.append(found["playing"])
        buffered.append(found["buffer"])
    return statistics.median(playing), statistics.median(buffered)


def main():
    make_test_mp3(MP3, SECONDS)
    play = os.path.join(BUILD, "versolune-play")
    server, url = start_server()
    try:
        minutes = PLAYED_MS / 60000.0
        rows = [
            ("versolune-play --audio null", [play, "--audio", "null", "-q", "--stop-after", str(PLAYED_MS), url]),
            ("ffmpeg -f null", ["ffmpeg", "-v", "quiet", "-t", str(PLAYED_MS // 1000), "-i", url, "-f", "null", "-"]),
        ]
        # One run each: a minute of real time apiece.
        results = [(name,) + cpu_of(cmd, 1)[:2] for name, cmd in rows]
        playing, buffered = start_times(play, url)
    finally:
        server.kill()
        server.wait()

    base = results[1][1] / minutes
    print(f"{'player (one minute of stream)':32} {'cpu s/min':>10} {'% of a core':>12} {'wall s':>8} {'vs ffmpeg':>10}")
    for name, cpu, wall in results:
        per_minute = cpu / minutes
        print(f"{name:32} {per_minute:10.3f} {per_minute / 60 * 100:12.2f} {wall:8.1f} {per_minute / base:10.2f}")
    arrival = PREBUFFER_BYTES * 8 * 1000.0 / BITRATE
    print()
    print(f"{'start-up (median of %d)' % STARTS:32} {'ms':>10} {'vs prebuffer arrival':>21}")
    print(f"{'prebuffer arrival at 128 kbit/s':32} {arrival:10.0f} {1.0:21.2f}")
    print(f"{'Play to state 1 (playing)':32} {playing:10.0f} {playing / arrival:21.2f}")
    print(f"{'Play to first queued buffer':32} {buffered:10.0f} {buffered / arrival:21.2f}")


if __name__ == "__main__":
    main()
