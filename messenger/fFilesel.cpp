#include "fFilesel.h"

#include "Arquivos.h"
#include "Configuracao.h"
#include "EstiloJanelas.h"
#include "Janela1252.h"
#include "ListaPastas.h"
#include "Texto1252.h"
#include "Unidades.h"
#include "fMsgdlg.h"
#include "fStrlib.h"

#include <QApplication>
#include <QAudioDevice>
#include <QAudioOutput>
#include <QComboBox>
#include <QEvent>
#include <QEventLoop>
#include <QFrame>
#include <QHBoxLayout>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QListWidget>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVideoWidget>

#include <algorithm>

using namespace plataforma::literais;
using plataforma::Minusculas1252;

namespace {

// A file list shows these; folders never.
constexpr int kAtributosArquivos = plataforma::atrSomenteLeitura | plataforma::atrOculto |
                                   plataforma::atrSistema | plataforma::atrArquivo;
// How long Play waits for the media to load before calling it invalid.
constexpr int kEsperaMidiaMs = 5000;

std::string Juntar(const std::string& pasta, const std::string& nome) {
    return pasta.empty() || pasta.back() == '\\' ? pasta + nome : pasta + '\\' + nome;
}

// The extension with its dot, as Windows finds it; empty when there is none.
std::string Extensao(const std::string& nome) {
    const auto ponto = nome.rfind('.');
    return ponto == std::string::npos ? std::string() : nome.substr(ponto);
}

// What a typed name gets when it has none: the extension of the mask (of its
// last pattern when it lists several), "*.*" as it stands.
std::string ExtensaoDaMascara(const std::string& mascara) {
    const auto inicio = mascara.rfind(';');
    const std::string padrao = inicio == std::string::npos ? mascara : mascara.substr(inicio + 1);
    const std::string ext = Extensao(padrao);
    return ext == ".*" || ext.empty() ? padrao : ext;
}

// Characters no Windows file name holds; a pasted name could bring them in.
bool NomeDeArquivoValido(const std::string& nome) {
    return !nome.empty() && std::none_of(nome.begin(), nome.end(), [](char c) {
        return static_cast<unsigned char>(c) < 32 ||
               std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos;
    });
}

std::vector<std::string> Dividir(const std::string& texto, char separador) {
    std::vector<std::string> partes;
    std::size_t inicio = 0;
    for (;;) {
        const auto fim = texto.find(separador, inicio);
        partes.push_back(texto.substr(inicio, fim - inicio));
        if (fim == std::string::npos) return partes;
        inicio = fim + 1;
    }
}

// The names in the folder that one of the masks (";"-separated) matches, in
// lower case and in the order Windows lists them.
std::vector<std::string> ArquivosDaPasta(const std::string& pasta, const std::string& mascara) {
    std::vector<std::string> nomes;
    for (const std::string& padrao : Dividir(mascara, ';')) {
        if (padrao.empty()) continue;
        plataforma::BuscaArquivos busca;
        plataforma::EntradaBusca e;
        for (bool ok = busca.Primeiro(Juntar(pasta, padrao), kAtributosArquivos, e); ok;
             ok = busca.Proximo(e)) {
            if (e.atributos & plataforma::atrDiretorio) continue;
            // A link counts as the file it leads to; one to a folder is no file.
            if ((e.atributos & plataforma::atrReparse) &&
                !plataforma::ArquivoExiste(Juntar(pasta, e.nome)))
                continue;
            nomes.push_back(Minusculas1252(e.nome)); // ArquivosMinusculo
        }
    }
    std::sort(nomes.begin(), nomes.end());
    nomes.erase(std::unique(nomes.begin(), nomes.end()), nomes.end());
    return nomes;
}

QLabel* Faixa(const QString& texto, QWidget* pai, const char* nome, const QRect& onde) {
    auto* l = new QLabel(texto, pai);
    l->setObjectName(nome);
    l->setAlignment(Qt::AlignCenter);
    l->setFrameStyle(QFrame::Panel | QFrame::Raised);
    l->setGeometry(onde);
    return l;
}

QFrame* Painel(QWidget* pai, const char* nome, int estilo, const QRect& onde) {
    auto* f = new QFrame(pai);
    f->setObjectName(nome);
    f->setFrameStyle(estilo);
    f->setGeometry(onde);
    return f;
}

} // namespace

