#!/bin/bash
# real_message_box.sh CELPACK_EXE SAMPLE_SHEET WORK_DIR
# The message box of celpack.exe as a user meets it, on a display under
# Wine: a window named "Error" whose text Wine's message-box trace shows,
# closed by pressing Return on it, after which the program ends with exit
# code 0. Run through scripts/with-display.sh.
set -u
exe=$1
sheet=$2
work=$3
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
cp "$sheet" pic.bmp
mkdir -p blocked.bmp.fnt && cp "$sheet" blocked.bmp  # the font's name is taken by a directory

failures=0
passes=0

# expect NAME TEXT ARGUMENTS...
expect() {
  local name=$1 text=$2
  shift 2
  WINEDEBUG=+msgbox wine "$exe" "$@" >"$name.out" 2>"$name.trace" &
  local pid=$!
  local box
  box=$(timeout 30 xdotool search --sync --onlyvisible --name '^Error$' 2>/dev/null | head -n 1)
  if [ -z "$box" ]; then
    echo "FAIL $name: no window named Error appeared"
    kill "$pid" 2>/dev/null
    failures=$((failures + 1))
    return
  fi
  xdotool key --window "$box" Return 2>/dev/null
  local waited=0
  while kill -0 "$pid" 2>/dev/null && [ $waited -lt 300 ]; do
    sleep 0.1
    waited=$((waited + 1))
  done
  if kill -0 "$pid" 2>/dev/null; then
    echo "FAIL $name: the program did not end once its box was closed"
    kill "$pid" 2>/dev/null
    failures=$((failures + 1))
    return
  fi
  wait "$pid"
  local status=$?
  local shown count
  count=$(grep -c 'trace:msgbox:MSGBOX_OnInit' "$name.trace")
  shown=$(sed -n 's/.*trace:msgbox:MSGBOX_OnInit L"\(.*\)"\r\{0,1\}$/\1/p' "$name.trace")
  if [ "$status" -ne 0 ] || [ "$count" -ne 1 ] || [ "$shown" != "$text" ]; then
    echo "FAIL $name: exit code $status, $count boxes, text '$shown', wanted '$text'"
    failures=$((failures + 1))
  else
    echo "ok   $name: '$shown', exit code 0"
    passes=$((passes + 1))
  fi
}

expect usage "use celpack.exe pic.bmp"
expect missing "Error loading Imagex.bmp" x.bmp
expect blanks "Error loading Imagemissing sheet.bmp" "missing sheet.bmp"
expect unwritable "Error writing file!" blocked.bmp

if [ -e x.bmp.fnt ] || [ -e "missing sheet.bmp.fnt" ] || [ ! -d blocked.bmp.fnt ]; then
  echo "FAIL files: a font was written where none may be"
  failures=$((failures + 1))
fi
echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
