#include "mDefpast.h"

#include "Configuracao.h"
#include "DialogoModal.h"
#include "InteracaoRoteirizada.h"
#include "PastaTemporaria.h"
#include "Texto1252.h"
#include "fDirsel.h"
#include "fMsgdlg.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include <memory>

using namespace plataforma::literais;

namespace {
const std::string duasPastas =
    "[Pastas de Mensagens]\r\nVENDAS=f:\\mensagens\\vendas\\\r\nSUPORTE=f:\\suporte\\\r\n"
    "[Logon]\r\nUsuario=JOAO\r\nCriar Pasta Automaticamente=1\r\n";
}

class TesteDefPastas : public QObject {
    Q_OBJECT

    std::unique_ptr<PastaTemporaria> tmp;
    std::unique_ptr<RespostaMensagens> mensagens;
    std::unique_ptr<RespostaPasta> pastas;
    std::unique_ptr<TfrmDefPastas> frm;
    const std::string ini = "c:\\falv.ini";
    Sessao s;

    void Abrir(const std::string& arquivo) {
        tmp->Escrever("falv.ini", arquivo);
        frm = std::make_unique<TfrmDefPastas>(s, ini);
        frm->show();
    }
    QTableWidget* Grid() { return frm->findChild<QTableWidget*>("StrGrid1"); }
    QPushButton* Botao(const char* nome) { return frm->findChild<QPushButton*>(nome); }
    QCheckBox* Caixa() { return frm->findChild<QCheckBox*>("cbxCriarPasta"); }
    QString Celula(int linha, int coluna) {
        auto* item = Grid()->item(linha, coluna);
        return item ? item->text() : QString();
    }
    std::vector<std::string> Lidas() {
        Sessao lida;
        InteracaoRoteirizada ui;
        CarregarConfiguracao(lida, ini, false, ui);
        return lida.nomesPastas;
    }
    void Incluir(const std::string& nome, const std::string& pasta) {
        mensagens->ResponderValor(nome);
        pastas->Escolher(pasta);
        Botao("btnIncluir")->click();
    }

private slots:
    void init() {
        tmp = std::make_unique<PastaTemporaria>();
        mensagens = std::make_unique<RespostaMensagens>();
        pastas = std::make_unique<RespostaPasta>();
        s = Sessao{};
    }
    void cleanup() {
        frm.reset();
        pastas.reset();
        mensagens.reset();
        tmp.reset();
    }

