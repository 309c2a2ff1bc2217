#!/usr/bin/env python3
"""Whole-game checks: runs the notengine program on the sample game with
replayed input in a fresh user folder, then checks its log, the files it saved
and the pixels of its last frame.

    check_game.py PROGRAM SAMPLE_DIR CASE

CASE is one of the names in CASES below. Exit status 0 when every check holds.
"""

import os
import resource
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ElementTree
import zlib

# Colours of the sample's painted rooms (sample/make_rooms.py): the hall's back
# wall left of the projector screen, kept quiet there for these checks; the
# study's green wall; the velvet inside the chest's close-up.
ROOM1_WALL = (40, 57, 75)
HALL_WALL = (364, 300)  # a bare patch of it, between the map and the screen
STUDY_WALL = (45, 63, 41)
SUB_FILL = (101, 32, 51)

# The sample opens a 1366 x 768 window in wide screen: design x + 171.
OFFSET_X = 171

# Design-space points of the sample's clickable objects.
DOOR = (745, 352)
CHEST = (512, 600)
GEM = (512, 384)
BACK = (100, 590)
# Where the pointer rests at the end so that it covers no checked pixel.
REST = (-150, 20)
# The main menu (sample/assets/levels/main_menu.xml), shown first; most cases press
# "New game" and then play MENU_TURNS turns later than their events say.
NEW_GAME, CONTINUE, PLAYERS, MENU_SETTINGS = (780, 240), (780, 296), (780, 352), (780, 408)
MENU_CARDS, MENU_GUIDE, MENU_CREDITS, MENU_QUIT = (780, 464), (780, 520), (780, 576), (780, 632)
# The players panel: row i (from 0) and its delete button, the name field, Add, Done;
# the question box's Yes and No.
PLAYER_ROWS = [(482, 238 + 40 * i) for i in range(6)]
PLAYER_DELETE = [(702, 238 + 40 * i) for i in range(6)]
NAME_FIELD, PLAYER_ADD, PLAYERS_DONE = (416, 536), (646, 536), (512, 596)
PLAYERS_BACK, PLAYERS_MORE, LINK_GOLD = (362, 476), (602, 476), (245, 214, 133)  # the panel's page links
ASK_YES, ASK_NO = (412, 434), (612, 434)
MENU_TURNS = 10

TIMEOUT = 240


class Failure(Exception):
    pass


def click(turn, point):
    """Move, press and release on consecutive turns ("turn type value x y flags")."""
    x, y = point[0] + OFFSET_X, point[1]
    return ["%d 4 0 %d %d 0" % (turn, x, y), "%d 1 0 %d %d 0" % (turn + 1, x, y),
            "%d 3 0 %d %d 0" % (turn + 2, x, y)]


def move(turn, point):
    return ["%d 4 0 %d %d 0" % (turn, point[0] + OFFSET_X, point[1])]


# ---- PNG reading -------------------------------------------------------------