TfrmFileSel::TfrmFileSel(QWidget* pai) : QDialog(pai) {
    setObjectName("frmFileSel");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(FonteJanela(11, false));
    setFixedSize(569, 287);
    constexpr int fundo = QFrame::Panel | QFrame::Sunken;

    // Left column: the name, the files, the file types.
    auto* panArquivos = Painel(this, "panArquivos", fundo, {4, 4, 210, 252});
    auto* lblNomeArq =
        Faixa(QStringLiteral("&Nome do Arquivo"), panArquivos, "lblNomeArq", {4, 4, 202, 20});
    edtNomeArq = new QLineEdit(panArquivos);
    edtNomeArq->setObjectName("edtNomeArq");
    edtNomeArq->setGeometry(4, 28, 202, 22);
    lblNomeArq->setBuddy(edtNomeArq);
    flsArquivos = new QListWidget(panArquivos);
    flsArquivos->setObjectName("flsArquivos");
    flsArquivos->setGeometry(4, 54, 202, 140);
    flsArquivos->setUniformItemSizes(true);
    auto* lblTiposArq =
        Faixa(QStringLiteral("&Tipos de Arquivo"), panArquivos, "lblTiposArq", {4, 198, 202, 20});
    fcbTiposArq = new QComboBox(panArquivos);
    fcbTiposArq->setObjectName("fcbTiposArq");
    fcbTiposArq->setGeometry(4, 222, 202, 24);
    lblTiposArq->setBuddy(fcbTiposArq);

    // Middle column: drives and folders.
    auto* panPastas = Painel(this, "panPastas", fundo, {218, 4, 200, 252});
    auto* lblDriveDir = Faixa(QStringLiteral("Drives/&Diretórios (Pastas)"), panPastas,
                              "lblDriveDir", {4, 4, 192, 20});
    dcbDrive = new QComboBox(panPastas);
    dcbDrive->setObjectName("dcbDrive");
    dcbDrive->setGeometry(4, 28, 192, 24);
    PreencherUnidades(dcbDrive);
    dlsDiretorios = new QListWidget(panPastas);
    dlsDiretorios->setObjectName("dlsDiretorios");
    dlsDiretorios->setGeometry(4, 56, 192, 158);
    PrepararListaPastas(dlsDiretorios);
    lblDriveDir->setBuddy(dlsDiretorios);
    const FerramentasPasta ferramentas = CriarFerramentasPasta(panPastas);
    sbtCriarPasta = ferramentas.criar;
    sbtRenPasta = ferramentas.renomear;
    sbtDelPasta = ferramentas.excluir;
    sbtCriarPasta->move(4, 217);
    sbtRenPasta->move(36, 217);
    sbtDelPasta->move(68, 217);

    // Right column: the preview, then the buttons.
    bevInform = Painel(this, "bevInform", QFrame::Panel | QFrame::Raised, {422, 4, 143, 125});
    bevPreview = Painel(bevInform, "bevPreview", fundo, {23, 6, 97, 85});
    Img1 = new QLabel(bevPreview);
    Img1->setObjectName("Img1");
    Img1->setGeometry(2, 2, 93, 81);
    Img1->setScaledContents(true);
    bevDimensaoArq =
        Painel(bevInform, "bevDimensaoArq", QFrame::Panel | QFrame::Raised, {23, 95, 97, 22});
    lblDimensaoArq = new QLabel(QStringLiteral("0000 x 0000"), bevDimensaoArq);
    lblDimensaoArq->setObjectName("lblDimensaoArq");
    lblDimensaoArq->setAlignment(Qt::AlignCenter);
    lblDimensaoArq->setGeometry(bevDimensaoArq->rect());
    MPlayer1 = new QWidget(bevInform);
    MPlayer1->setObjectName("MPlayer1");
    MPlayer1->setGeometry(0, 95, 80, 24);
    auto* botoesMidia = new QHBoxLayout(MPlayer1);
    botoesMidia->setContentsMargins(0, 0, 0, 0);
    botoesMidia->setSpacing(1);
    auto midia = [&](const char* nome, QStyle::StandardPixmap glifo, BotaoMidia qual) {
        auto* b = new QToolButton(MPlayer1);
        b->setObjectName(nome);
        b->setIcon(style()->standardIcon(glifo));
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        b->setEnabled(false);
        botoesMidia->addWidget(b);
        connect(b, &QToolButton::clicked, this, [this, qual] { MPlayer1Click(qual); });
        return b;
    };
    btPlay = midia("btPlay", QStyle::SP_MediaPlay, BotaoMidia::Play);
    btPause = midia("btPause", QStyle::SP_MediaPause, BotaoMidia::Pause);
    btStop = midia("btStop", QStyle::SP_MediaStop, BotaoMidia::Stop);

    auto botao = [this](const char* nome, const QString& legenda, QStyle::StandardPixmap glifo,
                        int topo) {
        auto* b = new QPushButton(style()->standardIcon(glifo), legenda, this);
        b->setObjectName(nome);
        b->setFont(FonteJanela(11, true));
        b->setGeometry(449, topo, 89, 28);
        b->installEventFilter(this);
        return b;
    };
    bbtOk = botao("bbtOk", QStringLiteral("&OK"), QStyle::SP_DialogOkButton, 188);
    bbtCancel = botao("bbtCancel", QStringLiteral("&Cancelar"), QStyle::SP_DialogCancelButton, 222);
    bbtOk->setDefault(true);
    FormMouseMove();

    panPastaAtual = new QLabel(this);
    panPastaAtual->setObjectName("panPastaAtual");
    panPastaAtual->setFrameStyle(fundo);
    panPastaAtual->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    panPastaAtual->setTextFormat(Qt::PlainText);
    panPastaAtual->setGeometry(4, 261, 561, 22);
    panPastaAtual->setFocusPolicy(Qt::TabFocus);

    QWidget* ordem[] = {edtNomeArq,    flsArquivos,   fcbTiposArq, dcbDrive,
                        dlsDiretorios, panPastaAtual, bbtOk,       bbtCancel,
                        btPlay,        btPause,       btStop};
    for (std::size_t i = 1; i < std::size(ordem); ++i)
        setTabOrder(ordem[i - 1], ordem[i]);

    connect(edtNomeArq, &QLineEdit::textChanged, this, &TfrmFileSel::edtNomeArqChange);
    // What the keys refuse does not come in by pasting either: an extension
    // comes only from picking a file in the list.
    connect(edtNomeArq, &QLineEdit::textEdited, this, [this](const QString& texto) {
        QString limpo = texto;
        limpo.remove(QRegularExpression(QStringLiteral("[*./:<>?\\\\]")));
        if (limpo != texto) edtNomeArq->setText(limpo);
    });
    connect(flsArquivos, &QListWidget::itemSelectionChanged, this, &TfrmFileSel::flsArquivosChange);
    connect(flsArquivos, &QListWidget::itemDoubleClicked, this, &TfrmFileSel::SelecionarArquivo);
    connect(fcbTiposArq, &QComboBox::activated, this, &TfrmFileSel::fcbTiposArqChange);
    connect(dcbDrive, &QComboBox::activated, this, &TfrmFileSel::dcbDriveChange);
    connect(dlsDiretorios, &QListWidget::itemActivated, this, &TfrmFileSel::AbrirItem);
    connect(sbtCriarPasta, &QToolButton::clicked, this, &TfrmFileSel::sbtCriarPastaClick);
    connect(sbtRenPasta, &QToolButton::clicked, this, &TfrmFileSel::sbtRenPastaClick);
    connect(sbtDelPasta, &QToolButton::clicked, this, &TfrmFileSel::sbtDelPastaClick);
    connect(bbtOk, &QPushButton::clicked, this, &TfrmFileSel::SelecionarArquivo);
    connect(bbtCancel, &QPushButton::clicked, this, &TfrmFileSel::reject);
    edtNomeArq->installEventFilter(this);
    dlsDiretorios->installEventFilter(this);

    ArrumarVisualizacao();
    MostrarPastaAtual();
}

