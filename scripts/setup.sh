#!/usr/bin/env bash
# Installs what is missing, builds Plask in Release and starts it on the
# bundled example data.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset release
cmake --build --preset release
bin=build/release
if [ -x "$bin/app/plask" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  exec "$bin/app/plask" examples/fcs_example.dat
fi
echo "== plask-cli info examples/fcs_example.dat"
"$bin/cli/plask-cli" info examples/fcs_example.dat
echo "== plask-cli convert examples/fcs_example.dat --binwidth 10 -o $bin/fcs_example.phc"
"$bin/cli/plask-cli" convert examples/fcs_example.dat --binwidth 10 -o "$bin/fcs_example.phc"
"$bin/cli/plask-cli" info "$bin/fcs_example.phc"
