#!/usr/bin/env bash
# Builds the programs for the Debian package in build-deb/ (Release, with Debian's hardening
# flags from dpkg-buildflags: fortified functions, stack protector, full RELRO) and the
# package from them: build-pkg/tarvolink_<version>_<arch>.deb, with the manual pages, the
# bash completion, the AppStream metadata, the copyright file and the changelog. Needs
# dpkg-dev, file and scdoc (install-deps.sh); scripts/check-package.sh checks the result.
set -euo pipefail
cd "$(dirname "$0")/.."
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# Debug information would only be stripped again.
export DEB_CXXFLAGS_MAINT_STRIP=-g
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
# TARVO_MAN_PAGES=ON: a package never goes without its manual pages (no scdoc: this stops).
cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARVO_BUILD_TESTS=OFF \
      -DTARVO_BUILD_BENCH=OFF -DTARVO_WERROR=OFF -DTARVO_MAN_PAGES=ON \
      -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags"
cmake --build build-deb -j"$(nproc)"
rm -f build-pkg/tarvolink_*.deb
cpack --config build-deb/CPackConfig.cmake -G DEB -B "$PWD/build-pkg"
ls -l build-pkg/tarvolink_*.deb
