#!/usr/bin/env python3
"""version_test.py VERSION CHANGELOG CELKIT: every place a user reads the
release names project(VERSION): celkit --version and the changelog's top
entry (a dated heading)."""
import re
import subprocess
import sys

version, changelog, celkit = sys.argv[1:4]
with open(changelog, encoding="utf-8") as f:
    headings = [line for line in f if line.startswith("## ")]
shown = subprocess.run([celkit, "--version"], capture_output=True, text=True)

checks = [
    ("celkit --version", shown.stdout.strip(), f"celkit {version}"),
    ("celkit --version exit", shown.returncode, 0),
    ("changelog top entry", re.sub(r" \(\d{4}-\d\d-\d\d\)$", "", headings[0].strip()) if headings else None,
     f"## {version}"),
    ("changelog top entry dated", bool(headings and re.search(r"\(\d{4}-\d\d-\d\d\)$", headings[0])), True),
    ("changelog names each release once", len(headings), len(set(headings))),
]
failures = [c for c in checks if c[1] != c[2]]
for name, got, wanted in failures:
    print(f"FAIL {name}: got {got!r}, wanted {wanted!r}")
print(f"{len(checks) - len(failures)} passed, {len(failures)} failed")
sys.exit(1 if failures else 0)
