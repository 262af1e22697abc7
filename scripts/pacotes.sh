#!/usr/bin/env bash
# Builds the Debian packages from a clean build folder (build-pacotes/), after
# installing what the build needs as preparar.sh does: falavox_<versão>_<arq>.deb,
# and zentrava_<versão>_<arq>.deb once the installer is part of the build.
# Usage: scripts/pacotes.sh [output folder (pacotes)] [cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
saida=$(realpath -m "${1:-pacotes}")
shift || true
pasta=build-pacotes
rm -rf "$pasta" "$saida"
# dpkg-shlibdeps computes the dependencies; it finds the ELF files through file.
scripts/instalar.sh dpkg-dev file
# Debian's own compiler and linker flags, all the hardening included; CMake
# reads no CPPFLAGS, so they join the compiler's.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
export CFLAGS="$CFLAGS $CPPFLAGS" CXXFLAGS="$CXXFLAGS $CPPFLAGS"
FZ_ALVO=fz_instalados scripts/preparar.sh "$pasta" -DCMAKE_BUILD_TYPE=None \
  -DCMAKE_INSTALL_PREFIX=/usr "$@"
(cd "$pasta" && cpack -G DEB -B "$saida")
rm -rf "$saida/_CPack_Packages"
ls "$saida"/*.deb
