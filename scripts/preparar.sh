#!/usr/bin/env bash
# Installs the Debian packages the project needs (only what is missing),
# then configures and builds. Usage: scripts/preparar.sh [build folder] [cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."

pacotes=(g++ clang cmake ninja-build pkg-config qt6-base-dev qt6-multimedia-dev
         libzip-dev libgtest-dev libgl-dev xvfb xauth imagemagick unzip zip
         poppler-utils libclang-rt-14-dev fonts-dejavu-core xdotool strace
         desktop-file-utils
         gstreamer1.0-plugins-good)
faltam=()
for p in "${pacotes[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || faltam+=("$p")
done
if ((${#faltam[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Instalando: ${faltam[*]}"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${faltam[@]}"
fi

pasta="${1:-build}"
shift || true
cmake -S . -B "$pasta" -G Ninja "$@"
cmake --build "$pasta" -j"$(nproc)"