TfrmFileSel::~TfrmFileSel() {
    FecharMidia();
}

void TfrmFileSel::Iniciar(const std::string& titulo, uint8_t modo, uint8_t visualizacao,
                          uint8_t indiceFiltro, const std::string& filtro,
                          const std::string& caminhoInicial) {
    const auto corte = caminhoInicial.find_last_of("\\:");
    pastaInicial_ =
        corte == std::string::npos ? std::string() : caminhoInicial.substr(0, corte + 1);
    nomeInicial_ = caminhoInicial.substr(corte == std::string::npos ? 0 : corte + 1);
    confirmado_ = false;
    escolhido_.clear();
    modo_ = modo;
    visualizacao_ = visualizacao;
    setWindowTitle(ParaQString(titulo));
    ArrumarVisualizacao();

    fcbTiposArq->clear();
    const std::vector<std::string> partes = Dividir(filtro, '|');
    for (std::size_t i = 0; i + 1 < partes.size(); i += 2)
        fcbTiposArq->addItem(ParaQString(partes[i]), ParaQString(partes[i + 1]));
    if (fcbTiposArq->count() > 0)
        fcbTiposArq->setCurrentIndex(std::min<int>(indiceFiltro, fcbTiposArq->count() - 1));

    // Quietly here: FormShow tries again and tells the user.
    if (pastaInicial_.empty() || !plataforma::PastaExiste(pastaInicial_) || !Entrar(pastaInicial_))
        MostrarPastaAtual();
    if (!nomeInicial_.empty()) edtNomeArq->setText(ParaQString(nomeInicial_));
}

