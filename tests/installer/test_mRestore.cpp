#include "ApoioZip.h"
#include "ConjuntoDiscos.h"
#include "Janela1252.h"
#include "PastaTemporaria.h"
#include "Texto1252.h"
#include "fMsgdlg.h"
#include "mRestore.h"
#include "mSetuplb.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <memory>

using namespace plataforma::literais;
namespace fs = std::filesystem;

namespace {

const std::string interrompida = "A instalação foi interrompida pelo usuário."_ansi;
const std::string interromper = "Deseja interromper a instalação ???"_ansi;

} // namespace

class TesteRestore : public QObject {
    Q_OBJECT

    std::unique_ptr<PastaTemporaria> pasta;
    std::unique_ptr<ConjuntoDiscos> discos;
    std::unique_ptr<TfrmRestore> w;
    std::string grande;

    template <class T> T* Filho(const char* nome) { return w->findChild<T*>(nome); }
    QPushButton* Botao(const char* nome) { return Filho<QPushButton>(nome); }
    static QColor Cor(QPushButton* b) { return b->palette().color(QPalette::ButtonText); }
    bool Existe(const std::string& r) const { return pasta->Existe("APLIC/" + r); }
    std::vector<std::string> Textos(const RespostaMensagens& r) const {
        std::vector<std::string> t;
        for (auto& c : r.Chamadas()) t.push_back(c.texto);
        return t;
    }
    void Mostrar() {
        w = std::make_unique<TfrmRestore>();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }
    // Clicks Cancelar from inside the copy, when its first events are processed.
    void CancelarDurante(int passagens = 1) {
        auto contador = std::make_shared<int>(0);
        auto* relogio = new QTimer(w.get());
        relogio->setInterval(0);
        connect(relogio, &QTimer::timeout, w.get(), [this, relogio, contador, passagens] {
            if (++*contador < passagens) return;
            relogio->stop();
            QTest::mouseClick(Botao("bbtCancel"), Qt::LeftButton);
        });
        relogio->start();
    }

private slots:
    void init() {
        pasta = std::make_unique<PastaTemporaria>();
        discos = std::make_unique<ConjuntoDiscos>(*pasta, 2);
        grande = ConjuntoDiscos::Dados(60000);
        discos->Arquivo(1, 1, "GRANDE.DAT", grande, {30000, 30000});
        discos->Arquivo(2, 2, "PEQUENO.DAT", "abc", {3});
        TotalBytes = 60003;
        pasta->Escrever("APLIC/GRANDE.DAT", "ANTIGO");
    }
    void cleanup() {
        w.reset();
        discos.reset();
        pasta.reset();
        LiberarListas();
    }

    void ControlesEContadores() {
        Mostrar();
        for (const char* nome : {"bevArqAtual", "bevInfoDisco", "bevInfoArq", "bevInfoBytes"})
            QVERIFY2(Filho<QFrame>(nome), nome);
        QVERIFY(Filho<QProgressBar>("ProgressBar1"));
        QCOMPARE(w->windowTitle(), QStringLiteral("Restaurar Arquivos"));
        QCOMPARE(Filho<QLabel>("lblInfoDisco")->text(), QStringLiteral("Discos: 2"));
        QCOMPARE(Filho<QLabel>("lblInfoArq")->text(), QStringLiteral("Arquivos: 2"));
        QCOMPARE(Filho<QLabel>("lblInfoBytes")->text(), QStringLiteral("Espaço Requerido: 58 KB"));
        QCOMPARE(Botao("bbtInstalar")->text(), QStringLiteral("&Instalar"));
        QCOMPARE(Botao("bbtCancel")->text(), QStringLiteral("&Cancelar"));
        QVERIFY(!Botao("bbtInstalar")->icon().isNull());
        QVERIFY(!Botao("bbtCancel")->icon().isNull());
        QVERIFY(Botao("bbtInstalar")->isDefault());
    }

