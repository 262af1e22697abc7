#!/usr/bin/env bash
# The unattended mode on the real zentrava with no X server and DISPLAY
# unset. The two-disk set of the windowed end-to-end test (image folders,
# an INI file, a script run with parameters, a zip archive, a file split over
# both disks, two group items) installed with --silencioso into a folder with
# blanks and accents given by --destino, --log beside it:
# - exit 0; the files, the joined file, the extracted members, the INI entry,
#   the script's trace, the 1133-byte log and the menu files as the windowed
#   run leaves them; the --log file names each of them; on a terminal one
#   progress line per file on standard output, nothing when it is no terminal;
# - "/X --silencioso": everything removed without a question, exit 0, the
#   deletion appended to the log;
# - failures with their statuses and their line on standard error: a missing
#   disk, a drive without room (a small tmpfs, as root), a damaged piece
#   (CRC-32), a read-only INI file (read-only mount, as root) rolled back;
#   bad options, a relative destination, a destination that is a file, a log
#   that cannot be written (the installation still runs).
# Usage: instalacao_silenciosa.sh <zentrava>
set -euo pipefail

zentrava="$1"
if [ -z "${FZ_DENTRO_UNSHARE:-}" ] && [ "$(id -u)" -eq 0 ] && unshare -m true 2>/dev/null; then
  FZ_DENTRO_UNSHARE=1 exec unshare -m --propagation private bash "$0" "$@"
fi
unset DISPLAY WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb # a window would need the display there is not

