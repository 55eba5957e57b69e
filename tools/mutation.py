#!/usr/bin/env python3
"""Mutation check of the toolkit-free layers.

Makes seeded one-line mutations (comparison flips, off-by-one, swapped logic
operators, changed constants) in src/link, src/state, src/curve and
src/session, rebuilds the unit tests of those folders (and of src/sim, which
drives them) for each, runs them, and counts the mutants they kill. A mutant
that does not compile is not counted. Survivors are listed so that each can
be looked at: either a test is missing or the mutation changes nothing that
matters.

    python3 tools/mutation.py [--seed 1] [--count 60] [--build build/mutation]
                              [--save mutants.json | --replay mutants.json]

--save writes the chosen mutants to a file and --replay runs exactly those
again, so a score before and after a change to the tests compares the same
mutants even where the sources have grown in between (a mutant is found again
by its line's text, nearest to where it was).

The source tree is restored after every mutant (and on Ctrl+C).
"""

import argparse
import json
import random
import re
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
LAYERS = ["link", "state", "curve", "session"]
TEST_PREFIXES = ["link_", "state_", "curve_", "session_", "sim_"]
# The test folders whose programs link each layer: a mutant is rebuilt and
# run only where it can be seen.
SEEN_BY = {
    "link": TEST_PREFIXES,
    "state": ["state_", "session_"],
    "curve": ["curve_", "session_"],
    "session": ["session_"],
}

# (name, pattern, replacement). Patterns want spaces around binary operators,
# as the house style writes them, so template brackets and includes are not
# taken for comparisons.
OPERATORS = [
    ("== to !=", r" == ", " != "),
    ("!= to ==", r" != ", " == "),
    ("< to <=", r" < ", " <= "),
    ("<= to <", r" <= ", " < "),
    ("> to >=", r" > ", " >= "),
    (">= to >", r" >= ", " > "),
    ("&& to ||", r" && ", " || "),
    ("|| to &&", r" \|\| ", " && "),
    ("+ 1 to + 2", r" \+ 1\b", " + 2"),
    ("- 1 to - 2", r" - 1\b", " - 2"),
    ("true to false", r"\btrue\b", "false"),
    ("false to true", r"\bfalse\b", "true"),
    ("constant + 1", r"(?<![\w.])([2-9]|[1-9][0-9]+)(?![\w.'\"])", None),
]

SKIP = re.compile(r'^\s*(//|#|\*|/\*)|logLine|format\(|static_assert|"')


def candidates():
    found = []
    for layer in LAYERS:
        for path in sorted((ROOT / "src" / layer).glob("*.cpp")):
            lines = path.read_text().splitlines()
            for number, line in enumerate(lines):
                if SKIP.search(line):
                    continue
                for name, pattern, replacement in OPERATORS:
                    for match in re.finditer(pattern, line):
                        if replacement is None:
                            new = str(int(match.group(1)) + 1)
                        else:
                            new = replacement
                        mutated = line[: match.start()] + new + line[match.end():]
                        found.append((path, number, name, line, mutated))
    return found


def save(chosen, file):
    rows = [{"path": str(path.relative_to(ROOT)), "line": number + 1, "name": name,
             "before": line, "after": mutated}
            for path, number, name, line, mutated in chosen]
    Path(file).write_text(json.dumps(rows, indent=1) + "\n")


def replay(file):
    """The saved mutants, each at the line of the current sources that holds its
    text (nearest to the recorded line); those whose line is gone are reported."""
    chosen, lost = [], []
    for row in json.loads(Path(file).read_text()):
        path = ROOT / row["path"]
        lines = path.read_text().splitlines() if path.exists() else []
        places = [i for i, text in enumerate(lines) if text == row["before"]]
        if not places:
            lost.append(f'{row["path"]}:{row["line"]} ({row["name"]})')
            continue
        number = min(places, key=lambda i: abs(i + 1 - row["line"]))
        chosen.append((path, number, row["name"], row["before"], row["after"]))
    return chosen, lost


