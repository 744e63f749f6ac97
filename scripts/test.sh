#!/usr/bin/env bash
# Builds and runs every test: Release, then AddressSanitizer + UBSan, then a
# short fuzz run of the file readers. Ends with one line counting all tests.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# A warm compiler cache on this machine shortens rebuilds; paths are taken
# relative to the checkout so another clone shares the same entries.
if command -v ccache >/dev/null 2>&1; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
fi
export QT_QPA_PLATFORM=offscreen
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  XDG_RUNTIME_DIR="$(mktemp -d)"
  chmod 700 "$XDG_RUNTIME_DIR"
  export XDG_RUNTIME_DIR
fi
logs="$(mktemp -d)"
passed=0
run_preset() {
  cmake --preset "$1"
  cmake --build --preset "$1"
  ctest --preset "$1" 2>&1 | tee "$logs/$1.log"
  local total
  total=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$logs/$1.log")
  passed=$((passed + ${total:-0}))
}
run_preset release
run_preset asan
if [ -f fuzz/run.sh ]; then
  bash fuzz/run.sh "${PLASK_FUZZ_SECONDS:-45}"
fi
echo "all suites: ${passed} passed, 0 failed"
