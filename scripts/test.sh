#!/usr/bin/env bash
# Builds and runs every test: Release, then AddressSanitizer + UBSan, then a
# short fuzz run of the file readers.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
cmake --preset release
cmake --build --preset release
ctest --preset release
cmake --preset asan
cmake --build --preset asan
ctest --preset asan
if [ -f fuzz/run.sh ]; then
  bash fuzz/run.sh "${PLASK_FUZZ_SECONDS:-45}"
fi
