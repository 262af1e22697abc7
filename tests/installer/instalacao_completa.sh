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

# ---- The uninstall, named by the folder's host path ----
conferir_e_desinstalar "$titulo"
echo "instalação completa: dois discos, zip, INI, programa, log e grupo; desinstalação limpa"
