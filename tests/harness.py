"""The one way the Python test tables start a program: in a folder of their
own, output through files there (Wine keeps pipes open after its program
ends), under Wine for the Windows build, and with a guard against a hang
that scales with the build.

A guard is no speed goal (those live in bench/): each caller gives ten
times the slowest run it has seen of what it starts on an idle machine with
the native release build, and the build's factor stretches that for the
sanitizers and Wine, which run the same work several times slower."""
import collections, os, subprocess, tempfile

# Set by the tables' command line (tests/celkit/celkit_test.py run_suites):
# whether the programs run under Wine, whether they carry the sanitizers.
WINE = False
SANITIZED = False

Result = collections.namedtuple("Result", "returncode stdout stderr")


def guard(seconds):
    """`seconds`, ten times an idle native run, stretched for this build."""
    return seconds * (8 if SANITIZED else 1) * (4 if WINE else 1)


def command(program, args):
    """The command line that starts `program` of the build with `args`."""
    return (["wine", program] if WINE else [program]) + list(args)


def run(args, cwd, seconds, stdin=None, preexec=None, env=None, spill=None):
    """Runs `args` in `cwd`: a Result of the exit status (None when the
    guard stopped it) and both outputs as bytes. The outputs pass through
    unnamed files in `spill` (by default the folder holding `cwd`)."""
    spill = spill or os.path.dirname(os.path.abspath(cwd))
    with tempfile.TemporaryFile(dir=spill) as out, tempfile.TemporaryFile(dir=spill) as err:
        try:
            code = subprocess.call(args, cwd=cwd, stdin=stdin if stdin is not None else subprocess.DEVNULL,
                                   stdout=out, stderr=err, timeout=guard(seconds), preexec_fn=preexec, env=env)
        except subprocess.TimeoutExpired:
            code = None
        out.seek(0)
        err.seek(0)
        return Result(code, out.read(), err.read())
