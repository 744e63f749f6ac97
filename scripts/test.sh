#!/usr/bin/env bash
# Builds and runs every test: Release, then AddressSanitizer + UBSan, then the
# threaded code (batch worker, background jobs) under ThreadSanitizer, then a
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
# ThreadSanitizer: only the suites of threaded code (batch worker, background
# jobs, plask-cli over several inputs with --jobs) are built; the tests of the
# executables not built are left out.
run_tsan() {
  cmake --preset tsan
  cmake --build --preset tsan --target batch_tests core_tests cli_tests
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    ctest --preset tsan -E '_NOT_BUILT' 2>&1 | tee "$logs/tsan.log"
  local total
  total=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$logs/tsan.log")
  passed=$((passed + ${total:-0}))
}
run_preset release
run_preset asan
run_tsan
if [ -f fuzz/run.sh ]; then
  # A fixed budget shared by however many targets there are (PLASK_FUZZ_SECONDS: per target).
  if [ -n "${PLASK_FUZZ_SECONDS:-}" ]; then bash fuzz/run.sh "$PLASK_FUZZ_SECONDS"; else PLASK_FUZZ_TOTAL="${PLASK_FUZZ_TOTAL:-240}" bash fuzz/run.sh; fi
fi
echo "all suites: ${passed} passed, 0 failed"
