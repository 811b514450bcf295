#!/bin/sh
# Pictures of the player window for docs/: the built-in look at 96 and 192 dpi and the
# Nocturne skin, each a few seconds into the demo song (no sound: the null audio backend), and
# of the dialogs at 240 x 320.
# Usage: tools/make_screenshots.sh [BUILD_DIR]
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
out=$root/docs
mkdir -p "$out"

shot() {  # name screen skin-file
    home=$(mktemp -d)
    mkdir -p "$home"
    {
        echo '[Software\Talvessa\Versolune\MP3]'
        echo '"Repeat"=dword:00000001'
        echo '"ScrollTitle"=dword:00000001'
        echo '"SaveDefPlayList"=dword:00000000'
        [ -n "$3" ] && echo "\"SkinFile\"=\"$3\""
    } > "$home/HKEY_CURRENT_USER.reg"
    VERSOLUNE_HOME=$home QT_QPA_PLATFORM=offscreen VERSOLUNE_AUDIO=null \
        "$build/versolune" --screen "$2" --screenshot "$out/$1" --after 2500 "$root/demo/demo.mp3"
    rm -rf "$home"
    echo "$out/$1"
}

shot window-builtin.png 240x320@96 ""
shot window-builtin-192dpi.png 480x640@192 ""
shot window-nocturne.png 240x320@96 "$root/skins/nocturne/nocturne.gps"

dialog() {  # name dialog
    home=$(mktemp -d)
    VERSOLUNE_HOME=$home QT_QPA_PLATFORM=offscreen VERSOLUNE_AUDIO=null \
        "$build/versolune" --screen 240x320@96 --screenshot-dialog "$2" --screenshot "$out/$1"
    rm -rf "$home"
    echo "$out/$1"
}

dialog options.png options
