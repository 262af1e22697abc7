#!/usr/bin/env bash
# A Linux program installed by the real zentrava (Xvfb, xdotool keys) into a
# folder with a blank in its name: a shell script that reads its data folder
# from its INI file, written there through @PASTABASE, and gets the same
# folder as a parameter, quoted, through the macro. Checked: the script finds
# the folder and leaves its trace; the INI value and the group item's Exec
# line (a valid desktop entry) hold the host path with its case. Then, the
# disk folders deleted, the menu's "Desinstalar" item's Exec line is run: its
# question names the host folder, "Sim" removes the application and its
# group, and it ends with status 0.
# Usage: programa_linux.sh <zentrava>
# Exit 77 (skipped) when Xvfb, xdotool, ImageMagick, tesseract or
# desktop-file-validate is missing.
set -euo pipefail

zentrava="$1"
raiz=$(mktemp -d /tmp/programa-linux-XXXXXX)
source "$(dirname "$0")/../apoio/instalacao.sh"
preparar_unidades

d1="$raiz/c/inst/DISCO.001"
mkdir -p "$d1"
printf '[Geral]\r\nNome=Agenda\r\n' >"$d1/AGENDA.INI"
cat >"$d1/AGENDA.SH" <<FIM
#!/bin/sh
pasta=\$(sed -n 's/^pastadados=//p' "\$(dirname "\$0")/agenda.ini" "\$(dirname "\$0")/AGENDA.INI" 2>/dev/null | tr -d '\r')
if [ "\$1" = --dados ] && [ "\$2" = "\$pasta" ] && [ -f "\$pasta/contatos.txt" ]; then
  printf 'achou %s\n' "\$pasta" >"$raiz/rastro.txt"
else
  printf 'falhou [%s] [%s]\n' "\$pasta" "\$2" >"$raiz/rastro.txt"
fi
FIM
printf 'Ana\r\n' >"$d1/contatos.txt"
secao_de() { # <n> <nome> <arquivo> [modo]: the section of a whole file
  secao "$1" "$2" "$(tamanho "$d1/$3")" "$(tamanho "$d1/$3")" 1 "${4:-}"
}
{
  secao_de 1 '@DIRBASE\AGENDA.INI' AGENDA.INI
  secao_de 2 '@DIRBASE\AGENDA.SH' AGENDA.SH 755
  secao_de 3 '@DIRBASE\dados\contatos.txt' contatos.txt
} >"$d1/zentrava.001"
titulo="Agenda Linux"
printf '[Info]\r\nTitulo=%s\r\nInstalacao=001000\r\nDiretorio Base=\\AGENDA\r\nTotal Discos=1\r\nTotal Arquivos=3\r\nTotal Bytes=1000\r\nGrupo de Programa=Agenda Linux\r\n' "$titulo" >"$d1/zentrava.cmd"
printf '[Configurar Arquivos INI]\r\nitem1=@DIRBASE\\AGENDA.INI,Geral,PastaDados,@PASTABASE/dados\r\n[Executar Arquivos]\r\nitem1=@DIRBASE\\AGENDA.SH,1,--dados "@PASTABASE/dados"\r\n[Itens do Grupo]\r\nitem1=Agenda,@DIRBASE\\AGENDA.SH --dados "@PASTABASE/dados"\r\n' >>"$d1/zentrava.cmd"
cp "$zentrava" "$d1/zentrava"

iniciar
esperar 30 tem_janela "^$titulo\$" || falhar "a janela principal não apareceu"
principal=$(janela "^$titulo\$")
teclar "$(tela apresentação "")" Return
destino=$(tela destino '^Drive/Diret')
teclar "$destino" Tab ctrl+a
xdotool type --delay 30 '\Minha Agenda'
teclar "$destino" Return
teclar "$(tela restauração '^Restaurar Arquivos$')" Return
responder_mensagem '^Parab' "completada com sucesso"
esperar_fim "o instalador"

app="$raiz/c/Minha Agenda"
grep -qxF "pastadados=$app/dados"$'\r' "$app/AGENDA.INI" || falhar "AGENDA.INI: $(cat -A "$app/AGENDA.INI")"
esperar 10 test -s "$raiz/rastro.txt" || falhar "o programa não deixou rastro"
[ "$(cat "$raiz/rastro.txt")" = "achou $app/dados" ] || falhar "o programa: $(cat "$raiz/rastro.txt")"
entrada=$(grep -rlx 'Name=Agenda' "$XDG_DATA_HOME/applications") || falhar "sem a entrada Agenda no menu"
desktop-file-validate "$entrada" || falhar "entrada inválida: $entrada"
grep -qxF "Exec=\"$app/AGENDA.SH\" --dados \"$app/dados\"" "$entrada" || falhar "Exec: $(grep ^Exec "$entrada")"

# ---- The uninstall from the menu, the disks gone ----
rm -rf "$raiz/c/inst"
item=$(grep -rlx "Name=Desinstalar $titulo" "$XDG_DATA_HOME/applications") || falhar "sem o item Desinstalar no menu"
desktop-file-validate "$item" || falhar "item inválido: $item"
linha=$(sed -n 's/^Exec=//p' "$item")
# The Exec quoting (double quotes, \", \$, \`, \\ inside) is the shell's own.
eval "comando=($linha)"
[[ "${comando[0]}" == "$app/"* ]] || falhar "o item não roda a cópia do aplicativo: $linha"
"${comando[@]}" >>"$raiz/zentrava.log" 2>&1 &
pid=$!
pids+=("$pid")
principal=""
responder_mensagem '^Desinstala' "Deseja realmente desinstalar" "Minha Agenda"
responder_mensagem '^Parab' "bem sucedida"
esperar_fim "a desinstalação pelo menu"
[ ! -e "$app" ] || falhar "a pasta do aplicativo ficou: $(ls -R "$app")"
[ -z "$(find "$XDG_DATA_HOME" "$XDG_CONFIG_HOME/menus" -type f 2>/dev/null)" ] ||
  falhar "arquivos do grupo ficaram: $(find "$XDG_DATA_HOME" "$XDG_CONFIG_HOME/menus" -type f)"
echo "programa do Linux: pasta de dados achada pelo INI e pelo parâmetro, com @PASTABASE; desinstalado pelo menu"
