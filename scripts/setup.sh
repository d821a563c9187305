#!/usr/bin/env bash
# Installs, with apt-get and only when missing, every Debian package the build,
# the tests and the data tools need. Nothing is downloaded from anywhere else.
set -euo pipefail

PACKAGES=(
  cmake make g++ pkg-config xz-utils python3
  libgtest-dev libgmock-dev libbenchmark-dev
  libpugixml-dev libjsoncpp-dev
  clang libclang-rt-14-dev
  libopencc-data opencc
  python3-jieba wordnet-base
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
