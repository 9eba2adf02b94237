#!/usr/bin/env bash
# Runs the native celpack end to end under valgrind memcheck, once per
# case: good sheets and pictures of every encoding, icons, a missing file,
# no argument, every malformed fixture. A case passes when valgrind finds
# no error (leaks of definite or indirect kind included), the tool exits 0,
# and the outcome is either a font of exactly 8192 bytes or an "Error" box
# line with no font left behind.
#
# valgrind cannot follow the heap of a statically linked program, and the
# native celpack is linked whole when the libpng and zlib archives are
# there, so by default this script builds a dynamically linked celpack of
# its own in build/memcheck (CELPACK_STATIC=OFF).
#
# usage: scripts/memcheck.sh [CELPACK]   (a dynamically linked celpack)
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -ge 1 ]; then
  tool=$(realpath "$1")
else
  build=$root/build/memcheck
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
    -DCELPACK_STATIC=OFF >"$build.configure.log" 2>&1 &&
    cmake --build "$build" --target celpack -j2 >"$build.build.log" 2>&1 ||
    { tail -n 30 "$build.configure.log" "$build.build.log"; exit 1; }
  tool=$build/celpack
fi
[ -x "$tool" ] || { echo "no tool at $tool" >&2; exit 2; }
if ! ldd "$tool" >/dev/null 2>&1; then
  echo "$tool is linked statically; valgrind cannot check its heap" >&2
  exit 2
fi
work=$(mktemp -d /tmp/celpack-memcheck.XXXXXX)
trap 'rm -rf "$work"' EXIT

cases=0
failures=0

# check NAME EXPECT PICTURE [ARGUMENT]: EXPECT is font, box or either; a
# font is compared with PICTURE's .expected.fnt when there is one.
check() {
  local name=$1 expect=$2 picture=$3 argument=${4-pic.bmp}
  local dir=$work/case$cases
  mkdir "$dir"
  [ -n "$picture" ] && cp "$picture" "$dir/$argument"
  cases=$((cases + 1))
  local args=()
  [ "$argument" != "-" ] && args=("$argument")
  (cd "$dir" && valgrind -q --error-exitcode=99 --leak-check=full \
      --errors-for-leak-kinds=definite,indirect --show-leak-kinds=definite,indirect \
      --log-file=valgrind.log "$tool" "${args[@]}" 2>errors.txt)
  local status=$? problem=
  if [ $status -ne 0 ]; then
    problem="exit status $status"
  elif [ -s "$dir/valgrind.log" ]; then
    problem="valgrind reported"
  elif [ -e "$dir/$argument.fnt" ]; then
    if [ "$(stat -c %s "$dir/$argument.fnt")" -ne 8192 ]; then
      problem="a font of $(stat -c %s "$dir/$argument.fnt") bytes"
    elif [ -s "$dir/errors.txt" ]; then
      problem="a font and a reported failure"
    elif [ "$expect" = box ]; then
      problem="a font where a failure belongs"
    elif [ -f "${picture%.bmp}.expected.fnt" ] && ! cmp -s "$dir/$argument.fnt" "${picture%.bmp}.expected.fnt"; then
      problem="a font that differs from ${picture%.bmp}.expected.fnt"
    fi
  elif ! grep -q '^Error: ' "$dir/errors.txt"; then
    problem="neither a font nor an Error box"
  elif [ "$expect" = font ]; then
    problem="a failure where a font belongs: $(head -c 200 "$dir/errors.txt")"
  fi
  if [ -n "$problem" ]; then
    failures=$((failures + 1))
    echo "FAIL $name: $problem"
    cat "$dir/valgrind.log" "$dir/errors.txt" 2>/dev/null | head -n 40
  fi
}

check "example sheet" font "$root/examples/dejavu-mono.bmp"
/usr/bin/python3 "$root/bench/make_pictures.py" "$work"
for bits in 1 8 24 32; do
  cp "$work/sheet$bits.bmp.expected" "$work/sheet$bits.expected.fnt"
  check "generated $bits-bit sheet" font "$work/sheet$bits.bmp"
done
for picture in "$root"/tests/data/bmp/*.bmp; do
  check "${picture#$root/}" font "$picture"
done
for picture in "$root"/tests/data/ico/*; do
  case $picture in *.rgb) continue ;; esac
  check "${picture#$root/}" either "$picture"
done
for picture in "$root"/tests/data/malformed/* "$root"/tests/data/other/*; do
  check "${picture#$root/}" either "$picture"
done
check "missing file" box "" absent.bmp
check "no argument" box "" -
check "a name with blanks" font "$root/examples/dejavu-mono.bmp" "my sheet.bmp"

echo "memcheck: $cases cases, $failures failed"
[ $failures -eq 0 ]
