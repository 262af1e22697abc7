#include "Configuracao.h"

#include "Arquivos.h"
#include "Perfil.h"
#include "Texto1252.h"
#include "Unidades.h"
#include "fIOlib.h"
#include "fStrlib.h"

#include <cctype>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <system_error>
#include <unistd.h>

namespace {

constexpr std::string_view secaoPastas = "Pastas de Mensagens";
constexpr std::string_view secaoLogon = "Logon";
constexpr std::string_view chaveUsuario = "Usuario";
constexpr std::string_view chaveNomePasta = "Nome Da Pasta";
constexpr std::string_view chaveCaminhoPasta = "Caminho Da Pasta";
constexpr std::string_view chaveCriarPasta = "Criar Pasta Automaticamente";

// A settings file is a few hundred bytes; anything this large is not one.
constexpr std::size_t limiteArquivo = 1 << 20;

enum class Leitura { Lido, Ausente, Falhou };

// The whole file in one read, so a load sees one version of it and a save
// can be composed in memory and written in one atomic replacement: a failure
// half-way through never leaves the list half erased on disk.
Leitura LerArquivo(const std::string& arquivoIni, std::string& conteudo) {
    conteudo.clear();
    if (arquivoIni.empty() || !plataforma::ArquivoExiste(arquivoIni)) return Leitura::Ausente;
    auto lido = plataforma::LerArquivoExclusivo(arquivoIni, limiteArquivo);
    if (!lido) return Leitura::Falhou;
    conteudo = std::move(*lido);
    return Leitura::Lido;
}

std::string Valor(std::string_view conteudo, std::string_view secao, std::string_view chave) {
    auto v = plataforma::ValorDoPerfil(conteudo, secao, chave);
    if (!v) return {};
    return v->substr(0, plataforma::maxValorPerfil);
}

bool DigitosEmBase(std::string_view t, int base) {
    if (t.empty()) return false;
    for (unsigned char c : t) {
        bool ok = base == 10 ? std::isdigit(c) : std::isxdigit(c);
        if (!ok) return false;
    }
    return true;
}

// Read as an integer: a number that is zero is false, any other number true,
// and a value that is not a number ("yes", "1x", empty) gives the default, true.
bool LerCriarAutomatico(std::string_view valor) {
    std::string_view t = valor;
    if (!t.empty() && (t[0] == '+' || t[0] == '-')) t.remove_prefix(1);
    int base = 10;
    if (t.starts_with('$')) {
        t.remove_prefix(1);
        base = 16;
    } else if (t.starts_with("0x") || t.starts_with("0X")) {
        t.remove_prefix(2);
        base = 16;
    }
    if (!DigitosEmBase(t, base)) return true;
    return t.find_first_not_of('0') != std::string_view::npos;
}

void AvisarFalha(Interacao& ui, const std::string& texto) {
    ui.CursorNormal();
    ui.Mensagem("Erro", texto, 6);
}

bool Salvar(const Sessao& s, const std::string& arquivoIni, bool completa, Interacao& ui) {
    std::string conteudo;
    bool ok = !arquivoIni.empty() && LerArquivo(arquivoIni, conteudo) != Leitura::Falhou;
    // The configuration folder is ours to create; any other folder must exist.
    if (ok && ExtrairPasta(arquivoIni) == PastaConfiguracaoFalv())
        ok = plataforma::CriarPasta(ExtrairPasta(arquivoIni));
    if (ok) {
        conteudo = plataforma::AlterarPerfil(conteudo, secaoPastas, std::nullopt, std::nullopt);
        for (std::size_t i = 0; i < s.nomesPastas.size() && i < s.caminhosPastas.size(); ++i)
            conteudo = plataforma::AlterarPerfil(conteudo, secaoPastas, s.nomesPastas[i],
                                                 s.caminhosPastas[i]);
        auto gravar = [&](std::string_view chave, std::string_view valor) {
            conteudo = plataforma::AlterarPerfil(conteudo, secaoLogon, chave, valor);
        };
        if (completa) {
            gravar(chaveUsuario, s.usuario);
            gravar(chaveNomePasta, s.nomePasta);
            gravar(chaveCaminhoPasta, s.caminhoPasta);
        }
        gravar(chaveCriarPasta, s.criarAutomatico ? "1" : "0");
        ok = plataforma::GravarArquivoAtomico(arquivoIni, conteudo);
    }
    if (!ok) AvisarFalha(ui, "Erro ao atualizar o arquivo FALV.INI");
    return ok;
}

} // namespace

