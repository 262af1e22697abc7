#!/usr/bin/env bash
# The real installer against copying by hand: a set of about 300 MB built by
# zentrava-gerar (a 180 MiB file split over the disks, 300 small files, six
# medium ones, a folder of text packed into a zip of about 50 MB), installed
# by the real zentrava on a virtual display (Xvfb), driven by xdotool keys,
# timed from the Instalar key to the completion box; beside it `cp -r` of the
# disk folders plus `unzip` of the archive. Rounds alternate which goes
# first; prints each round, then the medians of the per-round ratios, in
# wall time and in CPU time (zentrava's own, from /proc; the X server's is
# printed beside it).
# Usage: bench_zentrava.sh [zentrava] [zentrava-gerar] [rounds (5)] [MB (300)]
set -euo pipefail
aqui=$(cd "$(dirname "$0")" && pwd)
zentrava=$(readlink -f "${1:-$aqui/../../build/installer/zentrava}")
gerar=$(readlink -f "${2:-$aqui/../../build/installer/zentrava-gerar}")
rodadas="${3:-5}"
mb="${4:-300}"
raiz=$(mktemp -d "${TMPDIR:-/tmp}/bench-zentrava-XXXXXX")
source "$aqui/../../tests/apoio/tela_virtual.sh"
exigir_programas Xvfb xdotool xwininfo unzip bc

# ---- The packager's tree and the set ----
projeto="$raiz/projeto"
mkdir -p "$projeto/app/medios" "$projeto/app/miudos" "$projeto/textos"
grande=$((mb * 60 / 100))
head -c $((grande * 1048576)) /dev/urandom >"$projeto/app/GRANDE.DAT"
for i in 1 2 3 4 5 6; do head -c $((mb * 1048576 / 30)) /dev/urandom >"$projeto/app/medios/M$i.DAT"; done
for ((i = 0; i < 300; i++)); do head -c $((1024 + RANDOM % 40000)) /dev/urandom >"$projeto/app/miudos/m$i.dat"; done
# Text that deflate takes to about three quarters.
for ((i = 0; i < mb / 5; i++)); do head -c 786432 /dev/urandom | base64 >"$projeto/textos/t$i.txt"; done
cat >"$projeto/bench.zgp" <<'PRJ'
[Info]
Titulo=Bench Zentrava
Diretorio Base=\BENCH
Grupo de Programa=Bench Zentrava
[Arquivos]
1=app,@DIRBASE\
[Compactar]
1=textos,@DIRBASE\TEXTOS\
[Discos]
Tamanho=100000000
PRJ
mkdir -p "$raiz/c/inst"
saida="$raiz/c/inst/SAIDA"
"$gerar" --silencioso --programas "$(dirname "$zentrava")" "$projeto/bench.zgp" "$saida" >/dev/null
d1="$saida/DISCO.001"
discos=("$saida"/DISCO.*)
# unzip needs the archive whole: its pieces joined once, outside the timing.
mapfile -t pecas < <(cd "$saida" && find . -name 'textos.zip' | sort)
if [ "${#pecas[@]}" -eq 1 ]; then zip_inteiro="$saida/${pecas[0]}"; else
  zip_inteiro="$raiz/textos.zip"
  (cd "$saida" && cat "${pecas[@]}") >"$zip_inteiro"
