#include "fDirsel.h"

#include "Arquivos.h"
#include "EstiloJanelas.h"
#include "Janela1252.h"
#include "ListaPastas.h"
#include "Texto1252.h"

#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>


TfrmDirSel::TfrmDirSel(QWidget* pai) : QDialog(pai) {
    setObjectName("frmDirSel");
    setWindowTitle(QStringLiteral("Selecione o Diretório/Pasta"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(FonteJanela(11, false));
    setFixedSize(527, 286);

    auto* panPastas = new QFrame(this);
    panPastas->setObjectName("panPastas");
    panPastas->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    lblDriveDir = new QLabel(QStringLiteral("Drives/&Diretórios (Pastas)"), panPastas);
    lblDriveDir->setObjectName("lblDriveDir");
    lblDriveDir->setAlignment(Qt::AlignCenter);
    lblDriveDir->setFrameStyle(QFrame::Panel | QFrame::Raised);
    lblDriveDir->setMinimumHeight(20);

    dcbDrive = new QComboBox(panPastas);
    dcbDrive->setObjectName("dcbDrive");
    PreencherUnidades(dcbDrive);

    dlsPastas = new QListWidget(panPastas);
    dlsPastas->setObjectName("dlsPastas");
    PrepararListaPastas(dlsPastas);
    lblDriveDir->setBuddy(dlsPastas);

    auto* colunaPastas = new QVBoxLayout(panPastas);
    colunaPastas->setContentsMargins(4, 4, 4, 4);
    colunaPastas->setSpacing(4);
    colunaPastas->addWidget(lblDriveDir);
    colunaPastas->addWidget(dcbDrive);
    colunaPastas->addWidget(dlsPastas, 1);

    const FerramentasPasta ferramentas = CriarFerramentasPasta(this);
    sbtCriarPasta = ferramentas.criar;
    sbtRenPasta = ferramentas.renomear;
    sbtDelPasta = ferramentas.excluir;

    auto botao = [this](const char* nome, const QString& legenda, QStyle::StandardPixmap glifo) {
        auto* b = new QPushButton(style()->standardIcon(glifo), legenda, this);
        b->setObjectName(nome);
        b->setFont(FonteJanela(11, true));
        b->setFixedSize(89, 28);
        b->installEventFilter(this);
        return b;
    };
    bbtOk = botao("bbtOk", QStringLiteral("&OK"), QStyle::SP_DialogOkButton);
    bbtCancel = botao("bbtCancel", QStringLiteral("&Cancelar"), QStyle::SP_DialogCancelButton);
    bbtOk->setDefault(true);
    FormMouseMove();

    auto* linhaFerramentas = new QHBoxLayout;
    linhaFerramentas->setSpacing(2);
    linhaFerramentas->addStretch();
    linhaFerramentas->addWidget(sbtCriarPasta);
    linhaFerramentas->addWidget(sbtRenPasta);
    linhaFerramentas->addWidget(sbtDelPasta);
    auto* colunaBotoes = new QVBoxLayout;
    colunaBotoes->addLayout(linhaFerramentas);
    colunaBotoes->addStretch();
    colunaBotoes->addWidget(bbtOk, 0, Qt::AlignRight);
    colunaBotoes->addSpacing(6);
    colunaBotoes->addWidget(bbtCancel, 0, Qt::AlignRight);

    panPastaAtual = new QLabel(this);
    panPastaAtual->setObjectName("panPastaAtual");
    panPastaAtual->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panPastaAtual->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    panPastaAtual->setTextFormat(Qt::PlainText);
    panPastaAtual->setFixedHeight(22);
    panPastaAtual->setFocusPolicy(Qt::TabFocus);

    auto* corpo = new QHBoxLayout;
    corpo->setSpacing(10);
    corpo->addWidget(panPastas, 1);
    corpo->addLayout(colunaBotoes);
    auto* janela = new QVBoxLayout(this);
    janela->setContentsMargins(8, 8, 8, 4);
    janela->setSpacing(6);
    janela->addLayout(corpo, 1);
    janela->addWidget(panPastaAtual);

    setTabOrder(dcbDrive, dlsPastas);
    setTabOrder(dlsPastas, panPastaAtual);
    setTabOrder(panPastaAtual, bbtOk);
    setTabOrder(bbtOk, bbtCancel);

    connect(dcbDrive, &QComboBox::activated, this, &TfrmDirSel::dcbDriveChange);
    connect(dlsPastas, &QListWidget::itemActivated, this, &TfrmDirSel::AbrirItem);
    connect(sbtCriarPasta, &QToolButton::clicked, this, &TfrmDirSel::sbtCriarPastaClick);
    connect(sbtRenPasta, &QToolButton::clicked, this, &TfrmDirSel::sbtRenPastaClick);
    connect(sbtDelPasta, &QToolButton::clicked, this, &TfrmDirSel::sbtDelPastaClick);
    connect(bbtOk, &QPushButton::clicked, this, &TfrmDirSel::bbtOkClick);
    connect(bbtCancel, &QPushButton::clicked, this, &TfrmDirSel::reject);
    dlsPastas->installEventFilter(this);

    MostrarPastaAtual();
}

void TfrmDirSel::Iniciar(const std::string& pastaInicial) {
    if (!pastaInicial.empty() && plataforma::PastaExiste(pastaInicial) && !Entrar(pastaInicial)) {
        AvisarPastaIndisponivel();
        MostrarPastaAtual();
    }
    confirmado_ = false;
    escolhida_.clear();
}

bool TfrmDirSel::Entrar(const std::string& dos) {
    if (!plataforma::DefinirPastaAtual(dos)) return false;
    MostrarPastaAtual();
    return true;
}

void TfrmDirSel::MostrarPastaAtual() {
    pasta_ = PastaParaMostrar();
    LerPastas();
    dlsPastasChange();
    if (!pasta_.empty()) SelecionarUnidade(pasta_[0]);
}

void TfrmDirSel::LerPastas() {
    ::LerPastas(dlsPastas, pasta_);
}

void TfrmDirSel::SelecionarUnidade(char letra) {
    ::SelecionarUnidade(dcbDrive, letra);
}

void TfrmDirSel::AbrirItem(QListWidgetItem* item) {
    const std::string destino = PastaDoItem(item);
    if (plataforma::IguaisSemCaixa(destino, pasta_)) return;
    if (!Entrar(destino)) {
        AvisarPastaIndisponivel();
        LerPastas();
    }
}

void TfrmDirSel::dlsPastasChange() {
    panPastaAtual->setText(ParaQString(" " + plataforma::Minusculas1252(pasta_)));
}

void TfrmDirSel::dlsPastasEnter() {
    bbtOk->setDefault(false);
}
void TfrmDirSel::dlsPastasExit() {
    bbtOk->setDefault(true);
}

void TfrmDirSel::dcbDriveChange() {
    const char letra = UnidadeSelecionada(dcbDrive);
    if (!letra) return;
    if (EntrarUnidade(letra))
        MostrarPastaAtual();
    else if (!pasta_.empty())
        SelecionarUnidade(pasta_[0]);
}

void TfrmDirSel::sbtCriarPastaClick() {
    if (CriarPastaPedida()) MostrarPastaAtual();
}

void TfrmDirSel::sbtRenPastaClick() {
    if (RenomearPastaMostrada(pasta_)) MostrarPastaAtual();
}

void TfrmDirSel::sbtDelPastaClick() {
    if (ExcluirPastaMostrada(pasta_)) MostrarPastaAtual();
}

void TfrmDirSel::bbtOkClick() {
    std::string pasta = plataforma::Minusculas1252(pasta_);
    while (pasta.size() > 3 && pasta.back() == '\\')
        pasta.pop_back();
    confirmado_ = true;
    escolhida_ = pasta;
    accept();
}

void TfrmDirSel::DestacarBotao(QPushButton* botao) {
    DestacarBotoes(botao, bbtOk, {bbtCancel});
}

void TfrmDirSel::FormMouseMove() {
    DestacarBotao(nullptr);
}

void TfrmDirSel::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    dlsPastas->setFocus();
}

bool TfrmDirSel::eventFilter(QObject* alvo, QEvent* e) {
    if (alvo == dlsPastas) {
        if (e->type() == QEvent::FocusIn) dlsPastasEnter();
        if (e->type() == QEvent::FocusOut) dlsPastasExit();
    } else if (e->type() == QEvent::Enter) {
        DestacarBotao(qobject_cast<QPushButton*>(alvo));
    } else if (e->type() == QEvent::Leave) {
        FormMouseMove();
    }
    return QDialog::eventFilter(alvo, e);
}

// ---- Entry point ----

void EscolherPasta(const std::string& titulo, const std::string& pastaInicial, bool& confirmado,
                   std::string& pasta) {
    if (auto* r = RespostaPasta::Atual())
        return r->Responder(titulo, pastaInicial, confirmado, pasta);
    TfrmDirSel dlg;
    dlg.Iniciar(pastaInicial);
    dlg.setWindowTitle(ParaQString(titulo));
    dlg.exec();
    confirmado = dlg.Confirmado();
    pasta = dlg.PastaEscolhida();
}

// ---- Test seam ----

void RespostaPasta::Responder(const std::string& titulo, const std::string& pastaInicial,
                              bool& confirmado, std::string& pasta) {
    chamadas_.push_back({titulo, pastaInicial});
    std::optional<std::string> r = Proxima();
    confirmado = r.has_value();
    pasta = r.value_or(std::string());
}
