#!/usr/bin/env bash
# Runs falv as an installed program is run: from a folder its user cannot
# write (as nobody when this runs as root), offscreen, with a home and a
# configuration folder of its own. The first run, ended by SIGTERM, must save
# its settings in $XDG_CONFIG_HOME/falavox/falv.ini; the second must read the
# room and user written there, log on (its name in users.fvx) and, at SIGTERM,
# leave the room and keep the settings. Nothing may be written beside falv.
# Usage: falv_instalado.sh <falv>   (exit 77: cannot run as another user)
set -euo pipefail
falv=$(realpath "$1")

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
chmod 755 "$tmp"
casa=$tmp/casa
mkdir -p "$casa/.config" "$tmp/run"
como=()
if [ "$(id -u)" -eq 0 ]; then
  command -v setpriv >/dev/null || exit 77
  chown -R 65534:65534 "$casa" "$tmp/run"
  como=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
chmod 700 "$tmp/run"
export HOME=$casa XDG_CONFIG_HOME=$casa/.config XDG_RUNTIME_DIR=$tmp/run QT_QPA_PLATFORM=offscreen
ini=$XDG_CONFIG_HOME/falavox/falv.ini

# A folder this user can write gets the settings beside the program, and a
# build folder may be out of nobody's reach: run a copy from a read-only
# folder then.
if ! "${como[@]}" test -x "$falv" || "${como[@]}" test -w "$(dirname "$falv")"; then
  mkdir "$tmp/bin"
  cp "$falv" "$tmp/bin/falv"
  chmod 555 "$tmp/bin"
  falv=$tmp/bin/falv
fi
pasta=$(dirname "$falv")
[ ! -e "$pasta/falv.ini" ] || { echo "ERRO: já existe $pasta/falv.ini"; exit 1; }

falha() { echo "ERRO: $*"; [ -f "$ini" ] && cat "$ini"; exit 1; }

# Waits up to $2 seconds for the condition $1 (a shell expression).
esperar() {
  local fim=$((SECONDS + $2))
  until eval "$1"; do
    ((SECONDS < fim)) || return 1
    sleep 0.2
  done
}

executar_ate_term() { # $1: condition that shows the program is running
  "${como[@]}" "$falv" > "$tmp/saida.txt" 2>&1 &
  pid=$!
  esperar "$1" 30 || { kill -KILL $pid; cat "$tmp/saida.txt"; falha "não iniciou"; }
  kill -0 $pid 2>/dev/null || falha "terminou antes da hora: $(cat "$tmp/saida.txt")"
  kill -TERM $pid
  esperar "! kill -0 $pid 2>/dev/null" 20 || { kill -KILL $pid; falha "não terminou com SIGTERM"; }
  local codigo=0
  wait $pid || codigo=$?
  [ $codigo -eq 0 ] || falha "saiu com $codigo: $(cat "$tmp/saida.txt")"
}

# 1. No settings anywhere. The splash takes three seconds; the main window
#    is up well before six.
inicio=$SECONDS
executar_ate_term '((SECONDS - inicio >= 6))'
[ -f "$ini" ] || falha "SIGTERM não salvou $ini"
grep -q '^Criar Pasta Automaticamente=1' "$ini" || falha "configurações incompletas"
[ ! -e "$pasta/falv.ini" ] || falha "gravou ao lado do programa"
echo "1: configurações salvas em $ini"

# 2. A room and a user in those settings (C: is the home folder).
"${como[@]}" tee "$ini" > /dev/null <<'FIM'
[Pastas de Mensagens]
SALA=c:\sala\
[Logon]
Usuario=ANA
Nome Da Pasta=SALA
Caminho Da Pasta=c:\sala\
Criar Pasta Automaticamente=1
FIM
usuarios=$casa/sala/users.fvx
executar_ate_term 'grep -qx "ANA.\?" "$usuarios" 2>/dev/null'
! grep -q ANA "$usuarios" || falha "ANA continua na sala depois do SIGTERM"
grep -q '^Usuario=ANA' "$ini" || falha "a sessão não foi salva"
grep -q '^SALA=c:\\sala\\' "$ini" || falha "a lista de pastas se perdeu"
[ ! -e "$pasta/falv.ini" ] || falha "gravou ao lado do programa"
echo "2: entrou na sala pelas configurações de $ini e saiu com SIGTERM"
echo "falv_instalado: 2 passed, 0 failed"
