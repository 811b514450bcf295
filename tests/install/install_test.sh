#!/bin/sh
# Installs the build into a temporary prefix and uses it from there: the programs answer without a
# display, the demo plays with its lyrics, the FLAC plug-in is found beside the installed
# programs, the desktop files validate and the manual page documents every option.
set -eu
BUILD=$1
PREFIX=$(mktemp -d)
trap 'rm -rf "$PREFIX"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$BUILD" --prefix "$PREFIX" >/dev/null
for f in bin/versolune bin/versolune-play bin/versolune-lyricsd lib/versolune/plugins/versolune_flac.so \
         share/applications/versolune.desktop share/metainfo/io.github.versolune.Versolune.metainfo.xml \
         share/icons/hicolor/48x48/apps/versolune.png share/icons/hicolor/256x256/apps/versolune.png \
         share/man/man1/versolune.1.gz share/man/man1/versolune-play.1.gz share/man/man1/versolune-lyricsd.1.gz \
         share/versolune/demo/demo.mp3 share/versolune/demo/demo.lrc \
         share/versolune/skins/nocturne/nocturne.gps share/doc/versolune/copyright; do
  [ -f "$PREFIX/$f" ] || fail "$f not installed"
done

# No display is needed for --help and --version; without one the window says so and ends.
export VERSOLUNE_HOME="$PREFIX/home"
mkdir -p "$VERSOLUNE_HOME"
for p in versolune versolune-play versolune-lyricsd; do
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$PREFIX/bin/$p" --version | grep -q "^$p [0-9]" ||
    fail "$p --version"
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$PREFIX/bin/$p" --help | grep -q -- "--version" ||
    fail "$p --help"
done
set +e
err=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$PREFIX/bin/versolune" 2>&1 >/dev/null)
code=$?
set -e
[ "$code" -eq 1 ] || fail "versolune without a display exits $code"
[ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] || fail "versolune without a display says: $err"

# The demo plays from the installed copy, its lyrics in time.
out=$("$PREFIX/bin/versolune-play" --audio null-fast --lyrics "$PREFIX/share/versolune/demo/demo.mp3")
printf '%s\n' "$out" | grep -q "^lyric [0-9]* Brother John," || fail "no lyrics: $out"
printf '%s\n' "$out" | grep -q "^state 0 ok" || fail "demo did not end well: $out"

# The plug-in comes from lib/versolune/plugins of the prefix, with no setting.
sox -q -n -r 44100 -c 2 -b 16 "$PREFIX/tone.flac" synth 0.5 sine 440
info=$(env -u VERSOLUNE_PLUGIN_PATH "$PREFIX/bin/versolune-play" --info "$PREFIX/tone.flac")
printf '%s\n' "$info" | grep -q "rate=44100" || fail "FLAC not played from the installed plug-in: $info"

desktop-file-validate "$PREFIX/share/applications/versolune.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$PREFIX/share/metainfo/io.github.versolune.Versolune.metainfo.xml" >/dev/null ||
  fail "AppStream data"

# Every option of each program's help is in its manual page.
for p in versolune versolune-play versolune-lyricsd; do
  page=$(gzip -dc "$PREFIX/share/man/man1/$p.1.gz" | sed 's/\\-/-/g')
  for option in $("$PREFIX/bin/$p" --help | grep -o -- '^ *-[-a-z]*' | tr -d ' '); do
    printf '%s\n' "$page" | grep -q -- "$option" || fail "$p(1) lacks $option"
  done
done
echo "installed and played from $PREFIX"
