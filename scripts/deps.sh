#!/usr/bin/env bash
# Installs the Debian packages tarn builds with; does nothing when they are all present.
set -euo pipefail
packages=(build-essential cmake ninja-build clang libclang-rt-14-dev zlib1g-dev libexpat1-dev libpcre3-dev
          qtbase5-dev libgtest-dev libbenchmark-dev iproute2 util-linux pkg-config)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
