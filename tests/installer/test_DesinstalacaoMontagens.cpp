// The installation and the uninstall on real mounts, inside a mount
// namespace of this process (root only; skipped otherwise): a folder mounted
// inside the application folder, a disk that fills during the extraction, a
// member that cannot be replaced.
#include "ApoioSequencia.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>

using plataforma::Cp1252ParaUtf8;

namespace {

class Montagens : public ::testing::Test, public Sequencia {
protected:
    void SetUp() override {
        if (geteuid() != 0) GTEST_SKIP() << "montagens pedem root";
        static bool separado = false;
        if (!separado) {
            ASSERT_EQ(unshare(CLONE_NEWNS), 0);
            ASSERT_EQ(mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr), 0);
            separado = true;
        }
    }
    void TearDown() override {
        for (auto it = montados.rbegin(); it != montados.rend(); ++it) umount2(it->c_str(), MNT_DETACH);
    }
    void Montar(const std::string& origem, const std::string& alvo, const char* tipo, unsigned long flags,
                const char* opcoes = nullptr) {
        fs::create_directories(alvo);
        ASSERT_EQ(mount(origem.c_str(), alvo.c_str(), tipo, flags, opcoes), 0) << alvo;
        montados.push_back(alvo);
    }
    std::string Ultima() const {
        return ui.mensagens.empty() ? "" : Cp1252ParaUtf8(ui.mensagens.back().texto);
    }
    std::vector<std::string> montados;
};

} // namespace

TEST_F(Montagens, PastaMontadaDentroDoAplicativoNaoEhEsvaziada) {
    Sequencia::Montar();
    ASSERT_EQ(ExecutarInstalacao(ui, nullptr), FimInstalacao::Concluida);
    t.Escrever("fora/dado.txt", "fica");
    t.Escrever("fora/sub/protegido.txt", "fica");
    chmod((t.Host() + "/fora/sub/protegido.txt").c_str(), 0444);
    Montar(t.Host() + "/fora", App() + "/mnt", nullptr, MS_BIND);
    const auto fora = Retrato(t.Host() + "/fora");
    RestaurarConfiguracao();
    PastaDesinstalacaoHost = App();
    ui.respostas = {6};
    EXPECT_FALSE(Desinstalar(ui));
    EXPECT_NE(Ultima().find("Ficaram:\r" + App() + "/mnt/"), std::string::npos) << Ultima();
    EXPECT_EQ(Retrato(t.Host() + "/fora"), fora);
    EXPECT_EQ(Retrato(App()).size(), 1u + Retrato(t.Host() + "/fora").size()); // the mount point alone
}

TEST_F(Montagens, DiscoCheioNaExtracaoDesfazAInstalacao) {
    // Room for the files of the disks, not for the archive's members too.
    Montar("zentrava", t.Host() + "/cheio", "tmpfs", 0, "size=560k");
    Sequencia::Montar();
    DirBase = "C:\\CHEIO\\APLIC\\";
    const auto antes = Tudo();
    EXPECT_EQ(ExecutarInstalacao(ui, nullptr), FimInstalacao::Desfeita);
    ASSERT_GE(ui.mensagens.size(), 2u);
    EXPECT_NE(Cp1252ParaUtf8(ui.mensagens[0].texto).find("Não foi possível extrair o arquivo"), std::string::npos)
        << Cp1252ParaUtf8(ui.mensagens[0].texto);
    EXPECT_EQ(Ultima(), "O aplicativo não foi instalado corretamente.");
    EXPECT_EQ(Diferencas(antes, Tudo()), std::vector<std::string>{});
}

TEST_F(Montagens, MembroQueNaoPodeSerSubstituidoDesfazAInstalacao) {
    Montar("zentrava", t.Host() + "/APLIC", "tmpfs", 0, "size=8m");
    t.Escrever("APLIC/nota.txt", "antiga");
    int fd = open((App() + "/nota.txt").c_str(), O_RDONLY);
    int flags = FS_IMMUTABLE_FL;
    const bool imutavel = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    close(fd);
    if (!imutavel) GTEST_SKIP() << "o sistema de arquivos não marca arquivos imutáveis";
    Sequencia::Montar();
    const auto antes = Tudo();
    EXPECT_EQ(ExecutarInstalacao(ui, nullptr), FimInstalacao::Desfeita);
    EXPECT_EQ(Ultima(), "O aplicativo não foi instalado corretamente.");
    EXPECT_EQ(Diferencas(antes, Tudo()), std::vector<std::string>{});
    fd = open((App() + "/nota.txt").c_str(), O_RDONLY);
    flags = 0;
    ioctl(fd, FS_IOC_SETFLAGS, &flags);
    close(fd);
}
