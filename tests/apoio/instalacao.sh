# Helpers for tests that install a disk set with a real zentrava on a virtual
# display and uninstall it. Source it after setting `raiz` (it brings in
# tela_virtual.sh); it skips the test (exit 77) when a tool they need is
# missing. Set `d1` to the first disk's folder before `iniciar`.

source "$(dirname "${BASH_SOURCE[0]}")/tela_virtual.sh"
source "$(dirname "${BASH_SOURCE[0]}")/conjunto_vendas.sh"
exigir_programas Xvfb xdotool xwininfo import convert tesseract desktop-file-validate cmp
tesseract --list-langs 2>/dev/null | grep -qx por || { echo "sem tesseract-ocr-por: teste pulado"; exit 77; }

# C: is the test's folder; the menus and the drive table in folders of their own.
preparar_unidades() {
  mkdir -p "$raiz/c" "$raiz/config/falavox-zentrava" "$raiz/dados"
  printf '[Unidades]\nC=%s\nZ=/\n' "$raiz/c" >"$raiz/unidades.ini"
  cp "$raiz/unidades.ini" "$raiz/config/falavox-zentrava/unidades.ini"
  export XDG_CONFIG_HOME="$raiz/config" XDG_DATA_HOME="$raiz/dados"
  iniciar_tela_virtual
}

iniciar() { # [argumento]: the program from the first disk; sets `pid`
  (cd "$d1" && exec ./zentrava "$@" >>"$raiz/zentrava.log" 2>&1) &
  pid=$!
  pids+=("$pid")
}

principal=""
outra_janela() { # a visible window other than the main one
  local id
  for id in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
    [ "$id" = "$principal" ] || { echo "$id"; return; }
  done
}
tem_outra_janela() { [ -n "$(outra_janela)" ]; }
tela() { # <descrição> <expressão da legenda, ou vazio para qualquer outra janela>
  if [ -n "$2" ]; then
    esperar 30 tem_janela "$2" || falhar "a tela $1 não apareceu"
    janela "$2"
  else
    esperar 30 tem_outra_janela || falhar "a tela $1 não apareceu"
    outra_janela
  fi
}

esperar_fim() { # <o que terminou>: the program ends with status 0
  local status=0
  esperar 20 terminou "$pid" || falhar "$1 não terminou"
  wait "$pid" || status=$?
  [ "$status" -eq 0 ] || falhar "$1 terminou com status $status"
}

# Installs from `d1` through every screen by the keyboard, into the folder
# typed on the destination screen, C:\Aplic\Vendas; sets `app` to it. With
# `galeria` set, the presentation screen and the completion message are
# pictured there.
app=""
instalar() { # <título>
  local titulo=$1 apresentacao destino restauracao
  iniciar
  esperar 30 tem_janela "^$titulo\$" || falhar "a janela principal não apareceu"
  principal=$(janela "^$titulo\$")

  apresentacao=$(tela apresentação "")
  sleep 0.5
  if [ -n "${galeria:-}" ]; then
    mkdir -p "$galeria"
    import -window root "$galeria/TfrmMain_zentrava.png"
    foto="$galeria/TfrmMain_zentrava_concluida.png"
  fi
  teclar "$apresentacao" Return

  # Another folder typed in the folder field (tab order 1).
  destino=$(tela destino '^Drive/Diret')
  teclar "$destino" Tab ctrl+a
  xdotool type --delay 30 '\Aplic\Vendas'
  teclar "$destino" Return

  restauracao=$(tela restauração '^Restaurar Arquivos$')
  teclar "$restauracao" Return

  responder_mensagem '^Parab' "completada com sucesso"
  esperar_fim "o instalador"
  app="$raiz/c/Aplic/Vendas"
  [ -d "$app" ] || falhar "a pasta do aplicativo não foi criada: $(ls -R "$raiz/c")"
}

