#!/usr/bin/python3
"""Mutation run: do the tests notice a fault in the core files?

Each mutant changes one thing in one product file: a comparison flipped
(< and <=, > and >=, == and !=), an integer constant off by one, or a
statement dropped. For each, the tree is rebuilt and the tests run; a
mutant is killed when a test fails, survives when all pass, and does not
count when it does not compile. Mutants are drawn by a hash of the file,
the line's text and the change, so two runs over trees whose core files
differ in a few lines still try the same changes everywhere else.

    scripts/mutate.py --build build/native                 # the default files
    scripts/mutate.py --build build/native --count 20 runtime/strings.cpp
    scripts/mutate.py --build build/native --confirm build/sanitize

--confirm runs the survivors again in a second build (the sanitizer one),
where reads past a block's end fail. The source tree is changed in place
and put back after each mutant: run it on a copy you are not editing.
"""
import argparse
import hashlib
import os
import re
import subprocess
import sys

CORE_FILES = [
    "platform/byte_reader.h",
    "runtime/object_table.cpp",
    "runtime/parameters.cpp",
    "runtime/strings.cpp",
    "file/output_file.cpp",
    "drawing/drawing_session.cpp",
    "image/bitmap_file.cpp",
    "image/icon_file.cpp",
    "image/image_loading.cpp",
    "app/glyph_scan.cpp",
]

FLIPS = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}
# An operator between blanks, so that <<, ->, templates and includes stay.
COMPARISON = re.compile(r"(?<= )(<=|>=|==|!=|<|>)(?= )")
CONSTANT = re.compile(r"(?<![\w.])(\d+)(?![\w.])")
SKIPPED_LINE = re.compile(r"^\s*(#|//|\*|/\*)")


def code_part(line):
    """The line without a trailing comment or string literals."""
    line = re.sub(r'"([^"\\]|\\.)*"', lambda m: " " * len(m.group(0)), line)
    cut = line.find("//")
    return line if cut < 0 else line[:cut]


def candidates(path, text):
    found = []
    lines = text.split("\n")
    for number, line in enumerate(lines):
        if SKIPPED_LINE.match(line) or not line.strip():
            continue
        code = code_part(line)
        for match in COMPARISON.finditer(code):
            swapped = line[:match.start()] + FLIPS[match.group(1)] + line[match.end():]
            found.append((path, number, swapped, f"{match.group(1)} -> {FLIPS[match.group(1)]}"))
        for match in CONSTANT.finditer(code):
            value = int(match.group(1))
            changed = line[:match.start()] + str(value + 1) + line[match.end():]
            found.append((path, number, changed, f"{value} -> {value + 1}"))
        stripped = code.strip()
        # A whole statement on its own line; declarations would not compile
        # without it and returns change the shape of the function.
        if stripped.endswith(";") and not stripped.startswith(("return", "case", "default", "}", "static", "const ")) \
                and "(" in stripped and not re.match(r"^[\w:<>*&\s]+\s[\w*&]+\s*=", stripped):
            found.append((path, number, "", "statement dropped"))
    return found


def run(command, cwd, timeout):
    try:
        done = subprocess.run(command, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=timeout)
        return done.returncode
    except subprocess.TimeoutExpired:
        return -1


def verdict(source, build, tests, jobs):
    if run(["cmake", "--build", build, "-j", str(jobs)], source, 1200) != 0:
        return "not compiled"
    command = ["ctest", "--test-dir", build, "-j", str(jobs), "--stop-on-failure", "--timeout", "120"]
    if tests:
        command += ["-R", tests]
    return "survived" if run(command, source, 1800) == 0 else "killed"


def apply(source, mutant):
    path, number, replacement, _ = mutant
    full = os.path.join(source, path)
    with open(full, encoding="utf-8") as f:
        original = f.read()
    lines = original.split("\n")
    lines[number] = replacement
    with open(full, "w", encoding="utf-8") as f:
        f.write("\n".join(lines))
    return full, original


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("files", nargs="*", default=CORE_FILES)
    parser.add_argument("--source", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
    parser.add_argument("--build", required=True)
    parser.add_argument("--confirm", help="a second build the survivors are tried in")
    parser.add_argument("--count", type=int, default=60)
    parser.add_argument("--seed", type=int, default=11)
    parser.add_argument("--tests", help="ctest -R pattern")
    parser.add_argument("--jobs", type=int, default=2)
    arguments = parser.parse_args()
    source = os.path.abspath(arguments.source)

    pool = []
    for path in arguments.files:
        with open(os.path.join(source, path), encoding="utf-8") as f:
            pool += candidates(path, f.read())
    def rank(mutant):
        path, number, replacement, what = mutant
        with open(os.path.join(source, path), encoding="utf-8") as f:
            line = f.read().split("\n")[number].strip()
        key = f"{arguments.seed}|{path}|{line}|{replacement.strip()}|{what}"
        return hashlib.sha1(key.encode()).hexdigest()

    chosen = sorted(pool, key=rank)[:arguments.count]
    chosen.sort(key=lambda m: (m[0], m[1]))

    tally = {"killed": 0, "survived": 0, "not compiled": 0}
    survivors = []
    for mutant in chosen:
        full, original = apply(source, mutant)
        try:
            result = verdict(source, arguments.build, arguments.tests, arguments.jobs)
            if result == "survived" and arguments.confirm:
                result = verdict(source, arguments.confirm, arguments.tests, arguments.jobs)
                if result == "killed":
                    result = "killed"
                    mutant = mutant[:3] + (mutant[3] + " (caught in the second build)",)
        finally:
            with open(full, "w", encoding="utf-8") as f:
                f.write(original)
        tally[result] += 1
        print(f"{result:13} {mutant[0]}:{mutant[1] + 1}: {mutant[3]}", flush=True)
        if result == "survived":
            survivors.append(mutant)
    # Put the build back on the unchanged files.
    run(["cmake", "--build", arguments.build, "-j", str(arguments.jobs)], source, 1200)
    if arguments.confirm:
        run(["cmake", "--build", arguments.confirm, "-j", str(arguments.jobs)], source, 1200)

    counted = tally["killed"] + tally["survived"]
    rate = 100.0 * tally["killed"] / counted if counted else 0.0
    print(f"\n{tally['killed']} of {counted} killed ({rate:.1f} %), {tally['not compiled']} did not compile")
    for path, number, _, what in survivors:
        print(f"  survivor: {path}:{number + 1}: {what}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