void TfrmFileSel::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    // Restoring the minimised dialog shows it again: what was browsed and
    // typed stays.
    if (e->spontaneous() || mostrado_) return;
    mostrado_ = true;
    RestaurarCursorNormal();
    MostrarPastaAtual();
    if (!pastaInicial_.empty() && !Entrar(pastaInicial_)) {
        AvisarPastaIndisponivel();
        MostrarPastaAtual();
    }
    if (!nomeInicial_.empty()) edtNomeArq->setText(ParaQString(nomeInicial_));
    edtNomeArq->setFocus();
    edtNomeArq->selectAll();
}

void TfrmFileSel::done(int resultado) {
    FecharMidia();
    Img1->clear();
    const std::string programa = PastaDoPrograma();
    if (!programa.empty()) plataforma::DefinirPastaAtual(programa);
    QDialog::done(resultado);
}

// ---- Folders ----

bool TfrmFileSel::Entrar(const std::string& dos) {
    if (!plataforma::DefinirPastaAtual(dos)) return false;
    MostrarPastaAtual();
    return true;
}

void TfrmFileSel::MostrarPastaAtual() {
    pasta_ = PastaParaMostrar();
    LerPastas(dlsDiretorios, pasta_);
    dlsDiretoriosChange();
    if (!pasta_.empty()) SelecionarUnidade(dcbDrive, pasta_[0]);
}

void TfrmFileSel::AbrirItem(QListWidgetItem* item) {
    const std::string destino = PastaDoItem(item);
    if (plataforma::IguaisSemCaixa(destino, pasta_)) return;
    if (!Entrar(destino)) {
        AvisarPastaIndisponivel();
        LerPastas(dlsDiretorios, pasta_);
    }
}

void TfrmFileSel::dlsDiretoriosChange() {
    LerArquivos();
    panPastaAtual->setText(ParaQString(" " + Minusculas1252(pasta_)));
    Img1->clear();
    lblDimensaoArq->hide();
    if (visualizacao_ >= visualizarMidia) {
        FecharMidia();
        HabilitarMidia(false);
    }
}

void TfrmFileSel::dcbDriveChange() {
    const char letra = UnidadeSelecionada(dcbDrive);
    if (!letra) return;
    if (EntrarUnidade(letra))
        MostrarPastaAtual();
    else if (!pasta_.empty())
        SelecionarUnidade(dcbDrive, pasta_[0]);
}

void TfrmFileSel::sbtCriarPastaClick() {
    if (CriarPastaPedida()) MostrarPastaAtual();
}

void TfrmFileSel::sbtRenPastaClick() {
    if (RenomearPastaMostrada(pasta_)) MostrarPastaAtual();
}

void TfrmFileSel::sbtDelPastaClick() {
    if (ExcluirPastaMostrada(pasta_)) MostrarPastaAtual();
}

// ---- Files ----

std::string TfrmFileSel::MascaraEmUso() const {
    if (fcbTiposArq->count() == 0) return "*.*";
    const int i = fcbTiposArq->currentIndex();
    return Para1252(fcbTiposArq->itemData(i < 0 ? fcbTiposArq->count() - 1 : i).toString());
}

void TfrmFileSel::LerArquivos() {
    const QSignalBlocker bloqueio(flsArquivos);
    flsArquivos->clear();
    if (!pasta_.empty())
        for (const std::string& nome : ArquivosDaPasta(pasta_, MascaraEmUso()))
            flsArquivos->addItem(ParaQString(nome));
    flsArquivosChange();
}

std::string TfrmFileSel::ArquivoSelecionado() const {
    const auto itens = flsArquivos->selectedItems();
    return itens.isEmpty() ? std::string() : Juntar(pasta_, Para1252(itens.first()->text()));
}

void TfrmFileSel::fcbTiposArqChange() {
    LerArquivos();
}

