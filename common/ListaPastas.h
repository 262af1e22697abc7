// ListaPastas: the drive box, the folder list and the create, rename and
// delete operations that the folder dialog and the messenger's file dialog
// share. The list always shows the process's current directory: the path
// from the drive root down to it, then its subfolders. Paths are DOS paths in
// Windows-1252 bytes; user-interface thread only.
//
// The operations talk to the user through ExibirMensagem and SolicitarValor
// and tell the caller whether the current directory must be shown again.
#pragma once

#include <string>

class QComboBox;
class QListWidget;
class QListWidgetItem;
class QToolButton;
class QWidget;

// ---- Drive box ----

// Every drive of the DOS namespace, as "c: [home]" with its icon; the item
// data is the upper-case letter.
void PreencherUnidades(QComboBox* dcb);
void SelecionarUnidade(QComboBox* dcb, char letra);
// The letter of the selected entry; 0 when none.
char UnidadeSelecionada(const QComboBox* dcb);

// ---- Folder list ----

// Gives a list the indented look of the Windows directory list.
void PrepararListaPastas(QListWidget* dls);
// Refills the list for the folder `pasta` and highlights it.
void LerPastas(QListWidget* dls, const std::string& pasta);
// The folder an item of the list stands for.
std::string PastaDoItem(const QListWidgetItem* item);

struct FerramentasPasta {
    QToolButton* criar;
    QToolButton* renomear;
    QToolButton* excluir;
};
// The three flat buttons sbtCriarPasta, sbtRenPasta and sbtDelPasta.
FerramentasPasta CriarFerramentasPasta(QWidget* pai);

// ---- Browsing ----

// The folder to show: the current directory, or the first ready drive's root
// (made current) when the current directory lies on no drive; empty when no
// drive is ready.
std::string PastaParaMostrar();
// "Este diretório (pasta) não está mais disponível."
void AvisarPastaIndisponivel();
// Makes the root of drive `letra` the current directory, asking whether to
// try again while the drive cannot be read. False when the user gave up.
bool EntrarUnidade(char letra);

// ---- Folder operations on the folder shown (the current directory) ----
// Each returns true when the list must be read again from the current
// directory; failures have already been shown.

bool CriarPastaPedida();
bool RenomearPastaMostrada(const std::string& pasta);
bool ExcluirPastaMostrada(const std::string& pasta);
