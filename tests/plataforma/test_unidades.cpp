#include "Ambiente.h"
#include "Arquivos.h"
#include "PastaTemporaria.h"
#include "Unidades.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <vector>
#include <unistd.h>

using namespace plataforma;

TEST(Unidades, ResolveSemCaixaPreferindoOExato) {
    PastaTemporaria t;
    t.Escrever("Dados/Cartas/Carta.TXT", "x");
    t.Escrever("abc", "1");
    t.Escrever("ABC", "2");
    const std::string& h = t.Host();
    EXPECT_EQ(CaminhoHost("c:\\DADOS\\cartas\\carta.txt"), h + "/Dados/Cartas/Carta.TXT");
    EXPECT_EQ(CaminhoHost("C:\\abc"), h + "/abc");
    EXPECT_EQ(CaminhoHost("C:\\ABC"), h + "/ABC");
    EXPECT_EQ(CaminhoHost("C:\\Abc"), h + "/ABC"); // several matches: first in byte order
    // What does not exist keeps the case given, also below an existing folder.
    EXPECT_EQ(CaminhoHost("C:\\dados\\NovaPasta\\Arq.Txt"), h + "/Dados/NovaPasta/Arq.Txt");
    EXPECT_EQ(CaminhoHost("C:\\"), h);
    EXPECT_EQ(CaminhoHost("Z:\\"), "/");
}

// Kept listings answer as a fresh read would for names this process creates,
// and only inside their root.
TEST(Unidades, ListagensMantidasComoLeiturasNovas) {
    PastaTemporaria t;
    t.Escrever("App/Leiame.TXT", "x");
    t.Escrever("Fora/Um.txt", "1");
    const std::string& h = t.Host();
    ListagensMantidas listagens(h + "/App/");
    EXPECT_EQ(CaminhoHost("C:\\app\\LEIAME.txt"), h + "/App/Leiame.TXT");
    EXPECT_EQ(CaminhoHost("C:\\app\\novo.txt"), h + "/App/novo.txt"); // read once, now kept
    t.Escrever("App/Novo.TXT", "n");
    NotarNomeCriado(h + "/App", "Novo.TXT");
    EXPECT_EQ(CaminhoHost("C:\\app\\NOVO.txt"), h + "/App/Novo.TXT");
    t.Escrever("App/abc", "a");
    NotarNomeCriado(h + "/App/", "abc");
    t.Escrever("App/ABC", "b");
    NotarNomeCriado(h + "/App", "ABC");
    EXPECT_EQ(CaminhoHost("C:\\app\\Abc"), h + "/App/ABC"); // first in byte order, as a read
    EXPECT_EQ(CaminhoHost("C:\\fora\\um.TXT"), h + "/Fora/Um.txt");
    t.Escrever("Fora/Dois.txt", "2"); // outside the root: never kept, so seen at once
    EXPECT_EQ(CaminhoHost("C:\\fora\\DOIS.TXT"), h + "/Fora/Dois.txt");
}

TEST(Unidades, CaminhosQueNenhumaUnidadeMapeia) {
    PastaTemporaria t;
    EXPECT_EQ(CaminhoHost("Q:\\x"), std::nullopt);
    EXPECT_EQ(CaminhoHost(""), std::nullopt);
    EXPECT_EQ(CaminhoHost("C:\\a/b"), std::nullopt); // '/' is no separator
    EXPECT_EQ(CaminhoHost("\\\\servidor\\sala"), std::nullopt);
    EXPECT_EQ(CaminhoHost(std::string("C:\\a\0b", 6)), std::nullopt);
}

TEST(Unidades, CaminhosRelativosEPontoPonto) {
    PastaTemporaria t;
    t.Escrever("Dados/Sub/x", "");
    ASSERT_TRUE(DefinirPastaAtual("c:\\dados"));
    EXPECT_EQ(PastaAtual(), "C:\\Dados");
    EXPECT_EQ(CaminhoDosCompleto("sub\\..\\.\\x.txt"), "C:\\Dados\\x.txt");
    EXPECT_EQ(CaminhoDosCompleto("\\raiz.txt"), "C:\\raiz.txt");
    EXPECT_EQ(CaminhoDosCompleto("..\\..\\..\\x"), "C:\\x"); // never above the root
    EXPECT_EQ(CaminhoDosCompleto("c:sub"), "c:\\Dados\\sub");
    EXPECT_EQ(CaminhoDosCompleto("z:etc"), "z:\\etc"); // another drive: from its root
    EXPECT_EQ(CaminhoDosCompleto("C:\\a\\\\b\\"), "C:\\a\\b");
    EXPECT_EQ(CaminhoHost("sub\\X"), t.Host() + "/Dados/Sub/x");
    // A current directory outside every drive leaves relative paths unresolved.
    DefinirUnidades({{{'C', t.Host() + "/Dados/Sub"}}});
    ASSERT_EQ(chdir(t.Host().c_str()), 0);
    EXPECT_EQ(PastaAtual(), "");
    EXPECT_EQ(CaminhoDosCompleto("x"), std::nullopt);
}