    // The largest counters an installation can have are read whole in their
    // boxes, before and during the copy.
    void ContadoresCabemNasCaixas() {
        TotalDiscos = 255;
        TotalArquivos = 32767;
        TotalBytes = INT32_MAX;
        Mostrar();
        auto cabe = [](QLabel* l) {
            const int texto = l->fontMetrics().horizontalAdvance(l->text());
            QVERIFY2(texto <= l->contentsRect().width(), qPrintable(l->text()));
            QVERIFY2(l->parentWidget()->rect().contains(l->geometry()), qPrintable(l->text()));
        };
        const auto rotulos = {Filho<QLabel>("lblInfoDisco"), Filho<QLabel>("lblInfoArq"),
                              Filho<QLabel>("lblInfoBytes")};
        for (QLabel* l : rotulos) cabe(l);
        w->Rotulos("Disco 255/255", "Arquivo 32767/32767", "Espaço Requerido: 2097151 KB"_ansi,
                   "Restaurando CLIENTES.DBF (2147483647 bytes) ...");
        for (QLabel* l : rotulos) cabe(l);
    }

    void InstalarRestauraEFechaSemPergunta() {
        RespostaMensagens respostas;
        Mostrar();
        QTest::mouseClick(Botao("bbtInstalar"), Qt::LeftButton);
        QVERIFY(!w->isVisible());
        QVERIFY(w->RestauracaoEncerrada());
        QVERIFY(!InstalacaoCancelada);
        QVERIFY(respostas.Chamadas().empty());
        QVERIFY(Botao("bbtInstalar")->isHidden());
        QCOMPARE(Botao("bbtCancel")->x(), (w->width() - Botao("bbtCancel")->width()) / 2);
        QCOMPARE(Botao("bbtCancel")->property("Tag").toInt(), 1);
        QCOMPARE(pasta->Ler("APLIC/GRANDE.DAT"), grande);
        QCOMPARE(Filho<QLabel>("lblInfoDisco")->text(), QStringLiteral("Disco 2/2"));
        QCOMPARE(Filho<QLabel>("lblArqAtual")->text(), QStringLiteral("Restaurando PEQUENO.DAT (3 bytes) ..."));
    }

    void CancelarDuranteACopia() {
        RespostaMensagens respostas;
        Mostrar();
        CancelarDurante();
        QTest::mouseClick(Botao("bbtInstalar"), Qt::LeftButton);
        QVERIFY(!w->isVisible());
        QVERIFY(InstalacaoCancelada);
        QCOMPARE(Textos(respostas), std::vector<std::string>{interrompida});
        QCOMPARE(respostas.Chamadas()[0].tipo, 5);
        QCOMPARE(Filho<QProgressBar>("ProgressBar1")->value(), 0); // stopped before the next block
        QCOMPARE(pasta->Ler("APLIC/GRANDE.DAT"), std::string("ANTIGO"));
        QVERIFY(!Existe("PEQUENO.DAT"));
    }

    void CancelarAntesDeInstalar() {
        RespostaMensagens respostas;
        respostas.Responder({7, 6});
        Mostrar();
        QTest::mouseClick(Botao("bbtCancel"), Qt::LeftButton);
        QVERIFY(w->isVisible());
        QVERIFY(!InstalacaoCancelada);
        QVERIFY(!Existe("PEQUENO.DAT"));
        QTest::keyClick(w.get(), Qt::Key_Escape); // Esc is Cancelar; now Sim
        QVERIFY(!w->isVisible());
        QVERIFY(InstalacaoCancelada);
        QCOMPARE(Textos(respostas), (std::vector<std::string>{interromper, interromper}));
        QCOMPARE(respostas.Chamadas()[0].tipo, 7);
    }

    // The close box during the run: asked at once, obeyed when the run ends.
    void FecharDuranteARestauracao() {
        for (int resposta : {6, 7}) {
            init();
            RespostaMensagens respostas;
            respostas.Responder(resposta);
            Mostrar();
            bool visivelDepois = false;
            QTimer::singleShot(0, w.get(), [&] {
                w->close();
                visivelDepois = w->isVisible();
            });
            QTest::mouseClick(Botao("bbtInstalar"), Qt::LeftButton);
            QVERIFY(visivelDepois);
            QVERIFY(!w->isVisible());
            QCOMPARE(Textos(respostas), std::vector<std::string>{interromper});
            QCOMPARE(InstalacaoCancelada, resposta == 6);
            QCOMPARE(Existe("PEQUENO.DAT"), resposta != 6);
            cleanup();
        }
    }