# The INI entry added beside the line the file had ("Nome=Vendas"), and the
# trace of the program run with "/S Primeiro" (arguments in lower case).
conferir_ini_e_rastro() { # <arquivo INI> <entrada, como o DOS a escreve>
  grep -qixF "$2"$'\r' "$1" || falhar "$1 sem a entrada: $(cat -A "$1")"
  grep -q '^Nome=Vendas'$'\r''$' "$1" || falhar "$1 perdeu a linha que tinha"
  esperar 10 test -s "$raiz/rastro.txt" || falhar "o programa não deixou rastro"
  [ "$(cat "$raiz/rastro.txt")" = $'/s\nprimeiro' ] || falhar "argumentos do programa: $(cat "$raiz/rastro.txt")"
}

# The uninstall log: 1133 bytes, opening with 26, naming the folder.
conferir_log() { # <pasta do aplicativo> <pasta em minúsculas, como o DOS a escreve>
  [ "$(tamanho "$1/zentrava.log")" -eq 1133 ] || falhar "zentrava.log não tem 1133 bytes"
  [ "$(head -c 1 "$1/zentrava.log" | od -An -tu1 | tr -d ' ')" = 26 ] || falhar "zentrava.log não começa com 26"
  grep -qaF "$2" "$1/zentrava.log" || falhar "zentrava.log sem a pasta do aplicativo"
}

# The group's menu files: one valid entry per name, its folder and menu.
conferir_grupo() { # <grupo> <nome da entrada...>
  local grupo=$1 e nome
  shift
  mapfile -t entradas < <(find "$XDG_DATA_HOME/applications" -name '*.desktop' 2>/dev/null | sort)
  [ "${#entradas[@]}" -eq $# ] || falhar "${#entradas[@]} entradas de menu em vez de $#"
  for e in "${entradas[@]}"; do desktop-file-validate "$e" || falhar "entrada inválida: $e"; done
  for nome in "$@"; do
    grep -lqxF "Name=$nome" "${entradas[@]}" || falhar "sem a entrada $nome"
  done
  grep -rqxF "Name=$grupo" "$XDG_DATA_HOME/desktop-directories" || falhar "sem o arquivo .directory do grupo"
  ls "$XDG_CONFIG_HOME"/menus/applications-merged/*.menu >/dev/null 2>&1 || falhar "sem o menu do grupo"
  cmp -s "$raiz/unidades.ini" "$XDG_CONFIG_HOME/falavox-zentrava/unidades.ini" || falhar "a tabela de unidades mudou"
}

# "zentrava /X<pasta>", named by the folder's host path, removes the folder
# and every file of the group, and nothing else.
desinstalar() { # <pasta do aplicativo>
  local app=$1
  iniciar "/X$app"
  responder_mensagem '^Desinstala' "Deseja realmente desinstalar"
  responder_mensagem '^Parab' "desinstala" "bem sucedida"
  esperar_fim "a desinstalação"
  [ ! -e "$app" ] || falhar "a pasta do aplicativo ficou: $(ls -R "$app")"
  [ -d "$(dirname "$app")" ] || falhar "a pasta acima da do aplicativo foi apagada"
  [ -z "$(find "$XDG_DATA_HOME" "$XDG_CONFIG_HOME/menus" \( -name '*.desktop' -o -name '*.directory' -o -name '*.menu' \) 2>/dev/null)" ] ||
    falhar "arquivos do grupo ficaram: $(find "$XDG_DATA_HOME" "$XDG_CONFIG_HOME/menus" -type f)"
  [ -e "$d1/zentrava.cmd" ] || falhar "a desinstalação mexeu nos discos"
}

# What every installation of the sets here leaves (the INI entry, the
# program's trace, the log, the group with its two items and the
# uninstall item), then the uninstall.
conferir_e_desinstalar() { # <título>
  conferir_ini_e_rastro "$app/APP.INI" 'pasta=c:\aplic\vendas\dados'
  conferir_log "$app" 'c:\aplic\vendas\'
  conferir_grupo "Vendas Teste" Leia-me "$1" "Desinstalar $1"
  desinstalar "$app"
}
