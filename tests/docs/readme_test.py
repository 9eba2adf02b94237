"""README.md as a user meets it: every shell block after the two set-up
commands runs line by line, as written, in a scratch copy of examples/ with
the build on PATH (celpack and celkit by name, as after installing). A line
fails on a non-zero exit or a promised output that is missing: the file after
-o, NAME.fnt for 'celpack NAME', a file a comment says it writes. An install
goes into the scratch folder through DESTDIR. A block that cannot run there
(it builds the tree) has <!-- readme-test: skip, REASON --> right above it."""
import argparse, os, re, shlex, shutil, subprocess, sys, unittest

ARGS = None
ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
SKIP = re.compile(r"^<!-- readme-test: skip, (\S.*\S) -->$")


def blocks(text):
    """[(line number, [(line number, command line)], skip reason or None)] of
    the shell blocks; a command continued with a backslash is one line."""
    found, lines, i = [], text.splitlines(), 0
    while i < len(lines):
        if re.match(r"^```(sh|bash|shell)\s*$", lines[i]):
            end = lines.index("```", i + 1)
            reason = SKIP.match(lines[i - 1]) if i > 0 else None
            entries, pending = [], ""
            for number in range(i + 2, end + 1):
                line = lines[number - 1]
                if line.endswith("\\"):
                    pending += line[:-1]
                else:
                    entries.append((number, pending + line))
                    pending = ""
            found.append((i + 1, entries, reason.group(1) if reason else None))
            i = end
        i += 1
    return found


def commands(line):
    """The simple commands of a line: word lists split at && || ; |."""
    lexer = shlex.shlex(line, posix=True, punctuation_chars=True)
    lexer.whitespace_split, words, out = True, [], []
    for word in lexer:
        if word in ("&&", "||", ";", "|"):
            out, words = out + [words], []
        else:
            words.append(word)
    return [w for w in out + [words] if w]


def promises(line, programs):
    """Files (relative to the scratch folder) the line says it makes."""
    made = []
    for words in commands(line):
        name = os.path.basename(words[0])
        for i, word in enumerate(words[:-1] if name in programs else []):
            if word in ("-o", "--output", "-d", "--directory") and words[i + 1] != "-":
                made.append(words[i + 1])
        if name == "celpack" and len(words) > 1:
            made.append(words[1] + ".fnt")
        if words[:2] == ["cmake", "--install"]:
            prefix = words[words.index("--prefix") + 1] if "--prefix" in words else "/usr/local"
            for program in programs:
                made += [f"stage{prefix}/bin/{program}", f"stage{prefix}/share/man/man1/{program}.1"]
    comment = re.search(r"#\s*writes (.*)$", line)
    if comment:
        made.append(shlex.split(comment.group(1))[0])
    return made


class Readme(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(os.path.join(ROOT, "README.md"), encoding="utf-8") as readme:
            cls.blocks = blocks(readme.read())
        # Programs the README calls by name that the build makes.
        called = {words[0] for _, lines, skip in cls.blocks[2:] if not skip for _, line in lines
                  for words in commands(line)}
        cls.programs = sorted(p for p in called if os.path.isfile(os.path.join(ARGS.build, p)))

    def test_the_first_command_builds_every_program_the_readme_calls(self):
        self.assertGreaterEqual(len(self.blocks), 3)
        self.assertEqual([line for _, line in self.blocks[1][1]], ["bash scripts/test-all.sh"])
        for words in commands(self.blocks[0][1][0][1]):
            if words[:2] == ["cmake", "--build"] and "--target" in words:
                built = words[words.index("--target") + 1:]
                missing = [p for p in self.programs if p not in built]
                self.assertEqual(missing, [], "the README calls them; the first command does not build them")
        self.assertEqual([p for p in ("celpack", "celkit") if p not in self.programs], [], "not found in the build")

    def test_every_shell_block_runs_as_written(self):
        work = os.path.abspath(ARGS.work)
        shutil.rmtree(work, ignore_errors=True)
        # The examples as cloned: without the font the first command makes.
        shutil.copytree(os.path.join(ROOT, "examples"), os.path.join(work, "examples"),
                        ignore=shutil.ignore_patterns("*.bmp.fnt"))
        os.makedirs(os.path.join(work, "home"))
        env = dict(os.environ, PATH=os.path.abspath(ARGS.build) + os.pathsep + os.environ["PATH"],
                   HOME=os.path.join(work, "home"), DESTDIR=os.path.join(work, "stage"))
        for number, lines, skip in self.blocks[2:]:
            if skip:
                print(f"README.md:{number}: block skipped: {skip}")
                continue
            for number, line in lines:
                if not line.strip() or line.lstrip().startswith("#"):
                    continue
                with self.subTest(line=f"README.md:{number}: {line}"):
                    self.assertEqual(self.run_line(line, work, env), 0)
                    made = promises(line, self.programs)
                    self.assertEqual([p for p in made if not os.path.exists(os.path.join(work, p))], [],
                                     "promised, not made")

    def run_line(self, line, work, env):
        # An install reads the real build tree, which also takes cmake's
        # install_manifest.txt: that file is put back as it was.
        manifest = os.path.join(ARGS.build, "install_manifest.txt")
        before = None
        if os.path.exists(manifest):
            with open(manifest, "rb") as kept:
                before = kept.read()
        line = re.sub(r"(cmake\s+--install\s+)build/\S+", lambda m: m.group(1) + shlex.quote(ARGS.build), line)
        try:
            run = subprocess.run(["bash", "-c", line], cwd=work, env=env, capture_output=True, text=True,
                                 timeout=300)
        finally:
            if before is None:
                if os.path.exists(manifest):
                    os.remove(manifest)
            else:
                with open(manifest, "wb") as restored:
                    restored.write(before)
        if run.returncode:
            print(f"$ {line}\n{run.stdout}{run.stderr}")
        return run.returncode


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True, help="the native build: celpack, celkit, its install rules")
    parser.add_argument("--work", required=True, help="the scratch folder, emptied first")
    ARGS, rest = parser.parse_known_args()
    ARGS.build = os.path.abspath(ARGS.build)
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