TEST(Unidades, HostParaDosPeloPrefixoMaisLongo) {
    PastaTemporaria t;
    t.Escrever("Dados/Cartas/c.txt", "");
    TabelaUnidades tab;
    tab.raizes = {{'c', t.Host() + "/"}, {'D', t.Host() + "/Dados"}, {'Z', "/"}};
    DefinirUnidades(tab);
    EXPECT_EQ(CaminhoDos(t.Host() + "/Dados/Cartas/c.txt"), "D:\\Cartas\\c.txt");
    EXPECT_EQ(CaminhoDos(t.Host() + "/Dados"), "D:\\");
    EXPECT_EQ(CaminhoDos(t.Host() + "/DadosX"), "C:\\DadosX"); // not a component boundary
    EXPECT_EQ(CaminhoDos(t.Host() + "/Dados/../y"), "C:\\y");
    EXPECT_EQ(CaminhoDos("/etc/"), "Z:\\etc");
    EXPECT_EQ(CaminhoDos(t.Host() + "/com\\barra"), std::nullopt);
    EXPECT_EQ(CaminhoDos("relativo"), std::nullopt);
    DefinirUnidades({{{'C', t.Host()}}});
    EXPECT_EQ(CaminhoDos("/etc"), std::nullopt);
    // A root given through a link still covers the resolved directory.
    ASSERT_EQ(symlink(t.Host().c_str(), (t.Host() + "/elo").c_str()), 0);
    DefinirUnidades({{{'E', t.Host() + "/elo"}}});
    EXPECT_EQ(CaminhoDos(t.Host() + "/Dados"), "E:\\Dados");
}

TEST(Unidades, ProntidaoEspacoETipo) {
    PastaTemporaria t;
    TabelaUnidades tab = Unidades();
    tab.raizes['A'] = t.Host() + "/sem-disco";
    DefinirUnidades(tab);
    EXPECT_EQ(ListarUnidades(), (std::vector<char>{'A', 'C', 'Z'}));
    EXPECT_TRUE(UnidadePronta('c'));
    EXPECT_FALSE(UnidadePronta('A'));
    EXPECT_FALSE(UnidadePronta('Q'));
    EXPECT_GT(EspacoLivre('C'), 0);
    EXPECT_EQ(EspacoLivre('A'), -1);
    EXPECT_EQ(EspacoLivre('Q'), -1);
    EXPECT_EQ(TipoDaUnidade('Q'), TipoUnidade::SemRaiz);
    EXPECT_EQ(TipoDaUnidade('A'), TipoUnidade::SemRaiz);
    EXPECT_NE(TipoDaUnidade('C'), TipoUnidade::SemRaiz);
}

TEST(Unidades, TipoPelaTabelaDeMontagens) {
    const char* m = "/dev/sda1 / ext4 rw 0 0\n"
                    "srv:/export /mnt/rede nfs4 rw 0 0\n"
                    "//pc/c /mnt/rede2 cifs rw 0 0\n"
                    "/dev/sr0 /media/cd\\040rom iso9660 ro 0 0\n"
                    "/dev/sdb1 /run/media/ana/PEN vfat rw 0 0\n"
                    "/dev/sdc1 /dados vfat rw 0 0\n";
    EXPECT_EQ(TipoPelasMontagens(m, "/home/ana"), TipoUnidade::Fixa);
    EXPECT_EQ(TipoPelasMontagens(m, "/mnt/rede/sala"), TipoUnidade::Remota);
    EXPECT_EQ(TipoPelasMontagens(m, "/mnt/rede2"), TipoUnidade::Remota);
    EXPECT_EQ(TipoPelasMontagens(m, "/mnt/redex"), TipoUnidade::Fixa);
    EXPECT_EQ(TipoPelasMontagens(m, "/media/cd rom/disco"), TipoUnidade::CdRom);
    EXPECT_EQ(TipoPelasMontagens(m, "/run/media/ana/PEN"), TipoUnidade::Removivel);
    EXPECT_EQ(TipoPelasMontagens(m, "/dados"), TipoUnidade::Fixa); // vfat, but not media
    EXPECT_EQ(TipoPelasMontagens("", "/x"), TipoUnidade::Desconhecido);
}

