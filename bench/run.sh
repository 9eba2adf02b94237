#!/usr/bin/env bash
# Whole-process speed and peak memory of the native celpack beside the floor
# of the conversion itself (floor.c: a static C program that reads the
# picture and writes the 8192 bytes, nothing else; with --durable it
# replaces the font as celpack must: synced and renamed), the floor of any program
# that reads the picture and writes a result (cp; cat to /dev/null for the
# large picture) and two independent converters that make the same 8192
# bytes (ImageMagick, Pillow). Every converter's output is first checked
# against the font computed by make_pictures.py.
#
# usage: bench/run.sh [--runs N] [--no-big] [--readme]
#   CELPACK=path  the tool to measure (default build/native/celpack)
#   --readme      also rewrite bench/README.md with the table
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
tool=${CELPACK:-$root/build/native/celpack}
python=/usr/bin/python3
convert=/usr/bin/convert   # /usr/local/bin/convert is not ImageMagick
runs=30
big=1
readme=0
command_line="bench/run.sh $*"
[ -n "${CELPACK:-}" ] && command_line="CELPACK=$CELPACK $command_line"
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    --no-big) big=0; shift ;;
    --readme) readme=1; shift ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
[ -x "$tool" ] || { echo "no tool at $tool (build the native tree first)" >&2; exit 2; }

