#!/bin/bash
# zip_test.sh CPACK_CONFIG VERSION SOURCE_DIR WORK_DIR
# The Windows zip as a user meets it: made by cpack, unpacked into an
# empty folder, holding the two programs and their two text files with
# Windows line ends, and nothing else; the programs' PE headers and
# resources (pe_test.py); both programs run from there under Wine on the
# sample sheet and give the native font, and celpack.exe shows its message
# boxes. Run through scripts/with-display.sh.
set -u
config=$1
version=$2
source=$3
work=$4
rm -rf "$work" && mkdir -p "$work/unpacked" || exit 1
zip=$work/celpack-$version-win32.zip
cpack --config "$config" -G ZIP -B "$work" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
cd "$work/unpacked" && unzip -q "$zip" || exit 1

logs=$work
source "$(dirname "$0")/verdicts.sh"

check contents bash -c 'diff <(find . | sort) <(printf "%s\n" . ./LICENSE.txt ./README.txt ./celkit.exe ./celpack.exe)'
crlf() {  # every line ends in CR LF, and the file names the release
  local file
  for file in README.txt LICENSE.txt; do
    [ -s "$file" ] && ! grep -q $'[^\r]$' "$file" && ! grep -qx '' "$file" || { echo "$file: a line without CR"; return 1; }
  done
  grep -q "celpack $version" README.txt && grep -q "MIT License" LICENSE.txt && grep -q "CLI11" LICENSE.txt
}
check text_files crlf
check pe_headers /usr/bin/python3 "$source/tests/package/pe_test.py" "$version" celpack.exe celkit.exe

cp "$source/examples/dejavu-mono.bmp" sheet.bmp
expected=$source/examples/dejavu-mono.expected.fnt
check celpack bash -c 'wine ./celpack.exe sheet.bmp && cmp sheet.bmp.fnt "$1"' celpack "$expected"
check celkit bash -c 'wine ./celkit.exe import sheet.bmp -o imported.fnt && cmp imported.fnt "$1"' celkit "$expected"
check celkit_version bash -c '[ "$(wine ./celkit.exe --version | tr -d "\r")" = "celkit $1" ]' version "$version"
rm -f sheet.bmp sheet.bmp.fnt imported.fnt

# celpack.exe's boxes, from the unpacked copy.
check message_box bash "$source/tests/app/real_message_box.sh" "$work/unpacked/celpack.exe" \
  "$source/examples/dejavu-mono.bmp" "$work/message_box"

verdicts
