#!/usr/bin/env bash
# Loads the bash completion of tarvoctl and tarvo-sim after bash-completion, as an
# interactive shell does, and completes command lines: commands, options, option values
# (files, folders), and the CP and compound names a tarvo-sim started here lists.
#   completion_test.sh COMPLETION_DIR TARVOCTL TARVO_SIM
set -uo pipefail
completions=$(realpath "$1") ctl=$(realpath "$2") sim=$(realpath "$3")

# shellcheck source=/dev/null
. /usr/share/bash-completion/bash_completion
. "$completions/tarvoctl" || { echo "FAIL: $completions/tarvoctl does not load"; exit 1; }
. "$completions/tarvo-sim" || { echo "FAIL: $completions/tarvo-sim does not load"; exit 1; }

work=$(mktemp -d)
sim_pid=""
trap '[ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null; rm -rf "$work"' EXIT
failures=0

# Completes LINE (the cursor at its end) with FUNCTION; the candidates, sorted, on one
# line with '|' between them.
# The line is split into words as readline does: at blanks, and '=' and ':' are words
# of their own.
candidates() {
  local function=$1 line=$2
  COMP_LINE=$line
  COMP_POINT=${#line}
  COMP_WORDS=()
  local rest=$line word
  while [[ -n $rest ]]; do
    rest=${rest#"${rest%%[! ]*}"}
    [[ -z $rest ]] && break
    if [[ $rest == [=:]* ]]; then
      word=${rest:0:1}
    else
      word=${rest%%[ =:]*}
    fi
    COMP_WORDS+=("$word")
    rest=${rest:${#word}}
  done
  [[ $line == *" " || ${#COMP_WORDS[@]} -eq 0 ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  "$function" "${COMP_WORDS[0]}" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]:-}"
  printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | sort | tr '\n' '|' | sed 's/|$//'
}

expect() {
  local function=$1 line=$2 want=$3 got
  got=$(candidates "$function" "$line")
  if [[ $got == "$want" ]]; then
    echo "ok    '$line' -> $got"
  else
    echo "FAIL  '$line'"
    echo "      want: $want"
    echo "      got:  $got"
    failures=$((failures + 1))
  fi
}

# Commands and options, also after the command and after an option's value.
expect _tarvoctl "tarvoctl " "apply|blocks|compounds|cps|diff|dump|params|revert|set"
expect _tarvoctl "tarvoctl ap" "apply"
expect _tarvoctl "tarvoctl --dr" "--dry-run"
expect _tarvoctl "tarvoctl --timeout 5 --wi" "--window"
expect _tarvoctl "tarvoctl --j" "--journal-dir|--json"
expect _tarvoctl "tarvoctl --json d" "diff|dump"
expect _tarvoctl "tarvoctl set CP6001 BOILER:LC101 --o" "--override-lock"
# A value that is typed gets no candidates; after "--" nothing is an option.
expect _tarvoctl "tarvoctl --timeout " ""
expect _tarvoctl "tarvoctl --port 1 -- --h" ""
expect _tarvoctl "tarvoctl cps " ""

# Files and folders where they are expected; an option's value is no argument.
mkdir -p "$work/files/sub dir" "$work/files/journal"
touch "$work/files/changes.csv" "$work/files/notes.txt" "$work/files/TarvoIp.txt"
cd "$work/files" || exit 1
expect _tarvoctl "tarvoctl --journal-dir " "journal|sub dir"
expect _tarvoctl "tarvoctl revert --journal-dir j" "journal"
expect _tarvoctl "tarvoctl --settings T" "TarvoIp.txt"
expect _tarvoctl "tarvoctl --settings TarvoIp.txt apply CP6001 " "changes.csv|journal|sub dir"
expect _tarvoctl "tarvoctl diff CP6001 c" "changes.csv"
expect _tarvo_sim "tarvo-sim --data n" "notes.txt"

expect _tarvo_sim "tarvo-sim --p" "--port"
expect _tarvo_sim "tarvo-sim --port 0 --x" "--xref-ms-per-block"
expect _tarvo_sim "tarvo-sim --work-ms " ""
expect _tarvo_sim "tarvo-sim --listen 127" "127.0.0.1"

# CP and compound names from the server given on the line, as "--port N" or "--port=N".
"$sim" --port 0 > "$work/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do grep -q "listening on" "$work/sim.log" && break; sleep 0.1; done
port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/sim.log")
if [[ -z $port ]]; then
  echo "FAIL: tarvo-sim did not start:"; cat "$work/sim.log"; exit 1
fi
expect _tarvoctl "$ctl --port $port blocks " "AW5101|CP6001|CP6002|CP6003|CP6004"
expect _tarvoctl "$ctl --host 127.0.0.1 --port=$port params CP6" "CP6001|CP6002|CP6003|CP6004"
expect _tarvoctl "$ctl --port $port dump CP6001 " "BOILER|CP6001_ECB|CP6001_STA|FEEDWT"
expect _tarvoctl "$ctl --port $port dump CP6002 TURBIN P" "PLANT"
# No server there: no candidates, and no error on the terminal.
kill "$sim_pid"; wait "$sim_pid" 2>/dev/null; sim_pid=""
expect _tarvoctl "$ctl --port $port blocks " ""

if ((failures > 0)); then
  echo "completion_test: $failures failed"
  exit 1
fi
echo "completion_test: all passed"
