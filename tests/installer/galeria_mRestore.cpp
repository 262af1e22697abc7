// Pictures of the restore window (ctest -L screens): waiting, copying a file
// with its bar, and extracting, taken from a real run.
#include "ApoioZip.h"
#include "ConjuntoDiscos.h"
#include "Galeria.h"
#include "PastaTemporaria.h"
#include "fMsgdlg.h"
#include "mRestore.h"
#include "mSetuplb.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>

class GaleriaRestore : public QObject {
    Q_OBJECT
private slots:
    void estados() {
        PastaTemporaria pasta;
        ConjuntoDiscos discos(pasta, 3);
        discos.Arquivo(1, 1, "@DIRBASE\\DADOS\\CLIENTES.DBF", ConjuntoDiscos::Dados(200000),
                       {80000, 120000});
        // Events between runs of reads, the second of them at 25 %.
        intervaloEventos = {};
        discos.Arquivo(2, 2, "SISTEMA.EXE", ConjuntoDiscos::Dados(1024000), {512000, 512000});
        TotalBytes = 1830400;
        // The archive comes from the disks: only such an archive is extracted.
        CriarZip(pasta.Host() + "/AJUDA.ZIP", {{"AJUDA/MANUAL.TXT", std::string(400000, 'm')}});
        const std::string zip = LerHost(pasta.Host() + "/AJUDA.ZIP");
        discos.Arquivo(3, 3, "AJUDA.ZIP", zip, {static_cast<int32_t>(zip.size())});
        ArquivosDescompactar = {"item1=@DIRBASE\\AJUDA.ZIP"};
        RespostaMensagens respostas;

        TfrmRestore w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(SalvarJanela(&w, "mRestore_esperando"));

        auto* bar = w.findChild<QProgressBar*>("ProgressBar1");
        auto* atual = w.findChild<QLabel*>("lblArqAtual");
        bool copiando = false, extraindo = false;
        QTimer relogio;
        relogio.setInterval(0);
        connect(&relogio, &QTimer::timeout, &w, [&] {
            if (!copiando && atual->text().startsWith("Restaurando SISTEMA") && bar->value() >= 20 && bar->value() < 30)
                copiando = SalvarJanela(&w, "mRestore_copiando");
            if (!extraindo && atual->text().startsWith("Descompactando") && bar->value() >= 4)
                extraindo = SalvarJanela(&w, "mRestore_extraindo");
        });
        relogio.start();
        QTest::mouseClick(w.findChild<QPushButton*>("bbtInstalar"), Qt::LeftButton);
        QVERIFY(copiando);
        QVERIFY(extraindo);
        LiberarListas();
    }
};

QTEST_MAIN(GaleriaRestore)
#include "galeria_mRestore.moc"
