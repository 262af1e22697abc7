#include "Arquivos.h"
#include "Configuracao.h"
#include "DialogoModal.h"
#include "Janela1252.h"
#include "PastaTemporaria.h"
#include "Texto1252.h"
#include "Unidades.h"
#include "fFilesel.h"
#include "fMsgdlg.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMediaPlayer>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <filesystem>

using namespace plataforma::literais;
namespace fs = std::filesystem;

namespace {

const std::string filtroTexto = "Arquivo Texto (*.txt)|*.txt";
const std::string filtroColar = "Arquivo Texto (*.txt)|*.txt|Todos os Arquivos (*.*)|*.*";

template <class W> W* Filho(QWidget* d, const char* nome) {
    return d->findChild<W*>(nome);
}
QLineEdit* Nome(QWidget* d) {
    return Filho<QLineEdit>(d, "edtNomeArq");
}
QListWidget* Arquivos(QWidget* d) {
    return Filho<QListWidget>(d, "flsArquivos");
}
QListWidget* Pastas(QWidget* d) {
    return Filho<QListWidget>(d, "dlsDiretorios");
}

QStringList Itens(QListWidget* l) {
    QStringList r;
    for (int i = 0; i < l->count(); ++i)
        r << l->item(i)->text();
    return r;
}

void Escolher(QListWidget* l, const QString& texto) {
    auto achados = l->findItems(texto, Qt::MatchExactly);
    QVERIFY2(!achados.isEmpty(), qPrintable(texto));
    l->setCurrentItem(achados.first());
}

bool Mesma(const std::string& a, const std::string& b) {
    return plataforma::IguaisSemCaixa(a, b);
}

bool NaPastaDoPrograma() {
    const std::string programa = PastaDoPrograma();
    return !programa.empty() && Mesma(plataforma::PastaAtual() + "\\", programa);
}

struct Escolha {
    bool confirmado = true;
    std::string arquivo = "sobra";
};

// EscolherArquivo with `acao` run on the dialog while it is shown.
Escolha Chamar(uint8_t modo, const std::string& filtro, const std::string& inicial,
               std::function<void(TfrmFileSel*)> acao, uint8_t indice = 0,
               uint8_t visualizacao = semVisualizacao) {
    Escolha r;
    auto feito = AoAbrirDialogo<TfrmFileSel>(std::move(acao));
    EscolherArquivo("Salvar Mensagens Recebidas", modo, visualizacao, indice, filtro, inicial,
                    r.confirmado, r.arquivo);
    if (!*feito) qWarning("the file dialog was not shown");
    return r;
}

void Ok(TfrmFileSel* d) {
    Filho<QPushButton>(d, "bbtOk")->click();
}

} // namespace

class TestFFilesel : public QObject {
    Q_OBJECT
private slots:
    void salvarAcrescentaExtensaoExistindoOuNao();
    void abrirNomeQueFaltaFicaAbertoSemMensagem();
    void teclasIgnoradasEMinusculas();
    void escolhidoNaListaVoltaEmMinusculas();
    void todosOsArquivosPedeExtensao();
    void raizDaUnidadeTemUmaBarra();
    void cancelarDevolveVazio();
    void pastaInicialQueFalta();
    void pastasELista();
    void previaDeImagem();
    void previaDeMidia();
    void respostaArquivo();
    void midiaTocaPausaPara();
    void minimizarERestaurarGuardaOQueFoiFeito();
};

