#!/usr/bin/env bash
# Installs what the build, the tests and the benchmarks need (idempotent).
set -euo pipefail
pkgs=(cmake ninja-build g++ binutils googletest libgtest-dev libgmock-dev
      libbenchmark-dev clang-14 libclang-rt-14-dev clang-format-14 clang-tidy-14 swig python3-dev pkg-config python3-pytest
      python3-pip python3-setuptools python3-wheel python3-venv
      libspdlog-dev libconcurrentqueue-dev libboost-dev iproute2 util-linux patch)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