    // Enter on a focused button presses that button, never "&OK": the edits
    // reach falv.ini only through "&OK".
    void EnterNoBotaoComFocoApertaEsseBotao() {
        Abrir(duasPastas);
        frm->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frm.get()));
        auto enter = [&](const char* botao) {
            Botao(botao)->setFocus();
            QCOMPARE(frm->focusWidget(), static_cast<QWidget*>(Botao(botao)));
            Teclar(frm.get(), Qt::Key_Return);
        };
        mensagens->ResponderValor("NOVA");
        pastas->Escolher("c:\\nova");
        enter("btnIncluir");
        QCOMPARE(s.nomesPastas, (std::vector<std::string>{"VENDAS", "SUPORTE", "NOVA"}));
        QVERIFY(frm->isVisible());
        mensagens->Responder(mrNo);
        enter("btnExcluir");
        QCOMPARE(mensagens->Chamadas().back().texto, std::string("Deseja realmente excluir esta pasta da lista ???"));
        enter("btnEditar"); // its prompt, cancelled
        QCOMPARE(mensagens->Chamadas().back().texto, std::string("Informe o nome para esta pasta."));
        QCOMPARE(s.nomesPastas.size(), 3u);
        QCOMPARE(Lidas(), (std::vector<std::string>{"VENDAS", "SUPORTE"}));
        enter("bbtCancel");
        QVERIFY(!frm->isVisible());
        QCOMPARE(Lidas(), (std::vector<std::string>{"VENDAS", "SUPORTE"}));
        QCOMPARE(s.nomesPastas, (std::vector<std::string>{"VENDAS", "SUPORTE"}));

        // On the grid Enter is "&OK".
        Abrir(duasPastas);
        frm->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frm.get()));
        Incluir("OUTRA", "c:\\outra");
        Grid()->setFocus();
        Teclar(frm.get(), Qt::Key_Return);
        QVERIFY(!frm->isVisible());
        QCOMPARE(Lidas(), (std::vector<std::string>{"VENDAS", "SUPORTE", "OUTRA"}));
    }

    void MostrarRecarregaDoArquivoEPreencheOGrid() {
        s.nomesPastas = {"SO NA MEMORIA"};
        s.caminhosPastas = {"c:\\x\\"};
        s.criarAutomatico = false;
        Abrir(duasPastas);
        QCOMPARE(frm->windowTitle(), QString("Pastas de Mensagens"));
        QCOMPARE(s.nomesPastas, (std::vector<std::string>{"VENDAS", "SUPORTE"}));
        QCOMPARE(s.usuario, std::string()); // the Logon section is not read here
        QVERIFY(!s.criarAutomatico);
        QVERIFY(!Caixa()->isChecked());

        QCOMPARE(Grid()->rowCount(), 2);
        QCOMPARE(Grid()->columnCount(), 3);
        QCOMPARE(Grid()->horizontalHeaderItem(0)->text(), QString("Num#"));
        QCOMPARE(Grid()->horizontalHeaderItem(2)->text(), QString("Caminho"));
        QCOMPARE(Celula(0, 0), QString("00001"));
        QCOMPARE(Celula(1, 0), QString("00002"));
        QCOMPARE(Celula(1, 1), QString("SUPORTE"));
        QCOMPARE(Celula(0, 2), QString("f:\\mensagens\\vendas\\"));
        QVERIFY(Botao("btnExcluir")->isEnabled());
        QVERIFY(Caixa()->isEnabled());
    }

    void ListaVaziaMostraUmaLinhaVaziaEDesabilita() {
        Abrir("");
        QCOMPARE(Grid()->rowCount(), 1);
        QCOMPARE(Celula(0, 1), QString());
        QVERIFY(!Botao("btnExcluir")->isEnabled());
        QVERIFY(!Botao("btnEditar")->isEnabled());
        QVERIFY(!Caixa()->isEnabled());
        QVERIFY(Botao("btnIncluir")->isEnabled());
        emit Grid()->cellDoubleClicked(0, 0); // editing nothing asks nothing
        QVERIFY(mensagens->Chamadas().empty());
    }

    void IncluirCortaONomeERecusaRepetido() {
        Abrir(duasPastas);
        mensagens->ResponderValor("vendas");
        mensagens->ResponderValor("Vendas do Setor Financeiro");
        pastas->Escolher("c:\\mensagens\\financeiro");
        Botao("btnIncluir")->click();

        const auto& ch = mensagens->Chamadas();
        QCOMPARE(ch.size(), std::size_t(3));
        QCOMPARE(ch[0].titulo, std::string("Incluir Pasta de Mensagens"));
        QCOMPARE(ch[0].texto, std::string("Informe o nome para esta pasta."));
        QCOMPARE(ch[0].valor, std::string("Nova Pasta"));
        QCOMPARE(ch[1].texto, "Pasta de Mensagens já cadastrada."_ansi);
        QCOMPARE(ch[1].tipo, 6);
        QCOMPARE(ch[2].valor, std::string("Nova Pasta"));
        QCOMPARE(pastas->Chamadas().at(0).titulo,
                 std::string("Informe o Caminho da Pasta de Mensagens"));
        QCOMPARE(pastas->Chamadas().at(0).pastaInicial, PastaDoPrograma());

        QCOMPARE(s.nomesPastas.back(), std::string("VENDAS DO SETOR"));
        QCOMPARE(s.caminhosPastas.back(), std::string("c:\\mensagens\\financeiro\\"));
        QCOMPARE(Grid()->rowCount(), 3);
        QCOMPARE(Grid()->currentRow(), 2);
        QCOMPARE(Celula(2, 0), QString("00003"));
        QCOMPARE(Lidas().size(), std::size_t(2)); // nothing written before OK
    }

    void IncluirSemEscolherUsaAPastaDoPrograma_ERaizGuardaUmaBarra() {
        Abrir("");
        mensagens->ResponderValor("Sem Caminho");
        pastas->Cancelar();
        Botao("btnIncluir")->click();
        Incluir("Raiz", "c:\\");
        QCOMPARE(s.caminhosPastas, (std::vector<std::string>{PastaDoPrograma(), "c:\\"}));
        QVERIFY(Botao("btnEditar")->isEnabled());

        // A name the file could not give back is refused and asked again.
        mensagens->ResponderValor("   ");
        mensagens->ResponderValor("A=B");
        mensagens->CancelarValor();
        Botao("btnIncluir")->click();
        QCOMPARE(s.nomesPastas.size(), std::size_t(2));
        int erros = 0;
        for (const auto& c : mensagens->Chamadas()) erros += c.titulo == "Erro";
        QCOMPARE(erros, 2);
    }

    void ExcluirPerguntaESelecionaAMesmaLinhaOuAUltima() {
        Abrir(duasPastas);
        Incluir("Terceira", "c:\\t");
        Grid()->selectRow(2);
        mensagens->Responder(mrNo);
        Botao("btnExcluir")->click();
        QCOMPARE(s.nomesPastas.size(), std::size_t(3));
        QCOMPARE(mensagens->Chamadas().back().titulo, "Atenção"_ansi);
        QCOMPARE(mensagens->Chamadas().back().texto,
                 std::string("Deseja realmente excluir esta pasta da lista ???"));
        QCOMPARE(mensagens->Chamadas().back().tipo, 7);

        mensagens->Responder(mrYes);
        Botao("btnExcluir")->click();
        QCOMPARE(s.nomesPastas, (std::vector<std::string>{"VENDAS", "SUPORTE"}));
        QCOMPARE(Grid()->currentRow(), 1);

        Grid()->selectRow(0);
        mensagens->Responder(mrYes);
        Botao("btnExcluir")->click();
        QCOMPARE(s.nomesPastas, (std::vector<std::string>{"SUPORTE"}));
        QCOMPARE(s.caminhosPastas, (std::vector<std::string>{"f:\\suporte\\"}));
        QCOMPARE(Grid()->currentRow(), 0);

        mensagens->Responder(mrYes);
        Botao("btnExcluir")->click();
        QVERIFY(s.nomesPastas.empty());
        QCOMPARE(Grid()->rowCount(), 1);
        QVERIFY(!Botao("btnExcluir")->isEnabled());
        QVERIFY(!Caixa()->isEnabled());
    }

    void EditarTrocaNomeECaminhoEMantemALinha() {
        Abrir(duasPastas);
        Grid()->selectRow(1);
        mensagens->ResponderValor("Suporte Tecnico Geral");
        pastas->Escolher("f:\\Suporte2");
        emit Grid()->cellDoubleClicked(1, 1);
        QCOMPARE(mensagens->Chamadas().at(0).titulo, std::string("Editar Pasta de Mensagens"));
        QCOMPARE(mensagens->Chamadas().at(0).valor, std::string("SUPORTE"));
        QCOMPARE(pastas->Chamadas().at(0).pastaInicial, std::string("f:\\suporte\\"));
        QCOMPARE(s.nomesPastas[1], std::string("SUPORTE TECNICO"));
        QCOMPARE(s.caminhosPastas[1], std::string("f:\\suporte2\\"));
        QCOMPARE(Grid()->currentRow(), 1);

        // Its own name is fine; the other entry's is not (the file keeps one of each).
        mensagens->ResponderValor("vendas");
        mensagens->ResponderValor("suporte tecnico");
        pastas->Cancelar();
        Botao("btnEditar")->click();
        QCOMPARE(mensagens->Chamadas().at(2).texto, "Pasta de Mensagens já cadastrada."_ansi);
        QCOMPARE(s.nomesPastas, (std::vector<std::string>{"VENDAS", "SUPORTE TECNICO"}));
        QCOMPARE(s.caminhosPastas[1], std::string("f:\\suporte2\\"));

        mensagens->CancelarValor();
        Botao("btnEditar")->click();
        QVERIFY(pastas->Chamadas().size() == 2);
    }

    void OkGravaAListaEACaixa() {
        Abrir(duasPastas);
        Incluir("Nova", "c:\\nova");
        Caixa()->click();
        QTest::keyClick(Grid(), Qt::Key_Return); // Enter is "&OK"
        QVERIFY(!frm->isVisible());
        QCOMPARE(Lidas(), (std::vector<std::string>{"VENDAS", "SUPORTE", "NOVA"}));
        const std::string bytes = tmp->Ler("falv.ini");
        QVERIFY(bytes.find("Usuario=JOAO\r\n") != std::string::npos);
        QVERIFY(bytes.find("Criar Pasta Automaticamente=0\r\n") != std::string::npos);
    }

    void CancelarRecarregaEFecharMantemNaMemoria() {
        Abrir(duasPastas);
        Incluir("Um", "c:\\1");
        Caixa()->click(); // in effect at once, and Cancel does not undo it
        QVERIFY(!s.criarAutomatico);
        QTest::keyClick(Grid(), Qt::Key_Escape);
        QVERIFY(!frm->isVisible());
        QCOMPARE(s.nomesPastas, (std::vector<std::string>{"VENDAS", "SUPORTE"}));
        QVERIFY(!s.criarAutomatico);

        frm->show();
        Incluir("Um", "c:\\1");
        Incluir("Dois", "c:\\2");
        Incluir("Tres", "c:\\3");
        frm->close();
        QCOMPARE(s.nomesPastas.size(), std::size_t(5));
        QCOMPARE(Lidas().size(), std::size_t(2));
        InteracaoRoteirizada ui;
        QVERIFY(SalvarConfiguracao(s, ini, ui));
        QCOMPARE(Lidas().size(), std::size_t(5));
    }

    void ModalFechadoPelaCaixaMantemAsEdicoes() {
        tmp->Escrever("falv.ini", duasPastas);
        TfrmDefPastas dlg(s, ini);
        auto feito = AoAbrirDialogo<TfrmDefPastas>([this](TfrmDefPastas* d) {
            mensagens->ResponderValor("Nova");
            pastas->Escolher("c:\\nova");
            d->findChild<QPushButton*>("btnIncluir")->click();
            d->close();
        });
        QCOMPARE(dlg.exec(), int(QDialog::Rejected));
        QVERIFY(*feito);
        QCOMPARE(s.nomesPastas, (std::vector<std::string>{"VENDAS", "SUPORTE", "NOVA"}));
        QCOMPARE(Lidas().size(), std::size_t(2));
    }

    void OkComFalhaAvisaEFechaMesmoAssim() {
        Abrir(duasPastas);
        frm.reset();
        frm = std::make_unique<TfrmDefPastas>(s, "c:\\sem pasta\\falv.ini");
        frm->show();
        Botao("bbtOk")->click();
        QVERIFY(!frm->isVisible());
        QCOMPARE(mensagens->Chamadas().back().texto,
                 std::string("Erro ao atualizar o arquivo FALV.INI"));
    }

    void DestacarBotao() {
        Abrir(duasPastas);
        auto cor = [](QPushButton* b) { return b->palette().color(QPalette::ButtonText); };
        frm->DestacarBotao(Botao("bbtOk"));
        QCOMPARE(cor(Botao("bbtOk")), QColor(0, 255, 0));
        QCOMPARE(cor(Botao("bbtCancel")), QColor(Qt::black));
        frm->DestacarBotao(Botao("bbtCancel"));
        QCOMPARE(cor(Botao("bbtOk")), QColor(Qt::black));
        QCOMPARE(cor(Botao("bbtCancel")), QColor(255, 0, 0));
        QTest::mouseMove(Botao("btnIncluir"));
        QCOMPARE(cor(Botao("bbtCancel")), QColor(Qt::black));
    }
};

QTEST_MAIN(TesteDefPastas)
#include "test_mDefpast.moc"