void TfrmFileSel::flsArquivosChange() {
    const auto itens = flsArquivos->selectedItems();
    edtNomeArq->setText(itens.isEmpty() ? ParaQString(Minusculas1252(MascaraEmUso()))
                                        : itens.first()->text());
    edtNomeArq->selectAll();
    if (visualizacao_ == visualizarImagem) {
        MostrarImagem(ArquivoSelecionado());
    } else if (visualizacao_ >= visualizarMidia) {
        FecharMidia();
        HabilitarMidia(true);
    }
}

bool TfrmFileSel::edtNomeArqKeyPress(const QString& tecla) {
    return tecla.size() == 1 && QStringLiteral("*./:<>?\\").contains(tecla);
}

// The field is always lower case, and holds only what a name can carry.
void TfrmFileSel::edtNomeArqChange() {
    const QString texto = edtNomeArq->text();
    const QString minusculo = ParaQString(Minusculas1252(Para1252(texto)));
    if (minusculo == texto) return;
    const int cursor = edtNomeArq->cursorPosition();
    edtNomeArq->setText(minusculo);
    edtNomeArq->setCursorPosition(std::min<int>(cursor, minusculo.size()));
}

void TfrmFileSel::SelecionarArquivo() {
    const std::string mascara = Minusculas1252(MascaraEmUso());
    const std::string nome = Minusculas1252(Para1252(edtNomeArq->text()));
    const std::string arquivo = Extensao(nome).empty() ? nome + ExtensaoDaMascara(mascara) : nome;
    const bool recusar =
        !NomeDeArquivoValido(nome) || nome.find(mascara) != std::string::npos ||
        arquivo.find('*') != std::string::npos ||
        (modo_ == modoAbrir && !plataforma::ArquivoExiste(Juntar(pasta_, arquivo)));
    if (recusar) {
        edtNomeArq->setFocus();
        return;
    }
    escolhido_ = Minusculas1252(Juntar(pasta_, arquivo));
    confirmado_ = true;
    accept();
}

// ---- Preview ----

void TfrmFileSel::ArrumarVisualizacao() {
    const bool imagem = visualizacao_ == visualizarImagem;
    const bool midia = visualizacao_ >= visualizarMidia;
    bevInform->setVisible(imagem || midia);
    bevPreview->setVisible(imagem || midia);
    Img1->setVisible(imagem);
    bevDimensaoArq->setVisible(imagem);
    lblDimensaoArq->hide();
    MPlayer1->setVisible(midia);
    MPlayer1->setGeometry(bevPreview->x(), MPlayer1->y(), bevPreview->width(), MPlayer1->height());
}

void TfrmFileSel::MostrarImagem(const std::string& arquivo) {
    lblDimensaoArq->hide();
    Img1->clear();
    const auto host = arquivo.empty() ? std::nullopt : plataforma::CaminhoHost(arquivo);
    if (!host) return;
    QImageReader leitor(QString::fromStdString(*host));
    QSize tamanho = leitor.size();
    // Read straight at the area's size: a big photo never sits in memory whole.
    if (tamanho.isValid()) leitor.setScaledSize(Img1->size());
    const QImage imagem = leitor.read();
    if (imagem.isNull()) return;
    if (!tamanho.isValid()) tamanho = imagem.size();
    Img1->setPixmap(QPixmap::fromImage(imagem));
    auto digitos = [](int n) { return CompletarEsq(std::to_string(n), 4, '0'); };
    lblDimensaoArq->setText(
        QString::fromStdString(digitos(tamanho.width()) + " x " + digitos(tamanho.height())));
    lblDimensaoArq->show();
}

void TfrmFileSel::HabilitarMidia(bool sim) {
    for (QToolButton* b : {btPlay, btPause, btStop})
        b->setEnabled(sim);
}

void TfrmFileSel::MPlayer1Click(BotaoMidia botao) {
    switch (botao) {
    case BotaoMidia::Play: {
        const std::string arquivo = ArquivoSelecionado();
        if (flsArquivos->count() == 0 || arquivo.empty()) return;
        if (arquivo != midiaAberta_) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            FecharMidia();
            const bool aberta = AbrirMidia(arquivo);
            RestaurarCursorNormal();
            if (!aberta) {
                ExibirMensagem("Erro", "Este não é um arquivo válido."_ansi, 6);
                FecharMidia();
            }
        }
        if (MidiaAberta()) player_->play();
        break;
    }
    case BotaoMidia::Pause:
        if (MidiaAberta()) player_->pause();
        break;
    case BotaoMidia::Stop:
        if (MidiaAberta()) player_->stop(); // the next Play starts from the beginning
        break;
    }
}