def run(command, timeout=None):
    return subprocess.run(command, cwd=ROOT, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, text=True, timeout=timeout)


def test_targets(build):
    listing = run(["ctest", "--test-dir", str(build), "-N"]).stdout
    names = re.findall(r"Test\s+#\d+: (\S+)", listing)
    return [n for n in names if any(n.startswith(p) for p in TEST_PREFIXES)]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--count", type=int, default=60)
    parser.add_argument("--build", default="build/mutation")
    parser.add_argument("--timeout", type=int, default=120,
                        help="seconds the tests may take for one mutant")
    parser.add_argument("--save", metavar="FILE", help="write the chosen mutants to FILE")
    parser.add_argument("--replay", metavar="FILE", help="run the mutants saved in FILE")
    args = parser.parse_args()
    build = ROOT / args.build

    configure = run(["cmake", "--preset", "mutation"])
    if configure.returncode != 0:
        print(configure.stdout)
        return 2
    targets = test_targets(build)
    if not targets:
        print("no unit tests found in", build)
        return 2
    baseline = run(["cmake", "--build", str(build), "-j2", "--target", *targets])
    if baseline.returncode != 0:
        print(baseline.stdout[-4000:])
        return 2
    regex = "^(" + "|".join(targets) + ")$"
    clean = run(["ctest", "--test-dir", str(build), "-R", regex, "-j2"], args.timeout)
    if clean.returncode != 0:
        print("the unit tests fail without any mutation:\n", clean.stdout[-4000:])
        return 2

    lost = []
    if args.replay:
        chosen, lost = replay(args.replay)
        for where in lost:
            print(f"not found again, skipped: {where}")
    else:
        pool = candidates()
        rng = random.Random(args.seed)
        chosen = rng.sample(pool, min(args.count, len(pool)))
    if args.save:
        save(chosen, args.save)
    killed, survivors, stillborn = 0, [], 0
    started = time.time()
    for index, (path, number, name, line, mutated) in enumerate(chosen, 1):
        original = path.read_text()
        lines = original.splitlines(keepends=True)
        ending = "\n" if lines[number].endswith("\n") else ""
        lines[number] = mutated + ending
        where = f"{path.relative_to(ROOT)}:{number + 1}"
        seen = [t for t in targets if any(t.startswith(p) for p in SEEN_BY[path.parent.name])]
        seen_regex = "^(" + "|".join(seen) + ")$"
        try:
            path.write_text("".join(lines))
            built = run(["cmake", "--build", str(build), "-j2", "--target", *seen])
            if built.returncode != 0:
                stillborn += 1
                verdict = "does not compile"
            else:
                try:
                    tested = run(["ctest", "--test-dir", str(build), "-R", seen_regex, "-j2",
                                  "--timeout", str(args.timeout)], args.timeout * 4)
                    caught = tested.returncode != 0
                except subprocess.TimeoutExpired:
                    caught = True
                if caught:
                    killed += 1
                    verdict = "killed"
                else:
                    survivors.append((where, name, line.strip(), mutated.strip()))
                    verdict = "SURVIVED"
        finally:
            path.write_text(original)
        print(f"[{index}/{len(chosen)}] {where} {name}: {verdict}", flush=True)
    # Leave the build matching the sources again.
    run(["cmake", "--build", str(build), "-j2", "--target", *targets])
    print(f"tests: {', '.join(targets)}")

    counted = killed + len(survivors)
    score = 100.0 * killed / counted if counted else 0.0
    origin = f"replay of {args.replay}" if args.replay else f"seed {args.seed}"
    print(f"\n{origin}: {len(chosen)} mutants, {stillborn} do not compile, "
          f"{killed} killed, {len(survivors)} survived: score {score:.1f} % "
          f"({time.time() - started:.0f} s)")
    for where, name, before, after in survivors:
        print(f"  survived {where} ({name}):\n      {before}\n   -> {after}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
