#include "fDirsel.h"

#include "Arquivos.h"
#include "EstiloJanelas.h"
#include "InteracaoJanelas.h"
#include "Janela1252.h"
#include "Texto1252.h"
#include "Unidades.h"
#include "fIOlib.h"
#include "fMsgdlg.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cctype>

using namespace plataforma::literais;

namespace {

constexpr int kPapelCaminho = Qt::UserRole;   // the item's DOS path
constexpr int kPapelNivel = Qt::UserRole + 1; // its depth below the drive root
constexpr int kRecuo = 12;                    // pixels per level

bool EhRaiz(const std::string& dos) {
    return dos.size() <= 3;
}

std::string RaizDe(char letra) {
    return std::string(1, letra) + ":\\";
}

// Characters Windows refuses in a file name; a name holding one would be
// unreachable from the Windows stations that share the folder.
bool NomeValido(const std::string& nome, bool caminhoPermitido) {
    if (nome.empty()) return false;
    for (std::size_t i = 0; i < nome.size(); ++i) {
        const auto c = static_cast<unsigned char>(nome[i]);
        if (c < 32 ||
            std::string_view("*?\"<>|/").find(static_cast<char>(c)) != std::string_view::npos)
            return false;
        if (c == '\\' && !caminhoPermitido) return false;
        if (c == ':' && !(caminhoPermitido && i == 1)) return false;
    }
    return true;
}

// No standard icon says "rename": a pencil over a text line.
QIcon GlifoRenomear() {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.drawLine(1, 14, 9, 14);
    p.setPen(QPen(QColor(200, 150, 20), 3, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(5, 11, 13, 3);
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.drawLine(3, 13, 5, 11);
    return QIcon(pm);
}

QIcon IconeDaUnidade(const QStyle* estilo, char letra) {
    switch (plataforma::TipoDaUnidade(letra)) {
    case plataforma::TipoUnidade::Removivel:
        return estilo->standardIcon(QStyle::SP_DriveFDIcon);
    case plataforma::TipoUnidade::Remota:
        return estilo->standardIcon(QStyle::SP_DriveNetIcon);
    case plataforma::TipoUnidade::CdRom:
        return estilo->standardIcon(QStyle::SP_DriveCDIcon);
    default:
        return estilo->standardIcon(QStyle::SP_DriveHDIcon);
    }
}

// "c: [home]": the letter and the name of the host directory it stands for.
QString LegendaDaUnidade(char letra) {
    const auto& raizes = plataforma::Unidades().raizes;
    auto it = raizes.find(letra);
    std::string nome = it == raizes.end() ? std::string() : it->second;
    while (nome.size() > 1 && nome.back() == '/')
        nome.pop_back();
    if (auto barra = nome.rfind('/'); barra != std::string::npos && nome.size() > 1)
        nome.erase(0, barra + 1);
    return QStringLiteral("%1: [%2]")
        .arg(QChar(std::tolower(static_cast<unsigned char>(letra))), QString::fromStdString(nome));
}

// Indents each item by its level, as the Windows directory list draws the
// path from the root down to the current folder.
class DelegadoRecuo : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* p, const QStyleOptionViewItem& opcao,
               const QModelIndex& i) const override {
        QStyleOptionViewItem o(opcao);
        o.rect.setLeft(o.rect.left() + Recuo(i));
        QStyledItemDelegate::paint(p, o, i);
    }
    QSize sizeHint(const QStyleOptionViewItem& opcao, const QModelIndex& i) const override {
        return QStyledItemDelegate::sizeHint(opcao, i) + QSize(Recuo(i), 0);
    }

private:
    static int Recuo(const QModelIndex& i) { return i.data(kPapelNivel).toInt() * kRecuo; }
};

// The subfolders of a folder, sorted as Windows lists them (case ignored).
// Hidden ones are left out as on Windows, and so are links: deleting through
// one would empty its target.
std::vector<std::string> Subpastas(const std::string& pasta) {
    std::vector<std::string> nomes;
    plataforma::BuscaArquivos busca;
    plataforma::EntradaBusca e;
    const std::string padrao = pasta + (EhRaiz(pasta) ? "" : "\\") + "*.*";
    for (bool ok = busca.Primeiro(padrao, plataforma::atrDiretorio, e); ok; ok = busca.Proximo(e)) {
        if (!(e.atributos & plataforma::atrDiretorio) || (e.atributos & plataforma::atrReparse))
            continue;
        // A host name holding a backslash cannot be addressed as one component.
        if (e.nome == "." || e.nome == ".." || e.nome.find('\\') != std::string::npos) continue;
        nomes.push_back(e.nome);
    }
    std::sort(nomes.begin(), nomes.end(), [](const std::string& a, const std::string& b) {
        const std::string ma = plataforma::Minusculas1252(a), mb = plataforma::Minusculas1252(b);
        return ma != mb ? ma < mb : a < b;
    });
    return nomes;
}

void Erro(const std::string& texto) {
    ExibirMensagem("Erro", texto, 6);
}

RespostaPasta* respostaAtual = nullptr;

} // namespace

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
    for (char letra : plataforma::ListarUnidades())
        dcbDrive->addItem(IconeDaUnidade(style(), letra), LegendaDaUnidade(letra), QChar(letra));

    dlsPastas = new QListWidget(panPastas);
    dlsPastas->setObjectName("dlsPastas");
    dlsPastas->setItemDelegate(new DelegadoRecuo(dlsPastas));
    dlsPastas->setUniformItemSizes(true);
    lblDriveDir->setBuddy(dlsPastas);

    auto* colunaPastas = new QVBoxLayout(panPastas);
    colunaPastas->setContentsMargins(4, 4, 4, 4);
    colunaPastas->setSpacing(4);
    colunaPastas->addWidget(lblDriveDir);
    colunaPastas->addWidget(dcbDrive);
    colunaPastas->addWidget(dlsPastas, 1);

    auto ferramenta = [this](const char* nome, const QIcon& icone, const QString& dica) {
        auto* b = new QToolButton(this);
        b->setObjectName(nome);
        b->setAutoRaise(true);
        b->setIcon(icone);
        b->setIconSize(QSize(20, 20));
        b->setFixedSize(30, 30);
        b->setToolTip(dica);
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    sbtCriarPasta =
        ferramenta("sbtCriarPasta", style()->standardIcon(QStyle::SP_FileDialogNewFolder),
                   QStringLiteral("Criar Pasta"));
    sbtRenPasta = ferramenta("sbtRenPasta", GlifoRenomear(), QStringLiteral("Renomear Pasta"));
    sbtDelPasta = ferramenta("sbtDelPasta", style()->standardIcon(QStyle::SP_TrashIcon),
                             QStringLiteral("Excluir Pasta"));

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

    auto* ferramentas = new QHBoxLayout;
    ferramentas->setSpacing(2);
    ferramentas->addStretch();
    ferramentas->addWidget(sbtCriarPasta);
    ferramentas->addWidget(sbtRenPasta);
    ferramentas->addWidget(sbtDelPasta);
    auto* colunaBotoes = new QVBoxLayout;
    colunaBotoes->addLayout(ferramentas);
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
        Erro("Este diretório (pasta) não está mais disponível."_ansi);
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
    std::string atual = plataforma::PastaAtual();
    if (atual.empty()) {
        for (char letra : plataforma::ListarUnidades())
            if (plataforma::UnidadePronta(letra) && plataforma::DefinirPastaAtual(RaizDe(letra))) {
                atual = plataforma::PastaAtual();
                break;
            }
    }
    pasta_ = atual;
    LerPastas();
    dlsPastasChange();
    if (!pasta_.empty()) SelecionarUnidade(pasta_[0]);
}

