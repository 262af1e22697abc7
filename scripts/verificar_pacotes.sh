#!/usr/bin/env bash
# Builds the Debian packages (scripts/pacotes.sh) and checks them as a user
# of Debian would meet them: the control data, lintian with no error, the
# files unpacked into a throw-away root, the menu entry and AppStream file
# validated, every program finding its libraries, and the unpacked falv run
# offscreen from the root's /usr/bin (tests/messenger/falv_instalado.sh).
# Usage: scripts/verificar_pacotes.sh [cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/instalar.sh lintian desktop-file-utils appstream dpkg-dev file

saida=$PWD/pacotes
scripts/pacotes.sh "$saida" "$@"

raiz=$(mktemp -d)
trap 'rm -rf "$raiz"' EXIT
chmod 755 "$raiz"
passou=0
ok() { echo "ok: $*"; passou=$((passou + 1)); }
falha() { echo "ERRO: $*"; echo "pacotes: $passou passed, 1 failed"; exit 1; }

for deb in "$saida"/*.deb; do
  nome=$(dpkg-deb --field "$deb" Package)
  echo "== $nome"
  dpkg-deb --info "$deb"
  for campo in Version Architecture Maintainer Depends Description; do
    [ -n "$(dpkg-deb --field "$deb" $campo)" ] || falha "$nome sem o campo $campo"
  done
  ok "$nome: dpkg-deb --info"
  lintian --fail-on error --display-level '>=warning' "$deb" || falha "lintian: $nome"
  ok "$nome: lintian sem erros"
  dpkg-deb -x "$deb" "$raiz"
done

for entrada in "$raiz"/usr/share/applications/*.desktop; do
  desktop-file-validate "$entrada" || falha "desktop-file-validate $entrada"
  ok "desktop-file-validate $(basename "$entrada")"
done
for meta in "$raiz"/usr/share/metainfo/*.xml; do
  appstreamcli validate --no-net "$meta" || falha "appstreamcli validate $meta"
  ok "appstreamcli validate $(basename "$meta")"
done

# Each program finds every library: the system's, and the engine in its
# private folder inside this root (not one from the build).
for programa in "$raiz"/usr/bin/*; do
  ldd "$programa" > "$raiz/ldd.txt" || falha "ldd $programa"
  ! grep 'not found' "$raiz/ldd.txt" || falha "$(basename "$programa"): biblioteca ausente"
  motor=$(awk '$1 == "libzentunz.so" { print $3 }' "$raiz/ldd.txt")
  if [ -n "$motor" ]; then
    [[ $(realpath "$motor") == "$raiz"/usr/lib/* ]] ||
      falha "$(basename "$programa") não acha o motor instalado: $motor"
  fi
  ok "$(basename "$programa"): bibliotecas"
done

bash tests/messenger/falv_instalado.sh "$raiz/usr/bin/falv" || falha "falv instalado"
ok "falv instalado: configurações na pasta do usuário, SIGTERM"
echo "pacotes: $passou passed, 0 failed"
