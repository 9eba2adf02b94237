#!/bin/bash
# The tree's one style, checked: every C and C++ file as clang-format
# writes it (.clang-format), and the product code free of what .clang-tidy
# warns about, compiled as the native preset compiles it. Exits non-zero
# on the first kind of difference it finds, naming the files.
set -u
cd "$(dirname "$0")/.."

status=0
mapfile -t sources < <(git ls-files '*.c' '*.cpp' '*.h' | grep -v '^build/')
if ! clang-format --dry-run -Werror "${sources[@]}"; then
  echo "style: formatting differs (clang-format -i FILE... writes it)"
  status=1
fi

database=${1:-build/native}
if [ ! -f "$database/compile_commands.json" ]; then
  echo "style: no $database/compile_commands.json (configure the native preset first)"
  exit 1
fi
# Product code of the native build, celkit's too; the Windows entry and
# the GDI glyph drawing are compiled only there.
mapfile -t product < <(git ls-files 'app/*.cpp' 'runtime/*.cpp' 'file/*.cpp' 'image/*.cpp' \
  'drawing/*.cpp' 'platform/*.cpp' 'celkit/*.cpp' | grep -v -e 'entry_win32' -e '_gdi\.cpp$')
failed=()
for file in "${product[@]}"; do
  if ! clang-tidy -p "$database" --quiet "$file" >/tmp/clang-tidy.$$ 2>&1; then
    cat /tmp/clang-tidy.$$
    failed+=("$file")
  fi
done
rm -f /tmp/clang-tidy.$$
if [ ${#failed[@]} -ne 0 ]; then
  echo "style: clang-tidy warnings in ${#failed[@]} files"
  status=1
fi
[ $status -eq 0 ] && echo "style: ${#sources[@]} files formatted, ${#product[@]} product files clean"
exit $status