// Minimising and restoring (the window state changes of a real window manager)
// leave the folder browsed to and the name typed as they were.
void TestFFilesel::minimizarERestaurarGuardaOQueFoiFeito() {
    PastaTemporaria c;
    fs::create_directories(fs::path(c.Host()) / "logs" / "antigos");
    Escolha r = Chamar(modoSalvar, filtroTexto, "c:\\logs\\", [&](TfrmFileSel* d) {
        d->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(d));
        Pastas(d)->setFocus();
        Escolher(Pastas(d), "antigos");
        Teclar(d, Qt::Key_Return);
        QCOMPARE(Filho<QLabel>(d, "panPastaAtual")->text(), QString(" c:\\logs\\antigos"));
        Nome(d)->setFocus();
        QTest::keyClicks(Nome(d), "diario");
        d->setWindowState(Qt::WindowMinimized);
        QVERIFY(d->isMinimized());
        d->setWindowState(Qt::WindowNoState);
        QVERIFY(!d->isMinimized() && d->isVisible());
        QCOMPARE(Nome(d)->text(), QStringLiteral("diario"));
        QCOMPARE(Filho<QLabel>(d, "panPastaAtual")->text(), QString(" c:\\logs\\antigos"));
        Ok(d);
    });
    QVERIFY(r.confirmado);
    QCOMPARE(r.arquivo, std::string("c:\\logs\\antigos\\diario.txt"));
}

void TestFFilesel::salvarAcrescentaExtensaoExistindoOuNao() {
    PastaTemporaria c;
    fs::create_directory(fs::path(c.Host()) / "logs");
    QString titulo, campo;
    Escolha r = Chamar(modoSalvar, filtroTexto, "c:\\logs\\", [&](TfrmFileSel* d) {
        titulo = d->windowTitle();
        campo = Nome(d)->text();
        QVERIFY(Nome(d)->hasSelectedText() && Nome(d)->selectedText() == campo);
        Ok(d); // the mask itself is no name
        Nome(d)->clear();
        Ok(d); // nor is nothing
        QVERIFY(d->isVisible());
        QTest::keyClicks(Nome(d), "relatorio");
        Ok(d);
    });
    QCOMPARE(titulo, QString("Salvar Mensagens Recebidas"));
    QCOMPARE(campo, QString("*.txt"));
    QVERIFY(r.confirmado);
    QCOMPARE(r.arquivo, std::string("c:\\logs\\relatorio.txt"));
    QVERIFY(NaPastaDoPrograma());

    c.Escrever("logs/relatorio.txt", "antigo");
    r = Chamar(modoSalvar, filtroTexto, "c:\\logs\\", [](TfrmFileSel* d) {
        QCOMPARE(Itens(Arquivos(d)), QStringList({"relatorio.txt"}));
        QTest::keyClicks(Nome(d), "relatorio");
        Ok(d);
    });
    QVERIFY(r.confirmado);
    QCOMPARE(r.arquivo, std::string("c:\\logs\\relatorio.txt"));
    QCOMPARE(c.Ler("logs/relatorio.txt"), std::string("antigo"));
}

void TestFFilesel::abrirNomeQueFaltaFicaAbertoSemMensagem() {
    PastaTemporaria c;
    c.Escrever("Dados/nota.txt", "x");
    fs::create_directory(fs::path(c.Host()) / "Dados" / "falta.txt"); // a folder is no file
    RespostaMensagens mensagens;
    Escolha r = Chamar(modoAbrir, filtroColar, "c:\\dados\\", [](TfrmFileSel* d) {
        for (const char* nome : {"falta", "nada"}) {
            Nome(d)->clear();
            QTest::keyClicks(Nome(d), nome);
            Filho<QComboBox>(d, "dcbDrive")->setFocus();
            Ok(d);
            QVERIFY(d->isVisible());
            QCOMPARE(d->focusWidget(), Nome(d));
        }
        Teclar(d, Qt::Key_Escape);
    });
    QVERIFY(mensagens.Chamadas().empty());
    QVERIFY(!r.confirmado);
    QCOMPARE(r.arquivo, std::string());
}

