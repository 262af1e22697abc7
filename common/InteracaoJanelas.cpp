#include "InteracaoJanelas.h"

#include "fMsgdlg.h"

#include <QApplication>

int InteracaoJanelas::Mensagem(const std::string& titulo, const std::string& texto, int tipo) {
    return ExibirMensagem(titulo, texto, tipo);
}

void InteracaoJanelas::MensagemSimples(const std::string& titulo, const std::string& texto) {
    ::MensagemSimples(titulo, texto);
}

bool InteracaoJanelas::SolicitarValor(const std::string& titulo, const std::string& prompt,
                                      std::string& valor) {
    bool confirmado = false;
    ::SolicitarValor(titulo, prompt, valor, confirmado);
    return confirmado;
}

void InteracaoJanelas::CursorOcupado() {
    if (QApplication::overrideCursor())
        QApplication::changeOverrideCursor(Qt::WaitCursor);
    else
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

void InteracaoJanelas::CursorNormal() {
    RestaurarCursorNormal();
}

void InteracaoJanelas::ProcessarEventos() {
    QCoreApplication::processEvents();
}
