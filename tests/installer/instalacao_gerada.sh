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
# With "autonomo": the project is UTF-8 with accents in the group and its
# items, the set self-contained (two disks again); in a mount namespace an output on
# a full disk is refused first, then zentrava runs (and ldd of the disk's
# programs must resolve every library from the disk but those of the C
# library, X11/xcb, GL and what they bring) in a namespace of its own where
# the system's Qt 6, libzip and libdeflate are hidden, an empty file bound
# over each.
# Usage: instalacao_gerada.sh <zentrava> <zentrava-gerar> [autonomo]
# Exit 77 (skipped) when Xvfb, xdotool, ImageMagick, tesseract or
# desktop-file-validate is missing; "autonomo" also needs root, unshare and patchelf.
set -euo pipefail

zentrava="$1"
gerar="$2"
autonomo=$([ "${3:-}" = autonomo ] && echo 1 || true)
if [ -n "$autonomo" ] && [ -z "${FZ_NAMESPACE:-}" ]; then
  if [ "$(id -u)" -ne 0 ] || ! command -v unshare >/dev/null || ! command -v patchelf >/dev/null; then
    echo "conjunto autônomo: precisa de root, unshare e patchelf; teste pulado"
    exit 77
  fi
  FZ_NAMESPACE=1 exec unshare -m --propagation private bash "$0" "$@"
fi
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
grupo="Vendas Teste" leia="Leia-me"
[ -z "$autonomo" ] || { grupo="Vendas Técnicas"; leia="Instruções de uso (Técnico)"; }
# Disk 1 holds zentrava and the engine library it loads.
motor=$(ldd "$zentrava" | awk '$1 ~ /^libzentunz/ { print $3 }')
[ -f "$motor" ] || falhar "a biblioteca do motor não foi achada: $(ldd "$zentrava")"
# As they go there: stripped.
strip --strip-unneeded -o "$raiz/zentrava.sem" "$zentrava"
strip --strip-unneeded -o "$raiz/motor.sem" "$(readlink -f "$motor")"
programas=$(($(tamanho "$raiz/zentrava.sem") + $(tamanho "$raiz/motor.sem")))
escrever_projeto() { # <tamanho do disco>
{
  printf '[Info]\nTitulo=%s\nCor de Fundo 1=clNavy\nCor de Fundo 2=clBlack\n' "$titulo"
  printf 'Rodape=Zentrava 8 - instalação gerada\nInstalacao=001000\nDiretorio Base=\\VENDAS\n'
  printf 'Grupo de Programa=%s\n' "$grupo"
  printf '[Arquivos]\napp=app,@DIRBASE\\\n'
  printf '[Compactar]\nm=modelos,@DIRBASE\\modelos\\\n'
  printf '[Itens do Grupo]\nleia=%s,@DIRBASE\\doc\\Instruções de uso.txt\n' "$leia"
  printf 'prog=%s,@DIRBASE\\bin\\rastro.sh /M\n' "$titulo"
  printf '[Configurar Arquivos INI]\nini=@DIRBASE\\APP.INI,Geral,Pasta,@DIRBASE\\DADOS\n'
  printf '[Executar Arquivos]\nexe=@DIRBASE\\bin\\rastro.sh,1,/S Primeiro\n'
  printf '[Discos]\nTamanho=%s\n' "$1"
} | if [ -n "$autonomo" ]; then cat; else iconv -f UTF-8 -t WINDOWS-1252; fi >"$projeto/vendas.zgp"
}
opcoes=(--silencioso --programas "$(dirname "$zentrava")")
if [ -n "$autonomo" ]; then
  # What disk 1's programs take with their libraries, measured on a first set.
  opcoes+=(--autonomo)
  escrever_projeto CD
  "$gerar" --autonomo --programas "$(dirname "$zentrava")" "$projeto/vendas.zgp" "$raiz/medida" \
    >"$raiz/medida.txt" 2>&1 || falhar "zentrava-gerar --autonomo falhou: $(cat "$raiz/medida.txt")"
  grep -q "a máquina de destino precisa da glibc 2\.[0-9]* ou mais nova" "$raiz/medida.txt" ||
    falhar "o resumo não diz a glibc necessária: $(cat "$raiz/medida.txt")"
  programas=$(cd "$raiz/medida/DISCO.001" &&
    find zentrava libzentunz.so* qt.conf zentrava-lib -type f -printf '%s\n' | awk '{ s += $1 } END { print s }')
  rm -rf "$raiz/medida"
fi
escrever_projeto $((programas + 30000))

# ---- The set ----
saida="$raiz/c/inst/SAIDA"
mkdir -p "$raiz/c/inst"
"$gerar" "${opcoes[@]}" "$projeto/vendas.zgp" "$saida" || falhar "zentrava-gerar falhou"
d1="$saida/DISCO.001"
[ "$(ls "$saida")" = $'DISCO.001\nDISCO.002' ] || falhar "discos gerados: $(ls "$saida")"
[ -e "$saida/DISCO.001/GRANDE.DAT" ] && [ -e "$saida/DISCO.002/GRANDE.DAT" ] ||
  falhar "GRANDE.DAT não foi dividido entre os discos: $(ls -R "$saida")"
