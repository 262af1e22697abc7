#!/usr/bin/env bash
# Two real falv stations on one X display (Xvfb), each a copy of the program
# in its own folder with its own falv.ini, both logged on at start to one
# message folder. ANA writes to JOSE and JOSE to ANA through the keyboard and
# the mouse (xdotool); then both leave through "&Finalizar".
# Checked: each pair file is written and then emptied by the receiver's poll,
# the received text stands in the receiver's window (copied to the clipboard),
# at exit the users file is empty and the pair files are gone. A picture of
# both windows goes to the gallery.
# Usage: duas_estacoes.sh <falv> <ler_area_transferencia> <gallery folder>
# Exit 77 (skipped) when Xvfb, xdotool or ImageMagick's import is missing.
set -euo pipefail

falv="$1"
ler_area="$2"
galeria="$3"
raiz=$(mktemp -d /tmp/duas-estacoes-XXXXXX)
source "$(dirname "$0")/../apoio/tela_virtual.sh"
exigir_programas Xvfb xdotool import

# The drive table: C: is the test's folder, so the stations' copies and the
# message folder are all on C:.
mkdir -p "$raiz/c/sala" "$raiz/config/falavox-zentrava"
printf '[Unidades]\nC=%s\nZ=/\n' "$raiz/c" >"$raiz/config/falavox-zentrava/unidades.ini"
export XDG_CONFIG_HOME="$raiz/config"
iniciar_tela_virtual
sala="$raiz/c/sala"

preparar_estacao() { # <usuario>: a folder with the program and its falv.ini
  local pasta="$raiz/c/${1,,}"
  mkdir -p "$pasta"
  cp "$falv" "$pasta/falv"
  printf '[Pastas de Mensagens]\r\nSALA=c:\\sala\\\r\n[Logon]\r\nUsuario=%s\r\nNome Da Pasta=SALA\r\nCaminho Da Pasta=c:\\sala\\\r\nCriar Pasta Automaticamente=1\r\n' \
    "$1" >"$pasta/falv.ini"
}

janela_de() { # <usuario>: the main window's id once its caption shows the logon
  xdotool search --onlyvisible --name "^Falavox - \[ $1 \]\$" 2>/dev/null | head -n1
}
conectada() { [ -n "$(janela_de "$1")" ]; }
confirmacao() { xdotool search --onlyvisible --name '^Aten' 2>/dev/null | head -n1; }
tem_confirmacao() { [ -n "$(confirmacao)" ]; }
iniciar() { # <usuario> <x>: starts the station, waits for its logged-on window, moves it
  preparar_estacao "$1"
  (cd "$raiz/c/${1,,}" && exec ./falv >"$raiz/${1,,}.log" 2>&1) &
  pids+=($!)
  local janela=""
  esperar 40 conectada "$1" || falhar "a janela de $1 não apareceu conectada"
  janela=$(janela_de "$1")
  xdotool windowmove --sync "$janela" "$2" 120 || xdotool windowmove "$janela" "$2" 120
  eval "janela_${1,,}=$janela"
}

geometria() { # <janela>: sets X Y WIDTH HEIGHT
  eval "$(xdotool getwindowgeometry --shell "$1")"
}
clicar() { # <janela> <x> <y>: a click inside the window, relative to its top left
  xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
  xdotool mousemove --sync --window "$1" "$2" "$3" click 1
}

# The window's design layout: "&Enviar" at the left of the sent-messages
# header, the compose area at the bottom above the status bar, the received
# messages at the top right.
enviar() { # <janela> <texto> <arquivo de par>
  local janela=$1 texto=$2 par="$sala/$3"
  geometria "$janela"
  clicar "$janela" $((WIDTH / 2 + 80)) $((HEIGHT - 47))
  teclar "$janela" ctrl+a
  xdotool type --delay 20 "$texto"
  # "&Enviar" is enabled once the poll has seen the other station: click until
  # the deposit shows. The pair file may exist already (made at logon), so a
  # deposit is a new modification time.
  local antes fim=$((SECONDS + 30))
  antes=$(marca "$par")
  until [ "$(marca "$par")" != "$antes" ]; do
    ((SECONDS < fim)) || falhar "nenhuma mensagem depositada em $3"
    clicar "$janela" 86 185
    esperar 1 mudou "$par" "$antes" || true
  done
}
marca() { stat -c %y "$1" 2>/dev/null || echo nenhum; }
mudou() { [ "$(marca "$1")" != "$2" ]; }
coletada() { [ -e "$1" ] && [ ! -s "$1" ]; }

