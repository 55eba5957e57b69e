#!/usr/bin/env python3
"""Fails when a source folder includes a header it may not: a lower layer one
of a higher layer, or a toolkit-free layer a Qt header. The table below is
the structure the README describes."""

import re
import sys
from pathlib import Path

# folder: (the project folders it may include besides itself, Qt allowed)
LAYERS = {
    "link": ([], False),
    "curve": ([], False),
    "state": (["link", "curve"], False),
    "session": (["state", "curve", "link"], False),
    "sim": (["link"], False),
    # The Qt adapters; the programs' choice of lamps makes simulated ones.
    "platform": (["session", "state", "curve", "sim", "link"], True),
    # Controls log through the link's logLine like every layer below them.
    "widgets": (["link"], True),
    "pages": (["widgets", "platform", "session", "state", "curve", "link"], True),
    "app": (["pages", "widgets", "platform", "session", "state", "curve", "sim", "link"], True),
    "cli": (["platform", "session", "state", "curve", "sim", "link"], True),
    "bridge": (["platform", "session", "state", "curve", "sim", "link"], True),
}
# Qt headers that need a widget toolkit: the command-line programs run
# without a display.
WIDGETS_FORBIDDEN = {"cli", "bridge"}

PROJECT = re.compile(r'^\s*#\s*include\s+"([a-z]+)/')
SYSTEM = re.compile(r"^\s*#\s*include\s+<(Q[A-Za-z]*|Qt[A-Za-z]*/[A-Za-z]+)>")
WIDGET_HEADERS = re.compile(r"^(QtWidgets/|Q(Widget|Dialog|MainWindow|Application|Label|"
                            r"PushButton|MessageBox|LineEdit|Layout|VBoxLayout|HBoxLayout)$)")


def main(src):
    faults = []
    folders = sorted(p for p in Path(src).iterdir() if p.is_dir())
    for folder in folders:
        name = folder.name
        if name not in LAYERS:
            faults.append(f"{folder}: a source folder the layer table does not know")
            continue
        allowed, qt = LAYERS[name]
        for path in sorted(folder.rglob("*")):
            if path.suffix not in (".h", ".cpp"):
                continue
            for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
                where = f"{path}:{number}"
                project = PROJECT.match(line)
                if project and project.group(1) not in (name, *allowed):
                    faults.append(f"{where}: {name} includes {project.group(1)}")
                system = SYSTEM.match(line)
                if system and not qt:
                    faults.append(f"{where}: {name} is toolkit-free but includes <{system.group(1)}>")
                if system and name in WIDGETS_FORBIDDEN and WIDGET_HEADERS.match(system.group(1)):
                    faults.append(f"{where}: {name} runs without a display but includes "
                                  f"<{system.group(1)}>")
    for fault in faults:
        print(fault)
    print(f"{len(folders)} folders checked, {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "src"))
