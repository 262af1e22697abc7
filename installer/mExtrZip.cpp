#include "mExtrZip.h"

#include "Arquivos.h"
#include "Texto1252.h"
#include "Unidades.h"

#include <cstring>
#include <fstream>

using namespace plataforma::literais;

namespace {

constexpr uint32_t assinaturaLocal = 0x04034B50;
constexpr uint32_t assinaturaCentral = 0x02014B50;
constexpr uint32_t assinaturaFim = 0x06054B50;
constexpr int64_t tamanhoRegistroFim = 22;
constexpr int32_t verdadeiro = -1;

[[noreturn]] void FalharLeitura(int numero) {
    throw EErroZip("Erro " + std::to_string(numero) + " na leitura do arquivo Zip");
}

uint16_t Le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Le32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

bool Ler(std::istream& arquivo, void* destino, std::size_t n) {
    arquivo.read(static_cast<char*>(destino), static_cast<std::streamsize>(n));
    return static_cast<std::size_t>(arquivo.gcount()) == n;
}

// Moves to posicao and says whether the stream is there.
bool Posicionar(std::istream& arquivo, int64_t posicao) {
    arquivo.clear();
    arquivo.seekg(posicao);
    return arquivo && static_cast<int64_t>(arquivo.tellg()) == posicao;
}

int32_t Booleano(bool b) { return b ? verdadeiro : 0; }

} // namespace

void LerDiretorioZip(std::istream& arquivo, std::vector<TEntradaZip>& diretorio) {
    arquivo.seekg(0, std::ios::end);
    const int64_t tamanhoArquivo = arquivo.tellg();
    arquivo.seekg(0);
    for (;;) {
        unsigned char assinatura[4];
        if (!Ler(arquivo, assinatura, 4)) FalharLeitura(1);
        uint32_t a = Le32(assinatura);
        if (a == assinaturaCentral || a == assinaturaFim) return;
        if (a != assinaturaLocal) continue;

        unsigned char h[26];
        if (!Ler(arquivo, h, sizeof h)) FalharLeitura(2);
        TEntradaZip e;
        e.versaoNecessaria = Le16(h);
        e.flags = Le16(h + 2);
        e.metodo = Le16(h + 4);
        e.hora = Le16(h + 6);
        e.data = Le16(h + 8);
        e.crc32 = Le32(h + 10);
        e.tamanhoCompactado = Le32(h + 14);
        e.tamanhoOriginal = Le32(h + 18);
        e.tamanhoNome = Le16(h + 22);
        e.tamanhoExtra = Le16(h + 24);
        e.nome.resize(e.tamanhoNome);
        if (!Ler(arquivo, e.nome.data(), e.nome.size())) FalharLeitura(2);
        diretorio.push_back(std::move(e));
        const TEntradaZip& nova = diretorio.back();

        const int64_t posicao = arquivo.tellg();
        const int64_t aposExtra = posicao + nova.tamanhoExtra;
        const int64_t aposDados = aposExtra + nova.tamanhoCompactado;
        if (aposDados > tamanhoArquivo - tamanhoRegistroFim) FalharLeitura(3);
        if (nova.tamanhoExtra != 0 && !Posicionar(arquivo, aposExtra)) FalharLeitura(4);
        if (!Posicionar(arquivo, aposDados)) FalharLeitura(5);
    }
}

TExtratorZip::TExtratorZip(Interacao& interacao) : interacao_(interacao) {}

void TExtratorZip::DefinirArquivoZip(const std::string& arquivoDos) {
    arquivoZip_ = arquivoDos;
    diretorio_.clear();
    if (!plataforma::ArquivoExiste(arquivoDos)) return;
    auto host = plataforma::CaminhoHost(arquivoDos);
    std::ifstream arquivo;
    if (host) arquivo.open(*host, std::ios::binary);
    if (!arquivo.is_open()) FalharLeitura(1);
    LerDiretorioZip(arquivo, diretorio_);
    if (AoLerDiretorio) AoLerDiretorio(*this);
}

