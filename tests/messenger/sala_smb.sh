#!/usr/bin/env bash
# A room on a real SMB share: Samba's smbd on 127.0.0.1 only (no other
# interface, no NetBIOS) serves a share in a temporary folder; two smbnetfs
# instances (FUSE), each with its own HOME, mount it as two independent
# clients, and stations work on the two mounts and on the share's own folder:
#  - the soak: six stations exchange numbered messages at the 1 s poll and at
#    a 50 ms poll; every message must arrive once, whole and in order;
#  - the logon/logoff loop: no name lost, duplicated or left behind, and
#    users.fvx never missing or torn as a station on each side reads it.
#  - two real falv processes under Xvfb, one on each client, exchanging
#    numbered messages both ways in bursts through the keyboard (xdotool):
#    each window must show every message once, in order.
# Usage: sala_smb.sh <estacao_teste> [<falv> <ler_area_transferencia>]
#   SALA_SMB_MENSAGENS  messages per station and poll (default 100, the CI run:
#                       1200 in all; the long run uses 1000, 6000 in all)
#   SALA_SMB_RODADAS    logons per station (default 15)
#   SALA_SMB_PARTES     what to run (default "conversa1000 conversa50 logons")
#   SALA_SMB_LADOS_CONVERSA, SALA_SMB_LADOS_LOGONS  where the stations run
#   latencia in SALA_SMB_PARTES: delivery times through bench_falv, whose path
#                       SALA_SMB_BENCH gives (SALA_SMB_ENTREGAS messages, default 50)
#   falv in SALA_SMB_PARTES: the two real stations; SALA_SMB_FALV_MENSAGENS
#                       messages each way (default 60; the long run 300), in
#                       bursts of SALA_SMB_FALV_RAJADA (default 20)
#   SALA_SMB_PRAZO      seconds each station may take (default 600)
#   SALA_SMB_MANTER=1   keeps the temporary folder (logs, outputs) for a look
# Exit 77 (skipped) when not root, without /dev/fuse, smbd or smbnetfs (or,
# for falv, without Xvfb or xdotool).
# Bounded: each station by `timeout`, the whole run by ctest's TIMEOUT; smbd
# is stopped by its PID and the mounts undone on any exit.
set -euo pipefail

estacao="$1"
falv="${2:-}"
ler_area="${3:-}"
mensagens="${SALA_SMB_MENSAGENS:-100}"
rodadas="${SALA_SMB_RODADAS:-15}"

pular() { echo "SKIP: $*"; exit 77; }
[ "$(id -u)" -eq 0 ] || pular "precisa de root (smbd e FUSE)"
[ -c /dev/fuse ] || pular "sem /dev/fuse"
for p in smbd smbpasswd smbnetfs python3; do command -v "$p" >/dev/null || pular "falta $p"; done
if [[ " ${SALA_SMB_PARTES:-} " == *" falv "* ]]; then
  [ -x "$falv" ] && [ -x "$ler_area" ] || pular "falv e ler_area_transferencia não indicados"
  for p in Xvfb xdotool; do command -v "$p" >/dev/null || pular "falta $p"; done
fi

raiz=$(mktemp -d /tmp/sala-smb-XXXXXX)
smbd_pid=""
xvfb=""
pids=()
montagens=()
clientes=()
encerrar() {
  local codigo=$?
  trap '' INT TERM
  # The stations (only falv's, which come with the screen helpers) first,
  # while their room is still mounted.
  if declare -F parar_programas >/dev/null; then parar_programas; fi
  for m in "${montagens[@]}"; do
    umount -l "$m" 2>/dev/null || true
  done
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  for c in "${clientes[@]}"; do kill "$c" 2>/dev/null || true; done
  [ -n "$smbd_pid" ] && kill "$smbd_pid" 2>/dev/null || true
  [ -n "$smbd_pid" ] && wait "$smbd_pid" 2>/dev/null || true
  [ "$codigo" -eq 0 ] || { echo "--- smbd:"; tail -n 20 "$raiz"/samba/log.* 2>/dev/null || true; }
  [ -n "${SALA_SMB_MANTER:-}" ] || rm -rf "$raiz" || true
  exit "$codigo"
}
trap encerrar EXIT
trap 'exit 1' INT TERM
falhar() { echo "FALHA: $*" >&2; exit 1; }