if [ -n "$autonomo" ]; then
  # The texts of the set are Windows-1252.
  grep -qaF "$(printf 'Grupo de Programa=Vendas T\351cnicas\r')" "$d1/zentrava.cmd" ||
    falhar "zentrava.cmd não está em Windows-1252: $(grep -a Grupo "$d1/zentrava.cmd" | od -c | head)"
  cat "$saida"/DISCO.*/zentrava.0* | grep -qaF "$(printf 'Instru\347\365es de uso.txt')" ||
    falhar "os rótulos não estão em Windows-1252"

  # A full output disk: the message, status 1, nothing left there.
  mkdir -p "$raiz/cheio"
  mount -t tmpfs -o size=2m cheio "$raiz/cheio"
  status=0
  "$gerar" "${opcoes[@]}" "$projeto/vendas.zgp" "$raiz/cheio/SAIDA" 2>"$raiz/cheio.txt" || status=$?
  sobrou=$(ls -A "$raiz/cheio")
  umount "$raiz/cheio"
  [ "$status" -eq 1 ] || falhar "num disco cheio o gerador saiu com $status"
  grep -q "Não há espaço suficiente no disco" "$raiz/cheio.txt" || falhar "mensagem do disco cheio: $(cat "$raiz/cheio.txt")"
  [ -z "$sobrou" ] || falhar "o disco cheio ficou com $sobrou"

  # The machine without Qt 6, libzip and libdeflate, for zentrava alone (the
  # tools of the test need some of them): an empty file bound over each.
  pasta_libs=$(dirname "$(readlink -f "$(ldd "$zentrava" | awk '$1 ~ /^libQt6Core/ { print $3 }')")")
  : >"$raiz/vazio"
  {
    echo 'set -e'
    find "$pasta_libs" -maxdepth 1 -type f \( -name 'libQt6*' -o -name 'libzip.so*' -o -name 'libdeflate.so*' \) \
      -printf "mount --bind '$raiz/vazio' '%p'\n"
    [ ! -d "$pasta_libs/qt6" ] || echo "mount -t tmpfs semqt '$pasta_libs/qt6'"
    echo "[ ! -s '$pasta_libs/libQt6Core.so.6' ]"
    echo 'exec "$@"'
  } >"$raiz/sem_qt.sh"
  sem_qt() { unshare -m --propagation private bash "$raiz/sem_qt.sh" "$@"; }
  iniciar() {
    (cd "$d1" && exec unshare -m --propagation private bash "$raiz/sem_qt.sh" ./zentrava "$@" >>"$raiz/zentrava.log" 2>&1) &
    pid=$!
    pids+=("$pid")
  }
  sem_qt test ! -s "$pasta_libs/libQt6Widgets.so.6" || falhar "o Qt 6 do sistema não foi escondido"
  sistema='^(linux-vdso|ld-linux|libc|libm|libmvec|libpthread|libdl|librt|libresolv|libutil|libX11|libX11-xcb|libxcb|libXau|libXdmcp|libGL|libGLX|libGLdispatch|libOpenGL|libEGL|libGLESv2|libgbm|libdrm)\.so'
  for programa in "$d1/zentrava" "$d1/zentrava-lib/plugins/platforms/libqxcb.so"; do
    sem_qt ldd "$programa" >"$raiz/ldd.txt" 2>&1 || falhar "ldd $programa: $(cat "$raiz/ldd.txt")"
    ! grep -q 'not found' "$raiz/ldd.txt" || falhar "bibliotecas faltando: $(grep 'not found' "$raiz/ldd.txt")"
    # What the system's own libraries bring comes with them.
    trazidas=" $(grep '=>' "$raiz/ldd.txt" | while read -r nome _ caminho _; do
      [[ ! "$nome" =~ $sistema ]] || ldd "$caminho" | awk '/=>/ { print $1 }'
    done | sort -u | tr '\n' ' ')"
    while read -r nome _ caminho _; do
      [[ "$nome" =~ $sistema ]] || [[ "$caminho" == "$d1/"* ]] || [[ "$trazidas" == *" $nome "* ]] ||
        falhar "$nome de $programa vem de $caminho, não do disco"
    done < <(grep '=>' "$raiz/ldd.txt")
    grep -q "libQt6Core.so.6 => $d1/" "$raiz/ldd.txt" || falhar "o Qt não vem do disco: $(cat "$raiz/ldd.txt")"
  done
fi

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
if [ -z "$autonomo" ]; then
  conferir_e_desinstalar "$titulo"
  echo "instalação gerada: dois discos do zentrava-gerar, árvore, modos, zip, INI, programa, log e grupo; desinstalação limpa"
else
  conferir_ini_e_rastro "$app/APP.INI" 'pasta=c:\aplic\vendas\dados'
  conferir_log "$app" 'c:\aplic\vendas\'
  conferir_grupo "$grupo" "$leia" "$titulo" "Desinstalar $titulo"
  # The kept uninstaller must run where the system has no Qt either.
  [ -f "$app/.zentrava/qt.conf" ] && [ -f "$app/.zentrava/zentrava-lib/plugins/platforms/libqxcb.so" ] ||
    falhar "a cópia do instalador na pasta do aplicativo não levou as bibliotecas do disco 1"
  desinstalar "$app"
  echo "instalação autônoma: projeto UTF-8, disco cheio recusado, sem o Qt, a libzip e a libdeflate do sistema; árvore, modos, zip, INI, programa, log, grupo com acentos; desinstalação limpa"
fi