void TExtratorZip::PreencherParametros() {
    const auto tem = [this](TOpcaoExtracao o) { return OpcoesExtracao.count(o) != 0; };
    ZentunzParametros& p = parametros_;
    p = ZentunzParametros{};
    p.constante0 = 0;
    p.chamador = this;
    p.constante110 = 110;
    p.rotinaRelato = &TExtratorZip::RotinaRelato;
    p.rastrear = Booleano(Rastrear);
    p.opcao40 = verdadeiro;
    p.detalhado = Booleano(Detalhado || Rastrear);
    p.atualizar = Booleano(tem(extrAtualizar));
    p.renovar = Booleano(tem(extrRenovar) && !tem(extrAtualizar));
    p.nomesPastas = Booleano(tem(extrNomesPastas));
    p.sobrescrever = Booleano(tem(extrSobrescrever));
    p.constante7 = 7;

    // Own copies, whole: a longer name is passed as it is, never cut short.
    copiaArquivo_ = arquivoZip_;
    copiasEspecificacoes_ = Especificacoes;
    p.nomeArquivo = copiaArquivo_.c_str();
    p.qtdEspecificacoes = static_cast<int32_t>(copiasEspecificacoes_.size());
    for (std::size_t k = 0; k < copiasEspecificacoes_.size(); ++k)
        p.especificacoes[k] = copiasEspecificacoes_[k].c_str();
}

void TExtratorZip::Extrair() {
    if (ocupado_) return;
    ocupado_ = true;
    cancelado_ = false;
    falhaEvento_ = nullptr;
    // Whatever happens below, the component goes back to idle.
    struct AoSair {
        TExtratorZip& z;
        ~AoSair() { z.Encerrar(); }
    } aoSair{*this};

    if (!PastaExtracao.empty()) {
        // Never extract into whatever folder happens to be current.
        if (!plataforma::PastaExiste(PastaExtracao)) plataforma::CriarPasta(PastaExtracao);
        if (!plataforma::DefinirPastaAtual(PastaExtracao))
            throw EErroZip("Não foi possível usar a pasta de extração "_ansi + PastaExtracao);
    }
    if (Especificacoes.size() > ZENTUNZ_MAX_ESPECIFICACOES)
        throw EErroZip("Especificações demais para a extração (máximo 4097)."_ansi);
    PreencherParametros();

    resultado_ = zentunz_extrair(&parametros_);
    if (falhaEvento_ || resultado_ == ZENTUNZ_FALHA_INTERNA)
        interacao_.MensagemSimples("Zentrava 8",
                                   "Erro fatal no módulo de descompactação: exceção de aborto."_ansi);
}

void TExtratorZip::Encerrar() {
    Especificacoes.clear();
    parametros_.nomeArquivo = nullptr;
    std::fill(std::begin(parametros_.especificacoes), std::end(parametros_.especificacoes), nullptr);
    copiaArquivo_.clear();
    copiasEspecificacoes_.clear();
    falhaEvento_ = nullptr;
    cancelado_ = false;
    ocupado_ = false;
}

int32_t TExtratorZip::RotinaRelato(ZentunzRelato* relato) {
    auto* z = relato ? static_cast<TExtratorZip*>(relato->chamador) : nullptr;
    return z ? z->Relatado(*relato) : -1;
}

int32_t TExtratorZip::Relatado(const ZentunzRelato& r) {
    // A handler that failed has already stopped this extraction.
    if (falhaEvento_) return -1;
    try {
        std::string texto(r.texto, strnlen(r.texto, sizeof r.texto));
        switch (r.acao) {
        case ZENTUNZ_ACAO_INICIO:
            if (AoProgredir) AoProgredir(*this, tpMembro, texto, r.tamanho);
            break;
        case ZENTUNZ_ACAO_PASSO:
            if (AoProgredir) AoProgredir(*this, tpPasso, " ", 0);
            break;
        case ZENTUNZ_ACAO_FIM:
            if (AoProgredir) AoProgredir(*this, tpFim, " ", 0);
            break;
        case ZENTUNZ_ACAO_MENSAGEM:
            while (!texto.empty() && (texto.back() == '\r' || texto.back() == '\n')) texto.pop_back();
            if (AoNotificar) AoNotificar(*this, r.codigoErro, texto);
            break;
        default:
            break;
        }
    } catch (...) {
        // Must not unwind through the engine.
        falhaEvento_ = std::current_exception();
        return -1;
    }
    return cancelado_ ? -1 : 0;
}
