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
deb=$(ls "$packages"/celpack_"$version"_*.deb) || exit 1
[ "$(id -u)" -eq 0 ] || { echo "skipped: installing a package needs root"; exit 77; }
if dpkg-query -W -f '${db:Status-Status}' celpack 2>/dev/null | grep -qvx not-installed ||
  [ -e /usr/bin/celpack ] || [ -e /usr/bin/celkit ]; then
  echo "skipped: a celpack is installed on this system already; not touching it"
  exit 77
fi
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1

source "$(dirname "$0")/verdicts.sh"

# Every path the package holds, and which of them the system had before:
# folders it shares with others (/usr/bin) must stay, its own must go.
dpkg-deb -c "$deb" | awk '{ sub(/^\./, "", $6); print $6 }' | sed 's:/$::' | grep . >paths
while read -r path; do [ -e "$path" ] && echo "$path"; done <paths >before

trap 'dpkg -r celpack >/dev/null 2>&1' EXIT  # also when a step above fails
check install dpkg -i "$deb"

cp "$source/examples/dejavu-mono.bmp" sheet.bmp
expected=$source/examples/dejavu-mono.expected.fnt
check celpack bash -c '/usr/bin/celpack sheet.bmp && cmp sheet.bmp.fnt "$1"' celpack "$expected"
check celkit bash -c '/usr/bin/celkit import sheet.bmp -o imported.fnt && cmp imported.fnt "$1"' celkit "$expected"
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
check depends bash -c 'dpkg-query -W -f "\${Depends}" celpack | grep -q "libpng16-16"'

# lintian: no error; what it says is printed for the record.
check lintian bash -c 'lintian --tag-display-limit 0 "$1" >lintian.txt && ! grep -q "^E:" lintian.txt' lintian "$deb"
cat lintian.txt

echo "installed sizes (bytes): celpack $(stat -c %s /usr/bin/celpack), celkit $(stat -c %s /usr/bin/celkit)"

dpkg -r celpack >remove.log 2>&1
check removed bash -c '[ -z "$(dpkg-query -W -f "\${Status}" celpack 2>/dev/null)" ]'
while read -r path; do [ -e "$path" ] && echo "$path"; done <paths >after
check nothing_left diff before after

verdicts