fi
total=$(du -sb "$saida" | cut -f1)
cat "$saida"/DISCO.*/* "$zip_inteiro" >/dev/null # every round reads from the page cache
echo "conjunto: $((total / 1048576)) MB em ${#discos[@]} discos, $(find "$projeto/app" -type f | wc -l) arquivos e um zip de $(($(stat -c %s "$zip_inteiro") / 1048576)) MB; $rodadas rodadas"

# ---- The drive table and the display ----
mkdir -p "$raiz/config/falavox-zentrava" "$raiz/dados"
printf '[Unidades]\nC=%s\nZ=/\n' "$raiz/c" >"$raiz/config/falavox-zentrava/unidades.ini"
export XDG_CONFIG_HOME="$raiz/config" XDG_DATA_HOME="$raiz/dados"
iniciar_tela_virtual
app="$raiz/c/BENCH"

ticks=$(getconf CLK_TCK)
cpu_de() { awk -v t="$ticks" '{ print ($14 + $15) / t }' "/proc/$1/stat"; }
agora() { date +%s.%N; }
tem_parabens() { tem_janela '^Parab'; }

# One installation; prints "wall cpu cpu-of-X" from the Instalar key to the completion box.
instalar() {
  local pid principal apresentacao destino restauracao t0 c0 x0 t1 c1 x1
  rm -rf "$app" "$XDG_DATA_HOME"/* "$XDG_CONFIG_HOME/menus"
  (cd "$d1" && exec ./zentrava >>"$raiz/zentrava.log" 2>&1) &
  pid=$!
  pids+=("$pid")
  esperar 30 tem_janela '^Bench Zentrava$' || falhar "a janela principal não apareceu"
  principal=$(janela '^Bench Zentrava$')
  outra() { xdotool search --onlyvisible --name . 2>/dev/null | grep -vx "$principal" | head -n1; }
  tem_outra() { [ -n "$(outra)" ]; }
  esperar 30 tem_outra || falhar "a apresentação não apareceu"
  apresentacao=$(outra)
  sleep 0.5
  teclar "$apresentacao" Return
  esperar 30 tem_janela '^Drive/Diret' || falhar "a tela de destino não apareceu"
  destino=$(janela '^Drive/Diret')
  teclar "$destino" Return # the suggested folder, C:\BENCH
  esperar 30 tem_janela '^Restaurar Arquivos$' || falhar "a tela de restauração não apareceu"
  restauracao=$(janela '^Restaurar Arquivos$')
  sleep 0.5
  c0=$(cpu_de "$pid"); x0=$(cpu_de "$xvfb"); t0=$(agora)
  teclar "$restauracao" Return
  until tem_parabens; do
    kill -0 "$pid" 2>/dev/null || falhar "o instalador terminou sem a mensagem final"
    sleep 0.02
  done
  t1=$(agora); c1=$(cpu_de "$pid"); x1=$(cpu_de "$xvfb")
  sleep 0.3
  teclar "$(janela '^Parab')" Return
  esperar 30 terminou "$pid" || falhar "o instalador não terminou"
  wait "$pid" || falhar "o instalador terminou com erro"
  cmp -s "$projeto/app/GRANDE.DAT" "$app/GRANDE.DAT" || falhar "GRANDE.DAT não foi instalado inteiro"
  [ "$(ls "$app/TEXTOS" | wc -l)" -eq "$(ls "$projeto/textos" | wc -l)" ] || falhar "o zip não foi extraído"
  echo "$(echo "$t1 - $t0" | bc -l) $(echo "$c1 - $c0" | bc -l) $(echo "$x1 - $x0" | bc -l)"
}

# cp -r of the disk folders and unzip of the archive; prints "wall cpu".
copiar() {
  local destino="$raiz/c/copia" TIMEFORMAT='%R %U %S' t
  rm -rf "$destino"
  mkdir -p "$destino"
  t=$({ time { cp -r "${discos[@]}" "$destino/" && unzip -q "$zip_inteiro" -d "$destino/textos"; } >/dev/null; } 2>&1)
  rm -rf "$destino"
  awk '{ print $1, $2 + $3 }' <<<"$t"
}

razoes_parede=(); razoes_cpu=(); z_parede=(); z_cpu=(); c_parede=(); c_cpu=()
for ((r = 1; r <= rodadas; r++)); do
  sync
  if ((r % 2)); then z=$(instalar); c=$(copiar); ordem=""; else c=$(copiar); z=$(instalar); ordem=" (cp antes)"; fi
  read -r zp zc zx <<<"$z"
  read -r cp_ cc <<<"$c"
  z_parede+=("$zp"); z_cpu+=("$zc"); c_parede+=("$cp_"); c_cpu+=("$cc")
  razoes_parede+=("$(echo "$zp / $cp_" | bc -l)"); razoes_cpu+=("$(echo "$zc / $cc" | bc -l)")
  printf 'rodada %d%s: zentrava %.2f s (CPU %.2f s; Xvfb %.2f s)   cp -r + unzip %.2f s (CPU %.2f s)\n' \
    "$r" "$ordem" "$zp" "$zc" "$zx" "$cp_" "$cc"
done
mediana() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
printf 'medianas de %d rodadas: zentrava %.2f s (CPU %.2f s), cp -r + unzip %.2f s (CPU %.2f s)\n' "$rodadas" \
  "$(mediana "${z_parede[@]}")" "$(mediana "${z_cpu[@]}")" "$(mediana "${c_parede[@]}")" "$(mediana "${c_cpu[@]}")"
printf 'mediana das razões zentrava / (cp -r + unzip): parede %.2f, CPU %.2f\n' \
  "$(mediana "${razoes_parede[@]}")" "$(mediana "${razoes_cpu[@]}")"