def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def read_png(path):
    """(width, height, rows of RGB tuples) of an 8-bit RGB or RGBA PNG."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise Failure("%s is not a PNG file" % path)
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace:
        raise Failure("screenshot format not understood (depth %d, colour type %d)" % (depth, colour))
    channels = 4 if colour == 6 else 3
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous, pos = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[pos], bytearray(raw[pos + 1:pos + 1 + stride])
        pos += 1 + stride
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            corner = previous[i - channels] if i >= channels else 0
            predictor = [0, left, up, (left + up) // 2, paeth(left, up, corner)][kind]
            line[i] = (line[i] + predictor) & 0xFF
        rows.append([tuple(line[x * channels:x * channels + 3]) for x in range(width)])
        previous = line
    return width, height, rows


def expect_colour(rows, point, colour, what, tolerance=12):
    x, y = point[0] + OFFSET_X, point[1]
    got = rows[y][x]
    if any(abs(g - c) > tolerance for g, c in zip(got, colour)):
        raise Failure("pixel at design (%d, %d), %s: expected about %s, found %s" % (point[0], point[1], what,
                                                                                    colour, got))


# ---- running -----------------------------------------------------------------

def shifted(turns, events):
    """The events, each on a turn that many turns later."""
    return ["%d %s" % (int(e.split(" ", 1)[0]) + turns, e.split(" ", 1)[1]) for e in events]


def from_menu(button, events):
    """A click on a menu button, then the events shifted past it. New game over a saved
    game asks first: Yes is clicked too (when nothing asks, that spot of the hall is bare)."""
    return click(1, button) + click(5, ASK_YES) + shifted(MENU_TURNS, events)


class Run:
    def __init__(self, program, sample, user_dir, work_dir, frames, events, start=NEW_GAME, file_limit=None):
        """start: the menu button pressed first, or None to replay the events as they are;
        file_limit: a file-size limit in bytes (ulimit -f) for the program."""
        if start:
            events, frames = from_menu(start, events), frames + MENU_TURNS
        self.screenshot = os.path.join(work_dir, "last_frame.png")
        if os.path.exists(self.screenshot):
            os.remove(self.screenshot)
        args = [program, "--windowed", "--fixed-step", "--frames", str(frames), "--screenshot", self.screenshot]
        # Always replay, even nothing: live window events (focus lost under a busy X server
        # pauses the game) would otherwise make runs differ.
        input_file = os.path.join(work_dir, "input.txt")
        with open(input_file, "w") as f:
            f.write("".join(e + "\n" for e in events))
        args += ["--input", input_file]
        if not os.environ.get("DISPLAY") and shutil.which("xvfb-run"):
            args = ["xvfb-run", "-a", "-s", "-screen 0 1920x1080x24"] + args
        env = dict(os.environ, NOTENGINE_USER_DIR=user_dir)
        env.setdefault("ALSOFT_DRIVERS", "null")
        limit = None
        if file_limit is not None:
            limit = lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (file_limit, resource.RLIM_INFINITY))
        done = subprocess.run(args, cwd=sample, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              timeout=TIMEOUT, preexec_fn=limit)
        self.code = done.returncode
        self.log = done.stderr.decode("utf-8", "replace")
        self.lines = self.log.splitlines()
        self.user_dir = user_dir
        with open(os.path.join(work_dir, "run.log"), "w") as f:
            f.write(self.log)

    def expect_exit(self, code=0):
        if self.code != code:
            raise Failure("exit code %d, expected %d" % (self.code, code))

    def index(self, text):
        for i, line in enumerate(self.lines):
            if text in line:
                return i
        raise Failure("log line not found: %r" % text)

    def expect_in_order(self, *texts):
        last = -1
        for text in texts:
            i = self.index(text)
            if i <= last:
                raise Failure("log line %r came before %r" % (text, texts[texts.index(text) - 1]))
            last = i

    def expect_absent(self, text):
        if any(text in line for line in self.lines):
            raise Failure("unexpected log line: %r" % text)

    def expect_file(self, name, *contents):
        path = os.path.join(self.user_dir, name)
        if not os.path.isfile(path):
            raise Failure("user file %s was not written (folder holds %s)" % (name, sorted(os.listdir(self.user_dir))))
        with open(path, "r", encoding="utf-8", errors="replace") as f:
            text = f.read()
        for piece in contents:
            if piece not in text:
                raise Failure("user file %s does not hold %r:\n%s" % (name, piece, text))

    def pixels(self):
        if not os.path.isfile(self.screenshot):
            raise Failure("no screenshot was written")
        width, height, rows = read_png(self.screenshot)
        if (width, height) != (1366, 768):
            raise Failure("screenshot is %dx%d, expected 1366x768" % (width, height))
        return rows


def expect_clean_stop(run):
    run.expect_exit(0)
    run.expect_in_order("sample: ng_close")
    run.expect_absent("no such trigger")
    run.expect_absent("lua error")
    run.expect_file("settings.xml", "<settings", 'widescreen="1"', 'fullscreen="0"')


def case_first_tick(program, sample, user_dir, work_dir):
    # One loop turn is one tick under --fixed-step: the start trigger runs in it.
    run = Run(program, sample, user_dir, work_dir, 1, [], start=None)
    expect_clean_stop(run)
    run.expect_in_order("sample: start trigger ran, start 1", "sample: ng_close")
    run.expect_file("profile_list.xml", "Player")
    run.expect_file("p_Player.xml", "starts")


def case_rooms(program, sample, user_dir, work_dir):
    events = click(20, DOOR) + click(90, CHEST) + move(170, REST)
    run = Run(program, sample, user_dir, work_dir, 180, events)
    expect_clean_stop(run)
    run.expect_in_order("sample: start trigger ran, start 1", "sample: room open sample_room1",
                        "sample: switch to sample_room2", "sample: room open sample_room2",
                        "sample: open subroom sample_sub_chest", "sample: room open sample_sub_chest",
                        "sample: ng_close")
    rows = run.pixels()
    expect_colour(rows, (300, 300), SUB_FILL, "inside the open subroom")
    expect_colour(rows, (100, 100), STUDY_WALL, "the blurred second room beside the subroom")
    run.expect_file("p_Player.xml", "starts")


def case_round_trip(program, sample, user_dir, work_dir):
    events = click(20, DOOR) + click(90, CHEST) + click(160, GEM) + click(230, BACK) + move(300, REST)
    run = Run(program, sample, user_dir, work_dir, 310, events)
    expect_clean_stop(run)
    run.expect_in_order("sample: switch to sample_room2", "sample: open subroom sample_sub_chest",
                        "sample: close subroom", "sample: room closed sample_sub_chest",
                        "sample: switch to sample_room1", "sample: ng_close")
    rows = run.pixels()
    expect_colour(rows, HALL_WALL, ROOM1_WALL, "the first room again")
    expect_colour(rows, DOOR, (140, 90, 40), "the door of the first room")
    # The saved game data is read back by the next start.
    again = Run(program, sample, user_dir, work_dir, 3, [], start=None)
    expect_clean_stop(again)
    again.index("sample: start trigger ran, start 2")


def read(folder, name):
    with open(os.path.join(folder, name), "rb") as f:
        return f.read()


def case_saves_kept(program, sample, user_dir, work_dir):
    """The player's files survive a damaged profile list, the start-up cleanup and
    a file-size limit."""
    expect_clean_stop(Run(program, sample, user_dir, work_dir, 1, [], start=None))
    write(user_dir, "profile_list.xml", "<profiles current=\"0\"><profile name=\"Player\">")
    copies = {"p_Player.xml.backup": "a copy", "profile_list.xml.copy01": "another"}
    for name, text in copies.items():
        write(user_dir, name, text)
    run = Run(program, sample, user_dir, work_dir, 1, [], start=None)
    expect_clean_stop(run)
    run.expect_in_order("Warning: the refused file profile_list.xml is kept as profile_list.xml.bad",
                        'Warning: profile list profile_list.xml was rebuilt from the game data in the user '
                        'folder: "Player"', "sample: start trigger ran, start 2")
    run.expect_absent("temporary files")
    for name, text in copies.items():
        run.expect_file(name, text)
    run.expect_file("profile_list.xml.bad", '<profile name="Player">')
    # Under a file-size limit every save fails as on a full disk, and the old files stay.
    before = {name: read(user_dir, name) for name in os.listdir(user_dir)}
    limited = Run(program, sample, user_dir, work_dir, 1, [], start=None, file_limit=64)
    expect_clean_stop(limited)
    limited.index("sample: start trigger ran, start 3")
    limited.index("Error: could not save game data p_Player.xml; the old file is kept.")
    if {name: read(user_dir, name) for name in os.listdir(user_dir)} != before:
        raise Failure("a save under a file-size limit changed the user folder: %s" % sorted(os.listdir(user_dir)))


# A first game with the slips authors make; each must be named once in the log.
MISTAKES_MODULE = """<module name="first">
  <objs><obj name="holder">
    <room name="hall" res="assets/hall"><sprite name="lamp"/><sprite name="lamp2"/></room>
  </obj></objs>
  <trig name="stray"><code>x = 1</code></trig>
  <trigs><trig name="begin"><code>
ObjSet("no_such_object", {pos_x = 1})
ObjSet("no_such_object", {pos_x = 2})
SwitchRoom("hall")
OpenSubRoom("no_such_subroom")
  </code></trig></trigs>