void TfrmDirSel::LerPastas() {
    dlsPastas->clear();
    if (pasta_.empty()) return;
    const QIcon aberta = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon fechada = style()->standardIcon(QStyle::SP_DirClosedIcon);
    auto item = [this](const QIcon& icone, const std::string& texto, const std::string& caminho,
                       int nivel) {
        auto* i = new QListWidgetItem(icone, ParaQString(texto), dlsPastas);
        i->setData(kPapelCaminho, ParaQString(caminho));
        i->setData(kPapelNivel, nivel);
        return i;
    };

    std::string caminho = pasta_.substr(0, 3);
    QListWidgetItem* atual =
        item(IconeDaUnidade(style(), pasta_[0]), plataforma::Minusculas1252(caminho), caminho, 0);
    int nivel = 0;
    for (std::size_t i = 3; i < pasta_.size();) {
        std::size_t fim = std::min(pasta_.find('\\', i), pasta_.size());
        if (fim > i) {
            const std::string nome = pasta_.substr(i, fim - i);
            if (!EhRaiz(caminho)) caminho += '\\';
            caminho += nome;
            atual = item(aberta, nome, caminho, ++nivel);
        }
        i = fim + 1;
    }
    const std::string base = EhRaiz(caminho) ? caminho : caminho + '\\';
    for (const std::string& nome : Subpastas(pasta_))
        item(fechada, nome, base + nome, nivel + 1);
    dlsPastas->setCurrentItem(atual);
}

