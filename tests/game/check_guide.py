#!/usr/bin/env python3
"""The authoring guide's five-minute game, built from the guide's own text.

    check_guide.py PROGRAM GUIDE SAMPLE_DIR

Reads the section "A first game in five minutes" of GUIDE (docs/authoring.md):
the sample's folders it says to copy, its file list, each code block under the
paragraph that names its file, the command that runs the game and the line a
click on the lamp prints. Builds that game in a temporary folder (a picture of
the list that no block writes is drawn: the size its comment gives, else a
small disc on transparency), runs it unattended as the guide says, clicking
everything the start module makes clickable and then the HUD's buttons, and
requires the promised line and no "Warning:" or "Error:" line. Exit status 0
when everything holds.
"""

import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check_game import Failure, click, read_png  # noqa: E402

SECTION = "## A first game in five minutes"
# The HUD's buttons that call the game's triggers (design units at 1366 wide).
HUD_BUTTONS = {"ng_show_hint": (-21, 668), "int_btn_menu_down": (1044, 739), "int_btn_guide_down": (-20, 745)}
# A design point of a wide screen is this far right in the window.
WIDE_OFFSET = 171
FRAMES = 300
TIMEOUT = 240
HALL_FILL = (60, 50, 40, 255)
LAMP_FILL = (250, 210, 70, 255)


def section(guide):
    with open(guide, encoding="utf-8") as f:
        text = f.read()
    start = text.find(SECTION + "\n")
    if start < 0:
        raise Failure("the guide has no section %r" % SECTION)
    end = text.find("\n## ", start + len(SECTION))
    return text[start + len(SECTION):end if end >= 0 else len(text)]


def read_recipe(text):
    """The folders to copy, the listed files (path -> comment), the files the code
    blocks write (path under the game -> content), the run flags and the promised line."""
    paragraphs = re.split(r"\n\s*\n", text.strip())
    copies = [p for p in re.findall(r"`(assets/[^`]+)`", paragraphs[0])]
    if not copies:
        raise Failure("the first paragraph names no sample folder to copy: %r" % paragraphs[0])
    prose = re.sub(r"```.*?```", "", text, flags=re.S)
    listed = {m.group(1): (m.group(2) or "") for m in re.finditer(r"^ {4}(\S+/assets/\S+)(?:\s+#\s*(.*))?$",
                                                                  prose, re.M)}
    if not listed:
        raise Failure("the section lists no file")
    root = {path.split("/")[0] for path in listed}
    if len(root) != 1:
        raise Failure("the listed files are not in one folder: %s" % sorted(listed))
    blocks = {}
    for m in re.finditer(r"(?:^|\n\n)((?:(?!\n\n).)*?)\n\n```\w*\n(.*?)\n```", text, re.S):
        names = re.findall(r"`(assets/[^`]+)`", m.group(1))
        if not names:
            raise Failure("a code block follows no paragraph naming its file: %r" % m.group(1))
        blocks[names[0]] = m.group(2) + "\n"
    run = re.search(r"^\s+cd (\S+) && \S*/notengine((?: --?\S+)*)\s*$", prose, re.M)
    if not run:
        raise Failure("the section shows no command running the program")
    promised = re.search(r'prints "([^"]+)"', text)
    if not promised:
        raise Failure("the section promises no line")
    return copies, listed, blocks, run.group(1), run.group(2).split(), promised.group(1)


def write_png(path, width, height, pixel):
    raw = b"".join(b"\0" + b"".join(bytes(pixel(x, y)) for x in range(width)) for y in range(height))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def make_picture(path, comment):
    size = re.search(r"(\d+) x (\d+)", comment)
    if size:
        write_png(path, int(size.group(1)), int(size.group(2)), lambda x, y: HALL_FILL)
    else:
        write_png(path, 64, 64, lambda x, y: LAMP_FILL if (x - 31.5) ** 2 + (y - 31.5) ** 2 < 30 ** 2 else (0,) * 4)


def build(game_root, sample, copies, listed, blocks, folder):
    for name in copies:
        source = os.path.join(sample, name)
        if not os.path.isdir(source):
            raise Failure("the guide says to copy %s, which the sample does not have" % name)
        shutil.copytree(source, os.path.join(game_root, folder, name))
    for name in blocks:
        if folder + "/" + name not in listed:
            raise Failure("a code block writes %s, which the file list does not name" % name)
    for path, comment in listed.items():
        target = os.path.join(game_root, path)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        name = path[len(folder) + 1:]
        if name in blocks:
            with open(target, "w", encoding="utf-8") as f:
                f.write(blocks[name])
        elif path.endswith(".png"):
            make_picture(target, comment)
        else:
            raise Failure("the file list names %s, but no code block gives it" % path)


