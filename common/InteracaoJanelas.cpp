#include "InteracaoJanelas.h"

#include "fDirsel.h"
#include "fMsgdlg.h"

#include <QApplication>
#include <QPushButton>
#include <QStyle>

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

int InteracaoJanelas::PedirPastaDisco(const std::string& titulo, const std::string& texto,
                                      std::string& pasta) {
    if (RespostaMensagens::Atual()) return ExibirMensagem(titulo, texto, 11);
    // The three-button warning of the message box, its buttons renamed.
    constexpr int tipoTresBotoes = 1;
    TfrmMsgDlg dlg;
    dlg.PrepararMensagem(titulo, texto, tipoTresBotoes);
    auto* ok = dlg.findChild<QPushButton*>("bbtSim");
    auto* procurar = dlg.findChild<QPushButton*>("bbtNao");
    ok->setText(QStringLiteral("&OK"));
    procurar->setText(QStringLiteral("&Procurar..."));
    procurar->setIcon(dlg.style()->standardIcon(QStyle::SP_DirOpenIcon));
    dlg.Centralizar();
    const int r = dlg.exec();
    if (r == mrCancel) return 2;
    if (r != mrNo) return 1;
    bool confirmado = false;
    std::string escolhida;
    ::EscolherPasta("Selecione a pasta do disco", pasta, confirmado, escolhida);
    if (!confirmado) return 1;
    pasta = escolhida;
    return 3;
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