work=$(mktemp -d /tmp/celpack-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

# Built like celpack: optimised and linked whole.
floor=$work/floor
cc -O2 -static -o "$floor" "$here/floor.c"

pictures="sheet1.bmp sheet8.bmp sheet24.bmp sheet32.bmp"
if [ $big = 1 ]; then
  $python "$here/make_pictures.py" "$work" --big
  pictures="$pictures big24.bmp"
else
  $python "$here/make_pictures.py" "$work"
fi

# One command line per converter; each writes the font to its last argument.
imagemagick() {
  echo "$convert $1 -alpha off -background black -extent 256x256" \
       "-crop 16x16 +repage -append -fill white +opaque black -depth 1 gray:$2"
}
pillow() { echo "$python $here/pillow_font.py $1 $2"; }
# The floor writes beside the picture, as celpack does.
floor_font() { echo "$floor $1"; }
durable_font() { echo "$floor --durable $1"; }

# Identical bytes first: a fast converter that is wrong measures nothing.
for picture in $pictures; do
  p=$work/$picture
  expected=$p.expected
  rm -f "$p.fnt"
  $(floor_font "$p")
  mv "$p.fnt" "$work/floor.fnt"
  $(durable_font "$p")
  mv "$p.fnt" "$work/durable.fnt"
  "$tool" "$p"
  $(imagemagick "$p" "$work/im.fnt")
  $(pillow "$p" "$work/pil.fnt")
  for out in "$p.fnt" "$work/floor.fnt" "$work/durable.fnt" "$work/im.fnt" "$work/pil.fnt"; do
    if ! cmp -s "$out" "$expected"; then
      echo "$picture: $out differs from the expected font" >&2
      exit 1
    fi
  done
  echo "$picture: celpack, both floors, ImageMagick and Pillow give the expected 8192 bytes"
done

# Median wall time (hyperfine, no shell) and median peak resident memory.
time_one() {  # name runs command...
  local name=$1 n=$2; shift 2
  hyperfine -N --style none --warmup 2 --runs "$n" \
    --export-json "$work/$name.json" "$*" >/dev/null 2>>"$work/hyperfine.log"
  local peaks=()
  for _ in 1 2 3; do
    peaks+=("$(/usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1)")
  done
  printf '%s\n' "${peaks[@]}" | sort -n | sed -n 2p >"$work/$name.peak"
}

load_start=$(cut -d' ' -f1 /proc/loadavg)
for picture in $pictures; do
  p=$work/$picture
  slow=$runs
  if [ "$picture" = big24.bmp ]; then slow=5; fi
  time_one "$picture.celpack" "$runs" "$tool" "$p"
  time_one "$picture.floor" "$runs" $(floor_font "$p")
  time_one "$picture.durable" "$runs" $(durable_font "$p")
  time_one "$picture.cp" "$runs" cp "$p" "$work/copy.bmp"
  time_one "$picture.cat" "$runs" cat "$p"
  time_one "$picture.imagemagick" "$slow" $(imagemagick "$p" "$work/im.fnt")
  time_one "$picture.pillow" "$slow" $(pillow "$p" "$work/pil.fnt")
  stat -c %s "$p" >"$work/$picture.size"
  echo "$picture: timed"
done

machine="$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'),"
machine="$machine $(nproc) cores, $(free -g | awk '/Mem:/ {print $2}') GiB,"
machine="$machine $(uname -sr), hyperfine $(hyperfine --version | cut -d' ' -f2),"
load_end=$(cut -d' ' -f1 /proc/loadavg)
machine="$machine load $load_start before timing and $load_end after"
# More runnable work than cores: a few milliseconds of wall time are then
# mostly waiting for a core, and the wall-time targets cannot be judged.
busy=$(awk -v a="$load_start" -v b="$load_end" -v n="$(nproc)" 'BEGIN { print (a > n || b > n) }')

$python - "$work" "$machine" "$command_line" "$pictures" "$busy" >"$work/table.md" <<'PY'
import json, sys
work, machine, command, pictures = sys.argv[1:5]
busy = sys.argv[5] == "1"
def median_ms(name):
    with open(f"{work}/{name}.json") as f:
        return json.load(f)["results"][0]["median"] * 1000
def cpu_ms(name):
    with open(f"{work}/{name}.json") as f:
        result = json.load(f)["results"][0]
        return (result["user"] + result["system"]) * 1000
def peak_kib(name):
    with open(f"{work}/{name}.peak") as f:
        return int(f.read())
print(f"Machine: {machine}  ")
print(f"Command: `{command}`")
print()
print("| picture | bytes | celpack ms | floor ms | durable floor ms | cp ms | cat ms"
      " | ImageMagick ms | Pillow ms | celpack / floor | CPU celpack / floor"
      " | celpack / durable floor | CPU celpack / durable floor | celpack / cp"
      " | ImageMagick / celpack | celpack / cat | celpack peak KiB | peak / limit | targets |")
print("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---|")
missed = 0
for picture in pictures.split():
    t = {k: median_ms(f"{picture}.{k}")
         for k in ("celpack", "floor", "durable", "cp", "cat", "imagemagick", "pillow")}
    size = int(open(f"{work}/{picture}.size").read())
    peak = peak_kib(f"{picture}.celpack")
    limit = (2.1 * size + 4 * 1024 * 1024) / 1024
    if picture.startswith("big"):
        checks = [(t["celpack"] <= 2.5 * t["cat"], "<= 2.5 x cat", True),
                  (peak <= limit, "peak <= 2.1 x file + 4 MiB", False)]
        share = f"{peak / limit:.2f}"
    else:
        checks = [(t["celpack"] <= 1.3 * t["floor"], "<= 1.3 x floor", True),
                  (t["celpack"] <= 1.3 * t["durable"], "<= 1.3 x durable floor", True),
                  (t["celpack"] <= 2 * t["cp"], "<= 2 x cp", True),
                  (t["imagemagick"] >= 20 * t["celpack"], ">= 20 x faster than ImageMagick", True)]
        share = "-"
    def verdict(met, wall):
        if wall and busy:
            return "not judged (load)"
        return "met" if met else "MISSED"
    ok = all(met or (wall and busy) for met, _, wall in checks)
    goal = "; ".join(f"{what}: {verdict(met, wall)}" for met, what, wall in checks)
    missed += not ok
    cpu = {k: cpu_ms(f"{picture}.{k}") for k in ("celpack", "floor", "durable")}
    print(f"| {picture} | {size} | {t['celpack']:.2f} | {t['floor']:.2f} | {t['durable']:.2f}"
          f" | {t['cp']:.2f} | {t['cat']:.2f} | {t['imagemagick']:.1f} | {t['pillow']:.1f}"
          f" | {t['celpack'] / t['floor']:.2f} | {cpu['celpack'] / cpu['floor']:.2f}"
          f" | {t['celpack'] / t['durable']:.2f} | {cpu['celpack'] / cpu['durable']:.2f}"
          f" | {t['celpack'] / t['cp']:.2f} | {t['imagemagick'] / t['celpack']:.1f}"
          f" | {t['celpack'] / t['cat']:.2f} | {peak} | {share}"
          f" | {goal} |")
print()
print("Times are medians of whole-process wall time; CPU compares the mean user +"
      " system times, which other work on the machine disturbs less; peak is the median"
      " of three `/usr/bin/time -f %M` readings; peak / limit compares it with 2.1 x the"
      " file size + 4 MiB (large picture only)."
      + (" The load was above the number of cores, so the wall-time targets are not"
         " judged." if busy else ""))
PY
cat "$work/table.md"
if [ $readme = 1 ]; then
  $python - "$here/README.md" "$work/table.md" <<'PY'
import sys
readme, table = sys.argv[1:3]
text = open(readme).read() if __import__("os").path.exists(readme) else ""
start, end = "<!-- table -->", "<!-- /table -->"
block = f"{start}\n{open(table).read()}{end}"
if start in text and end in text:
    text = text[:text.index(start)] + block + text[text.index(end) + len(end):]
else:
    text = text.rstrip("\n") + "\n\n" + block + "\n"
open(readme, "w").write(text)
PY
fi
