// Pictures of the common library's windows (ctest -L screens).
#include "Galeria.h"
#include "Texto1252.h"
#include "fMsgdlg.h"

#include <QTest>

using namespace plataforma::literais;

class GaleriaComum : public QObject {
    Q_OBJECT
private slots:
    void mensagens_data();
    void mensagens();
    void solicitarValor();
};

void GaleriaComum::mensagens_data() {
    auto B = [](const std::string& s) { return QByteArray::fromStdString(s); };
    QTest::addColumn<int>("tipo");
    QTest::addColumn<QByteArray>("titulo"); // Windows-1252 bytes
    QTest::addColumn<QByteArray>("texto");
    QTest::newRow("fMsgdlg_tipo01") << 1 << B("Atenção"_ansi)
                                    << B("O arquivo MENSAGENS.TXT já existe. Deseja "
                                         "substituí-lo ?"_ansi);
    QTest::newRow("fMsgdlg_tipo05")
        << 5 << B("Parabéns !!!"_ansi) << B("A instalação foi concluída com sucesso."_ansi);
    QTest::newRow("fMsgdlg_tipo06")
        << 6 << B("Erro"_ansi) << B("Não foi possível gravar a mensagem."_ansi);
    QTest::newRow("fMsgdlg_tipo07") << 7 << B("Atenção"_ansi)
                                    << B("Deseja realmente excluir a pasta VENDAS & "
                                         "CIA ???"_ansi);
    QTest::newRow("fMsgdlg_tipo10") << 10 << B("Erro"_ansi)
                                    << B("A unidade A: não está pronta. Tentar "
                                         "novamente ?"_ansi);
    QTest::newRow("fMsgdlg_tipo11")
        << 11 << B("Zentrava 8"_ansi) << B("Insira o disco nº 2 na unidade A:"_ansi);
    QTest::newRow("fMsgdlg_duas_linhas") << 7 << B("Atenção"_ansi)
                                         << B("Ação, opção e coração: ÁÉÍÓÚ ÂÊÔ ÃÕ Ç à ü\r\nDeseja "
                                              "interromper a instalação ?"_ansi);
}

void GaleriaComum::mensagens() {
    QFETCH(int, tipo);
    QFETCH(QByteArray, titulo);
    QFETCH(QByteArray, texto);
    TfrmMsgDlg d;
    d.PrepararMensagem(titulo.toStdString(), texto.toStdString(), tipo);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QVERIFY(SalvarJanela(&d, QTest::currentDataTag()));
}

void GaleriaComum::solicitarValor() {
    TfrmMsgDlg d;
    d.PrepararValor("Pasta de Mensagens"_ansi, "Informe o nome da pasta (máx. 20 letras):"_ansi,
                    "VENDAS & CIA"_ansi);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QVERIFY(SalvarJanela(&d, "fMsgdlg_solicitar_valor"));
}

QTEST_MAIN(GaleriaComum)
#include "galeria_comum.moc"
