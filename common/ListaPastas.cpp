#include "ListaPastas.h"

#include "Arquivos.h"
#include "InteracaoJanelas.h"
#include "Janela1252.h"
#include "Texto1252.h"
#include "Unidades.h"
#include "fIOlib.h"
#include "fMsgdlg.h"

#include <QApplication>
#include <QComboBox>
#include <QIcon>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolButton>

#include <algorithm>
#include <cctype>

using namespace plataforma::literais;

namespace {

constexpr int kPapelCaminho = Qt::UserRole;   // the item's DOS path
constexpr int kPapelNivel = Qt::UserRole + 1; // its depth below the drive root
constexpr int kRecuo = 12;                    // pixels per level

bool EhRaiz(const std::string& dos) {
    return dos.size() <= 3;
}

std::string RaizDe(char letra) {
    return std::string(1, letra) + ":\\";
}

// Characters Windows refuses in a file name; a name holding one would be
// unreachable from the Windows stations that share the folder.
bool NomeValido(const std::string& nome, bool caminhoPermitido) {
    if (nome.empty()) return false;
    for (std::size_t i = 0; i < nome.size(); ++i) {
        const auto c = static_cast<unsigned char>(nome[i]);
        if (c < 32 ||
            std::string_view("*?\"<>|/").find(static_cast<char>(c)) != std::string_view::npos)
            return false;
        if (c == '\\' && !caminhoPermitido) return false;
        if (c == ':' && !(caminhoPermitido && i == 1)) return false;
    }
    return true;
}

// No standard icon says "rename": a pencil over a text line.
QIcon GlifoRenomear() {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.drawLine(1, 14, 9, 14);
    p.setPen(QPen(QColor(200, 150, 20), 3, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(5, 11, 13, 3);
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.drawLine(3, 13, 5, 11);
    return QIcon(pm);
}

QIcon IconeDaUnidade(const QStyle* estilo, char letra) {
    switch (plataforma::TipoDaUnidade(letra)) {
    case plataforma::TipoUnidade::Removivel:
        return estilo->standardIcon(QStyle::SP_DriveFDIcon);
    case plataforma::TipoUnidade::Remota:
        return estilo->standardIcon(QStyle::SP_DriveNetIcon);
    case plataforma::TipoUnidade::CdRom:
        return estilo->standardIcon(QStyle::SP_DriveCDIcon);
    default:
        return estilo->standardIcon(QStyle::SP_DriveHDIcon);
    }
}

// "c: [home]": the letter and the volume's label, or the name of the host
// directory the drive stands for when it has none.
QString LegendaDaUnidade(char letra) {
    const auto& raizes = plataforma::Unidades().raizes;
    auto it = raizes.find(letra);
    std::string nome = plataforma::NomeDoVolume(letra);
    if (nome.empty() && it != raizes.end()) {
        nome = it->second;
        while (nome.size() > 1 && nome.back() == '/')
            nome.pop_back();
        if (auto barra = nome.rfind('/'); barra != std::string::npos && nome.size() > 1)
            nome.erase(0, barra + 1);
    }
    return QStringLiteral("%1: [%2]")
        .arg(QChar(std::tolower(static_cast<unsigned char>(letra))), QString::fromStdString(nome));
}

// Indents each item by its level, as the Windows directory list draws the
// path from the root down to the current folder.
class DelegadoRecuo : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* p, const QStyleOptionViewItem& opcao,
               const QModelIndex& i) const override {
        QStyleOptionViewItem o(opcao);
        o.rect.setLeft(o.rect.left() + Recuo(i));
        QStyledItemDelegate::paint(p, o, i);
    }
    QSize sizeHint(const QStyleOptionViewItem& opcao, const QModelIndex& i) const override {
        return QStyledItemDelegate::sizeHint(opcao, i) + QSize(Recuo(i), 0);
    }

private:
    static int Recuo(const QModelIndex& i) { return i.data(kPapelNivel).toInt() * kRecuo; }
};

// The subfolders of a folder, sorted as Windows lists them (case ignored).
// Hidden ones are left out as on Windows, and so are links: deleting through
// one would empty its target.
std::vector<std::string> Subpastas(const std::string& pasta) {
    std::vector<std::string> nomes;
    plataforma::BuscaArquivos busca;
    plataforma::EntradaBusca e;
    const std::string padrao = pasta + (EhRaiz(pasta) ? "" : "\\") + "*.*";
    for (bool ok = busca.Primeiro(padrao, plataforma::atrDiretorio, e); ok; ok = busca.Proximo(e)) {
        if (!(e.atributos & plataforma::atrDiretorio) || (e.atributos & plataforma::atrReparse))
            continue;
        // A host name holding a backslash cannot be addressed as one component.
        if (e.nome == "." || e.nome == ".." || e.nome.find('\\') != std::string::npos) continue;
        nomes.push_back(e.nome);
    }
    std::sort(nomes.begin(), nomes.end(), [](const std::string& a, const std::string& b) {
        const std::string ma = plataforma::Minusculas1252(a), mb = plataforma::Minusculas1252(b);
        return ma != mb ? ma < mb : a < b;
    });
    return nomes;
}

void Erro(const std::string& texto) {
    ExibirMensagem("Erro", texto, 6);
}

} // namespace