# ---- the server: a port of our own on the loopback interface only
porta=""
for _ in $(seq 50); do
  p=$((20000 + RANDOM % 20000))
  if ! (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null; then porta=$p; break; fi
done
[ -n "$porta" ] || falhar "nenhuma porta livre"
mkdir -p "$raiz/samba"/{private,lock,state,cache,run,ncalrpc} "$raiz/compartilhado/sala" "$raiz/saida"
chmod 0777 "$raiz/compartilhado/sala"
senha="sala-$RANDOM$RANDOM"
cat >"$raiz/samba/smb.conf" <<EOF
[global]
  interfaces = lo
  bind interfaces only = yes
  smb ports = $porta
  disable netbios = yes
  server role = standalone server
  passdb backend = tdbsam:$raiz/samba/private/passdb.tdb
  private dir = $raiz/samba/private
  lock directory = $raiz/samba/lock
  state directory = $raiz/samba/state
  cache directory = $raiz/samba/cache
  pid directory = $raiz/samba/run
  ncalrpc dir = $raiz/samba/ncalrpc
  log file = $raiz/samba/log.%m
  log level = ${SALA_SMB_NIVEL_LOG:-1}
  map to guest = never
  load printers = no
  printcap name = /dev/null
  disable spoolss = yes
  server min protocol = SMB3
[sala]
  path = $raiz/compartilhado
  read only = no
  force user = root
  valid users = root
EOF
printf '%s\n%s\n' "$senha" "$senha" | smbpasswd -c "$raiz/samba/smb.conf" -s -a root >/dev/null
# A session of its own: smbd signals its whole process group when it stops.
setsid smbd --foreground --no-process-group --configfile="$raiz/samba/smb.conf" </dev/null \
  >"$raiz/samba/smbd.out" 2>&1 &
smbd_pid=$!
for _ in $(seq 100); do
  (exec 3<>"/dev/tcp/127.0.0.1/$porta") 2>/dev/null && break
  kill -0 "$smbd_pid" 2>/dev/null || falhar "smbd terminou: $(cat "$raiz/samba/smbd.out")"
  sleep 0.1
done

# ---- two clients, each a HOME of its own
montar() { # <n>: sets the host folder that is drive C: for stations on client n
  local casa="$raiz/cliente$1" ponto="$raiz/m$1"
  mkdir -p "$casa/.smb" "$ponto"
  printf '[global]\n  client min protocol = SMB3\n' >"$casa/.smb/smb.conf"
  printf 'smb_query_browsers false\nshow_hidden_hosts true\n%bauth "127.0.0.1" "root" "%s"\n' "${SALA_SMB_NETFS_EXTRA:-}" "$senha" \
    >"$casa/.smb/smbnetfs.conf"
  chmod 600 "$casa/.smb/smbnetfs.conf"
  HOME="$casa" smbnetfs "$ponto" -f ${SALA_SMB_NETFS_OPCOES:-} >"$casa/smbnetfs.log" 2>&1 &
  clientes+=($!)
  montagens+=("$ponto")
  for _ in $(seq 100); do
    [ -d "$ponto/127.0.0.1:$porta/sala/sala" ] && return 0
    sleep 0.1
  done
  falhar "o cliente $1 não montou o compartilhamento: $(cat "$casa/smbnetfs.log")"
}
montar 1
montar 2
# The port rides in the host name: smbnetfs passes it on to libsmbclient.
c1="$raiz/m1/127.0.0.1:$porta/sala"
c2="$raiz/m2/127.0.0.1:$porta/sala"
local="$raiz/compartilhado"
grep -q " $raiz/m1 " /proc/mounts || falhar "m1 não é uma montagem"
echo "smbd $(smbd -V) na porta $porta; clientes: $(grep -c " $raiz/m" /proc/mounts) montagens smbnetfs"

# Where the stations run, in turn: 1 and 2 the clients, 0 the share's own
# folder (a station on the file server itself, which Samba's refusal to
# rename a file open elsewhere does not reach).
read -r -a lados_conversa <<<"${SALA_SMB_LADOS_CONVERSA:-1 2 0}"
read -r -a lados_logons <<<"${SALA_SMB_LADOS_LOGONS:-1 2 0}"
# The drive C: of a station on each side.
declare -A unidade=([1]="$c1" [2]="$c2" [0]="$local")

# A room as a first check leaves it: an empty users file.
limpar_sala() { find "$local/sala" -mindepth 1 -delete; : >"$local/sala/users.fvx"; }

# ---- the soak
conversa() { # <ms between polls>
  local poll="$1" nomes=(ANA BETO CARLA DORA EVA FABIO) pids=() i=0 lados=("${lados_conversa[@]}")
  limpar_sala
  for nome in "${nomes[@]}"; do
    local outros=()
    for o in "${nomes[@]}"; do [ "$o" = "$nome" ] || outros+=("$o"); done
    ESTACAO_SAIDA="$raiz/saida" ESTACAO_FALHAS_TOLERADAS=1 timeout "${SALA_SMB_PRAZO:-600}" "$estacao" "${unidade[${lados[$((i % ${#lados[@]}))]}]}" conversa "$nome" \
      "$mensagens" 2000 "$poll" "${outros[@]}" >"$raiz/saida/conversa-$nome.txt" 2>&1 &
    pids+=($!)
    i=$((i + 1))
  done
  local falhou=0
  for p in "${pids[@]}"; do wait "$p" || falhou=1; done
  python3 - "$raiz/saida" "$mensagens" "$poll" "${nomes[@]}" <<'EOF'
import sys
pasta, n, poll, nomes = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4:]
enviadas = {}
for de in nomes:
    outros = sorted(o for o in nomes if o != de)
    for k in range(n):
        enviadas.setdefault((de, outros[k % len(outros)]), []).append(k)
perdidas = duplicadas = truncadas = fora = total = 0
for para in nomes:
    recebidas = {}
    for linha in open(f"{pasta}/recebidas-{para}.txt", "rb").read().split(b"\n"):
        if not linha:
            continue
        total += 1
        campos = linha.split(b" ")
        if len(campos) != 2 or campos[0].decode("latin-1") not in nomes or not campos[1].isdigit():
            truncadas += 1
            continue
        recebidas.setdefault((campos[0].decode(), para), []).append(int(campos[1]))
    for de in nomes:
        if de == para:
            continue
        esperado, chegou = enviadas.get((de, para), []), recebidas.get((de, para), [])
        faltam = set(esperado) - set(chegou)
        if faltam:
            print(f"  {de} -> {para}: faltam {sorted(faltam)}")
        perdidas += len(faltam)
        duplicadas += len(chegou) - len(set(chegou))
        fora += chegou != sorted(chegou)
print(f"conversa, poll {poll} ms: {len(nomes)} estações, {len(nomes) * n} enviadas, {total} recebidas, "
      f"{perdidas} perdidas, {duplicadas} duplicadas, {truncadas} truncadas, {fora} pares fora de ordem")
sys.exit(1 if perdidas or duplicadas or truncadas or fora else 0)
EOF
  local r=$?
  # Deposits that failed (the sender is told) and collections shown in an
  # error box (tried again at the next tick), beside the figures above.
  cat "$raiz"/saida/conversa-*.txt | awk -F'[ =]' '/^enviadas=/ { f += $4; c += $10 }
      END { printf "  %d envios recusados com mensagem, %d caixas de coleta\n", f, c }'
  grep -ah 'logon' "$raiz"/saida/conversa-*.txt || true
  for nome in "${nomes[@]}"; do echo "  $nome: $(grep -a '^enviadas=' "$raiz/saida/conversa-$nome.txt" || true)"; done
  [ "$r" -eq 0 ] && [ "$falhou" -eq 0 ]
}