def clickable_points(module_text):
    """Design points of the start module's objects with a press call, in document order."""
    try:
        root = ElementTree.fromstring(module_text)
    except ElementTree.ParseError as error:
        raise Failure("the guide's start module is not well-formed XML: %s" % error)
    points = [(int(float(e.get("pos_x", 0))), int(float(e.get("pos_y", 0))))
              for e in root.iter() if e.get("event_mdown")]
    if not points:
        raise Failure("the guide's start module has nothing to click")
    return points


def hud_traces(module_text):
    """What the module's HUD triggers log, so that a click that misses its button shows."""
    root = ElementTree.fromstring(module_text)
    traces = []
    for trig in root.iter("trig"):
        code = trig.findtext("code") or ""
        said = re.search(r'DbgTrace\("([^"]*)"\)', code)
        if trig.get("name") in HUD_BUTTONS and said:
            traces.append(said.group(1))
    return traces


def run_game(program, game_dir, flags, events, work_dir):
    input_file = os.path.join(work_dir, "input.txt")
    with open(input_file, "w") as f:
        f.write("".join(e + "\n" for e in events))
    screenshot = os.path.join(work_dir, "last_frame.png")
    args = [program] + flags + ["--fixed-step", "--frames", str(FRAMES), "--input", input_file,
                                "--screenshot", screenshot]
    if not os.environ.get("DISPLAY") and shutil.which("xvfb-run"):
        args = ["xvfb-run", "-a", "-s", "-screen 0 1920x1080x24"] + args
    user_dir = os.path.join(work_dir, "user")
    env = dict(os.environ, NOTENGINE_USER_DIR=user_dir)
    env.setdefault("ALSOFT_DRIVERS", "null")
    done = subprocess.run(args, cwd=game_dir, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          timeout=TIMEOUT)
    log = done.stderr.decode("utf-8", "replace")
    with open(os.path.join(work_dir, "run.log"), "w") as f:
        f.write(log)
    return done.returncode, log.splitlines(), screenshot


def check(program, guide, sample, work_dir):
    copies, listed, blocks, folder, flags, promised = read_recipe(section(guide))
    game_root = os.path.join(work_dir, "games")
    build(game_root, sample, copies, listed, blocks, folder)
    config = ElementTree.fromstring(blocks.get("assets/config.xml", "<config/>"))
    settings = config.find("default_settings")
    offset = WIDE_OFFSET if settings is None or settings.get("widescreen", "1") == "1" else 0
    module = config.find("start_point").get("module") + ".xml"
    if module not in blocks:
        raise Failure("the start module %s has no code block" % module)
    points = clickable_points(blocks[module])
    events = []
    for i, (x, y) in enumerate(points + list(HUD_BUTTONS.values())):
        events += click(40 + 30 * i, (x + offset - WIDE_OFFSET, y))
    code, lines, screenshot = run_game(program, os.path.join(game_root, folder), flags, events, work_dir)
    if code != 0:
        raise Failure("the program exited with code %d" % code)
    for said in [promised] + hud_traces(blocks[module]):
        if not any(said in line for line in lines):
            raise Failure("the line %r was not logged" % said)
    bad = [line for line in lines if "Warning:" in line or "Error:" in line]
    if bad:
        raise Failure("%d warning or error lines, the first: %s" % (len(bad), bad[0]))
    _, _, rows = read_png(screenshot)
    x, y = points[0][0] + offset, points[0][1]
    if any(abs(a - b) > 12 for a, b in zip(rows[y][x], LAMP_FILL)):
        raise Failure("the clicked picture is not drawn at its place: %s at (%d, %d)" % (rows[y][x], x, y))


def main():
    if len(sys.argv) != 4:
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    program, guide, sample = (os.path.abspath(a) for a in sys.argv[1:])
    work_dir = tempfile.mkdtemp(prefix="notengine_guide_")
    try:
        check(program, guide, sample, work_dir)
    except (Failure, subprocess.TimeoutExpired) as failure:
        print("FAILED five-minute game: %s" % failure, file=sys.stderr)
        log = os.path.join(work_dir, "run.log")
        if os.path.isfile(log):
            with open(log) as f:
                print("--- the program's log ---\n" + f.read()[-6000:], file=sys.stderr)
        print("work folder kept: %s" % work_dir, file=sys.stderr)
        return 1
    shutil.rmtree(work_dir, ignore_errors=True)
    print("passed five-minute game")
    return 0


if __name__ == "__main__":
    sys.exit(main())
