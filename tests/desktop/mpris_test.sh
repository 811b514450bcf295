#!/bin/sh
# The window as the desktop's media player, driven by playerctl on a private session bus (run
# under dbus-run-session): status, play-pause, position, next, metadata with the lyrics, loop,
# shuffle, volume, open, stop, bad calls, quit.
set -eu
BUILD=$1
SOURCE=$2
DIR=$(mktemp -d)
PID=
cleanup() { [ -n "$PID" ] && kill "$PID" 2>/dev/null; rm -rf "$DIR"; }
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cp "$SOURCE/demo/demo.mp3" "$DIR/a.mp3"
cp "$SOURCE/demo/demo.lrc" "$DIR/a.lrc"
cp "$SOURCE/demo/demo.mp3" "$DIR/b.mp3"
export VERSOLUNE_HOME="$DIR/home" QT_QPA_PLATFORM=offscreen VERSOLUNE_PLUGIN_PATH=
mkdir -p "$VERSOLUNE_HOME"
"$BUILD/versolune" --audio null "$DIR/a.mp3" "$DIR/b.mp3" &
PID=$!

pc() { playerctl -p versolune "$@" 2>/dev/null; }
# Waits until the command prints the expected text (the player answers from its event loop).
expect() {
  want=$1; shift
  i=0
  while [ $i -lt 100 ]; do
    [ "$("$@" 2>/dev/null || true)" = "$want" ] && return 0
    i=$((i + 1)); sleep 0.1
  done
  fail "$* printed '$("$@" 2>/dev/null || true)', not '$want'"
}
call() {
  dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.versolune /org/mpris/MediaPlayer2 "$@"
}

expect Playing pc status
expect "file://$DIR/a.mp3" pc metadata xesam:url
pc metadata xesam:asText | grep -q "Brother John" || fail "no lyrics in the metadata"
[ "$(pc metadata mpris:length)" -gt 1000000 ] || fail "no length"

pc play-pause; expect Paused pc status
pc play-pause; expect Playing pc status

pc position 5
pos=$(pc position)
awk -v p="$pos" 'BEGIN { exit !(p >= 4.5 && p < 9) }' || fail "position $pos after a seek to 5 s"
# A position past the end, or for another track, changes nothing.
call org.mpris.MediaPlayer2.Player.SetPosition objpath:/io/github/versolune/track/7 int64:1000000 >/dev/null
pos=$(pc position)
awk -v p="$pos" 'BEGIN { exit !(p >= 4.5) }' || fail "SetPosition of another track moved to $pos"

pc next; expect "file://$DIR/b.mp3" pc metadata xesam:url
pc metadata xesam:asText >/dev/null && fail "lyrics of the other song are shown"

pc loop Track; expect Track pc loop
pc loop None; expect None pc loop
pc shuffle On; expect On pc shuffle
pc shuffle Off; expect Off pc shuffle
pc volume 0.5
awk -v v="$(pc volume)" 'BEGIN { exit !(v > 0.49 && v < 0.51) }' || fail "volume $(pc volume)"

pc open "file://$DIR/a.mp3"; expect "file://$DIR/a.mp3" pc metadata xesam:url
pc stop; expect Stopped pc status

# Bad calls get an error and leave the player running.
call org.mpris.MediaPlayer2.Player.OpenUri string:"ftp://127.0.0.1/x.mp3" >/dev/null 2>&1 && fail "ftp accepted"
call org.mpris.MediaPlayer2.Player.OpenUri string:"file://$DIR/missing.mp3" >/dev/null 2>&1 && fail "missing file accepted"
call org.mpris.MediaPlayer2.Player.Seek string:"x" >/dev/null 2>&1 && fail "a seek by text accepted"
call org.mpris.MediaPlayer2.Player.Seek int64:-99999999999 >/dev/null
expect Stopped pc status

call org.mpris.MediaPlayer2.Quit >/dev/null
i=0
while kill -0 "$PID" 2>/dev/null; do
  i=$((i + 1)); [ $i -lt 100 ] || fail "Quit did not end the player"
  sleep 0.1
done
PID=
echo "playerctl drove the player"
