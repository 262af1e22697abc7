#include "GrupoProgramas.h"

#include "Arquivos.h"
#include "Interno.h"
#include "Programas.h"
#include "Texto1252.h"
#include "Unidades.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;

namespace plataforma {

namespace {

struct Comando {
    std::string nome;
    std::vector<std::string> argumentos;
};

bool Branco(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Command strings as Program Manager reads them: "[Name(arg,arg)]" repeated;
// an argument is a quoted text or the text up to the next comma or closing
// parenthesis, blanks around it dropped.
std::optional<std::vector<Comando>> Analisar(std::string_view s) {
    std::vector<Comando> r;
    std::size_t i = 0;
    auto pular = [&] {
        while (i < s.size() && Branco(s[i])) ++i;
    };
    auto eh = [&](char c) { return i < s.size() && s[i] == c; };
    for (pular(); i < s.size(); pular()) {
        if (!eh('[')) return std::nullopt;
        ++i;
        pular();
        Comando c;
        while (i < s.size() && std::isalnum(static_cast<unsigned char>(s[i]))) c.nome += s[i++];
        if (c.nome.empty()) return std::nullopt;
        pular();
        if (eh('(')) {
            ++i;
            for (;;) {
                pular();
                std::string arg;
                if (eh('"')) {
                    // A doubled quote inside stands for one, so a command line
                    // that quotes a folder with blanks travels whole.
                    for (++i;; ++i) {
                        if (i >= s.size()) return std::nullopt;
                        if (s[i] == '"' && !(i + 1 < s.size() && s[i + 1] == '"')) break;
                        if (s[i] == '"') ++i;
                        arg += s[i];
                    }
                    ++i;
                    pular();
                } else {
                    while (i < s.size() && std::string_view(",()[]\"").find(s[i]) == std::string_view::npos)
                        arg += s[i++];
                    while (!arg.empty() && Branco(arg.back())) arg.pop_back();
                }
                c.argumentos.push_back(std::move(arg));
                if (eh(',')) {
                    ++i;
                    continue;
                }
                if (!eh(')')) return std::nullopt;
                ++i;
                break;
            }
            pular();
        }
        if (!eh(']')) return std::nullopt;
        ++i;
        r.push_back(std::move(c));
    }
    if (r.empty()) return std::nullopt;
    return r;
}

std::string PastaAplicacoes() {
    std::string d = interno::PastaXdg("XDG_DATA_HOME", ".local/share");
    return d.empty() ? d : d + "/applications";
}

std::string PastaDiretorios() {
    std::string d = interno::PastaXdg("XDG_DATA_HOME", ".local/share");
    return d.empty() ? d : d + "/desktop-directories";
}

std::string PastaMenus() {
    std::string d = interno::PastaXdg("XDG_CONFIG_HOME", ".config");
    return d.empty() ? d : d + "/menus/applications-merged";
}

// The name of the .directory and .menu files: the group name (its case
// ignored, as the folder's is) with every byte outside [A-Za-z0-9-] written
// as "_" and two hexadecimal digits, so distinct groups never share one. A
// long one is cut and ends in a hash of the whole, to stay a valid file name.
std::string Identificador(std::string_view grupo) {
    static const char hex[] = "0123456789ABCDEF";
    const std::string nome = Nome1252ParaHost(Minusculas1252(grupo));
    std::string r = "zentrava-";
    for (unsigned char c : nome) {
        if (std::isalnum(c) && c < 0x80)
            r += static_cast<char>(c);
        else if (c == '-')
            r += '-';
        else
            (r += '_') += std::string{hex[c >> 4], hex[c & 15]};
    }
    if (r.size() > 180) {
        uint64_t h = 14695981039346656037ull; // FNV-1a
        for (unsigned char c : nome) h = (h ^ c) * 1099511628211ull;
        r.resize(160);
        r += '_';
        for (int i = 60; i >= 0; i -= 4) r += hex[(h >> i) & 15];
    }
    return r;
}

// A value of the desktop entry format: backslash and line ends escaped, a
// leading blank kept.
std::string Valor(std::string_view utf8) {
    std::string r;
    for (char c : utf8) {
        if (c == '\\')
            r += "\\\\";
        else if (c == '\n')
            r += "\\n";
        else if (c == '\t')
            r += "\\t";
        else if (c == '\r')
            r += "\\r";
        else
            r += c;
    }
    if (!r.empty() && r[0] == ' ') r.replace(0, 1, "\\s");
    return r;
}

// A text shown in the menu: control characters become blanks.
std::string Nome(std::string_view texto1252) {
    std::string t(texto1252);
    for (char& c : t)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return Cp1252ParaUtf8(t);
}

// One argument of Exec: quoted when it holds a reserved character, with the
// characters that stay special inside quotes escaped; '%' doubled.
std::string ArgumentoExec(std::string_view arg) {
    bool citar = arg.empty() || arg.find_first_of(" \t\n\"'\\><~|&;$*?#()`") != std::string::npos;
    std::string r;
    for (char c : arg) {
        if (c == '%') {
            r += "%%";
            continue;
        }
        if (citar && (c == '"' || c == '`' || c == '$' || c == '\\')) r += '\\';
        r += c;
    }
    return citar ? "\"" + r + "\"" : r;
}

std::string Xml(std::string_view utf8) {
    std::string r;
    for (char c : utf8) {
        if (c == '&')
            r += "&amp;";
        else if (c == '<')
            r += "&lt;";
        else if (c == '>')
            r += "&gt;";
        else
            r += c;
    }
    return r;
}

// The file name of an item's entry: the item's name made a single host name.
std::string ArquivoItem(std::string_view nome1252) {
    std::string n = Nome(nome1252);
    std::replace(n.begin(), n.end(), '/', '_');
    if (!n.empty() && n[0] == '.') n[0] = '_';
    // Room for ".desktop" and the temporary name's affixes within NAME_MAX.
    std::size_t max = 200;
    if (n.size() > max) {
        while (max > 0 && (static_cast<unsigned char>(n[max]) & 0xC0) == 0x80) --max;
        n.resize(max);
    }
    return n + ".desktop";
}

RegistroMenus registro;

// Each missing folder is announced before it is made.
bool CriarPastaHost(const std::string& pasta) {
    std::error_code e;
    if (fs::is_directory(pasta, e)) return true;
    const std::string pai = fs::path(pasta).parent_path().string();
    if (pai.empty() || pai == pasta || !CriarPastaHost(pai)) return false;
    if (registro && !registro(pasta, true)) return false;
    fs::create_directory(pasta, e);
    return fs::is_directory(pasta, e);
}

bool Gravar(const std::string& host, std::string_view bytes) {
    return (!registro || registro(host, false)) && interno::GravarAtomicoHost(host, bytes);
}

std::string NomeDaPasta(const std::string& host) {
    return host.substr(host.rfind('/') + 1);
}

// The merged menu: the submenu named by the .directory file, with every
// entry now in the group's folder.
bool GravarMenu(const std::string& grupoHost, const std::string& id) {
    std::vector<std::string> entradas;
    std::error_code e;
    for (const auto& item : fs::directory_iterator(grupoHost, e))
        if (item.path().extension() == ".desktop") entradas.push_back(item.path().filename());
    if (e) return false;
    std::sort(entradas.begin(), entradas.end());
    std::string menu = "<!DOCTYPE Menu PUBLIC \"-//freedesktop//DTD Menu 1.0//EN\"\n"
                       " \"http://www.freedesktop.org/standards/menu-spec/1.0/menu.dtd\">\n"
                       "<Menu>\n  <Name>Applications</Name>\n  <Menu>\n"
                       "    <Name>" + id + "</Name>\n"
                       "    <Directory>" + id + ".directory</Directory>\n    <Include>\n";
    for (const auto& arquivo : entradas)
        menu += "      <Filename>" + Xml(NomeDaPasta(grupoHost) + "-" + arquivo) + "</Filename>\n";
    menu += "    </Include>\n  </Menu>\n</Menu>\n";
    const std::string pasta = PastaMenus();
    return !pasta.empty() && CriarPastaHost(pasta) && Gravar(pasta + "/" + id + ".menu", menu);
}

// The submenu's name.
bool GravarDiretorio(const std::string& grupo, const std::string& diretorios) {
    std::string entrada = "[Desktop Entry]\nType=Directory\nName=" + Valor(Nome(grupo)) +
                          "\nIcon=folder\n";
    return Gravar(diretorios + "/" + Identificador(grupo) + ".directory", entrada);
}

// The host folder of a group, through the DOS namespace as the uninstall
// finds it (an existing folder is matched without regard to case).
std::optional<std::string> PastaGrupoHost(const std::string& grupo, bool criar) {
    auto programas = PastaProgramas();
    if (!programas || !NomeGrupoValido(grupo)) return std::nullopt;
    std::string dos = *programas + "\\" + grupo;
    auto host = CaminhoHost(dos);
    if (!host || (criar && !PastaExiste(dos) && !CriarPastaHost(*host)) || !PastaExiste(dos))
        return std::nullopt;
    return host;
}

} // namespace

std::optional<std::string> PastaProgramas() {
    std::string aplicacoes = PastaAplicacoes();
    if (aplicacoes.empty()) return std::nullopt;
    return CaminhoDos(aplicacoes);
}

std::string ArgumentoComando(std::string_view argumento) {
    if (argumento.find_first_of(" \t,()[]\"") == std::string_view::npos) return std::string(argumento);
    std::string r = "\"";
    for (char c : argumento) r += c == '"' ? std::string("\"\"") : std::string(1, c);
    return r + "\"";
}

bool NomeGrupoValido(std::string_view nome) {
    if (nome.empty() || nome == "." || nome.find("..") != std::string_view::npos) return false;
    return std::none_of(nome.begin(), nome.end(), [](char c) {
        return c == '\\' || c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    });
}

bool ServicoGrupos::Executar(std::string_view comandos) {
    if (comandos.size() > maxComandoGrupo) return false;
    auto lidos = Analisar(comandos);
    if (!lidos) return false;
    for (const Comando& c : *lidos) {
        bool ok = false;
        if (IguaisSemCaixa(c.nome, "CreateGroup") && !c.argumentos.empty())
            ok = CriarGrupo(c.argumentos[0]);
        else if (IguaisSemCaixa(c.nome, "AddItem") && !c.argumentos.empty())
            ok = AdicionarItem(c.argumentos[0], c.argumentos.size() > 1 ? c.argumentos[1] : "");
        if (!ok) return false;
    }
    return true;
}

bool ServicoGrupos::CriarGrupo(const std::string& nome) {
    auto pasta = PastaGrupoHost(nome, true);
    const std::string diretorios = PastaDiretorios();
    if (!pasta || diretorios.empty() || !CriarPastaHost(diretorios)) return false;
    if (!GravarDiretorio(nome, diretorios) || !GravarMenu(*pasta, Identificador(nome))) return false;
    grupo_ = nome;
    return true;
}

bool ServicoGrupos::AdicionarItem(const std::string& linha, std::string nome) {
    if (!grupo_) return false;
    auto pasta = PastaGrupoHost(*grupo_, false);
    auto comando = ResolverLinhaComando(linha);
    if (!pasta || !comando) return false;
    const std::string& programa = comando->programa;
    if (nome.empty()) nome = NomeHostPara1252(fs::path(programa).stem().string());

    // A document or a folder opens with the desktop's own choice of program,
    // as a shortcut to one does on Windows.
    struct stat st;
    bool documento = programa.find('/') != std::string::npos && stat(programa.c_str(), &st) == 0 &&
                     (S_ISDIR(st.st_mode) || (S_ISREG(st.st_mode) && !(st.st_mode & 0111)));
    std::string exec = documento ? "xdg-open " : "";
    exec += ArgumentoExec(programa);
    for (const auto& a : comando->argumentos) exec += " " + ArgumentoExec(a);

    std::string entrada = "[Desktop Entry]\nType=Application\nName=" + Valor(Nome(nome)) +
                          "\nExec=" + Valor(exec) + "\n";
    if (programa.find('/') != std::string::npos && !documento)
        entrada += "Path=" + Valor(fs::path(programa).parent_path().string()) + "\n";
    entrada += "Terminal=false\n";
    return Gravar(*pasta + "/" + ArquivoItem(nome), entrada) && GravarMenu(*pasta, Identificador(*grupo_));
}

void DefinirRegistroMenus(RegistroMenus r) {
    registro = std::move(r);
}

std::vector<std::string> PastasMenus() {
    std::vector<std::string> r;
    for (std::string p : {PastaAplicacoes(), PastaDiretorios(), PastaMenus()})
        if (!p.empty()) r.push_back(std::move(p));
    return r;
}

std::optional<std::string> AdicionarItemHost(std::string_view grupo, std::string_view nome,
                                             const std::vector<std::string>& argumentos) {
    if (argumentos.empty()) return std::nullopt;
    std::string exec;
    for (const auto& a : argumentos) exec += (exec.empty() ? "" : " ") + ArgumentoExec(a);
    const std::string entrada = "[Desktop Entry]\nType=Application\nName=" + Valor(Nome(nome)) +
                                "\nExec=" + Valor(exec) + "\nTerminal=false\n";
    std::string arquivo;
    if (!grupo.empty()) {
        auto pasta = PastaGrupoHost(std::string(grupo), true);
        if (!pasta) return std::nullopt;
        arquivo = *pasta + "/" + ArquivoItem(nome);
        const std::string diretorios = PastaDiretorios();
        if (diretorios.empty() || !CriarPastaHost(diretorios) || !GravarDiretorio(std::string(grupo), diretorios) ||
            !Gravar(arquivo, entrada) || !GravarMenu(*pasta, Identificador(grupo)))
            return std::nullopt;
        return arquivo;
    }
    const std::string aplicacoes = PastaAplicacoes();
    if (aplicacoes.empty() || !CriarPastaHost(aplicacoes)) return std::nullopt;
    arquivo = aplicacoes + "/" + Identificador(nome) + ".desktop";
    if (!Gravar(arquivo, entrada)) return std::nullopt;
    return arquivo;
}

void AtualizarMenuGrupo(std::string_view nome) {
    auto pasta = PastaGrupoHost(std::string(nome), false);
    std::error_code e;
    bool restam = false;
    if (pasta)
        for (const auto& item : fs::directory_iterator(*pasta, e))
            restam = restam || item.path().extension() == ".desktop";
    if (restam) {
        // Another program's items share the group: its submenu stays theirs.
        if (CriarPastaHost(PastaDiretorios())) GravarDiretorio(std::string(nome), PastaDiretorios());
        GravarMenu(*pasta, Identificador(nome));
        return;
    }
    if (pasta) fs::remove(*pasta, e); // only when empty
    RemoverMenuGrupo(nome);
}

void RemoverMenuGrupo(std::string_view nome) {
    if (!NomeGrupoValido(nome)) return;
    const std::string id = Identificador(nome);
    std::error_code e;
    if (std::string d = PastaDiretorios(); !d.empty()) fs::remove(d + "/" + id + ".directory", e);
    if (std::string m = PastaMenus(); !m.empty()) fs::remove(m + "/" + id + ".menu", e);
}

} // namespace plataforma
