#!/usr/bin/env bash
# Installs the Debian packages kvword needs to build, test and benchmark.
# Run as root on Debian 12; does nothing for packages already present.
set -euo pipefail
packages=(
  build-essential cmake ninja-build ccache clang libclang-rt-14-dev
  zlib1g-dev libdeflate-dev libicu-dev libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev nlohmann-json3-dev libfmt-dev libssl-dev libcmark-gfm-dev libcmark-gfm-extensions-dev
  qt6-base-dev xvfb xauth
  pybind11-dev python3-dev python3-pytest python3-dask python3-distributed python3-docx
  pkgconf file dpkg-dev python3-pip python3-venv python3-setuptools python3-wheel  # packaging
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi
