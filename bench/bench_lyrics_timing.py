#!/usr/bin/env python3
"""How late each lyric line becomes current, in the terminal player and in the window.

Plays the demo (or the given file) on the paced `null` backend, once with
`versolune-play --lyrics` and once with `versolune --print-lyrics` (offscreen), and compares
each printed position with the time of the tag that became current there (from
`versolune-play --lrc`). Prints median and worst lateness in ms for each program.
    bench/bench_lyrics_timing.py [MUSIC_FILE]
"""
import os
import statistics
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.environ.get("VERSOLUNE_BUILD_DIR", os.path.join(ROOT, "build"))


def tags(music):
    out = subprocess.run([os.path.join(BUILD, "versolune-play"), "--lrc", music], capture_output=True,
                         text=True, check=True).stdout
    return sorted(int(line.split("\t")[0]) for line in out.splitlines() if line.strip())


def lateness(lines, times):
    late, early = [], 0
    for line in lines:
        if not line.startswith("lyric "):
            continue
        pos = int(line.split(" ")[1])
        reached = [t for t in times if t <= pos]
        if not reached:
            early += 1  # a full search shows the first line before its tag
            continue
        late.append(pos - reached[-1])
    return late, early


def run(command, env):
    return subprocess.run(command, capture_output=True, text=True, env=env, timeout=600).stdout.splitlines()


def main():
    music = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "demo", "demo.mp3"))
    times = tags(music)
    with tempfile.TemporaryDirectory() as home:
        env = dict(os.environ, VERSOLUNE_HOME=home, QT_QPA_PLATFORM="offscreen")
        results = {
            "versolune-play --lyrics": run([os.path.join(BUILD, "versolune-play"), "--audio", "null", "--lyrics",
                                            music], env),
        }
        # The window plays the file, prints and is closed when the song has ended.
        probe = subprocess.run([os.path.join(BUILD, "versolune-play"), "--info", music], capture_output=True,
                               text=True).stdout
        duration = int(probe.split("duration_ms=")[1].split()[0]) if "duration_ms=" in probe else 60000
        results["versolune --print-lyrics"] = run(
            [os.path.join(BUILD, "versolune"), "--audio", "null", "--print-lyrics", "--screenshot",
             os.path.join(home, "end.png"), "--after", str(duration + 1500), music], env)
    for name, lines in results.items():
        late, early = lateness(lines, times)
        if not late:
            print("%-26s no lines printed" % name)
            continue
        print("%-26s %3d lines: lateness median %4d ms, worst %4d ms (%d shown before their tag)"
              % (name, len(late), statistics.median(late), max(late), early))


if __name__ == "__main__":
    main()
