#!/usr/bin/env python3
"""How late versolune-play --lyrics prints each line: plays the demo (real time, no sound) and
compares the position printed with each line against the time of the line's tag. Lines reached
by normal playback count; the first line of a run, found by the full search at the start, may
come before its tag and is left out. Prints the count, median, mean and worst lateness in ms
and how many tags were passed without a line.

usage: bench/bench_lyrics_timing.py [BUILD_DIR] [RUNS]   (defaults: build, 1)
       VERSOLUNE_PLAY=/path/to/versolune-play overrides the program (to compare two builds).
"""
import bisect
import os
import statistics
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build"))
RUNS = int(sys.argv[2]) if len(sys.argv) > 2 else 1
PLAY = os.environ.get("VERSOLUNE_PLAY", os.path.join(BUILD, "versolune-play"))
DEMO = os.path.join(ROOT, "demo", "demo.mp3")


def tag_times(path):
    out = subprocess.run([PLAY, "--lrc", path], check=True, capture_output=True, text=True).stdout
    return sorted({int(line.split("\t")[0]) for line in out.splitlines() if line})


def lateness(path, tags):
    """Lateness of each line printed after the first, and the number of tags passed unprinted."""
    out = subprocess.run([PLAY, "--audio", "null", "--lyrics", "-q", path], check=True,
                         capture_output=True, text=True).stdout
    printed = [int(line.split(" ", 2)[1]) for line in out.splitlines() if line.startswith("lyric ")]
    late, shown = [], set()
    for pos in printed[1:]:
        i = bisect.bisect_right(tags, pos) - 1
        if i < 0:
            continue
        late.append(pos - tags[i])
        shown.add(i)
    last = bisect.bisect_right(tags, printed[-1]) if printed else 0
    # The full search at the start shows the first line already, before its tag.
    first = max(bisect.bisect_right(tags, printed[0]) - 1, 0) if printed else 0
    missed = sum(1 for i in range(first + 1, last) if i not in shown)
    return late, missed


def main():
    tags = tag_times(DEMO)
    late, missed = [], 0
    for _ in range(RUNS):
        run_late, run_missed = lateness(DEMO, tags)
        late += run_late
        missed += run_missed
    print(f"program {PLAY}")
    print(f"lines {len(late)} over {RUNS} run(s) of the demo, tags passed without a line {missed}")
    if late:
        print(f"lateness ms: median {statistics.median(late):.0f} mean {statistics.mean(late):.1f} "
              f"worst {max(late)} best {min(late)}")


if __name__ == "__main__":
    main()
