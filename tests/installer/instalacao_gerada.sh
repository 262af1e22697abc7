#!/usr/bin/env bash
# A disk set built by zentrava-gerar from a project the test writes, installed
# by the real zentrava from SAIDA/DISCO.001 on a virtual display (Xvfb),
# driven by the keyboard (xdotool), then uninstalled.
# The disk size leaves about 30000 bytes beside the programs on disk 1, so the
# 60000-byte file is split across the two disks. The project carries nested
# folders, a 0-byte file, a name with an accent and spaces, an executable
# script (run by the installer, and the program of a group item), a folder
# packed into a zip archive and an INI entry.
# Checked on disk: the installed tree equal to the source tree byte for byte,
# with its modes, the archive's members extracted and the archive gone, the
# INI entry, the script's trace, the 1133-byte log, the group's menu files;
# then "zentrava /X<folder>" removes everything.
# Usage: instalacao_gerada.sh <zentrava> <zentrava-gerar>
# Exit 77 (skipped) when Xvfb, xdotool, ImageMagick, tesseract or
# desktop-file-validate is missing.
set -euo pipefail

zentrava="$1"
gerar="$2"
raiz=$(mktemp -d /tmp/instalacao-gerada-XXXXXX)
source "$(dirname "$0")/../apoio/instalacao.sh"
exigir_programas iconv

preparar_unidades

# ---- The packager's tree and project ----
projeto="$raiz/projeto"
fontes="$projeto/app"
mkdir -p "$fontes/bin" "$fontes/dados/antigos" "$fontes/doc" "$projeto/modelos/cartas"
printf '[Geral]\r\nNome=Vendas\r\n' >"$fontes/APP.INI"
escrever_rastro "$fontes/bin/rastro.sh"
chmod 755 "$fontes/bin/rastro.sh"
head -c 60000 /dev/urandom >"$fontes/dados/GRANDE.DAT"
: >"$fontes/dados/antigos/vazio.dat"
printf 'Somente leitura\r\n' >"$fontes/dados/tabela.txt"
chmod 444 "$fontes/dados/tabela.txt"
printf 'Como usar o sistema\r\n' >"$fontes/doc/Instruções de uso.txt"
printf 'Prezado cliente,\r\n' >"$projeto/modelos/cartas/cobranca.txt"
printf 'Lembrete\r\n' >"$projeto/modelos/lembrete.txt"

titulo="Vendas Geradas"
# Disk 1 holds zentrava and the engine library it loads.
motor=$(ldd "$zentrava" | awk '$1 ~ /^libzentunz/ { print $3 }')
[ -f "$motor" ] || falhar "a biblioteca do motor não foi achada: $(ldd "$zentrava")"
programas=$(($(tamanho "$zentrava") + $(tamanho "$(readlink -f "$motor")")))
{
  printf '[Info]\nTitulo=%s\nCor de Fundo 1=clNavy\nCor de Fundo 2=clBlack\n' "$titulo"
  printf 'Rodape=Zentrava 8 - instalação gerada\nInstalacao=001000\nDiretorio Base=\\VENDAS\n'
  printf 'Grupo de Programa=Vendas Teste\n'
  printf '[Arquivos]\napp=app,@DIRBASE\\\n'
  printf '[Compactar]\nm=modelos,@DIRBASE\\modelos\\\n'
  printf '[Itens do Grupo]\nleia=Leia-me,@DIRBASE\\doc\\Instruções de uso.txt\n'
  printf 'prog=%s,@DIRBASE\\bin\\rastro.sh /M\n' "$titulo"
  printf '[Configurar Arquivos INI]\nini=@DIRBASE\\APP.INI,Geral,Pasta,@DIRBASE\\DADOS\n'
  printf '[Executar Arquivos]\nexe=@DIRBASE\\bin\\rastro.sh,1,/S Primeiro\n'
  printf '[Discos]\nTamanho=%s\n' $((programas + 30000))
} | iconv -f UTF-8 -t WINDOWS-1252 >"$projeto/vendas.zgp"

# ---- The set ----
saida="$raiz/c/inst/SAIDA"
mkdir -p "$raiz/c/inst"
"$gerar" --silencioso --programas "$(dirname "$zentrava")" "$projeto/vendas.zgp" "$saida" ||
  falhar "zentrava-gerar falhou"
d1="$saida/DISCO.001"
[ "$(ls "$saida")" = $'DISCO.001\nDISCO.002' ] || falhar "discos gerados: $(ls "$saida")"
[ -e "$saida/DISCO.001/GRANDE.DAT" ] && [ -e "$saida/DISCO.002/GRANDE.DAT" ] ||
  falhar "GRANDE.DAT não foi dividido entre os discos: $(ls -R "$saida")"

# ---- The installation ----
instalar "$titulo"

# ---- What it left ----
# The source tree and the archive's members, except the INI file the
# installation changes, its log, its record and the installer kept there.
esperado="$raiz/esperado"
cp -a "$fontes" "$esperado"
cp -a "$projeto/modelos" "$esperado/modelos"
diff -r -x APP.INI -x zentrava.log -x zentrava-instalacao.log -x .zentrava "$esperado" "$app" >&2 || falhar "a árvore instalada difere da de origem"
modos() { (cd "$1" && find . -path ./.zentrava -prune -o -type f ! -name APP.INI ! -name 'zentrava*.log' -printf '%P %m\n' | sort); }
[ "$(modos "$esperado")" = "$(modos "$app")" ] ||
  falhar "modos instalados: $(diff <(modos "$esperado") <(modos "$app"))"
[ ! -e "$app/modelos.zip" ] || falhar "o arquivo zip não foi apagado"

# ---- The uninstall, named by the folder's host path ----
conferir_e_desinstalar "$titulo"
echo "instalação gerada: dois discos do zentrava-gerar, árvore, modos, zip, INI, programa, log e grupo; desinstalação limpa"
