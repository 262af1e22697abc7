// Pictures of the folder dialog (ctest -L screens).
#include "Arquivos.h"
#include "Galeria.h"
#include "Janela1252.h"
#include "PastaTemporaria.h"
#include "Texto1252.h"
#include "Unidades.h"
#include "fDirsel.h"

#include <QTest>

#include <filesystem>

using namespace plataforma::literais;
namespace fs = std::filesystem;

class GaleriaDirSel : public QObject {
    Q_OBJECT
private slots:
    void pastas_data();
    void pastas();
};

void GaleriaDirSel::pastas_data() {
    QTest::addColumn<QByteArray>("titulo"); // Windows-1252 bytes
    QTest::addColumn<QByteArray>("inicial");
    auto B = [](const std::string& s) { return QByteArray::fromStdString(s); };
    QTest::newRow("fDirsel_mensagens")
        << B("Informe o Caminho da Pasta de Mensagens"_ansi) << B("C:\\Rede\\Salas\\Vendas"_ansi);
    QTest::newRow("fDirsel_raiz") << B("Selecione o Diretório/Pasta"_ansi) << B("C:\\"_ansi);
}

void GaleriaDirSel::pastas() {
    QFETCH(QByteArray, titulo);
    QFETCH(QByteArray, inicial);
    PastaTemporaria temporaria;
    const fs::path home = fs::path(temporaria.Host()) / "home";
    fs::create_directory(home);
    plataforma::TabelaUnidades t = plataforma::Unidades(); // keeps Z: = /
    t.raizes['A'] = (fs::path(temporaria.Host()) / "sem-disco").string();
    t.raizes['C'] = home.string();
    plataforma::DefinirUnidades(t);
    // Made as the programs make them, so the names carry the programs' bytes.
    for (const std::string& p :
         {"C:\\Rede\\Salas\\Vendas\\Arquivo Morto"_ansi, "C:\\Rede\\Salas\\Vendas\\Relatórios"_ansi,
          "C:\\Rede\\Salas\\Vendas\\clientes"_ansi, "C:\\Rede\\Salas\\Compras"_ansi,
          "C:\\Aplicativos"_ansi, "C:\\Documentos"_ansi, "C:\\Falavox"_ansi})
        QVERIFY(plataforma::CriarPasta(p));

    TfrmDirSel d;
    d.Iniciar(inicial.toStdString());
    d.setWindowTitle(ParaQString(titulo.toStdString()));
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QVERIFY(SalvarJanela(&d, QTest::currentDataTag()));
}

QTEST_MAIN(GaleriaDirSel)
#include "galeria_fDirsel.moc"
