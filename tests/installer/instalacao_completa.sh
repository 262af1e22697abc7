#!/usr/bin/env bash
# A whole installation and its uninstall with real zentrava processes on a
# virtual display (Xvfb), driven by the keyboard (xdotool).
# The test builds a two-disk set as image folders DISCO.001 and DISCO.002:
# an INI file, a shell script, a zip archive, a file split across both disks
# and a text file on the second disk; the command file lists the archive to
# extract, an INI entry, the script to run and two group items.
# Checked on disk: the files in the folder typed on the destination screen,
# the joined file equal to the original, the archive's members extracted and
# the archive gone, the INI entry, the script's trace of its arguments, the
# 1133-byte uninstall log, the menu files of the group (valid entries); then
# "zentrava /X<folder>" removes the folder and every file of the group.
# The backdrop with the presentation screen over it and the completion
# message go to the gallery.
# Usage: instalacao_completa.sh <zentrava> <gallery folder>
# Exit 77 (skipped) when Xvfb, xdotool, ImageMagick, zip, tesseract or
# desktop-file-validate is missing.
set -euo pipefail

zentrava="$1"
galeria="$2"
raiz=$(mktemp -d /tmp/instalacao-completa-XXXXXX)
source "$(dirname "$0")/../apoio/tela_virtual.sh"
exigir_programas Xvfb xdotool xwininfo import convert tesseract zip desktop-file-validate cmp
tesseract --list-langs 2>/dev/null | grep -qx por || { echo "sem tesseract-ocr-por: teste pulado"; exit 77; }

# C: is the test's folder; the menus and the drive table in folders of its own.
mkdir -p "$raiz/c" "$raiz/config/falavox-zentrava" "$raiz/dados"
printf '[Unidades]\nC=%s\nZ=/\n' "$raiz/c" >"$raiz/unidades.ini"
cp "$raiz/unidades.ini" "$raiz/config/falavox-zentrava/unidades.ini"
export XDG_CONFIG_HOME="$raiz/config" XDG_DATA_HOME="$raiz/dados"
iniciar_tela_virtual

# ---- The disk set ----
fontes="$raiz/fontes"
d1="$raiz/c/inst/DISCO.001"
d2="$raiz/c/inst/DISCO.002"
mkdir -p "$fontes/dados" "$d1" "$d2"
printf '[Geral]\r\nNome=Vendas\r\n' >"$fontes/APP.INI"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >"%s/rastro.txt"\n' "$raiz" >"$fontes/RASTRO.SH"
printf 'Ana;Rua A\r\nJosé;Rua B\r\n' >"$fontes/dados/clientes.txt"
printf 'Leia-me do arquivo\r\n' >"$fontes/nota.txt"
(cd "$fontes" && zip -q -r DADOS.ZIP dados nota.txt)
head -c 30000 /dev/urandom >"$fontes/GRANDE.DAT"
printf 'Sistema de Vendas\r\n' >"$fontes/LEIAME.TXT"
head -c 20000 "$fontes/GRANDE.DAT" >"$d1/GRANDE.DAT"
tail -c 10000 "$fontes/GRANDE.DAT" >"$d2/GRANDE.DAT"
for f in APP.INI RASTRO.SH DADOS.ZIP; do cp "$fontes/$f" "$d1/"; done
cp "$fontes/LEIAME.TXT" "$d2/"

tamanho() { stat -c %s "$1"; }
secao() { # <n> <nome> <tamanho> <bytes salvo> <discos> [modo]
  printf '[Arquivo #%s]\r\nNome=%s\r\nTamanho=%s\r\nBytes Salvo=%s\r\nQtd.Discos=%s\r\n' "$@"
  [ -z "${6:-}" ] || printf 'Modo=%s\r\n' "$6"
}
{
  secao 1 '@DIRBASE\APP.INI' "$(tamanho "$fontes/APP.INI")" "$(tamanho "$fontes/APP.INI")" 1
  secao 2 '@DIRBASE\RASTRO.SH' "$(tamanho "$fontes/RASTRO.SH")" "$(tamanho "$fontes/RASTRO.SH")" 1 755
  secao 3 '@DIRBASE\DADOS.ZIP' "$(tamanho "$fontes/DADOS.ZIP")" "$(tamanho "$fontes/DADOS.ZIP")" 1
  secao 4 '@DIRBASE\ARQUIVOS\GRANDE.DAT' 30000 20000 2
} >"$d1/zentrava.001"
{
  printf '[Arquivo #4]\r\nBytes Salvo=10000\r\n'
  secao 5 '@DIRBASE\LEIAME.TXT' "$(tamanho "$fontes/LEIAME.TXT")" "$(tamanho "$fontes/LEIAME.TXT")" 1
} >"$d2/zentrava.002"