std::string PastaDoPrograma() {
    std::error_code e;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", e);
    if (e) return {};
    auto dos = plataforma::CaminhoDos(exe.parent_path().string());
    if (!dos) return {};
    return CaminhoDePasta(*dos);
}

std::string ArquivoConfiguracao(const std::string& pastaPrograma) {
    if (!pastaPrograma.empty()) {
        const std::string aoLado = pastaPrograma + "falv.ini";
        if (plataforma::ArquivoExiste(aoLado)) return aoLado;
        auto host = plataforma::CaminhoHost(pastaPrograma);
        bool propria = host && faccessat(AT_FDCWD, host->c_str(), W_OK, AT_EACCESS) == 0;
#ifdef FALV_PASTA_INSTALACAO
        // Root can write there, and a falv.ini left behind would then be every
        // user's, and one none of them could save.
        std::error_code e;
        if (propria && std::filesystem::equivalent(*host, FALV_PASTA_INSTALACAO, e)) propria = false;
#endif
        if (propria) return aoLado;
    }
    std::string pasta = PastaConfiguracaoFalv();
    return pasta.empty() ? std::string() : pasta + "falv.ini";
}

std::string PastaConfiguracaoFalv() {
    std::string config = plataforma::PastaConfiguracaoUsuario();
    if (config.empty()) return {};
    auto dos = plataforma::CaminhoDos(config + "/falavox");
    return dos ? *dos + "\\" : std::string();
}

std::string NomeDePasta(std::string_view digitado) {
    return plataforma::Maiusculas1252(TirarEspacos(Esquerda(TirarEspacos(digitado), static_cast<uint8_t>(maxNomePasta))));
}

std::string CaminhoDePasta(std::string_view caminho) {
    std::string r = plataforma::Minusculas1252(caminho);
    if (!r.empty() && r.back() != '\\') r += '\\';
    return r;
}

bool NomeDePastaValido(std::string_view nome) {
    if (nome.empty() || nome.front() == ' ' || nome.back() == ' ') return false;
    if (nome.front() == '[' || nome.front() == ';') return false;
    for (unsigned char c : nome)
        if (c < 0x20 || c == 0x7F || c == '=') return false;
    return true;
}

int IndicePasta(const Sessao& s, std::string_view nome, int ignorar) {
    for (std::size_t i = 0; i < s.nomesPastas.size(); ++i)
        if (static_cast<int>(i) != ignorar && plataforma::IguaisSemCaixa(s.nomesPastas[i], nome))
            return static_cast<int>(i);
    return -1;
}

void CarregarConfiguracao(Sessao& s, const std::string& arquivoIni, bool completa, Interacao& ui) {
    s.nomesPastas.clear();
    s.caminhosPastas.clear();
    std::string conteudo;
    Leitura leitura = LerArquivo(arquivoIni, conteudo);

    for (const auto& chave : plataforma::ChavesDoPerfil(conteudo, secaoPastas)) {
        std::string nome = NomeDePasta(chave);
        std::string caminho = CaminhoDePasta(Valor(conteudo, secaoPastas, chave));
        if (caminho.empty() || !NomeDePastaValido(nome) || IndicePasta(s, nome) >= 0) continue;
        s.nomesPastas.push_back(std::move(nome));
        s.caminhosPastas.push_back(std::move(caminho));
    }
    if (completa) {
        s.usuario = Valor(conteudo, secaoLogon, chaveUsuario);
        s.nomePasta = NomeDePasta(Valor(conteudo, secaoLogon, chaveNomePasta));
        s.caminhoPasta = CaminhoDePasta(Valor(conteudo, secaoLogon, chaveCaminhoPasta));
        auto criar = plataforma::ValorDoPerfil(conteudo, secaoLogon, chaveCriarPasta);
        s.criarAutomatico = !criar || LerCriarAutomatico(*criar);
    }
    if (leitura == Leitura::Falhou) AvisarFalha(ui, "Erro ao abrir o arquivo FALV.INI");
}

bool SalvarPastas(const Sessao& s, const std::string& arquivoIni, Interacao& ui) {
    return Salvar(s, arquivoIni, false, ui);
}

bool SalvarConfiguracao(const Sessao& s, const std::string& arquivoIni, Interacao& ui) {
    return Salvar(s, arquivoIni, true, ui);
}
