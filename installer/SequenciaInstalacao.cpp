#include "SequenciaInstalacao.h"

#include "Arquivos.h"
#include "GrupoProgramas.h"
#include "Integracao.h"
#include "Texto1252.h"
#include "Unidades.h"
#include "fIOlib.h"
#include "mSetuplb.h"

using namespace plataforma;
using namespace plataforma::literais;

namespace {

void RemoverGrupo(Interacao& ui, const std::string& grupo) {
    // A name that is no single folder inside the applications folder could
    // lead the deletion elsewhere: the group step is skipped.
    if (!NomeGrupoValido(grupo)) return;
    if (auto programas = PastaProgramas(); programas && PastaExiste(*programas))
        ApagarPasta(*programas + "\\" + grupo, &ui);
    RemoverMenuGrupo(grupo);
}

bool GravarLog(Interacao& ui) {
    const std::string log = DirBase + "zentrava.log";
    if (GravarLogDesinstalacao(ui, log)) return true;
    ui.MensagemSimples("Zentrava 8", "Erro de entrada/saída ao gravar o arquivo "_ansi + log);
    return false;
}

} // namespace

bool IniciarInstalacao(Interacao&) {
    return true;
}

FimInstalacao DesfazerInstalacao(Interacao& ui) {
    ui.CursorNormal();
    ui.Mensagem("Atenção"_ansi, "O aplicativo não foi instalado corretamente."_ansi, 5);
    return FimInstalacao::Desfeita;
}

FimInstalacao ConcluirInstalacao(Interacao& ui) {
    if (!AlterarArquivosINI(ui) || !ExecutarArquivos(ui) || !GravarLog(ui))
        return DesfazerInstalacao(ui);
    if (!CriarGrupodePrograma(ui)) return FimInstalacao::Desfeita;
    ui.Mensagem("Parabéns !!!"_ansi, "Instalação completada com sucesso."_ansi, 5);
    return FimInstalacao::Concluida;
}

FimInstalacao ExecutarInstalacao(Interacao& ui, ObservadorRestauracao* observador) {
    InstalacaoCancelada = false;
    if (!IniciarInstalacao(ui)) return FimInstalacao::Cancelada;
    if (RestaurarInstalacao(ui, observador) != FimRestauracao::Concluida || InstalacaoCancelada)
        return DesfazerInstalacao(ui);
    return ConcluirInstalacao(ui);
}

bool EspelharRegistro(std::string) {
    return true;
}

void RegistrarMensagem(std::string_view) {}

bool Desinstalar(Interacao& ui, bool perguntar) {
    LogDesinstalacao log;
    if (DirDisco.empty() || !LerLogDesinstalacao(ui, DirDisco + "zentrava.log", log)) {
        ui.Mensagem("Erro", "Não foi encontrado o arquivo de desinstalação ZENTRAVA.LOG"_ansi, 6);
        return false;
    }
    if (!PastaExiste(log.dirBase)) {
        ui.Mensagem("Erro", "Não foi encontrado o diretório do aplicativo."_ansi, 6);
        return false;
    }
    // The log travels inside the folder it describes: one that names another
    // folder was moved or edited, and is not followed.
    if (!MesmaPasta(log.dirBase, DirDisco)) {
        ui.Mensagem("Erro", "O arquivo de desinstalação ZENTRAVA.LOG indica a pasta "_ansi +
                                log.dirBase + ", que não é a pasta em que ele está.\rNada foi apagado."_ansi,
                    6);
        return false;
    }
    if (PastaEssencial(log.dirBase)) {
        ui.Mensagem("Erro", "A pasta "_ansi + log.dirBase +
                                " não pode ser apagada por uma desinstalação.\rNada foi apagado."_ansi, 6);
        return false;
    }
    if (perguntar && ui.Mensagem("Desinstalação do aplicativo "_ansi + log.titulo,
                                 "\rDeseja realmente desinstalar o aplicativo ???", 8) != 6)
        return false;
    ApagarPasta(log.dirBase, &ui);
    if (!log.grupo.empty()) RemoverGrupo(ui, log.grupo);
    ui.Mensagem("Parabéns !!!"_ansi, "A desinstalação foi bem sucedida."_ansi, 5);
    return true;
}