# ---- the logon/logoff loop, with a sampler of users.fvx on each side
amostrador() { # <folder> <output>: reads users.fvx as a poll does until the stop file appears
  "$estacao" "$1" amostrar X "$raiz/saida/parar" >"$2"
}

logons() {
  limpar_sala
  rm -f "$raiz/saida/parar"
  local nomes=(LUIZ MARIA NINA OTAVIO PAULO RUI) pids=() amostradores=() i=0 lados=("${lados_logons[@]}")
  for lado in 1 2 0; do
    amostrador "${unidade[$lado]}" "$raiz/saida/amostras-$lado.txt" &
    amostradores+=($!)
  done
  for nome in "${nomes[@]}"; do
    timeout "${SALA_SMB_PRAZO:-600}" "$estacao" "${unidade[${lados[$((i % ${#lados[@]}))]}]}" rodadas "$nome" "$rodadas" \
      >"$raiz/saida/rodadas-$nome.txt" 2>&1 &
    pids+=($!)
    i=$((i + 1))
  done
  for p in "${pids[@]}"; do wait "$p" || true; done
  touch "$raiz/saida/parar"
  for p in "${amostradores[@]}"; do wait "$p" || true; done
  local soma
  soma=$(cat "$raiz"/saida/rodadas-*.txt | awk -F'[ =]' '/^rodadas=/ {
      r += $2; p += $4; d += $6; f += $8; x += $10; c += $12 }
      END { printf "%d %d %d %d %d %d", r, p, d, f, x, c }')
  read -r r p d f x c <<<"$soma"
  local amostras
  amostras=$(cat "$raiz"/saida/amostras-*.txt | awk -F'[ =]' '{ a += $2; m += $4; t += $6; e += $8 }
      END { printf "%d %d %d %d", a, m, t, e }')
  read -r a m t e <<<"$amostras"
  local sobras
  sobras=$(find "$local/sala" -mindepth 1 -name '*.msg' -o -mindepth 1 -name '.*' | wc -l)
  echo "logon/logoff: ${#nomes[@]} estações x $rodadas rodadas: $p nomes perdidos, $d duplicados," \
       "$f deixados após a saída, $x recusas, $c caixas de mensagem; users.fvx em $a amostras" \
       "dos três lados: $m ausente, $t rasgado, $e erros de leitura; sobraram $sobras arquivos de pares ou temporários;" \
       "users.fvx final: [$(tr -d '\r\n' <"$local/sala/users.fvx" 2>/dev/null || echo ausente)]"
  grep -ah '^caixa:' "$raiz"/saida/rodadas-*.txt | sort | uniq -c || true
  for lado in 1 2 0; do echo "  lado $lado: $(cat "$raiz/saida/amostras-$lado.txt")"; done
  # Refusals and message boxes are figures, not failures: smbnetfs still
  # restarts its connection now and then (an open the server refuses with a
  # sharing violation), and every call through it fails for seconds after.
  [ "$p" -eq 0 ] && [ "$d" -eq 0 ] && [ "$f" -eq 0 ] && [ "$m" -eq 0 ] && [ "$t" -eq 0 ]
}

# ---- two real stations, ANA on client 1 and JOSE on client 2
falv_smb() {
  local n="${SALA_SMB_FALV_MENSAGENS:-60}" rajada="${SALA_SMB_FALV_RAJADA:-20}"
  limpar_sala
  # The helpers of the screen tests, without their exit trap: ours undoes
  # the mounts before anything is removed.
  local tela="$raiz/falv" raiz_sala="$raiz"
  mkdir -p "$tela"
  source "$(dirname "$0")/../apoio/tela_virtual.sh"
  trap encerrar EXIT
  raiz="$tela"
  iniciar_tela_virtual
  raiz="$raiz_sala"
  preparar() { # <usuario> <drive C:>: the program in a folder of its own, its drive table
    local pasta="$tela/${1,,}"
    mkdir -p "$pasta/config/falavox-zentrava"
    cp "$falv" "$pasta/falv"
    printf '[Unidades]\nC=%s\nZ=/\n' "$2" >"$pasta/config/falavox-zentrava/unidades.ini"
    printf '[Pastas de Mensagens]\r\nSALA=c:\\sala\\\r\n[Logon]\r\nUsuario=%s\r\nNome Da Pasta=SALA\r\nCaminho Da Pasta=c:\\sala\\\r\nCriar Pasta Automaticamente=1\r\n' \
      "$1" >"$pasta/falv.ini"
  }
  janela_de() { xdotool search --onlyvisible --name "^Falavox - \[ $1 \]\$" 2>/dev/null | head -n1; }
  conectada() { [ -n "$(janela_de "$1")" ]; }
  declare -A janela_
  iniciar_falv() { # <usuario> <drive C:> <x>
    preparar "$1" "$2"
    (cd "$tela/${1,,}" && XDG_CONFIG_HOME="$tela/${1,,}/config" exec ./falv >"$tela/${1,,}.log" 2>&1) &
    pids+=($!)
    esperar 60 conectada "$1" || falhar "a janela de $1 não apareceu conectada: $(cat "$tela/${1,,}.log")"
    janela_[$1]=$(janela_de "$1")
    xdotool windowmove --sync "${janela_[$1]}" "$3" 120 || xdotool windowmove "${janela_[$1]}" "$3" 120
  }
  clicar() { # <janela> <x> <y>: a click inside the window
    xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
    xdotool mousemove --sync --window "$1" "$2" "$3" click 1
  }
  rajada_de() { # <usuario> <first> <last>: typed into the compose area, each sent by Ctrl+Enter
    local j="${janela_[$1]}" teclas=() k texto i
    eval "$(xdotool getwindowgeometry --shell "$j")"
    clicar "$j" $((WIDTH / 2 + 80)) $((HEIGHT - 47))
    # Keys one by one, so that the whole burst is one xdotool call; the
    # first replaces the prompt.
    teclas=(ctrl+a)
    for ((k = $2; k <= $3; k++)); do
      texto="$1 $(printf %03d "$k")"
      for ((i = 0; i < ${#texto}; i++)); do
        [ "${texto:i:1}" = " " ] && teclas+=(space) || teclas+=("${texto:i:1}")
      done
      teclas+=(ctrl+Return)
    done
    xdotool key --delay 8 "${teclas[@]}"
  }
  recebidas_de() { # <usuario>: the received messages, through the clipboard
    local j="${janela_[$1]}"
    eval "$(xdotool getwindowgeometry --shell "$j")"
    clicar "$j" $((WIDTH - 100)) 100
    xdotool key --delay 40 ctrl+a ctrl+c
    "$ler_area"
  }
  iniciar_falv ANA "$c1" 20
  iniciar_falv JOSE "$c2" 540
  # "&Enviar" waits for the poll to list the other station.
  sleep 3
  local inicio=$SECONDS k fim
  for ((k = 1; k <= n; k += rajada)); do
    fim=$((k + rajada - 1 < n ? k + rajada - 1 : n))
    rajada_de ANA "$k" "$fim"
    rajada_de JOSE "$k" "$fim"
  done
  local digitado=$((SECONDS - inicio))
  import -window root "$raiz/saida/falv.png" 2>/dev/null || true
  esperando() { find "$local/sala" \( -name '*.msg' -size +0 \) -o -name '.*.coleta' | grep -q .; }
  vazia() { ! esperando; }
  esperar 60 vazia || falhar "mensagens ainda esperam: $(ls -la "$local/sala")"
  sleep 2
  recebidas_de ANA >"$raiz/saida/falv-ANA.txt" || true
  recebidas_de JOSE >"$raiz/saida/falv-JOSE.txt" || true
  python3 - "$raiz/saida" "$n" "$digitado" <<'EOF'
import re, sys
pasta, n, digitado = sys.argv[1], int(sys.argv[2]), sys.argv[3]
ruins = 0
for para, de in (("ANA", "JOSE"), ("JOSE", "ANA")):
    texto = open(f"{pasta}/falv-{para}.txt", encoding="utf-8", errors="replace").read()
    # A collection is shown under one header, one message a line.
    chegou, atual = [], None
    for linha in texto.splitlines():
        m = re.match(r"\[ (\w+) \] -> (.*)$", linha)
        if m:
            atual, linha = m.group(1), m.group(2)
        elif linha.startswith("<<<"):
            atual = None
        m = re.fullmatch(rf"{de} (\d+)", linha)
        if atual == de and m:
            chegou.append(int(m.group(1)))
        elif atual == de and linha:
            print(f"  {para} mostra de {de}: {linha!r}")
            ruins += 1
    perdidas = len(set(range(1, n + 1)) - set(chegou))
    duplicadas = len(chegou) - len(set(chegou))
    fora = chegou != sorted(chegou)
    print(f"falv {de} -> {para}: {n} enviadas, {len(chegou)} mostradas, {perdidas} perdidas, "
          f"{duplicadas} duplicadas, {'fora de ordem' if fora else 'em ordem'}")
    ruins += perdidas + duplicadas + fora + (len(chegou) != n)
print(f"  digitadas em {digitado} s")
sys.exit(1 if ruins else 0)
EOF
}

# smbnetfs restarts its connection to the server on every error it does not
# expect, and for seconds after that every call through it fails.
reinicios() { cat "$raiz"/cliente*/smbnetfs.log 2>/dev/null | grep -c 'errno=' || true; }

resultado=0
partes="${SALA_SMB_PARTES:-conversa1000 conversa50 logons}"
for parte in $partes; do
  case "$parte" in
    conversa*) conversa "${parte#conversa}" || resultado=1 ;;
    logons) logons || resultado=1 ;;
    falv) falv_smb || resultado=1 ;;
    latencia)
      # Delivery from a station on one client to one on the other, beside the
      # same on the share's own folder.
      limpar_sala
      "$SALA_SMB_BENCH" latencia 1000 "${SALA_SMB_ENTREGAS:-50}" "$c1" "$c2" || resultado=1
      "$SALA_SMB_BENCH" latencia 1000 "${SALA_SMB_ENTREGAS:-50}" "$local" "$local" || resultado=1 ;;
  esac
  echo "  conexões do smbnetfs reiniciadas até aqui: $(reinicios)"
done
grep -h 'errno=' "$raiz"/cliente*/smbnetfs.log 2>/dev/null | sed 's/^[0-9-]* [0-9:.]* //' | sort | uniq -c || true
exit "$resultado"
