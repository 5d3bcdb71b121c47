#!/usr/bin/env bash
# Installs what the build and the tests need (Debian 12), when it is missing.
set -euo pipefail
packages=(cmake ninja-build g++ clang ccache pkg-config
  qt6-base-dev libqt6opengl6-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri
  libopenal-dev xvfb xauth x11-apps fonts-dejavu-core
  libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev libglm-dev liblua5.4-dev
  libboost-graph-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" = 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
