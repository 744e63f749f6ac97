#!/usr/bin/env bash
# Times plask-cli batch over simulated correlator stream files (default: 100
# files of 10 s, analysed at the default 1 µs bins with smoothing and
# background estimation on) and prints seconds and files per second, by the
# clock and by the processor time used (the clock figure suffers when other
# programs share the cores).
#   bash bench/batch_bench.sh [plask-cli] [files] [seconds per file] [data folder to keep]
# With a data folder, the simulated files are kept there and reused next time.
set -euo pipefail
cd "$(dirname "$0")/.."
cli=$(realpath "${1:-build/release/cli/plask-cli}")
files=${2:-100}
seconds=${3:-10}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
data=${4:-$work/data}
mkdir -p "$data/sim"
made=0
for i in $(seq 1 "$files"); do
  file="$data/sim/sim_$(printf %03d "$i").dat"
  if [ ! -f "$file" ]; then
    "$cli" simulate "$file" --seconds "$seconds" --seed "$i" > /dev/null
    made=$((made + 1))
  fi
done
echo "Simulated $made new files; $(ls "$data/sim" | wc -l) files, $(du -sh "$data/sim" | cut -f1)"
# No plask.ini in the folder the batch runs in: the defaults (1 µs bins, trigger 5).
cd "$data"
python3 - "$cli" "$files" <<'PY'
import json, resource, subprocess, sys, time
cli, files = sys.argv[1], int(sys.argv[2])
start = time.monotonic()
run = subprocess.run([cli, "batch", "sim", "--smooth", "--estimate-background"],
                     capture_output=True, text=True, check=True)
elapsed = time.monotonic() - start
usage = resource.getrusage(resource.RUSAGE_CHILDREN)
cpu = usage.ru_utime + usage.ru_stime
summary = json.loads(run.stdout)
print(f"plask-cli batch over {summary['filesFound']} files: {elapsed:.2f} s = {files / elapsed:.1f} files/s "
      f"by the clock; {cpu:.2f} s of processor time = {files / cpu:.1f} files/s; "
      f"analysed {summary['filesAnalysed']}, bursts {summary['totalBursts']}")
PY
