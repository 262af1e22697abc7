#include "Arquivos.h"
#include "DialogoModal.h"
#include "Janela1252.h"
#include "PastaTemporaria.h"
#include "Texto1252.h"
#include "Unidades.h"
#include "fDirsel.h"
#include "fMsgdlg.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include <filesystem>

using namespace plataforma::literais;
namespace fs = std::filesystem;

namespace {

QListWidget* Lista(QWidget* d) {
    return d->findChild<QListWidget*>("dlsPastas");
}
QComboBox* Unidade(QWidget* d) {
    return d->findChild<QComboBox*>("dcbDrive");
}
QPushButton* Botao(QWidget* d, const char* nome) {
    return d->findChild<QPushButton*>(nome);
}

QStringList Itens(QWidget* d) {
    QStringList r;
    for (int i = 0; i < Lista(d)->count(); ++i)
        r << Lista(d)->item(i)->text();
    return r;
}

QListWidgetItem* Item(QWidget* d, const QString& texto) {
    auto achados = Lista(d)->findItems(texto, Qt::MatchExactly);
    return achados.isEmpty() ? nullptr : achados.first();
}

// QTest::mouseDClick on a widget delivers no double-click event in Qt 6.4;
// these are the events a real double-click sends.
void DuploClique(QWidget* w, QPoint ponto) {
    const QPointF local(ponto), global(w->mapToGlobal(ponto));
    for (QEvent::Type tipo : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                              QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        const Qt::MouseButtons botoes =
            tipo == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
        QMouseEvent e(tipo, local, global, Qt::LeftButton, botoes, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
}

QString Faixa(QWidget* d) {
    return d->findChild<QLabel*>("panPastaAtual")->text();
}

bool Mesma(const std::string& a, const std::string& b) {
    return plataforma::IguaisSemCaixa(a, b);
}

// C:\Dados\Cartas with three subfolders, a file, a hidden folder and a link.
void MontarArvore(const PastaTemporaria& c) {
    const fs::path cartas = fs::path(c.Host()) / "Dados" / "Cartas";
    for (const char* n : {"gama", "Alfa", "beta", ".oculta"})
        fs::create_directories(cartas / n);
    c.Escrever("Dados/Cartas/nota.txt", "x");
    c.Escrever("Dados/Outra/y.txt", "y");
    fs::create_directory_symlink(fs::path(c.Host()) / "Dados" / "Outra", cartas / "elo");
}

struct Escolha {
    bool confirmado = true;
    std::string pasta = "sobra";
};

// EscolherPasta with `acao` run on the dialog while it is shown.
Escolha Escolher(const std::string& inicial, std::function<void(TfrmDirSel*)> acao) {
    Escolha r;
    auto feito = AoAbrirDialogo<TfrmDirSel>(std::move(acao));
    EscolherPasta("Informe o Caminho da Pasta de Mensagens", inicial, r.confirmado, r.pasta);
    if (!*feito) qWarning("the folder dialog was not shown");
    return r;
}

} // namespace

class TestFDirsel : public QObject {
    Q_OBJECT
private slots:
    void listaMostraCaminhoESubpastas();
    void pastaInicialInexistenteMostraAAtual();
    void okDevolveMinusculasSemBarraFinal();
    void raizGuardaABarraENaoRenomeiaNemExclui();
    void cancelarDepoisDeCriarDevolveVazio();
    void criarFalhaComMensagem();
    void renomear();
    void excluir();
    void excluirQueFalhaAvisa();
    void unidadeNaoProntaPerguntaEVolta();
    void unidadeNaoProntaTentaDeNovo();
    void enterNaListaAbreEnterForaConfirma();
    void pastaQueSumiuAoAbrir();
};

void TestFDirsel::listaMostraCaminhoESubpastas() {
    PastaTemporaria c;
    MontarArvore(c);
    TfrmDirSel d;
    d.Iniciar("c:\\dados\\cartas");
    // The path from the root, then the subfolders without files, hidden ones or links.
    QCOMPARE(Itens(&d), QStringList({"c:\\", "Dados", "Cartas", "Alfa", "beta", "gama"}));
    QCOMPARE(Lista(&d)->currentItem()->text(), QString("Cartas"));
    QCOMPARE(Faixa(&d), QString(" c:\\dados\\cartas"));
    QVERIFY(Mesma(plataforma::PastaAtual(), "C:\\Dados\\Cartas"));
    QCOMPARE(Unidade(&d)->count(), 2);
    QVERIFY(Unidade(&d)->currentText().startsWith("c: ["));
    QVERIFY(Unidade(&d)->itemText(1).startsWith("z: [/]"));
}

void TestFDirsel::pastaInicialInexistenteMostraAAtual() {
    PastaTemporaria c;
    MontarArvore(c);
    QVERIFY(plataforma::DefinirPastaAtual("C:\\Dados"));
    RespostaMensagens resposta;
    TfrmDirSel d;
    d.Iniciar("C:\\Dados\\Nada");
    QVERIFY(resposta.Chamadas().empty());
    QVERIFY(Mesma(d.PastaMostrada(), "C:\\Dados"));
    QCOMPARE(Itens(&d), QStringList({"c:\\", "Dados", "Cartas", "Outra"}));
}

void TestFDirsel::okDevolveMinusculasSemBarraFinal() {
    PastaTemporaria c;
    MontarArvore(c);
    QString titulo;
    Escolha r = Escolher("C:\\DADOS\\Cartas\\", [&](TfrmDirSel* d) {
        titulo = d->windowTitle();
        Botao(d, "bbtOk")->click();
    });
    QCOMPARE(titulo, QString("Informe o Caminho da Pasta de Mensagens"));
    QVERIFY(r.confirmado);
    QCOMPARE(r.pasta, std::string("c:\\dados\\cartas"));
}

void TestFDirsel::raizGuardaABarraENaoRenomeiaNemExclui() {
    PastaTemporaria c;
    MontarArvore(c);
    RespostaMensagens resposta;
    Escolha r = Escolher("C:\\", [](TfrmDirSel* d) {
        d->sbtRenPastaClick();
        d->sbtDelPastaClick();
        QCOMPARE(Itens(d), QStringList({"c:\\", "Dados"}));
        d->bbtOkClick();
    });
    QVERIFY(resposta.Chamadas().empty());
    QVERIFY(c.Existe("Dados/Cartas/nota.txt"));
    QVERIFY(r.confirmado);
    QCOMPARE(r.pasta, std::string("c:\\"));
}

void TestFDirsel::cancelarDepoisDeCriarDevolveVazio() {
    PastaTemporaria c;
    MontarArvore(c);
    RespostaMensagens resposta;
    resposta.ResponderValor("Nova Pasta");
    resposta.ResponderValor("Outro Nome");
    Escolha r = Escolher("C:\\Dados", [](TfrmDirSel* d) {
        d->sbtCriarPastaClick();
        QVERIFY(d->isVisible());
        QCOMPARE(Itens(d), QStringList({"c:\\", "Dados", "Cartas", "Nova Pasta", "Outra"}));
        QCOMPARE(Lista(d)->currentItem()->text(), QString("Dados"));
        Lista(d)->setCurrentItem(Item(d, "Nova Pasta"));
        emit Lista(d)->itemActivated(Lista(d)->currentItem());
        d->sbtRenPastaClick();
        Teclar(d, Qt::Key_Escape);
    });
    QCOMPARE(resposta.Chamadas().size(), std::size_t(2));
    QCOMPARE(resposta.Chamadas()[0].titulo, std::string("Criar Pasta"));
    QCOMPARE(resposta.Chamadas()[0].texto, std::string("Informe um nome para esta pasta."));
    QCOMPARE(resposta.Chamadas()[0].valor, std::string("Nova Pasta"));
    QVERIFY(c.Existe("Dados/Outro Nome"));
    QVERIFY(!r.confirmado);
    QCOMPARE(r.pasta, std::string());
}

void TestFDirsel::criarFalhaComMensagem() {
    PastaTemporaria c;
    MontarArvore(c);
    TfrmDirSel d;
    d.Iniciar("C:\\Dados\\Cartas");
    RespostaMensagens resposta;
    // Existing in other case, a file's name, Windows-forbidden characters, nothing,
    // a missing parent.
    const std::vector<std::string> ruins = {"ALFA", "nota.txt", "a*b", "a/b", "a:b", "", "x\\y"};
    for (const auto& nome : ruins)
        resposta.ResponderValor(nome);
    for (std::size_t i = 0; i < ruins.size(); ++i)
        d.sbtCriarPastaClick();
    QCOMPARE(resposta.Chamadas().size(), 2 * ruins.size());
    for (std::size_t i = 1; i < resposta.Chamadas().size(); i += 2) {
        QCOMPARE(resposta.Chamadas()[i].titulo, std::string("Erro"));
        QCOMPARE(resposta.Chamadas()[i].texto, std::string("Erro ao tentar criar esta pasta."));
        QCOMPARE(resposta.Chamadas()[i].tipo, 6);
    }
    QCOMPARE(Itens(&d), QStringList({"c:\\", "Dados", "Cartas", "Alfa", "beta", "gama"}));

    // A full path creates the folder there; the current folder stays.
    resposta.ResponderValor("C:\\Dados\\Novaç"_ansi);
    d.sbtCriarPastaClick();
    QCOMPARE(resposta.Chamadas().size(), 2 * ruins.size() + 1);
    QVERIFY(plataforma::PastaExiste("C:\\Dados\\Novaç"_ansi));
    QVERIFY(Mesma(d.PastaMostrada(), "C:\\Dados\\Cartas"));
}

void TestFDirsel::renomear() {
    PastaTemporaria c;
    MontarArvore(c);
    TfrmDirSel d;
    d.Iniciar("C:\\Dados\\Cartas");
    RespostaMensagens resposta;

    resposta.ResponderValor("CARTAS"); // case alone: nothing happens
    d.sbtRenPastaClick();
    QCOMPARE(resposta.Chamadas().size(), std::size_t(1));
    QCOMPARE(resposta.Chamadas()[0].titulo, std::string("Renomear Pasta"));
    QCOMPARE(resposta.Chamadas()[0].texto, std::string("Informe um novo nome para esta pasta."));
    QCOMPARE(resposta.Chamadas()[0].valor, std::string("Cartas"));
    QVERIFY(fs::exists(fs::path(c.Host()) / "Dados" / "Cartas"));

    resposta.ResponderValor("Velhas");
    d.sbtRenPastaClick();
    QCOMPARE(resposta.Chamadas().size(), std::size_t(2));
    QVERIFY(c.Existe("Dados/Velhas/nota.txt") && !c.Existe("Dados/Cartas"));
    QVERIFY(Mesma(d.PastaMostrada(), "C:\\Dados\\Velhas"));
    QVERIFY(Mesma(plataforma::PastaAtual(), "C:\\Dados\\Velhas"));
    QCOMPARE(Lista(&d)->currentItem()->text(), QString("Velhas"));
    QCOMPARE(Faixa(&d), QString(" c:\\dados\\velhas"));

    // Onto a sibling, or out of the parent through a path: refused.
    for (const char* ruim : {"Outra", "..\\Fora", "a|b"}) {
        resposta.ResponderValor(ruim);
        d.sbtRenPastaClick();
        QCOMPARE(resposta.Chamadas().back().texto,
                 std::string("Erro ao tentar renomear esta pasta."));
        QCOMPARE(resposta.Chamadas().back().tipo, 6);
    }
    QVERIFY(c.Existe("Dados/Velhas/nota.txt") && c.Existe("Dados/Outra/y.txt"));
    QVERIFY(!c.Existe("Fora"));
    QVERIFY(Mesma(d.PastaMostrada(), "C:\\Dados\\Velhas"));
}

void TestFDirsel::excluir() {
    PastaTemporaria c;
    MontarArvore(c);
    fs::remove(fs::path(c.Host()) / "Dados" / "Cartas" / "elo");
    c.Escrever("Dados/Cartas/Alfa/fundo/z.txt", "z");
    fs::permissions(fs::path(c.Host()) / "Dados/Cartas/nota.txt", fs::perms::owner_read);
    TfrmDirSel d;
    d.Iniciar("C:\\Dados\\Cartas");
    RespostaMensagens resposta;

    resposta.Responder(mrNo);
    d.sbtDelPastaClick();
    QCOMPARE(resposta.Chamadas().size(), std::size_t(1));
    QCOMPARE(resposta.Chamadas()[0].titulo, "Atenção"_ansi);
    QCOMPARE(resposta.Chamadas()[0].texto,
             std::string("Deseja realmente excluir a pasta Cartas ???"));
    QCOMPARE(resposta.Chamadas()[0].tipo, 7);
    QVERIFY(c.Existe("Dados/Cartas/nota.txt"));
    QVERIFY(Mesma(d.PastaMostrada(), "C:\\Dados\\Cartas"));

    resposta.Responder(mrYes);
    d.sbtDelPastaClick();
    QCOMPARE(resposta.Chamadas().size(), std::size_t(2));
    QVERIFY(!c.Existe("Dados/Cartas"));
    QVERIFY(Mesma(d.PastaMostrada(), "C:\\Dados"));
    QVERIFY(Mesma(plataforma::PastaAtual(), "C:\\Dados"));
    QCOMPARE(Itens(&d), QStringList({"c:\\", "Dados", "Outra"}));
}

void TestFDirsel::excluirQueFalhaAvisa() {
    PastaTemporaria c;
    MontarArvore(c);
    c.Escrever("Dados/Cartas/Alfa/guardado.txt", "g");
    // Another drive's root inside the tree is never entered, so it stays.
    plataforma::TabelaUnidades t = plataforma::Unidades();
    t.raizes['D'] = (fs::path(c.Host()) / "Dados" / "Cartas" / "Alfa").string();
    plataforma::DefinirUnidades(t);
    TfrmDirSel d;
    d.Iniciar("C:\\Dados\\Cartas");
    RespostaMensagens resposta;
    resposta.Responder(mrYes);
    d.sbtDelPastaClick();
    QCOMPARE(resposta.Chamadas().size(), std::size_t(2));
    QCOMPARE(resposta.Chamadas()[1].titulo, std::string("Erro"));
    QCOMPARE(resposta.Chamadas()[1].texto, std::string("Erro ao tentar excluir esta pasta."));
    QCOMPARE(resposta.Chamadas()[1].tipo, 6);
    QVERIFY(c.Existe("Dados/Cartas/Alfa/guardado.txt"));
    QVERIFY(Mesma(d.PastaMostrada(), "C:\\Dados"));
    QCOMPARE(Itens(&d), QStringList({"c:\\", "Dados", "Cartas", "Outra"}));
}

void TestFDirsel::unidadeNaoProntaPerguntaEVolta() {
    PastaTemporaria c;
    MontarArvore(c);
    plataforma::TabelaUnidades t;
    t.raizes['C'] = c.Host();
    t.raizes['D'] = c.Host() + "/falta";
    plataforma::DefinirUnidades(t);
    TfrmDirSel d;
    d.Iniciar("C:\\Dados");
    RespostaMensagens resposta;
    resposta.Responder({mrYes, mrNo});
    Unidade(&d)->setCurrentIndex(1);
    d.dcbDriveChange();
    QCOMPARE(resposta.Chamadas().size(), std::size_t(2));
    for (const auto& ch : resposta.Chamadas()) {
        QCOMPARE(ch.titulo, std::string("Erro"));
        QCOMPARE(ch.texto, "Drive d: não está disponível. Deseja tentar de novo ???"_ansi);
        QCOMPARE(ch.tipo, 10);
    }
    QVERIFY(Unidade(&d)->currentText().startsWith("c:"));
    QVERIFY(Mesma(d.PastaMostrada(), "C:\\Dados"));
    QVERIFY(Mesma(plataforma::PastaAtual(), "C:\\Dados"));
}

void TestFDirsel::unidadeNaoProntaTentaDeNovo() {
    PastaTemporaria c;
    plataforma::TabelaUnidades t;
    t.raizes['C'] = c.Host();
    t.raizes['D'] = c.Host() + "/disco";
    plataforma::DefinirUnidades(t);
    TfrmDirSel d;
    d.Iniciar("C:\\");
    // The real question: the disk goes in, then "&Sim".
    auto feito = AoAbrirDialogo<TfrmMsgDlg>([&](TfrmMsgDlg* m) {
        fs::create_directories(c.Host() + "/disco/Falavox");
        Botao(m, "bbtSim")->click();
    });
    Unidade(&d)->setCurrentIndex(1);
    d.dcbDriveChange();
    QVERIFY(*feito);
    QCOMPARE(Itens(&d), QStringList({"d:\\", "Falavox"}));
    QCOMPARE(Faixa(&d), QString(" d:\\"));
    QVERIFY(Unidade(&d)->currentText().startsWith("d:"));
}

void TestFDirsel::enterNaListaAbreEnterForaConfirma() {
    PastaTemporaria c;
    MontarArvore(c);
    Escolha r = Escolher("C:\\Dados\\Cartas", [](TfrmDirSel* d) {
        d->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(d));
        QCOMPARE(d->focusWidget(), Lista(d));
        QVERIFY(!Botao(d, "bbtOk")->isDefault());

        Lista(d)->setCurrentItem(Item(d, "Dados")); // up by a double-click
        DuploClique(Lista(d)->viewport(), Lista(d)->visualItemRect(Item(d, "Dados")).center());
        QVERIFY(Mesma(d->PastaMostrada(), "C:\\Dados"));

        Lista(d)->setCurrentItem(Item(d, "Cartas")); // down by Enter
        Teclar(d, Qt::Key_Return);
        Lista(d)->setCurrentItem(Item(d, "beta"));
        Teclar(d, Qt::Key_Enter);
        QVERIFY(d->isVisible());
        QVERIFY(Mesma(d->PastaMostrada(), "C:\\Dados\\Cartas\\beta"));

        Unidade(d)->setFocus();
        QVERIFY(Botao(d, "bbtOk")->isDefault());
        Teclar(d, Qt::Key_Return);
    });
    QVERIFY(r.confirmado);
    QCOMPARE(r.pasta, std::string("c:\\dados\\cartas\\beta"));
}

void TestFDirsel::pastaQueSumiuAoAbrir() {
    PastaTemporaria c;
    MontarArvore(c);
    TfrmDirSel d;
    d.Iniciar("C:\\Dados\\Cartas");
    fs::remove(fs::path(c.Host()) / "Dados" / "Cartas" / "beta");
    RespostaMensagens resposta;
    emit Lista(&d)->itemActivated(Item(&d, "beta"));
    QCOMPARE(resposta.Chamadas().size(), std::size_t(1));
    QCOMPARE(resposta.Chamadas()[0].texto, "Este diretório (pasta) não está mais disponível."_ansi);
    QCOMPARE(Itens(&d), QStringList({"c:\\", "Dados", "Cartas", "Alfa", "gama"}));
    QVERIFY(Mesma(d.PastaMostrada(), "C:\\Dados\\Cartas"));
}

QTEST_MAIN(TestFDirsel)
#include "test_fDirsel.moc"
