#!/usr/bin/env bash
# Disks swapped in a real drive, and a disk folder that is not where the set
# says, with real zentrava processes on a virtual display (Xvfb), driven by
# the keyboard (xdotool).
# 1. Disk 1 is a tmpfs mounted as drive A: (inside `unshare -m`, as root) and
#    the program runs from it, started in it: at the prompt for disk 2 the
#    medium is unmounted (which fails while anything keeps it busy), disk 2
#    is mounted at the same place, "OK"; the installation completes with the
#    file split over both disks joined byte for byte, and the private copy
#    the program ran from is gone.
# 2. A set of image folders copied without DISCO.002: the prompt for it
#    appears; "Procurar..." and the folder chooser pointed at the folder that
#    holds it complete the installation.
# Usage: discos_trocados.sh <zentrava>
# Exit 77 (skipped) when not root, without unshare, or a tool is missing.
set -euo pipefail

zentrava="$1"
if [ -z "${FZ_DENTRO_UNSHARE:-}" ]; then
  [ "$(id -u)" -eq 0 ] || { echo "sem root: teste pulado"; exit 77; }
  command -v unshare >/dev/null || { echo "sem unshare: teste pulado"; exit 77; }
  unshare -m true 2>/dev/null || { echo "unshare -m não é permitido aqui: teste pulado"; exit 77; }
  FZ_DENTRO_UNSHARE=1 exec unshare -m --propagation private bash ${FZ_BASH_OPCOES:-} "$0" "$@"
fi

raiz=$(mktemp -d /tmp/discos-trocados-XXXXXX)
source "$(dirname "$0")/../apoio/instalacao.sh"
export TMPDIR="$raiz/tmp"
mkdir -p "$TMPDIR" "$raiz/a"
preparar_unidades
printf 'A=%s\n' "$raiz/a" >>"$raiz/unidades.ini"
cp "$raiz/unidades.ini" "$XDG_CONFIG_HOME/falavox-zentrava/unidades.ini"
trap 'umount "$raiz/a" 2>/dev/null || true; encerrar_tela_virtual' EXIT

titulo="Agenda Teste"
# Writes disk 1 into $1 and disk 2 into $2: a file whole on disk 1, one split
# over both, one whole on disk 2.
conjunto() { # <disco 1> <disco 2>
  mkdir -p "$1" "$2"
  head -c 7000 "$raiz/GRANDE.DAT" >"$1/GRANDE.DAT"
  tail -c +7001 "$raiz/GRANDE.DAT" >"$2/GRANDE.DAT"
  cp "$raiz/LEIAME.TXT" "$1/"
  cp "$raiz/NOTA.TXT" "$2/"
  {
    secao 1 '@DIRBASE\LEIAME.TXT' "$(tamanho "$raiz/LEIAME.TXT")" "$(tamanho "$raiz/LEIAME.TXT")" 1
    secao 2 '@DIRBASE\DADOS\GRANDE.DAT' 300000 7000 2
  } >"$1/zentrava.001"
  {
    printf '[Arquivo #2]\r\nBytes Salvo=293000\r\n'
    secao 3 '@DIRBASE\NOTA.TXT' "$(tamanho "$raiz/NOTA.TXT")" "$(tamanho "$raiz/NOTA.TXT")" 1
  } >"$2/zentrava.002"
  printf '[Info]\r\nTitulo=%s\r\nInstalacao=001000\r\nDiretorio Base=\\AGENDA\r\nTotal Discos=2\r\nTotal Arquivos=3\r\nTotal Bytes=310000\r\n' \
    "$titulo" >"$1/zentrava.cmd"
  cp "$zentrava" "$1/zentrava"
}
head -c 300000 /dev/urandom >"$raiz/GRANDE.DAT"
printf 'Agenda\r\n' >"$raiz/LEIAME.TXT"
printf 'Disco 2\r\n' >"$raiz/NOTA.TXT"

# Through the screens into C:\<pasta>, up to the restore's "Instalar".
ate_a_copia() { # <pasta>
  esperar 30 tem_janela "^$titulo\$" || falhar "a janela principal não apareceu"
  principal=$(janela "^$titulo\$")
  teclar "$(tela apresentação "")" Return
  local destino
  destino=$(tela destino '^Drive/Diret')
  teclar "$destino" Tab ctrl+a
  xdotool type --delay 30 "\\$1"
  teclar "$destino" Return
  teclar "$(tela restauração '^Restaurar Arquivos$')" Return
}
conferir() { # <pasta do aplicativo>
  cmp -s "$raiz/GRANDE.DAT" "$1/DADOS/GRANDE.DAT" || falhar "GRANDE.DAT juntado difere do original"
  cmp -s "$raiz/LEIAME.TXT" "$1/LEIAME.TXT" || falhar "LEIAME.TXT difere"
  cmp -s "$raiz/NOTA.TXT" "$1/NOTA.TXT" || falhar "NOTA.TXT do segundo disco difere"
  [ -z "$(ls -A "$TMPDIR")" ] || falhar "a cópia temporária do programa ficou: $(ls -A "$TMPDIR")"
}

# ---- 1. Two media in drive A: ----
mount -t tmpfs -o size=512m disco1 "$raiz/a"
conjunto "$raiz/a" "$raiz/disco2"
(cd "$raiz/a" && exec ./zentrava >>"$raiz/zentrava.log" 2>&1) &
pid=$!
pids+=("$pid")
ate_a_copia TROCA
esperar 30 tem_janela '^Atenção$' || falhar "o pedido do disco 2 não apareceu"
pedido=$(janela '^Atenção$')
sleep 0.3
grep -qiF "Disco de Instala" <<<"$(ler_janela "$pedido")" || falhar "o pedido não fala do disco"
grep -q "$raiz/a" "/proc/$pid/maps" && falhar "o programa ainda mapeia arquivos do disco 1"
umount "$raiz/a" || falhar "o disco 1 ficou ocupado: $(fuser -vm "$raiz/a" 2>&1 || true)"
mount -t tmpfs -o size=512m disco2 "$raiz/a"
cp -a "$raiz/disco2/." "$raiz/a/"
teclar "$pedido" Return
responder_mensagem '^Parab' "completada com sucesso"
esperar_fim "o instalador do disco trocado"
conferir "$raiz/c/TROCA"
umount "$raiz/a"

# ---- 2. DISCO.002 elsewhere, found through "Procurar..." ----
d1="$raiz/c/inst/DISCO.001"
conjunto "$d1" "$raiz/c/inst/copia/DISCO.002"
iniciar
ate_a_copia PROCURA
esperar 30 tem_janela '^Atenção$' || falhar "o pedido do DISCO.002 não apareceu"
pedido=$(janela '^Atenção$')
sleep 0.3
texto=$(ler_janela "$pedido")
grep -qiF "Procurar" <<<"$texto" || falhar "o pedido não oferece Procurar: $texto"
teclar "$pedido" alt+p
escolha=$(tela escolha '^Selecione a pasta do disco$')
sleep 0.3
# The chooser opens on C:\inst, the list on it: down to "copia", into it, "OK".
teclar "$escolha" Down Return
sleep 0.5
teclar "$escolha" alt+o
responder_mensagem '^Parab' "completada com sucesso"
esperar_fim "o instalador com o disco procurado"
conferir "$raiz/c/PROCURA"
echo "discos trocados: mídia desmontada no pedido do disco 2; DISCO.002 achado por Procurar"
