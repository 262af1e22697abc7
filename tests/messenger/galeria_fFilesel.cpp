// Pictures of the file chooser (ctest -L screens).
#include "Arquivos.h"
#include "Galeria.h"
#include "PastaTemporaria.h"
#include "Texto1252.h"
#include "Unidades.h"
#include "fFilesel.h"

#include <QLinearGradient>
#include <QListWidget>
#include <QPainter>
#include <QTest>

#include <filesystem>

using namespace plataforma::literais;
namespace fs = std::filesystem;

namespace {

// A home drive with the folders and files a user of the messenger would have.
void MontarDisco(const PastaTemporaria& temporaria) {
    const fs::path home = fs::path(temporaria.Host()) / "home";
    fs::create_directory(home);
    plataforma::TabelaUnidades t = plataforma::Unidades(); // keeps Z: = /
    t.raizes['C'] = home.string();
    plataforma::DefinirUnidades(t);
    for (const std::string& p :
         {"C:\\Documentos\\Logs\\2024"_ansi, "C:\\Documentos\\Logs\\Antigos"_ansi,
          "C:\\Documentos\\Fotos\\Férias"_ansi, "C:\\Falavox"_ansi})
        QVERIFY(plataforma::CriarPasta(p));
    for (const std::string& a :
         {"C:\\Documentos\\Logs\\recebidas.txt"_ansi, "C:\\Documentos\\Logs\\enviadas.txt"_ansi,
          "C:\\Documentos\\Logs\\Reunião de Vendas.TXT"_ansi,
          "C:\\Documentos\\Logs\\leia-me.doc"_ansi, "C:\\Documentos\\Fotos\\notas.txt"_ansi})
        QVERIFY(plataforma::CriarArquivoVazio(a));
}

// A small landscape: sky, sun, sea and sand.
void DesenharPraia(const std::string& host) {
    QImage foto(320, 240, QImage::Format_RGB32);
    QPainter p(&foto);
    QLinearGradient ceu(0, 0, 0, 150);
    ceu.setColorAt(0, QColor(70, 130, 210));
    ceu.setColorAt(1, QColor(190, 220, 250));
    p.fillRect(0, 0, 320, 150, ceu);
    p.setBrush(QColor(255, 210, 60));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPoint(240, 60), 28, 28);
    p.fillRect(0, 150, 320, 50, QColor(20, 90, 160));
    p.fillRect(0, 200, 320, 40, QColor(230, 200, 140));
    p.end();
    QVERIFY(foto.save(QString::fromStdString(host), "PNG"));
}

void Fotografar(TfrmFileSel& d, const QString& nome) {
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QVERIFY(SalvarJanela(&d, nome));
}

} // namespace

class GaleriaFileSel : public QObject {
    Q_OBJECT
private slots:
    void salvar();
    void abrirComImagem();
};

void GaleriaFileSel::salvar() {
    PastaTemporaria temporaria;
    MontarDisco(temporaria);
    TfrmFileSel d;
    d.Iniciar("Salvar Mensagens Recebidas", modoSalvar, semVisualizacao, 0,
              "Arquivo Texto (*.txt)|*.txt", "C:\\Documentos\\Logs\\");
    Fotografar(d, "fFilesel_salvar");
}

void GaleriaFileSel::abrirComImagem() {
    PastaTemporaria temporaria;
    MontarDisco(temporaria);
    DesenharPraia(temporaria.Host() + "/home/Documentos/Fotos/praia.png");
    DesenharPraia(temporaria.Host() + "/home/Documentos/Fotos/Pôr do sol.png");
    TfrmFileSel d;
    d.Iniciar("Abrir Imagem", modoAbrir, visualizarImagem, 0,
              "Imagens (*.png;*.bmp)|*.png;*.bmp|Todos os Arquivos (*.*)|*.*",
              "C:\\Documentos\\Fotos\\");
    d.show();
    auto* lista = d.findChild<QListWidget*>("flsArquivos");
    QVERIFY(!lista->findItems("praia.png", Qt::MatchExactly).isEmpty());
    lista->setCurrentItem(lista->findItems("praia.png", Qt::MatchExactly).first());
    Fotografar(d, "fFilesel_abrir_imagem");
}

QTEST_MAIN(GaleriaFileSel)
#include "galeria_fFilesel.moc"
