#!/bin/sh
# Pictures for docs/: the lyrics window in show modes 1, 3 and 4 (with the scroll, one-line and
# multi-line sentence modes), each in the built-in look at 96 and 192 dpi and with the Nocturne
# skin, some seconds into the demo song (no sound: the null audio backend), and the dialogs at
# 240 x 320.
# Usage: tools/make_screenshots.sh [BUILD_DIR]
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
out=$root/docs
mkdir -p "$out"

shot() {  # name screen skin-file show-mode sentence-mode
    home=$(mktemp -d)
    {
        echo '[Software\Talvessa\Versolune\MP3]'
        echo '"Repeat"=dword:00000001'
        echo '"ScrollTitle"=dword:00000001'
        echo '"SaveDefPlayList"=dword:00000000'
        echo "\"ShowMode\"=dword:0000000$4"
        echo "\"SentenceMode\"=dword:0000000$5"
        [ -n "$3" ] && echo "\"SkinFile\"=\"$3\""
    } > "$home/HKEY_CURRENT_USER.reg"
    VERSOLUNE_HOME=$home QT_QPA_PLATFORM=offscreen VERSOLUNE_AUDIO=null \
        "$build/versolune" --screen "$2" --screenshot "$out/$1" --after 9800 "$root/demo/demo.mp3"
    rm -rf "$home"
    echo "$out/$1"
}

nocturne=$root/skins/nocturne/nocturne.gps
# show mode 1 (playlist and lyrics), Scroll Sentence
shot window-builtin.png 240x320@96 "" 1 1
shot window-builtin-192dpi.png 480x640@192 "" 1 1
shot window-nocturne.png 240x320@96 "$nocturne" 1 1
# show mode 3 (lyrics and comparison), One Sentence
shot lyrics-comparison.png 240x320@96 "" 3 0
shot lyrics-comparison-192dpi.png 480x640@192 "" 3 0
shot lyrics-comparison-nocturne.png 240x320@96 "$nocturne" 3 0
# show mode 4 (all three), Multi-Sentence
shot all-multi.png 240x320@96 "" 4 2
shot all-multi-192dpi.png 480x640@192 "" 4 2
shot all-multi-nocturne.png 240x320@96 "$nocturne" 4 2

dialog() {  # name dialog: over the window with the demo in its playlist, in a home of its own
    top=$(mktemp -d)
    home=$top/home
    mkdir -p "$home/Music"
    cp "$root/demo/demo.mp3" "$root/demo/demo.lrc" "$home/Music/"
    HOME=$home VERSOLUNE_HOME=$home QT_QPA_PLATFORM=offscreen VERSOLUNE_AUDIO=null \
        "$build/versolune" --screen 240x320@96 --screenshot-dialog "$2" --screenshot "$out/$1" \
        "$home/Music/demo.mp3"
    rm -rf "$top"
    echo "$out/$1"
}

dialog options.png options
dialog effects.png effects
dialog browser.png browser
dialog playlist.png playlist
dialog search.png search
