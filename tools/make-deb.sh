#!/usr/bin/env bash
# Builds the Debian package of Tilora from this tree: a Release build in build/deb, packed
# by CPack (cmake/Packaging.cmake) into build/deb/tilora_<version>_<architecture>.deb.
#   sudo apt install ./build/deb/tilora_*.deb     installs it
set -euo pipefail
cd "$(dirname "$0")/.."
# dpkg-dev finds the package's dependencies, appstream checks its software centre entry.
tools/install-deps.sh --test
appstreamcli validate --no-net resources/*.metainfo.xml
cmake -S . -B build/deb -DCMAKE_BUILD_TYPE=Release -DTILORA_TESTS=OFF -DTILORA_BENCH=OFF \
    >/dev/null
cmake --build build/deb --target tilora -j"$(nproc)"
rm -f build/deb/tilora_*.deb
(cd build/deb && cpack -G DEB)
ls build/deb/tilora_*.deb