TEST(Unidades, TabelaLidaDoDiretorioDeConfiguracao) {
    PastaTemporaria t;
    Ambiente home("HOME", t.Host() + "/casa");
    Ambiente xdg("XDG_CONFIG_HOME", t.Host() + "/cfg");
    TabelaUnidades padrao = CarregarTabelaUnidades();
    EXPECT_EQ(padrao.raizes, (std::map<char, std::string>{{'C', t.Host() + "/casa"}, {'Z', "/"}}));
    EXPECT_EQ(padrao.pastaWindows, "c:\\windows");

    t.Escrever("cfg/falavox-zentrava/unidades.ini",
               "[Unidades]\r\nf = /mnt/rede/\r\nZ=\r\nG=relativo\r\nLL=/x\r\n"
               "[Pastas]\r\nWindows=c:\\win\\\r\n");
    TabelaUnidades lida = CarregarTabelaUnidades();
    EXPECT_EQ(lida.raizes,
              (std::map<char, std::string>{{'C', t.Host() + "/casa"}, {'F', "/mnt/rede"}}));
    EXPECT_EQ(lida.pastaSistema, "c:\\windows\\system");
    DefinirUnidades(lida);
    EXPECT_EQ(DiretorioWindows(), "c:\\win");
    EXPECT_EQ(DiretorioSistema(), "c:\\windows\\system");
}

// Host names are UTF-8; inside the programs the same names are Windows-1252.
TEST(Unidades, NomesAcentuadosSaoUtf8NoHost) {
    PastaTemporaria t;
    t.Escrever("Relat\xC3\xB3rios/carta.txt", "x"); // "Relatórios" as Linux writes it
    t.Escrever("antigo\xE9", "y");                  // written byte for byte by an ANSI program
    const std::string& h = t.Host();
    EXPECT_EQ(CaminhoHost("c:\\relat\xD3rios\\carta.txt"), h + "/Relat\xC3\xB3rios/carta.txt");
    EXPECT_EQ(CaminhoHost("c:\\antigo\xE9"), h + "/antigo\xE9");
    EXPECT_EQ(CaminhoHost("c:\\a\xE7\xE3o"), h + "/a\xC3\xA7\xC3\xA3o"); // new names in UTF-8
    EXPECT_EQ(CaminhoDos(h + "/Relat\xC3\xB3rios"), "C:\\Relat\xF3rios");
    EXPECT_EQ(CaminhoDos(h + "/\xE6\x97\xA5"), std::nullopt); // a name the code page cannot hold

    ASSERT_TRUE(CriarPasta("c:\\a\xE7\xE3o"));
    EXPECT_TRUE(t.Existe("a\xC3\xA7\xC3\xA3o"));
    BuscaArquivos b;
    EntradaBusca e;
    std::vector<std::string> nomes;
    for (bool ok = b.Primeiro("c:\\*.*", atrDiretorio, e); ok; ok = b.Proximo(e))
        nomes.push_back(e.nome);
    EXPECT_EQ(nomes, (std::vector<std::string>{"antigo\xE9", "a\xE7\xE3o", "Relat\xF3rios"}));
}

TEST(Unidades, DispositivoMontadoExatamenteNaRaiz) {
    const std::string m = "/dev/sda2 / ext4 rw 0 0\n"
                          "/dev/sdb1 /media/ana/PEN\\040AZUL vfat rw 0 0\n"
                          "/dev/sr0 /media/cd iso9660 ro 0 0\n"
                          "/dev/sr1 /media/cd iso9660 ro 0 0\n";
    EXPECT_EQ(DispositivoMontadoEm(m, "/media/ana/PEN AZUL"), "/dev/sdb1");
    EXPECT_EQ(DispositivoMontadoEm(m, "/media/cd"), "/dev/sr1"); // the mount on top
    EXPECT_EQ(DispositivoMontadoEm(m, "/"), "/dev/sda2");
    // A folder inside a mount is not the volume itself.
    EXPECT_EQ(DispositivoMontadoEm(m, "/home/ana"), "");
    EXPECT_EQ(DispositivoMontadoEm("", "/"), "");
}

TEST(Unidades, NomeDoVolumeDeUmaPastaComum) {
    PastaTemporaria t;
    EXPECT_EQ(NomeDoVolume('C'), ""); // a folder, not a mount point
    EXPECT_EQ(NomeDoVolume('Q'), ""); // no such drive
}

TEST(Unidades, RotuloPelosLinksDosDispositivos) {
    PastaTemporaria t;
    t.Escrever("dev/sdb1", "");
    t.Escrever("dev/sdc1", "");
    t.Escrever("rotulos/.keep", "");
    ASSERT_EQ(symlink("../dev/sdb1", (t.Host() + "/rotulos/PEN\\x20AZUL\\x2fB").c_str()), 0);
    EXPECT_EQ(RotuloDoDispositivo(t.Host() + "/dev/sdb1", t.Host() + "/rotulos"), "PEN AZUL/B");
    EXPECT_EQ(RotuloDoDispositivo(t.Host() + "/dev/sdc1", t.Host() + "/rotulos"), "");
    EXPECT_EQ(RotuloDoDispositivo("tmpfs", t.Host() + "/rotulos"), "");
    EXPECT_EQ(RotuloDoDispositivo(t.Host() + "/dev/sdb1", t.Host() + "/nada"), "");
}