void TestFFilesel::teclasIgnoradasEMinusculas() {
    PastaTemporaria c;
    Escolha r = Chamar(modoSalvar, filtroTexto, "c:\\", [](TfrmFileSel* d) {
        QTest::keyClicks(Nome(d), "Re.la:to\\ri*o?s/<Jun>");
        QCOMPARE(Nome(d)->text(), QString("relatoriosjun"));
        // A paste loses what the keys would have refused.
        QApplication::clipboard()->setText("relatorio.exe");
        Nome(d)->clear();
        Nome(d)->paste();
        QCOMPARE(Nome(d)->text(), QString("relatorioexe"));
        // What comes in otherwise is refused as a whole.
        Nome(d)->setText("..\\fora");
        Ok(d);
        QVERIFY(d->isVisible());
        Nome(d)->setText(QString::fromUtf8("AÇÃO"));
        QCOMPARE(Nome(d)->text(), QString::fromUtf8("ação"));
        Ok(d);
    });
    QVERIFY(r.confirmado);
    QCOMPARE(r.arquivo, "c:\\ação.txt"_ansi);
}

void TestFFilesel::escolhidoNaListaVoltaEmMinusculas() {
    PastaTemporaria c;
    c.Escrever("Dados/RELATORIO.TXT", "x");
    c.Escrever("Dados/Leia.ME", "x");
    c.Escrever("Dados/Sub/dentro.txt", "x");
    Escolha r = Chamar(modoAbrir, filtroTexto, "C:\\DADOS\\", [](TfrmFileSel* d) {
        QCOMPARE(Itens(Arquivos(d)), QStringList({"relatorio.txt"})); // no folders, mask kept
        Escolher(Arquivos(d), "relatorio.txt");
        QCOMPARE(Nome(d)->text(), QString("relatorio.txt"));
        Ok(d);
    });
    QVERIFY(r.confirmado);
    QCOMPARE(r.arquivo, std::string("c:\\dados\\relatorio.txt"));
    QVERIFY(plataforma::ArquivoExiste(r.arquivo));
}

void TestFFilesel::todosOsArquivosPedeExtensao() {
    PastaTemporaria c;
    c.Escrever("Dados/leia", "sem extensão");
    c.Escrever("Dados/Leia.ME", "x");
    c.Escrever("Dados/nota.txt", "x");
    Escolha r = Chamar(
        modoAbrir, filtroColar, "c:\\dados\\",
        [](TfrmFileSel* d) {
            QCOMPARE(Filho<QComboBox>(d, "fcbTiposArq")->currentText(),
                     QString("Todos os Arquivos (*.*)"));
            QCOMPARE(Itens(Arquivos(d)), QStringList({"leia", "leia.me", "nota.txt"}));
            QTest::keyClicks(Nome(d), "leia");
            Ok(d);
            QVERIFY(d->isVisible());
            Escolher(Arquivos(d), "leia.me");
            Ok(d);
        },
        1);
    QVERIFY(r.confirmado);
    QCOMPARE(r.arquivo, std::string("c:\\dados\\leia.me"));

    // With the text entry a typed name gets ".txt".
    r = Chamar(modoAbrir, filtroColar, "c:\\dados\\", [](TfrmFileSel* d) {
        QCOMPARE(Itens(Arquivos(d)), QStringList({"nota.txt"}));
        QTest::keyClicks(Nome(d), "nota");
        Ok(d);
    });
    QCOMPARE(r.arquivo, std::string("c:\\dados\\nota.txt"));
}

void TestFFilesel::raizDaUnidadeTemUmaBarra() {
    PastaTemporaria c;
    Escolha r = Chamar(modoSalvar, filtroTexto, "C:\\", [](TfrmFileSel* d) {
        QCOMPARE(Filho<QLabel>(d, "panPastaAtual")->text(), QString(" c:\\"));
        QTest::keyClicks(Nome(d), "Raiz");
        Teclar(d, Qt::Key_Return);
    });
    QVERIFY(r.confirmado);
    QCOMPARE(r.arquivo, std::string("c:\\raiz.txt"));
}

