#include "mSetuplb.h"

#include "Arquivos.h"
#include "Perfil.h"
#include "Texto1252.h"
#include "Unidades.h"
#include "fIOlib.h"
#include "fStrlib.h"

#include <array>
#include <charconv>
#include <cstring>
#include <unordered_set>

using namespace plataforma;
using namespace plataforma::literais;

std::string Titulo;
TCor CorTitulo = clWhite;
TCor CorSombra = clWhite;
std::string SubTitulo;
std::string Rodape;
TCor CorSubTitulo = clWhite;
TCor CorFundo1 = clBlue;
TCor CorFundo2 = clRed;
std::string Instalacao = "000000";
std::string DirBase;
int16_t TotalDiscos = 0;
int16_t TotalArquivos = 0;
int32_t TotalBytes = 0;
std::string GrupoPrograma;

std::string DirInstalador;
std::string DirOrigem;
std::string DirDisco;
std::string PastaDesinstalacaoHost;
std::string DirWindows;
std::string DirSistema;

bool InstalacaoCancelada = false;

std::vector<std::string> ItensGrupo;
std::vector<std::string> ArquivosDescompactar;
std::vector<std::string> ArquivosINI;
std::vector<std::string> ArquivosExecutar;

std::vector<std::pair<std::string, std::string>> EntradasSecao(std::string_view conteudo,
                                                               std::string_view secao) {
    return EntradasSecao(TabelaPerfil(std::string(conteudo)), secao);
}

std::vector<std::pair<std::string, std::string>> EntradasSecao(const TabelaPerfil& tabela,
                                                               std::string_view secao) {
    std::vector<std::pair<std::string, std::string>> r;
    std::unordered_set<std::string> vistas; // folded: a key is met again whatever its case
    for (auto& [chave, valor] : tabela.Linhas(secao)) {
        // The first line of a key is the one its value is read from.
        if (!vistas.insert(Maiusculas1252(chave)).second) continue;
        if (!valor.empty()) r.emplace_back(std::move(chave), std::move(valor));
    }
    return r;
}

