#!/usr/bin/env bash
# An unattended installation of a ~300 MB set of three image folders (one
# file split across all three, plus a zip archive to extract) with the real
# zentrava, beside `cp -r` of the same disk folders, in one run, taking turns
# to go first. Prints wall and CPU seconds of each and their ratio; no window
# and no display are used. Not a test.
# Usage: bench_silencioso.sh <zentrava> [rounds] [MB]
set -euo pipefail
zentrava=$(readlink -f "$1")
rodadas=${2:-3}
mb=${3:-300}
raiz=$(mktemp -d "${TMPDIR:-/tmp}/bench-silencioso-XXXXXX")
trap 'rm -rf "$raiz"' EXIT
unset DISPLAY

mkdir -p "$raiz/c" "$raiz/config/falavox-zentrava" "$raiz/dados"
printf '[Unidades]\nC=%s\nZ=/\n' "$raiz/c" >"$raiz/config/falavox-zentrava/unidades.ini"
export XDG_CONFIG_HOME="$raiz/config" XDG_DATA_HOME="$raiz/dados"

# The set: a file of mb-20 MB in three pieces, ten 1 MB files, a 10 MB zip.
inst="$raiz/c/inst"
mkdir -p "$inst/DISCO.001" "$inst/DISCO.002" "$inst/DISCO.003" "$raiz/fonte/pacote"
grande=$(((mb - 20) * 1048576))
terco=$((grande / 3))
head -c "$grande" /dev/urandom >"$raiz/fonte/GRANDE.DAT"
for d in 1 2 3; do
  inicio=$(((d - 1) * terco))
  tam=$terco
  [ "$d" -lt 3 ] || tam=$((grande - 2 * terco))
  dd if="$raiz/fonte/GRANDE.DAT" of="$inst/DISCO.00$d/GRANDE.DAT" bs=1M skip="$inicio" count="$tam" \
    iflag=skip_bytes,count_bytes status=none
done
for i in $(seq 10); do head -c 1048576 /dev/urandom >"$raiz/fonte/pacote/parte$i.bin"; done
(cd "$raiz/fonte" && zip -q -0 -r PACOTE.ZIP pacote)
cp "$raiz/fonte/PACOTE.ZIP" "$inst/DISCO.001/"
zip=$(stat -c %s "$raiz/fonte/PACOTE.ZIP")
for i in $(seq 10); do cp "$raiz/fonte/pacote/parte$i.bin" "$inst/DISCO.003/P$i.BIN"; done
{
  printf '[Arquivo #1]\r\nNome=@DIRBASE\\PACOTE.ZIP\r\nTamanho=%s\r\nBytes Salvo=%s\r\nQtd.Discos=1\r\n' "$zip" "$zip"
  printf '[Arquivo #2]\r\nNome=@DIRBASE\\GRANDE.DAT\r\nTamanho=%s\r\nBytes Salvo=%s\r\nQtd.Discos=3\r\n' "$grande" "$terco"
} >"$inst/DISCO.001/zentrava.001"
printf '[Arquivo #2]\r\nBytes Salvo=%s\r\n' "$terco" >"$inst/DISCO.002/zentrava.002"
{
  printf '[Arquivo #2]\r\nBytes Salvo=%s\r\n' "$((grande - 2 * terco))"
  for i in $(seq 10); do
    printf '[Arquivo #%s]\r\nNome=@DIRBASE\\SOLTOS\\P%s.BIN\r\nTamanho=1048576\r\nBytes Salvo=1048576\r\nQtd.Discos=1\r\n' $((i + 2)) "$i"
  done
} >"$inst/DISCO.003/zentrava.003"
printf '[Info]\r\nTitulo=Bench\r\nDiretorio Base=\\BENCH\r\nTotal Discos=3\r\nTotal Arquivos=12\r\nTotal Bytes=%s\r\n[Descompactar Arquivos]\r\nitem1=@DIRBASE\\PACOTE.ZIP\r\n' \
  "$((grande + zip + 10 * 1048576))" >"$inst/DISCO.001/zentrava.cmd"
cp "$zentrava" "$inst/DISCO.001/zentrava"

# One measured run: "wall cpu" in seconds.
medir() { # <comando...>
  local t0 t1 u
  sync
  t0=$(date +%s.%N)
  /usr/bin/time -f '%U %S' -o "$raiz/tempo" "$@" >/dev/null 2>&1
  u=$(tail -n1 "$raiz/tempo")
  t1=$(date +%s.%N)
  awk -v a="$t0" -v b="$t1" -v u="$u" 'BEGIN { split(u, c, " "); printf "%.3f %.3f\n", b - a, c[1] + c[2] }'
}
instalar() { rm -rf "$raiz/c/BENCH"; medir "$inst/DISCO.001/zentrava" --silencioso --destino "$raiz/c/BENCH"; }
copiar() { rm -rf "$raiz/copia"; medir cp -r "$inst" "$raiz/copia"; }
command -v /usr/bin/time >/dev/null || { echo "sem /usr/bin/time (pacote time)"; exit 1; }

echo "conjunto: $mb MB em 3 discos (um arquivo em três partes, um zip de 10 MB, 10 arquivos soltos)"
printf '%-6s %-22s %-22s %s\n' rodada "zentrava (real / cpu)" "cp -r (real / cpu)" "razão real"
for r in $(seq "$rodadas"); do
  if ((r % 2)); then z=$(instalar); c=$(copiar); else c=$(copiar); z=$(instalar); fi
  cmp -s "$raiz/fonte/GRANDE.DAT" "$raiz/c/BENCH/GRANDE.DAT" || { echo "GRANDE.DAT difere"; exit 1; }
  read -r zr zc <<<"$z"
  read -r cr cc <<<"$c"
  printf '%-6s %8s s / %6s s    %8s s / %6s s    %s\n' "$r" "$zr" "$zc" "$cr" "$cc" \
    "$(awk -v a="$zr" -v b="$cr" 'BEGIN { printf "%.2f", a / b }')"
done
