#!/usr/bin/env bash
# Builds the Debian package of Tilora from this tree and checks it: a Release build in build/deb
# with Debian's build flags, packed by CPack (cmake/Packaging.cmake) into
# build/deb/tilora_<version>_<architecture>.deb, then lintian on it, the package test (ctest
# label "package") against a private Xvfb, and the package installed as a player installs it
# (tools/check-package.sh, in a fresh Debian 12 root).
#   sudo apt install ./build/deb/tilora_*.deb     installs it
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/test-env.sh
tools/install-deps.sh --package
appstreamcli validate --pedantic --no-net resources/*.metainfo.xml

# The flags Debian builds its own packages with, hardening included.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
# CPack installs without building everything first: the package needs the program and its
# module, the package test one test program, and none of the others.
cmake -S . -B build/deb -DCMAKE_BUILD_TYPE=Release -DTILORA_TESTS=ON -DTILORA_BENCH=OFF \
    -DTILORA_BUILD_TREE_MODULE=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
    -DCMAKE_CXX_FLAGS="$CPPFLAGS $CXXFLAGS" -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" >/dev/null
cmake --build build/deb --target tilora e2e_tst_install -j"$(nproc)"
rm -f build/deb/tilora_*.deb
(cd build/deb && cpack -G DEB)
package=$(ls build/deb/tilora_*.deb)

contents=build/deb/package-contents
rm -rf "$contents"
dpkg-deb -x "$package" "$contents"
desktop-file-validate "$contents/usr/share/applications/tilora.desktop"
# Errors and warnings fail; the pedantic and informational tags kept are in the README.
lintian --fail-on error,warning --display-info --pedantic "$package"

start_test_display
ctest --test-dir build/deb -L package --output-on-failure
# Inside a fresh root already (tools/fresh-root.sh bash tools/make-deb.sh), in that one.
if [[ -n ${TILORA_FRESH_ROOT:-} ]]; then
    bash tools/check-package.sh "$package"
else
    tools/fresh-root.sh --with "$package" bash tools/check-package.sh "$(basename "$package")"
fi
ls "$package"