namespace {

const char* const secaoInfo = "Info";

struct NomeCor {
    const char* nome;
    TCor valor;
};
constexpr std::array<NomeCor, 16> coresFixas{{
    {"clBlack", 0x000000}, {"clMaroon", 0x000080}, {"clGreen", 0x008000}, {"clOlive", 0x008080},
    {"clNavy", 0x800000},  {"clPurple", 0x800080}, {"clTeal", 0x808000},  {"clGray", 0x808080},
    {"clRed", 0x0000FF},   {"clLime", 0x00FF00},   {"clYellow", 0x00FFFF}, {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF}, {"clAqua", 0xFFFF00}, {"clWhite", 0xFFFFFF}, {"clSilver", 0xC0C0C0},
}};
// In the order of the desktop's colour indices, from 0.
constexpr std::array<const char*, 25> coresSistema{
    "clScrollBar",  "clBackground",  "clActiveCaption", "clInactiveCaption", "clMenu",
    "clWindow",     "clWindowFrame", "clMenuText",      "clWindowText",      "clCaptionText",
    "clActiveBorder", "clInactiveBorder", "clAppWorkSpace", "clHighlight",   "clHighlightText",
    "clBtnFace",    "clBtnShadow",   "clGrayText",      "clBtnText",         "clInactiveCaptionText",
    "clBtnHighlight", "cl3DDkShadow", "cl3DLight",      "clInfoText",        "clInfoBk",
};

// The whole text must be the number: a colour has no default to fall back on.
std::optional<TCor> NumeroCor(std::string_view t) {
    bool negativo = false;
    if (!t.empty() && (t[0] == '-' || t[0] == '+')) {
        negativo = t[0] == '-';
        t.remove_prefix(1);
    }
    int base = 10;
    if (!t.empty() && t[0] == '$') {
        base = 16;
        t.remove_prefix(1);
    }
    if (t.empty()) return std::nullopt;
    uint64_t v = 0;
    auto [fim, erro] = std::from_chars(t.data(), t.data() + t.size(), v, base);
    if (erro != std::errc() || fim != t.data() + t.size()) return std::nullopt;
    if (base == 16 ? v > 0xFFFFFFFFull : v > (negativo ? 0x80000000ull : 0x7FFFFFFFull))
        return std::nullopt;
    uint32_t r = static_cast<uint32_t>(v);
    return negativo ? 0u - r : r;
}

std::string Cortado(std::string_view valor, uint8_t n) {
    return TirarEspacos(Esquerda(valor, n));
}

std::string ValorInfo(const TabelaPerfil& conteudo, const char* chave, std::string_view padrao) {
    return conteudo.Valor(secaoInfo, chave).value_or(std::string(padrao));
}

bool LerCor(const TabelaPerfil& conteudo, const char* chave, const char* padrao, TCor& cor) {
    auto c = ConverterCor(ValorInfo(conteudo, chave, padrao));
    if (!c) return false;
    cor = *c;
    return true;
}

int32_t LerInteiro(const TabelaPerfil& conteudo, const char* chave) {
    auto v = conteudo.Valor(secaoInfo, chave);
    return InteiroDoTexto(v.value_or(""), 0, !v);
}

// One "key=value" text per key in file order; a key met again adds nothing,
// an empty value gives no text (the first occurrence's value counts).
void LerLista(const TabelaPerfil& conteudo, const char* secao, std::vector<std::string>& lista) {
    lista.clear();
    for (const auto& [chave, valor] : EntradasSecao(conteudo, secao))
        lista.push_back(chave + "=" + valor);
}

class Ampulheta {
public:
    explicit Ampulheta(Interacao& ui) : ui_(ui) { ui_.CursorOcupado(); }
    ~Ampulheta() { ui_.CursorNormal(); }
    Ampulheta(const Ampulheta&) = delete;
    Ampulheta& operator=(const Ampulheta&) = delete;

private:
    Interacao& ui_;
};

void Substituir(std::string& texto, std::string_view macro, std::size_t remover,
                const std::string& por) {
    // The search goes on after what was inserted, so a directory that holds
    // a macro itself cannot make the expansion endless.
    std::size_t desde = 0;
    for (;;) {
        std::size_t p = Maiusculas1252(texto).find(macro, desde);
        if (p == std::string::npos) return;
        texto.replace(p, std::min(remover, texto.size() - p), por);
        desde = p + por.size();
    }
}

std::string ComBarraFinal(std::string s) {
    if (s.empty() || s.back() != '\\') s += '\\';
    return s;
}

void GravarTexto(std::string& registro, std::size_t pos, std::size_t capacidade,
                 std::string_view texto) {
    std::size_t n = std::min(texto.size(), capacidade);
    registro[pos] = static_cast<char>(n);
    std::memcpy(&registro[pos + 1], texto.data(), n);
}

bool LerTexto(std::string_view registro, std::size_t pos, std::size_t capacidade,
              std::string& texto) {
    std::size_t n = static_cast<unsigned char>(registro[pos]);
    if (n > capacidade) return false;
    texto.assign(registro.substr(pos + 1, n));
    return true;
}

constexpr std::size_t posTitulo = 3, posGrupo = 365, posDirBase = 621, posDirOrigem = 877;

} // namespace

std::string PastaDoArgumento(std::string_view argumento) {
    std::string_view resto = argumento.substr(2);
    std::string dos;
    if (!resto.empty() && resto[0] == '/') {
        auto d = CaminhoDos(resto);
        if (!d) return {};
        dos = *d;
    } else {
        dos = NomeHostPara1252(resto);
    }
    return ComBarraFinal(Maiusculas1252(dos));
}

void CriarListas() {
    ItensGrupo.clear();
    ArquivosDescompactar.clear();
    ArquivosINI.clear();
    ArquivosExecutar.clear();
}

void LiberarListas() {
    CriarListas();
    ItensGrupo.shrink_to_fit();
    ArquivosDescompactar.shrink_to_fit();
    ArquivosINI.shrink_to_fit();
    ArquivosExecutar.shrink_to_fit();
}

