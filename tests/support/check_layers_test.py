#!/usr/bin/env python3
"""check_layers.py catches what it is for: it passes a copy of the tree and
fails, naming the file, its line and the rule, once one include that breaks
a layer is planted in the copy.

    check_layers_test.py REPO
"""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
CHECK = os.path.join(HERE, "check_layers.py")
REPO = ""


class PlantedIncludes(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.parent = tempfile.mkdtemp(prefix="ne_layers_")
        cls.clean = os.path.join(cls.parent, "clean")
        for top in ("de50", "engine", "game", "bench", "tools"):
            shutil.copytree(os.path.join(REPO, top), os.path.join(cls.clean, top),
                            ignore=shutil.ignore_patterns("*.png", "*.ogg", "*.ogv", "*.lua"))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.parent, ignore_errors=True)

    def setUp(self):
        self.tree = os.path.join(self.parent, "tree")
        shutil.rmtree(self.tree, ignore_errors=True)
        shutil.copytree(self.clean, self.tree)

    def plant(self, path, include, after_line=1):
        """Puts `#include "include"` into the copy's file after its first
        line (a new file when there is none); answers the line it stands on."""
        full = os.path.join(self.tree, path)
        lines = []
        if os.path.isfile(full):
            with open(full, encoding="utf-8") as f:
                lines = f.read().split("\n")
        else:
            os.makedirs(os.path.dirname(full), exist_ok=True)
        at = min(after_line, len(lines))
        lines.insert(at, '#include "%s"' % include)
        with open(full, "w", encoding="utf-8") as f:
            f.write("\n".join(lines))
        return at + 1

    def run_check(self):
        done = subprocess.run([sys.executable, CHECK, self.tree], stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, universal_newlines=True)
        return done.returncode, done.stdout

    def assertCaught(self, path, include, words):
        line = self.plant(path, include)
        code, out = self.run_check()
        self.assertEqual(1, code, out)
        errors = [l for l in out.splitlines() if l.startswith("Error:")]
        self.assertEqual(['Error: %s:%d includes "%s": %s' % (path, line, include, words)], errors)

    def assertPasses(self):
        code, out = self.run_check()
        self.assertEqual(0, code, out)
        self.assertEqual("", out)

    def test_the_tree_as_it_stands_passes(self):
        self.assertPasses()

    def test_an_upward_include_between_engine_layers_is_caught(self):
        self.assertCaught("engine/core/nE_Object.cpp", "engine/platform/nE_Cursor.h",
                          "engine/core may not include from engine/platform, a higher layer")

    def test_an_upward_include_written_relative_to_the_file_is_caught(self):
        self.assertCaught("engine/platform/nE_Cursor.cpp", "../scene/nE_Sprite.h",
                          "engine/platform may not include from engine/scene, a higher layer")

    def test_the_engine_library_includes_nothing_of_the_engine(self):
        self.assertCaught("de50/de50_loop.cpp", "engine/core/nE_Log.h",
                          "de50 may not include from engine/core, a higher layer")

    def test_the_widgets_and_the_catalogue_include_no_application_code(self):
        self.assertCaught("game/interface/nG_Map.cpp", "game/app/nG_Level.h",
                          "game/interface may not include from game/app, a higher layer")
        self.setUp()
        self.assertCaught("game/messages/nG_Messages.h", "game/interface/nG_Map.h",
                          "game/messages may not include from game/interface, a higher layer")

    def test_game_code_outside_the_start_up_sees_no_implementation_or_library(self):
        self.assertCaught("game/app/nG_Level.cpp", "engine/platform/nE_Cursor_Pl5.h",
                          "game code sees the platform's services through their abstract types, "
                          "not nE_Cursor_Pl5.h")
        self.setUp()
        self.assertCaught("game/interface/nG_Map.cpp", "de50/de50_platform.h",
                          "game code reaches the engine library only through engine/platform")
        # The start-up chooses the implementations and starts the library.
        self.setUp()
        self.plant("game/app/nG_Startup.cpp", "engine/platform/nE_Cursor_Pl5.h")
        self.plant("game/app/nG_Startup.cpp", "de50/de50_loop.h")
        self.assertPasses()

    def test_benchmarks_and_tools_include_no_test_code(self):
        self.assertCaught("bench/sound_mix.cpp", "tests/platform/sound_fixture.h",
                          "bench may not include test code")
        self.setUp()
        self.assertCaught("tools/mkfont.cpp", "tests/support/hostile.h", "tools may not include test code")

    def test_downward_includes_and_commented_ones_pass(self):
        self.plant("game/app/nG_Level.cpp", "game/interface/nG_Map.h")
        self.plant("engine/scene/nE_Sprite.cpp", "engine/platform/nE_Texture_Pl5.h")
        self.plant("engine/core/nE_Log.cpp", "de50/de50_base.h")
        with open(os.path.join(self.tree, "engine/core/nE_Object.cpp"), "a", encoding="utf-8") as f:
            f.write('\n// #include "engine/scene/nE_Sprite.h"\n')
        self.assertPasses()


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__.strip().splitlines()[-1].strip())
    REPO = sys.argv.pop(1)
    unittest.main(verbosity=1)
