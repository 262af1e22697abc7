#include "ModoSilencioso.h"

#include "Arquivos.h"
#include "SequenciaInstalacao.h"
#include "Texto1252.h"
#include "Unidades.h"
#include "Destino.h"
#include "mSetuplb.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>

using namespace plataforma;
using namespace plataforma::literais;

namespace {

constexpr int tipoPedirDisco = 11;

std::string UmaLinha(std::string texto) {
    std::replace(texto.begin(), texto.end(), '\r', ' ');
    std::replace(texto.begin(), texto.end(), '\n', ' ');
    while (!texto.empty() && texto.front() == ' ') texto.erase(0, 1);
    return texto;
}

// A refusal before anything was written: said on standard error and in the log.
int Recusar(InteracaoSilenciosa& ui, const std::string& texto1252) {
    ui.Mensagem("Erro", texto1252, 6);
    return saidaRecusada;
}

} // namespace

void InteracaoSilenciosa::Linha(const std::string& titulo, const std::string& texto) {
    const std::string linha = Cp1252ParaUtf8(UmaLinha(titulo) + ": " + UmaLinha(texto));
    std::fprintf(saida_, "zentrava: %s\n", linha.c_str());
    std::fflush(saida_);
    RegistrarMensagem(linha);
}

int InteracaoSilenciosa::Mensagem(const std::string& titulo, const std::string& texto, int tipo) {
    Linha(titulo, tipo == tipoPedirDisco
                      ? texto + " (sem tela ninguém troca o disco: a instalação termina)"_ansi
                      : texto);
    // Nobody is there to insert a disk or to say yes: the refusing answer.
    switch (tipo) {
    case 0: case 1: case 2: case 3: case tipoPedirDisco: case 12: return 2;
    case 7: case 8: case 9: case 10: return 7;
    default: return 1;
    }
}

void InteracaoSilenciosa::MensagemSimples(const std::string& titulo, const std::string& texto) {
    Linha(titulo, texto);
}

int InteracaoSilenciosa::PedirPastaDisco(const std::string& titulo, const std::string& texto,
                                         std::string&) {
    return Mensagem(titulo, texto, tipoPedirDisco);
}

void ProgressoTerminal::Rotulos(const std::string&, const std::string& arquivo,
                                const std::string&, const std::string& atual) {
    // One line per file, not per piece: the pieces of a split file share it.
    if (arquivo == arquivo_) return;
    concluidos_ += atual_;
    arquivo_ = arquivo;
    atual_ = 0;
    if (auto p = atual.rfind(" ("); p != std::string::npos)
        atual_ = std::strtoll(atual.c_str() + p + 2, nullptr, 10);
    const int64_t total = std::max<int64_t>(TotalBytes, 1);
    const int64_t pct = std::clamp<int64_t>(concluidos_ * 100 / total, 0, 100);
    std::fprintf(saida_, "%3lld%% %s\n", static_cast<long long>(pct),
                 Cp1252ParaUtf8(UmaLinha(atual)).c_str());
    std::fflush(saida_);
}

void ProgressoTerminal::Extracao(TTipoProgresso tipo, const std::string& membro, int32_t) {
    if (tipo != tpMembro) return;
    std::fprintf(saida_, "100%% Extraindo %s\n", Cp1252ParaUtf8(membro).c_str());
    std::fflush(saida_);
}

std::string DestinoSilencioso(const std::string& destino, std::string& erro) {
    std::string dos;
    if (destino.starts_with('/')) {
        auto d = CaminhoDos(destino);
        if (!d) {
            erro = "nenhuma unidade corresponde à pasta de destino " + destino;
            return {};
        }
        dos = *d;
    } else {
        dos = NomeHostPara1252(destino);
        if (dos.size() < 3 || dos[1] != ':' || dos[2] != '\\') {
            erro = "a pasta de destino " + destino +
                   " deve ser um caminho completo: do sistema (/home/ana/APLIC) ou DOS (C:\\APLIC)";
            return {};
        }
    }
    if (dos.find('/') != std::string::npos) {
        erro = "a pasta de destino " + destino + " mistura \"/\" com um caminho DOS";
        return {};
    }
    if (!dos.ends_with('\\')) dos += '\\';
    if (dos.size() <= 3) {
        erro = "a pasta de destino " + destino + " é a raiz de uma unidade";
        return {};
    }
    // As long as the destination screen lets a folder be, so the uninstall
    // log still holds it whole.
    if (dos.size() > 2 + 200 + 1) {
        erro = "a pasta de destino " + destino + " é longa demais (mais de 200 caracteres)";
        return {};
    }
    if (ArquivoExiste(dos.substr(0, dos.size() - 1))) {
        erro = "a pasta de destino " + destino + " é um arquivo";
        return {};
    }
    return dos;
}

int ExecutarSilencioso(const OpcoesLinha& opcoes, const std::string& dirInstalador) {
    InteracaoSilenciosa ui;
    if (opcoes.log && !EspelharRegistro(*opcoes.log))
        std::fprintf(stderr, "zentrava: o log não foi gravado: não foi possível escrever em %s (%s)\n",
                     opcoes.log->c_str(), Cp1252ParaUtf8(TextoErroSistema(errno)).c_str());
    if (dirInstalador.empty())
        return Recusar(ui, "Não foi encontrado o arquivo de comandos ZENTRAVA.CMD"_ansi);

    std::optional<std::string_view> argumento;
    if (opcoes.argumento) argumento = *opcoes.argumento;
    const Partida partida = IniciarInstalador(ui, dirInstalador, argumento);
    if (partida == Partida::Encerrar) return saidaRecusada;
    if (partida == Partida::Desinstalar) return Desinstalar(ui, false) ? saidaConcluida : saidaFalha;

    if (opcoes.destino) {
        std::string erro;
        DirBase = DestinoSilencioso(*opcoes.destino, erro);
        if (DirBase.empty()) return Recusar(ui, Utf8Para1252(erro) + ".");
    } else {
        DirBase = DestinoInstalacao("", 'c', DirBase);
    }
    if (!EspacoSuficiente(DirBase[0]))
        return Recusar(ui, "Espaco insuficiente no drive selecionado. ("_ansi +
                               Maiusculas1252(DirBase.substr(0, 2)) + " tem " +
                               TextoMB(EspacoLivre(static_cast<char>(std::toupper(
                                           static_cast<unsigned char>(DirBase[0])))),
                                       false) +
                               " livres; a instalação precisa de "_ansi + TextoMB(TotalBytes) + ")");

    ProgressoTerminal progresso(stdout);
    const bool terminal = isatty(STDOUT_FILENO) == 1;
    const FimInstalacao fim = ExecutarInstalacao(ui, terminal ? &progresso : nullptr);
    LiberarListas();
    EspelharRegistro("");
    switch (fim) {
    case FimInstalacao::Concluida: return saidaConcluida;
    case FimInstalacao::Cancelada: return saidaRecusada;
    case FimInstalacao::Desfeita: return saidaDesfeita;
    }
    return saidaFalha;
}
