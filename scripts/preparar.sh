#!/usr/bin/env bash
# Installs the Debian packages the project needs (only what is missing),
# then configures and builds. Usage: scripts/preparar.sh [build folder] [cmake options...]
# FZ_ALVO names the one target to build (default: everything).
set -euo pipefail
cd "$(dirname "$0")/.."

pacotes=(g++ clang cmake ninja-build pkg-config qt6-base-dev qt6-multimedia-dev
         libzip-dev libdeflate-dev libgtest-dev libgl-dev xvfb xauth imagemagick unzip zip
         poppler-utils libclang-rt-14-dev fonts-dejavu-core xdotool x11-xserver-utils strace
         desktop-file-utils tesseract-ocr tesseract-ocr-por fonts-liberation2
         gstreamer1.0-plugins-good python3)
# zentrava-gerar: strip for disk 1's programs, patchelf for self-contained sets.
pacotes+=(binutils patchelf)
# The engine's streaming inflater for members too large for memory.
pacotes+=(libisal-dev)
# bsdtar, which bench_zentunz measures the engine against.
pacotes+=(libarchive-tools)
# A real SMB server and two userspace clients for the shared-room rig.
pacotes+=(samba smbnetfs)
scripts/instalar.sh "${pacotes[@]}"

pasta="${1:-build}"
shift || true
cmake -S . -B "$pasta" -G Ninja "$@"
cmake --build "$pasta" -j"$(nproc)" --target "${FZ_ALVO:-all}"