// ---- Drive box ----

void PreencherUnidades(QComboBox* dcb) {
    dcb->clear();
    for (char letra : plataforma::ListarUnidades())
        dcb->addItem(IconeDaUnidade(dcb->style(), letra), LegendaDaUnidade(letra), QChar(letra));
}

void SelecionarUnidade(QComboBox* dcb, char letra) {
    const int i = dcb->findData(QChar(std::toupper(static_cast<unsigned char>(letra))));
    if (i >= 0) dcb->setCurrentIndex(i);
}

char UnidadeSelecionada(const QComboBox* dcb) {
    const QVariant dado = dcb->currentData();
    return dado.isValid() ? static_cast<char>(dado.toChar().toLatin1()) : '\0';
}

// ---- Folder list ----

void PrepararListaPastas(QListWidget* dls) {
    dls->setItemDelegate(new DelegadoRecuo(dls));
    dls->setUniformItemSizes(true);
}

void LerPastas(QListWidget* dls, const std::string& pasta) {
    dls->clear();
    if (pasta.empty()) return;
    const QStyle* estilo = dls->style();
    const QIcon aberta = estilo->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon fechada = estilo->standardIcon(QStyle::SP_DirClosedIcon);
    auto item = [dls](const QIcon& icone, const std::string& texto, const std::string& caminho,
                      int nivel) {
        auto* i = new QListWidgetItem(icone, ParaQString(texto), dls);
        i->setData(kPapelCaminho, ParaQString(caminho));
        i->setData(kPapelNivel, nivel);
        return i;
    };

    std::string caminho = pasta.substr(0, 3);
    QListWidgetItem* atual =
        item(IconeDaUnidade(estilo, pasta[0]), plataforma::Minusculas1252(caminho), caminho, 0);
    int nivel = 0;
    for (std::size_t i = 3; i < pasta.size();) {
        std::size_t fim = std::min(pasta.find('\\', i), pasta.size());
        if (fim > i) {
            const std::string nome = pasta.substr(i, fim - i);
            if (!EhRaiz(caminho)) caminho += '\\';
            caminho += nome;
            atual = item(aberta, nome, caminho, ++nivel);
        }
        i = fim + 1;
    }
    const std::string base = EhRaiz(caminho) ? caminho : caminho + '\\';
    for (const std::string& nome : Subpastas(pasta))
        item(fechada, nome, base + nome, nivel + 1);
    dls->setCurrentItem(atual);
}

std::string PastaDoItem(const QListWidgetItem* item) {
    return Para1252(item->data(kPapelCaminho).toString());
}

