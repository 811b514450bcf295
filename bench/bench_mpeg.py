#!/usr/bin/env python3
"""MPEG decoding speed of versolune-play against a bare libmad loop, mpg123 and ffmpeg on the
same generated 3-minute 128 kbit/s stereo file, in one run. Prints CPU seconds (user + system),
multiples of real time and ratios to the bare libmad loop, and versolune-play's peak memory.

usage: bench/bench_mpeg.py [BUILD_DIR]   (default: build)
"""
import os
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build"))
DATA = os.path.join(BUILD, "bench-data")
MP3 = os.path.join(DATA, "three-minutes-128k.mp3")
SECONDS = 180.0
REPEAT = 3


def make_test_mp3(path, seconds):
    """A 128 kbit/s stereo MP3 of the given length at path, unless one is there already."""
    if os.path.exists(path):
        return
    os.makedirs(os.path.dirname(path), exist_ok=True)
    wav = path + ".wav"
    # A chord that changes every few seconds, with some noise, so the encoder has work to do.
    subprocess.run(["sox", "-q", "-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth", str(seconds),
                    "sine", "220-880", "sine", "330-660", "pinknoise", "vol", "0.3"], check=True)
    subprocess.run(["lame", "--quiet", "-b", "128", wav, path], check=True)
    os.remove(wav)


def make_fixture():
    make_test_mp3(MP3, SECONDS)


def vm_hwm(pid):
    """Peak resident set size in KiB so far, 0 when the process is gone."""
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def cpu_of(cmd, repeat=REPEAT):
    """Best of repeat runs: (cpu seconds, wall seconds, peak rss KiB)."""
    best = None
    for _ in range(repeat):
        t0 = time.monotonic()
        # posix_spawn, not fork: a forked child's peak memory would include this Python process.
        devnull = os.open(os.devnull, os.O_WRONLY)
        pid = os.posix_spawnp(cmd[0], cmd, os.environ,
                              file_actions=[(os.POSIX_SPAWN_DUP2, devnull, 1), (os.POSIX_SPAWN_DUP2, devnull, 2)])
        os.close(devnull)
        # ru_maxrss would include this Python process (a spawned child starts as its copy), so
        # the peak is sampled from /proc while the program runs.
        peak = 0
        while True:
            done, status, usage = os.wait4(pid, os.WNOHANG)
            if done:
                break
            peak = max(peak, vm_hwm(pid))
            time.sleep(0.002)
        wall = time.monotonic() - t0
        if status != 0:
            raise SystemExit("failed: " + " ".join(cmd))
        cpu = usage.ru_utime + usage.ru_stime
        if best is None or cpu < best[0]:
            best = (cpu, wall, peak)
    return best


def main():
    make_fixture()
    play = os.path.join(BUILD, "versolune-play")
    bare = os.path.join(BUILD, "bench", "bench_bare_libmad")
    if not os.path.exists(bare):
        bare = os.path.join(BUILD, "bench_bare_libmad")
    effects = ["--eq", "1,20,10,20,31,31,40,31,31,25,20,15", "--bass", "10", "--reverb", "1,100,20",
               "--echo", "1,150,24", "--surround", "1,25", "--chorus", "1,50"]
    rows = [
        ("bare libmad loop", [bare, MP3]),
        ("versolune-play, effects off", [play, "--audio", "null-fast", "-q", MP3]),
        ("versolune-play, every effect on", [play, "--audio", "null-fast", "-q"] + effects + [MP3]),
        ("mpg123 -q -t", ["mpg123", "-q", "-t", MP3]),
        ("ffmpeg -f null", ["ffmpeg", "-v", "quiet", "-i", MP3, "-f", "null", "-"]),
    ]
    results = []
    for name, cmd in rows:
        cpu, wall, rss = cpu_of(cmd)
        results.append((name, cpu, wall, rss))
    base = results[0][1]
    print(f"{'decoder':34} {'cpu s':>7} {'x real time':>12} {'vs bare libmad':>15} {'peak RSS MiB':>13}")
    for name, cpu, wall, rss in results:
        print(f"{name:34} {cpu:7.3f} {SECONDS / cpu:12.1f} {cpu / base:15.2f} {rss / 1024:13.1f}")
    off = results[1][1]
    on = results[2][1]
    print(f"effects on / effects off: {on / off:.2f}")


if __name__ == "__main__":
    main()
