#!/bin/bash
# Sets up a Debian 12 machine (as root) for every test and runs them all:
# the native build, the native build under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the 32-bit Windows build under Wine (its
# message-box tests on a virtual X display, and its zip); the release build
# with its Debian package (installed, used and removed again); then the
# style check, the fuzz targets for a bounded minute and the end-to-end cases
# under valgrind. Ends with each run's ctest summary and a total line; exits
# non-zero when anything failed.
set -u
cd "$(dirname "$0")/.."

export DEBIAN_FRONTEND=noninteractive
packages=(
  cmake make g++ googletest libpng-dev
  libcli11-dev libstb-dev
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix
  wine wine32:i386 fonts-liberation
  xvfb xauth xdotool
  imagemagick python3-pil fonts-dejavu-core man-db groff-base
  clang libclang-rt-14-dev clang-format clang-tidy valgrind hyperfine
  kbd xfonts-utils libfreetype-dev pkg-config fontconfig pcf2bdf console-setup-linux psf-unifont unifont xfonts-base xfonts-unifont
  strace e2fsprogs dpkg-dev file lintian unzip python3-pefile libz-mingw-w64-dev
  opentype-sanitizer python3-fonttools
  libboost-dev chromium nodejs npm
)
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
apt-get update -q || exit 1
apt-get install -y -q "${packages[@]}" </dev/null || exit 1
# celkit edit's browser test drives the system's Chromium with puppeteer-core
# (no browser of its own is downloaded).
(cd tests/celkit/browser && npm ci --no-audit --no-fund) </dev/null || exit 1

logs=build/test-logs
mkdir -p "$logs"
failed=0
summaries=()

run_preset() {
  local preset=$1
  echo "=== $preset: configure and build"
  if ! cmake --preset "$preset" >"$logs/$preset-configure.log" 2>&1; then
    tail -n 30 "$logs/$preset-configure.log"
    summaries+=("$preset: configure failed")
    failed=1
    return
  fi
  if ! cmake --build --preset "$preset" >"$logs/$preset-build.log" 2>&1; then
    grep -E "error|Error" "$logs/$preset-build.log" | head -n 40
    summaries+=("$preset: build failed")
    failed=1
    return
  fi
  echo "=== $preset: test"
  ctest --preset "$preset" </dev/null 2>&1 | tee "$logs/$preset-ctest.log"
  local status=${PIPESTATUS[0]}
  summaries+=("$preset: $(grep -E 'tests passed, [0-9]+ tests failed' "$logs/$preset-ctest.log" | tail -n 1)")
  [ "$status" -eq 0 ] || failed=1
}

# A harness outside ctest: its verdict joins the summary as one test.
harnesses_passed=0
harnesses_failed=0
run_harness() {
  local name=$1
  shift
  echo "=== $name"
  if "$@" 2>&1 | tee "$logs/$name.log" | tail -n 15; [ "${PIPESTATUS[0]}" -eq 0 ]; then
    summaries+=("$name: passed")
    harnesses_passed=$((harnesses_passed + 1))
  else
    summaries+=("$name: FAILED (see $logs/$name.log)")
    harnesses_failed=$((harnesses_failed + 1))
    failed=1
  fi
}

start=$SECONDS
run_preset native
run_preset sanitize
run_preset win32
run_preset release
# The tree's one style (formatting and the tidy checks) on the native
# preset's compile commands; each fuzz target for a bounded minute, after
# replaying the kept findings; then the end-to-end cases once under
# valgrind memcheck.
run_harness style bash scripts/check_style.sh build/native
run_harness fuzz bash scripts/fuzz.sh 60
run_harness memcheck bash scripts/memcheck.sh

passed_total=0
failed_total=0
for preset in native sanitize win32 release; do
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$logs/$preset-ctest.log" 2>/dev/null | tail -n 1)
  if [ -n "$line" ]; then
    failures=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
    count=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$line")
    passed_total=$((passed_total + count - failures))
    failed_total=$((failed_total + failures))
  fi
done

echo
echo "=== summary ($((SECONDS - start)) s)"
printf '%s\n' "${summaries[@]}"
if [ "$failed" -ne 0 ] && [ "$failed_total" -eq 0 ]; then
  failed_total=1  # a preset that did not build counts as a failure
fi
passed_total=$((passed_total + harnesses_passed))
failed_total=$((failed_total + harnesses_failed))
echo "$passed_total passed, $failed_total failed"
exit "$failed"
