#include "mPathapl.h"

#include "Destino.h"
#include "EstiloJanelas.h"
#include "GlifosBotoes.h"
#include "Janela1252.h"
#include "ListaPastas.h"
#include "TelasInstalador.h"
#include "Texto1252.h"
#include "Unidades.h"
#include "fDirsel.h"
#include "fMsgdlg.h"
#include "fStrlib.h"
#include "mSetuplb.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cctype>
#include <optional>

using namespace plataforma::literais;

namespace {

constexpr int tipoErro = 6;
constexpr int tipoConfirmacao = 7;
// The command file's suggested folder is at most this long; a longer one
// would not fit the uninstall log's 255 positions with its drive.
constexpr int tamanhoPasta = 200;

QFrame* Chanfro(const char* nome, QWidget* pai) {
    auto* f = new QFrame(pai);
    f->setObjectName(nome);
    f->setFrameStyle(QFrame::Box | QFrame::Sunken);
    return f;
}

} // namespace

TfrmPathApl::TfrmPathApl(QWidget* pai) : QDialog(pai) {
    PrepararTela(this, "frmPathApl");
    setWindowTitle(QStringLiteral("Drive/Diretório do Aplicativo"));

    bevDrive = Chanfro("bevDrive", this);
    lblDrive = new QLabel(QStringLiteral("Selecione o D&rive onde você quer instalar o produto:"),
                          bevDrive);
    lblDrive->setObjectName("lblDrive");
    DriveCombo1 = new QComboBox(bevDrive);
    DriveCombo1->setObjectName("DriveCombo1");
    DriveCombo1->setMinimumContentsLength(24);
    PreencherUnidades(DriveCombo1);
    lblDrive->setBuddy(DriveCombo1);
    auto* drive = new QVBoxLayout(bevDrive);
    drive->setContentsMargins(10, 8, 10, 10);
    drive->addWidget(lblDrive);
    drive->addWidget(DriveCombo1);

    bevDirAplic = Chanfro("bevDirAplic", this);
    lblDirAplic = new QLabel(QStringLiteral("Informe nome do &Diretório/Pasta do produto:"),
                             bevDirAplic);
    lblDirAplic->setObjectName("lblDirAplic");
    btnProcurar = new QPushButton(QStringLiteral("&Procurar..."), bevDirAplic);
    btnProcurar->setObjectName("btnProcurar");
    btnProcurar->setAutoDefault(false);
    edtDirAplic = new QLineEdit(bevDirAplic);
    edtDirAplic->setObjectName("edtDirAplic");
    edtDirAplic->setMaxLength(tamanhoPasta);
    lblDirAplic->setBuddy(edtDirAplic);
    // What a Linux user needs to read: where the folder really is, and
    // whether the drive has room.
    lblPastaHost = new QLabel(bevDirAplic);
    lblPastaHost->setObjectName("lblPastaHost");
    lblPastaHost->setTextFormat(Qt::PlainText);
    lblPastaHost->setWordWrap(true);
    lblEspaco = new QLabel(bevDirAplic);
    lblEspaco->setObjectName("lblEspaco");
    lblEspaco->setTextFormat(Qt::PlainText);
    auto* pasta = new QGridLayout(bevDirAplic);
    pasta->setContentsMargins(10, 8, 10, 10);
    pasta->addWidget(lblDirAplic, 0, 0, Qt::AlignBottom);
    pasta->addWidget(btnProcurar, 0, 1);
    pasta->addWidget(edtDirAplic, 1, 0, 1, 2);
    pasta->addWidget(lblPastaHost, 2, 0, 1, 2);
    pasta->addWidget(lblEspaco, 3, 0, 1, 2);
    pasta->setColumnStretch(0, 1);

    bbtOk = BotaoComGlifo("bbtOk", QStringLiteral("&OK"), GlifoConfirmar(), this);
    bbtOk->setDefault(true);
    bbtCancel = BotaoComGlifo("bbtCancel", QStringLiteral("&Cancelar"), GlifoCancelar(), this);
    bbtCancel->setAutoDefault(false);

    auto* botoes = new QHBoxLayout;
    botoes->addStretch();
    botoes->addWidget(bbtOk);
    botoes->addWidget(bbtCancel);
    auto* tudo = new QVBoxLayout(this);
    tudo->setContentsMargins(10, 10, 10, 10);
    tudo->addWidget(bevDrive);
    tudo->addWidget(bevDirAplic);
    tudo->addLayout(botoes);
    tudo->setSizeConstraint(QLayout::SetFixedSize);
    setMinimumWidth(380);

    setTabOrder(DriveCombo1, edtDirAplic);
    setTabOrder(edtDirAplic, btnProcurar);
    setTabOrder(btnProcurar, bbtOk);
    setTabOrder(bbtOk, bbtCancel);

    connect(bbtOk, &QPushButton::clicked, this, [this] { BitBtnClick(bbtOk); });
    connect(bbtCancel, &QPushButton::clicked, this, [this] { BitBtnClick(bbtCancel); });
    connect(btnProcurar, &QPushButton::clicked, this, &TfrmPathApl::btnProcurarClick);
    connect(DriveCombo1, &QComboBox::currentIndexChanged, this, &TfrmPathApl::AtualizarDestino);
    connect(edtDirAplic, &QLineEdit::textChanged, this, &TfrmPathApl::AtualizarDestino);
    // A pasted text is taken back when it holds '/'; typing never lets one in.
    connect(edtDirAplic, &QLineEdit::textEdited, this, [this](const QString& texto) {
        if (RecusarBarra(Para1252(texto)))
            edtDirAplic->setText(aceito_);
        else
            aceito_ = texto;
    });
    for (QWidget* w : std::initializer_list<QWidget*>{this, bevDrive, bevDirAplic, lblDrive,
                                                      lblDirAplic, edtDirAplic, btnProcurar,
                                                      bbtOk, bbtCancel}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
    FormCreate();
}

void TfrmPathApl::FormCreate() {
    SelecionarUnidade(DriveCombo1, 'C');
    edtDirAplic->setText(ParaQString(DirBase));
    aceito_ = edtDirAplic->text();
    AtualizarDestino();
    edtDirAplic->setEnabled(false);
    btnProcurar->setEnabled(false);
    confirmado_ = false;
    if (Instalacao.size() >= 3 && Instalacao[2] == '1') {
        edtDirAplic->setEnabled(true);
        btnProcurar->setEnabled(true);
    }
    DriveCombo1->setFocus();
}

char TfrmPathApl::LetraEscolhida() const {
    const char letra = UnidadeSelecionada(DriveCombo1);
    return static_cast<char>(std::tolower(static_cast<unsigned char>(letra ? letra : 'c')));
}

bool TfrmPathApl::edtDirAplicKeyPress(QKeyEvent* tecla) {
    const QString texto = tecla->text();
    if (texto == QStringLiteral("/")) {
        RecusarBarra(Para1252(edtDirAplic->text() + texto));
        return true;
    }
    return texto.size() == 1 && QStringLiteral("*.:<>?").contains(texto[0]);
}

bool TfrmPathApl::RecusarBarra(const std::string& pasta) {
    if (pasta.find('/') == std::string::npos) return false;
    ExibirMensagem("Erro", TextoPastaComBarra(pasta), tipoErro);
    edtDirAplic->setFocus();
    return true;
}

void TfrmPathApl::AtualizarDestino() {
    const std::string texto = Para1252(edtDirAplic->text());
    const char letra = LetraEscolhida();
    if (texto.find('/') != std::string::npos) {
        lblPastaHost->setText(QStringLiteral("Pasta no sistema: (o nome não pode ter \"/\")"));
    } else {
        const std::string destino = DestinoInstalacao(texto, letra, DirBase);
        const std::string host = PastaHost(destino);
        lblPastaHost->setText(QStringLiteral("Pasta no sistema: ") +
                              (host.empty() ? QStringLiteral("(nenhuma: o drive não está mapeado)")
                                            : ParaQString(host)));
    }
    const char drive = static_cast<char>(std::toupper(static_cast<unsigned char>(letra)));
    const int64_t livre = plataforma::EspacoLivre(drive);
    lblEspaco->setText(ParaQString("Espaço necessário: "_ansi + TextoMB(TotalBytes) + "   Livre em " +
                                   std::string(1, drive) + ": " +
                                   (livre < 0 ? std::string("indisponível"_ansi) : TextoMB(livre, false))));
}

void TfrmPathApl::btnProcurarClick() {
    const std::string texto = Para1252(edtDirAplic->text());
    // A folder that names its own drive is opened on that drive.
    const std::string inicial = plataforma::Minusculas1252(
        LetraDeDrive(texto) ? texto : std::string(1, LetraEscolhida()) + ":" + texto);
    bool confirmado = false;
    std::string escolhida;
    EscolherPasta("Selecione o Diretório/Pasta"_ansi, inicial, confirmado, escolhida);
    if (!confirmado || escolhida.size() < 2) return;
    SelecionarUnidade(DriveCombo1, escolhida[0]);
    edtDirAplic->setText(ParaQString(escolhida.substr(2)));
    bbtOk->setFocus();
}

void TfrmPathApl::BitBtnClick(QPushButton* botao) {
    if (botao == bbtCancel) {
        reject();
        return;
    }
    if (RecusarBarra(Para1252(edtDirAplic->text()))) return;
    const std::string destino =
        DestinoInstalacao(Para1252(edtDirAplic->text()), LetraEscolhida(), DirBase);
    if (!EspacoSuficiente(destino[0])) {
        ExibirMensagem("Erro", "Espaco insuficiente no drive selecionado.", tipoErro);
        DriveCombo1->setFocus();
        return;
    }
    DirBase = destino;
    confirmado_ = true;
    done(mrOk);
}

bool TfrmPathApl::FormClose() {
    if (confirmado_) return true;
    if (ExibirMensagem("Atenção"_ansi, "Deseja interromper a instalação ???"_ansi,
                       tipoConfirmacao) != mrYes)
        return false;
    InstalacaoCancelada = true;
    return true;
}

void TfrmPathApl::reject() {
    if (FormClose()) done(mrCancel);
}

void TfrmPathApl::DestacarBotao(QPushButton* botao) {
    DestacarBotoes(botao, bbtOk, {bbtCancel});
}

void TfrmPathApl::FormMouseMove() { DestacarBotao(nullptr); }

void TfrmPathApl::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    CentralizarTela(this);
}

bool TfrmPathApl::eventFilter(QObject* alvo, QEvent* e) {
    if (alvo == edtDirAplic && e->type() == QEvent::KeyPress &&
        edtDirAplicKeyPress(static_cast<QKeyEvent*>(e)))
        return true;
    if (QPushButton* sob; MovimentoSobreBotoes(this, alvo, e, {bbtOk, bbtCancel}, sob))
        DestacarBotao(sob);
    return QDialog::eventFilter(alvo, e);
}
