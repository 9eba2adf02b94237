"""celkit's inputs and outputs, end to end with the build's real celkit (under
Wine for the Windows build): what each kind of name becomes, that a failed
run leaves every file as it was, and that messages stay one escaped line.
Device nodes are made with mknod in the scratch folder (as root only); the
PSF that goes through a pipe is read back by kbd's psfxtable."""
import os, resource, shutil, stat, subprocess, threading, unittest

import celkit_test
import harness  # noqa: E402 (celkit_test puts it on the path)
from celkit_test import crafted_fonts, fresh, put

ARGS = None
FONT = crafted_fonts()["random"]
OTHER = crafted_fonts()["edges"]
LIMIT = 256 << 20  # celkit's input limit
ROOT = os.geteuid() == 0
NATIVE_ONLY = "native only: Windows names hold no control bytes, nor has Wine mknod, FIFOs or rlimits"


def celkit(args, cwd, stdin=None, preexec=None, prefix=()):
    """(status, standard output bytes, standard error text); output to files,
    since Wine keeps pipes open after exit."""
    code, out, err = harness.run(list(prefix) + harness.command(ARGS.celkit, args), cwd, 60,
                                 stdin=stdin if stdin is not None else subprocess.DEVNULL, preexec=preexec)
    return code, out, err.decode("utf-8", "replace").replace("\r\n", "\n")


def slashed(text):
    """Windows names with / for the tables' expectations."""
    return text.replace("\\", "/") if ARGS.wine else text


def tree(d):
    """Files and directories under d, directories ending in /."""
    found = []
    for folder, dirs, names in os.walk(d):
        found += [os.path.relpath(os.path.join(folder, n), d) + "/" for n in dirs]
        found += [os.path.relpath(os.path.join(folder, n), d) for n in names]
    return sorted(found)


