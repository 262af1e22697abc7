#include "mApresnt.h"

#include "EstiloJanelas.h"
#include "GlifosBotoes.h"
#include "Janela1252.h"
#include "TelasInstalador.h"
#include "Texto1252.h"
#include "fStrlib.h"
#include "mSetuplb.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <string_view>

using namespace plataforma::literais;

namespace {

constexpr int resultadoOk = 1;
constexpr uint8_t tamanhoLabel = 103;

// "Zentrava 8 - Programa de Instalação", scrambled (EmbaralharTexto, direction 0)
// so the caption does not lie in the executable as plain text.
constexpr std::string_view legendaEmbaralhada = ",/.:gTqT > F .3JP3~5~ N/ ,{N]~K~\xE7\xE3J";

} // namespace

std::string TextoApresentacao(const std::string& titulo) {
    return Esquerda("Este programa irá instalar e configurar em seu sistema o aplicativo"_ansi +
                        "\r" + titulo,
                    tamanhoLabel);
}

TfrmApresnt::TfrmApresnt(QWidget* pai) : QDialog(pai) {
    PrepararTela(this, "frmApresnt");

    lblApresnt = new QLabel(
        QStringLiteral("Este programa irá instalar e configurar em seu sistema o aplicativo"), this);
    lblApresnt->setObjectName("lblApresnt");
    lblApresnt->setAlignment(Qt::AlignCenter);
    lblApresnt->setWordWrap(true);
    lblApresnt->setFixedWidth(330);
    lblApresnt->setMinimumHeight(3 * lblApresnt->fontMetrics().lineSpacing());

    bbtOk = BotaoComGlifo("bbtOk", QStringLiteral("&OK"), GlifoConfirmar(), this);
    bbtOk->setDefault(true);
    connect(bbtOk, &QPushButton::clicked, this, [this] { done(resultadoOk); });

    auto* botao = new QHBoxLayout;
    botao->addStretch();
    botao->addWidget(bbtOk);
    botao->addStretch();
    auto* tudo = new QVBoxLayout(this);
    tudo->setContentsMargins(16, 16, 16, 12);
    tudo->setSpacing(14);
    tudo->addWidget(lblApresnt);
    tudo->addLayout(botao);
    tudo->setSizeConstraint(QLayout::SetFixedSize);

    for (QWidget* w : {static_cast<QWidget*>(this), static_cast<QWidget*>(lblApresnt),
                       static_cast<QWidget*>(bbtOk)}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
    FormCreate();
}

void TfrmApresnt::FormCreate() {
    setWindowTitle(ParaQString(EmbaralharTexto(legendaEmbaralhada, desembaralhar)));
    QString texto = ParaQString(TextoApresentacao(Titulo));
    lblApresnt->setText(texto.replace('\r', '\n'));
}

void TfrmApresnt::DestacarBotao(QPushButton* botao) { DestacarBotoes(botao, bbtOk, {}); }

void TfrmApresnt::FormMouseMove() { DestacarBotao(nullptr); }

void TfrmApresnt::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    CentralizarTela(this);
}

bool TfrmApresnt::eventFilter(QObject* alvo, QEvent* e) {
    if (QPushButton* sob; MovimentoSobreBotoes(this, alvo, e, {bbtOk}, sob)) DestacarBotao(sob);
    return QDialog::eventFilter(alvo, e);
}