void TestFFilesel::cancelarDevolveVazio() {
    PastaTemporaria c;
    c.Escrever("Dados/Fundo/nota.txt", "x");
    Escolha r = Chamar(modoAbrir, filtroTexto, "c:\\dados\\", [](TfrmFileSel* d) {
        emit Pastas(d)->itemActivated(Pastas(d)->findItems("Fundo", Qt::MatchExactly).first());
        QVERIFY(Mesma(plataforma::PastaAtual(), "C:\\Dados\\Fundo"));
        Escolher(Arquivos(d), "nota.txt");
        Filho<QPushButton>(d, "bbtCancel")->click();
    });
    QVERIFY(!r.confirmado);
    QCOMPARE(r.arquivo, std::string());
    QVERIFY(NaPastaDoPrograma());
}

void TestFFilesel::pastaInicialQueFalta() {
    PastaTemporaria c;
    c.Escrever("Dados/nota.txt", "x");
    for (const std::string inicial : {"c:\\nada\\", "c:\\nada\\relatorio.txt", ""}) {
        QVERIFY(plataforma::DefinirPastaAtual("C:\\Dados"));
        RespostaMensagens mensagens;
        std::string mostrada;
        QStringList arquivos;
        Chamar(modoAbrir, filtroTexto, inicial, [&](TfrmFileSel* d) {
            mostrada = d->PastaMostrada();
            arquivos = Itens(Arquivos(d));
            d->reject();
        });
        QVERIFY(Mesma(mostrada, "C:\\Dados"));
        QCOMPARE(arquivos, QStringList({"nota.txt"}));
        if (inicial.empty()) {
            QVERIFY(mensagens.Chamadas().empty());
        } else {
            QCOMPARE(mensagens.Chamadas().size(), std::size_t(1));
            QCOMPARE(mensagens.Chamadas()[0].titulo, std::string("Erro"));
            QCOMPARE(mensagens.Chamadas()[0].texto,
                     "Este diretório (pasta) não está mais disponível."_ansi);
            QCOMPARE(mensagens.Chamadas()[0].tipo, 6);
        }
    }
}

// The folder operations are the folder dialog's; here, that they act on this
// dialog's lists and that the file list follows the folder shown.
void TestFFilesel::pastasELista() {
    PastaTemporaria c;
    c.Escrever("Dados/nota.txt", "x");
    c.Escrever("Dados/Cartas/carta.txt", "x");
    plataforma::TabelaUnidades t = plataforma::Unidades();
    t.raizes['D'] = c.Host() + "/sem-disco";
    plataforma::DefinirUnidades(t);
    RespostaMensagens mensagens;
    Escolha r = Chamar(modoSalvar, filtroTexto, "c:\\dados\\", [&](TfrmFileSel* d) {
        mensagens.ResponderValor("Nova");
        d->sbtCriarPastaClick();
        QCOMPARE(Itens(Pastas(d)), QStringList({"c:\\", "Dados", "Cartas", "Nova"}));

        d->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(d));
        Pastas(d)->setFocus();
        QVERIFY(!Filho<QPushButton>(d, "bbtOk")->isDefault());
        Escolher(Pastas(d), "Cartas");
        Teclar(d, Qt::Key_Return); // opens the folder, the dialog stays
        QVERIFY(d->isVisible());
        QCOMPARE(Filho<QLabel>(d, "panPastaAtual")->text(), QString(" c:\\dados\\cartas"));
        QCOMPARE(Itens(Arquivos(d)), QStringList({"carta.txt"}));
        QCOMPARE(Nome(d)->text(), QString("*.txt"));

        mensagens.Responder(mrNo);
        auto* unidade = Filho<QComboBox>(d, "dcbDrive");
        unidade->setCurrentIndex(unidade->findData(QChar('D')));
        d->dcbDriveChange();
        QVERIFY(unidade->currentText().startsWith("c:"));
        QVERIFY(Mesma(d->PastaMostrada(), "C:\\Dados\\Cartas"));

        Nome(d)->setFocus();
        QVERIFY(Filho<QPushButton>(d, "bbtOk")->isDefault());
        QTest::keyClicks(Nome(d), "resposta");
        Teclar(d, Qt::Key_Return);
    });
    QCOMPARE(mensagens.Chamadas().size(), std::size_t(2));
    QCOMPARE(mensagens.Chamadas()[1].texto,
             "Drive d: não está disponível. Deseja tentar de novo ???"_ansi);
    QVERIFY(c.Existe("Dados/Nova"));
    QCOMPARE(r.arquivo, std::string("c:\\dados\\cartas\\resposta.txt"));
}

