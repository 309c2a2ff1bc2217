#!/usr/bin/env python3
"""docs/developing.md names only what the tree holds: every path it quotes
(`engine/core/nE_Render.h`) exists, every engine or game name it quotes
(`nE_CreateEngine`, `g_cursor`, `NG_MSG_POPUP`) is defined somewhere in the
sources, its three recipes are there, and the README links it. A path or
name with angle brackets (`game/interface/nG_<Widget>.cpp`) is one the reader
makes, and is not looked for.

    check_developing.py REPO
"""

import os
import re
import sys

GUIDE = "docs/developing.md"
RECIPES = ["Recipe: add a HUD widget", "Recipe: add a script function", "Recipe: change how a picture is decoded"]
TOPS = ("de50/", "engine/", "game/", "tests/", "bench/", "tools/", "scripts/", "sample/", "docs/")
NAME = re.compile(r"^(?:nE_|nG_|g_|NG_MSG_|NE_MSG_|NE_MESSAGE)[A-Za-z0-9_]*$")
SOURCE_DIRS = ("de50", "engine", "game", "tests", "bench", "tools")


def quoted(text):
    """Everything between backticks, outside fenced blocks."""
    return re.findall(r"`([^`\n]+)`", text)


def source_text(root):
    parts = []
    for top in SOURCE_DIRS:
        for folder, _dirs, files in os.walk(os.path.join(root, top)):
            for name in files:
                if name.endswith((".h", ".cpp", ".py")):
                    with open(os.path.join(folder, name), encoding="utf-8", errors="replace") as f:
                        parts.append(f.read())
    return "\n".join(parts)


def problems(root):
    with open(os.path.join(root, GUIDE), encoding="utf-8") as f:
        text = f.read()
    found = []
    for heading in RECIPES:
        if "## " + heading not in text:
            found.append("no section \"%s\"" % heading)
    sources = source_text(root)
    for token in sorted(set(quoted(text))):
        if "<" in token:
            continue
        if token.startswith(TOPS):
            if not os.path.exists(os.path.join(root, token)):
                found.append("names %s, which is not in the tree" % token)
            continue
        name = re.split(r"::|\(", token, 1)[0]
        if NAME.match(name) and not re.search(r"\b%s\b" % re.escape(name), sources):
            found.append("names %s, which no source defines or uses" % name)
    with open(os.path.join(root, "README.md"), encoding="utf-8") as f:
        if "docs/developing.md" not in f.read():
            found.append("README.md does not link docs/developing.md")
    return found


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip().splitlines()[-1].strip())
        return 2
    found = problems(argv[1])
    for line in found:
        print("Error: %s %s" % (GUIDE, line))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
