// The installer's main window: the backdrop as painted, and the sequence
// driven through its screens (each screen's default button pressed), with
// the messages answered by RespostaMensagens.
#include "DialogoModal.h"
#include "Integracao.h"
#include "PastaTemporaria.h"
#include "Texto1252.h"
#include "fMsgdlg.h"
#include "mApresnt.h"
#include "mMain.h"
#include "mPathapl.h"

#include <QScreen>
#include <QtTest>

#include <memory>
#include <optional>

using namespace plataforma::literais;

class TesteMainInstalador : public QObject {
    Q_OBJECT

    std::unique_ptr<PastaTemporaria> c_;

    // The program's folder C:\INST\ with its command file and first disk.
    void Preparar(const std::string& info, const std::string& listas = {}) {
        c_->Escrever("INST/zentrava.cmd", "[Info]\r\nTitulo=Sistema de Vendas\r\n"
                                          "Diretorio Base=\\VENDAS\r\n" +
                                              info + listas);
        c_->Escrever("INST/zentrava.001", "");
    }
    static std::unique_ptr<TfrmMain> Criar(std::optional<std::string> arg = std::nullopt) {
        return std::make_unique<TfrmMain>("C:\\INST\\", std::move(arg));
    }
    // Each screen's default button, in the order they come.
    static std::vector<std::shared_ptr<bool>> ConfirmarTelas(int quantas) {
        std::vector<std::shared_ptr<bool>> vistas;
        for (int i = 0; i < quantas; ++i)
            vistas.push_back(AoAbrirDialogo<QDialog>(
                [](QDialog* d) { Teclar(d, Qt::Key_Return); }, {}, 20000));
        return vistas;
    }

private slots:
    void init() {
        c_ = std::make_unique<PastaTemporaria>('C');
        RestaurarConfiguracao();
    }
    void cleanup() { c_.reset(); }

    // A program folder that no drive maps cannot hold the command file.
    void PastaSemUnidadeEncerra() {
        RespostaMensagens respostas;
        TfrmMain frm("", std::nullopt);
        QCOMPARE(frm.Inicio(), Partida::Encerrar);
        QCOMPARE(frm.CodigoSaida(), 1);
        QCOMPARE(respostas.Chamadas().size(), 1u);
        QCOMPARE(respostas.Chamadas()[0].texto,
                 "Não foi encontrado o arquivo de comandos ZENTRAVA.CMD"_ansi);
    }