bool TfrmFileSel::AbrirMidia(const std::string& arquivo) {
    const auto host = plataforma::CaminhoHost(arquivo);
    if (!host) return false;
    if (!player_) {
        player_ = new QMediaPlayer(this);
        // Without a sound device some backends crash writing to the missing
        // one; the picture still plays.
        if (!QMediaDevices::audioOutputs().isEmpty()) {
            audio_ = new QAudioOutput(this);
            player_->setAudioOutput(audio_);
        }
        video_ = new QVideoWidget(bevPreview);
        video_->setObjectName("videoMPlayer1");
        video_->setGeometry(bevPreview->rect().adjusted(4, 4, -4, -4));
        video_->hide();
        player_->setVideoOutput(video_);
    }
    player_->setSource(QUrl::fromLocalFile(QString::fromStdString(*host)));
    // The media control interface opens synchronously; so does this, briefly.
    if (player_->mediaStatus() == QMediaPlayer::LoadingMedia &&
        player_->error() == QMediaPlayer::NoError) {
        QEventLoop espera;
        auto pronto = [&] {
            if (player_->mediaStatus() != QMediaPlayer::LoadingMedia ||
                player_->error() != QMediaPlayer::NoError)
                espera.quit();
        };
        connect(player_, &QMediaPlayer::mediaStatusChanged, &espera, pronto);
        connect(player_, &QMediaPlayer::errorOccurred, &espera, pronto);
        QTimer::singleShot(kEsperaMidiaMs, &espera, &QEventLoop::quit);
        espera.exec(QEventLoop::ExcludeUserInputEvents);
    }
    const auto estado = player_->mediaStatus();
    if (player_->error() != QMediaPlayer::NoError ||
        (estado != QMediaPlayer::LoadedMedia && estado != QMediaPlayer::BufferingMedia &&
         estado != QMediaPlayer::BufferedMedia))
        return false;
    midiaAberta_ = arquivo;
    video_->setVisible(player_->hasVideo());
    return true;
}

void TfrmFileSel::FecharMidia() {
    midiaAberta_.clear();
    if (!player_) return;
    player_->stop();
    player_->setSource(QUrl());
    video_->hide();
}

// ---- Look ----

void TfrmFileSel::DestacarBotao(QPushButton* botao) {
    DestacarBotoes(botao, bbtOk, {bbtCancel});
}

void TfrmFileSel::FormMouseMove() {
    DestacarBotao(nullptr);
}

bool TfrmFileSel::eventFilter(QObject* alvo, QEvent* e) {
    if (alvo == edtNomeArq) {
        if (e->type() == QEvent::KeyPress && edtNomeArqKeyPress(static_cast<QKeyEvent*>(e)->text()))
            return true;
    } else if (alvo == dlsDiretorios) {
        // dlsDiretoriosEnter / Exit: Enter opens the highlighted folder.
        if (e->type() == QEvent::FocusIn) bbtOk->setDefault(false);
        if (e->type() == QEvent::FocusOut) bbtOk->setDefault(true);
    } else if (e->type() == QEvent::Enter) {
        DestacarBotao(qobject_cast<QPushButton*>(alvo));
    } else if (e->type() == QEvent::Leave) {
        FormMouseMove();
    }
    return QDialog::eventFilter(alvo, e);
}

// ---- Entry point ----

void EscolherArquivo(const std::string& titulo, uint8_t modo, uint8_t visualizacao,
                     uint8_t indiceFiltro, const std::string& filtro,
                     const std::string& caminhoInicial, bool& confirmado, std::string& arquivo) {
    if (auto* r = RespostaArquivo::Atual())
        return r->Responder({titulo, modo, visualizacao, indiceFiltro, filtro, caminhoInicial},
                            confirmado, arquivo);
    TfrmFileSel dlg;
    dlg.Iniciar(titulo, modo, visualizacao, indiceFiltro, filtro, caminhoInicial);
    dlg.exec();
    confirmado = dlg.Confirmado();
    arquivo = dlg.ArquivoEscolhido();
}

// ---- Test seam ----

void RespostaArquivo::Responder(const Chamada& chamada, bool& confirmado, std::string& arquivo) {
    chamadas_.push_back(chamada);
    const std::optional<std::string> r = Proxima();
    confirmado = r.has_value();
    arquivo = r.value_or(std::string());
}
