#!/usr/bin/env bash
# Installs the Debian packages named that are missing (apt-get, through sudo
# when not root); does nothing when all are there. Usage: scripts/instalar.sh pacote...
set -euo pipefail
faltam=()
for p in "$@"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || faltam+=("$p")
done
if ((${#faltam[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Instalando: ${faltam[*]}"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${faltam[@]}"
fi