recebidas() { # <janela>: the received messages, through the clipboard
  geometria "$1"
  clicar "$1" $((WIDTH - 100)) 100
  teclar "$1" ctrl+a ctrl+c
  "$ler_area"
}

iniciar ANA 20
iniciar JOSE 540

msg_ana="Olá, José! Tudo bem?"
msg_jose="Tudo ótimo, Ana."

enviar "$janela_ana" "$msg_ana" jose_ana.msg
esperar 15 coletada "$sala/jose_ana.msg" || falhar "JOSE não coletou jose_ana.msg"
enviar "$janela_jose" "$msg_jose" ana_jose.msg
esperar 15 coletada "$sala/ana_jose.msg" || falhar "ANA não coletou ana_jose.msg"

# The picture, before the copying below selects the texts. Without a window
# manager there are no title bars: each caption is written above its window.
mkdir -p "$galeria"
xdotool mousemove 0 0
import -window root "$raiz/tela.png"
legendas=()
for janela in "$janela_ana" "$janela_jose"; do
  geometria "$janela"
  legendas+=(-annotate "+$((X - 10))+$((Y - 97))" "$(xdotool getwindowname "$janela")")
done
convert "$raiz/tela.png" -crop 1000x490+10+75 +repage -fill white -pointsize 13 \
  -gravity NorthWest "${legendas[@]}" "$galeria/duas_estacoes.png" ||
  import -window root "$galeria/duas_estacoes.png"

texto_jose=$(recebidas "$janela_jose") || falhar "nada copiado da janela de JOSE"
grep -qF "[ ANA ] -> $msg_ana" <<<"$texto_jose" || falhar "JOSE não mostra a mensagem: $texto_jose"
texto_ana=$(recebidas "$janela_ana") || falhar "nada copiado da janela de ANA"
grep -qF "[ JOSE ] -> $msg_jose" <<<"$texto_ana" || falhar "ANA não mostra a mensagem: $texto_ana"
grep -qF "<<< JOSE >>> entrou na sala..." <<<"$texto_ana" || falhar "ANA não viu JOSE entrar"


# "&Sobre o Falavox..." (Ctrl+F1): the about box stays until its button.
sobre() { xdotool search --onlyvisible --name '^Falavox$' 2>/dev/null | head -n1; }
tem_sobre() { [ -n "$(sobre)" ]; }
sem_sobre() { [ -z "$(sobre)" ]; }
teclar "$janela_ana" ctrl+F1
esperar 5 tem_sobre || falhar "a tela Sobre não apareceu"
sleep 3.5 # longer than the start-up splash's timer
tem_sobre || falhar "a tela Sobre fechou sozinha"
import -window root -crop 455x306+284+231 +repage "$galeria/TfrmSplash_falv.png"
xdotool windowfocus "$(sobre)"
xdotool key Return
esperar 5 sem_sobre || falhar "Enter não fechou a tela Sobre"

# Leaving: "&Arquivo", "&Finalizar", then "&Sim" (the default) to confirm.
sair() { # <janela> <pid>
  teclar "$1" alt+a
  sleep 0.3
  xdotool key f
  esperar 5 tem_confirmacao || falhar "a confirmação de saída não apareceu"
  xdotool windowfocus "$(confirmacao)"
  xdotool key Return
  esperar 10 terminou "$2" || falhar "o programa não terminou"
}
sair "$janela_ana" "${pids[0]}"
sair "$janela_jose" "${pids[1]}"

[ -e "$sala/users.fvx" ] && [ ! -s "$sala/users.fvx" ] || falhar "users.fvx não ficou vazio"
! ls "$sala"/*.msg >/dev/null 2>&1 || falhar "arquivos de mensagem restaram: $(ls "$sala")"
grep -q '^Usuario=ANA' "$raiz/c/ana/falv.ini" || falhar "falv.ini de ANA sem o usuário"
grep -q '^Usuario=JOSE' "$raiz/c/jose/falv.ini" || falhar "falv.ini de JOSE sem o usuário"
echo "duas estações: mensagens trocadas nos dois sentidos, saída limpa"
