// Saving and printing the logs from the window side: the print dialog, the
// entry points with the poll timer, and one real print into a PDF file.
#include "DialogoModal.h"
#include "InteracaoRoteirizada.h"
#include "PastaTemporaria.h"
#include "Texto1252.h"
#include "fFilesel.h"
#include "mPrinttx.h"

#include <QComboBox>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>

using namespace plataforma::literais;

namespace {

// Counts the jobs; every text is 10 units a character on pages 1000 x 1000.
class Trabalhos : public FluxoImpressao, MetricasFonte {
public:
    std::vector<std::string> titulos;
    std::vector<std::string> textos;
    bool falhar = false;

    bool IniciarTrabalho(const std::string& titulo) override {
        titulos.push_back(titulo);
        return true;
    }
    const MetricasFonte& Metricas() const override { return *this; }
    int LarguraPagina() const override { return 1000; }
    int AlturaPagina() const override { return 1000; }
    bool DesenharTexto(int, int, std::string_view t) override {
        textos.emplace_back(t);
        return !falhar;
    }
    bool NovaPagina() override { return true; }
    bool Terminar() override { return true; }
    int Largura(std::string_view t) const override { return 10 * static_cast<int>(t.size()); }
    int Altura() const override { return 10; }
    int LarguraMedia() const override { return 10; }
};

// Notes whether the poll was stopped whenever the user was asked something.
struct InteracaoComTimer : InteracaoRoteirizada {
    QTimer* timer = nullptr;
    std::vector<bool> timerAtivo;
    int Mensagem(const std::string& t, const std::string& x, int tipo) override {
        timerAtivo.push_back(timer->isActive());
        return InteracaoRoteirizada::Mensagem(t, x, tipo);
    }
};

QPrinter* ImpressoraPdf(const QString& arquivo = {}) {
    auto* p = new QPrinter(QPrinter::HighResolution);
    p->setOutputFormat(QPrinter::PdfFormat);
    p->setOutputFileName(arquivo.isEmpty() ? QDir::temp().filePath("fz-nada.pdf") : arquivo);
    return p;
}

const QStringList exemplos = {QStringLiteral("Recepção"), QStringLiteral("Financeiro")};

} // namespace

class TestePrinttx : public QObject {
    Q_OBJECT
private slots:
    void NumeroDeCopias() {
        std::unique_ptr<QPrinter> impressora(ImpressoraPdf());
        TfrmPrnDlg dlg(*impressora, exemplos);
        auto* scb = dlg.findChild<QScrollBar*>("scbNumCopias");
        auto* lbl = dlg.findChild<QLabel*>("lblNumCopias");
        QCOMPARE(dlg.Copias(), 1);
        QCOMPARE(lbl->text(), QStringLiteral("&Número de Cópias: 001"));
        scb->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(dlg.Copias(), 11);
        QCOMPARE(lbl->text(), QStringLiteral("&Número de Cópias: 011"));
        scb->setValue(998);
        scb->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(dlg.Copias(), 999);
        scb->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(lbl->text(), QStringLiteral("&Número de Cópias: 999"));
        scb->setValue(0);
        QCOMPARE(dlg.Copias(), 1);
        QCOMPARE(lbl->buddy(), scb);
    }

    void DestacaOkECancelar() {
        std::unique_ptr<QPrinter> impressora(ImpressoraPdf());
        TfrmPrnDlg dlg(*impressora, exemplos);
        auto* ok = dlg.findChild<QPushButton*>("bbtOk");
        auto* cancelar = dlg.findChild<QPushButton*>("bbtCancel");
        auto cor = [](QPushButton* b) { return b->palette().color(QPalette::ButtonText); };
        QEvent entrar(QEvent::Enter), sair(QEvent::Leave);
        QApplication::sendEvent(ok, &entrar);
        QCOMPARE(cor(ok), QColor(0, 255, 0));
        QCOMPARE(cor(cancelar), QColor(Qt::black));
        QApplication::sendEvent(cancelar, &entrar);
        QCOMPARE(cor(ok), QColor(Qt::black));
        QCOMPARE(cor(cancelar), QColor(255, 0, 0));
        QApplication::sendEvent(cancelar, &sair);
        QCOMPARE(cor(cancelar), QColor(Qt::black));
    }