titulo="Sistema de Vendas"
# Windows-1252: "instalação" is instala\347\343o.
printf '[Info]\r\nTitulo=%s\r\nCor Titulo=clWhite\r\nCor Sombra=clBlack\r\nSub-Titulo=Pedidos, clientes e estoque\r\nRodape=Zentrava 8 - instala\347\343o de teste\r\nCor Sub-Titulo=clYellow\r\nCor de Fundo 1=clBlue\r\nCor de Fundo 2=clBlack\r\nInstalacao=001000\r\nDiretorio Base=\\VENDAS\r\nTotal Discos=2\r\nTotal Arquivos=5\r\nTotal Bytes=40000\r\nGrupo de Programa=Vendas Teste\r\n' \
  "$titulo" >"$d1/zentrava.cmd"
printf '[Itens do Grupo]\r\nitem1=Leia-me,@DIRBASE\\LEIAME.TXT\r\nitem2=%s,@DIRBASE\\RASTRO.SH /M\r\n[Descompactar Arquivos]\r\nitem1=@DIRBASE\\DADOS.ZIP\r\n[Configurar Arquivos INI]\r\nitem1=@DIRBASE\\APP.INI,Geral,Pasta,@DIRBASE\\DADOS\r\n[Executar Arquivos]\r\nitem1=@DIRBASE\\RASTRO.SH,1,/S Primeiro\r\n' \
  "$titulo" >>"$d1/zentrava.cmd"
cp "$zentrava" "$d1/zentrava"

# ---- The installation ----
iniciar() { # [argumento]: the program from the first disk; sets `pid`
  (cd "$d1" && exec ./zentrava "$@" >>"$raiz/zentrava.log" 2>&1) &
  pid=$!
  pids+=("$pid")
}
principal=""
outra_janela() { # a visible window other than the main one
  local id
  for id in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
    [ "$id" = "$principal" ] || { echo "$id"; return; }
  done
}
tem_outra_janela() { [ -n "$(outra_janela)" ]; }
tela() { # <descrição> <expressão da legenda, ou vazio para qualquer outra janela>
  if [ -n "$2" ]; then
    esperar 30 tem_janela "$2" || falhar "a tela $1 não apareceu"
    janela "$2"
  else
    esperar 30 tem_outra_janela || falhar "a tela $1 não apareceu"
    outra_janela
  fi
}

iniciar
esperar 30 tem_janela "^$titulo\$" || falhar "a janela principal não apareceu"
principal=$(janela "^$titulo\$")

apresentacao=$(tela apresentação "")
sleep 0.5
mkdir -p "$galeria"
import -window root "$galeria/TfrmMain_zentrava.png"
teclar "$apresentacao" Return

# The destination: another folder typed in the folder field (tab order 1).
destino=$(tela destino '^Drive/Diret')
teclar "$destino" Tab ctrl+a
xdotool type --delay 30 '\Aplic\Vendas'
teclar "$destino" Return

restauracao=$(tela restauração '^Restaurar Arquivos$')
teclar "$restauracao" Return

foto="$galeria/TfrmMain_zentrava_concluida.png"
responder_mensagem '^Parab' "completada com sucesso"
status=0
esperar 20 terminou "$pid" || falhar "o instalador não terminou"
wait "$pid" || status=$?
[ "$status" -eq 0 ] || falhar "o instalador terminou com status $status"

