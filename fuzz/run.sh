#!/usr/bin/env bash
# Builds the fuzz targets of the file readers with clang and libFuzzer in
# build/fuzz and runs every target there (fuzz_*, one per fuzz_*.cpp listed in
# fuzz/CMakeLists.txt) for SECONDS each (default 60), from the committed
# corpus in fuzz/corpus/<target> plus what earlier runs found.
# PLASK_FUZZ_TOTAL=S instead splits S seconds evenly over the targets, so the
# time stays the same as targets are added (at least 10 s each).
# PLASK_FUZZ_HDF5=1 adds the Photon-HDF5 target (see below).
# PLASK_FUZZ_ONLY=<target> (e.g. dat_reader) runs that target alone.
# PLASK_FUZZ_MERGE=1 merges the inputs that found new coverage back into
# fuzz/corpus/<target> (fuzz/soak.sh does this), to commit them.
# Any crash, sanitizer report or hang fails the run; the input that caused
# it is left in build/fuzz as crash-* (or timeout-*, leak-*).
set -euo pipefail
seconds="${1:-60}"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/fuzz"
CXX=clang++ cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2

targets=()
for source in "$root"/fuzz/fuzz_*.cpp; do
  name="$(basename "$source" .cpp)"
  # The Photon-HDF5 target drives the system's libhdf5, which itself crashes
  # on some damaged files (the program reads them in a child process, so they
  # are a message there). It runs only when asked: PLASK_FUZZ_HDF5=1.
  [ "$name" = fuzz_hdf5_reader ] && [ "${PLASK_FUZZ_HDF5:-0}" != 1 ] && continue
  [ -n "${PLASK_FUZZ_ONLY:-}" ] && [ "${name#fuzz_}" != "$PLASK_FUZZ_ONLY" ] && continue
  [ -x "$build/$name" ] && targets+=("${name#fuzz_}")
done
if [ -n "${PLASK_FUZZ_TOTAL:-}" ]; then
  seconds=$(( PLASK_FUZZ_TOTAL / ${#targets[@]} ))
  [ "$seconds" -ge 10 ] || seconds=10
fi

# A correlator stream of N bytes spans up to 64 N bins; past a few hundred
# bytes every run goes into zeroing and scanning bins, and nothing new is
# reached that a shorter input does not reach as well.
max_len_of() {
  case "$1" in
    dat_reader) echo 256 ;;
    # A photon count file's header is 1032 bytes; past 256 bytes of packed
    # counts (up to 4096 bins) the loops only run longer.
    phc_reader) echo 1288 ;;
    *) echo 0 ;;
  esac
}

# A small quarantine keeps the allocator's memory warm from one input to the
# next (a fresh page per input costs more than most readers spend on it); a
# use after free is still caught for the next 16 MB of frees.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=16}"

# The flags of a target beyond the common ones. libhdf5 leaks and does not
# check its allocations on damaged files, and crashes inside it are expected:
# the fuzzer carries on past them (-fork) and they are checked afterwards.
# So are its hangs and its runs out of memory: the fork mode ends with their
# exit code when a job met one, which is not a failure by itself.
extra_of() {
  case "$1" in
    hdf5_reader) echo "-fork=1 -ignore_crashes=1 -malloc_limit_mb=1000000" ;;
  esac
}

# The allocator options of the HDF5 target. A damaged size can make libhdf5
# ask for gigabytes at once: such a request fails at once (the library then
# refuses the file or crashes inside itself) instead of faulting in memory
# for seconds until the RSS limit ends the run.
hdf5_asan_options="$ASAN_OPTIONS:allocator_may_return_null=1:detect_leaks=0:max_allocation_size_mb=256"

# Every crash of the HDF5 target must have happened inside libhdf5 (the top
# frames of its report), never in Plask's code around it.
check_hdf5_crashes() {
  local bad=0
  for crash in "$build"/hdf5_reader-crash-*; do
    [ -e "$crash" ] || continue
    if ! ASAN_OPTIONS="$hdf5_asan_options" \
        "$build/fuzz_hdf5_reader" "$crash" 2>&1 | grep -E '^ +#[0-3] ' | grep -q libhdf5; then
      echo "fuzz_hdf5_reader: $crash crashed outside libhdf5" >&2
      bad=1
    fi
  done
  # A hang must be inside libhdf5 too: one of the first frames below the
  # fuzzer's alarm handler (#0 to #3; memcpy may come first) is the library's.
  for hang in "$build"/hdf5_reader-timeout-*; do
    [ -e "$hang" ] || continue
    if ! ASAN_OPTIONS="$hdf5_asan_options" "$build/fuzz_hdf5_reader" -timeout=3 "$hang" 2>&1 \
        | grep -E '^ +#[4-6] ' | grep -q libhdf5; then
      echo "fuzz_hdf5_reader: $hang hung outside libhdf5" >&2
      bad=1
    fi
  done
  return $bad
}

for reader in "${targets[@]}"; do
  corpus="$build/corpus/$reader"
  seeds="$root/fuzz/corpus/$reader"
  mkdir -p "$corpus" "$seeds"
  prefix="$build/"
  options="$ASAN_OPTIONS"
  if [ "$reader" = hdf5_reader ]; then
    prefix="$build/hdf5_reader-"
    options="$hdf5_asan_options"
  fi
  echo "== fuzz_$reader for ${seconds}s"
  # shellcheck disable=SC2046 # extra_of gives separate flags
  ASAN_OPTIONS="$options" "$build/fuzz_$reader" -max_total_time="$seconds" -max_len="$(max_len_of "$reader")" \
    -timeout=10 -rss_limit_mb=2048 $(extra_of "$reader") -artifact_prefix="$prefix" -print_final_stats=1 \
    "$corpus" "$seeds" 2>"$build/$reader.log" \
    || { [ "$reader" = hdf5_reader ] && grep -q '^INFO: exiting:' "$build/$reader.log"; } \
    || { tail -n 60 "$build/$reader.log"; echo "fuzz_$reader failed" >&2; exit 1; }
  if [ "$reader" = hdf5_reader ]; then
    check_hdf5_crashes || exit 1
    runs=$(grep -o '^#[0-9]*' "$build/$reader.log" | tail -n 1 | tr -d '#')
  else
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/$reader.log")
  fi
  echo "fuzz_$reader: ${runs:-0} executions, $(( ${runs:-0} / seconds )) per second"
  if [ "${PLASK_FUZZ_MERGE:-0}" = 1 ]; then
    ASAN_OPTIONS="$options" "$build/fuzz_$reader" -merge=1 -timeout=10 -rss_limit_mb=2048 "$seeds" "$corpus" \
      2>>"$build/$reader.log" >/dev/null
    echo "fuzz/corpus/$reader: $(ls "$seeds" | wc -l) inputs"
  fi
done
