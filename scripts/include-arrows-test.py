#!/usr/bin/env python3
"""The include check, run as a program over the real tree, over a copy of it with a wrong include
planted, and over small trees of its own with one include each."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
CHECK = os.path.join(HERE, "include-arrows.py")
PROJECT = os.path.dirname(HERE)

LAYOUT = """# A project

## Layout

Some words.

```text
text_functions → platform
  → aviation → app | tools → tests → bench
```

## After
"""

# Every folder of the small tree's order, with a header in it.
HEADERS = [
    "text_functions/Text.h",
    "platform/Clock.h",
    "platform/tests/ClockFake.h",
    "aviation/Tcas.h",
    "app/Alert.h",
    "tools/fg/Bridge.h",
    "tools/fg/tests/Script.h",
    "tests/support/UniqueName.h",
    "bench/Counter.h",
]


def run_check(root):
    result = subprocess.run([sys.executable, CHECK, root], capture_output=True, text=True)
    return result.returncode, result.stdout


def write(root, path, text):
    os.makedirs(os.path.dirname(os.path.join(root, path)), exist_ok=True)
    with open(os.path.join(root, path), "w", encoding="utf-8") as out:
        out.write(text)


class SmallTree(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="include-arrows-")
        self.addCleanup(shutil.rmtree, self.root)
        write(self.root, "README.md", LAYOUT)
        for header in HEADERS:
            write(self.root, header, "#pragma once\n")

    def plant(self, path, spelling):
        # The include stands on line 3, after a comment and a blank line.
        write(self.root, path, f"// planted\n\n{spelling}\nint x;\n")

    def check_planted(self, path, spelling):
        self.plant(path, spelling)
        try:
            return run_check(self.root)
        finally:
            os.remove(os.path.join(self.root, path))

    def test_wrong_arrows_are_named_with_file_line_and_arrow(self):
        cases = [
            ("tools/fg/Tcas.cpp", '#include "app/Alert.h"',
             '"app/Alert.h" runs between tools and app, which stand side by side'),
            ("app/Dialog.cpp", '#include "tools/fg/Bridge.h"',
             '"tools/fg/Bridge.h" runs between app and tools'),
            ("text_functions/Text.cpp", '#include "platform/Clock.h"',
             "runs against the layer order: text_functions → platform"),
            ("platform/tests/ClockTest.cpp", '#include "app/Alert.h"',
             "runs against the layer order: platform → app"),
            ("app/Dialog.cpp", '#include "bench/Counter.h"', "reaches test code"),
            ("platform/Clock.cpp", '#include "tests/support/UniqueName.h"',
             "reaches test code (tests/support/UniqueName.h) from code that is not a test"),
            ("tools/fg/Bridge.cpp", '#include "tools/fg/tests/Script.h"', "reaches test code"),
            # Other spellings of the same wrong arrow.
            ("tools/fg/Tcas.cpp", "#include <app/Alert.h>", "runs between tools and app"),
            ("tools/fg/Tcas.cpp", '#include "./app//Alert.h"', "runs between tools and app"),
            ("tools/fg/Tcas.cpp", '# include"app/Alert.h"', "runs between tools and app"),
            ("platform/Clock.cpp", '#include "tests/ClockFake.h"', "reaches test code"),
            ("tools/fg/Tcas.cpp", '#include "../../app/Alert.h"', 'climbs with ".."'),
            ("text_functions/Text.cpp", '#include "text_functions/../platform/Clock.h"',
             'climbs with ".."'),
            ("app/Dialog.cpp", '#include "app/Missing.h"', "is no file of the project"),
            ("aviation/Tcas.cpp", '#include "tools/fg/Bridge.h"',
             "runs against the layer order: aviation → tools"),
        ]
        for path, spelling, message in cases:
            with self.subTest(path=path, spelling=spelling):
                status, output = self.check_planted(path, spelling)
                self.assertEqual(status, 1, output)
                self.assertIn(f"{path}:3: ", output)
                self.assertIn(message, output)
                self.assertIn("1 fault(s)", output)

    def test_arrows_with_the_order_pass(self):
        cases = [
            ("platform/Clock.cpp", '#include "text_functions/Text.h"'),
            ("platform/Clock.cpp", '#include "Clock.h"'),  # beside the file
            ("platform/tests/ClockTest.cpp", '#include "platform/tests/ClockFake.h"'),
            ("platform/tests/ClockTest.cpp", '#include "tests/support/UniqueName.h"'),
            ("tools/fg/tests/BridgeTest.cpp", '#include "platform/tests/ClockFake.h"'),
            ("tests/support/DialogFakes.cpp", '#include "app/Alert.h"'),
            ("bench/Bench.cpp", '#include "tools/fg/tests/Script.h"'),
            ("bench/Bench.cpp", '#include "app/Alert.h"'),
            ("app/Dialog.cpp", "#include <vector>"),
            ("tools/fg/Bridge.cpp", '#include "aviation/Tcas.h"'),
            ("app/Dialog.cpp", '#include "aviation/Tcas.h"'),
        ]
        for path, spelling in cases:
            with self.subTest(path=path, spelling=spelling):
                status, output = self.check_planted(path, spelling)
                self.assertEqual(status, 0, output)

    def test_only_the_platform_and_the_front_ends_include_its_system_side(self):
        write(self.root, "platform/posix/Terminal.h", "#pragma once\n")
        write(self.root, "platform/win32/Winsock.h", "#pragma once\n")
        terminal = '#include "platform/posix/Terminal.h"'
        winsock = '#include "platform/win32/Winsock.h"'
        cases = [  # path, include, refused
            ("app/Dialog.cpp", terminal, True),
            ("app/tests/DialogTest.cpp", terminal, True),
            ("tools/fg/Bridge.cpp", winsock, True),
            ("tests/support/Run.cpp", terminal, True),
            ("app/posixish/main.cpp", terminal, True),
            ("platform/posix/Terminal.cpp", terminal, False),
            ("platform/tests/TerminalTest.cpp", terminal, False),
            ("app/posix/main.cpp", terminal, False),
            ("app/posix/tests/HostTest.cpp", terminal, False),
            ("app/win32/main.cpp", winsock, False),
        ]
        for path, spelling, refused in cases:
            with self.subTest(path=path):
                status, output = self.check_planted(path, spelling)
                self.assertEqual(status, 1 if refused else 0, output)
                if refused:
                    self.assertIn(f"{path}:3: ", output)
                    self.assertIn("reaches the system side of the platform", output)

    def test_a_folder_without_a_place_fails_until_it_is_placed(self):
        self.plant("app/Dialog.cpp", '#include "extras/Thing.h"')
        write(self.root, "extras/Thing.h", "#pragma once\n")
        status, output = run_check(self.root)
        self.assertEqual(status, 1, output)
        self.assertIn("app/Dialog.cpp:3: \"extras/Thing.h\" reaches extras/Thing.h, whose folder "
                      "has no place in the layer order", output)
        self.assertIn("extras/Thing.h: its folder has no place in the layer order", output)

        write(self.root, "README.md", LAYOUT.replace("text_functions →", "extras → text_functions →"))
        self.assertEqual(run_check(self.root)[0], 0)
        write(self.root, "README.md", LAYOUT.replace("→ tests", "→ extras → tests"))
        status, output = run_check(self.root)
        self.assertIn('app/Dialog.cpp:3: "extras/Thing.h" runs against the layer order: '
                      "app → extras", output)

    def test_a_subfolder_placed_apart_from_its_parent_follows_its_own_place(self):
        write(self.root, "README.md",
              LAYOUT.replace("→ app | tools", "→ tools/trafficlog/input → app | tools"))
        write(self.root, "tools/trafficlog/input/Source.h", "#pragma once\n")
        self.plant("platform/tests/SourceTest.cpp", '#include "tools/trafficlog/input/Source.h"')
        status, output = run_check(self.root)
        self.assertEqual(status, 1, output)
        self.assertIn("platform → tools/trafficlog/input", output)

        self.plant("platform/tests/SourceTest.cpp", '#include "platform/Clock.h"')
        self.plant("tools/trafficlog/input/Source.cpp", '#include "tools/fg/Bridge.h"')
        status, output = run_check(self.root)
        self.assertIn("tools/trafficlog/input → tools, but tools stands above", output)

    def test_only_the_lowest_place_of_tests_is_open_to_every_test(self):
        write(self.root, "README.md", LAYOUT.replace("→ bench", "→ bench | tests/robustness"))
        write(self.root, "tests/robustness/Rig.h", "#pragma once\n")
        status, output = self.check_planted("platform/tests/ClockTest.cpp",
                                            '#include "tests/robustness/Rig.h"')
        self.assertEqual(status, 1, output)
        self.assertIn("platform → tests/robustness", output)
        status, output = self.check_planted("tests/robustness/RigTest.cpp",
                                            '#include "tests/support/UniqueName.h"')
        self.assertEqual(status, 0, output)

    def test_a_layout_without_an_order_or_with_a_missing_folder_fails(self):
        cases = [
            ("# A project\n\nNo layout.\n", "the README has no Layout section"),
            ("## Layout\n\nWords only.\n", "states no layer order"),
            ("## Layout\n\n```\ntext_functions → → app\n```\n", "has an empty place"),
            (LAYOUT.replace("→ bench", "→ bench → robustness"),
             "the layer order names robustness/, which is no folder"),
        ]
        for readme, message in cases:
            with self.subTest(message=message):
                write(self.root, "README.md", readme)
                status, output = run_check(self.root)
                self.assertEqual(status, 1, output)
                self.assertIn(message, output)


class RealTree(unittest.TestCase):
    def test_the_project_passes(self):
        status, output = run_check(PROJECT)
        self.assertEqual(status, 0, output)

    def test_a_copy_with_a_wrong_arrow_fails_on_that_line(self):
        cases = [
            ("tools/fg/TcasRequest.cpp", "app/AuralAlertPlayer.h",
             'tools/fg/TcasRequest.cpp:2: "app/AuralAlertPlayer.h" runs between tools and app, '
             "which stand side by side and include neither each other"),
            ("aviation/Tcas.cpp", "tools/fg/FgBridge.h",
             'aviation/Tcas.cpp:2: "tools/fg/FgBridge.h" runs against the layer order: '
             "aviation → tools, but tools stands above aviation"),
        ]
        for path, header, fault in cases:
            with self.subTest(path=path, header=header):
                copy = self.copy_of_the_sources()
                self.plant_second_line(copy, path, header)

                status, output = run_check(copy)
                self.assertEqual(status, 1, output)
                self.assertEqual(output.splitlines()[0], fault)
                self.assertIn("1 fault(s)", output)

    def copy_of_the_sources(self):
        copy = tempfile.mkdtemp(prefix="include-arrows-copy-")
        self.addCleanup(shutil.rmtree, copy)
        shutil.copytree(PROJECT, copy, dirs_exist_ok=True, ignore=self.sources_only)
        return copy

    @staticmethod
    def plant_second_line(root, path, header):
        victim = os.path.join(root, *path.split("/"))
        with open(victim, encoding="utf-8") as source:
            lines = source.readlines()
        lines.insert(1, f'#include "{header}"\n')
        with open(victim, "w", encoding="utf-8") as source:
            source.writelines(lines)

    @staticmethod
    def sources_only(folder, names):
        top = os.path.samefile(folder, PROJECT)
        return [n for n in names
                if (top and (n.startswith("build") or n.startswith(".")))
                or (os.path.isfile(os.path.join(folder, n))
                    and not n.endswith((".h", ".cpp", ".md")))]


if __name__ == "__main__":
    unittest.main()
