#!/bin/bash
# deb_test.sh PACKAGE_DIR VERSION SOURCE_DIR WORK_DIR
# The Debian package as a user meets it: installed with dpkg -i, both
# programs run from /usr/bin on the sample sheet, both manual pages open
# without a warning, celkit's completion works, lintian finds no error, and
# dpkg -r leaves none of the package's files or folders behind. It changes
# the real system, so it runs only as root and only where no celpack is
# installed; otherwise it is skipped (exit 77).
set -u
packages=$1
version=$2
source=$3
work=$4
deb=$(ls "$packages"/celpack_"$version"_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || { echo "no celpack_${version}_*.deb in $packages"; exit 1; }
if [ "$(id -u)" -ne 0 ]; then
  echo "skipped: installing a package needs root"
  exit 77
fi
if dpkg-query -W -f '${Status}' celpack 2>/dev/null | grep -q ' installed$' ||
  [ -e /usr/bin/celpack ] || [ -e /usr/bin/celkit ]; then
  echo "skipped: a celpack is installed on this system already; not touching it"
  exit 77
fi
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1

failures=0
passes=0
check() {  # check NAME COMMAND...: one verdict
  local name=$1
  shift
  if "$@" >"$name.log" 2>&1; then
    passes=$((passes + 1))
    echo "ok   $name"
  else
    failures=$((failures + 1))
    echo "FAIL $name:"
    sed 's/^/     /' "$name.log" | head -n 20
  fi
}

# Every path the package holds, and which of them the system had before:
# folders it shares with others (/usr/bin) must stay, its own must go.
dpkg-deb -c "$deb" | awk '{ sub(/^\./, "", $6); print $6 }' | sed 's:/$::' | grep . >paths
while read -r path; do [ -e "$path" ] && echo "$path"; done <paths >before

removed=0
remove() {
  [ "$removed" -eq 0 ] || return 0
  removed=1
  dpkg -r celpack
}
trap remove EXIT

check install dpkg -i "$deb"

same_font() {  # same_font PROGRAM ARGS...: the font made equals the expected one
  rm -f sheet.bmp.fnt imported.fnt && "$@" && cmp sheet.bmp.fnt "$source/examples/dejavu-mono.expected.fnt"
}
cp "$source/examples/dejavu-mono.bmp" sheet.bmp
check celpack same_font /usr/bin/celpack sheet.bmp
check celkit_import bash -c '/usr/bin/celkit import sheet.bmp -o imported.fnt &&
  cmp imported.fnt "$1/examples/dejavu-mono.expected.fnt"' celkit "$source"
check celkit_version bash -c '[ "$(/usr/bin/celkit --version)" = "celkit $1" ]' version "$version"

# man --warnings prints groff's complaints on standard error; the page's
# header or footer names the release.
man_page() {
  local page=$1 warnings
  warnings=$(MANWIDTH=80 man --warnings "$page" 2>&1 >"$page.txt") || return 1
  [ -z "$warnings" ] || { echo "$warnings"; return 1; }
  grep -q "$version" "$page.txt" || { echo "the page does not name $version"; return 1; }
}
check man_celpack man_page celpack
check man_celkit man_page celkit

check completion bash "$source/tests/package/completion_test.sh" \
  /usr/share/bash-completion/completions/celkit /usr/bin

check copyright grep -q "MIT License" /usr/share/doc/celpack/copyright
check changelog bash -c 'zcat /usr/share/doc/celpack/changelog.gz >changelog &&
  [ "$(dpkg-parsechangelog -l changelog -S Version)" = "$1" ]' changelog "$version"
check depends bash -c 'dpkg-query -W -f "\${Depends}" celpack | grep -q "libc6"'

# lintian: no error; the warnings it gives are printed for the record.
lint() {
  lintian --tag-display-limit 0 "$deb" >lintian.txt 2>&1
  cat lintian.txt
  ! grep -q '^E:' lintian.txt
}
check lintian lint

echo "installed sizes (bytes): celpack $(stat -c %s /usr/bin/celpack), celkit $(stat -c %s /usr/bin/celkit)"

remove >remove.log 2>&1
check removed bash -c '! dpkg-query -W -f "\${Status}" celpack 2>/dev/null | grep -q installed'
while read -r path; do [ -e "$path" ] && echo "$path"; done <paths >after
check nothing_left diff before after

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