raiz=$(mktemp -d /tmp/instalacao-silenciosa-XXXXXX)
trap 'umount "$raiz/cheio" "$raiz/c/ro" 2>/dev/null || true; rm -rf "$raiz"' EXIT
falhar() { echo "FALHA: $*" >&2; tail -n 20 "$raiz"/*.err >&2 2>/dev/null || true; exit 1; }
command -v zip >/dev/null || { echo "sem zip: teste pulado"; exit 77; }

mkdir -p "$raiz/c" "$raiz/config/falavox-zentrava" "$raiz/dados" "$raiz/cheio"
printf '[Unidades]\nC=%s\nD=%s\nZ=/\n' "$raiz/c" "$raiz/cheio" >"$raiz/config/falavox-zentrava/unidades.ini"
export XDG_CONFIG_HOME="$raiz/config" XDG_DATA_HOME="$raiz/dados" HOME="$raiz/c"

source "$(dirname "$0")/../apoio/conjunto_vendas.sh"
montar_conjunto_vendas "$zentrava"

# Runs the program from disk 1; sets `status`; standard error in $raiz/<nome>.err.
rodar() { # <nome> <argumentos...>
  local nome=$1
  shift
  status=0
  (cd "$d1" && exec ./zentrava "$@" >"$raiz/$nome.out" 2>"$raiz/$nome.err") || status=$?
}
espera() { # <nome> <status> [texto em stderr]
  [ "$status" -eq "$2" ] || falhar "$1: status $status em vez de $2: $(cat "$raiz/$1.err")"
  [ -z "${3:-}" ] || grep -qF -- "$3" "$raiz/$1.err" || falhar "$1: sem \"$3\" na saída de erros: $(cat "$raiz/$1.err")"
}
menus() { find "$XDG_DATA_HOME" "$XDG_CONFIG_HOME/menus" -type f 2>/dev/null | sort; }

# ---- The unattended installation, on a terminal ----
app="$raiz/c/Aplic Vendas/Versão 1"
registro="$raiz/registro de instalação.txt"
status=0
if command -v script >/dev/null; then
  script -qefc "cd '$d1' && ./zentrava --silencioso --destino '$app' --log '$registro' 2>'$raiz/ok.err'" /dev/null \
    >"$raiz/ok.out" || status=$?
  espera ok 0
  [ "$(grep -c '%' "$raiz/ok.out")" -ge 5 ] || falhar "sem uma linha de progresso por arquivo: $(cat "$raiz/ok.out")"
  grep -q '^ *0% Restaurando APP.INI' "$raiz/ok.out" || falhar "progresso: $(cat "$raiz/ok.out")"
else
  rodar ok --silencioso --destino "$app" --log "$registro"
  espera ok 0
fi
grep -qF "Instalação completada com sucesso." "$raiz/ok.err" || falhar "sem a mensagem de sucesso: $(cat "$raiz/ok.err")"
cmp -s "$fontes/GRANDE.DAT" "$app/ARQUIVOS/GRANDE.DAT" || falhar "GRANDE.DAT juntado difere"
cmp -s "$fontes/LEIAME.TXT" "$app/LEIAME.TXT" || falhar "LEIAME.TXT difere"
cmp -s "$fontes/dados/clientes.txt" "$app/dados/clientes.txt" || falhar "membro dados/clientes.txt não extraído"
cmp -s "$fontes/nota.txt" "$app/nota.txt" || falhar "membro nota.txt não extraído"
[ ! -e "$app/DADOS.ZIP" ] || falhar "o arquivo zip não foi apagado"
dos='c:\aplic vendas\vers'$'\343''o 1'
grep -qaixF "pasta=$dos\\dados"$'\r' "$app/APP.INI" || falhar "APP.INI sem a entrada: $(cat -A "$app/APP.INI")"
for i in $(seq 50); do [ -s "$raiz/rastro.txt" ] && break; sleep 0.1; done
[ "$(cat "$raiz/rastro.txt")" = $'/s\nprimeiro' ] || falhar "argumentos do programa: $(cat "$raiz/rastro.txt" 2>&1)"
[ "$(tamanho "$app/zentrava.log")" -eq 1133 ] || falhar "zentrava.log não tem 1133 bytes"
grep -qaF "$dos" "$app/zentrava.log" || falhar "zentrava.log sem a pasta do aplicativo"
[ "$(menus | grep -c '\.desktop$')" -ge 2 ] || falhar "entradas do menu: $(menus)"
while IFS= read -r e; do
  ! command -v desktop-file-validate >/dev/null || desktop-file-validate "$e" || falhar "entrada inválida: $e"
done < <(menus | grep '\.desktop$')
for f in APP.INI RASTRO.SH ARQUIVOS/GRANDE.DAT LEIAME.TXT dados/clientes.txt nota.txt; do
  grep -qF "$f" "$registro" || falhar "o log não cita $f: $(cat "$registro")"
done
grep -qF ".desktop" "$registro" || falhar "o log não cita os arquivos do menu"
grep -qF "completada com sucesso" "$registro" || falhar "o log não tem as mensagens"
rodar nao-terminal --silencioso --destino "$raiz/c/outra"
espera nao-terminal 0
[ ! -s "$raiz/nao-terminal.out" ] || falhar "progresso fora de um terminal: $(cat "$raiz/nao-terminal.out")"
rm -rf "$raiz/c/outra"

# ---- The unattended uninstall ----
antes=$(tamanho "$registro")
rodar desinstalar "/X$app" --silencioso --log "$registro"
espera desinstalar 0 "bem sucedida"
[ ! -e "$app" ] || falhar "a pasta do aplicativo ficou: $(ls -R "$app")"
[ -z "$(menus | grep -v unidades)" ] || falhar "arquivos do menu ficaram: $(menus)"
[ "$(tamanho "$registro")" -gt "$antes" ] || falhar "a desinstalação não acrescentou ao log"
rodar de-novo "/X$app" --silencioso
espera de-novo 1 "ZENTRAVA.LOG"

# ---- Refusals: nothing written ----
nada_escrito() { # <nome> <pasta>
  [ ! -e "$2" ] || falhar "$1: a pasta $2 foi criada"
  [ -z "$(menus)" ] || falhar "$1: arquivos do menu: $(menus)"
}
rodar duas-vezes --silencioso --silencioso
espera duas-vezes 2 "duas vezes"
grep -qF "Uso: zentrava" "$raiz/duas-vezes.err" || falhar "sem a linha de uso"
rodar desconhecida --silencioso --rapido
espera desconhecida 2 "opção desconhecida: --rapido"
rodar sem-valor --silencioso --destino
espera sem-valor 2 "falta o valor"
rodar relativo --silencioso --destino aplic
espera relativo 3 "caminho completo"
: >"$raiz/c/arquivo"
rodar arquivo --silencioso --destino "$raiz/c/arquivo"
espera arquivo 3 "é um arquivo"
mv "$d1/zentrava.001" "$d1/z1"
rodar sem-disco-1 --silencioso --destino "$raiz/c/x1"
espera sem-disco-1 3 "ZENTRAVA.001"
mv "$d1/z1" "$d1/zentrava.001"
nada_escrito sem-disco-1 "$raiz/c/x1"
if [ "${FZ_DENTRO_UNSHARE:-}" = 1 ]; then
  mount -t tmpfs -o size=16k cheio "$raiz/cheio"
  rodar sem-espaco --silencioso --destino 'D:\VENDAS'
  espera sem-espaco 3 "Espaco insuficiente no drive selecionado."
  [ -z "$(ls -A "$raiz/cheio")" ] || falhar "sem-espaco: algo foi gravado em D:"
fi

# ---- Failures after the copy began: rolled back ----
desfeito() { # <nome> <pasta>
  [ ! -e "$2/LEIAME.TXT" ] && [ ! -e "$2/APP.INI" ] || falhar "$1: ficaram arquivos: $(ls -R "$2")"
  [ -z "$(menus)" ] || falhar "$1: arquivos do menu: $(menus)"
  grep -qF "Erro" "$raiz/$1.log" 2>/dev/null || grep -qF "Atenção" "$raiz/$1.log" || falhar "$1: o log não dá o motivo: $(cat "$raiz/$1.log" 2>&1)"
}
mv "$d2" "$raiz/c/inst/guardado"
rodar sem-disco-2 --silencioso --destino "$raiz/c/x2" --log "$raiz/sem-disco-2.log"
espera sem-disco-2 4 "Disco de Instalação #2"
mv "$raiz/c/inst/guardado" "$d2"
desfeito sem-disco-2 "$raiz/c/x2"

cp "$d1/DADOS.ZIP" "$raiz/zip-bom"
printf 'X' | dd of="$d1/DADOS.ZIP" bs=1 seek=40 conv=notrunc status=none
rodar crc --silencioso --destino "$raiz/c/x3" --log "$raiz/crc.log"
espera crc 4
cp "$raiz/zip-bom" "$d1/DADOS.ZIP"
desfeito crc "$raiz/c/x3"

if [ "${FZ_DENTRO_UNSHARE:-}" = 1 ]; then
  mkdir -p "$raiz/c/ro"
  printf '[Geral]\r\nNome=Outro\r\n' >"$raiz/c/ro/OUTRO.INI"
  mount --bind -o ro "$raiz/c/ro" "$raiz/c/ro" 2>/dev/null || mount -o remount,bind,ro "$raiz/c/ro"
  comandos_vendas 'C:\ro\OUTRO.INI,Geral,Pasta,@DIRBASE' >"$d1/zentrava.cmd"
  rodar ini --silencioso --destino "$raiz/c/x4" --log "$raiz/ini.log"
  espera ini 4 'OUTRO.INI'
  comandos_vendas >"$d1/zentrava.cmd"
  desfeito ini "$raiz/c/x4"
  grep -qF "Nome=Outro" "$raiz/c/ro/OUTRO.INI" || falhar "o INI somente leitura mudou"
fi

# ---- A log that cannot be written: the installation still runs ----
rodar sem-log --silencioso --destino "$raiz/c/x5" --log /proc/nao/pode.txt
espera sem-log 0 "o log não foi gravado"
[ -e "$raiz/c/x5/LEIAME.TXT" ] || falhar "sem-log: a instalação não correu"
echo "instalação silenciosa: sem tela, com --destino e --log; falhas com seus status"