void TestFFilesel::previaDeImagem() {
    PastaTemporaria c;
    fs::create_directory(fs::path(c.Host()) / "Fotos");
    QImage foto(640, 48, QImage::Format_RGB32);
    foto.fill(Qt::darkCyan);
    QVERIFY(foto.save(QString::fromStdString(c.Host() + "/Fotos/Praia.PNG"), "PNG"));
    c.Escrever("Fotos/quebrada.png", "não é PNG");
    const std::string filtro = "Imagens (*.png;*.bmp)|*.png;*.bmp";
    Chamar(
        modoAbrir, filtro, "c:\\fotos\\",
        [](TfrmFileSel* d) {
            auto* tamanho = Filho<QLabel>(d, "lblDimensaoArq");
            auto* img = Filho<QLabel>(d, "Img1");
            QVERIFY(Filho<QFrame>(d, "bevInform")->isVisible() && img->isVisible());
            QVERIFY(!Filho<QWidget>(d, "MPlayer1")->isVisible());
            QVERIFY(!tamanho->isVisible());
            QCOMPARE(Itens(Arquivos(d)), QStringList({"praia.png", "quebrada.png"}));

            Escolher(Arquivos(d), "praia.png");
            QVERIFY(tamanho->isVisible());
            QCOMPARE(tamanho->text(), QString("0640 x 0048"));
            QCOMPARE(img->pixmap().size(), QSize(93, 81));

            Escolher(Arquivos(d), "quebrada.png");
            QVERIFY(!tamanho->isVisible());
            QVERIFY(img->pixmap().isNull());
            d->reject();
        },
        0, visualizarImagem);
}

// Only the buttons and states: the machine running the tests may have no sound.
void TestFFilesel::previaDeMidia() {
    PastaTemporaria c;
    c.Escrever("Sons/falso.wav", "não é som");
    c.Escrever("Sons/Sub/outro.wav", "x");
    RespostaMensagens mensagens;
    Chamar(
        modoAbrir, "Sons (*.wav)|*.wav", "c:\\sons\\",
        [](TfrmFileSel* d) {
            auto* play = Filho<QToolButton>(d, "btPlay");
            QVERIFY(Filho<QWidget>(d, "MPlayer1")->isVisible());
            QVERIFY(!Filho<QLabel>(d, "lblDimensaoArq")->isVisible());
            QVERIFY(!play->isEnabled() && !Filho<QToolButton>(d, "btStop")->isEnabled());

            Escolher(Arquivos(d), "falso.wav");
            QVERIFY(play->isEnabled() && Filho<QToolButton>(d, "btPause")->isEnabled());
            d->MPlayer1Click(TfrmFileSel::BotaoMidia::Pause); // nothing open: nothing happens
            d->MPlayer1Click(TfrmFileSel::BotaoMidia::Stop);
            play->click();
            QVERIFY(!d->MidiaAberta());
            QCOMPARE(QApplication::overrideCursor(), nullptr);

            emit Pastas(d)->itemActivated(Pastas(d)->findItems("Sub", Qt::MatchExactly).first());
            QVERIFY(!play->isEnabled());
            d->reject();
        },
        0, visualizarMidia);
    QCOMPARE(mensagens.Chamadas().size(), std::size_t(1));
    QCOMPARE(mensagens.Chamadas()[0].titulo, std::string("Erro"));
    QCOMPARE(mensagens.Chamadas()[0].texto, "Este não é um arquivo válido."_ansi);
    QCOMPARE(mensagens.Chamadas()[0].tipo, 6);
}

