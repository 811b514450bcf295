#!/usr/bin/env python3
"""Adding a folder of 10 000 tagged MP3 files to the playlist: versolune-play --list on a folder
of hard links to one file with an ID3v2.3 tag and an ID3v1 tag (so only the tag reading and the
playlist differ between builds, not the disk). Prints wall and CPU seconds (best of RUNS) and a
sample of the titles the playlist shows.

usage: bench/bench_tags.py [BUILD_DIR] [COUNT] [RUNS]   (defaults: build, 10000, 3)
       VERSOLUNE_PLAY=/path/to/versolune-play overrides the program (to compare two builds).
"""
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build"))
COUNT = int(sys.argv[2]) if len(sys.argv) > 2 else 10000
RUNS = int(sys.argv[3]) if len(sys.argv) > 3 else 3
PLAY = os.environ.get("VERSOLUNE_PLAY", os.path.join(BUILD, "versolune-play"))


def main():
    work = tempfile.mkdtemp(prefix="versolune-bench-tags-")
    try:
        fixtures = os.path.join(work, "fixtures")
        subprocess.run(["/usr/bin/python3", os.path.join(ROOT, "tools", "make_tag_fixtures.py"), fixtures],
                       check=True)
        folder = os.path.join(work, "library")
        os.makedirs(folder)
        source = os.path.join(fixtures, "v2_and_v1.mp3")
        for i in range(COUNT):
            os.link(source, os.path.join(folder, f"Track {i:06d}.mp3"))
        env = dict(os.environ, VERSOLUNE_HOME=os.path.join(work, "home"))
        best_wall = best_cpu = None
        out = ""
        for _ in range(RUNS):
            before = resource.getrusage(resource.RUSAGE_CHILDREN)
            start = time.monotonic()
            out = subprocess.run([PLAY, "--list", folder], check=True, capture_output=True, text=True,
                                 env=env).stdout
            wall = time.monotonic() - start
            after = resource.getrusage(resource.RUSAGE_CHILDREN)
            cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
            best_wall = wall if best_wall is None else min(best_wall, wall)
            best_cpu = cpu if best_cpu is None else min(best_cpu, cpu)
        lines = out.splitlines()
        print(f"program {PLAY}")
        print(f"{len(lines)} entries from {COUNT} tagged files: wall {best_wall:.3f} s, cpu {best_cpu:.3f} s "
              f"(best of {RUNS}), {1e6 * best_wall / max(COUNT, 1):.0f} us a file")
        print("title shown:", lines[0].split("\t", 1)[1] if lines else "(none)")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
