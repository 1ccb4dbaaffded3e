#!/usr/bin/env python3
"""scripts/check-layering.py on small trees with one deliberate fault each (the test script runs
it on the real tree); and the build's folder rules (cmake/Tm47Helpers.cmake) on a tiny project.

    check_layering_test.py REPOSITORY CMAKE
"""
import os
import subprocess
import sys
import tempfile
import unittest

REPO = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "../..")
CMAKE = sys.argv[2] if len(sys.argv) > 2 else "cmake"
SCRIPT = os.path.join(REPO, "scripts", "check-layering.py")

# A sound tree: two levels, two siblings, a rule and a Qt file in platform.
SOUND = {
    "src/platform/CMakeLists.txt": "tm47_folder(tm47_platform RULES base.h clock.h UI widget_qt.h)\n",
    "src/platform/base.h": "#pragma once\n#include <string>\n",
    "src/platform/clock.h": "#pragma once\n",
    "src/platform/widget_qt.h": "#pragma once\n#include <QWidget>\n#include \"platform/base.h\"\n",
    "src/config/CMakeLists.txt": "tm47_folder(tm47_config\n    RULES settings.cpp settings.h limits.h\n    LIBS tm47_platform)\n",
    "src/config/settings.h": "#pragma once\n#include \"platform/base.h\"\n",
    "src/config/settings.cpp": "#include \"config/settings.h\"\n// #include <QString> in a comment is no include\n",
    "src/config/limits.h": "#pragma once\n",
    "src/gps/CMakeLists.txt": "tm47_folder(tm47_gps RULES fix.h)\n",
    "src/gps/fix.h": "#pragma once\n#include \"config/settings.h\"\n",
    "src/profile/CMakeLists.txt": "tm47_folder(tm47_profile RULES scale.h)\n",
    "src/profile/scale.h": "#pragma once\n",
}

# Each fault: the files it changes, and what the check must say.
FAULTS = [
    ("upward", {"src/platform/clock.h": '#include "config/settings.h"\n'},
     "src/platform/clock.h: upward include of src/config/settings.h (src/platform is below src/config)"),
    ("sideways", {"src/gps/fix.h": '#include "profile/scale.h"\n'},
     "src/gps/fix.h: sideways include of src/profile/scale.h (src/gps and src/profile are siblings)"),
    ("cycle", {"src/config/limits.h": '#include "settings.h"\n',
               "src/config/settings.h": '#include "config/limits.h"\n'},
     "include cycle: src/config/limits.h -> src/config/settings.h -> src/config/limits.h"),
    ("Qt in a rule file", {"src/config/settings.cpp": "#include <QString>\n"},
     "src/config/settings.cpp: Qt include <QString> in a rule-library file"),
    ("Qt through a _qt header", {"src/config/settings.h": '#include "platform/widget_qt.h"\n'},
     "src/config/settings.h: rule-library file includes the Qt file src/platform/widget_qt.h"),
    ("unlisted file", {"src/profile/draft.h": "#pragma once\n"},
     "src/profile/draft.h: in no list (RULES, UI or PROGRAMS) of src/profile/CMakeLists.txt"),
]


def write_tree(root, files):
    for path, text in files.items():
        os.makedirs(os.path.dirname(os.path.join(root, path)), exist_ok=True)
        with open(os.path.join(root, path), "w") as f:
            f.write(text)


def run_check(root):
    done = subprocess.run([sys.executable, SCRIPT, root], capture_output=True, text=True)
    return done.returncode, done.stdout + done.stderr


class CheckLayering(unittest.TestCase):
    def test_sound_tree_passes_and_prints_its_folder_edges(self):
        with tempfile.TemporaryDirectory() as root:
            write_tree(root, SOUND)
            rc, out = run_check(root)
        self.assertEqual(rc, 0, out)
        self.assertEqual(out, "src/gps -> src/config\nsrc/config -> src/platform\n")

    def test_each_fault_fails_the_check(self):
        for name, change, message in FAULTS:
            with self.subTest(name), tempfile.TemporaryDirectory() as root:
                write_tree(root, {**SOUND, **change})
                rc, out = run_check(root)
                self.assertEqual(rc, 1, out)
                self.assertIn("layering: " + message + "\n", out)


# A project of no language: configuration stops before any compiler is needed.
PROJECT = """cmake_minimum_required(VERSION 3.25)
project(folders NONE)
list(APPEND CMAKE_MODULE_PATH {repo}/cmake)
include(Tm47Helpers)
tm47_add_folder(src/platform)
"""


class BuildFolders(unittest.TestCase):
    CASES = [
        ({"src/platform/clock.h": ""},
         "folder src/platform: src/platform/CMakeLists.txt is missing"),
        ({"src/platform/CMakeLists.txt": "tm47_folder(p RULES clock.h)\n",
          "src/platform/clock.h": "", "src/platform/draft.cpp": ""},
         "src/platform/draft.cpp is in no list (RULES, UI or PROGRAMS)"),
        ({"src/platform/CMakeLists.txt": "tm47_folder(p RULES clock.h gone.h)\n",
          "src/platform/clock.h": ""},
         "src/platform/CMakeLists.txt lists gone.h, which is missing"),
    ]

    def test_a_missing_or_unlisted_file_stops_configuration_and_is_named(self):
        for files, message in self.CASES:
            with self.subTest(message), tempfile.TemporaryDirectory() as root:
                write_tree(root, {"CMakeLists.txt": PROJECT.format(repo=REPO), **files})
                done = subprocess.run([CMAKE, "-S", root, "-B", os.path.join(root, "build")],
                                      capture_output=True, text=True)
                self.assertNotEqual(done.returncode, 0)
                self.assertIn(message, done.stdout + done.stderr)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