void RestaurarConfiguracao() {
    Titulo.clear();
    CorTitulo = CorSombra = CorSubTitulo = clWhite;
    SubTitulo.clear();
    Rodape.clear();
    CorFundo1 = clBlue;
    CorFundo2 = clRed;
    Instalacao = "000000";
    DirBase.clear();
    TotalDiscos = TotalArquivos = 0;
    TotalBytes = 0;
    GrupoPrograma.clear();
    DirInstalador.clear();
    DirOrigem.clear();
    DirDisco.clear();
    PastaDesinstalacaoHost.clear();
    DirWindows.clear();
    DirSistema.clear();
    InstalacaoCancelada = false;
    LiberarListas();
}

void LerDiretoriosWindows() {
    DirWindows = Esquerda(DiretorioWindows(), 255);
    DirSistema = Esquerda(DiretorioSistema(), 255);
    while (DirWindows.size() > 3 && DirWindows.back() == '\\') DirWindows.pop_back();
    while (DirSistema.size() > 3 && DirSistema.back() == '\\') DirSistema.pop_back();
}

std::optional<TCor> ConverterCor(std::string_view texto) {
    for (const auto& c : coresFixas)
        if (IguaisSemCaixa(texto, c.nome)) return c.valor;
    for (std::size_t i = 0; i < coresSistema.size(); ++i)
        if (IguaisSemCaixa(texto, coresSistema[i])) return corSistema + static_cast<TCor>(i);
    if (IguaisSemCaixa(texto, "clNone")) return clNone;
    return NumeroCor(texto);
}

bool LerArquivoComandos(Interacao& ui, std::string_view arquivoDos) {
    Ampulheta ampulheta(ui);
    auto lido = LerConteudoPerfil(arquivoDos);
    // Binary content or a file without its "Info" section is not a command
    // file: installing from it would only install nothing, silently.
    if (!lido || lido->find('\0') != std::string::npos) return false;
    const TabelaPerfil c(std::move(*lido));
    if (!c.TemChaves(secaoInfo)) return false;

    Titulo = Cortado(ValorInfo(c, "Titulo", ""), 35);
    if (!LerCor(c, "Cor Titulo", "clWhite", CorTitulo)) return false;
    if (!LerCor(c, "Cor Sombra", "clWhite", CorSombra)) return false;
    SubTitulo = Cortado(ValorInfo(c, "Sub-Titulo", ""), 60);
    Rodape = Cortado(ValorInfo(c, "Rodape", ""), 60);
    if (!LerCor(c, "Cor Sub-Titulo", "clWhite", CorSubTitulo)) return false;
    if (!LerCor(c, "Cor de Fundo 1", "clBlue", CorFundo1)) return false;
    if (!LerCor(c, "Cor de Fundo 2", "clRed", CorFundo2)) return false;
    Instalacao = Cortado(ValorInfo(c, "Instalacao", "000000"), 6);
    DirBase = Cortado(ValorInfo(c, "Diretorio Base", ""), 200);
    TotalDiscos = static_cast<int16_t>(LerInteiro(c, "Total Discos"));
    TotalArquivos = static_cast<int16_t>(LerInteiro(c, "Total Arquivos"));
    TotalBytes = LerInteiro(c, "Total Bytes");
    GrupoPrograma = ValorInfo(c, "Grupo de Programa", "");

    LerLista(c, "Itens do Grupo", ItensGrupo);
    LerLista(c, "Descompactar Arquivos", ArquivosDescompactar);
    LerLista(c, "Configurar Arquivos INI", ArquivosINI);
    LerLista(c, "Executar Arquivos", ArquivosExecutar);
    return true;
}

std::string PastaHost(std::string_view dos) {
    auto host = CaminhoHost(dos);
    if (!host) return {};
    std::string r = NomeHostPara1252(*host);
    while (!r.empty() && r.back() == '/') r.pop_back();
    return r;
}

