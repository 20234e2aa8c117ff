#!/usr/bin/env bash
# Builds the Release programs (build-rel/, the `release` preset) and the Debian package from
# them: build-pkg/tarvolink_<version>_<arch>.deb. Needs dpkg-dev and file (install-deps.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release
cmake --build --preset release
rm -f build-pkg/tarvolink_*.deb
cpack --config build-rel/CPackConfig.cmake -G DEB -B "$PWD/build-pkg"
ls -l build-pkg/tarvolink_*.deb
