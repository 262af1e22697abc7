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
# The backdrop with the presentation screen over it, the completion message
# and the uninstall's question go to the gallery.
# Usage: instalacao_completa.sh <zentrava> <gallery folder>
# Exit 77 (skipped) when Xvfb, xdotool, ImageMagick, zip, tesseract or
# desktop-file-validate is missing.
set -euo pipefail

zentrava="$1"
galeria="$2"
raiz=$(mktemp -d /tmp/instalacao-completa-XXXXXX)
source "$(dirname "$0")/../apoio/instalacao.sh"
exigir_programas zip

preparar_unidades

# ---- The disk set ----
montar_conjunto_vendas "$zentrava"

# ---- The installation ----
instalar "$titulo"

# ---- What it left ----
cmp -s "$fontes/GRANDE.DAT" "$app/ARQUIVOS/GRANDE.DAT" || falhar "GRANDE.DAT juntado difere do original"
cmp -s "$fontes/LEIAME.TXT" "$app/LEIAME.TXT" || falhar "LEIAME.TXT do segundo disco difere"
cmp -s "$fontes/dados/clientes.txt" "$app/dados/clientes.txt" || falhar "membro dados/clientes.txt não extraído"
cmp -s "$fontes/nota.txt" "$app/nota.txt" || falhar "membro nota.txt não extraído"
[ ! -e "$app/DADOS.ZIP" ] || falhar "o arquivo zip não foi apagado"

# ---- The record of the installation and the installer kept beside it ----
[ "$(tail -n 1 "$app/zentrava-instalacao.log")" = $'fim\tconcluida' ] || falhar "o registro da instalação não terminou"
grep -q $'^membro\tdados/clientes.txt\t' "$app/zentrava-instalacao.log" || falhar "o registro não lista os membros do zip"
cmp -s "$zentrava" "$app/.zentrava/zentrava" || falhar "o instalador não foi copiado para a pasta do aplicativo"
[ -z "$(find "$raiz" -name '.zentrava-*')" ] || falhar "temporários ficaram: $(find "$raiz" -name '.zentrava-*')"

# ---- The uninstall from the menu item, the disks gone ----
conferir_ini_e_rastro "$app/APP.INI" 'pasta=c:\aplic\vendas\dados'
conferir_log "$app" 'c:\aplic\vendas\'
conferir_grupo "Vendas Teste" Leia-me "$titulo" "Desinstalar $titulo"
item=$(grep -rlx "Name=Desinstalar $titulo" "$XDG_DATA_HOME/applications")
linha=$(sed -n 's/^Exec=//p' "$item")
mv "$raiz/c/inst" "$raiz/c/inst.guardado"
(eval "exec $linha" >>"$raiz/zentrava.log" 2>&1) &
pid=$!
pids+=("$pid")
foto="$galeria/TfrmMain_zentrava_desinstalacao.png"
responder_mensagem '^Desinstala' "será apagada" "Deseja realmente desinstalar"
responder_mensagem '^Parab' "desinstala" "bem sucedida"
esperar_fim "a desinstalação pelo menu"
mv "$raiz/c/inst.guardado" "$raiz/c/inst"
[ ! -e "$app" ] || falhar "a pasta do aplicativo ficou: $(ls -R "$app")"
[ -z "$(find "$XDG_DATA_HOME" "$XDG_CONFIG_HOME/menus" -type f 2>/dev/null)" ] ||
  falhar "arquivos do grupo ficaram: $(find "$XDG_DATA_HOME" "$XDG_CONFIG_HOME/menus" -type f)"

# Nothing left to uninstall: a non-zero exit.
iniciar "/X$app"
responder_mensagem '^Erro' "ZENTRAVA.LOG"
esperar 20 terminou "$pid" || falhar "/X sem log não terminou"
if wait "$pid"; then falhar "/X sem log terminou com status 0"; fi
echo "instalação completa: dois discos, zip, INI, programa, log, grupo e registro; desinstalação pelo menu limpa"
