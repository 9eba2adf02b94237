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
    scripts/mutate.py --build build/native --confirm build/sanitize --confirm build/win32

--confirm runs the survivors again in another build, in the order given:
the sanitizer one, where reads past a block's end fail, and the Windows
one, where the paths only Windows takes run. The source tree is changed in
place and put back after each mutant: run it on a copy you are not editing.

Mutants listed in EQUIVALENT are run like the others but left out of the
second rate; one that is killed is reported, since its entry is wrong. They
skip the --confirm builds unless --check-equivalent is given.
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

# Mutants no input can tell from the original: (file, line, the line as
# mutated, "" when dropped, why). Matched on the lines' text, so an entry
# outlives edits elsewhere in the file; an entry whose line changes lapses.
EQUIVALENT = [
    ("image/bitmap_file.cpp",
     "out->height < 0 ? static_cast<uint32_t>(-out->height) : static_cast<uint32_t>(out->height);",
     "out->height <= 0 ? static_cast<uint32_t>(-out->height) : static_cast<uint32_t>(out->height);",
     "a height of 0 is refused with the info header, before the rows are counted"),
    ("image/bitmap_file.cpp",
     "int32_t rows = file.height < 0 ? -file.height : file.height;",
     "int32_t rows = file.height <= 0 ? -file.height : file.height;",
     "a height of 0 never gets past readBitmapFile"),
    ("file/output_file.cpp",
     "handle = CreateFileW(name, GENERIC_WRITE, FILE_SHARE_READ, nullptr, TRUNCATE_EXISTING, 0,",
     "handle = CreateFileW(name, GENERIC_WRITE, FILE_SHARE_READ, nullptr, TRUNCATE_EXISTING, 1,",
     "the native layer and Wine apply no attribute to a file they truncate"),
    ("image/bitmap_file.cpp",
     "if (headerSize < headerWithMasksSize) *tableStart = masksAt + 12;",
     "if (headerSize <= headerWithMasksSize) *tableStart = masksAt + 12;",
     "at 52 bytes the masks end where the header does: both give the same table start"),
    ("image/bitmap_file.cpp",
     "uint32_t count = colourUse != 0 && colourUse < full ? colourUse : full;",
     "uint32_t count = colourUse != 0 && colourUse <= full ? colourUse : full;",
     "a count equal to the full table is the full table either way"),
    ("image/icon_file.cpp", "shape->bitCount = 32;", "shape->bitCount = 33;",
     "a PNG image's bit count is only compared with 16"),
    ("runtime/object_table.cpp",
     "if (id > INT32_MAX || newCapacity > INT32_MAX) return false;",
     "if (id >= INT32_MAX || newCapacity > INT32_MAX) return false;",
     "at INT32_MAX the new capacity, id plus a growth step of at least 1, is refused anyway"),
    ("runtime/strings.cpp",
     "while (capacity < bytes) capacity = capacity > 0x3FFFFFFF ? 0x7FFFFFFF : capacity * 2;",
     "while (capacity < bytes) capacity = capacity >= 0x3FFFFFFF ? 0x7FFFFFFF : capacity * 2;",
     "the capacity is 16 doubled or 0x7FFFFFFF, never 0x3FFFFFFF"),
    ("runtime/strings.cpp", "if (units > (0x7FFFFFFF - start) / sizeof(WCHAR)) return emptyString;",
     "if (units >= (0x7FFFFFFF - start) / sizeof(WCHAR)) return emptyString;",
     "where the two differ the workspace would need 2 GiB, which every heap here refuses"),
    ("runtime/strings.cpp", "if (!stringHeap) return nullptr;", "",
     "the native layer and Wine both answer null for a null heap; only Windows itself faults"),
    ("drawing/drawing_session.cpp",
     "if (sessionSlot == TLS_OUT_OF_INDEXES) sessionSlot = TlsAlloc();",
     "if (sessionSlot != TLS_OUT_OF_INDEXES) sessionSlot = TlsAlloc();",
     "nothing reads the thread slot: it goes when the slot goes"),
    ("drawing/drawing_session.cpp",
     "if (sessionSlot == TLS_OUT_OF_INDEXES) sessionSlot = TlsAlloc();", "",
     "nothing reads the thread slot: it goes when the slot goes"),
    ("drawing/drawing_session.cpp", "if (count < 0) count = 0;", "if (count <= 0) count = 0;",
     "a count of 0 is set to 0"),
    ("drawing/drawing_session.cpp",
     'GetTextExtentPoint32W(dc, UTF16("H"), 1, &size) && size.cx > 0 && size.cy > 0) {',
     'GetTextExtentPoint32W(dc, UTF16("H"), 1, &size) && size.cx > 0 && size.cy >= 0) {',
     "an H of some width has the font's height, never 0"),
    ("drawing/drawing_session.cpp",
     'TextOutW(dc, 0, 0, UTF16("H"), 1);', 'TextOutW(dc, 0, 1, UTF16("H"), 1);',
     "an italic H reaches furthest right in its top rows; one row lower only hides the cell's last"),
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
    parser.add_argument("--confirm", action="append", default=[],
                        help="another build the survivors are tried in (may be repeated)")
    parser.add_argument("--check-equivalent", action="store_true",
                        help="try the known equivalent mutants in the --confirm builds too")
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

    def equivalent(mutant):
        path, number, replacement, _ = mutant
        with open(os.path.join(source, path), encoding="utf-8") as f:
            line = f.read().split("\n")[number].strip()
        return any(entry[:3] == (path, line, replacement.strip()) for entry in EQUIVALENT)

    tally = {"killed": 0, "survived": 0, "not compiled": 0}
    survivors = []
    excluded = {"killed": 0, "survived": 0}
    for mutant in chosen:
        known = equivalent(mutant)
        full, original = apply(source, mutant)
        try:
            result = verdict(source, arguments.build, arguments.tests, arguments.jobs)
            for build in arguments.confirm:
                if result != "survived" or (known and not arguments.check_equivalent):
                    break
                result = verdict(source, build, arguments.tests, arguments.jobs)
                if result == "killed":
                    mutant = mutant[:3] + (f"{mutant[3]} (caught in {build})",)
        finally:
            with open(full, "w", encoding="utf-8") as f:
                f.write(original)
        tally[result] += 1
        if known and result in excluded:
            excluded[result] += 1
        note = " (known equivalent)" if known else ""
        print(f"{result:13} {mutant[0]}:{mutant[1] + 1}: {mutant[3]}{note}", flush=True)
        if result == "survived":
            survivors.append(mutant + (known,))
    # Put the builds back on the unchanged files.
    for build in [arguments.build] + arguments.confirm:
        run(["cmake", "--build", build, "-j", str(arguments.jobs)], source, 1200)

    counted = tally["killed"] + tally["survived"]
    rate = 100.0 * tally["killed"] / counted if counted else 0.0
    print(f"\n{tally['killed']} of {counted} killed ({rate:.1f} %), {tally['not compiled']} did not compile")
    kept = counted - excluded["killed"] - excluded["survived"]
    killed = tally["killed"] - excluded["killed"]
    kept_rate = 100.0 * killed / kept if kept else 0.0
    print(f"{killed} of {kept} killed ({kept_rate:.1f} %); "
          f"{excluded['killed'] + excluded['survived']} known equivalent excluded")
    for path, number, _, what, known in survivors:
        print(f"  survivor: {path}:{number + 1}: {what}{' (known equivalent)' if known else ''}")
    if excluded["killed"]:
        print(f"  {excluded['killed']} listed as equivalent but killed: their entries are wrong")
    return 0


if __name__ == "__main__":
    sys.exit(main())
