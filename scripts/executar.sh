#!/usr/bin/env bash
# Sets everything up (scripts/preparar.sh: packages, configure, build into
# build/) and starts the messenger. Its settings file falv.ini is written
# beside the program, in build/messenger/. On a first run (no falv.ini there)
# the program gets a folder list with one local room, SALA = ~/falavox/sala
# (c:\falavox\sala\, C: being the home folder by default), so a newcomer can
# log on at once.
#
#   scripts/executar.sh [NOME]
#
# With a user name: a station of its own for that user (a copy of the program
# in ~/falavox/estacoes/<nome>/ with its own falv.ini), logged on to SALA at
# start. Two of them side by side show a message pass:
#   scripts/executar.sh ANA & scripts/executar.sh JOSE &
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p build
# Two stations started together build once, one after the other.
flock build/.executar.trava scripts/preparar.sh

sala='c:\falavox\sala\'
lista_de_pastas() {
  printf '[Pastas de Mensagens]\r\nSALA=%s\r\n' "$sala"
}

if [ $# -eq 0 ]; then
  [ -e build/messenger/falv.ini ] || lista_de_pastas >build/messenger/falv.ini
  exec build/messenger/falv
fi

nome="${1^^}"
case "$nome" in
  */* | .* | '') echo "executar.sh: nome de usuário inválido: $1" >&2; exit 2 ;;
esac
estacao="$HOME/falavox/estacoes/${nome,,}"
mkdir -p "$estacao"
cp -f build/messenger/falv "$estacao/falv"
if [ ! -e "$estacao/falv.ini" ]; then
  { lista_de_pastas
    printf '[Logon]\r\nUsuario=%s\r\nNome Da Pasta=SALA\r\nCaminho Da Pasta=%s\r\n' "$nome" "$sala"
  } >"$estacao/falv.ini"
fi
cd "$estacao"
exec ./falv
