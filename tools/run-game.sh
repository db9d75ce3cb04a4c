#!/usr/bin/env bash
# Installs what is missing, builds Tilora in Release and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DTILORA_TESTS=OFF -DTILORA_BENCH=OFF \
    >/dev/null
cmake --build build/release --target tilora -j"$(nproc)"
exec build/release/src/tilora