// Half a second of 8-bit silence.
std::string Silencio() {
    std::string wav = "RIFF";
    auto n = [&](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            wav += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    const uint32_t dados = 4000;
    n(36 + dados, 4);
    wav += "WAVEfmt ";
    n(16, 4), n(1, 2), n(1, 2), n(8000, 4), n(8000, 4), n(1, 2), n(8, 2);
    wav += "data";
    n(dados, 4);
    return wav + std::string(dados, static_cast<char>(128));
}

// Played by the backend the test names (QT_MEDIA_BACKEND), which reads WAV
// without codec packages, with or without a sound device.
void TestFFilesel::midiaTocaPausaPara() {
    PastaTemporaria c;
    c.Escrever("Sons/Bip.WAV", Silencio());
    c.Escrever("Sons/outro.wav", Silencio());
    RespostaMensagens mensagens;
    Chamar(
        modoAbrir, "Sons (*.wav)|*.wav", "c:\\sons\\",
        [](TfrmFileSel* d) {
            Escolher(Arquivos(d), "bip.wav");
            Filho<QToolButton>(d, "btPlay")->click();
            QVERIFY(d->MidiaAberta());
            auto* player = d->findChild<QMediaPlayer*>();
            QCOMPARE(player->playbackState(), QMediaPlayer::PlayingState);
            d->MPlayer1Click(TfrmFileSel::BotaoMidia::Pause);
            QCOMPARE(player->playbackState(), QMediaPlayer::PausedState);
            d->MPlayer1Click(TfrmFileSel::BotaoMidia::Play); // the same file: not reopened
            QCOMPARE(player->playbackState(), QMediaPlayer::PlayingState);
            d->MPlayer1Click(TfrmFileSel::BotaoMidia::Stop);
            QCOMPARE(player->playbackState(), QMediaPlayer::StoppedState);
            QCOMPARE(player->position(), qint64(0));
            QVERIFY(d->MidiaAberta());

            Escolher(Arquivos(d), "outro.wav"); // another file closes it
            QVERIFY(!d->MidiaAberta());
            QVERIFY(Filho<QToolButton>(d, "btPlay")->isEnabled());
            Filho<QToolButton>(d, "btPlay")->click();
            QVERIFY(d->MidiaAberta());
            d->reject();
            QVERIFY(!d->MidiaAberta());
        },
        0, visualizarMidia);
    QVERIFY(mensagens.Chamadas().empty());
}

void TestFFilesel::respostaArquivo() {
    RespostaArquivo resposta;
    resposta.Escolher("c:\\logs\\a.txt");
    bool confirmado = false;
    std::string arquivo;
    EscolherArquivo("Colar De (Anexar Arquivo)", modoAbrir, semVisualizacao, 0, filtroColar,
                    "c:\\falv\\", confirmado, arquivo);
    QVERIFY(confirmado);
    QCOMPARE(arquivo, std::string("c:\\logs\\a.txt"));
    EscolherArquivo("Salvar", modoSalvar, semVisualizacao, 0, filtroTexto, "", confirmado, arquivo);
    QVERIFY(!confirmado);
    QCOMPARE(arquivo, std::string());
    QCOMPARE(resposta.Chamadas().size(), std::size_t(2));
    QCOMPARE(resposta.Chamadas()[0].caminhoInicial, std::string("c:\\falv\\"));
    QCOMPARE(resposta.Chamadas()[0].filtro, filtroColar);
    QCOMPARE(resposta.Chamadas()[1].modo, modoSalvar);
    {
        RespostaArquivo interna; // the innermost answers
        interna.Escolher("c:\\b.txt");
        EscolherArquivo("Salvar", modoSalvar, 0, 0, filtroTexto, "", confirmado, arquivo);
        QCOMPARE(arquivo, std::string("c:\\b.txt"));
    }
    QCOMPARE(resposta.Chamadas().size(), std::size_t(2));
    QCOMPARE(RespostaArquivo::Atual(), &resposta);
}

QTEST_MAIN(TestFFilesel)
#include "test_fFilesel.moc"
