#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running the demo need.
# Run as root or with sudo; does nothing when everything is there already.
#   scripts/install-deps.sh           # build, tests, demo
#   scripts/install-deps.sh --fuzz    # also clang and its runtime for the libFuzzer targets
set -euo pipefail
packages=(cmake ninja-build g++ qt6-base-dev nlohmann-json3-dev libgtest-dev libgmock-dev libbenchmark-dev
          xvfb xauth imagemagick dpkg-dev file desktop-file-utils)
for arg in "$@"; do
  case "$arg" in
    --fuzz) packages+=(clang libclang-rt-dev) ;;
    *) echo "install-deps.sh: unknown option $arg" >&2; exit 2 ;;
  esac
done
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