void TfrmDirSel::SelecionarUnidade(char letra) {
    const int i = dcbDrive->findData(QChar(std::toupper(static_cast<unsigned char>(letra))));
    if (i >= 0) dcbDrive->setCurrentIndex(i);
}

void TfrmDirSel::AbrirItem(QListWidgetItem* item) {
    const std::string destino = Para1252(item->data(kPapelCaminho).toString());
    if (plataforma::IguaisSemCaixa(destino, pasta_)) return;
    if (!Entrar(destino)) {
        Erro("Este diretório (pasta) não está mais disponível."_ansi);
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
    const QVariant dado = dcbDrive->currentData();
    if (!dado.isValid()) return;
    const char letra = static_cast<char>(dado.toChar().toLatin1());
    for (;;) {
        if (plataforma::UnidadePronta(letra) && plataforma::DefinirPastaAtual(RaizDe(letra))) {
            MostrarPastaAtual();
            return;
        }
        const std::string texto = "Drive " +
                                  std::string(1, static_cast<char>(std::tolower(letra))) +
                                  ": não está disponível. Deseja tentar de novo ???"_ansi;
        if (ExibirMensagem("Erro", texto, 10) != mrYes) {
            if (!pasta_.empty()) SelecionarUnidade(pasta_[0]);
            return;
        }
    }
}

void TfrmDirSel::sbtCriarPastaClick() {
    std::string nome = "Nova Pasta";
    bool confirmado = false;
    SolicitarValor("Criar Pasta", "Informe um nome para esta pasta.", nome, confirmado);
    if (!confirmado) return;
    // An existing name is a failure, as on Windows, not a silent success.
    const auto alvo = NomeValido(nome, true) ? plataforma::CaminhoDosCompleto(nome) : std::nullopt;
    if (!alvo || plataforma::Atributos(*alvo) != -1 || !plataforma::CriarPasta(*alvo)) {
        Erro("Erro ao tentar criar esta pasta.");
        return;
    }
    LerPastas();
}

void TfrmDirSel::sbtRenPastaClick() {
    if (EhRaiz(pasta_)) return;
    const std::string pai = ExtrairPasta(pasta_);
    std::string nome = ExtrairNome(pasta_);
    bool confirmado = false;
    SolicitarValor("Renomear Pasta", "Informe um novo nome para esta pasta.", nome, confirmado);
    if (!confirmado) return;
    const std::string destino = pai + nome;
    if (!plataforma::IguaisSemCaixa(destino, pasta_)) {
        if (!NomeValido(nome, false) || !plataforma::RenomearArquivo(pasta_, destino) ||
            !Entrar(destino)) {
            Erro("Erro ao tentar renomear esta pasta.");
            return;
        }
    }
    LerPastas();
}

void TfrmDirSel::sbtDelPastaClick() {
    if (EhRaiz(pasta_)) return;
    const std::string alvo = pasta_;
    if (ExibirMensagem("Atenção"_ansi,
                       "Deseja realmente excluir a pasta " + ExtrairNome(alvo) + " ???",
                       7) != mrYes)
        return;
    // Step out first: the folder being deleted must not be the current directory.
    bool falhou = !Entrar(ExtrairPasta(alvo));
    if (!falhou) {
        try {
            InteracaoJanelas janelas;
            ApagarPasta(alvo, &janelas);
        } catch (...) {
            falhou = true;
        }
        falhou = falhou || plataforma::Atributos(alvo) != -1;
    }
    if (falhou) {
        Erro("Erro ao tentar excluir esta pasta.");
        return;
    }
    LerPastas();
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

RespostaPasta::RespostaPasta() : anterior_(respostaAtual) {
    respostaAtual = this;
}
RespostaPasta::~RespostaPasta() {
    respostaAtual = anterior_;
}
RespostaPasta* RespostaPasta::Atual() {
    return respostaAtual;
}

void RespostaPasta::Responder(const std::string& titulo, const std::string& pastaInicial,
                              bool& confirmado, std::string& pasta) {
    chamadas_.push_back({titulo, pastaInicial});
    std::optional<std::string> r;
    if (!respostas_.empty()) {
        r = std::move(respostas_.front());
        respostas_.pop_front();
    }
    confirmado = r.has_value();
    pasta = r.value_or(std::string());
}