</module>
"""

MISTAKES_CONFIG = """<config><start_point module="assets/first" trigger="begin()"/>
<default_settings fullscreen="0" widescreen="0" syscursor="0"/></config>
"""

MISTAKES_STRINGS = """<Workbook><Row><Cell><Data>window_title</Data></Cell><Cell><Data>First</Data></Cell></Row></Workbook>
"""


def write(folder, name, text):
    path = os.path.join(folder, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(text)


def case_warnings(program, sample, user_dir, work_dir):
    game = os.path.join(work_dir, "game")
    write(game, "assets/config.xml", MISTAKES_CONFIG)
    write(game, "assets/strings.xml", MISTAKES_STRINGS)
    write(game, "assets/first.xml", MISTAKES_MODULE)
    shutil.copytree(os.path.join(sample, "assets", "fonts"), os.path.join(game, "assets", "fonts"))
    run = Run(program, game, user_dir, work_dir, 3, [], start=None)
    run.expect_exit(0)
    for text in ['Warning: unknown object kind <sprite> (name "lamp", line 3) in assets/first.xml',
                 "Warning: unknown element <trig> (line 5) in assets/first.xml",
                 'Warning: ObjSet: no object named "no_such_object"',
                 'Warning: SwitchRoom: no room named "hall" in ng_rooms_hub (an object of that name exists',
                 'Warning: OpenSubRoom: no room named "no_such_subroom"',
                 'Warning: no room is shown after the start trigger "begin()"',
                 'Warning: text key "interface_game_loading" is not in the string table',
                 "Warning: cursor image assets/cursors/cursor.png is missing",
                 "Warning: cursor image assets/cursors/cursor_hand.png is missing"]:
        found = [line for line in run.lines if text in line]
        if len(found) != 1:
            raise Failure("expected one log line with %r, found %d" % (text, len(found)))


def case_no_config(program, sample, user_dir, work_dir):
    empty = os.path.join(work_dir, "empty")
    os.makedirs(empty)
    done = subprocess.run([program, "--frames", "1"], cwd=empty, stderr=subprocess.PIPE, timeout=TIMEOUT)
    log = done.stderr.decode("utf-8", "replace")
    if done.returncode != 1 or ("Error: no assets/config.xml in " + empty) not in log:
        raise Failure("exit code %d, log %r" % (done.returncode, log))


def case_no_display(program, sample, user_dir, work_dir):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER")}
    env["NOTENGINE_USER_DIR"] = user_dir
    done = subprocess.run([program, "--frames", "1"], cwd=sample, env=env, stderr=subprocess.PIPE,
                          timeout=TIMEOUT)
    log = done.stderr.decode("utf-8", "replace")
    if done.returncode != 1 or not log.startswith("Error: no display"):
        raise Failure("exit code %d, log %r" % (done.returncode, log))


def case_sigterm(program, sample, user_dir, work_dir):
    """SIGTERM in the middle of play ends the game as a window close does."""
    if not os.environ.get("DISPLAY"):
        raise Failure("needs a display (run under xvfb-run)")
    log_path = os.path.join(work_dir, "run.log")
    input_file = os.path.join(work_dir, "input.txt")
    with open(input_file, "w") as f:
        f.write("\n".join(from_menu(NEW_GAME, click(20, DOOR))) + "\n")
    env = dict(os.environ, NOTENGINE_USER_DIR=user_dir)
    env.setdefault("ALSOFT_DRIVERS", "null")
    with open(log_path, "w") as log:
        game = subprocess.Popen([program, "--windowed", "--fixed-step", "--input", input_file], cwd=sample,
                                env=env, stderr=log)
    try:
        deadline = time.monotonic() + TIMEOUT
        while "sample: room open sample_room2" not in open(log_path).read():
            if game.poll() is not None or time.monotonic() > deadline:
                raise Failure("the game ended or hung before reaching the second room")
            time.sleep(0.05)
        game.send_signal(signal.SIGTERM)
        code = game.wait(timeout=TIMEOUT)
    finally:
        if game.poll() is None:
            game.kill()
    if code != 0:
        raise Failure("exit code %d after SIGTERM" % code)
    if "sample: ng_close" not in open(log_path).read():
        raise Failure("the close trigger did not run")
    for name in ("settings.xml", "profile_list.xml", "p_Player.xml"):
        try:
            ElementTree.parse(os.path.join(user_dir, name))
        except (OSError, ElementTree.ParseError) as error:
            raise Failure("%s is not complete: %s" % (name, error))


# A game whose start trigger calls os.exit: the game closes as a window close
# does, after the script has run to its end.
EXIT_MODULE = """<module name="first"><trigs>
  <trig name="begin"><code>AddProfile("Player") SetCurrentProfile("Player") LoadCurrentProfile()
DbgTrace("game: exit asked") os.exit(0) DbgTrace("game: script went on")</code></trig>
  <trig name="ng_close"><code>ng_global.closed_by = "os.exit" SaveProfiles() DbgTrace("game: ng_close")</code></trig>
