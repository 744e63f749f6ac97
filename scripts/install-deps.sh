#!/usr/bin/env bash
# Installs the Debian 12 packages Plask builds and tests with (as root).
set -euo pipefail
packages=(g++ cmake ninja-build qt6-base-dev libqcustomplot-dev libgtest-dev libhdf5-dev libbenchmark-dev
  qt6-svg-dev libcli11-dev nlohmann-json3-dev libssl-dev libceres-dev libboost-math-dev fonts-dejavu-core xvfb xauth imagemagick clang libclang-rt-14-dev ccache)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends -o DPkg::Lock::Timeout=600 "${missing[@]}"
fi
