#!/bin/bash
# completion_test.sh COMPLETION_FILE CELKIT_DIR
# celkit's bash completion against the celkit in CELKIT_DIR: each row is
# the words typed, then the completions wanted, in celkit's own order.
set -u
completion=$1
export PATH=$2:$PATH
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT
mkdir "$work/fonts" && touch "$work/fonts/a.fnt" "$work/fonts/b.psf" "$work/forms.txt" && cd "$work" || exit 1
# shellcheck source=/dev/null
source "$completion" || exit 1

rows=(
  "celkit exp|export"
  "celkit |show sheet export import info watch edit"
  "celkit -|-h --help --version"
  "celkit --version i|import info"
  "celkit export --fo|--format"
  "celkit export --f|--format --first"
  "celkit export -f |fnt psf psf1 psf2 bdf hex pcf fon otb ttf h"
  "celkit export --width |auto 8 16"
  "celkit show --format b|bmp"
  "celkit import --layout |grid unifont"
  "celkit sheet --layout |grid unifont"
  "celkit sheet --c|--cell"
  "celkit export --align |left centre"
  "celkit import --st|--stretch"
  "celkit import --shift |"
  "celkit export --map l|latin1"
  "celkit show --scale |"
  "celkit export --b|--baseline"
  "celkit export --baseline |"
  "celkit sheet -o fonts/|fonts/a.fnt fonts/b.psf"
  "celkit watch -o fonts/|fonts/a.fnt fonts/b.psf"
  "celkit export -d fo|fonts"
  "celkit info fonts/b|fonts/b.psf"
  "celkit show --glyph 65 fonts/a|fonts/a.fnt"
  "celkit show --lab|--labels"
  "celkit show --labels |numbers code-points"
)
passes=0
failures=0
for row in "${rows[@]}"; do
  typed=${row%%|*}
  wanted=${row#*|}
  read -r -a COMP_WORDS <<<"$typed"
  [[ $typed == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _celkit
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd' ')
  want=$(tr ' ' '\n' <<<"$wanted" | sort | paste -sd' ')
  if [ "$got" = "$want" ]; then
    passes=$((passes + 1))
  else
    echo "FAIL '$typed<TAB>': got '$got', wanted '$want'"
    failures=$((failures + 1))
  fi
done
echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