FerramentasPasta CriarFerramentasPasta(QWidget* pai) {
    auto ferramenta = [pai](const char* nome, const QIcon& icone, const QString& dica) {
        auto* b = new QToolButton(pai);
        b->setObjectName(nome);
        b->setAutoRaise(true);
        b->setIcon(icone);
        b->setIconSize(QSize(20, 20));
        b->setFixedSize(30, 30);
        b->setToolTip(dica);
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    const QStyle* estilo = pai->style();
    return {ferramenta("sbtCriarPasta", estilo->standardIcon(QStyle::SP_FileDialogNewFolder),
                       QStringLiteral("Criar Pasta")),
            ferramenta("sbtRenPasta", GlifoRenomear(), QStringLiteral("Renomear Pasta")),
            ferramenta("sbtDelPasta", estilo->standardIcon(QStyle::SP_TrashIcon),
                       QStringLiteral("Excluir Pasta"))};
}

// ---- Browsing ----

std::string PastaParaMostrar() {
    std::string atual = plataforma::PastaAtual();
    if (atual.empty()) {
        for (char letra : plataforma::ListarUnidades())
            if (plataforma::UnidadePronta(letra) && plataforma::DefinirPastaAtual(RaizDe(letra)))
                return plataforma::PastaAtual();
    }
    return atual;
}

void AvisarPastaIndisponivel() {
    Erro("Este diretório (pasta) não está mais disponível."_ansi);
}

bool EntrarUnidade(char letra) {
    for (;;) {
        if (plataforma::UnidadePronta(letra) && plataforma::DefinirPastaAtual(RaizDe(letra)))
            return true;
        const std::string texto = "Drive " +
                                  std::string(1, static_cast<char>(std::tolower(letra))) +
                                  ": não está disponível. Deseja tentar de novo ???"_ansi;
        if (ExibirMensagem("Erro", texto, 10) != mrYes) return false;
    }
}

// ---- Folder operations ----

bool CriarPastaPedida() {
    std::string nome = "Nova Pasta";
    bool confirmado = false;
    SolicitarValor("Criar Pasta", "Informe um nome para esta pasta.", nome, confirmado);
    if (!confirmado) return false;
    // An existing name is a failure, as on Windows, not a silent success; so is
    // a missing parent (Windows creates one folder, not a chain).
    const auto alvo = NomeValido(nome, true) ? plataforma::CaminhoDosCompleto(nome) : std::nullopt;
    if (!alvo || plataforma::Atributos(*alvo) != -1 ||
        !plataforma::PastaExiste(ExtrairPasta(*alvo)) || !plataforma::CriarPasta(*alvo)) {
        Erro("Erro ao tentar criar esta pasta.");
        return false;
    }
    return true;
}

bool RenomearPastaMostrada(const std::string& pasta) {
    if (EhRaiz(pasta)) return false;
    const std::string pai = ExtrairPasta(pasta);
    std::string nome = ExtrairNome(pasta);
    bool confirmado = false;
    SolicitarValor("Renomear Pasta", "Informe um novo nome para esta pasta.", nome, confirmado);
    if (!confirmado) return false;
    const std::string destino = pai + nome;
    if (!plataforma::IguaisSemCaixa(destino, pasta)) {
        if (!NomeValido(nome, false) || !plataforma::RenomearArquivo(pasta, destino) ||
            !plataforma::DefinirPastaAtual(destino)) {
            Erro("Erro ao tentar renomear esta pasta.");
            return false;
        }
    }
    return true;
}

bool ExcluirPastaMostrada(const std::string& pasta) {
    if (EhRaiz(pasta)) return false;
    if (ExibirMensagem("Atenção"_ansi,
                       "Deseja realmente excluir a pasta " + ExtrairNome(pasta) + " ???",
                       7) != mrYes)
        return false;
    // Step out first: the folder being deleted must not be the current directory.
    if (!plataforma::DefinirPastaAtual(ExtrairPasta(pasta))) {
        Erro("Erro ao tentar excluir esta pasta.");
        return false;
    }
    bool falhou = false;
    try {
        InteracaoJanelas janelas;
        ApagarPasta(pasta, &janelas);
    } catch (...) {
        falhou = true;
    }
    if (falhou || plataforma::Atributos(pasta) != -1) Erro("Erro ao tentar excluir esta pasta.");
    return true; // the parent is shown, whatever was left
}
