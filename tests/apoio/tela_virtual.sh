# Helpers for tests that drive real programs on a virtual X display.
# Source it from a bash script run with `set -euo pipefail`, after setting
# `raiz` to the test's temporary folder; it stops Xvfb, the programs listed in
# `pids` and removes `raiz` on exit. Callers check their tools with
# exigir_programas first (exit 77, skipped, when one is missing).

# Leaks of system libraries on a real display do not fail a sanitizer build.
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/lsan_bibliotecas.supp"

pids=()
xvfb=""
# A station logs off when it gets SIGTERM, writing in its folder as it goes:
# nothing is removed before it has ended (killed outright after 10 s).
parar_programas() {
  local p fim=$((SECONDS + 10))
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do
    while kill -0 "$p" 2>/dev/null && ((SECONDS < fim)); do sleep 0.1; done
    kill -9 "$p" 2>/dev/null || true
    wait "$p" 2>/dev/null || true
  done
  pids=()
}
encerrar_tela_virtual() {
  parar_programas
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$raiz"
}
trap encerrar_tela_virtual EXIT

exigir_programas() { # <programa...>
  for programa in "$@"; do
    command -v "$programa" >/dev/null || { echo "sem $programa: teste pulado"; exit 77; }
  done
}

falhar() {
  echo "FALHA: $*" >&2
  tail -n 20 "$raiz"/*.log >&2 2>/dev/null || true
  exit 1
}

# Waits until the command succeeds, at most $1 seconds.
esperar() {
  local limite=$1
  shift
  local fim=$((SECONDS + limite))
  until "$@"; do
    ((SECONDS < fim)) || return 1
    sleep 0.1
  done
}

# Starts Xvfb on a free display (1024x768) and exports DISPLAY, with a
# runtime folder and home of the test's own.
iniciar_tela_virtual() {
  mkdir -p "$raiz/home"
  mkdir -m 700 "$raiz/run"
  export HOME="$raiz/home" XDG_RUNTIME_DIR="$raiz/run"
  exec {fd_tela}>"$raiz/tela"
  Xvfb -displayfd "$fd_tela" -screen 0 1024x768x24 -nolisten tcp -noreset >"$raiz/xvfb.log" 2>&1 &
  xvfb=$!
  exec {fd_tela}>&-
  esperar 10 test -s "$raiz/tela" || falhar "Xvfb não iniciou"
  export DISPLAY=":$(head -n1 "$raiz/tela")"
  unset QT_QPA_PLATFORM
  mapear_acentos
}

# Gives the Portuguese accented letters keys of their own. Without them
# `xdotool type` remaps a spare key for each such letter and puts it back at
# once, and a program that reads the key after the map changed back loses it.
mapear_acentos() {
  command -v xmodmap >/dev/null || return 0
  local codigo=200 letra
  for letra in aacute eacute iacute oacute uacute agrave acircumflex ecircumflex \
               ocircumflex atilde otilde ccedilla udiaeresis; do
    xmodmap -e "keycode $codigo = $letra ${letra^}" 2>/dev/null || true
    codigo=$((codigo + 1))
  done
}

# The first visible window whose name matches the regular expression; empty when none.
janela() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1; }
tem_janela() { [ -n "$(janela "$1")" ]; }
sem_janela() { [ -z "$(janela "$1")" ]; }
terminou() { ! kill -0 "$1" 2>/dev/null; }

# Keys to the window, focused first (there is no window manager to do it).
teclar() { # <janela> <teclas...>
  xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
  xdotool key --delay 40 "${@:2}"
}

# The text of a window, read from its picture by OCR (Portuguese), on one line.
ler_janela() { # <janela>
  local figura="$raiz/ocr-$1.png"
  import -window "$1" "$figura"
  convert "$figura" -resize 300% -colorspace Gray "$figura"
  tesseract "$figura" - -l por 2>/dev/null | tr '\n' ' ' | tr -s ' '
}

# Waits for the message box whose caption matches, checks that OCR finds
# every given text in it, and answers it with Enter. With `foto` set, a
# picture of the whole screen goes there first.
responder_mensagem() { # <legenda (expressão)> <texto...>
  local legenda=$1 texto caixa
  shift
  esperar 30 tem_janela "$legenda" || falhar "a mensagem $legenda não apareceu"
  caixa=$(janela "$legenda")
  sleep 0.3 # drawn
  if [ -n "${foto:-}" ]; then
    import -window root "$foto"
    foto=""
  fi
  texto=$(ler_janela "$caixa")
  for esperado in "$@"; do
    grep -qiF -- "$esperado" <<<"$texto" || falhar "\"$esperado\" não está na mensagem: $texto"
  done
  teclar "$caixa" Return
  esperar 10 terminou_janela "$caixa" || falhar "a mensagem $legenda não fechou"
}
terminou_janela() { ! xdotool getwindowname "$1" >/dev/null 2>&1 || ! xwininfo -id "$1" 2>/dev/null | grep -q 'IsViewable'; }
