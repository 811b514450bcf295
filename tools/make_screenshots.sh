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

# Enhanced lyrics (word times) for a copy of the demo, so that a picture shows the words of the
# current line lit as they are sung: at 9.8 s "Morning bells are" is sung, "ringing" is not.
shot_words() {  # name screen
    song=$(mktemp -d)
    cp "$root/demo/demo.mp3" "$song/words.mp3"
    cat > "$song/words.lrc" <<'LRC'
[00:04.50]<00:04.50>Are <00:05.00>you <00:05.50>sleeping?
[00:06.50]<00:06.50>Are <00:07.00>you <00:07.50>sleeping?
[00:08.50]<00:08.50>Morning <00:09.00>bells <00:09.50>are <00:10.00>ringing
[00:10.50]<00:10.50>Morning <00:11.00>bells <00:11.50>are <00:12.00>ringing
[00:12.50]<00:12.50>Ding, <00:13.00>dang, <00:13.50>dong
[00:14.50]<00:14.50>Ding, <00:15.00>dang, <00:15.50>dong
LRC
    home=$(mktemp -d)
    printf '[Software\\Talvessa\\Versolune\\MP3]\n"SaveDefPlayList"=dword:00000000\n"ShowMode"=dword:00000002\n"SentenceMode"=dword:00000001\n' \
        > "$home/HKEY_CURRENT_USER.reg"
    VERSOLUNE_HOME=$home QT_QPA_PLATFORM=offscreen VERSOLUNE_AUDIO=null \
        "$build/versolune" --screen "$2" --screenshot "$out/$1" --after 9800 "$song/words.mp3"
    rm -rf "$home" "$song"
    echo "$out/$1"
}

# show mode 2 (lyrics), Scroll Sentence, words lit as they are sung
shot_words words.png 240x320@96
shot_words words-192dpi.png 480x640@192

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
