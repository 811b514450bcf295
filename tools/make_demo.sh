#!/bin/bash
# Makes the bundled demo song: the traditional round "Frere Jacques" played on a plucked string
# with a sung-by-speech voice, encoded to demo/demo.mp3, and its LRC lyrics in demo/demo.lrc
# (our own English words, the traditional French words as the second part after a grave accent),
# written as UTF-16LE with its byte-order mark.
# Needs sox, espeak-ng and lame.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT="$ROOT/demo"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
RATE=44100
BEAT=0.5

# note name, beats
MELODY="C4 1 D4 1 E4 1 C4 1  C4 1 D4 1 E4 1 C4 1
        E4 1 F4 1 G4 2  E4 1 F4 1 G4 2
        G4 .5 A4 .5 G4 .5 F4 .5 E4 1 C4 1  G4 .5 A4 .5 G4 .5 F4 .5 E4 1 C4 1
        C4 1 G3 1 C4 2  C4 1 G3 1 C4 2"

i=0
parts=()
set -- $MELODY $MELODY
while [ $# -gt 0 ]; do
  note=$1; beats=$2; shift 2
  len=$(echo "$beats * $BEAT" | bc -l)
  f=$(printf "%s/n%03d.wav" "$WORK" $i)
  sox -q -n -r $RATE -c 1 -b 16 "$f" synth "$len" pluck "$note" vol 0.5 fade 0 "$len" 0.04
  parts+=("$f")
  i=$((i + 1))
done
sox -q "${parts[@]}" "$WORK/melody.wav"

# One sung line per two-second phrase of the round.
LINES=("Brother John," "Brother John," "Are you sleeping?" "Are you sleeping?"
       "Morning bells are ringing" "Morning bells are ringing" "Ding, dang, dong" "Ding, dang, dong")
FRENCH=("Frère Jacques," "Frère Jacques," "Dormez-vous ?" "Dormez-vous ?"
        "Sonnez les matines" "Sonnez les matines" "Ding, daing, dong" "Ding, daing, dong")
voices=()
for pass in 0 1; do
  for n in 0 1 2 3 4 5 6 7; do
    t=$((pass * 16 + n * 2))
    espeak-ng -v en -s 150 -a 60 -w "$WORK/v.wav" "${LINES[n]}"
    sox -q "$WORK/v.wav" -r $RATE -c 1 -b 16 "$WORK/voice_${pass}_${n}.wav" pad "$t" 0
    voices+=("$WORK/voice_${pass}_${n}.wav")
  done
done
sox -q -m "${voices[@]}" "$WORK/voice.wav" norm -6
sox -q -m "$WORK/melody.wav" "$WORK/voice.wav" -c 2 "$WORK/song.wav" norm -1 pad 0.5 1
lame --quiet -m j -b 80 --resample 44.1 --tt "Brother John" --ta "Versolune Demo" --tl "Demo" --ty 2026 \
     --tc "Traditional round" --tn 1 --tg "Folk" "$WORK/song.wav" "$OUT/demo.mp3"

{
  echo "[ti:Brother John]"
  echo "[ar:Versolune Demo]"
  echo "[al:Demo]"
  for pass in 0 1; do
    for n in 0 1 2 3 4 5 6 7; do
      t=$((pass * 16 + n * 2))
      printf "[%02d:%02d.50]%s\`%s\n" $((t / 60)) $((t % 60)) "${LINES[n]}" "${FRENCH[n]}"
    done
  done
  echo "[00:33.00]"
} | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } > "$OUT/demo.lrc"
echo "wrote $OUT/demo.mp3 and $OUT/demo.lrc"
