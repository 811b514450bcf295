#!/usr/bin/env python3
"""Ogg Vorbis decoding speed of versolune-play (Tremor, integer) against a bare Tremor loop (the
fair floor: the same library with nothing around it), oggdec (floating-point libvorbis) and
ffmpeg on the same generated 3-minute stereo file (the MPEG benchmark's music, oggenc -q 2), in
one run. Prints CPU seconds (user + system), multiples of real time and ratios to the bare
Tremor loop. (Peak memory is left out: the children's maximum resident size counts the forked
Python image before exec.)

usage: bench/bench_ogg.py [BUILD_DIR]   (default: build)
"""
import os
import subprocess

import bench_mpeg
from bench_mpeg import BUILD, DATA, MP3, REPEAT, SECONDS, cpu_of

OGG = os.path.join(DATA, "three-minutes-q2.ogg")


def make_fixture():
    if os.path.exists(OGG):
        return
    # The MPEG benchmark's music (moving tones and noise), encoded again as Ogg Vorbis.
    bench_mpeg.make_fixture()
    wav = os.path.join(DATA, "three-minutes-ogg.wav")
    subprocess.run(["ffmpeg", "-v", "quiet", "-y", "-i", MP3, wav], check=True)
    subprocess.run(["oggenc", "-Q", "-q", "2", "-o", OGG, wav], check=True, stderr=subprocess.DEVNULL)
    os.remove(wav)


def main():
    make_fixture()
    play = os.path.join(BUILD, "versolune-play")
    bare = os.path.join(BUILD, "bench", "bench_bare_tremor")
    rows = [
        ("bare Tremor loop", [bare, OGG]),
        ("oggdec -o /dev/null", ["oggdec", "-Q", "-o", "/dev/null", OGG]),
        ("versolune-play --audio null-fast", [play, "--audio", "null-fast", "-q", OGG]),
        ("ffmpeg -f null", ["ffmpeg", "-v", "quiet", "-i", OGG, "-f", "null", "-"]),
    ]
    results = [(name,) + cpu_of(cmd) for name, cmd in rows]
    base = results[0][1]
    print(f"3-minute Ogg Vorbis file, {os.path.getsize(OGG) // 1024} KiB, best of {REPEAT} runs")
    print(f"{'decoder':34} {'cpu s':>7} {'x real time':>12} {'vs bare Tremor':>15}")
    for name, cpu, _wall, _rss in results:
        print(f"{name:34} {cpu:7.3f} {SECONDS / cpu:12.1f} {cpu / base:15.2f}")


if __name__ == "__main__":
    main()
