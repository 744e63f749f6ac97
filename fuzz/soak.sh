#!/usr/bin/env bash
# A long fuzz run: HOURS (default 8) shared evenly by the targets, niced, in
# rounds of at most one hour per target so every target gets time early. The
# inputs that found new coverage are merged into fuzz/corpus/<target> after
# each round: commit them. Stops at the first crash (see build/fuzz/crash-*).
#   nohup bash fuzz/soak.sh 12 > soak.log 2>&1 &
set -euo pipefail
hours="${1:-8}"
root="$(cd "$(dirname "$0")/.." && pwd)"
targets=$(ls "$root"/fuzz/fuzz_*.cpp | wc -l)
total=$(awk -v h="$hours" 'BEGIN { printf "%d", h * 3600 }')
round=$(( 3600 * targets ))
while [ "$total" -gt 0 ]; do
  slice=$(( total < round ? total : round ))
  echo "== $(date -u +%FT%TZ): ${slice}s over $targets targets"
  PLASK_FUZZ_TOTAL="$slice" PLASK_FUZZ_MERGE=1 nice -n 10 bash "$root/fuzz/run.sh"
  total=$(( total - slice ))
done
echo "== $(date -u +%FT%TZ): soak done"
