#!/usr/bin/env bash
# Checks the client's windows over the accessibility bus, under Xvfb, as a screen reader
# reads them: every window is announced as a window (frame or dialog) named by its caption,
# every control has a name, and the status panels read as their text. CI runs it.
# Needs dbus, at-spi2-core, python3-pyatspi and xdotool (scripts/install-deps.sh --a11y).
#   scripts/a11y-check.sh [BUILD_DIR]       # build/ unless given; tarvolink, tarvo-sim built
# A11Y_WAIT=SECONDS sets the longest wait for each window and control (30 s).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
for program in "$build/src/app/tarvolink" "$build/sim/tarvo-sim"; do
  [ -x "$program" ] || { echo "a11y-check: $program is not built" >&2; exit 1; }
done
for tool in Xvfb xdotool dbus-run-session import; do
  command -v "$tool" > /dev/null || {
    echo "a11y-check: $tool is missing (scripts/install-deps.sh --a11y)" >&2; exit 1; }
done
/usr/bin/python3 -c "import pyatspi" 2> /dev/null || {
  echo "a11y-check: python3-pyatspi is missing (scripts/install-deps.sh --a11y)" >&2; exit 1; }
# A session bus of its own, so that the accessibility bus it starts is this run's alone.
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] || [ -z "${A11Y_CHECK_INNER:-}" ]; then
  exec env A11Y_CHECK_INNER=1 dbus-run-session -- "$0" "$@"
fi

work=$(mktemp -d)
pids=()
finish() {
  local status=$?
  if [ "$status" -ne 0 ]; then
    for log in client sim xvfb; do
      [ -s "$work/$log.log" ] || continue
      echo "--- the last lines of $log.log:" >&2
      tail -n 20 "$work/$log.log" >&2
    done
  fi
  for pid in "${pids[@]}"; do kill "$pid" 2> /dev/null || true; done
  rm -rf "$work"
}
trap finish EXIT

# Xvfb picks a free display number itself and writes it to file descriptor 3 once it
# accepts clients (a number chosen here could be taken by another X server).
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3> "$work/display" > "$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 300); do [ -s "$work/display" ] && break; sleep 0.1; done
display=$(head -n 1 "$work/display")
[ -n "$display" ] || { echo "a11y-check: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$display"

"$build/sim/tarvo-sim" --port 0 > "$work/sim.log" 2>&1 &
pids+=($!)
for _ in $(seq 300); do grep -q "listening on" "$work/sim.log" && break; sleep 0.1; done
port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/sim.log")
[ -n "$port" ] || { echo "a11y-check: tarvo-sim did not start" >&2; exit 1; }

QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$build/src/app/tarvolink" --connect "127.0.0.1:$port" \
  --settings "$work/TarvoIp.txt" > "$work/client.log" 2>&1 &
pids+=($!)
# The check's own waits are bounded; this bounds the whole run should the bus itself hang.
timeout 600 /usr/bin/python3 scripts/a11y-check.py || {
  status=$?
  [ "$status" -eq 124 ] && echo "a11y-check: FAILED: no result within 600 s" >&2
  exit "$status"
}
