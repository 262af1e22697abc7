#include "mDefpast.h"

#include "Configuracao.h"
#include "EstiloJanelas.h"
#include "Janela1252.h"
#include "Texto1252.h"
#include "fDirsel.h"
#include "fMsgdlg.h"
#include "fStrlib.h"

#include <QCheckBox>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTableWidget>

#include <algorithm>

using namespace plataforma::literais;

namespace {

const char* const tituloCaminho = "Informe o Caminho da Pasta de Mensagens";
const char* const promptNome = "Informe o nome para esta pasta.";

} // namespace

TfrmDefPastas::TfrmDefPastas(Sessao& sessao, std::string arquivoIni, QWidget* pai)
    : QDialog(pai), sessao_(sessao), arquivoIni_(std::move(arquivoIni)) {
    setObjectName("frmDefPastas");
    setWindowTitle(QStringLiteral("Pastas de Mensagens"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(FonteJanela(11, false));
    setFixedSize(536, 360);

    gbxPastas = new QGroupBox(QStringLiteral(" Pastas Cadastradas "), this);
    gbxPastas->setObjectName("gbxPastas");
    gbxPastas->setGeometry(8, 4, 520, 312);

    StrGrid1 = new QTableWidget(1, 3, gbxPastas);
    StrGrid1->setObjectName("StrGrid1");
    StrGrid1->setGeometry(10, 20, 500, 256);
    StrGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    StrGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StrGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StrGrid1->setShowGrid(true);
    StrGrid1->setWordWrap(false);
    StrGrid1->verticalHeader()->hide();
    StrGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    StrGrid1->verticalHeader()->setDefaultSectionSize(18);
    StrGrid1->verticalHeader()->setMinimumSectionSize(18);
    QHeaderView* cabecalho = StrGrid1->horizontalHeader();
    cabecalho->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    cabecalho->setHighlightSections(false);
    cabecalho->setStretchLastSection(true); // "Caminho" takes what the others leave
    // The design widths fit "00001" and 15 capitals in "MS Sans Serif"; the
    // stand-in face is wider, so they grow to hold the same texts.
    const QFontMetrics fm = StrGrid1->fontMetrics();
    StrGrid1->setColumnWidth(0, std::max(36, fm.horizontalAdvance(QStringLiteral("00000")) + 10));
    StrGrid1->setColumnWidth(1, std::max(110, fm.horizontalAdvance(QString(15, 'N')) + 10));
    connect(StrGrid1, &QTableWidget::cellDoubleClicked, this, &TfrmDefPastas::btnEditarClick);

    cbxCriarPasta = new QCheckBox(
        QStringLiteral("Criar a pasta &automaticamente caso ela seja removida"), gbxPastas);
    cbxCriarPasta->setObjectName("cbxCriarPasta");
    cbxCriarPasta->setGeometry(10, 284, 500, 20);
    connect(cbxCriarPasta, &QCheckBox::clicked, this, &TfrmDefPastas::cbxCriarPastaClick);

    auto botao = [this](const char* nome, const QString& legenda, const QString& dica, int x,
                        int largura) {
        auto* b = new QPushButton(legenda, this);
        b->setObjectName(nome);
        b->setToolTip(dica);
        // Enter on a focused button presses that button; elsewhere it is "&OK".
        b->setAutoDefault(true);
        b->setGeometry(x, 324, largura, 28);
        return b;
    };
    btnIncluir = botao("btnIncluir", QStringLiteral("&Incluir"),
                       QStringLiteral("Clique aqui para adicionar uma pasta de mensagens"), 8, 85);
    btnExcluir = botao("btnExcluir", QStringLiteral("E&xcluir"),
                       QStringLiteral("Clique aqui para excluir a pasta de mensagens selecionada"),
                       99, 85);
    btnEditar = botao(
        "btnEditar", QStringLiteral("&Editar"),
        QStringLiteral("Clique aqui para alterar as propriedades da pasta de mensagens selecionada"),
        190, 85);
    bbtOk = botao("bbtOk", QStringLiteral("&OK"), QString(), 346, 89);
    bbtCancel = botao("bbtCancel", QStringLiteral("&Cancelar"), QString(), 439, 89);
    for (QPushButton* b : {bbtOk, bbtCancel}) {
        b->setFont(FonteJanela(11, true));
        b->setIconSize(QSize(16, 16));
    }
    DestacarBotoes(nullptr, bbtOk, {bbtCancel});
    bbtOk->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    bbtCancel->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    bbtOk->setDefault(true);
    connect(btnIncluir, &QPushButton::clicked, this, &TfrmDefPastas::btnIncluirClick);
    connect(btnExcluir, &QPushButton::clicked, this, &TfrmDefPastas::btnExcluirClick);
    connect(btnEditar, &QPushButton::clicked, this, &TfrmDefPastas::btnEditarClick);
    connect(bbtOk, &QPushButton::clicked, this, &TfrmDefPastas::bbtOkClick);
    connect(bbtCancel, &QPushButton::clicked, this, &TfrmDefPastas::bbtCancelClick);

    setTabOrder(StrGrid1, cbxCriarPasta);
    setTabOrder(cbxCriarPasta, btnIncluir);
    setTabOrder(btnIncluir, btnExcluir);
    setTabOrder(btnExcluir, btnEditar);
    setTabOrder(btnEditar, bbtOk);
    setTabOrder(bbtOk, bbtCancel);

    for (QWidget* w : std::initializer_list<QWidget*>{this, gbxPastas, StrGrid1->viewport(),
                                                      cbxCriarPasta, btnIncluir, btnExcluir,
                                                      btnEditar, bbtOk, bbtCancel}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
}

void TfrmDefPastas::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (e->spontaneous()) return;
    if (QScreen* tela = screen()) move(tela->availableGeometry().center() - rect().center());
    FormShow();
}

void TfrmDefPastas::FormShow() {
    CarregarConfiguracao(sessao_, arquivoIni_, false, ui_);
    AtualizarGrid();
    Selecionar(0);
    cbxCriarPasta->setChecked(sessao_.criarAutomatico);
}

void TfrmDefPastas::AtualizarGrid() {
    ui_.CursorOcupado();
    const int linhaAtual = StrGrid1->currentRow();
    StrGrid1->clearContents();
    StrGrid1->setRowCount(1);
    const std::size_t n = std::min(sessao_.nomesPastas.size(), sessao_.caminhosPastas.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int linha = static_cast<int>(i);
        StrGrid1->setRowCount(linha + 1);
        const std::string celulas[3] = {
            CompletarEsq(std::to_string(i + 1), 5, '0'), sessao_.nomesPastas[i],
            sessao_.caminhosPastas[i]};
        for (int c = 0; c < 3; ++c) {
            auto* item = new QTableWidgetItem(ParaQString(celulas[c]));
            item->setToolTip(item->text()); // a long path is cut at the grid's edge
            StrGrid1->setItem(linha, c, item);
        }
    }
    StrGrid1->setHorizontalHeaderLabels(
        {QStringLiteral("Num#"), QStringLiteral("Nome"), QStringLiteral("Caminho")});
    const bool comPastas = n > 0;
    cbxCriarPasta->setEnabled(comPastas);
    btnExcluir->setEnabled(comPastas);
    btnEditar->setEnabled(comPastas);
    Selecionar(std::min(std::max(linhaAtual, 0), StrGrid1->rowCount() - 1));
    ui_.CursorNormal();
}

int TfrmDefPastas::Selecionada() const {
    const int linha = StrGrid1->currentRow();
    return linha >= 0 && linha < static_cast<int>(sessao_.nomesPastas.size()) ? linha : -1;
}

void TfrmDefPastas::Selecionar(int linha) {
    StrGrid1->setCurrentCell(linha, 0);
    StrGrid1->selectRow(linha);
}

void TfrmDefPastas::cbxCriarPastaClick() { sessao_.criarAutomatico = cbxCriarPasta->isChecked(); }

bool TfrmDefPastas::PedirNome(const std::string& titulo, const std::string& inicial, int ignorar,
                              std::string& nome) {
    for (;;) {
        std::string valor = inicial;
        bool confirmado = false;
        SolicitarValor(titulo, promptNome, valor, confirmado);
        if (!confirmado) return false;
        nome = NomeDePasta(valor);
        // A name the settings file could not give back would lose the folder at the next start.
        if (!NomeDePastaValido(nome))
            ExibirMensagem("Erro",
                           "Nome de pasta inválido: não pode ficar em branco, conter \"=\" "
                           "nem começar com \"[\" ou \";\"."_ansi,
                           6);
        else if (IndicePasta(sessao_, nome, ignorar) >= 0)
            ExibirMensagem("Erro", "Pasta de Mensagens já cadastrada."_ansi, 6);
        else
            return true;
    }
}

void TfrmDefPastas::EscolherCaminho(std::string& caminho) {
    bool confirmado = false;
    std::string escolhida;
    EscolherPasta(tituloCaminho, caminho, confirmado, escolhida);
    if (confirmado) caminho = escolhida;
}

void TfrmDefPastas::btnIncluirClick() {
    std::string nome;
    if (!PedirNome("Incluir Pasta de Mensagens", "Nova Pasta", -1, nome)) return;
    std::string caminho = PastaDoPrograma();
    EscolherCaminho(caminho);
    sessao_.nomesPastas.push_back(nome);
    sessao_.caminhosPastas.push_back(CaminhoDePasta(caminho));
    AtualizarGrid();
    Selecionar(StrGrid1->rowCount() - 1);
}

void TfrmDefPastas::btnExcluirClick() {
    const int i = Selecionada();
    if (i < 0) return;
    if (ExibirMensagem("Atenção"_ansi, "Deseja realmente excluir esta pasta da lista ???", 7) !=
        mrYes)
        return;
    sessao_.nomesPastas.erase(sessao_.nomesPastas.begin() + i);
    sessao_.caminhosPastas.erase(sessao_.caminhosPastas.begin() + i);
    AtualizarGrid();
    Selecionar(std::min(i, StrGrid1->rowCount() - 1));
}

void TfrmDefPastas::btnEditarClick() {
    const int i = Selecionada();
    if (i < 0) return;
    std::string nome;
    if (!PedirNome("Editar Pasta de Mensagens", sessao_.nomesPastas[i], i, nome)) return;
    std::string caminho = CaminhoDePasta(sessao_.caminhosPastas[i]);
    EscolherCaminho(caminho);
    sessao_.nomesPastas[i] = nome;
    sessao_.caminhosPastas[i] = CaminhoDePasta(caminho);
    AtualizarGrid();
    Selecionar(i < StrGrid1->rowCount() ? i : 0);
}

void TfrmDefPastas::bbtOkClick() {
    SalvarPastas(sessao_, arquivoIni_, ui_);
    accept();
}

void TfrmDefPastas::bbtCancelClick() {
    CarregarConfiguracao(sessao_, arquivoIni_, false, ui_);
    reject();
}

void TfrmDefPastas::DestacarBotao(QPushButton* botao) {
    DestacarBotoes(botao, bbtOk, {bbtCancel});
}

void TfrmDefPastas::FormMouseMove() { DestacarBotao(nullptr); }

void TfrmDefPastas::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        bbtCancel->click();
        return;
    }
    QDialog::keyPressEvent(e);
}

bool TfrmDefPastas::eventFilter(QObject* alvo, QEvent* e) {
    if (QPushButton* sob; MovimentoSobreBotoes(this, alvo, e, {bbtOk, bbtCancel}, sob))
        DestacarBotao(sob);
    return QDialog::eventFilter(alvo, e);
}
