# The two-disk set of the installation tests, built with the shell alone.
# Source it after setting `raiz`; `montar_conjunto_vendas <zentrava>` writes
# the image folders $d1 = $raiz/c/inst/DISCO.001 and $d2 (DISCO.002), the
# originals in $fontes, and sets `titulo`: an INI file, a shell script that
# leaves its arguments in $raiz/rastro.txt, a zip archive (with its CRC-32),
# a file split across both disks and a text file on the second disk; the
# command file lists the archive to extract, an INI entry, the script to run
# and two group items.

tamanho() { stat -c %s "$1"; }

# A program that leaves its arguments, one a line, in $raiz/rastro.txt.
escrever_rastro() { # <arquivo>
  printf '#!/bin/sh\nprintf "%%s\\n" "$@" >"%s/rastro.txt"\n' "$raiz" >"$1"
}

# One file's section of a label file.
secao() { # <n> <nome> <tamanho> <bytes salvo> <discos> [modo]
  printf '[Arquivo #%s]\r\nNome=%s\r\nTamanho=%s\r\nBytes Salvo=%s\r\nQtd.Discos=%s\r\n' "$@"
  [ -z "${6:-}" ] || printf 'Modo=%s\r\n' "$6"
}

# The command file of the set, with one more INI entry when given.
comandos_vendas() { # [entrada INI]
  local mais=""
  [ -z "${1:-}" ] || mais="item2=$1"$'\r\n'
  # Windows-1252: "instalação" is instala\347\343o.
  printf '[Info]\r\nTitulo=%s\r\nCor Titulo=clWhite\r\nCor Sombra=clBlack\r\nSub-Titulo=Pedidos, clientes e estoque\r\nRodape=Zentrava 8 - instala\347\343o de teste\r\nCor Sub-Titulo=clYellow\r\nCor de Fundo 1=clBlue\r\nCor de Fundo 2=clBlack\r\nInstalacao=001000\r\nDiretorio Base=\\VENDAS\r\nTotal Discos=2\r\nTotal Arquivos=5\r\nTotal Bytes=40000\r\nGrupo de Programa=Vendas Teste\r\n' \
    "$titulo"
  printf '[Itens do Grupo]\r\nitem1=Leia-me,@DIRBASE\\LEIAME.TXT\r\nitem2=%s,@DIRBASE\\RASTRO.SH /M\r\n[Descompactar Arquivos]\r\nitem1=@DIRBASE\\DADOS.ZIP\r\n[Configurar Arquivos INI]\r\nitem1=@DIRBASE\\APP.INI,Geral,Pasta,@DIRBASE\\DADOS\r\n%s[Executar Arquivos]\r\nitem1=@DIRBASE\\RASTRO.SH,1,/S Primeiro\r\n' \
    "$titulo" "$mais"
}

montar_conjunto_vendas() { # <zentrava>
  fontes="$raiz/fontes"
  d1="$raiz/c/inst/DISCO.001"
  d2="$raiz/c/inst/DISCO.002"
  titulo="Sistema de Vendas"
  mkdir -p "$fontes/dados" "$d1" "$d2"
  printf '[Geral]\r\nNome=Vendas\r\n' >"$fontes/APP.INI"
  escrever_rastro "$fontes/RASTRO.SH"
  printf 'Ana;Rua A\r\nJosé;Rua B\r\n' >"$fontes/dados/clientes.txt"
  printf 'Leia-me do arquivo\r\n' >"$fontes/nota.txt"
  (cd "$fontes" && zip -q -r DADOS.ZIP dados nota.txt)
  head -c 30000 /dev/urandom >"$fontes/GRANDE.DAT"
  printf 'Sistema de Vendas\r\n' >"$fontes/LEIAME.TXT"
  head -c 20000 "$fontes/GRANDE.DAT" >"$d1/GRANDE.DAT"
  tail -c 10000 "$fontes/GRANDE.DAT" >"$d2/GRANDE.DAT"
  for f in APP.INI RASTRO.SH DADOS.ZIP; do cp "$fontes/$f" "$d1/"; done
  cp "$fontes/LEIAME.TXT" "$d2/"
  {
    secao 1 '@DIRBASE\APP.INI' "$(tamanho "$fontes/APP.INI")" "$(tamanho "$fontes/APP.INI")" 1
    secao 2 '@DIRBASE\RASTRO.SH' "$(tamanho "$fontes/RASTRO.SH")" "$(tamanho "$fontes/RASTRO.SH")" 1 755
    secao 3 '@DIRBASE\DADOS.ZIP' "$(tamanho "$fontes/DADOS.ZIP")" "$(tamanho "$fontes/DADOS.ZIP")" 1
    printf 'CRC32=%08X\r\n' "$(gzip -c "$fontes/DADOS.ZIP" | tail -c 8 | od -An -tu4 -N4 | tr -d ' ')"
    secao 4 '@DIRBASE\ARQUIVOS\GRANDE.DAT' 30000 20000 2
  } >"$d1/zentrava.001"
  {
    printf '[Arquivo #4]\r\nBytes Salvo=10000\r\n'
    secao 5 '@DIRBASE\LEIAME.TXT' "$(tamanho "$fontes/LEIAME.TXT")" "$(tamanho "$fontes/LEIAME.TXT")" 1
  } >"$d2/zentrava.002"
  comandos_vendas >"$d1/zentrava.cmd"
  cp "$1" "$d1/zentrava"
}
