#!/usr/bin/env bash
# Every option a program's --help lists has an entry in its manual page, and in its bash
# completion where it has one; every command tarvoctl's --help lists, too. A program that
# gains an option fails here until both say it.
#   docs_cover_help.sh SOURCE_DIR TARVOLINK TARVOCTL TARVO_SIM
set -uo pipefail
src=$1 tarvolink=$2 tarvoctl=$3 sim=$4
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# The long options at the start of --help's lines ("  -h, --help", "  --port <N>").
help_options() {
  "$1" --help | grep -oE '^ +(-[A-Za-z], )?--[a-z0-9-]+(, --[a-z0-9-]+)?' |
    grep -oE -- '--[a-z0-9-]+' | sort -u
}

check() {
  local name=$1 program=$2 page=$3 completion=$4 options option
  options=$(help_options "$program")
  [[ -n $options ]] || fail "$name --help lists no options"
  for option in $options; do
    # scdoc writes an option in bold: *--port* at the start of its entry.
    grep -qE -- "^\*$option\*|, \*$option\*" "$page" || fail "$page has no entry for $option"
    if [[ -n $completion ]] && ! grep -qE -- "\"$option( [a-z=.]+)?\"" "$completion"; then
      fail "$completion does not offer $option"
    fi
  done
  echo "$name: $(echo $options | wc -w) options checked"
}

check tarvolink "$tarvolink" "$src/data/man/tarvolink.1.scd" ""
check tarvoctl "$tarvoctl" "$src/data/man/tarvoctl.1.scd" "$src/data/completion/tarvoctl"
check tarvo-sim "$sim" "$src/data/man/tarvo-sim.1.scd" "$src/data/completion/tarvo-sim"

# tarvoctl's commands: the lines of the "Commands:" part of --help before the first blank.
commands=$("$tarvoctl" --help | sed -n '/^Commands:/,/^$/p' | sed '1d;/^$/d' | awk '{ print $1 }')
[[ -n $commands ]] || fail "tarvoctl --help lists no commands"
for command in $commands; do
  grep -qE "^\*$command\*" "$src/data/man/tarvoctl.1.scd" ||
    fail "tarvoctl.1.scd has no entry for the command $command"
  grep -qE "^ +\"$command( [a-z=.-]+)*\"" "$src/data/completion/tarvoctl" ||
    fail "the completion of tarvoctl does not offer the command $command"
done
echo "tarvoctl: $(echo $commands | wc -w) commands checked"

if ((failures > 0)); then
  echo "docs_cover_help: $failures missing"
  exit 1
fi