void ExpandirMacros(std::string& texto, bool minusculas) {
    struct MacroHost {
        const char* nome;
        const std::string* dos;
    };
    const MacroHost macros[] = {
        {"@PASTABASE", &DirBase}, {"@PASTAWINDOWS", &DirWindows}, {"@PASTASISTEMA", &DirSistema}};
    // The text is cut at the host macros first: each piece between them gets
    // the DOS macros and the case rule alone, so neither a DOS directory that
    // holds a host macro's name nor the lower case reaches a host path.
    const std::string maiusculas = Maiusculas1252(texto);
    std::string r;
    std::size_t desde = 0;
    for (;;) {
        std::size_t p = std::string::npos;
        const MacroHost* achada = nullptr;
        for (const auto& m : macros)
            if (std::size_t q = maiusculas.find(m.nome, desde); q < p) {
                p = q;
                achada = &m;
            }
        std::string trecho = texto.substr(desde, p == std::string::npos ? p : p - desde);
        Substituir(trecho, "@DIRBASE", 9, DirBase);
        Substituir(trecho, "@WINDIR", 7, DirWindows);
        Substituir(trecho, "@SYSDIR", 7, DirSistema);
        r += minusculas ? Minusculas1252(trecho) : trecho;
        if (!achada) break;
        r += PastaHost(*achada->dos);
        desde = p + std::strlen(achada->nome);
    }
    texto = std::move(r);
}

std::vector<std::string> CamposEntrada(std::string_view entrada, std::size_t indice,
                                       bool camposMinusculos) {
    std::string texto = std::string(entrada) + ",";
    if (Minusculas1252(texto.substr(0, 4)) == "item") {
        std::size_t prefixo = 4 + std::to_string(indice + 1).size() + 1;
        texto.erase(0, std::min(prefixo, texto.size()));
    }
    std::vector<std::string> campos;
    std::size_t inicio = 0;
    for (std::size_t virgula; (virgula = texto.find(',', inicio)) != std::string::npos;
         inicio = virgula + 1) {
        std::string campo = texto.substr(inicio, virgula - inicio);
        ExpandirMacros(campo, camposMinusculos && !campos.empty());
        campos.push_back(std::move(campo));
    }
    return campos;
}

std::vector<std::string> CamposEntrada(const std::vector<std::string>& lista, std::size_t indice) {
    return CamposEntrada(lista.at(indice), indice, &lista != &ArquivosDescompactar);
}

std::string NomeRotuloDisco(int disco) {
    return "zentrava." + CompletarEsq(std::to_string(disco), 3, '0');
}

namespace {

std::string TextoPedirDisco(char letra, int disco) {
    return "Insira o Disco de Instalação #"_ansi + std::to_string(disco) + " no drive " +
           Maiusculas1252(std::string(1, letra)) + " ...";
}

std::string ComHost(const std::string& dos) {
    const std::string host = PastaHost(dos);
    return host.empty() ? dos : dos + " (" + host + ")";
}

// The disk folder a chosen folder means: the disk itself (its label file is
// there) or the folder holding its image folder DISCO.nnn.
std::optional<std::string> DiscoNaPasta(std::string pasta, int disco) {
    pasta = ComBarraFinal(std::move(pasta));
    if (ArquivoExiste(pasta + NomeRotuloDisco(disco))) return pasta;
    const std::string imagem = pasta + "DISCO." + CompletarEsq(std::to_string(disco), 3, '0') + "\\";
    if (PastaExiste(imagem)) return imagem;
    return std::nullopt;
}

// An image folder that is not where the first one was (a set copied without
// it, or kept on another medium): asked for as a disk in a drive is, with a
// way to point at the folder that holds it.
bool PastaDeImagem(Interacao& ui, char letra, int disco, const std::string& esperada) {
    std::string pasta = esperada;
    std::string texto = TextoPedirDisco(letra, disco) + "\rA pasta "_ansi + ComHost(esperada) +
                        " não foi encontrada.\rInsira o disco ou escolha \"Procurar...\" para "
                        "indicar a pasta em que ele está."_ansi;
    while (!PastaExiste(pasta)) {
        ui.CursorNormal();
        // The chooser opens on the folder the image folders were in.
        std::string escolhida = ExtrairPasta(std::string_view(esperada).substr(0, esperada.size() - 1));
        const int r = ui.PedirPastaDisco("Atenção"_ansi, texto, escolhida);
        if (r == 2) return false;
        if (r != 3) continue;
        if (auto achada = DiscoNaPasta(escolhida, disco)) {
            pasta = *achada;
            break;
        }
        ui.Mensagem("Erro", "A pasta "_ansi + ComHost(escolhida) +
                                " não contém o Disco de Instalação #"_ansi + std::to_string(disco) + ".",
                    6);
    }
    DirDisco = pasta;
    DefinirPastaAtual(pasta);
    return true;
}

} // namespace

