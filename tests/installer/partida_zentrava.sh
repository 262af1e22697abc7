#!/usr/bin/env bash
# The installer's start-up on real zentrava processes (Xvfb): the command line
# and the two files it needs before any window shows. Each case copies the
# program into a folder of drive C: and starts it there.
# First, with no display: "--help" prints the usage and a bad option is refused.
# Checked: the fatal messages read from the screen (OCR), the exit status 1
# and that the main window never shows; "/d" in lower case, "/DA:" with the
# first disk on drive A:, a host path after "/D" (mapped by a drive, or by
# none) reach the main window when zentrava.001 is where they point; "/x"
# runs the uninstall without a window.
# Usage: partida_zentrava.sh <zentrava>
# Exit 77 (skipped) when Xvfb, xdotool, ImageMagick or tesseract is missing.
set -euo pipefail

zentrava="$1"

# "--help" (and -h, /?) with no display at all: the usage on standard output,
# status 0; a bad option: a usage line on standard error, status 2.
for ajuda in --help -h '/?'; do
  saida=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$zentrava" "$ajuda" 2>&1) ||
    { echo "FALHA: $ajuda terminou com status $?"; exit 1; }
  grep -q '^Uso: zentrava' <<<"$saida" && grep -q -- '--silencioso' <<<"$saida" ||
    { echo "FALHA: $ajuda sem o uso: $saida"; exit 1; }
done
status=0
erro=$(env -u DISPLAY "$zentrava" --instalar 2>&1 >/dev/null) || status=$?
[ "$status" -eq 2 ] && grep -q 'opção desconhecida: --instalar' <<<"$erro" ||
  { echo "FALHA: opção desconhecida: status $status, $erro"; exit 1; }

raiz=$(mktemp -d /tmp/partida-zentrava-XXXXXX)
source "$(dirname "$0")/../apoio/tela_virtual.sh"
exigir_programas Xvfb xdotool xwininfo import convert tesseract
tesseract --list-langs 2>/dev/null | grep -qx por || { echo "sem tesseract-ocr-por: teste pulado"; exit 77; }

# Drives: C: and A: only ("Z=" removes the default Z: = /), so a host path
# outside both maps to no drive.
mkdir -p "$raiz/c" "$raiz/a" "$raiz/fora" "$raiz/config/falavox-zentrava"
printf '[Unidades]\nC=%s\nA=%s\nZ=\n' "$raiz/c" "$raiz/a" >"$raiz/config/falavox-zentrava/unidades.ini"
export XDG_CONFIG_HOME="$raiz/config"
iniciar_tela_virtual

titulo="Sistema de Vendas"
comandos() { # <pasta>: a valid command file
  printf '[Info]\r\nTitulo=%s\r\nCor de Fundo 1=clNavy\r\nCor de Fundo 2=clTeal\r\nDiretorio Base=\\VENDAS\r\nTotal Discos=1\r\n' \
    "$titulo" >"$1/zentrava.cmd"
}
programa() { # <pasta>: the folder with a copy of the program
  mkdir -p "$1"
  cp "$zentrava" "$1/zentrava"
}

# Starts the program in its folder; sets `pid`.
iniciar() { # <pasta> [argumento]
  local pasta=$1
  shift
  (cd "$pasta" && exec ./zentrava "$@" >>"$raiz/zentrava.log" 2>&1) &
  pid=$!
  pids+=("$pid")
}
principal() { janela "^$titulo\$"; }

# A start that ends after a message: no main window while it shows or
# after, exit 1.
fatal() { # <texto esperado> <pasta> [argumento]
  sem_janela_principal 1 "$@"
}
sem_janela_principal() { # <status> <texto esperado> <pasta> [argumento]
  local esperado_status=$1 esperado=$2
  shift 2
  iniciar "$@"
  esperar 30 tem_janela '^Erro$' || falhar "sem mensagem para: $* ($esperado)"
  [ "$(visiveis)" -eq 1 ] || falhar "outra janela com a mensagem: $*"
  responder_mensagem '^Erro$' "$esperado"
  local status=0 fim=$((SECONDS + 10))
  until terminou "$pid"; do
    [ "$(visiveis)" -eq 0 ] || falhar "uma janela apareceu depois da mensagem: $*"
    ((SECONDS < fim)) || falhar "o programa não terminou: $*"
    sleep 0.1
  done
  wait "$pid" || status=$?
  [ "$status" -eq "$esperado_status" ] || falhar "status $status em vez de $esperado_status: $*"
}
visiveis() { xdotool search --onlyvisible --name . 2>/dev/null | wc -l; }

# A good start: the main window over the whole screen, no message; then stopped.
instala() { # <pasta> [argumento]
  iniciar "$@"
  esperar 30 tem_janela "^$titulo\$" || falhar "a janela principal não apareceu: $*"
  [ -z "$(janela '^Erro$')" ] || falhar "mensagem de erro com a janela principal: $*"
  eval "$(xdotool getwindowgeometry --shell "$(principal)")"
  [ "$WIDTH" -eq 1024 ] && [ "$HEIGHT" -eq 768 ] || falhar "janela de ${WIDTH}x$HEIGHT, não a tela toda"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
}

msg_cmd="arquivo de comandos ZENTRAVA.CMD"
msg_001="arquivo de controle ZENTRAVA.001"

# No command file; then one that is binary garbage.
programa "$raiz/c/p1"
fatal "$msg_cmd" "$raiz/c/p1"
head -c 4096 /dev/urandom >"$raiz/c/p1/zentrava.cmd"
fatal "$msg_cmd" "$raiz/c/p1"

# The command file but no first disk beside it.
programa "$raiz/c/p2"
comandos "$raiz/c/p2"
fatal "$msg_001" "$raiz/c/p2"

# The disks elsewhere, named with "/d" in lower case.
mkdir -p "$raiz/c/discos"
: >"$raiz/c/discos/zentrava.001"
instala "$raiz/c/p2" '/dc:\discos'

# "/DA:": the first disk must be at A:\.
fatal "$msg_001" "$raiz/c/p2" /DA:
: >"$raiz/a/zentrava.001"
instala "$raiz/c/p2" /DA:

# A host path after "/D", through the drive that holds it; a folder that no
# drive maps is not found.
instala "$raiz/c/p2" "/D$raiz/c/discos"
: >"$raiz/fora/zentrava.001"
fatal "$msg_001" "$raiz/c/p2" "/D$raiz/fora"

# "/X" runs the uninstall instead: here it finds no log, so it deleted
# nothing and ends with 1; no window either.
sem_janela_principal 1 "ZENTRAVA.LOG" "$raiz/c/p2" '/xc:\discos'

echo "partida do zentrava: mensagens, argumentos e discos conferidos"
