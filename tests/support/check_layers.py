#!/usr/bin/env python3
"""The include graph keeps its layers: prints one "Error:" line per include that
breaks a rule below and exits 1 when there is any.

    check_layers.py REPO

Layers, lowest first; a file may include from its own layer and those below:

    de50 < engine/core < engine/platform < engine/scene
         < game/messages < game/interface < game/app

The message catalogue (game/messages) is the game's one shared vocabulary, so
it sits under both game layers and includes only the engine. Game code
includes no engine-library header (de50/) and no platform implementation
(a *_Pl5.h header), except the start-up (game/app/nG_Startup.cpp and main.cpp),
where the program starts the library and the implementations are chosen.
Benchmarks and tools include nothing from tests/. Tests may include anything.
"""

import os
import re
import sys

LAYERS = ["de50", "engine/core", "engine/platform", "engine/scene", "game/messages", "game/interface", "game/app"]
START_UP = {"game/app/nG_Startup.cpp", "game/app/main.cpp"}
# Programs outside the tests, which must not lean on test code.
NO_TESTS = ["bench", "tools"]
SOURCE = (".h", ".hpp", ".cpp", ".cc", ".c")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def layer_of(path):
    """The layer a repository path lies in, or None."""
    for layer in LAYERS:
        if path == layer or path.startswith(layer + "/"):
            return layer
    return None


def top_folder(path):
    return path.split("/", 1)[0]


def resolve(root, source, written):
    """The repository path an include names: beside the including file when
    there is such a file, else from the repository root (the include folder
    of every library)."""
    beside = os.path.normpath(os.path.join(os.path.dirname(source), written)).replace(os.sep, "/")
    if not beside.startswith("..") and os.path.isfile(os.path.join(root, beside)):
        return beside
    return os.path.normpath(written).replace(os.sep, "/")


def problem(source, target):
    """Why `source` may not include `target`, or None."""
    here, there = layer_of(source), layer_of(target)
    if here and there and LAYERS.index(there) > LAYERS.index(here):
        return "%s may not include from %s, a higher layer" % (here, there)
    if top_folder(source) == "game" and source not in START_UP:
        if top_folder(target) == "de50":
            return "game code reaches the engine library only through engine/platform"
        if os.path.basename(target).endswith("_Pl5.h"):
            return "game code sees the platform's services through their abstract types, not %s" % (
                os.path.basename(target))
    if top_folder(source) in NO_TESTS and top_folder(target) == "tests":
        return "%s may not include test code" % top_folder(source)
    return None


def sources(root):
    for top in sorted(set(top_folder(layer) for layer in LAYERS) | set(NO_TESTS)):
        for folder, dirs, files in os.walk(os.path.join(root, top)):
            dirs.sort()
            for name in sorted(files):
                if name.endswith(SOURCE):
                    yield os.path.relpath(os.path.join(folder, name), root).replace(os.sep, "/")


def check(root):
    """Every broken rule as (file, line, include, why)."""
    found = []
    for source in sources(root):
        with open(os.path.join(root, source), encoding="utf-8", errors="replace") as f:
            for number, line in enumerate(f, 1):
                m = INCLUDE.match(line)
                if not m:
                    continue
                why = problem(source, resolve(root, source, m.group(1)))
                if why:
                    found.append((source, number, m.group(1), why))
    return found


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip().splitlines()[2].strip())
        return 2
    found = check(argv[1])
    for source, number, written, why in found:
        print('Error: %s:%d includes "%s": %s' % (source, number, written, why))
    if found:
        print("%d include(s) break the layers (see docs/developing.md)" % len(found))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
