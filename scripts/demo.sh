#!/usr/bin/env bash
# Builds, starts tarvo-sim on 127.0.0.1:1582 with the demo plant, then the client connected
# to it. Closing the client stops the simulator too.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)" --target tarvolink tarvo-sim
log="$build/tarvo-sim.log"
"$build/sim/tarvo-sim" --port 1582 > "$log" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
# Wait until it listens (or has failed, e.g. because port 1582 is taken).
for _ in $(seq 50); do
  grep -q "listening on" "$log" 2>/dev/null && break
  kill -0 $sim 2>/dev/null || { cat "$log" >&2; exit 1; }
  sleep 0.1
done
# --connect points the client at the demo for this run; its settings file is left alone.
client=("$build/src/app/tarvolink" --connect 127.0.0.1:1582)
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: running the client under Xvfb (xvfb-run)." >&2
  xvfb-run -a "${client[@]}"
else
  "${client[@]}"
fi
