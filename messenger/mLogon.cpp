#include "mLogon.h"

#include "Arquivos.h"
#include "EstiloJanelas.h"
#include "Janela1252.h"
#include "PastaMensagens.h"
#include "Sessao.h"
#include "Texto1252.h"
#include "fStrlib.h"

#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QValidator>
#include <QVBoxLayout>

using namespace plataforma::literais;

namespace {

constexpr int resultadoOk = 1;
constexpr int resultadoCancelar = 2;
constexpr int tipoErro = 6;
constexpr int tamanhoNome = 10;

// Names are upper case as Windows-1252 knows it; what it cannot hold is '?'.
class Maiusculas : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& texto, int& pos) const override {
        texto = ParaQString(plataforma::Maiusculas1252(Para1252(texto)));
        pos = std::min(pos, static_cast<int>(texto.size()));
        return Acceptable;
    }
};

QPushButton* Botao(const char* nome, const QString& legenda, QStyle::StandardPixmap glifo,
                   QWidget* pai) {
    auto* b = new QPushButton(legenda, pai);
    b->setObjectName(nome);
    b->setIcon(pai->style()->standardIcon(glifo));
    b->setFont(FonteJanela(11, true));
    b->setIconSize(QSize(16, 16));
    b->setMinimumWidth(90);
    return b;
}

} // namespace

TfrmLogon::TfrmLogon(Sessao& sessao, PastaMensagens& pasta, QWidget* pai)
    : QDialog(pai, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                       Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      sessao_(sessao), pasta_(pasta) {
    setObjectName("frmLogon");
    setWindowTitle(QStringLiteral("Conectar"));
    setFont(FonteJanela(11, false));

    gbxNome = new QGroupBox(QStringLiteral(" Nome do Usuário "), this);
    gbxNome->setObjectName("gbxNome");
    edtNome = new QLineEdit(gbxNome);
    edtNome->setObjectName("edtNome");
    edtNome->setMaxLength(tamanhoNome);
    edtNome->setValidator(new Maiusculas(edtNome));
    edtNome->setMinimumWidth(edtNome->fontMetrics().horizontalAdvance(QString(tamanhoNome, 'W')));
    (new QVBoxLayout(gbxNome))->addWidget(edtNome);

    gbxPasta = new QGroupBox(QStringLiteral(" Pasta Inicial "), this);
    gbxPasta->setObjectName("gbxPasta");
    cbxPastas = new QComboBox(gbxPasta);
    cbxPastas->setObjectName("cbxPastas");
    cbxPastas->setEditable(false);
    cbxPastas->setMinimumContentsLength(15);
    (new QVBoxLayout(gbxPasta))->addWidget(cbxPastas);

    bbtOk = Botao("bbtOk", QStringLiteral("&OK"), QStyle::SP_DialogOkButton, this);
    bbtOk->setDefault(true);
    bbtCancel = Botao("bbtCancel", QStringLiteral("&Cancelar"), QStyle::SP_DialogCancelButton, this);

    auto* grupos = new QHBoxLayout;
    grupos->addWidget(gbxNome);
    grupos->addWidget(gbxPasta);
    auto* botoes = new QHBoxLayout;
    botoes->addStretch();
    botoes->addWidget(bbtOk);
    botoes->addWidget(bbtCancel);
    auto* tudo = new QVBoxLayout(this);
    tudo->addLayout(grupos);
    tudo->addLayout(botoes);
    tudo->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(edtNome, cbxPastas);
    setTabOrder(cbxPastas, bbtOk);
    setTabOrder(bbtOk, bbtCancel);

    connect(bbtOk, &QPushButton::clicked, this, &TfrmLogon::bbtOkClick);
    connect(bbtCancel, &QPushButton::clicked, this, &TfrmLogon::bbtCancelClick);
    for (QWidget* w : {static_cast<QWidget*>(this), static_cast<QWidget*>(gbxNome),
                       static_cast<QWidget*>(gbxPasta), static_cast<QWidget*>(edtNome),
                       static_cast<QWidget*>(bbtOk), static_cast<QWidget*>(bbtCancel)}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
}

void TfrmLogon::FormShow() {
    cbxPastas->clear();
    int escolhida = 0;
    for (std::size_t i = 0; i < sessao_.nomesPastas.size(); ++i) {
        cbxPastas->addItem(ParaQString(plataforma::Maiusculas1252(sessao_.nomesPastas[i])));
        if (plataforma::IguaisSemCaixa(sessao_.nomesPastas[i], sessao_.nomePasta))
            escolhida = static_cast<int>(i);
    }
    cbxPastas->setCurrentIndex(cbxPastas->count() > 0 ? escolhida : -1);
    edtNome->setFocus();
}

void TfrmLogon::bbtOkClick() {
    sessao_.conectado = false;
    const std::string usuario = TirarEspacos(Para1252(edtNome->text()));
    edtNome->setText(ParaQString(usuario));

    const int i = cbxPastas->currentIndex();
    auto item = [i](const std::vector<std::string>& lista) {
        return i >= 0 && static_cast<std::size_t>(i) < lista.size() ? lista[i] : std::string();
    };
    const std::string nome = item(sessao_.nomesPastas);
    const std::string caminho = item(sessao_.caminhosPastas);
    if (caminho.empty() || !plataforma::PastaExiste(caminho)) {
        Erro("O caminho da Pasta de Mensagens " + nome + " não foi encontrado."_ansi);
        return;
    }
    const int codigo = pasta_.ConectarUsuario(nome, caminho, usuario);
    if (codigo <= 0) {
        if (codigo == 0) Erro("Usuário já conectado nesta pasta."_ansi);
        SelecionarNome();
        return;
    }
    if (!pasta_.CriarArquivosMensagem(nome, caminho, usuario)) return;
    sessao_.nomePasta = nome;
    sessao_.caminhoPasta = caminho;
    sessao_.usuario = usuario;
    sessao_.conectado = true;
    done(resultadoOk);
}

void TfrmLogon::bbtCancelClick() {
    sessao_.usuario.clear();
    sessao_.nomePasta.clear();
    sessao_.caminhoPasta.clear();
    sessao_.conectado = false;
    done(resultadoCancelar);
}

void TfrmLogon::DestacarBotao(QPushButton* botao) {
    DestacarBotoes(botao, bbtOk, {bbtCancel});
}

void TfrmLogon::FormMouseMove() { DestacarBotao(nullptr); }

void TfrmLogon::reject() { done(resultadoCancelar); }

void TfrmLogon::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (QScreen* tela = screen()) {
        const QRect r = tela->availableGeometry();
        move(r.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
    }
    FormShow();
}

void TfrmLogon::keyPressEvent(QKeyEvent* e) {
    if (e->matches(QKeySequence::Cancel)) {
        bbtCancel->click();
        return;
    }
    QDialog::keyPressEvent(e);
}

bool TfrmLogon::eventFilter(QObject* alvo, QEvent* e) {
    if (QPushButton* sob; MovimentoSobreBotoes(this, alvo, e, {bbtOk, bbtCancel}, sob))
        DestacarBotao(sob);
    return QDialog::eventFilter(alvo, e);
}

void TfrmLogon::Erro(const std::string& texto) { pasta_.Ui().Mensagem("Erro", texto, tipoErro); }

void TfrmLogon::SelecionarNome() {
    edtNome->setFocus();
    edtNome->selectAll();
}