    void ImpressorasEOrientacao() {
        std::unique_ptr<QPrinter> impressora(ImpressoraPdf());
        impressora->setPageOrientation(QPageLayout::Landscape);
        TfrmPrnDlg dlg(*impressora, exemplos);
        auto* cmb = dlg.findChild<QComboBox*>("cmbImpressora");
        QCOMPARE(cmb->count(), 2);
        QCOMPARE(cmb->itemText(0), exemplos[0]);
        QCOMPARE(cmb->currentIndex(), 0);
        auto* orientacao = dlg.findChild<QLabel*>("lblOrientacao");
        QCOMPARE(orientacao->text(), QStringLiteral("Orientação: Paisagem"));

        // "&Propriedades" opens the page setup on the same printer; the label follows.
        auto feito = AoAbrirDialogo<QPageSetupDialog>([](QPageSetupDialog* d) {
            auto* retrato = d->findChild<QRadioButton*>("portrait");
            QVERIFY(retrato);
            retrato->click();
            d->accept();
        });
        dlg.findChild<QPushButton*>("bbtPropriedades")->click();
        QVERIFY(*feito);
        QCOMPARE(impressora->pageLayout().orientation(), QPageLayout::Portrait);
        QCOMPARE(orientacao->text(), QStringLiteral("Orientação: Retrato"));
    }

    void OkDevolveAsCopiasCancelarNada() {
        std::unique_ptr<QPrinter> impressora(ImpressoraPdf());
        {
            TfrmPrnDlg dlg(*impressora, exemplos);
            auto feito = AoAbrirDialogo<TfrmPrnDlg>([](TfrmPrnDlg* d) {
                d->findChild<QScrollBar*>("scbNumCopias")->setValue(3);
                Teclar(d, Qt::Key_Return);
            });
            QCOMPARE(dlg.exec(), 1);
            QVERIFY(*feito);
            QCOMPARE(dlg.Copias(), 3);
        }
        for (bool escape : {false, true}) {
            TfrmPrnDlg dlg(*impressora, exemplos);
            auto feito = AoAbrirDialogo<TfrmPrnDlg>([escape](TfrmPrnDlg* d) {
                if (escape) Teclar(d, Qt::Key_Escape);
                else d->findChild<QPushButton*>("bbtCancel")->click();
            });
            QCOMPARE(dlg.exec(), 2);
            QVERIFY(*feito);
        }
    }

    void SemImpressoraNaoAbreODialogo() {
        if (!QPrinterInfo::availablePrinterNames().isEmpty())
            QSKIP("this machine has printers installed");
        InteracaoRoteirizada ui;
        QCOMPARE(SolicitarCopias(nullptr, "Imprimir Mensagens Recebidas", ui), 0);
        QCOMPARE(ui.mensagens.size(), std::size_t(1));
        QCOMPARE(ui.mensagens[0].titulo, std::string("Erro"));
        QCOMPARE(ui.mensagens[0].texto,
                 "Ocorreu um erro durante a tentativa de comunicação com a impressora."_ansi);
        QCOMPARE(ui.mensagens[0].tipo, 6);

        // From the entry point: nothing printed, the poll running again.
        QTimer timer;
        timer.start(1000);
        QPlainTextEdit log(QStringLiteral("uma linha"));
        ImprimirMensagens(nullptr, log, true, ui, &timer);
        QVERIFY(timer.isActive());
        QCOMPARE(ui.mensagens.size(), std::size_t(2));
    }

    void ImprimirUmTrabalhoPorCopiaETimerVoltaSempre() {
        QTimer timer;
        timer.start(1000);
        QPlainTextEdit log(QStringLiteral("[ ANA ] -> oi\n\nfim"));
        InteracaoRoteirizada ui;
        Trabalhos trabalhos;
        RespostaImpressao resposta(trabalhos);

        resposta.Responder(3);
        ImprimirMensagens(nullptr, log, true, ui, &timer);
        QCOMPARE(trabalhos.titulos, std::vector<std::string>(3, "Falavox"));
        QCOMPARE(trabalhos.textos.size(), std::size_t(6));
        QVERIFY(timer.isActive());
        QCOMPARE(ui.cursorOcupado, 0);

        ImprimirMensagens(nullptr, log, false, ui, &timer); // cancelled: the queue is empty
        QCOMPARE(trabalhos.titulos.size(), std::size_t(3));
        QVERIFY(timer.isActive());

        trabalhos.falhar = true;
        resposta.Responder(2);
        ImprimirMensagens(nullptr, log, false, ui, &timer);
        QCOMPARE(trabalhos.titulos.size(), std::size_t(4)); // the second copy is skipped
        QVERIFY(timer.isActive());
        QCOMPARE(ui.cursorOcupado, 0);
        QCOMPARE(ui.mensagens.size(), std::size_t(1));

        QCOMPARE(resposta.Titulos(),
                 (std::vector<std::string>{"Imprimir Mensagens Recebidas", "Imprimir Mensagens Enviadas",
                                           "Imprimir Mensagens Enviadas"}));

        // A timer that was stopped stays stopped.
        timer.stop();
        resposta.Responder(1);
        ImprimirMensagens(nullptr, log, true, ui, &timer);
        QVERIFY(!timer.isActive());
    }

