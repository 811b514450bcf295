#!/usr/bin/python3
"""Makes the tagged files the tag and lyrics tests read, with mutagen (python3-mutagen, the
Debian package; hence the Debian interpreter above) on copies of a small untagged MP3.

usage: tools/make_tag_fixtures.py OUTPUT_FOLDER
"""
import os
import random
import shutil
import subprocess
import sys

from mutagen.apev2 import APEv2
from mutagen.oggvorbis import OggVorbis
from mutagen.id3 import (APIC, COMM, ID3, SYLT, TALB, TCON, TDRC, TIT2, TPE1, TRCK, TYER, USLT,
                         Encoding)

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# MPEG-1 layer III, 44100 Hz, no tags: 1152 samples a frame.
BASE = os.path.join(ROOT, "tests", "fixtures", "mono_44k.mp3")


def copy(out, name):
    path = os.path.join(out, name)
    shutil.copyfile(BASE, path)
    return path


def id3(path, frames, version=4):
    tag = ID3()
    for frame in frames:
        tag.add(frame)
    tag.save(path, v1=0, v2_version=version)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    u16, u8 = Encoding.UTF16, Encoding.UTF8

    id3(copy(out, "v23_utf16.mp3"),
        [TIT2(encoding=u16, text="T\u00edtulo \u2603 \u6b4c"), TPE1(encoding=u16, text="Art\u00efst"),
         TALB(encoding=u16, text="Alb\u00fcm"), TCON(encoding=u16, text="(17)"), TYER(encoding=u16, text="1999"),
         TRCK(encoding=u16, text="3/12"), COMM(encoding=u16, lang="eng", desc="", text="Nice")], version=3)
    id3(copy(out, "v24_utf8.mp3"),
        [TIT2(encoding=u8, text="Zo\u00eb \u2713"), TPE1(encoding=u8, text="\u0411\u0430\u043d\u0434"),
         TCON(encoding=u8, text="Jpop"), TDRC(encoding=u8, text="2003-05-01"), TRCK(encoding=u8, text="7")])

    # ID3v1 and ID3v2 with different values: the ID3v1 bytes come from a first save.
    both = copy(out, "v2_and_v1.mp3")
    first = ID3()
    for frame in (TIT2(text="V1 Title"), TPE1(text="V1 Artist"), TALB(text="V1 Album"),
                  TDRC(text="1987"), TRCK(text="9"), TCON(text="(17)")):
        first.add(frame)
    first.save(both, v1=2, v2_version=3)
    with open(both, "rb") as f:
        v1 = f.read()[-128:]
    second = ID3()
    second.add(TIT2(encoding=u16, text="V2 Title"))
    second.add(TCON(encoding=u16, text="Jazz"))
    second.save(both, v1=0, v2_version=3)
    with open(both, "ab") as f:
        f.write(v1)

    ape = APEv2()
    ape.update({"Title": "APE Title", "Artist": "APE Artist", "Album": "APE Album", "Year": "2001",
                "Track": "4", "Genre": "Rock", "Comment": "APE comment"})
    ape.save(copy(out, "ape.mp3"))

    # Lyrics inside the file.
    id3(copy(out, "sylt_ms.mp3"),
        [TIT2(text="Synced"), SYLT(encoding=u16, lang="eng", format=2, type=1, desc="",
                                   text=[("Line two", 2500), ("Line one", 500), ("Line three", 4000)])])
    # Word form in MPEG frames (26.122 ms each): entries with a line feed start lines.
    id3(copy(out, "sylt_frames.mp3"),
        [SYLT(encoding=u8, lang="eng", format=1, type=5, desc="other", text=[("Not this", 10)]),
         SYLT(encoding=u8, lang="eng", format=1, type=1, desc="",
              text=[("\nHello ", 19), ("world", 38), ("\nSecond ", 96), ("line", 115)])])
    id3(copy(out, "uslt_lrc.mp3"),
        [USLT(encoding=u16, lang="eng", desc="", text="[00:00.50]Uslt one\n[00:02.50]Uslt two\n")])
    id3(copy(out, "uslt_plain.mp3"),
        [TIT2(text="Plain"), TPE1(text="Nobody"), USLT(encoding=u8, lang="eng", desc="", text="Plain one\n\nPlain two\n")])
    id3(copy(out, "folder_song.mp3"),
        [TIT2(encoding=u8, text="Caf\u00e9 / Bar"), TPE1(encoding=u8, text="Beyonc\u00e9")])
    sevenmb = "[00:01.00]" + "x" * (10 * 1024 * 1024) + "\n"
    id3(copy(out, "uslt_huge.mp3"), [USLT(encoding=u8, lang="eng", desc="", text=sevenmb)])

    # Ogg Vorbis with the lyrics in a comment (one second of a tone).
    wav = os.path.join(out, "tone.wav")
    subprocess.run(["sox", "-q", "-n", "-r", "22050", "-c", "1", "-b", "16", wav, "synth", "1", "sine", "440"],
                   check=True)
    ogg = os.path.join(out, "lyrics_comment.ogg")
    subprocess.run(["oggenc", "-Q", "-o", ogg, wav], check=True)
    os.remove(wav)
    vorbis = OggVorbis(ogg)
    vorbis["TITLE"] = "Comment"
    vorbis["LYRICS"] = "[00:00.20]Ogg one\n[00:00.70]Ogg two"
    vorbis.save()

    picture = bytes(random.Random(5).getrandbits(8) for _ in range(300 * 1024))
    id3(copy(out, "cover.mp3"),
        [TIT2(encoding=u8, text="With cover"), TPE1(encoding=u8, text="Painter"),
         APIC(encoding=u8, mime="image/jpeg", type=3, desc="front", data=picture)])


if __name__ == "__main__":
    main()