    // An error ends the run; the close question follows; "Não" keeps the
    // window with Cancelar alone, which then interrupts.
    void ErroPerguntaAoFechar() {
        RespostaMensagens respostas;
        respostas.Responder({1, 7});
        fs::remove_all(pasta->Host() + "/INST/DISCO.002");
        fs::create_directories(pasta->Host() + "/INST/DISCO.002");
        Mostrar();
        QTest::mouseClick(Botao("bbtInstalar"), Qt::LeftButton);
        QVERIFY(w->isVisible());
        QCOMPARE(respostas.Chamadas().size(), std::size_t(2));
        QCOMPARE(respostas.Chamadas()[0].titulo, std::string("Erro"));
        QVERIFY(respostas.Chamadas()[0].texto.find("ZENTRAVA.002") != std::string::npos);
        QCOMPARE(respostas.Chamadas()[1].texto, interromper);
        QVERIFY(Botao("bbtInstalar")->isHidden());
        QTest::mouseClick(Botao("bbtCancel"), Qt::LeftButton);
        QVERIFY(!w->isVisible());
        QCOMPARE(respostas.Chamadas().back().texto, interrompida);
        QCOMPARE(pasta->Ler("APLIC/GRANDE.DAT"), std::string("ANTIGO"));
    }

    // Cancelar during an extraction sets the extractor's flag: the engine
    // stops at its next report and no later member is written.
    void CancelarDuranteAExtracao() {
        // The archive comes from the disks: only such an archive is extracted.
        CriarZip(pasta->Host() + "/ARQS.ZIP",
                 {{"a.txt", std::string(300000, 'a')}, {"b.txt", "b"}, {"c.txt", "c"}});
        const std::string zip = LerHost(pasta->Host() + "/ARQS.ZIP");
        discos->Arquivo(3, 2, "ARQS.ZIP", zip, {static_cast<int32_t>(zip.size())});
        ArquivosDescompactar = {"item1=@DIRBASE\\ARQS.ZIP"};
        RespostaMensagens respostas;
        Mostrar();
        auto* relogio = new QTimer(w.get());
        relogio->setInterval(0);
        QString visto;
        connect(relogio, &QTimer::timeout, w.get(), [&, relogio] {
            QString t = Filho<QLabel>("lblArqAtual")->text();
            if (!t.startsWith("Descompactando")) return;
            relogio->stop();
            visto = t;
            QTest::mouseClick(Botao("bbtCancel"), Qt::LeftButton);
        });
        relogio->start();
        QTest::mouseClick(Botao("bbtInstalar"), Qt::LeftButton);
        QCOMPARE(visto, QStringLiteral("Descompactando a.txt ..."));
        QVERIFY(!w->isVisible());
        QVERIFY(InstalacaoCancelada);
        QVERIFY(!Existe("b.txt"));
        QVERIFY(!Existe("c.txt"));
        QCOMPARE(Textos(respostas), std::vector<std::string>{interrompida});
    }

    void Destaque() {
        Mostrar();
        const QColor verde(0, 255, 0), vermelho(255, 0, 0), preto(Qt::black);
        QTest::mouseMove(Botao("bbtInstalar"));
        QTRY_COMPARE(Cor(Botao("bbtInstalar")), verde);
        QCOMPARE(Cor(Botao("bbtCancel")), preto);
        QTest::mouseMove(Botao("bbtCancel"));
        QTRY_COMPARE(Cor(Botao("bbtCancel")), vermelho);
        QCOMPARE(Cor(Botao("bbtInstalar")), preto);
        QTest::mouseMove(Filho<QProgressBar>("ProgressBar1"));
        QTRY_COMPARE(Cor(Botao("bbtCancel")), preto);
        QCOMPARE(Cor(Botao("bbtInstalar")), preto);
    }
};

QTEST_MAIN(TesteRestore)
#include "test_mRestore.moc"
