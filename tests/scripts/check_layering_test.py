#!/usr/bin/env python3
"""scripts/check-layering.py on small trees with one deliberate fault each (the test script runs
it on the real tree).

    check_layering_test.py REPOSITORY
"""
import os
import subprocess
import sys
import tempfile
import unittest

REPO = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(__file__) + "/../..")
HEADER = "#pragma once\n"

# A sound tree: two levels, two siblings, a rule and a Qt file in platform.
SOUND = {
    "src/platform/CMakeLists.txt": "tm47_folder(p RULES base.h clock.h UI widget_qt.h)\n",
    "src/platform/base.h": HEADER, "src/platform/clock.h": HEADER,
    "src/platform/widget_qt.h": '#include <QWidget>\n#include "platform/base.h"\n',
    "src/config/CMakeLists.txt": "tm47_folder(c RULES settings.cpp settings.h limits.h)\n",
    "src/config/settings.h": '#include "platform/base.h"\n', "src/config/limits.h": HEADER,
    "src/config/settings.cpp": '#include "config/settings.h"\n// #include <QString> is none\n',
    "src/gps/CMakeLists.txt": "tm47_folder(g RULES fix.h)\n",
    "src/gps/fix.h": '#include "config/settings.h"\n',
    "src/profile/CMakeLists.txt": "tm47_folder(s RULES scale.h)\n", "src/profile/scale.h": HEADER,
}

# Each fault: the files it changes, and what the check must say.
FAULTS = [
    ({"src/platform/clock.h": '#include "config/settings.h"\n'}, "src/platform/clock.h: upward "
     "include of src/config/settings.h (src/platform is below src/config)"),
    ({"src/gps/fix.h": '#include "profile/scale.h"\n'}, "src/gps/fix.h: sideways include of "
     "src/profile/scale.h (src/gps and src/profile are siblings)"),
    ({"src/config/limits.h": '#include "settings.h"\n',
      "src/config/settings.h": '#include "config/limits.h"\n'},
     "include cycle: src/config/limits.h -> src/config/settings.h -> src/config/limits.h"),
    ({"src/config/settings.cpp": "#include <QString>\n"},
     "src/config/settings.cpp: Qt include <QString> in a rule-library file"),
    ({"src/config/settings.h": '#include "platform/widget_qt.h"\n'},
     "src/config/settings.h: rule-library file includes the Qt file src/platform/widget_qt.h"),
    ({"src/profile/draft.h": HEADER},
     "src/profile/draft.h: in no list (RULES, UI or PROGRAMS) of src/profile/CMakeLists.txt"),
]

def run_check(files):
    with tempfile.TemporaryDirectory() as root:
        for path, text in files.items():
            os.makedirs(os.path.dirname(os.path.join(root, path)), exist_ok=True)
            with open(os.path.join(root, path), "w") as f:
                f.write(text)
        done = subprocess.run([sys.executable, os.path.join(REPO, "scripts", "check-layering.py"),
                               root], capture_output=True, text=True)
    return done.returncode, done.stdout + done.stderr


class CheckLayering(unittest.TestCase):
    def test_a_sound_tree_passes_and_each_fault_fails(self):
        self.assertEqual(run_check(SOUND),
                         (0, "src/gps -> src/config\nsrc/config -> src/platform\n"))
        for change, message in FAULTS:
            with self.subTest(message):
                rc, out = run_check({**SOUND, **change})
                self.assertEqual(rc, 1, out)
                self.assertIn("layering: " + message + "\n", out)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
