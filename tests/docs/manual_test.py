"""celkit's manual page against what the built celkit says of itself: every
option a command's --help lists is in docs/celkit.1, in that command's
synopsis with the same choices, and the page names no option celkit lacks.
Every page passes man's own warnings, as written and as the build fills it
in (the project's version, one date)."""
import argparse, glob, os, re, subprocess, sys, unittest

ARGS = None
ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
PAGES = sorted(glob.glob(os.path.join(ROOT, "docs", "*.1")))
# An option after a blank, bracket or quote: not the hyphen of "Lat15-Fixed16".
OPTION = re.compile(r"(?<![\w./+-])(--?[A-Za-z][\w-]*)")
# A line of --help's option list: "  -f,--format FORMAT:{png,bmp}=png".
LISTED = re.compile(r"^  (-{1,2}[A-Za-z][\w-]*(?:,-{1,2}[A-Za-z][\w-]*)*)")


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def help_of(command):
    """{name: (names, choices)} of one command's --help, and its subcommands."""
    args = [ARGS.celkit] + ([command] if command else []) + ["--help"]
    text = subprocess.run(args, capture_output=True, text=True, check=True, timeout=60).stdout
    options, subcommands, section = {}, [], None
    for line in text.splitlines():
        if re.match(r"^\S.*:$", line):
            section = line
        elif section == "Options:" and (m := LISTED.match(line)):
            names = tuple(m.group(1).split(","))
            choices = re.search(r":\{([^}]*)\}", line)
            for name in names:
                options[name] = (names, tuple(choices.group(1).split(",")) if choices else None)
        elif section == "Subcommands:" and (m := re.match(r"^  (\w+)\s", line)):
            subcommands.append(m.group(1))
    return options, subcommands


def plain(line):
    """One line of roff as text: fonts, escapes and the macro name dropped."""
    line = re.sub(r"\\f[BIRP]", "", line).replace("\\-", "-").replace("\\&", "").replace('"', " ")
    if line.startswith("."):
        line = line.split(None, 1)[1] if " " in line else ""
    return line


def synopses(page):
    """{command: text of its synopsis forms}; '' is the plain 'celkit' form."""
    section = page.split("\n.SH SYNOPSIS\n", 1)[1].split("\n.SH ", 1)[0]
    forms = {}
    for form in section.split("\n.br\n"):
        lines = form.strip().splitlines()
        m = re.match(r"^\.B celkit(?: (\w+))?$", lines[0])
        assert m, "a synopsis form that does not start '.B celkit [COMMAND]': " + lines[0]
        command = m.group(1) or ""
        forms[command] = forms.get(command, "") + " " + " ".join(map(plain, lines[1:]))
    return forms


class Options(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.page = read(os.path.join(ROOT, "docs", "celkit.1"))
        cls.forms = synopses(cls.page)
        top, subcommands = help_of("")
        cls.helps = {"": top, **{c: help_of(c)[0] for c in subcommands}}

    def test_every_listed_option_is_in_its_synopsis_with_its_choices_and_every_name_on_the_page(self):
        words = set(OPTION.findall(" ".join(map(plain, self.page.splitlines()))))
        for command, options in self.helps.items():
            self.assertIn(command, self.forms, f"'celkit {command}' has no synopsis form")
            shown = OPTION.findall(self.forms[command])
            for name, (names, choices) in options.items():
                with self.subTest(command=command, option=name):
                    self.assertTrue(name in words, f"{name}: --help lists it; the page never names it")
                    if name in ("-h", "--help") and command:
                        continue  # every command's --help is the plain form's --help
                    self.assertTrue(set(names) & set(shown), f"{name}: not in 'celkit {command}' of the synopsis")
                    if choices and name in shown:
                        given = re.search(re.escape(name) + r"\s+\[?\s*([\w.-]+(?:\s*\|\s*[\w.-]+)+)",
                                          self.forms[command])
                        self.assertTrue(given, f"the synopsis gives no choices after {name}")
                        self.assertEqual(sorted(re.split(r"\s*\|\s*", given.group(1))), sorted(choices))

    def test_the_page_names_no_option_the_commands_lack(self):
        every = {name for options in self.helps.values() for name in options}
        for command, form in self.forms.items():
            for name in OPTION.findall(form):
                with self.subTest(command=command, option=name):
                    self.assertTrue(name in self.helps.get(command, {}), f"{name}: in the synopsis, not in --help")
        for name in OPTION.findall(" ".join(map(plain, self.page.splitlines()))):
            with self.subTest(option=name):
                self.assertTrue(name in every, f"{name}: the page names it; no --help lists it")


class Pages(unittest.TestCase):
    def test_man_warns_of_nothing_as_written_and_as_built(self):
        built = sorted(glob.glob(os.path.join(ARGS.pages, "*.1")))
        self.assertEqual([os.path.basename(p) for p in built], [os.path.basename(p) for p in PAGES])
        env = dict(os.environ, LC_ALL="C.UTF-8", MANWIDTH="80")
        for page in PAGES + built:
            with self.subTest(page=page):
                run = subprocess.run(["man", "--warnings", "-l", page], capture_output=True, text=True,
                                     env=env, timeout=60)
                self.assertEqual((run.returncode, run.stderr), (0, ""))
                self.assertGreater(len(run.stdout), 200)

    def test_built_pages_carry_the_project_version_and_one_date(self):
        dates = set()
        for page in sorted(glob.glob(os.path.join(ARGS.pages, "*.1"))):
            with self.subTest(page=page):
                text = read(page)
                heading = text.split("\n", 1)[0]
                m = re.match(r'^\.TH \S+ 1 "(\d{4}-\d\d-\d\d)" "(\S+) (\S+)"', heading)
                self.assertTrue(m, heading)
                self.assertEqual((m.group(2), m.group(3)), (os.path.basename(page)[:-2], ARGS.version))
                self.assertNotIn("@", text)
                dates.add(m.group(1))
        self.assertEqual(len(dates), 1, dates)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--celkit", required=True)
    parser.add_argument("--pages", required=True, help="the build's filled-in pages")
    parser.add_argument("--version", required=True, help="the project's version")
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
