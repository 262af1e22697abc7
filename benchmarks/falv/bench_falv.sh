#!/usr/bin/env bash
# Figures of the messenger's poll: microseconds and system calls per idle tick
# in a room of 20 users, and delivery time between two stations at the
# program's 1 s poll and at a 1 ms poll (the file path's own cost).
# Usage: bench_falv.sh [bench_falv binary]   (strace is needed for the counts)
set -euo pipefail
bin="${1:-$(dirname "$0")/bench_falv}"
ticks=2000

"$bin" tick 20000

if command -v strace >/dev/null; then
  chamadas() { # total system calls of one run of N ticks
    local saida
    saida=$(mktemp)
    strace -c -f -o "$saida" "$bin" tick "$1" >/dev/null
    awk '$NF == "total" { print $4 }' "$saida"
    rm -f "$saida"
  }
  base=$(chamadas 0)
  com=$(chamadas "$ticks")
  awk -v a="$com" -v b="$base" -v n="$ticks" \
    'BEGIN { printf "system calls per idle tick, 20 users: %.1f\n", (a - b) / n }'
  saida=$(mktemp)
  strace -c -f -o "$saida" "$bin" tick "$ticks" >/dev/null
  echo "by call ($ticks ticks, setup included):"
  awk 'NR > 2 && $NF != "total" && $1 !~ /^-/ { printf "  %-12s %s\n", $NF, $4 }' "$saida" |
    sort -k2 -n -r | head -8
  rm -f "$saida"
else
  echo "strace not installed: system calls per tick not counted"
fi

"$bin" latencia 1000 50
"$bin" latencia 1 50
