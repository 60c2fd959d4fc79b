# Sourced by the packaging tests: `check NAME PROBLEM` counts a case as
# passed when PROBLEM is empty and prints it otherwise; `summary WHAT` prints
# the closing count and fails when a case did.
passed=0 failed=0
check() {
  if [[ -z $2 ]]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    printf '%s:\n%s\n' "$1" "$2"
  fi
}
summary() {
  echo "$1: $passed passed, $failed failed"
  ((failed == 0))
}
