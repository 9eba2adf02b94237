#!/usr/bin/env bash
# celkit's picture roads in instructions (callgrind: they repeat exactly from
# run to run, unlike wall times on a shared machine), peak memory and wall
# time (/usr/bin/time, median of three), each beside its target; the chart
# rows also beside a Pillow script doing the same job (celkit_pictures.py),
# whose output must match celkit's before anything is counted.
#
# The pictures are made in a temporary directory: Debian's Unifont chart
# (4128 x 4160, 1 bit) saved as PNG by Pillow, the same size of noise, and
# hostile files under 100 KB crafted byte by byte (celkit_pictures.py).
#
# usage: bench/celkit_instructions.sh [--no-pillow]
#   CELKIT=path  the program to measure (default build/native/celkit)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
celkit=${CELKIT:-$root/build/native/celkit}
python=/usr/bin/python3
pillow=1
[ "${1:-}" = --no-pillow ] && pillow=0
[ -x "$celkit" ] || { echo "no celkit at $celkit (build the native tree first)" >&2; exit 2; }
[ -f /usr/share/unifont/unifont.bmp.gz ] || { echo "needs Debian's unifont package" >&2; exit 2; }

work=$(mktemp -d /tmp/celkit-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
$python "$here/celkit_pictures.py" make "$work"
text=$(for _ in $(seq 237); do printf 'A%.0s' $(seq 92); echo; done)

instructions() {
  valgrind --tool=callgrind --callgrind-out-file="$work/callgrind.out" "$@" \
    >/dev/null 2>"$work/valgrind.log" || true
  sed -n 's/.*Collected : \([0-9]*\).*/\1/p' "$work/valgrind.log"
}

# "seconds KiB exit", the median of three runs by peak memory and by time.
measure() {
  local times=() peaks=() status
  for _ in 1 2 3; do
    read -r t p status < <(/usr/bin/time -f "%e %M %x" "$@" 2>&1 >/dev/null | tail -n 1)
    times+=("$t")
    peaks+=("$p")
  done
  echo "$(printf '%s\n' "${times[@]}" | sort -n | sed -n 2p)" \
       "$(printf '%s\n' "${peaks[@]}" | sort -n | sed -n 2p)" "$status"
}

rows=()
# name | target instructions (M, - none) | target KiB | target seconds | command...
row() {
  local name=$1 ir_target=$2 kib_target=$3 s_target=$4
  shift 4
  local ir t p status
  ir=$(instructions "$@")
  read -r t p status < <(measure "$@")
  rows+=("$name|$ir|$p|$t|$status|$ir_target|$kib_target|$s_target")
}

row "import the chart (--layout unifont)" 300 32768 - \
  "$celkit" import chart.png --layout unifont --first U+0000 -o chart.fnt
gzip -dc /usr/share/unifont/unifont.bmp.gz >chart.bmp
row "import the chart as BMP (celpack's road)" - - - \
  "$celkit" import chart.bmp --layout unifont --first U+0000 -o chart-bmp.fnt
cmp -s chart.fnt chart-bmp.fnt || { echo "the BMP and PNG charts give different fonts" >&2; exit 1; }
row "show the chart of a font (scale 2)" 100 - - "$celkit" show chart.fnt -o shown.png
row "import 17 Mpx of noise (--layout unifont)" - 262144 - \
  "$celkit" import noise.png --layout unifont -o noise.fnt
row "info on 17 Mpx of noise" - 262144 - "$celkit" info noise.png
row "hostile: import 6320^2 1-bit PNG, 4.9 KB" - 262144 1 "$celkit" import black6320.png -o x.fnt
row "hostile: info on it" - 262144 1 "$celkit" info black6320.png
row "hostile: show it named .fnt, 8192 bytes" - 262144 1 "$celkit" show black6320.fnt -o x.png
row "hostile: info on 11 M colours, 93 KB" - 262144 1 "$celkit" info colours11m.png
row "hostile: info on blank 6048 x 6560, 4.9 KB" - 262144 1 "$celkit" info blank6048x6560.png
row "hostile: show --scale 16 --text 237 x 92" - 262144 1 \
  "$celkit" show chart.fnt --scale 16 --text "$text" -o big.png

pillow_import=- pillow_show=-
if [ $pillow = 1 ]; then
  $python "$here/celkit_pictures.py" import chart.png pillow.fnt
  cmp -s pillow.fnt chart.fnt || { echo "Pillow's font differs from celkit's" >&2; exit 1; }
  $python "$here/celkit_pictures.py" show chart.fnt pillow.png
  $python "$here/celkit_pictures.py" same pillow.png shown.png ||
    { echo "Pillow's chart differs from celkit's" >&2; exit 1; }
  pillow_import=$(instructions $python "$here/celkit_pictures.py" import chart.png pillow.fnt)
  pillow_show=$(instructions $python "$here/celkit_pictures.py" show chart.fnt pillow.png)
fi

$python - "$pillow_import" "$pillow_show" "${rows[@]}" <<'PY'
import sys
pillow = {"import the chart (--layout unifont)": sys.argv[1], "show the chart of a font (scale 2)": sys.argv[2]}
print("| run | instructions | peak KiB | wall s | exit | Pillow instructions | Pillow / celkit | targets |")
print("|---|---:|---:|---:|---:|---:|---:|---|")
for line in sys.argv[3:]:
    name, ir, kib, seconds, status, ir_target, kib_target, s_target = line.split("|")
    verdicts = []
    if ir_target != "-":
        verdicts.append(f"<= {ir_target} M instructions: " + ("met" if int(ir) <= int(ir_target) * 10**6 else "MISSED"))
    if kib_target != "-":
        verdicts.append(f"<= {int(kib_target) // 1024} MiB: " + ("met" if int(kib) <= int(kib_target) else "MISSED"))
    if s_target != "-":
        verdicts.append(f"<= {s_target} s: " + ("met" if float(seconds) <= float(s_target) else "MISSED"))
    other = pillow.get(name, "-")
    ratio = f"{int(other) / int(ir):.1f}" if other not in ("-", "") else "-"
    shown = f"{int(other) / 1e6:.0f} M" if ratio != "-" else "-"
    print(f"| {name} | {int(ir) / 1e6:.1f} M | {kib} | {seconds} | {status} | {shown} | {ratio} | {'; '.join(verdicts)} |")
PY
