#!/usr/bin/env bash
# The man pages render without a warning, and the one of tallowick-cli names
# every command and every option that the program's own help lists.
# Usage: man_pages_test.sh SOURCE_DIR CLI
set -euo pipefail
source=$1 cli=$2
source "$(dirname "$0")/check.sh"

for page in "$source"/data/man/*.1; do
  check "warnings of $page" "$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)"
done

text=$(MANWIDTH=200 man -l "$source/data/man/tallowick-cli.1" 2>/dev/null | col -b)
# Long options and commands as the help prints them ("  --theme TEXT ...",
# "  report   Generate ...").
options() { "$cli" "$@" --help | grep -oE '^ +(-[a-z], )?--[a-z-]+' | grep -oE -- '--[a-z-]+'; }
commands=$("$cli" --help | sed -n '/^Subcommands:/,$p' | grep -oE '^  [a-z-]+' | tr -d ' ')
missing=""
for name in $(options) $commands; do
  grep -qF -- "$name" <<<"$text" || missing+=" $name"
done
for command in $commands; do
  for name in $(options "$command"); do
    grep -qF -- "$name" <<<"$text" || missing+=" $command $name"
  done
done
check "not in the man page of tallowick-cli" "${missing# }"
grep -q '^EXIT STATUS' <<<"$text" && check "exit status section" "" ||
  check "exit status section" "missing"

summary "man pages"