</trigs></module>
"""


def case_os_exit(program, sample, user_dir, work_dir):
    game = os.path.join(work_dir, "game")
    write(game, "assets/config.xml", MISTAKES_CONFIG)
    write(game, "assets/strings.xml", MISTAKES_STRINGS)
    write(game, "assets/first.xml", EXIT_MODULE)
    shutil.copytree(os.path.join(sample, "assets", "fonts"), os.path.join(game, "assets", "fonts"))
    # Far more turns than the timeout allows: only the exit can end the run in time.
    run = Run(program, game, user_dir, work_dir, 10 ** 7, [], start=None)
    run.expect_exit(0)
    run.expect_in_order("game: exit asked", "game: script went on", "game: ng_close")
    run.expect_file("settings.xml", "<settings")
    run.expect_file("p_Player.xml", 'closed_by v="os.exit"')


# The hidden-object room (see sample/assets/levels/ho_room.xml): its twelve
# findables, the key, and where the key sits once it is in the inventory bar.
HO_DOOR = (745, 352)
HO_FINDS = [(806, 452), (66, 292), (384, 574), (219, 472), (40, 500), (912, 478), (480, 214), (994, 384), (546, 446),
            (262, 328), (701, 384), (736, 604)]  # printed by make_ho_assets.py: clear of the covers
HO_KEY = (890, 600)
ATTIC_BARE = (640, 120)  # bare boards under the roof
HO_BACK = (70, 64)
HO_OK = (512, 524)
BAR = (512, 745)
SLOT = (260, 735)
LOCK_BOX = (330, 590)
PANEL_BACK = (41, 30, 43)
KEY_GOLD = (255, 202, 40)
VELVET = (120, 36, 52)  # inside the open lock box


def ho_play_through():
    """Finds every listed object, takes the key, carries it back to the hall
    and drags it from the bar onto the lock box."""
    events = click(20, DOOR) + click(90, HO_DOOR)
    for i, point in enumerate(HO_FINDS):
        events += click(170 + 15 * i, point)
    events += click(368, HO_OK)  # the hidden-object dialog, fully shown by now
    events += click(380, HO_KEY) + move(420, BAR) + click(520, HO_BACK) + click(590, BACK)
    events += move(660, BAR) + move(670, SLOT) + move(710, SLOT)
    events += ["711 1 0 %d %d 0" % (SLOT[0] + OFFSET_X, SLOT[1])]
    for i in range(10):  # a drag in small steps up to the box
        y = SLOT[1] + (LOCK_BOX[1] - SLOT[1]) * (i + 1) // 10
        events += move(720 + 3 * i, (SLOT[0] - (SLOT[0] - LOCK_BOX[0]) * (i + 1) // 10, y))
    events += ["760 3 0 %d %d 0" % (LOCK_BOX[0] + OFFSET_X, LOCK_BOX[1])] + move(810, REST)
    return events


def case_hidden_objects(program, sample, user_dir, work_dir):
    # A click on bare boards between two finds leaves its mark.
    events = sorted(ho_play_through() + click(284, ATTIC_BARE), key=lambda line: int(line.split()[0]))
    for suffix in ("_a", "_b"):
        os.makedirs(user_dir + suffix)
    # Checkpoint: half the objects found, their lines struck through.
    run = Run(program, sample, user_dir + "_a", work_dir, 300, events)
    rows = run.pixels()
    expect_colour(rows, (512, 660), PANEL_BACK, "the task panel")
    struck = rows[710][252 + OFFSET_X]
    if struck[0] < PANEL_BACK[0] + 12 or struck[0] < struck[1] + 20:
        raise Failure("the apple's line is not struck through: %s" % (struck,))
    # The panel is framed down to the window's bottom edge, not cut off there.
    if count_near(rows, 200, 764, 820, 768, (232, 190, 96), 40) < 1000:
        raise Failure("the task panel has no frame along the bottom of the window")
    x, y = ATTIC_BARE
    marked = sum(1 for yy in range(y - 20, y + 20) for xx in range(x - 20 + OFFSET_X, x + 20 + OFFSET_X)
                 if rows[yy][xx][0] > rows[yy][xx][1] + 80)
    if marked < 15:
        raise Failure("a misclick in the attic leaves no mark (%d red pixels)" % marked)
    # Checkpoint: the key in the bar, the pointer holding the bar up.
    run = Run(program, sample, user_dir + "_b", work_dir, 510, events)
    run.expect_in_order("sample: all found", "sample: key taken", "sample: key in the inventory")
    expect_colour(run.pixels(), (262, 730), KEY_GOLD, "the key in its slot", tolerance=30)
    # The whole play-through.
    run = Run(program, sample, user_dir, work_dir, 830, events)
    expect_clean_stop(run)
    run.expect_in_order("sample: switch to sample_ho_room", "sample: found ho_apple, 11 left",
                        "sample: found ho_teapot, 0 left", "sample: all found",
                        "sample: hidden-object dialog closed", "sample: key taken",
                        "sample: key in the inventory", "sample: switch to sample_room1",
                        "sample: key used on the lock box", "sample: ng_close")
    run.expect_absent("Error:")
    # The box stays, open on its velvet, and its glimmer has gone out.
    rows = run.pixels()
    if count_near(rows, 290, 560, 370, 600, VELVET) < 1500:
        raise Failure("the open lock box is not shown")
    flames = sum(1 for y in range(440, 620) for x in range(260 + OFFSET_X, 400 + OFFSET_X)
                 if rows[y][x][0] > 200 and rows[y][x][1] > 110 and rows[y][x][2] < 120)
    if flames > 4:
        raise Failure("%d flame-coloured pixels still burn round the open box" % flames)
    # Continued from there, the taper is held: the workshop's puzzle starts, and its
    # Skip, once charged, lights the lamps; the ending follows.
    events = click(20, DOOR) + click(90, MG_DOOR) + move(95, REST) + click(340, HINT) + move(345, REST)
    run = Run(program, sample, user_dir, work_dir, 380, events, start=CONTINUE)
    run.expect_exit(0)
    run.expect_in_order("sample: resumed in sample_room1", "sample: room open sample_mg_room",
                        "sample: minigame skipped", "sample: the end")
    run.expect_absent("Error:")
# The media objects of the hall (sample/assets/levels/media.xml): the clip on the
# projector's screen, the ring in the mirror's frame, the robin on the window sill
# and the rain behind the window's panes.
SCREEN_CLOTH = (144, 143, 149)
MIRROR_GLASS = (14, 20, 34)
CLIP = (520, 244)
RING = (250, 212)
BIRD_BODY = (104, 372)
WINDOW = (30, 80, 145, 370)


def count_bright(rows, x0, y0, x1, y1, base, margin=60):
    """Pixels of the design rectangle clearly brighter than the base colour."""
    return sum(1 for y in range(y0, y1) for x in range(x0 + OFFSET_X, x1 + OFFSET_X)
               if sum(rows[y][x]) > sum(base) + margin)


def count_warm(rows, centre, half_w, half_h):
    """Pixels round a design point toned like the old reel (sepia: red well above blue)."""
    x, y = centre
    return sum(1 for yy in range(y - half_h, y + half_h) for xx in range(x - half_w + OFFSET_X, x + half_w + OFFSET_X)
               if rows[yy][xx][0] > rows[yy][xx][2] + 20)


def case_media(program, sample, user_dir, work_dir):
    run = Run(program, sample, user_dir, work_dir, 200, move(1, REST))
    expect_clean_stop(run)
    # The clip is 3 s long and loops; 200 turns of 17 ms see its first end.
    run.expect_in_order("sample: room open sample_room1", "sample: clip ended", "sample: ng_close")
    run.expect_absent("Error: video")
    run.expect_absent("Warning: flashanim")
    rows = run.pixels()
    if count_warm(rows, CLIP, 30, 20) < 30 * 20 * 4 // 5:
        raise Failure("the old reel does not show in the clip's opaque middle")
    expect_colour(rows, (CLIP[0] - 75, CLIP[1] - 43), SCREEN_CLOTH, "the clip's clear corner (.zalpha)")
    expect_colour(rows, RING, MIRROR_GLASS, "the hole of the ring (.oggalpha)")
    expect_colour(rows, (RING[0] + 22, RING[1]), (48, 192, 224), "the ring itself", tolerance=24)
    body = rows[BIRD_BODY[1]][BIRD_BODY[0] + OFFSET_X]
    if abs(body[0] - 250) > 12 or abs(body[1] - 230) > 12:
        raise Failure("keyframe animation body: expected about (250, 230, *), found %s" % (body,))
    x0, y0, x1, y1 = WINDOW  # streaks: bluish white, unlike the panes and the frame
    drops = sum(1 for y in range(y0, y1) for x in range(x0 + OFFSET_X, x1 + OFFSET_X)
                if rows[y][x][2] > 140 and rows[y][x][2] > rows[y][x][0] + 25)
    if drops < 100:
        raise Failure("the rain field shows only %d bright pixels" % drops)
    # Nothing of it outside the panes: on the wall beside the window, under its sill.
    for x0, y0, x1, y1 in ((-40, 100, 2, 400), (20, 414, 150, 450)):
        stray = sum(1 for y in range(y0, y1) for x in range(x0 + OFFSET_X, x1 + OFFSET_X)
                    if rows[y][x][2] > 140 and rows[y][x][2] > rows[y][x][0] + 25)
        if stray > 4:
            raise Failure("%d rain pixels outside the window, in %s" % (stray, (x0, y0, x1, y1)))
    # The lock box glimmers on itself; nothing burns over the floor above it.
    flames = sum(1 for y in range(440, 550) for x in range(280 + OFFSET_X, 380 + OFFSET_X)
                 if rows[y][x][0] > 200 and rows[y][x][1] > 110 and rows[y][x][2] < 120)
    if flames > 4:
        raise Failure("%d flame-coloured pixels float above the lock box" % flames)


HINT = (-21, 670)
MG_DOOR = (285, 352)
LAMP_FLAMES = [(312, 381), (512, 381), (712, 381)]
FLAME = (255, 200, 80)


def case_hud(program, sample, user_dir, work_dir):
    """The hint points at an object of the hidden-object room, and at the next thing
    to do elsewhere; the workshop has no Skip before the taper is held."""
    os.makedirs(user_dir + "_a")
    to_ho = click(20, DOOR) + click(90, HO_DOOR) + move(130, REST)
    plain = Run(program, sample, user_dir + "_a", work_dir, 220, to_ho).pixels()
    hinted = Run(program, sample, user_dir, work_dir, 220, to_ho + click(160, HINT) + move(165, REST))
    rows = hinted.pixels()
    hinted.expect_absent("sample: hint asked")
    # The hint rings its object: the light falls on a band round it, not on the object.
    def band(img, p, r0, r1):
        return sum(sum(img[y][x + OFFSET_X]) for y in range(p[1] - r1, p[1] + r1 + 1)
                   for x in range(p[0] - r1, p[0] + r1 + 1) if r0 ** 2 <= (x - p[0]) ** 2 + (y - p[1]) ** 2 <= r1 ** 2)
    gains = [(band(rows, p, 32, 56) - band(plain, p, 32, 56), p) for p in HO_FINDS]
    best, ringed = max(gains)
    if best < 60 * 400 or sorted(gains)[-2][0] > best / 3:
        raise Failure("the hint should ring exactly one object: gains %s" % sorted(gains)[-3:])
    centre = band(rows, ringed, 0, 12) - band(plain, ringed, 0, 12)
    if centre > best / 10:
        raise Failure("the hint covers its object instead of ringing it (%d inside, %d round it)" % (centre, best))
    # In the hall, with no list to point into, it rings the next thing to do: the door.
    plain = Run(program, sample, user_dir + "_a", work_dir, 100, move(30, REST)).pixels()
    hinted = Run(program, sample, user_dir, work_dir, 100, click(30, HINT) + move(35, REST))
    hinted.index("sample: hint points at sample_room1_door")
    rows = hinted.pixels()
    if band(rows, DOOR, 50, 72) - band(plain, DOOR, 50, 72) < 60 * 400:
        raise Failure("the hint does not ring the hall's door")
    # Without the taper the lamps are cold: where Skip would have charged by now the
    # hint stays, pointing the way out, and a lamp clicked stays dark.
    events = to_ho + click(160, HO_BACK) + click(230, MG_DOOR) + move(235, REST)
    events += click(480, HINT) + click(500, LAMPS[0]) + move(505, REST)
    run = Run(program, sample, user_dir, work_dir, 540, events)
    expect_clean_stop(run)
    run.expect_in_order("sample: room open sample_mg_room", "sample: hint points at mg_back", "sample: ng_close")
    run.expect_absent("sample: minigame skipped")
    run.expect_absent("Error:")
    rows = run.pixels()
    for point in LAMP_FLAMES:
        if all(abs(a - b) <= 40 for a, b in zip(rows[point[1]][point[0] + OFFSET_X], FLAME)):
            raise Failure("a lamp at %s burns without the taper" % (point,))


# The HUD's guide button and the guide's page links (see sample/assets/levels/extras.xml).
GUIDE_BTN, GUIDE_NEXT = (-20, 745), (840, 675)
GUIDE_SLOT0 = (795, 205)  # the screenshot in the first slot, over the study's wall
GUIDE_INK, LINK_RED = (74, 58, 31), (112, 31, 0)  # the guide's titles; its links and page numbers


def typed(turn, text):
    """One typed character a turn, then Enter."""
    return ["%d 9 %d 0 0 0" % (turn + i, ord(c)) for i, c in enumerate(text)] + ["%d 7 13 0 0 0" % (turn + len(text))]


def case_extras(program, sample, user_dir, work_dir):
    # The album from the menu; a name typed into the players panel (Enter adds it);
    # a new game under it, then the guide from the HUD.
    events = click(5, MENU_CARDS) + click(45, CARDS_CLOSE_BTN) + click(80, PLAYERS) + typed(95, "Zo\u00eb 7")
    events += click(120, PLAYERS_DONE) + click(135, NEW_GAME)
    events += click(200, GUIDE_BTN) + click(350, GUIDE_NEXT) + click(400, GUIDE_NEXT) + move(420, REST)
    run = Run(program, sample, user_dir, work_dir, 470, events, start=None)
    expect_clean_stop(run)
    run.expect_in_order("sample: cards ready, sent by ng_cards_screen", "sample: cards open 1, 0 earned",
                        "sample: name entered Zo\u00eb7", "sample: new game for Zo\u00eb7", "sample: room open sample_room1",
                        "sample: guide button", "sample: room open sample_guide_room", "sample: guide page 0",
                        "sample: guide page 1", "sample: ng_close")
    run.expect_absent("Error:")
    run.expect_absent("Warning:")
    run.expect_file("profile_list.xml", "Zo\u00eb7")
    expect_colour(run.pixels(), GUIDE_SLOT0, STUDY_WALL, "the study's picture on the guide's page", tolerance=20)
    # Seven more players than "Player": each added name shows its page, the second
    # of six rows; Back and More turn the pages; a name on page two is chosen by a click.
    events = click(5, PLAYERS)
    for i, name in enumerate(("Ann", "Ben", "Cat", "Dan", "Eve", "Fay", "Gus")):
        events += typed(20 + 8 * i, name)
    events += click(90, PLAYERS_BACK) + click(110, PLAYERS_MORE) + click(130, PLAYER_ROWS[0]) + move(140, REST)
    os.makedirs(user_dir + "_a")
    run = Run(program, sample, user_dir + "_a", work_dir, 160, events, start=None)
    expect_clean_stop(run)
    run.expect_in_order("sample: name entered Gus", "sample: players from 1", "sample: players from 7",
                        "sample: profile chosen Fay", "sample: ng_close")
    run.expect_file("profile_list.xml", 'current="6"')
    rows = run.pixels()
    # Back stands under the list, not on the hint line above it.
    if count_near(rows, PLAYERS_BACK[0] - 30, PLAYERS_BACK[1] - 10, PLAYERS_BACK[0] + 30, PLAYERS_BACK[1] + 10,
                  LINK_GOLD, 40) < 40:
        raise Failure("the players panel's Back link is not shown under the list")
    if count_bright(rows, 688, 190, 745, 210, (0, 0, 0), margin=450) > 20:
        raise Failure("something is drawn at the end of the players panel's hint line")
    # The guide from the menu, page by page to its last and on to the contents, then
    # back to the menu. Each title stands on one line; the page numbers are inked.
    events = click(5, MENU_GUIDE) + move(25, REST)
    for i in range(8):
        events += click(45 + 30 * i, GUIDE_NEXT)
    events += move(170, REST) + click(300, GUIDE_BACK) + move(310, REST)
    os.makedirs(user_dir + "_b")
    rows = Run(program, sample, user_dir + "_b", work_dir, 193, events, start=None).pixels()  # the workshop's page
    if count_near(rows, 300, 56, 724, 92, GUIDE_INK, 40) < 300 or count_near(rows, 200, 92, 824, 150, GUIDE_INK, 40):
        raise Failure("the guide's title \"The Workshop\" is not shown on one line")
    if count_near(rows, 495, 610, 550, 655, LINK_RED, 40) < 30:
        raise Failure("the guide's page number is not inked on its page")
    run = Run(program, sample, user_dir + "_b", work_dir, 340, events, start=None)
    expect_clean_stop(run)
    run.expect_in_order(*["sample: guide page %d" % page for page in range(7)] + ["sample: guide page -1"])
    run.expect_absent("sample: guide page 7")
    if "sample: menu open" not in [line for line in run.lines if line.startswith("sample:")][-2]:
        raise Failure("the guide's Back did not lead to the menu")


# The interface of the hall (see sample/assets/levels/dialogs.xml and settings.xml):
# the map pinned on the wall, the mage's dialog, the settings window's sliders.
WALL_MAP = (272, 328)
MAP_ROOM2 = (512, 479)
MAP_CLOSE = (1103, 54)  # 932 units from the left of the design space, kept from the right edge
EFFECTS_AT_75, MUSIC_AT_0 = (592, 244), (414, 344)  # on the sliders' bars, 240 wide from x 412
GAMMA_MORE = (652, 516)
SETTINGS_CLOSE = (622, 580)
WINDOW_FILL = (34, 27, 22)


def case_interface(program, sample, user_dir, work_dir):
    events = click(20, WALL_MAP) + move(90, MAP_ROOM2) + click(140, MAP_CLOSE) + click(200, MAGE)
    events += click(260, (512, 300)) + click(300, (512, 300)) + click(350, HUD_MENU)
    events += click(400, EFFECTS_AT_75) + click(410, MUSIC_AT_0) + click(420, GAMMA_MORE) + click(430, SETTINGS_CLOSE)
    events += move(480, REST)
    shots = [(80, (100, 700), PARCHMENT, "the open map"),
             (250, (700, 700), (30, 24, 26), "the character dialog's window"),
             (390, (300, 250), (36, 27, 34), "the settings window")]
    for frames, point, colour, what in shots:
        run = Run(program, sample, user_dir, work_dir, frames, events)
        expect_colour(run.pixels(), point, colour, what, tolerance=24)
    run = Run(program, sample, user_dir, work_dir, 130, events)
    if count_near(run.pixels(), 400, 150, 624, 470, POPUP_FILL) < 3000:
        raise Failure("no popup over the study's mark on the map")
    run = Run(program, sample, user_dir, work_dir, 500, events)
    expect_clean_stop(run)
    run.expect_in_order("sample: map ready", "sample: map open", "sample: map popup sample_room2, 0 to find",
                        "sample: map closed", "sample: dialog open", "sample: dialog line 2", "sample: dialog closed",
                        "sample: settings open",
                        "sample: settings closed", "sample: ng_close")
    run.expect_absent("Error:")
    run.expect_file("settings.xml", 'sfx_volume="0.75"', 'soundtrack_volume="0"', 'env_volume="1"')
    run.index("sample: gamma 1.1")  # one decimal, not the float's long tail
    run.expect_absent("sample: gamma 1.10")
    expect_colour(run.pixels(), HALL_WALL, ROOM1_WALL, "the first room once everything is closed")


# The cut-scene (sample/assets/levels/cutscene.xml): the projector opens the
# HUD's video frame; the reel (480 x 288) fades into the room at its oval's edge;
# skip shows after 1 s once the frame has faded in, at 90 from the wide screen's
# right edge.
PROJECTOR = (962, 150)
CUTSCENE_CENTRE = (512, 384)
CUTSCENE_CORNER, CUTSCENE_EDGE = (512 + 236, 384 + 140), (512 - 200, 384)
SKIP = (683 + 512 - 90, 48)
HALL_TITLE = (430, 96, 594, 130)  # the lower part of the hall's title, below where the top bar ends


def case_cutscene(program, sample, user_dir, work_dir):
    events = click(20, PROJECTOR) + move(25, REST)
    os.makedirs(user_dir + "_a")
    # Skipped once the button shows: the frame fades out and the room is back.
    run = Run(program, sample, user_dir, work_dir, 260, events + click(170, SKIP) + move(175, REST))
    expect_clean_stop(run)
    run.expect_in_order("sample: cut-scene started", "sample: cut-scene skipped", "sample: ng_close")
    run.expect_absent("sample: cut-scene ended")
    run.expect_absent("Error:")
    room = run.pixels()
    expect_colour(room, HALL_WALL, ROOM1_WALL, "the room where the clip was")
    if count_bright(room, *HALL_TITLE, (0, 0, 0), margin=600) < 300:
        raise Failure("the hall's title is not shown again after the cut-scene")
    # Playing: bars, the reel over the room with its soft edge, the subtitle.
    run = Run(program, sample, user_dir + "_a", work_dir, 110, events)
    run.expect_exit(0)  # closing mid-scene: the frame hands the clip back first
    run.expect_in_order("sample: cut-scene started")
    rows = run.pixels()
    expect_colour(rows, (200, 20), (0, 0, 0), "the frame's top bar")
    if count_bright(rows, *HALL_TITLE, (0, 0, 0), margin=600) > 20:
        raise Failure("the hall's title shows under the frame's top bar")
    if count_warm(rows, CUTSCENE_CENTRE, 40, 25) < 80 * 50 * 4 // 5:
        raise Failure("the old reel does not show in the cut-scene's middle")
    x, y = CUTSCENE_CORNER
    expect_colour(rows, CUTSCENE_CORNER, room[y][x + OFFSET_X], "the room through the clip's clear corner")
    x, y = CUTSCENE_EDGE
    if max(abs(a - b) for a, b in zip(rows[y][x + OFFSET_X], room[y][x + OFFSET_X])) < 15:
        raise Failure("nothing of the reel shows at its soft edge")
    if count_bright(rows, 200, 700, 824, 740, (0, 0, 0), margin=300) < 50:
        raise Failure("no subtitle line in the bottom bar")


LAMPS = [(312, 410), (512, 410), (712, 410)]
# The hall's mage, the HUD's map and Menu buttons, the attic's mark on the map, the
# settings window's Main menu button, the credits' way back, the album's Close.
MAGE = (904, 470)
HUD_MAP, HUD_MENU = (1033, 674), (1044, 739)
HUD_CARD_RISEN, HUD_CARD = (216, 700), (216, 647)  # the card button rides 61 above the risen bar
MAP_ATTIC, MAP_HALL, MAP_WORKSHOP = (512, 256), (212, 479), (812, 479)
SETTINGS_TO_MENU, SETTINGS_BOXES = (402, 580), {"full": (312, 464), "wide": (552, 464)}
CREDITS_BACK, CARDS_CLOSE_BTN, GUIDE_BACK = (512, 676), (512, 660), (660, 675)
POPUP_FILL, PARCHMENT, MAP_INK = (34, 27, 22), (236, 222, 186), (92, 56, 26)
ALBUM_CARDS, CARD_BACK = (292, 512, 732), (110, 70, 96)  # the album's cards (centre x) and a locked one's back


def count_near(rows, x0, y0, x1, y1, colour, tolerance=24):
    """Pixels of the design rectangle within the tolerance of the colour."""
    return sum(1 for y in range(y0, y1) for x in range(x0 + OFFSET_X, x1 + OFFSET_X)
               if all(abs(a - b) <= tolerance for a, b in zip(rows[y][x], colour)))


def gold_in(rows, point, half=9):
    x, y = point
    return sum(1 for yy in range(y - half, y + half) for xx in range(x - half + OFFSET_X, x + half + OFFSET_X)
               if rows[yy][xx][0] > 150 and rows[yy][xx][1] > 110 and rows[yy][xx][2] < 140)


def whole_game():
    """From the menu: the album and the guide, a new player "Ada", the mage, the map
    (the attic's list in full), the attic with the key tried too early, the map again
    (nothing left), the workshop's lamps, the ending, the credits, back to the menu.
    Returns the events and the turns of the checkpoints."""
    events = click(5, MENU_CARDS) + move(30, REST) + click(45, CARDS_CLOSE_BTN) + move(70, REST)
    events += click(80, MENU_GUIDE) + click(125, GUIDE_BACK) + click(185, PLAYERS)  # rooms fade in 0.6 s
    events += typed(200, "Ada") + click(225, PLAYERS_DONE) + click(240, NEW_GAME)
    g = 255
    events += shifted(g, click(20, MAGE) + click(80, (512, 300)) + click(120, (512, 300)))
    # The album from the HUD's card button (on the bar, up under the pointer); the Menu
    # button beneath it must not open the settings.
    events += shifted(g, move(140, BAR) + move(160, HUD_CARD_RISEN) + click(175, HUD_CARD) + click(215, HUD_MENU))
    events += shifted(g, click(250, CARDS_CLOSE_BTN))
    events += shifted(g, click(290, HUD_MAP) + move(330, MAP_ATTIC) + move(376, MAP_HALL) + move(378, MAP_WORKSHOP))
    events += shifted(g, click(380, MAP_CLOSE))
    h = g + 430
    attic = ho_play_through()
    attic += click(150, HO_KEY)  # before anything is found: refused
    events += shifted(h, attic)
    events += shifted(h, click(830, HUD_MAP) + move(870, MAP_ATTIC) + move(880, MAP_HALL) + move(890, MAP_WORKSHOP))
    events += shifted(h, click(900, MAP_CLOSE))
    events += shifted(h, click(950, DOOR) + click(1020, MG_DOOR))
    for i, lamp in enumerate(LAMPS):
        events += shifted(h, click(1090 + 30 * i, lamp))
    e = h + 1150  # the ending plays, then the credits
    events += click(e + 460, CREDITS_BACK) + move(e + 520, REST)
    return sorted(events, key=lambda line: int(line.split()[0])), {"album": 40, "map": g + 375, "end": e + 540}


def case_play_through(program, sample, user_dir, work_dir):
    """The whole game from the menu to the credits and back to the menu; then, saved,
    Continue, the settings boxes, a second player's fresh game, deleting a player, Quit."""
    events, at = whole_game()
    for suffix in ("_a", "_b"):
        os.makedirs(user_dir + suffix)
    rows = Run(program, sample, user_dir + "_a", work_dir, at["album"], events, start=None).pixels()
    if count_near(rows, 100, 250, 200, 350, PARCHMENT, 30) < 5000:
        raise Failure("the card album did not open from the menu")
    rows = Run(program, sample, user_dir + "_b", work_dir, at["map"], events, start=None).pixels()
    if count_near(rows, 430, 60, 600, 400, POPUP_FILL) < 4000:
        raise Failure("the attic's popup with its list is not shown on the map")
    title, covered = count_near(rows, 330, 630, 700, 675, MAP_INK, 40), count_near(rows, 330, 600, 700, 690, POPUP_FILL)
    if title < 800 or covered > 50:
        raise Failure("the map's title is not shown clear of the attic's popup")
    run = Run(program, sample, user_dir, work_dir, at["end"], events, start=None)
    expect_clean_stop(run)
    run.expect_in_order("sample: menu open, 1 profiles", "sample: cards open 1, 0 earned",
                        "sample: room open sample_guide_room", "sample: name entered Ada", "sample: new game for Ada",
                        "sample: dialog open", "sample: dialog closed",
                        "sample: map popup sample_ho_room, 12 to find: t_ho_apple, t_ho_candle,",
                        "sample: map popup sample_room1, 1 to find: sample_todo_lockbox",
                        "sample: map popup sample_mg_room, 1 to find: sample_todo_lamps",
                        "sample: key refused, 12 left",
                        "sample: all found", "sample: key taken", "sample: key used on the lock box",
                        "sample: map popup sample_ho_room, 0 to find", "sample: map popup sample_room1, 0 to find",
                        "sample: room open sample_mg_room",
                        "sample: minigame solved", "sample: the end", "sample: ending over", "sample: credits open",
                        "sample: back to the menu", "sample: menu open, 2 profiles", "sample: ng_close")
    if sum("sample: cards open 1, 0 earned" in line for line in run.lines) != 2:
        raise Failure("the album was not opened from the HUD as Ada's first")
    run.expect_absent("sample: settings open")  # the Menu button under the open album
    if sum("sample: map popup sample_mg_room, 1 to find: sample_todo_lamps" in line for line in run.lines) != 2:
        raise Failure("the workshop's popup does not list its lamps on both visits to the map")
    # The projector's clip loops in the hall all game long; only its first end is logged.
    if sum("sample: clip ended" in line for line in run.lines) != 1:
        raise Failure("the clip's end is logged more than once")
    if sum("sample: key taken" in line for line in run.lines) != 1:
        raise Failure("the key was taken before the attic's list was done")
    for bad in ("Warning:", "Error:"):
        run.expect_absent(bad)
    run.expect_file("p_Ada.xml", "finished", "sample_mg_room")
    if count_bright(run.pixels(), 700, 228, 860, 252, (40, 30, 50), margin=300) < 150:
        raise Failure("the main menu is not shown again after the credits")
    # Saved: Ada's album holds all three cards; her finished game does not resume but
    # asks to start over (No, then Yes); from the settings (its boxes ticked as the
    # settings stand) back to the menu; a second player starts from nothing; Ada is
    # deleted; "Player" is chosen by a click on the name.
    again = click(5, MENU_CARDS) + move(30, REST) + click(45, CARDS_CLOSE_BTN)
    again += click(60, CONTINUE) + click(75, ASK_NO) + click(90, CONTINUE) + click(105, ASK_YES)
    again += click(145, HUD_MENU) + move(165, REST) + click(190, SETTINGS_TO_MENU)
    again += click(230, PLAYERS) + typed(245, "Bea") + click(270, PLAYERS_DONE) + click(285, NEW_GAME)
    again += click(320, HUD_MENU) + click(360, SETTINGS_TO_MENU) + click(400, MENU_CARDS)
    again += click(440, CARDS_CLOSE_BTN) + click(480, PLAYERS) + click(500, PLAYER_DELETE[1]) + click(520, ASK_YES)
    again += click(540, PLAYER_ROWS[0]) + click(560, PLAYERS_DONE) + click(580, MENU_QUIT)
    # The checkpoints play on copies: each run changes the saved games.
    for suffix in ("_c", "_d"):
        shutil.copytree(user_dir, user_dir + suffix)
    rows = Run(program, sample, user_dir + "_c", work_dir, 40, again, start=None).pixels()
    backs = [count_near(rows, x - 70, 270, x + 70, 330, CARD_BACK) for x in ALBUM_CARDS]
    if max(backs) > 500:
        raise Failure("the album shows a card not earned after a finished game (back pixels %s)" % backs)
    rows = Run(program, sample, user_dir + "_d", work_dir, 180, again, start=None).pixels()
    if gold_in(rows, SETTINGS_BOXES["wide"]) < 12 or gold_in(rows, SETTINGS_BOXES["full"]) > 4:
        raise Failure("the settings' boxes do not show wide screen on and full screen off")
    run = Run(program, sample, user_dir, work_dir, 680, again, start=None)
    run.expect_exit(0)
    run.expect_in_order("sample: menu open, 2 profiles, the saved game is finished", "sample: cards open 2, 3 earned",
                        "sample: continue asks to start over", "sample: new game for Ada", "sample: settings open", "sample: back to the menu",
                        "sample: name entered Bea", "sample: new game for Bea", "sample: cards open 1, 0 earned",
                        "sample: profile deleted Ada", "sample: profile chosen Player", "sample: quit from the menu",
                        "sample: ng_close")
    run.expect_absent("sample: resumed in")
    asked = sum("sample: continue asks to start over" in line for line in run.lines)
    if asked != 2 or sum("sample: new game for Ada" in line for line in run.lines) != 1:
        raise Failure("Continue asked %d times; No to starting over must leave the finished game" % asked)
    if sum("sample: back to the menu" in line for line in run.lines) != 2:
        raise Failure("the settings did not lead back to the menu from both games")
    for bad in ("Warning:", "Error:"):
        run.expect_absent(bad)
    run.expect_file("p_Bea.xml", "sample_room1")
    with open(os.path.join(user_dir, "p_Bea.xml")) as f:
        fresh = f.read()
    # Its only start is the return to the menu (reloading the level counts one).
    for inherited in ("cards_opened", "found", "finished", '<n_starts v="2"', '<n_starts v="3"', '<n_starts v="4"'):
        if inherited in fresh:
            raise Failure("the new player's game holds %r from the one before:\n%s" % (inherited, fresh))
    if os.path.exists(os.path.join(user_dir, "p_Ada.xml")):
        raise Failure("the deleted player's game is still there")
    run.expect_file("profile_list.xml", "Bea", "Player", 'current="0"')
    with open(os.path.join(user_dir, "profile_list.xml")) as f:
        if "Ada" in f.read():
            raise Failure("the deleted player is still listed")


CASES = {
    "first_tick": case_first_tick,
    "media": case_media,
    "rooms": case_rooms,
    "round_trip": case_round_trip,
    "saves_kept": case_saves_kept,
    "warnings": case_warnings,
    "no_config": case_no_config,
    "no_display": case_no_display,
    "sigterm": case_sigterm,
    "os_exit": case_os_exit,
    "hidden_objects": case_hidden_objects,
    "hud": case_hud,
    "extras": case_extras,
    "interface": case_interface,
    "cutscene": case_cutscene,
    "play_through": case_play_through,
}


def main():
    if len(sys.argv) != 4 or sys.argv[3] not in CASES:
        print("usage: check_game.py PROGRAM SAMPLE_DIR {%s}" % "|".join(CASES), file=sys.stderr)
        return 2
    program, sample, case = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2]), sys.argv[3]
    work_dir = tempfile.mkdtemp(prefix="notengine_game_")
    user_dir = os.path.join(work_dir, "user")
    os.makedirs(user_dir)
    try:
        CASES[case](program, sample, user_dir, work_dir)
    except (Failure, subprocess.TimeoutExpired) as failure:
        print("FAILED %s: %s" % (case, failure), file=sys.stderr)
        log = os.path.join(work_dir, "run.log")
        if os.path.isfile(log):
            with open(log) as f:
                print("--- the program's log (last run) ---\n" + f.read()[-6000:], file=sys.stderr)
        print("work folder kept: %s" % work_dir, file=sys.stderr)
        return 1
    shutil.rmtree(work_dir, ignore_errors=True)
    print("passed %s" % case)
    return 0


if __name__ == "__main__":
    sys.exit(main())
