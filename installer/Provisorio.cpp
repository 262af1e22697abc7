// TEMPORARY stand-ins; see Provisorio.h.
#include "Provisorio.h"

#include "mSetuplb.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace {
void Ok(QDialog* d, const char* titulo) {
    d->setWindowTitle(titulo);
    auto* b = new QPushButton("&OK", d);
    b->setDefault(true);
    (new QVBoxLayout(d))->addWidget(b);
    QObject::connect(b, &QPushButton::clicked, d, &QDialog::accept);
}
} // namespace

TfrmApresnt::TfrmApresnt(QWidget* pai) : QDialog(pai) { Ok(this, "Apresentacao"); }
TfrmPathApl::TfrmPathApl(QWidget* pai) : QDialog(pai) {
    Ok(this, "Drive/Diretorio do Aplicativo");
    DirBase = "c:" + DirBase + "\\";
}
TfrmRestore::TfrmRestore(QWidget* pai) : QDialog(pai) { Ok(this, "Restaurar Arquivos"); }

bool AlterarArquivosINI(Interacao&) { return true; }
bool ExecutarArquivos(Interacao&) { return true; }
bool CriarGrupodePrograma(Interacao&) { return true; }
void Desinstalar(Interacao&) {}
