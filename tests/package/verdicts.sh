# Sourced by the package tests: check NAME COMMAND... runs one case, keeps
# its output in $logs/NAME.log (default: here) and prints its verdict;
# verdicts ends with the count line and the exit status.
passes=0
failures=0
check() {
  local name=$1
  shift
  if "$@" >"${logs:-.}/$name.log" 2>&1; then
    passes=$((passes + 1)) && echo "ok   $name"
  else
    failures=$((failures + 1)) && echo "FAIL $name:" && sed "s/^/     /" "${logs:-.}/$name.log" | head -n 20
  fi
}
verdicts() {
  echo "$passes passed, $failures failed"
  [ "$failures" -eq 0 ]
}