# ---- What it left ----
app="$raiz/c/Aplic/Vendas"
[ -d "$app" ] || falhar "a pasta do aplicativo não foi criada: $(ls -R "$raiz/c")"
cmp -s "$fontes/GRANDE.DAT" "$app/ARQUIVOS/GRANDE.DAT" || falhar "GRANDE.DAT juntado difere do original"
cmp -s "$fontes/LEIAME.TXT" "$app/LEIAME.TXT" || falhar "LEIAME.TXT do segundo disco difere"
cmp -s "$fontes/dados/clientes.txt" "$app/dados/clientes.txt" || falhar "membro dados/clientes.txt não extraído"
cmp -s "$fontes/nota.txt" "$app/nota.txt" || falhar "membro nota.txt não extraído"
[ ! -e "$app/DADOS.ZIP" ] || falhar "o arquivo zip não foi apagado"
grep -qi '^pasta=c:\\aplic\\vendas\\dados'$'\r''$' "$app/APP.INI" || falhar "APP.INI sem a entrada: $(cat -A "$app/APP.INI")"
grep -q '^Nome=Vendas'$'\r''$' "$app/APP.INI" || falhar "APP.INI perdeu a linha que tinha"
esperar 10 test -s "$raiz/rastro.txt" || falhar "o programa não deixou rastro"
[ "$(cat "$raiz/rastro.txt")" = $'/s\nprimeiro' ] || falhar "argumentos do programa: $(cat "$raiz/rastro.txt")"
[ "$(tamanho "$app/zentrava.log")" -eq 1133 ] || falhar "zentrava.log não tem 1133 bytes"
[ "$(head -c 1 "$app/zentrava.log" | od -An -tu1 | tr -d ' ')" = 26 ] || falhar "zentrava.log não começa com 26"
grep -qaF 'c:\aplic\vendas\' "$app/zentrava.log" || falhar "zentrava.log sem a pasta do aplicativo"

mapfile -t entradas < <(find "$XDG_DATA_HOME/applications" -name '*.desktop' 2>/dev/null | sort)
[ "${#entradas[@]}" -eq 2 ] || falhar "${#entradas[@]} entradas de menu em vez de 2"
for e in "${entradas[@]}"; do desktop-file-validate "$e" || falhar "entrada inválida: $e"; done
grep -lqx 'Name=Leia-me' "${entradas[@]}" || falhar "sem a entrada Leia-me"
grep -lqx "Name=$titulo" "${entradas[@]}" || falhar "sem a entrada $titulo"
grep -rqx 'Name=Vendas Teste' "$XDG_DATA_HOME/desktop-directories" || falhar "sem o arquivo .directory do grupo"
ls "$XDG_CONFIG_HOME"/menus/applications-merged/*.menu >/dev/null 2>&1 || falhar "sem o menu do grupo"
cmp -s "$raiz/unidades.ini" "$XDG_CONFIG_HOME/falavox-zentrava/unidades.ini" || falhar "a tabela de unidades mudou"

# ---- The uninstall, named by the folder's host path ----
iniciar "/X$app"
responder_mensagem '^Desinstala' "Deseja realmente desinstalar"
responder_mensagem '^Parab' "desinstala" "bem sucedida"
status=0
esperar 20 terminou "$pid" || falhar "a desinstalação não terminou"
wait "$pid" || status=$?
[ "$status" -eq 0 ] || falhar "a desinstalação terminou com status $status"
[ ! -e "$app" ] || falhar "a pasta do aplicativo ficou: $(ls -R "$app")"
[ -d "$raiz/c/Aplic" ] || falhar "a pasta acima da do aplicativo foi apagada"
[ -z "$(find "$XDG_DATA_HOME" "$XDG_CONFIG_HOME/menus" \( -name '*.desktop' -o -name '*.directory' -o -name '*.menu' \) 2>/dev/null)" ] ||
  falhar "arquivos do grupo ficaram: $(find "$XDG_DATA_HOME" "$XDG_CONFIG_HOME/menus" -type f)"
[ -e "$d1/zentrava.cmd" ] || falhar "a desinstalação mexeu nos discos"
echo "instalação completa: dois discos, zip, INI, programa, log e grupo; desinstalação limpa"
