#!/usr/bin/env bash
# Figures of the messenger's poll.
#  - An idle tick of the real main window (TfrmMain::Timer1Timer, bench_poll)
#    in rooms of 2, 10 and 20 users, with and without the pair files: CPU
#    microseconds per tick, and through strace the system calls per tick and
#    how many of them are writes to the X server. Under Xvfb (the xcb
#    platform, so cursor changes are real X requests) when Xvfb is installed,
#    else on the offscreen platform.
#  - Delivery time between two stations at the program's 1 s poll and at a
#    1 ms poll (the file path's own cost); as root with Samba and smbnetfs
#    installed, also between two smbnetfs clients of one share at the 1 s poll,
#    beside the same on the share's own folder (sala_smb.sh).
# Usage: bench_falv.sh [folder of bench_poll and bench_falv]
set -euo pipefail
pasta="${1:-$(dirname "$0")}"
poll="$pasta/bench_poll"
tiques_cpu=5000
tiques_strace=300

raiz=$(mktemp -d /tmp/bench-falv-XXXXXX)
xvfb=""
encerrar() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$raiz"
}
trap encerrar EXIT

export XDG_RUNTIME_DIR="$raiz" HOME="$raiz"
if command -v Xvfb >/dev/null; then
  exec {fd_tela}>"$raiz/tela"
  Xvfb -displayfd "$fd_tela" -screen 0 1024x768x24 -nolisten tcp >"$raiz/xvfb.log" 2>&1 &
  xvfb=$!
  exec {fd_tela}>&-
  for _ in $(seq 100); do [ -s "$raiz/tela" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n1 "$raiz/tela")" QT_QPA_PLATFORM=xcb
  echo "platform: xcb on Xvfb $DISPLAY"
else
  export QT_QPA_PLATFORM=offscreen
  echo "platform: offscreen (Xvfb not installed: X requests cannot be seen)"
fi

for usuarios in 2 10 20; do
  for pares in com sem; do
    "$poll" "$usuarios" "$pares" "$tiques_cpu"
    if command -v strace >/dev/null; then
      strace -f -qq -o "$raiz/strace.log" "$poll" "$usuarios" "$pares" "$tiques_strace" >/dev/null
      awk -v n="$tiques_strace" -v u="$usuarios" -v p="$pares" '
        /bench-poll-inicio/ { dentro = 1; next }
        /bench-poll-fim/    { dentro = 0 }
        dentro && !/resumed>/ { total++; if ($0 ~ /(writev|sendmsg|sendto)\(/) x++ }
        END { printf "%2d users, %s pair files: %.1f system calls per idle tick, %.1f writes to the X server\n",
                     u, (p == "com" ? "with   " : "without"), total / n, x / n }' "$raiz/strace.log"
    fi
  done
done
command -v strace >/dev/null || echo "strace not installed: system calls per tick not counted"

"$pasta/bench_falv" latencia 1000 50
"$pasta/bench_falv" latencia 1 50
if [ "$(id -u)" -eq 0 ] && command -v smbd >/dev/null && command -v smbnetfs >/dev/null; then
  SALA_SMB_BENCH="$pasta/bench_falv" SALA_SMB_PARTES=latencia bash "$pasta/sala_smb.sh" /bin/true |
    grep '^delivery' || true
fi
