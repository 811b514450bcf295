#!/bin/sh
# FLAC decoding speed: versolune-play (through the FLAC plug-in) against `flac -d` and ffmpeg on
# the same generated 3-minute 16-bit stereo file, in one run. Prints wall seconds (best of 3),
# multiples of real time and each peer's time relative to versolune-play.
#
# usage: bench/bench_flac.sh [BUILD_DIR]   (default: build)
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build}" && pwd)
DATA="$BUILD/bench-data"
FLAC_FILE="$DATA/three-minutes.flac"
SECONDS_OF_AUDIO=180
PLAYER="$BUILD/versolune-play"

[ -x "$PLAYER" ] || { echo "build versolune-play first ($PLAYER)" >&2; exit 1; }
[ -f "$BUILD/versolune_flac.so" ] || { echo "build versolune_flac first" >&2; exit 1; }
if [ ! -f "$FLAC_FILE" ]; then
    mkdir -p "$DATA"
    sox -q -n -r 44100 -c 2 -b 16 "$DATA/three-minutes.wav" synth $SECONDS_OF_AUDIO \
        sine 220-880 sine 330-660 pinknoise vol 0.3
    flac -s -f -o "$FLAC_FILE" "$DATA/three-minutes.wav"
    rm -f "$DATA/three-minutes.wav"
fi

# Best wall time of three runs of a command, in seconds.
best_of_three() {
    best=""
    for _ in 1 2 3; do
        start=$(date +%s.%N)
        "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
        end=$(date +%s.%N)
        t=$(echo "$end - $start" | bc -l)
        if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
    done
    echo "$best"
}

flac_to_null() { flac -s -d -c "$FLAC_FILE" >/dev/null; }

# The plug-in is found beside the executable; the user's plug-in folder stays out of it.
export VERSOLUNE_PLUGIN_PATH="$BUILD"
player=$(best_of_three "$PLAYER" --audio null-fast -q "$FLAC_FILE")
reference=$(best_of_three flac_to_null)
ffmpeg_t=$(best_of_three ffmpeg -v quiet -nostdin -i "$FLAC_FILE" -f null -)

row() { printf '%-36s %8.3f s %9.1f x real time %8.2f x versolune-play\n' "$1" "$2" \
        "$(echo "$SECONDS_OF_AUDIO / $2" | bc -l)" "$(echo "$2 / $player" | bc -l)"; }
echo "FLAC, 3:00 44.1 kHz 16-bit stereo ($(du -k "$FLAC_FILE" | cut -f1) KiB), best of 3"
row "versolune-play --audio null-fast" "$player"
row "flac -d -c > /dev/null" "$reference"
row "ffmpeg -f null" "$ffmpeg_t"
