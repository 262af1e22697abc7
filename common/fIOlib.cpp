#include "fIOlib.h"

#include "ApagamentoSeguro.h"
#include "Arquivos.h"
#include "Interacao.h"
#include "Texto1252.h"
#include "Unidades.h"

#include <set>

#include <sys/stat.h>

using namespace plataforma;

namespace {

std::vector<std::string> listaDePastas;

constexpr int mascaraPastas =
    atrSomenteLeitura | atrOculto | atrSistema | atrDiretorio | atrArquivo;

// Directory bit set, volume bit clear, nothing above archive: anything else
// (a link, a compressed directory) is not entered.
bool PastaComum(int atributos) {
    return (atributos >= 16 && atributos <= 23) || (atributos >= 48 && atributos <= 55);
}

// "." and "..", and host names holding a backslash, which no DOS path can
// address as one component (one named "..\x" would lead out of the tree).
bool Ignorar(const std::string& nome) {
    return nome.empty() || nome == "." || nome == ".." || nome.find('\\') != std::string::npos;
}

std::string SemBarraFinal(std::string_view caminho) {
    if (caminho.size() > 3 && caminho.back() == '\\') caminho.remove_suffix(1);
    return std::string(caminho);
}

std::string Juntar(std::string pasta, std::string_view nome) {
    if (pasta.empty() || pasta.back() != '\\') pasta += '\\';
    return pasta.append(nome);
}

std::string Pai(const std::string& pasta) {
    return SemBarraFinal(ExtrairPasta(pasta));
}

// A directory itself: a link to one would take the walk outside.
bool PastaPropria(const std::string& pasta) {
    int a = Atributos(pasta);
    return a >= 0 && (a & atrDiretorio) && !(a & atrReparse);
}

// Enters `pasta` (a full path) only when the current directory then reads
// back as that path: never a link, nor the root of another drive mapped
// inside the tree. Otherwise the current directory stays where it was.
bool Entrar(const std::string& pasta) {
    if (!PastaPropria(pasta)) return false;
    const std::string antes = PastaAtual();
    if (!DefinirPastaAtual(pasta)) return false;
    if (IguaisSemCaixa(PastaAtual(), pasta)) return true;
    DefinirPastaAtual(antes);
    return false;
}

} // namespace

std::string ExtrairPasta(std::string_view caminho) {
    std::string pasta(caminho.substr(0, caminho.rfind('\\') + 1));
    if (pasta.empty()) pasta = caminho;
    if (pasta.empty() || pasta.back() != '\\') pasta += '\\';
    return pasta;
}

std::string ExtrairNome(std::string_view caminho) {
    if (caminho.size() > 3 && caminho.back() == '\\') caminho.remove_suffix(1);
    auto i = caminho.rfind('\\');
    return std::string(i == std::string_view::npos ? caminho : caminho.substr(i + 1));
}

std::vector<std::string>& ListaDePastas() {
    return listaDePastas;
}

void ListarPastas(std::string_view pasta) {
    const std::string atual = SemBarraFinal(CaminhoDosCompleto(pasta).value_or(""));
    if (atual.empty() || !Entrar(atual)) return;
    BuscaArquivos busca;
    EntradaBusca entrada;
    for (bool achou = busca.Primeiro(Juntar(atual, "*.*"), mascaraPastas, entrada); achou;
         achou = busca.Proximo(entrada)) {
        if (Ignorar(entrada.nome) || !PastaComum(entrada.atributos)) continue;
        const std::string sub = Juntar(atual, entrada.nome);
        listaDePastas.push_back(sub);
        ListarPastas(sub);
    }
    busca.Fechar();
    DefinirPastaAtual(Pai(atual));
}

void ApagarPasta(std::string_view pasta, Interacao* interacao) {
    const std::string d = SemBarraFinal(pasta);
    if (!PastaExiste(d)) return;
    struct Cursor {
        Interacao* interacao;
        ~Cursor() {
            if (interacao) interacao->CursorNormal();
        }
    } cursor{interacao};
    if (interacao) interacao->CursorOcupado();

    // A link named as the directory is left alone; the path may pass through
    // links above it. Below it everything is done from this one descriptor,
    // so no swap of a folder for a link can lead the deletion elsewhere.
    auto host = CaminhoHost(d);
    if (!host) return;
    PastaAberta raiz = AbrirPastaHost(*host);
    if (!raiz.Aberta()) return;
    // A whole drive's content is never what a caller means to delete, also
    // when its root is named through another drive; nor is another drive's
    // root mapped inside the tree entered.
    std::set<std::pair<dev_t, ino_t>> raizes;
    for (const auto& [letra, r] : Unidades().raizes)
        if (struct stat st; stat(r.c_str(), &st) == 0) raizes.insert({st.st_dev, st.st_ino});
    struct stat st;
    if (fstat(*raiz, &st) != 0 || raizes.count({st.st_dev, st.st_ino})) return;
    const FiltroPastas poupar = [&](const struct stat& s) { return raizes.count({s.st_dev, s.st_ino}) > 0; };
    if (EsvaziarPasta(*raiz, poupar).Completo()) RemoverPastaAberta(*raiz, *host);
}
