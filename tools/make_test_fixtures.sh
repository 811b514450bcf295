#!/bin/sh
# Generates the small MPEG audio fixtures the engine tests decode (lame, sox, ffmpeg).
# Usage: tools/make_test_fixtures.sh [output folder]   (default tests/fixtures)
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$here/tests/fixtures}
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Two different sweeps per channel, so swapped or dropped channels show up.
tone() {  # rate channels seconds file
    if [ "$2" = 1 ]; then
        sox -q -n -r "$1" -c 1 -b 16 "$4" synth "$3" sine 220-3000 vol 0.5
    else
        sox -q -n -r "$1" -c 2 -b 16 "$4" synth "$3" sine 220-3000 sine 330-1800 vol 0.5
    fi
}
lamec() { lame --quiet --noreplaygain "$@"; }

tone 44100 2 2 "$tmp/s44.wav"
tone 44100 2 3 "$tmp/s44long.wav"
tone 44100 1 2 "$tmp/m44.wav"
tone 22050 2 2 "$tmp/s22.wav"
tone 11025 2 2 "$tmp/s11.wav"
tone 8000 1 2 "$tmp/m8.wav"

# -t: no Xing/Info frame, so the file is nothing but audio frames.
lamec -t --cbr -b 128 "$tmp/s44.wav" "$out/cbr_44k_stereo.mp3"
lamec -V 4 "$tmp/s44long.wav" "$out/vbr_xing.mp3"
lamec -t --cbr -b 64 "$tmp/s22.wav" "$out/mpeg2_22k.mp3"
lamec -t --cbr -b 32 "$tmp/s11.wav" "$out/mpeg25_11k.mp3"
lamec -t --cbr -b 16 -m m "$tmp/m8.wav" "$out/mpeg25_8k_mono.mp3"
lamec -t --cbr -b 64 -m m "$tmp/m44.wav" "$out/mono_44k.mp3"
ffmpeg -v error -y -i "$tmp/s44.wav" -c:a mp2 -b:a 192k -f mp2 "$out/layer2.mp2"
lamec -t --cbr -b 96 --id3v2-only --pad-id3v2-size 1500 --tt "Second Tag" --ta "Someone" \
    "$tmp/s44.wav" "$out/id3v2.mp3"
lamec -t --cbr -b 96 --id3v1-only --tt "Tagged Title" --ta "Tagged Artist" --tl "An Album" \
    --ty 1999 --tc "a comment" --tn 5 --tg Rock "$tmp/s44.wav" "$out/id3v1.mp3"

# MPEG audio in a RIFF/WAVE wrapper (format tag 0x55).
python3 - "$out/cbr_44k_stereo.mp3" "$out/riff_wave_mp3.wav" <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
# WAVEFORMATEX for MPEG Layer-3: tag 0x55, 2 channels, 44100 Hz, 16000 bytes/s, align 1.
fmt = struct.pack('<HHIIHHH', 0x55, 2, 44100, 16000, 1, 0, 12)
fmt += struct.pack('<HIHHH', 1, 2, 418, 1, 1393)  # MPEGLAYER3WAVEFORMAT tail
fact = struct.pack('<I', 0)
body = b'WAVE' + b'fmt ' + struct.pack('<I', len(fmt)) + fmt
body += b'fact' + struct.pack('<I', len(fact)) + fact
body += b'data' + struct.pack('<I', len(data)) + data
if len(data) % 2:
    body += b'\0'
open(sys.argv[2], 'wb').write(b'RIFF' + struct.pack('<I', len(body)) + body)
PY
ls -l "$out"
