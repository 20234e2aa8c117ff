#!/usr/bin/env bash
# Checks the client's windows over the accessibility bus, under Xvfb: every control has a
# name and the status panels read as their text. Needs at-spi2-core, python3-pyatspi,
# xdotool and dbus (not installed by install-deps.sh: this is a developer's check, not CI's).
#   scripts/a11y-check.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] || [ -z "${A11Y_CHECK_INNER:-}" ]; then
  exec env A11Y_CHECK_INNER=1 dbus-run-session -- "$0" "$@"
fi
work=$(mktemp -d)
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
pids=($!)
trap 'kill "${pids[@]}" 2>/dev/null || true; rm -rf "$work"' EXIT
export DISPLAY=$display
"$build/sim/tarvo-sim" --port 0 > "$work/sim.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do grep -q "listening on" "$work/sim.log" && break; sleep 0.1; done
port=$(sed -n 's/.*listening on 127.0.0.1:\([0-9]*\).*/\1/p' "$work/sim.log")
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$build/src/app/tarvolink" --connect "127.0.0.1:$port" \
  --settings "$work/TarvoIp.txt" > "$work/client.log" 2>&1 &
pids+=($!)
/usr/bin/python3 scripts/a11y-check.py