bool VerificarDisco(Interacao& ui, char letra, int disco) {
    std::string nnn = CompletarEsq(std::to_string(disco), 3, '0');
    std::size_t p = Maiusculas1252(DirDisco).find("DISCO.");
    if (p != std::string::npos) {
        std::string s = DirDisco;
        // The number, never the backslash that ends the folder ("DISCO.1\").
        std::size_t n = 0;
        while (n < 3 && p + 6 + n < s.size() && s[p + 6 + n] != '\\') ++n;
        s.replace(p + 6, n, nnn);
        // A set whose label files all lie in one folder needs no other folder.
        if (!PastaExiste(s) && ArquivoExiste(DirDisco + NomeRotuloDisco(disco))) return true;
        return PastaDeImagem(ui, letra, disco, s);
    }
    const std::string texto = TextoPedirDisco(letra, disco);
    while (!ArquivoExiste(DirDisco + NomeRotuloDisco(disco))) {
        ui.CursorNormal();
        if (ui.Mensagem("Atenção"_ansi, texto, 11) == 2) return false;
    }
    return true;
}

Partida IniciarInstalador(Interacao& ui, std::string_view dirInstalador,
                          std::optional<std::string_view> argumento) {
    LerDiretoriosWindows();
    DirInstalador = ComBarraFinal(std::string(dirInstalador));
    DirOrigem = DirInstalador;
    if (argumento) {
        std::string chave = Maiusculas1252(argumento->substr(0, 2));
        if (chave == "/D") DirOrigem = PastaDoArgumento(*argumento);
        if (chave == "/X") {
            DirDisco = PastaDoArgumento(*argumento);
            if (argumento->size() > 2 && (*argumento)[2] == '/') PastaDesinstalacaoHost = argumento->substr(2);
            return Partida::Desinstalar;
        }
    }
    DirDisco = DirOrigem;
    CriarListas();
    if (!LerArquivoComandos(ui, DirInstalador + "zentrava.cmd")) {
        ui.Mensagem("Erro", "Não foi encontrado o arquivo de comandos ZENTRAVA.CMD"_ansi, 6);
        LiberarListas();
        return Partida::Encerrar;
    }
    if (DirOrigem.empty() || !ArquivoExiste(DirOrigem + "zentrava.001")) {
        ui.Mensagem("Erro", "Não foi encontrado o arquivo de controle ZENTRAVA.001"_ansi, 6);
        LiberarListas();
        return Partida::Encerrar;
    }
    return Partida::Instalar;
}

std::string RegistroLogDesinstalacao() {
    std::string r(tamanhoLogDesinstalacao, '\0');
    r[0] = 26;
    GravarTexto(r, posTitulo, 35, EmbaralharTexto(Esquerda(Titulo, 35), embaralhar));
    GravarTexto(r, posGrupo, 255, GrupoPrograma);
    GravarTexto(r, posDirBase, 255, Minusculas1252(DirBase));
    GravarTexto(r, posDirOrigem, 255, Minusculas1252(DirOrigem));
    return r;
}

bool GravarLogDesinstalacao(Interacao& ui, std::string_view arquivoDos) {
    Ampulheta ampulheta(ui);
    return GravarArquivoAtomico(arquivoDos, RegistroLogDesinstalacao());
}

bool LerLogDesinstalacao(Interacao& ui, std::string_view arquivoDos, LogDesinstalacao& log) {
    Ampulheta ampulheta(ui);
    auto r = LerArquivoExclusivo(arquivoDos, tamanhoLogDesinstalacao + 1);
    if (!r || r->size() != tamanhoLogDesinstalacao || (*r)[0] != 26) return false;
    LogDesinstalacao lido;
    if (!LerTexto(*r, posTitulo, 35, lido.titulo) || !LerTexto(*r, posGrupo, 255, lido.grupo) ||
        !LerTexto(*r, posDirBase, 255, lido.dirBase) ||
        !LerTexto(*r, posDirOrigem, 255, lido.dirOrigem))
        return false;
    lido.titulo = EmbaralharTexto(lido.titulo, desembaralhar);
    log = std::move(lido);
    return true;
}