    void SalvarETimerVoltaSempre() {
        PastaTemporaria tmp;
        QTimer timer;
        timer.start(1000);
        InteracaoComTimer ui;
        ui.timer = &timer;
        RespostaArquivo arquivo;
        QPlainTextEdit log(QStringLiteral("[ JOSÉ ] -> olá\n\n<<< ANA >>> saiu da sala..."));
        const std::string esperado = "[ JOSÉ ] -> olá\r\n\r\n<<< ANA >>> saiu da sala..."_ansi;

        arquivo.Escolher("c:\\copia"); // completed
        SalvarMensagens(log, true, ui, &timer);
        QCOMPARE(tmp.Ler("copia.txt"), esperado);
        QVERIFY(timer.isActive());

        arquivo.Escolher("c:\\copia.txt"); // declined
        ui.respostas = {7};
        QPlainTextEdit outro(QStringLiteral("outro"));
        SalvarMensagens(outro, false, ui, &timer);
        QCOMPARE(tmp.Ler("copia.txt"), esperado);
        QVERIFY(timer.isActive());

        arquivo.Cancelar(); // cancelled
        SalvarMensagens(log, true, ui, &timer);
        QVERIFY(timer.isActive());

        arquivo.Escolher("c:\\sem pasta\\copia.txt"); // failed
        SalvarMensagens(log, true, ui, &timer);
        QVERIFY(timer.isActive());
        QCOMPARE(ui.mensagens.back().texto, std::string("Erro ao salvar o arquivo de mensagens."));
        QCOMPARE(ui.cursorOcupado, 0);

        arquivo.Escolher("c:\\vazio"); // an empty log
        QPlainTextEdit vazio;
        SalvarMensagens(vazio, true, ui, &timer);
        QVERIFY(tmp.Existe("vazio.txt"));
        QCOMPARE(tmp.Ler("vazio.txt"), std::string());

        QCOMPARE(ui.timerAtivo, (std::vector<bool>{false, false})); // the question, the error
        const auto& c = arquivo.Chamadas();
        QCOMPARE(c.size(), std::size_t(5));
        QCOMPARE(c[0].titulo, std::string("Salvar Mensagens Recebidas"));
        QCOMPARE(c[1].titulo, std::string("Salvar Mensagens Enviadas"));
        QCOMPARE(c[0].modo, modoSalvar);
        QCOMPARE(c[0].visualizacao, semVisualizacao);
        QCOMPARE(c[0].indiceFiltro, uint8_t(0));
        QCOMPARE(c[0].filtro, std::string("Arquivo Texto (*.txt)|*.txt"));
        QCOMPARE(c[0].caminhoInicial, std::string());
    }

    void ImpressaoRealEmPdf() {
        const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
        QVERIFY2(!pdftotext.isEmpty(), "pdftotext (poppler-utils) is needed");
        PastaTemporaria tmp;
        const QString arquivo = QString::fromStdString(tmp.Host() + "/log.pdf");
        std::unique_ptr<QPrinter> pdf(ImpressoraPdf(arquivo));

        std::string longa;
        for (int i = 0; longa.size() < 400; ++i) longa += "palavra" + std::to_string(i) + " ";
        std::vector<std::string> linhas = {"Mensagens da sala: ação"_ansi, longa};
        for (int i = 0; i < 150; ++i) linhas.push_back("linha " + std::to_string(i));
        ImpressoraQt impressora(*pdf, FonteImpressao());
        InteracaoRoteirizada ui;
        QVERIFY(ImprimirCopias(linhas, 1, impressora, ui));
        QVERIFY(ui.mensagens.empty());

        QProcess p;
        p.start(pdftotext, {arquivo, "-"});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 0);
        const QString texto = QString::fromUtf8(p.readAllStandardOutput());
        QStringList paginas = texto.split(QChar('\f'));
        QCOMPARE(paginas.takeLast().trimmed(), QString()); // after the last page's form feed
        QVERIFY2(paginas.size() >= 2, qPrintable(texto));
        for (const QString& pagina : paginas) QVERIFY(!pagina.trimmed().isEmpty()); // no blank sheet

        QStringList todas;
        for (const QString& pagina : paginas)
            for (const QString& l : pagina.split(QChar('\n'), Qt::SkipEmptyParts)) todas << l.trimmed();
        QCOMPARE(todas.first(), QStringLiteral("Mensagens da sala: ação"));
        // The long line goes on over several printed lines, cut inside a word or not.
        int i = 1;
        QString juntas;
        while (!todas[i].startsWith("linha ")) juntas += todas[i++];
        QVERIFY(i > 2);
        QCOMPARE(juntas.remove(' '), QString::fromStdString(longa).remove(' '));
        // Every log line, in order, and nothing else: no headers, no page numbers.
        QCOMPARE(todas.size() - i, 150);
        for (int k = 0; k < 150; ++k) QCOMPARE(todas[i + k], QStringLiteral("linha %1").arg(k));
        // Each further page starts at the next log line.
        QVERIFY(paginas[1].trimmed().startsWith("linha "));
    }
};

QTEST_MAIN(TestePrinttx)
#include "test_mPrinttx.moc"
