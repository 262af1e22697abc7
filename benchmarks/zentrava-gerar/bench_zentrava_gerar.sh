#!/usr/bin/env bash
# Throughput of zentrava-gerar on a ~500 MB tree (a few large files that get
# split, many small ones, a folder packed into a zip archive) beside `cp -r`
# and `zip -r` of the same tree, alternating in the same run; prints every
# round and the medians. The tree is read once first, so all three read from
# the page cache. zentrava-gerar computes a CRC-32 over every byte it writes
# and deflates only the packed folder; `zip -r` deflates everything.
# Usage: bench_zentrava_gerar.sh [zentrava-gerar binary] [rounds] [MB]
set -euo pipefail
bin="${1:-$(dirname "$0")/../../installer/zentrava-gerar}"
rodadas="${2:-5}"
mb="${3:-500}"
pasta=$(mktemp -d "${TMPDIR:-/tmp}/bench-gerar.XXXXXX")
trap 'rm -rf "$pasta"' EXIT

mkdir -p "$pasta/programas" "$pasta/arvore/app/grandes" "$pasta/arvore/app/miudos" "$pasta/arvore/app/textos"
printf '#!/bin/sh\n' > "$pasta/programas/zentrava"
head -c 200000 /dev/urandom > "$pasta/programas/libzentunz.so"
grandes=$(( mb * 85 / 100 / 4 ))                # four large files, 85% of the bytes
for i in 1 2 3 4; do head -c "$((grandes * 1048576))" /dev/urandom > "$pasta/arvore/app/grandes/g$i.bin"; done
miudos=$(( mb * 10 / 100 * 1048576 / 40000 ))   # 10% in files of 40 KB
for ((i = 0; i < miudos; i++)); do
  mkdir -p "$pasta/arvore/app/miudos/d$((i / 100))"
  head -c 40000 /dev/urandom > "$pasta/arvore/app/miudos/d$((i / 100))/m$i.dat"
done
texto=$(( mb * 5 / 100 ))                        # 5% of text, packed
for ((i = 0; i < texto; i++)); do
  yes "linha $i de texto que se repete e comprime bem" | head -c 1048576 > "$pasta/arvore/app/textos/t$i.txt" || true
done
cat > "$pasta/arvore/projeto.zgp" <<'PRJ'
[Info]
Titulo=Benchmark
Diretorio Base=\BENCH
[Arquivos]
1=app/grandes,@DIRBASE\GRANDES\
2=app/miudos,@DIRBASE\MIUDOS\
[Compactar]
1=app/textos,@DIRBASE\TEXTOS\
[Discos]
Tamanho=100000000
PRJ
total=$(du -sb "$pasta/arvore" | cut -f1)
find "$pasta/arvore" -type f -exec cat {} + > /dev/null
echo "tree: $total bytes in $(find "$pasta/arvore" -type f | wc -l) files"

tempo() { local t0 t1; t0=$(date +%s.%N); "$@" > /dev/null; t1=$(date +%s.%N); echo "$t1 - $t0" | bc; }
gerar=(); copia=(); compacta=()
for ((r = 1; r <= rodadas; r++)); do
  g=$(tempo "$bin" --silencioso --programas "$pasta/programas" "$pasta/arvore/projeto.zgp" "$pasta/saida")
  discos=$(ls -d "$pasta/saida"/DISCO.* | wc -l)
  rm -rf "$pasta/saida"
  c=$(tempo cp -r "$pasta/arvore" "$pasta/copia")
  rm -rf "$pasta/copia"
  z=$(tempo bash -c "cd '$pasta' && zip -qr '$pasta/copia.zip' arvore")
  rm -f "$pasta/copia.zip"
  sync
  gerar+=("$g"); copia+=("$c"); compacta+=("$z")
  printf 'round %d: zentrava-gerar %.2f s (%d disks, %.0f MB/s)   cp -r %.2f s (%.0f MB/s)   zip -r %.2f s (%.0f MB/s)\n' \
    "$r" "$g" "$discos" "$(echo "$total / 1048576 / $g" | bc -l)" "$c" "$(echo "$total / 1048576 / $c" | bc -l)" \
    "$z" "$(echo "$total / 1048576 / $z" | bc -l)"
done
mediana() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
mg=$(mediana "${gerar[@]}"); mc=$(mediana "${copia[@]}"); mz=$(mediana "${compacta[@]}")
printf 'median of %d: zentrava-gerar %.2f s = %.0f MB/s; cp -r %.2f s = %.0f MB/s; zip -r %.2f s = %.0f MB/s; gerar/cp %.2f, gerar/zip %.2f\n' \
  "$rodadas" "$mg" "$(echo "$total / 1048576 / $mg" | bc -l)" "$mc" "$(echo "$total / 1048576 / $mc" | bc -l)" \
  "$mz" "$(echo "$total / 1048576 / $mz" | bc -l)" "$(echo "$mg / $mc" | bc -l)" "$(echo "$mg / $mz" | bc -l)"
