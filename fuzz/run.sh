#!/usr/bin/env bash
# Builds the fuzz targets of the file readers with clang and libFuzzer in
# build/fuzz and runs each for SECONDS (default 60) from the seed corpus.
# Any crash, sanitizer report or hang fails the run; the input that caused
# it is left in build/fuzz as crash-* (or timeout-*, leak-*).
set -euo pipefail
seconds="${1:-60}"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/fuzz"
CXX=clang++ cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2
for reader in dat_reader phc_reader settings_reader ptu_reader legacy_reader spc_reader; do
  corpus="$build/corpus/$reader"
  mkdir -p "$corpus"
  cp -n "$root/fuzz/corpus/$reader/"* "$corpus/" 2>/dev/null || true
  echo "== fuzz_$reader for ${seconds}s"
  "$build/fuzz_$reader" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$build/" -print_final_stats=1 "$corpus" 2>"$build/$reader.log" \
    || { tail -n 60 "$build/$reader.log"; echo "fuzz_$reader failed" >&2; exit 1; }
  grep -E '^stat::number_of_executed_units|^Done' "$build/$reader.log" || true
done
