#!/usr/bin/env bash
# Wall time and peak memory of celkit on every hostile row of
# tests/celkit/hostile_test.py (the inputs of
# tests/data/celkit-hostile/make_hostile.py), natively and, when the Windows
# build is there, under Wine; each against the targets of 1 s and 256 MB.
#
# usage: bench/celkit_hostile.sh [--runs N] [--native-only] [--filter TEXT]
#   CELKIT=path      the native program (default build/native/celkit)
#   CELKIT_EXE=path  the Windows one (default build/win32/celkit.exe)
#   CEILING_MB=N     address-space ceiling of each native run (default 2048),
#                    so that a bomb stops at it instead of taking the machine
#
# Each run goes through /usr/bin/time -f '%e %M'. Under Wine, %M is the
# peak resident size of the largest process wait()ed for below time, that
# is the Wine process celkit.exe runs in (the loader execs into it); the
# wineserver is started first and kept (wineserver -p), so neither its
# start nor its memory is counted. The table gives Wine's own cost
# (celkit.exe --version) and judges each Wine row on its time and peak
# less that baseline.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
runs=1
wine=1
filter=
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    --native-only) wine=0; shift ;;
    --filter) filter=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
native=${CELKIT:-$root/build/native/celkit}
exe=${CELKIT_EXE:-$root/build/win32/celkit.exe}
[ -x "$native" ] || { echo "no celkit at $native (build the native tree first)" >&2; exit 2; }
if [ $wine = 1 ] && { [ ! -f "$exe" ] || ! command -v wine >/dev/null; }; then wine=0; fi

work=$(mktemp -d /tmp/celkit-hostile-bench.XXXXXX)
trap 'rm -rf "$work"; [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null || true' EXIT
if [ $wine = 1 ]; then
  export WINEPREFIX=${WINEPREFIX:-$work/wineprefix} WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
  [ -d "$WINEPREFIX" ] || wineboot -i >/dev/null 2>&1
  wineserver -p
fi

/usr/bin/python3 - "$root" "$work" "$native" "$exe" "$wine" "$runs" "$filter" "${CEILING_MB:-2048}" <<'PY'
import os, resource, shutil, statistics, subprocess, sys
root, work, native, exe, wine, runs, filter, ceiling_mb = sys.argv[1:9]
wine, runs, ceiling = wine == "1", int(runs), int(ceiling_mb) << 20
sys.path.insert(0, os.path.join(root, "tests", "celkit"))
import hostile_test as h
h.ARGS = h.base.ARGS = type("Args", (), {"work": work, "wine": False})()
TIME_S, PEAK_MB = 1.0, 256


def limit():
    resource.setrlimit(resource.RLIMIT_AS, (ceiling, ceiling))


def measure(row, command, native_run, n=None):
    """Median wall time, median peak and the last status of `n` runs (--runs)."""
    times, peaks = [], []
    for _ in range(n or runs):
        d = os.path.join(work, "run")
        shutil.rmtree(d, ignore_errors=True)
        os.makedirs(d)
        row.stage(d)
        stamp = os.path.join(work, "time.txt")
        with open(os.path.join(work, "err.txt"), "wb") as err:
            try:
                status = subprocess.call(["/usr/bin/time", "-f", "%e %M", "-o", stamp] + command + row.args,
                                         cwd=d, stdout=subprocess.DEVNULL, stderr=err, timeout=600,
                                         preexec_fn=limit if native_run else None)
            except subprocess.TimeoutExpired:
                return None, None, "no end in 600 s", ""
        lines = open(stamp).read().splitlines()
        fields = lines[-1].split()
        for line in lines:
            if line.startswith("Command terminated by signal"):
                status = "signal " + line.split()[-1]
        times.append(float(fields[0]))
        peaks.append(int(fields[1]) / 1024)
        message = open(os.path.join(work, "err.txt"), "rb").read().decode("utf-8", "replace").strip()
    first = message.splitlines()[0] if message else ""
    # Control bytes shown escaped: the table goes to a terminal.
    first = "".join(c if c >= " " and c != "\x7f" else "\\x%02X" % ord(c) for c in first)
    return statistics.median(times), statistics.median(peaks), status, first[:80]


def judge(row, seconds, peak, status, message, base_s=0.0, base_mb=0.0):
    if seconds is None:
        return "MISSED (hang)"
    missed = []
    if status == 0 and row.expect == "refused" or status in (1, 2) and row.expect == "done":
        missed.append("exit %d, expected %s" % (status, row.expect))
    if seconds - base_s > TIME_S:
        missed.append("time")
    if peak - base_mb > PEAK_MB:
        missed.append("memory")
    if isinstance(status, str):
        missed.append(status)
    elif status not in (0, 1, 2):
        missed.append("exit %d" % status)
    elif "out of memory" in message:
        missed.append("ceiling")
    return "met" if not missed else "MISSED (" + ", ".join(missed) + ")"


rows = [r for r in h.all_rows() if filter in r.name]
builds = [("native", [native], True)] + ([("wine", ["wine", exe], False)] if wine else [])
print("Targets: %.0f s and %d MB a row; native runs have an address-space ceiling of %d MB." %
      (TIME_S, PEAK_MB, ceiling >> 20))
# Times on a machine with more runnable work than cores are mostly waiting.
print("Load %s on %d cores at the start." % (open("/proc/loadavg").read().split()[0], os.cpu_count()))
for build, command, native_run in builds:
    base_s = base_mb = 0.0
    if not native_run:
        # The first start of a prefix is far slower than the rest: warmed up, median of five.
        version = h.Row("--version", {}, ["--version"], "done")
        measure(version, command, False, 1)
        base_s, base_mb, _, _ = measure(version, command, False, 5)
        print("\nWine: celkit.exe --version takes %.2f s and %.0f MB; the verdicts below count"
              " what a row takes beyond that." % (base_s, base_mb))
    print("\n%s (%s, median of %d)\n" % (build, command[-1], runs))
    print("| row | expected | s | peak MB | exit | verdict | standard error |")
    print("|---|---|---:|---:|---:|---|---|")
    missed = 0
    for row in rows:
        s, mb, status, message = measure(row, command, native_run)
        verdict = judge(row, s, mb, status, message, base_s, base_mb)
        missed += verdict != "met"
        print("| %s | %s | %s | %s | %s | %s | %s |" % (
            row.name, row.expect, "-" if s is None else "%.2f" % s, "-" if mb is None else "%.0f" % mb, status, verdict,
            message.replace("|", "\\|")), flush=True)
    print("\n%s: %d of %d rows met both targets; load %s at the end" %
          (build, len(rows) - missed, len(rows), open("/proc/loadavg").read().split()[0]))
PY