def lay_out(d, before):
    """before: name -> bytes, (bytes, mode[, owner]), "link:NAME" (a hard link), "symlink:NAME" or "dir"."""
    for name, value in before.items():
        path = os.path.join(d, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        if value == "dir":
            os.makedirs(path)
        elif isinstance(value, str) and value.startswith("link:"):
            os.link(os.path.join(d, value[5:]), path)
        elif isinstance(value, str) and value.startswith("symlink:"):
            os.symlink(value[8:], path)
        else:
            data, mode, owner = (value + (None,))[:3] if isinstance(value, tuple) else (value, None, None)
            put(d, name, data)
            if owner is not None:
                os.chown(path, owner, owner)
            if mode is not None:
                os.chmod(path, mode)


def expect_files(test, d, after):
    """Exactly these entries (so no temporary is left), with these bytes and modes."""
    want = sorted({n + "/" if after[n] == "dir" else n for n in after} |
                  {os.path.dirname(n) + "/" for n in after if os.path.dirname(n)})
    test.assertEqual(tree(d), want, "no other file, no temporary left")
    for name, value in after.items():
        if isinstance(value, str) and value.startswith("symlink:"):
            test.assertEqual(os.readlink(os.path.join(d, name)), value[8:], "the link stays")
        if isinstance(value, str):
            continue
        data, mode, owner = (value + (None,))[:3] if isinstance(value, tuple) else (value, None, None)
        path = os.path.join(d, name)
        test.assertEqual(open(path, "rb").read(), data, name)
        if mode is not None and not ARGS.wine:
            test.assertEqual(stat.S_IMODE(os.stat(path).st_mode), mode, name)
        if owner is not None and not ARGS.wine:
            test.assertEqual((os.stat(path).st_uid, os.stat(path).st_gid), (owner, owner), name)


def immutable(path, on):
    return subprocess.call(["chattr", "+i" if on else "-i", path], stderr=subprocess.DEVNULL) == 0


class Outputs(unittest.TestCase):
    def test_each_kind_of_name(self):
        long_name, long_letters = "n" * 246 + ".fnt", "\u00e9" * 123 + ".fnt"  # 250 bytes each
        import_to = lambda out: ["import", "f.fnt", "-o", out]
        for name, before, args, code, message, after in [
                ("new name", {}, import_to("o.fnt"), 0, "", {"o.fnt": FONT}),
                ("new name: 0666 less the umask", {}, import_to("o.fnt"), 0, "", {"o.fnt": (FONT, 0o644)}),
                ("file replaced", {"o.fnt": (b"old", 0o644)}, import_to("o.fnt"), 0, "", {"o.fnt": (FONT, 0o644)}),
                ("0600 kept", {"o.fnt": (b"old", 0o600)}, import_to("o.fnt"), 0, "", {"o.fnt": (FONT, 0o600)}),
                ("0640 kept", {"o.fnt": (b"old", 0o640)}, import_to("o.fnt"), 0, "", {"o.fnt": (FONT, 0o640)}),
                ("0666 kept past the umask", {"o.fnt": (b"old", 0o666)}, import_to("o.fnt"), 0, "",
                 {"o.fnt": (FONT, 0o666)}),
                ("owner kept when root replaces", {"o.fnt": (b"old", 0o640, 4321)}, import_to("o.fnt"), 0, "",
                 {"o.fnt": (FONT, 0o640, 4321)}),
                ("read-only refused", {"o.fnt": (b"old", 0o444)}, import_to("o.fnt"), 1, "o.fnt: is read-only",
                 {"o.fnt": (b"old", 0o444)}),
                ("same as the input", {}, import_to("f.fnt"), 1, "f.fnt: is the same file as the input", {}),
                ("hard link to the input", {"h.fnt": "link:f.fnt"}, import_to("h.fnt"), 1, "same file as the input f.fnt",
                 {"h.fnt": "link:f.fnt"}),
                ("link to a file: its file replaced", {"real.fnt": (b"old", 0o600), "o.fnt": "symlink:real.fnt"},
                 import_to("o.fnt"), 0, "", {"real.fnt": (FONT, 0o600), "o.fnt": "symlink:real.fnt"}),
                ("250-byte name", {}, import_to(long_name), 0, "", {long_name: FONT}),
                ("300-byte name refused as too long", {}, import_to("n" * 296 + ".fnt"), 1,
                 "a file name of 300 ", {}),
                ("250 bytes of two-byte letters", {}, import_to(long_letters), 0, "", {long_letters: FONT}),
                ("long name over a file", {long_name: (b"old", 0o600)}, import_to(long_name), 0, "",
                 {long_name: (FONT, 0o600)}),
                ("missing directory not made", {}, import_to("nodir/o.fnt"), 1, "nodir: no such directory", {}),
                ("a planted temporary name stays", {".o.fnt.celkit-0.tmp": b"planted"}, import_to("o.fnt"), 0, "",
                 {".o.fnt.celkit-0.tmp": b"planted", "o.fnt": FONT}),
                ("-d makes its directory", {}, ["import", "f.fnt", "-d", "new"], 0, "", {"new/f.fnt": FONT}),
                ("-d makes one level only", {}, ["import", "f.fnt", "-d", "new/deeper"], 1,
                 "celkit: new: no such directory; -d makes only its last level", {}),
                ("-d/ makes one level only", {}, ["import", "f.fnt", "-d", "new/deeper/"], 1, "celkit: new: no such", {}),
                ("-d into a file", {"file": b"x"}, ["import", "f.fnt", "-d", "file"], 1, "file: is not a directory",
                 {"file": b"x"})]:
            with self.subTest(name):
                if "symlink" in str(before) and ARGS.wine:
                    self.skipTest("Wine sees through a Linux link")
                if "root" in name and not ROOT:
                    self.skipTest("only root gives a file away")
                d = fresh("kinds")
                put(d, "f.fnt", FONT)
                lay_out(d, before)
                status, _, err = celkit(args, d, preexec=lambda: os.umask(0o022))
                err = slashed(err)
                self.assertEqual(status, code, err)
                self.assertTrue(err == "" if code == 0 else err.startswith("celkit: ") and message in err, err)
                expect_files(self, d, dict({"f.fnt": FONT}, **after))

    def test_several_outputs_all_or_nothing(self):
        args = ["import", "a.fnt", "b.fnt", "c.fnt", "-d", "out"]
        inputs = {"a.fnt": FONT, "b.fnt": OTHER, "c.fnt": FONT[::-1]}
        old = {"out/a.fnt": b"old a", "out/b.fnt": b"old b", "out/c.fnt": b"old c"}
        new = {"out/a.fnt": FONT, "out/b.fnt": OTHER, "out/c.fnt": FONT[::-1]}
        for name, stuck, before, code, messages, after in [
                ("all replaced", None, old, 0, [], new),
                ("one read-only: none replaced", None, dict(old, **{"out/b.fnt": (b"old b", 0o444)}), 1,
                 ["out/b.fnt: is read-only"], dict(old, **{"out/b.fnt": (b"old b", 0o444)})),
                ("one a directory: none replaced", None, dict(old, **{"out/c.fnt": "dir"}), 1, ["out/c.fnt: is a directory"],
                 {"out/a.fnt": b"old a", "out/b.fnt": b"old b", "out/c.fnt": "dir"}),
                # An immutable file passes every look beforehand; only its rename fails.
                ("first rename fails", "out/a.fnt", old, 1,
                 ["out/a.fnt: cannot replace", "left as they were: out/a.fnt, out/b.fnt, out/c.fnt"], old),
                ("second rename fails", "out/b.fnt", old, 1,
                 ["out/b.fnt: cannot replace", "already replaced: out/a.fnt; left as they were: out/b.fnt, out/c.fnt"],
                 dict(old, **{"out/a.fnt": FONT})),
                ("last rename fails", "out/c.fnt", old, 1,
                 ["already replaced: out/a.fnt, out/b.fnt; left as it was: out/c.fnt"], dict(new, **{"out/c.fnt": b"old c"}))]:
            with self.subTest(name):
                d = fresh("several")
                lay_out(d, dict(inputs, **before))
                if stuck and not immutable(os.path.join(d, stuck), True):
                    self.skipTest("chattr +i needs root on a file system that has it")
                try:
                    status, err = celkit(args, d)[::2]
                    err = slashed(err)
                finally:
                    if stuck:
                        immutable(os.path.join(d, stuck), False)
                self.assertEqual(status, code, err)
                for message in messages:
                    self.assertIn(message, err)
                self.assertEqual(err.count("\n"), 1 if code else 0, err)
                expect_files(self, d, dict(inputs, **after))

    def test_names_differing_in_case(self):
        # One file on Windows, two natively.
        for args, windows, native in [
                (["import", "a.fnt", "A.fnt", "-d", "out"], (2, "both"), {"out/a.fnt": FONT, "out/A.fnt": OTHER}),
                (["import", "a.fnt", "-o", "A.FNT"], (1, "A.FNT: is the same file as the input a.fnt"), {"A.FNT": FONT})]:
            with self.subTest(" ".join(args)):
                d = fresh("case")
                inputs = {"a.fnt": FONT} if "-o" in args else {"a.fnt": FONT, "A.fnt": OTHER}
                lay_out(d, inputs)
                status, _, err = celkit(args, d)
                if ARGS.wine:
                    self.assertEqual((status, windows[1] in err), (windows[0], True), err)
                    expect_files(self, d, inputs)
                else:
                    self.assertEqual((status, err), (0, ""))
                    expect_files(self, d, dict(inputs, **native))

    def test_dash_is_standard_output(self):
        for args, name in [(["import", "f.fnt"], "o.fnt"), (["export", "f.fnt", "-f", "psf"], "o.psf"),
                           (["export", "f.fnt", "-f", "bdf", "--name", "x"], "o.bdf")]:
            with self.subTest(args[0] + " " + name):
                d = fresh("dash")
                put(d, "f.fnt", FONT)
                self.assertEqual(celkit(args + ["-o", name], d)[0], 0)
                status, out, err = celkit(args + ["-o", "-"], d)
                self.assertEqual((status, err), (0, ""))
                self.assertEqual(out, open(os.path.join(d, name), "rb").read())
                expect_files(self, d, {"f.fnt": FONT, name: out})

    def test_dash_through_a_pipe_into_psfxtable_and_cmp(self):
        if ARGS.wine:
            self.skipTest("Wine keeps pipes open; the file form is in test_dash_is_standard_output")
        d = fresh("pipe")
        put(d, "f.fnt", FONT)
        self.assertEqual(celkit(["export", "f.fnt", "-o", "o.psf"], d)[0], 0)
        subprocess.check_call(["psfxtable", "-i", "o.psf", "-ot", "file.table", "-o", "file.out"], cwd=d)
        for reader in [["psfxtable", "-i", "-", "-ot", "pipe.table", "-o", "pipe.out"], ["cmp", "-", "o.psf"]]:
            with self.subTest(reader[0]):
                producer = subprocess.Popen([ARGS.celkit, "export", "f.fnt", "-f", "psf", "-o", "-"], cwd=d,
                                            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
                consumer = subprocess.run(reader, cwd=d, stdin=producer.stdout, capture_output=True, timeout=harness.guard(60))
                producer.stdout.close()
                self.assertEqual((producer.wait(60), producer.stderr.read()), (0, b""))
                self.assertEqual(consumer.returncode, 0, consumer.stderr)
        for kind in ["table", "out"]:
            self.assertEqual(open(os.path.join(d, "pipe." + kind), "rb").read(),
                             open(os.path.join(d, "file." + kind), "rb").read(), kind)

    def test_devices_pipes_and_links_are_written_through(self):
        psf = None
        for name, make, code, message in [
                ("null-like device", ("char", 1, 3), 0, ""), ("full-like device", ("char", 1, 7), 1, "No space left"),
                ("FIFO with a reader", "fifo+reader", 0, ""), ("FIFO nobody reads", "fifo", 1, "nothing reads from it"),
                # Windows opens a FIFO whether or not it is read: refused, as no write could be trusted.
                ("FIFO under Wine", "fifo", 1, "is a FIFO; celkit.exe cannot tell whether anything reads it"),
                ("link to /proc/self/fd/1, a pipe", "stdout link", 0, "")]:
            with self.subTest(name):
                if ARGS.wine != ("Wine" in name):
                    self.skipTest(NATIVE_ONLY if ARGS.wine else "Wine only")
                d = fresh("through")
                put(d, "f.fnt", FONT)
                if psf is None:
                    celkit(["export", "f.fnt", "-o", "../ref.psf"], d)
                    psf = open(os.path.join(d, "..", "ref.psf"), "rb").read()
                node = os.path.join(d, "node")
                got = []
                if isinstance(make, tuple):
                    if not ROOT:
                        self.skipTest("mknod needs root")
                    os.mknod(node, 0o666 | stat.S_IFCHR, os.makedev(make[1], make[2]))
                elif make.startswith("fifo"):
                    os.mkfifo(node)
                    if make == "fifo+reader":
                        reader = threading.Thread(target=lambda: got.append(open(node, "rb").read()))
                        reader.start()
                else:
                    os.symlink("/proc/self/fd/1", node)
                args = ["export", "f.fnt", "-f", "psf", "-o", "node"]
                if make == "stdout link":
                    run = subprocess.run([ARGS.celkit] + args, cwd=d, capture_output=True, timeout=harness.guard(60))
                    status, err = run.returncode, run.stderr.decode()
                    self.assertEqual(run.stdout, psf)
                else:
                    status, _, err = celkit(args, d)
                if make == "fifo+reader":
                    reader.join(60)
                    self.assertEqual(got, [psf])
                self.assertEqual(status, code, err)
                self.assertTrue(err == "" if code == 0 else err.startswith("celkit: node: ") and message in err, err)
                info = os.lstat(node)
                if isinstance(make, tuple):
                    self.assertTrue(stat.S_ISCHR(info.st_mode), "still a device")
                    self.assertEqual(info.st_rdev, os.makedev(make[1], make[2]))
                elif make.startswith("fifo"):
                    self.assertTrue(stat.S_ISFIFO(info.st_mode), "still a FIFO")
                else:
                    self.assertEqual(os.readlink(node), "/proc/self/fd/1")
                self.assertEqual(tree(d), ["f.fnt", "node"], "no temporary beside it")

    def test_closed_pipe_is_a_write_error(self):
        if ARGS.wine:
            self.skipTest(NATIVE_ONLY)
        d = fresh("epipe")
        put(d, "f.fnt", FONT)
        read, write = os.pipe()
        os.close(read)  # nobody will ever read
        run = subprocess.run([ARGS.celkit, "export", "f.fnt", "-f", "bdf", "-o", "-"], cwd=d, stdout=write,
                             capture_output=False, stderr=subprocess.PIPE, timeout=harness.guard(60))
        os.close(write)
        self.assertEqual(run.returncode, 1, "a message and status 1, not death by SIGPIPE")
        self.assertEqual(run.stderr, b"celkit: standard output: cannot write: Broken pipe\n")
        self.assertEqual(tree(d), ["f.fnt"])

    def test_windows_device_names_are_written_through(self):
        if not ARGS.wine:
            self.skipTest("Windows names")
        for name in ["NUL", "nul", "Nul.psf", "nul.tar.psf"]:
            with self.subTest(name):
                d = fresh("nul")
                put(d, "f.fnt", FONT)
                status, _, err = celkit(["export", "f.fnt", "-f", "psf", "-o", name], d)
                self.assertEqual((status, err), (0, ""))
                self.assertEqual(tree(d), ["f.fnt"])

    def test_file_size_limit_fails_the_write(self):
        if ARGS.wine:
            self.skipTest(NATIVE_ONLY)
        limit = lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (4096, 4096))
        for destination, shown, before in [(["-o", "o.psf"], "o.psf", {"o.psf": b"old"}),
                                           (["-d", "new", "-f", "psf"], "new/f.psf", {})]:
            with self.subTest(destination[0]):
                d = fresh("fsize")
                lay_out(d, dict({"f.fnt": FONT}, **before))
                status, _, err = celkit(["export", "f.fnt"] + destination, d, preexec=limit)
                self.assertEqual(status, 1, err)
                self.assertEqual(err, "celkit: %s: cannot write: File too large\n" % shown)
                expect_files(self, d, dict({"f.fnt": FONT}, **before))  # -d's new directory gone again

    def test_temporary_is_flushed_to_disk_before_the_rename(self):
        if ARGS.wine or shutil.which("strace") is None:
            self.skipTest("strace on the native build")
        d = fresh("fsync")
        lay_out(d, {"f.fnt": FONT, "o.fnt": b"old"})
        status, _, err = celkit(["import", "f.fnt", "-o", "o.fnt"], d,
                                # LeakSanitizer cannot run under a tracer: leaks are the memcheck run's.
                                prefix=["env", "ASAN_OPTIONS=detect_leaks=0",
                                        "strace", "-qq", "-o", "../trace", "-e", "trace=openat,fsync,fdatasync,rename"])
        self.assertEqual((status, err), (0, ""))
        calls = open(os.path.join(d, "..", "trace")).read().splitlines()
        opened = [c for c in calls if ".o.fnt.celkit-0.tmp" in c and c.startswith("openat")]
        self.assertEqual(len(opened), 1, calls)
        self.assertIn("O_EXCL", opened[0])
        fd = opened[0].rsplit("= ", 1)[1]
        order = [c.split("(")[0] for c in calls[calls.index(opened[0]):]
                 if c.startswith("fsync(%s)" % fd) or c.startswith("fdatasync(%s)" % fd) or c.startswith("rename(")]
        self.assertEqual(order[:2], ["fsync", "rename"], calls)


class Inputs(unittest.TestCase):
    def test_only_files_are_read(self):
        for name, make, code, message in [
                ("a directory", "dir", 1, "in: is a directory; celkit reads files only"),
                ("a FIFO nobody writes", "fifo", 1, "in: is a pipe; celkit reads files only"),
                ("a zero-like device", "char", 1, "in: is a device; celkit reads files only"),
                ("one byte over the limit", LIMIT + 1, 1, "in: is %d bytes, more than the 256 MiB" % (LIMIT + 1)),
                ("at the limit: read, then no font", LIMIT, 1, "in: not a font"),
                ("a font", FONT, 0, "")]:
            with self.subTest(name):
                if ARGS.wine and make in ("fifo", "char"):
                    self.skipTest(NATIVE_ONLY)
                if make == "char" and not ROOT:
                    self.skipTest("mknod needs root")
                d = fresh("inputs")
                path = os.path.join(d, "in")
                if make == "dir":
                    os.mkdir(path)
                elif make == "fifo":
                    os.mkfifo(path)
                elif make == "char":
                    os.mknod(path, 0o666 | stat.S_IFCHR, os.makedev(1, 5))
                elif isinstance(make, int):
                    with open(path, "wb") as f:
                        f.truncate(make)  # sparse: no disk used
                else:
                    put(d, "in", make)
                status, out, err = celkit(["import", "in", "-o", "o.fnt"], d)
                self.assertEqual(status, code, err)
                self.assertTrue(err == "" if code == 0 else err.startswith("celkit: ") and message in err, err)
                self.assertEqual(sorted(os.listdir(d)), ["in", "o.fnt"] if code == 0 else ["in"])

    def test_standard_input(self):
        font_file = os.path.join(ARGS.work, "stdin.fnt")
        with open(font_file, "wb") as f:
            f.write(FONT)
        console = "/usr/share/consolefonts/Lat15-Terminus16.psf.gz"
        # sh opens standard output on the input file itself, as `1<>file`.
        onto_input = ("sh", "-c", 'exec "$@" 1<>"$0"', font_file)
        for name, args, code, shown, after, source, prefix in [
                ("import", ["import", "-", "-o", "o.fnt"], 0, "", {"o.fnt": FONT}, font_file, ()),
                ("info reads it twice", ["info", "-"], 0, "-: font (fnt), 8192 bytes\nglyphs: 256 of", {}, font_file, ()),
                ("to standard output too", ["import", "-", "-o", "-"], 0, FONT, {}, font_file, ()),
                ("-d has no name for it", ["import", "-", "-d", "out"], 2, "standard input", {}, font_file, ()),
                ("the font and its own map, read once", ["export", "-", "--map", "-", "-o", "o.fnt"], 0, "",
                 None, console, ()),
                ("a device, refused at once", ["info", "-"], 1, "celkit: standard input: is a device", {},
                 "/dev/zero", ()),
                ("standard output onto the input", ["import", "-", "-o", "-"], 1,
                 "celkit: standard output is the same file as the input standard input", {}, font_file, onto_input)]:
            with self.subTest(name):
                if not os.path.exists(source) or ARGS.wine and (source.startswith("/dev") or prefix):
                    self.skipTest("needs " + source + (" natively" if ARGS.wine else ""))
                d = fresh("stdin")
                with open(source, "rb") as f:
                    status, out, err = celkit(args, d, stdin=f, prefix=prefix)
                self.assertEqual(status, code, err)
                if code == 0:
                    self.assertEqual(err, "")
                    text = out.replace(b"\r\n", b"\n")  # Windows' text mode; "-o -" is binary
                    self.assertTrue(out == shown if isinstance(shown, bytes) else shown.encode() in text, out[:80])
                else:
                    self.assertIn(shown, err)
                if after is not None:
                    expect_files(self, d, after)
        self.assertEqual(open(font_file, "rb").read(), FONT, "standard output never wrote over its input")

    def test_endless_standard_input_stops_at_the_limit(self):
        d = fresh("endless")
        read, write = os.pipe()
        sent = [0]

        def feed():
            block = bytes(1 << 16)
            try:
                while sent[0] < 4 * LIMIT:
                    sent[0] += os.write(write, block)
            except OSError:
                pass  # celkit closed its end
            os.close(write)

        feeder = threading.Thread(target=feed)
        feeder.start()
        status, _, err = celkit(["info", "-"], d, stdin=read)
        os.close(read)
        feeder.join(60)
        self.assertEqual(status, 1, err)
        self.assertEqual(err, "celkit: standard input: more than the 256 MiB celkit reads\n")
        self.assertLess(sent[0], LIMIT + (4 << 20), "read no more than the limit (and a pipe's worth)")


class Messages(unittest.TestCase):
    def test_control_bytes_are_escaped(self):
        for name, args, code, shown in [
                ("ESC in an input name", ["info", "z\x1b]0;owned\x07.fnt"], 1, "celkit: z\\x1b]0;owned\\x07.fnt: "),
                ("newline in an output's directory", ["import", "f.fnt", "-o", "a\nb/o.fnt"], 1, "celkit: a\\x0ab"),
                ("ESC in an option value", ["show", "f.fnt", "-o", "p.png", "--ink", "\x1b[31m"], 2, "\\x1b[31m"),
                ("DEL in a map name", ["info", "f.fnt", "--map", "m\x7f"], 2, "'m\\x7f'"),
                ("ESC in an unknown option", ["info", "f.fnt", "--x\x1b[2J"], 2, "--x\\x1b[2J"),
                ("tab in an extra argument", ["info", "f.fnt", "-\tq"], 2, "-\\x09q"),
                # C1 controls and bytes that are no UTF-8 (0x9B alone is CSI to a Latin-1 terminal)
                ("CSI as a lone byte in an input name", ["info", b"z\x9b2J.fnt"], 1, "celkit: z\\x9b2J.fnt: "),
                ("CSI as UTF-8 in an input name", ["info", "z\u009b2J.fnt"], 1, "celkit: z\\xc2\\x9b2J.fnt: "),
                ("an overlong slash in an input name", ["info", b"a\xc0\xafb.fnt"], 1, "celkit: a\\xc0\\xafb.fnt: "),
                ("a surrogate in an input name", ["info", b"a\xed\xa0\x80.fnt"], 1, "celkit: a\\xed\\xa0\\x80.fnt: "),
                ("letters past ASCII, kept, in an input file", ["info", "\u00f8\u20ac\U0001F600.fnt"], 1,
                 "celkit: \u00f8\u20ac\U0001F600.fnt: "),
                ("C1 in an option value", ["show", "f.fnt", "-o", "p.png", "--ink", "\u0085x"], 2, "\\xc2\\x85x"),
                ("a cut sequence in an option value", ["show", "f.fnt", "-o", "p.png", "--ink", b"\xe2\x82"], 2,
                 "\\xe2\\x82")]:
            with self.subTest(name):
                if ARGS.wine and (("name" in name and "map" not in name) or any(isinstance(a, bytes) for a in args)):
                    self.skipTest(NATIVE_ONLY)
                d = fresh("escape")
                put(d, "f.fnt", FONT)
                status, _, err = celkit(args, d)
                self.assertEqual(status, code, err)
                self.assertIn(shown, err)
                self.assertTrue(err.startswith("celkit: ") and err.endswith("\n"), err)
                self.assertFalse([c for c in err[:-1] if ord(c) < 0x20 or 0x7F <= ord(c) < 0xA0 or c == "\ufffd"],
                                 "one line, no control character, no byte that is no UTF-8")


if __name__ == "__main__":
    celkit_test.run_suites(globals())