    // Layout 2 from "Cor de Fundo 1" down to "Cor de Fundo 2", the title in
    // its shadow and its colour, subtitle and footer, the bar at H - 63; a
    // system colour painted as the desktop's.
    void FundoPintado() {
        Preparar("Cor de Fundo 1=clBlue\r\nCor de Fundo 2=clRed\r\nCor Titulo=clBtnFace\r\n"
                 "Cor Sombra=clBlack\r\nCor Sub-Titulo=clYellow\r\nSub-Titulo=Versão 2\r\n"
                 "Rodape=Copyright\r\n");
        RespostaMensagens respostas;
        auto frm = Criar();
        QCOMPARE(frm->Inicio(), Partida::Instalar);
        const QSize tela = frm->screen()->geometry().size();
        frm->resize(tela);
        const QImage img = frm->grab().toImage();
        const int w = img.width(), h = img.height();
        const QColor titulo = QGuiApplication::palette().color(QPalette::Active, QPalette::Button);

        QCOMPARE(img.pixelColor(w - 2, 1), QColor(0, 0, 255));
        QCOMPARE(img.pixelColor(w - 2, h - 1), QColor(255, 0, 0));
        for (int y : {h - 63, h - 61}) QCOMPARE(img.pixelColor(w - 2, y), titulo);
        QVERIFY(img.pixelColor(w - 2, h - 64) != titulo);
        QVERIFY(img.pixelColor(w - 2, h - 60) != titulo);

        auto conta = [&](QRect area, QColor cor) {
            int n = 0;
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x) n += img.pixelColor(x, y) == cor;
            return n;
        };
        // The shadow shows above and left of the title, which covers most of it.
        QVERIFY(conta({30, 20, 400, 44}, titulo) > 200);
        QVERIFY(conta({30, 20, 400, 44}, Qt::black) > 50);
        QCOMPARE(conta({0, 0, 29, 60}, Qt::black), 0);
        QVERIFY(conta({30, 70, 200, 16}, QColor(255, 255, 0)) > 30);
        QVERIFY(conta({30, h - 40, 200, 16}, QColor(255, 255, 0)) > 30);
        QCOMPARE(conta({30, 90, 200, 100}, QColor(255, 255, 0)), 0);
        // Painted again, the same picture.
        QCOMPARE(frm->grab().toImage(), img);
    }

    // Every screen confirmed: the log in the destination folder, the
    // completion message, the window closed with status 0.
    void SequenciaCompleta() {
        Preparar("Total Discos=1\r\n");
        c_->Escrever("VENDAS/leiame.txt", "x");
        RespostaMensagens respostas;
        auto frm = Criar();
        auto vistas = ConfirmarTelas(3);
        frm->show();
        QTRY_VERIFY_WITH_TIMEOUT(!frm->isVisible(), 30000);
        for (auto& v : vistas) QVERIFY(*v);
        QCOMPARE(frm->CodigoSaida(), 0);
        QVERIFY(!respostas.Chamadas().empty());
        const auto& fim = respostas.Chamadas().back();
        QCOMPARE(fim.titulo, "Parabéns !!!"_ansi);
        QCOMPARE(fim.texto, "Instalação completada com sucesso."_ansi);
        QCOMPARE(fim.tipo, 5);
        QCOMPARE(c_->Ler("VENDAS/zentrava.log").size(), tamanhoLogDesinstalacao);
        QVERIFY(ItensGrupo.empty()); // lists freed
    }

    // A log that cannot be written: the message names the file as a Linux
    // user finds it, what was done is undone, and the program ends by itself.
    void LogNaoGravadoParaASequencia() {
        Preparar("Total Discos=1\r\n");
        c_->Escrever("VENDAS/zentrava.log/dentro", "");
        RespostaMensagens respostas;
        auto frm = Criar();
        auto vistas = ConfirmarTelas(3);
        frm->show();
        QTRY_VERIFY_WITH_TIMEOUT(!frm->isVisible(), 30000);
        QCOMPARE(frm->CodigoSaida(), 1);
        QCOMPARE(respostas.Chamadas().size(), 2u);
        QCOMPARE(respostas.Chamadas()[0].tipo, 6);
        QVERIFY(respostas.Chamadas()[0].texto.find("c:\\VENDAS\\zentrava.log (" + c_->Host() + "/VENDAS/zentrava.log)") !=
                std::string::npos);
        QCOMPARE(respostas.Chamadas()[1].texto, "O aplicativo não foi instalado corretamente."_ansi);
        QVERIFY(!c_->Existe("VENDAS/zentrava-instalacao.log"));
    }

    // While the sequence runs, a request to close the window is refused.
    void FechamentoRecusadoDuranteASequencia() {
        Preparar("Total Discos=1\r\n");
        RespostaMensagens respostas;
        auto frm = Criar();
        bool fechou = true;
        auto vista = AoAbrirDialogo<QDialog>([&](QDialog* d) {
            fechou = frm->close();
            Teclar(d, Qt::Key_Return);
        }, {}, 20000);
        auto resto = ConfirmarTelas(2);
        frm->show();
        QTRY_VERIFY_WITH_TIMEOUT(*vista && !frm->isVisible(), 30000);
        QVERIFY(!fechou);
        QCOMPARE(frm->CodigoSaida(), 0);
    }

    // Interrupted on the destination screen: no restore window, the message,
    // the INI file untouched, no log; the program ends with status 1.
    void InterrompidaNaoMudaNada() {
        Preparar("Total Discos=1\r\n",
                 "[Configurar Arquivos INI]\r\nitem1=@DIRBASE\\APP.INI,Geral,Pasta,x\r\n");
        c_->Escrever("VENDAS/APP.INI", "[Geral]\r\n");
        RespostaMensagens respostas; // "Deseja interromper ...": the first button, "&Sim"
        auto frm = Criar();
        auto apresentacao = AoAbrirDialogo<TfrmApresnt>(
            [](TfrmApresnt* d) { Teclar(d, Qt::Key_Return); }, {}, 20000);
        auto destino = AoAbrirDialogo<TfrmPathApl>(
            [](TfrmPathApl* d) { Teclar(d, Qt::Key_Escape); }, {}, 20000);
        frm->show();
        QTRY_VERIFY_WITH_TIMEOUT(!frm->isVisible(), 30000);
        QVERIFY(*apresentacao && *destino);
        QVERIFY(InstalacaoCancelada);
        QCOMPARE(frm->CodigoSaida(), 1);
        const auto& fim = respostas.Chamadas().back();
        QCOMPARE(fim.titulo, "Atenção"_ansi);
        QCOMPARE(fim.texto, "O aplicativo não foi instalado corretamente."_ansi);
        QCOMPARE(fim.tipo, 5);
        QCOMPARE(c_->Ler("VENDAS/APP.INI"), std::string("[Geral]\r\n"));
        QVERIFY(!c_->Existe("VENDAS/zentrava.log"));
    }

    // A show-window code that is no integer stops the sequence before the
    // log, in Portuguese with the error icon; the program ends by itself.
    void CodigoInvalidoParaASequencia() {
        Preparar("Total Discos=1\r\n", "[Executar Arquivos]\r\nitem1=@DIRBASE\\PROG.SH,um\r\n");
        c_->Escrever("VENDAS/PROG.SH", "#!/bin/sh\n");
        RespostaMensagens respostas;
        auto frm = Criar();
        auto vistas = ConfirmarTelas(3);
        frm->show();
        QTRY_VERIFY_WITH_TIMEOUT(!frm->isVisible(), 30000);
        QCOMPARE(respostas.Chamadas()[0].texto, "'um' não é um número inteiro válido."_ansi);
        QCOMPARE(respostas.Chamadas()[0].tipo, 6);
        QCOMPARE(frm->CodigoSaida(), 1);
        QVERIFY(!c_->Existe("VENDAS/zentrava.log"));
    }

    // A group that cannot be created: no completion message, the log and
    // whatever the run made undone, the lists freed and the window closed.
    void GrupoQueFalhaEncerra() {
        Preparar("Total Discos=1\r\nGrupo de Programa=Vendas\r\n",
                 "[Itens do Grupo]\r\nitem1=Leia-me,@DIRBASE\\LEIAME.TXT\r\n");
        c_->Escrever("VENDAS/LEIAME.TXT", "x");
        DefinirEnviadorComandos([](std::string_view) { return false; });
        RespostaMensagens respostas;
        auto frm = Criar();
        auto vistas = ConfirmarTelas(3);
        frm->show();
        QTRY_VERIFY_WITH_TIMEOUT(!frm->isVisible(), 30000);
        DefinirEnviadorComandos({});
        QCOMPARE(frm->CodigoSaida(), 1);
        QCOMPARE(respostas.Chamadas().size(), 1u);
        QCOMPARE(respostas.Chamadas()[0].texto,
                 "Não posso criar o grupo.\rO aplicativo não foi instalado corretamente."_ansi);
        QVERIFY(!c_->Existe("VENDAS/zentrava.log"));
        QCOMPARE(c_->Ler("VENDAS/LEIAME.TXT"), std::string("x"));
        QVERIFY(ItensGrupo.empty());
    }
};

QTEST_MAIN(TesteMainInstalador)
#include "test_mMainInstalador.moc"
