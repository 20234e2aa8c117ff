#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running the demo need.
# Run as root or with sudo; does nothing when everything is there already.
#   scripts/install-deps.sh           # build, tests, demo, the package (scripts/package.sh)
#   scripts/install-deps.sh --lint    # also lintian and appstream, which check the package
#   scripts/install-deps.sh --a11y    # also the accessibility bus and xdotool (a11y-check.sh)
#   scripts/install-deps.sh --fuzz    # also clang and its runtime for the libFuzzer targets
# Options combine; CI gives all three.
set -euo pipefail
# scdoc turns the manual pages' sources into roff; bash-completion loads the completion
# scripts in their test.
packages=(cmake ninja-build g++ qt6-base-dev nlohmann-json3-dev libgtest-dev libgmock-dev libbenchmark-dev
          xvfb xauth imagemagick dpkg-dev file desktop-file-utils scdoc bash-completion)
for arg in "$@"; do
  case "$arg" in
    --lint) packages+=(lintian appstream) ;;
    --a11y) packages+=(dbus at-spi2-core python3-pyatspi xdotool) ;;
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
