#!/usr/bin/env python3
"""Fails when an include of src/ points up the layer order.

platform includes only platform; engine includes only platform and engine; no core file (outside
the qt/ folders and src/app) includes Qt or a qt/ header. The public plug-in header is below
every layer, and so is the build's generated install_dirs.h.
Usage: check_includes.py SRC_DIR | --self-test
"""
import pathlib
import re
import sys
import tempfile

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
PLUGIN_HEADER = "versolune_plugin.h"
# Headers of no layer: the public plug-in interface and what the build generates.
BELOW_EVERY_LAYER = {PLUGIN_HEADER, "install_dirs.h"}
# Folder -> the top folders its quoted project includes may name.
ALLOWED = {
    "platform": {"platform"},
    "engine": {"platform", "engine"},
}


def is_qt(kind, name):
    if kind == "<":
        return re.match(r"Q[A-Za-z]|qt", name) is not None
    return name.startswith("qt/") or "/qt/" in name


def problems(src):
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp", ".cc", ".hpp") or not path.is_file():
            continue
        rel = path.relative_to(src)
        top = rel.parts[0]
        core = top != "app" and "qt" not in rel.parts[:-1]
        for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            kind, name = match.groups()
            where = f"{rel}:{number}: {line.strip()}"
            if core and is_qt(kind, name):
                yield f"{where}: Qt in a core file"
            if kind == '"' and top in ALLOWED and name not in BELOW_EVERY_LAYER:
                if name.split("/")[0] not in ALLOWED[top]:
                    yield f"{where}: {top} may include only {', '.join(sorted(ALLOWED[top]))}"


# (file, include line, whether it breaks a direction)
SELF_TEST_CASES = [
    ("platform/a.h", '#include "engine/types.h"', True),
    ("platform/a.h", '#include "versolune_plugin.h"', False),
    ("engine/input/a.cpp", '#include "install_dirs.h"', False),
    ("platform/a.cpp", '#include "platform/files.h"', False),
    ("engine/input/a.cpp", '#include "settings/player_settings.h"', True),
    ("engine/input/a.cpp", '#include "ui/playlist.h"', True),
    ("engine/a.h", '#include "lyrics/lyrics_model.h"', True),
    ("engine/a.h", '#include "engine/output/audio_output.h"', False),
    ("settings/a.cpp", '#include <QString>', True),
    ("ui/a.h", '#  include "ui/qt/main_window.h"', True),
    ("lyrics/a.h", '#include "engine/player_engine.h"', False),
    ("ui/qt/a.cpp", '#include <QWidget>', False),
    ("app/a.cpp", '#include "ui/qt/main_window.h"', False),
    ("lyrics/a.h", '// the window lives in lyrics/qt/lyrics_window.h', False),
]


def self_test():
    failures = 0
    for file, line, bad in SELF_TEST_CASES:
        with tempfile.TemporaryDirectory() as tmp:
            src = pathlib.Path(tmp)
            (src / "platform").mkdir()
            path = src / file
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_text(line + "\n")
            found = list(problems(src))
        if bool(found) != bad:
            print(f"self-test: {file}: {line}: expected {'a' if bad else 'no'} problem, got {found}")
            failures += 1
    return 1 if failures else 0


def main():
    if sys.argv[1:] == ["--self-test"]:
        return self_test()
    if len(sys.argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    src = pathlib.Path(sys.argv[1])
    if not (src / "platform").is_dir():
        print(f"check_includes: no platform folder under {src}", file=sys.stderr)
        return 2
    found = list(problems(src))
    for problem in found:
        print(problem)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
