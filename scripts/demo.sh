#!/usr/bin/env bash
# Builds, starts tarvo-sim on 127.0.0.1:1582 with the demo plant, then the client connected
# to it. Closing the client stops the simulator too.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVO_BUILD_TESTS=OFF -DTARVO_BUILD_BENCH=OFF
cmake --build "$build" -j"$(nproc)" --target tarvolink tarvo-sim
"$build/sim/tarvo-sim" --port 1582 &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
sleep 0.5
# The client reads its server from TarvoIp.txt beside it; without one it connects to
# 127.0.0.1:1582 when "New" is chosen. Ask it to connect at start for the demo.
settings="$build/src/TarvoIp.txt"
if [ ! -f "$settings" ]; then
  printf ' 1  0 \r\n"127.0.0.1","1582"\r\n' > "$settings"
  for _ in $(seq 9); do printf '"",""\r\n' >> "$settings"; done
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: running the client under Xvfb (xvfb-run)." >&2
  xvfb-run -a "$build/src/tarvolink"
else
  "$build/src/tarvolink"
fi
