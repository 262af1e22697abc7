#include "SequenciaInstalacao.h"

#include "ApagamentoSeguro.h"
#include "Arquivos.h"
#include "CopiaPrivada.h"
#include "GrupoProgramas.h"
#include "Integracao.h"
#include "RegistroInstalacao.h"
#include "Texto1252.h"
#include "Unidades.h"
#include "fIOlib.h"
#include "mSetuplb.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <ctime>
#include <set>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace plataforma;
using namespace plataforma::literais;

namespace {

constexpr int tipoErro = 6;
constexpr char pastaCopia[] = ".zentrava";

std::string pastaApp;          // host path of DirBase for the run in progress
std::string programaCopiado;   // test seams: what is copied as the installer
std::string motorCopiado;      // and as its engine

std::string SemBarra(std::string host) {
    while (host.size() > 1 && host.back() == '/') host.pop_back();
    return host;
}

std::string Host1252(const std::string& host) {
    return NomeHostPara1252(host);
}

std::string ProgramaCopiado() {
    return programaCopiado.empty() ? ExecutavelEmUso() : programaCopiado;
}

std::string MotorCopiado() {
    return motorCopiado.empty() ? MotorEmUso() : motorCopiado;
}

// Outside the application folder a rollback or an uninstall touches only the
// menu files, the Windows and system folders, and the INI files this
// installation names.
bool ForaPermitido(const std::string& host) {
    if (host.find("/../") != std::string::npos || host.ends_with("/..")) return false;
    const char* casa = getenv("HOME");
    for (const auto& m : PastasMenus()) {
        if (DentroDe(host, m)) return true;
        // The folders above a menu folder, which the menus may have needed
        // created: only they themselves (a rollback removes them when empty).
        for (std::string p = m; casa && DentroDe(p, casa) && p != SemBarra(casa); p = p.substr(0, p.rfind('/')))
            if (host == p) return true;
    }
    for (const std::string* dos : {&DirWindows, &DirSistema})
        if (auto h = CaminhoHost(*dos); h && !dos->empty() && DentroDe(host, SemBarra(*h))) return true;
    for (std::size_t i = 0; i < ArquivosINI.size(); ++i)
        if (auto h = CaminhoHost(CamposEntrada(ArquivosINI, i).front()); h && *h == host) return true;
    return false;
}

bool MenuPermitido(const std::string& host) {
    if (host.find("/../") != std::string::npos) return false;
    const auto pastas = PastasMenus();
    return std::any_of(pastas.begin(), pastas.end(), [&](const std::string& m) { return DentroDe(host, m) && host != m; });
}

std::string Lista(const ResultadoApagamento& r, const std::string& base) {
    std::string t;
    for (const auto& n : r.restantes)
        t += "\r" + Host1252(n.starts_with('/') || base.empty() ? n : base + "/" + n);
    if (r.restantesTotal > static_cast<int64_t>(r.restantes.size()))
        t += "\re mais " + std::to_string(r.restantesTotal - static_cast<int64_t>(r.restantes.size())) + ".";
    return t;
}

bool RegistrarMenu(const std::string& host, bool pasta) {
    if (pasta) {
        struct stat st;
        return lstat(host.c_str(), &st) == 0 || Registrar("pasta", {host});
    }
    return GuardarAntigo(host) && Registrar("menu", {host});
}

FimInstalacao Desfazer(Interacao& ui, bool avisar) {
    DefinirRegistroMenus({});
    const bool aberto = RegistroAberto();
    FecharRegistro();
    if (aberto) {
        ui.CursorOcupado();
        ResultadoDesfazer d = DesfazerRegistro(pastaApp, ForaPermitido);
        ui.CursorNormal();
        if (!d.r.Completo())
            ui.Mensagem("Erro",
                        "Não foi possível desfazer tudo o que a instalação mudou. Ficaram:"_ansi +
                            Lista(d.r, pastaApp),
                        tipoErro);
    }
    if (avisar) ui.Mensagem("Atenção"_ansi, "O aplicativo não foi instalado corretamente."_ansi, 5);
    return FimInstalacao::Desfeita;
}

bool GravarLog(Interacao& ui) {
    const std::string log = DirBase + "zentrava.log";
    const auto host = CaminhoHost(log);
    bool ok = host && GuardarAntigo(*host) &&
              (!RegistroAberto() || Registrar("arquivo", {NoRegistro(*host), "1133", "-"}));
    if (ok && GravarLogDesinstalacao(ui, log)) return true;
    ui.CursorNormal();
    ui.Mensagem("Erro", "Erro de entrada/saída ao gravar o arquivo "_ansi + ComHost(log) + ".", tipoErro);
    return false;
}

// One file copied under the record's rules; 0 or an errno value.
int CopiarRegistrado(const std::string& origem, const std::string& destino, mode_t modo) {
    int de = open(origem.c_str(), O_RDONLY | O_CLOEXEC);
    if (de < 0) return errno;
    ArquivoNovo novo;
    int erro = novo.Criar(destino.substr(0, destino.rfind('/')), modo);
    std::vector<char> buf(1 << 16);
    while (erro == 0) {
        ssize_t n = read(de, buf.data(), buf.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) erro = errno;
        if (n <= 0) break;
        for (ssize_t w = 0; erro == 0 && w < n;) {
            ssize_t k = write(novo.fd(), buf.data() + w, static_cast<std::size_t>(n - w));
            if (k < 0 && errno != EINTR) erro = errno;
            if (k > 0) w += k;
        }
    }
    close(de);
    if (erro == 0 && fchmod(novo.fd(), modo & ~MascaraCriacao()) != 0) erro = errno;
    return erro ? erro : novo.Instalar(destino);
}

// The installer and its engine kept in the application folder, and the menu
// item that runs that copy's uninstall.
bool CopiarInstalador(Interacao& ui) {
    const std::string pasta = pastaApp + "/" + pastaCopia;
    const std::string programa = ProgramaCopiado(), motor = MotorCopiado();
    int erro = programa.empty() || motor.empty() ? ENOENT : 0;
    if (erro == 0 && !CriarPastasRegistradas(pasta)) erro = errno;
    if (erro == 0) erro = CopiarRegistrado(programa, pasta + "/zentrava", 0755);
    if (erro == 0) erro = CopiarRegistrado(motor, pasta + "/libzentunz.so", 0755);
    // A self-contained set's uninstall must run where the system has no Qt.
    const std::string origem = programa.substr(0, programa.rfind('/'));
    for (const std::string& nome : ArquivosAutonomos(origem)) {
        if (erro) break;
        const std::string alvo = pasta + "/" + nome;
        if (!CriarPastasRegistradas(alvo.substr(0, alvo.rfind('/')))) erro = errno;
        else erro = CopiarRegistrado(origem + "/" + nome, alvo, 0644);
    }
    if (erro) {
        ui.CursorNormal();
        ui.Mensagem("Erro", "Não foi possível copiar o instalador para a pasta "_ansi + Host1252(pasta) + ":\r" +
                                TextoErroSistema(erro), tipoErro);
        return false;
    }
    const std::vector<std::string> argumentos{pasta + "/zentrava", "/X" + pastaApp};
    if (!AdicionarItemHost(GrupoPrograma, "Desinstalar "_ansi + Titulo, argumentos)) {
        ui.CursorNormal();
        ui.Mensagem("Erro", "Não posso criar o item.\rO aplicativo não foi instalado corretamente."_ansi, tipoErro);
        return false;
    }
    return true;
}

std::string Agora() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char b[32];
    std::strftime(b, sizeof b, "%Y-%m-%d %H:%M:%S", &tm);
    return b;
}

bool PastaVazia(const std::string& host) {
    DIR* d = opendir(host.c_str());
    if (!d) return false;
    int n = 0;
    while (dirent* e = readdir(d))
        if (std::string_view(e->d_name) != "." && std::string_view(e->d_name) != "..") ++n;
    closedir(d);
    return n == 0;
}

// ---- The uninstall ----

void RemoverGrupo(Interacao& ui, const std::string& grupo) {
    // A name that is no single folder inside the applications folder could
    // lead the deletion elsewhere: the group step is skipped.
    if (!NomeGrupoValido(grupo)) return;
    if (auto programas = PastaProgramas(); programas && PastaExiste(*programas))
        ApagarPasta(*programas + "\\" + grupo, &ui);
    RemoverMenuGrupo(grupo);
}



// Every existing host folder a DOS path names when each component may match
// any name that differs from it only in letter case.
std::vector<std::string> Candidatos(const std::string& dos) {
    auto completo = CaminhoDosCompleto(dos);
    if (!completo || completo->size() < 3) return {};
    const auto& raizes = Unidades().raizes;
    auto raiz = raizes.find(static_cast<char>(std::toupper(static_cast<unsigned char>((*completo)[0]))));
    if (raiz == raizes.end()) return {};
    std::vector<std::string> candidatos{SemBarra(raiz->second)};
    std::string resto = completo->substr(3);
    for (std::size_t i = 0; i < resto.size();) {
        std::size_t f = std::min(resto.find('\\', i), resto.size());
        const std::string comp = resto.substr(i, f - i);
        i = f + 1;
        if (comp.empty()) continue;
        std::vector<std::string> proximos;
        for (const auto& c : candidatos) {
            DIR* d = opendir(c.c_str());
            if (!d) continue;
            while (dirent* e = readdir(d))
                if (IguaisSemCaixa(NomeHostPara1252(e->d_name), comp))
                    proximos.push_back((c == "/" ? "" : c) + "/" + e->d_name);
            closedir(d);
        }
        candidatos = std::move(proximos);
    }
    struct stat st;
    std::erase_if(candidatos, [&](const std::string& c) { return stat(c.c_str(), &st) != 0 || !S_ISDIR(st.st_mode); });
    return candidatos;
}

// The folder "/X" names, on the host: the path given when it was a host path;
// otherwise the one folder whose name matches without regard to case, or of
// several the one holding an uninstall log; empty when there is none, nullopt
// after the message refusing an ambiguous name.
std::optional<std::string> PastaDesinstalacao(Interacao& ui) {
    struct stat st;
    if (!PastaDesinstalacaoHost.empty())
        return stat(PastaDesinstalacaoHost.c_str(), &st) == 0 ? SemBarra(PastaDesinstalacaoHost) : std::string();
    std::vector<std::string> candidatos = Candidatos(DirDisco);
    if (candidatos.size() > 1) {
        std::vector<std::string> comLog;
        for (const auto& c : candidatos)
            if (stat((c + "/zentrava.log").c_str(), &st) == 0) comLog.push_back(c);
        if (comLog.size() == 1) return comLog[0];
        std::string nomes;
        for (const auto& c : candidatos) nomes += "\r" + Host1252(c);
        ui.Mensagem("Erro",
                    "Há mais de uma pasta com o nome "_ansi + DirDisco +
                        ", que diferem só nas letras maiúsculas e minúsculas:"_ansi + nomes +
                        "\rIndique a pasta pelo caminho exato.\rNada foi apagado."_ansi,
                    tipoErro);
        return std::nullopt;
    }
    return candidatos.empty() ? std::string() : candidatos[0];
}

// Drive roots, the home folder, the Windows and system folders: none of them
// may be the folder or lie inside it. Asked of the open folder itself.
bool EssencialAberta(int pasta) {
    struct stat alvo;
    if (fstat(pasta, &alvo) != 0) return true;
    std::vector<std::string> essenciais;
    for (const auto& [letra, raiz] : Unidades().raizes) essenciais.push_back(raiz);
    if (const char* casa = getenv("HOME")) essenciais.emplace_back(casa);
    for (const std::string* dos : {&DirWindows, &DirSistema})
        if (auto h = CaminhoHost(dos->empty() ? "" : *dos)) essenciais.push_back(*h);
    for (const auto& e : essenciais) {
        char b[PATH_MAX];
        if (!realpath(e.c_str(), b)) continue;
        for (std::string p = b;; p = p.substr(0, std::max<std::size_t>(p.rfind('/'), 1))) {
            struct stat st;
            if (stat(p.c_str(), &st) == 0 && MesmoArquivo(st, alvo)) return true;
            if (p == "/") break;
        }
    }
    return false;
}

std::optional<std::string> LerEm(int pasta, const char* nome, std::size_t limite) {
    int fd = openat(pasta, nome, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string r;
    char b[65536];
    for (ssize_t n; r.size() <= limite && (n = read(fd, b, sizeof b)) > 0;) r.append(b, static_cast<std::size_t>(n));
    close(fd);
    if (r.size() > limite) return std::nullopt;
    return r;
}

// A file of the record, below the folder (relative) or a menu file.
bool ApagarDoRegistro(int app, const std::string& caminho, ResultadoApagamento& r) {
    const bool absoluto = caminho.starts_with('/');
    if (absoluto && !MenuPermitido(caminho)) return false;
    const auto b = caminho.rfind('/');
    const std::string nome = b == std::string::npos ? caminho : caminho.substr(b + 1);
    if (nome.empty() || nome == "." || nome == "..") return false;
    PastaAberta pai = absoluto ? AbrirPastaHost(caminho.substr(0, std::max<std::size_t>(b, 1)))
                               : AbrirAbaixo(app, b == std::string::npos ? "" : std::string_view(caminho).substr(0, b));
    struct stat st;
    if (!pai.Aberta() || fstatat(*pai, nome.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
    if (S_ISDIR(st.st_mode)) return false;
    if (!RemoverEntrada(*pai, nome, false, r)) r.Restou(caminho);
    return true;
}

void ApagarPastaDoRegistro(int app, const std::string& caminho) {
    const bool absoluto = caminho.starts_with('/');
    if (absoluto && !MenuPermitido(caminho)) return;
    const auto b = caminho.rfind('/');
    const std::string nome = b == std::string::npos ? caminho : caminho.substr(b + 1);
    if (nome.empty() || nome == "." || nome == "..") return;
    PastaAberta pai = absoluto ? AbrirPastaHost(caminho.substr(0, std::max<std::size_t>(b, 1)))
                               : AbrirAbaixo(app, b == std::string::npos ? "" : std::string_view(caminho).substr(0, b));
    ResultadoApagamento ignorado;
    if (pai.Aberta()) RemoverEntrada(*pai, nome, false, ignorado); // only when empty
}

} // namespace

bool IniciarInstalacao(Interacao& ui) {
    FecharRegistro();
    DefinirRegistroMenus({});
    auto host = CaminhoHost(DirBase);
    if (!host) {
        ui.Mensagem("Erro", "Nenhuma unidade corresponde à pasta "_ansi + DirBase + ".", tipoErro);
        return false;
    }
    pastaApp = SemBarra(*host);
    ui.CursorOcupado();
    // What a killed run left goes first, so its litter never outlives this run.
    ResultadoDesfazer anterior = DesfazerRegistro(pastaApp, ForaPermitido);
    ui.CursorNormal();
    if (!anterior.r.Completo()) {
        ui.Mensagem("Erro",
                    "A pasta "_ansi + ComHost(DirBase) +
                        " guarda uma instalação interrompida que não pôde ser desfeita. Ficaram:"_ansi +
                        Lista(anterior.r, pastaApp),
                    tipoErro);
        return false;
    }
    struct stat st;
    std::string estadoPasta = "ocupada";
    std::vector<std::string> criadas;
    if (stat(pastaApp.c_str(), &st) != 0) {
        estadoPasta = "criada";
        for (std::string p = pastaApp; p.size() > 1 && stat(p.c_str(), &st) != 0; p = p.substr(0, std::max<std::size_t>(p.rfind('/'), 1)))
            criadas.insert(criadas.begin(), p);
        for (const auto& p : criadas)
            if (mkdir(p.c_str(), 0777) != 0 && errno != EEXIST) {
                ui.Mensagem("Erro", "Não foi possível criar a pasta "_ansi + ComHost(DirBase) + ":\r" +
                                        TextoErroSistema(errno), tipoErro);
                return false;
            }
    } else if (PastaVazia(pastaApp)) {
        estadoPasta = "vazia";
    } else if (stat((pastaApp + "/zentrava.log").c_str(), &st) == 0 &&
               stat((pastaApp + "/" + nomeRegistroInstalacao).c_str(), &st) != 0) {
        // An older installer's folder: its uninstall takes the folder whole,
        // and so it stays.
        estadoPasta = "instalada";
    }
    bool ok = AbrirRegistro(pastaApp) &&
              Registrar("inicio", {Agora(), std::to_string(TotalDiscos), Cp1252ParaUtf8(DirBase), pastaApp, estadoPasta});
    for (const auto& p : criadas) ok = ok && Registrar("pasta", {NoRegistro(p)});
    if (!ok) {
        const int erro = errno;
        FecharRegistro();
        ui.Mensagem("Erro", "Não foi possível gravar o registro da instalação na pasta "_ansi + ComHost(DirBase) +
                                ":\r" + TextoErroSistema(erro), tipoErro);
        for (auto it = criadas.rbegin(); it != criadas.rend(); ++it) rmdir(it->c_str());
        return false;
    }
    DefinirRegistroMenus(RegistrarMenu);
    return true;
}

FimInstalacao DesfazerInstalacao(Interacao& ui) {
    ui.CursorNormal();
    return Desfazer(ui, true);
}

FimInstalacao ConcluirInstalacao(Interacao& ui) {
    if (!RegistroAberto()) pastaApp = SemBarra(CaminhoHost(DirBase).value_or(""));
    if (!AlterarArquivosINI(ui) || !ExecutarArquivos(ui) || !GravarLog(ui)) return Desfazer(ui, true);
    // Its message already says the application was not installed.
    if (!CriarGrupodePrograma(ui)) return Desfazer(ui, false);
    if (!CopiarInstalador(ui)) return Desfazer(ui, false);
    if (RegistroAberto() && !Registrar("fim", {"concluida"})) {
        ui.Mensagem("Erro", "Não foi possível gravar o registro da instalação na pasta "_ansi + ComHost(DirBase) +
                                ":\r" + TextoErroSistema(errno), tipoErro);
        return Desfazer(ui, true);
    }
    DefinirRegistroMenus({});
    if (RegistroAberto()) {
        FecharRegistro();
        DesfazerRegistro(pastaApp, ForaPermitido); // a finished run: its old copies go
    }
    ui.Mensagem("Parabéns !!!"_ansi, "Instalação completada com sucesso."_ansi, 5);
    return FimInstalacao::Concluida;
}

FimInstalacao ExecutarInstalacao(Interacao& ui, ObservadorRestauracao* observador) {
    InstalacaoCancelada = false;
    if (!IniciarInstalacao(ui)) return FimInstalacao::Cancelada;
    if (RestaurarInstalacao(ui, observador) != FimRestauracao::Concluida || InstalacaoCancelada)
        return DesfazerInstalacao(ui);
    return ConcluirInstalacao(ui);
}

bool EspelharRegistro(std::string caminhoHost) {
    return EspelharLinhas(caminhoHost);
}

void RegistrarMensagem(std::string_view texto) {
    EspelharMensagem(texto);
}

void DefinirCopiaInstalador(std::string programa, std::string motor) {
    programaCopiado = std::move(programa);
    motorCopiado = std::move(motor);
}

bool Desinstalar(Interacao& ui, bool perguntar) {
    const std::string nada = "\rNada foi apagado."_ansi;
    const auto achada = PastaDesinstalacao(ui);
    if (!achada) return false;
    const std::string& host = *achada;
    LogDesinstalacao log;
    const std::string dos = host.empty() ? std::string() : CaminhoDos(host).value_or("");
    if (dos.empty() || !LerLogDesinstalacao(ui, dos + "\\zentrava.log", log)) {
        ui.Mensagem("Erro", "Não foi encontrado o arquivo de desinstalação ZENTRAVA.LOG"_ansi, tipoErro);
        return false;
    }
    if (!PastaExiste(log.dirBase)) {
        ui.Mensagem("Erro", "Não foi encontrado o diretório do aplicativo."_ansi, tipoErro);
        return false;
    }
    // The log travels inside the folder it describes: one that names another
    // folder was moved or edited, and is not followed.
    bool mesma = false;
    struct stat aqui;
    if (stat(host.c_str(), &aqui) == 0)
        for (const auto& c : Candidatos(log.dirBase))
            if (struct stat st; stat(c.c_str(), &st) == 0 && MesmoArquivo(st, aqui)) mesma = true;
    if (!mesma) {
        ui.Mensagem("Erro", "O arquivo de desinstalação ZENTRAVA.LOG indica a pasta "_ansi + log.dirBase +
                                ", que não é a pasta em que ele está ("_ansi + Host1252(host) + ")." + nada,
                    tipoErro);
        return false;
    }
    PastaAberta app = AbrirPastaHost(host);
    if (PastaEssencial(dos) || !app.Aberta() || EssencialAberta(*app)) {
        ui.Mensagem("Erro", "A pasta "_ansi + Host1252(host) + " não pode ser apagada por uma desinstalação."_ansi + nada,
                    tipoErro);
        return false;
    }
    const auto bytesLog = LerEm(*app, "zentrava.log", tamanhoLogDesinstalacao);
    const auto registro = LerEm(*app, nomeRegistroInstalacao, std::size_t(256) << 20);
    ResumoRegistro resumo = registro ? ResumirRegistro(*registro) : ResumoRegistro{};
    const bool inteira = !resumo.valido || resumo.pastaCriada;

    std::set<std::pair<dev_t, ino_t>> raizes;
    for (const auto& [letra, raiz] : Unidades().raizes)
        if (struct stat st; stat(raiz.c_str(), &st) == 0) raizes.insert({st.st_dev, st.st_ino});
    const FiltroPastas poupar = [&](const struct stat& st) { return raizes.count({st.st_dev, st.st_ino}) > 0; };

    int64_t quantos = 0;
    if (inteira) {
        quantos = ContarArquivos(*app, poupar);
    } else {
        for (const auto& a : resumo.arquivos)
            if (PastaAberta pai = AbrirAbaixo(*app, a.find('/') == std::string::npos ? "" : a.substr(0, a.rfind('/')));
                pai.Aberta() && faccessat(*pai, a.substr(a.rfind('/') + 1).c_str(), F_OK, AT_SYMLINK_NOFOLLOW) == 0)
                ++quantos;
        quantos += registro ? 1 : 0;
    }
    const std::string qtd = std::to_string(quantos) + (quantos == 1 ? " arquivo" : " arquivos");
    const std::string pergunta =
        inteira ? "A pasta "_ansi + Host1252(host) + " será apagada, com "_ansi + qtd + "."
                : "Serão apagados "_ansi + qtd + " que a instalação criou na pasta "_ansi + Host1252(host) +
                      "; o que já estava nela fica."_ansi;
    if (perguntar && ui.Mensagem("Desinstalação do aplicativo "_ansi + log.titulo,
                                 pergunta + "\rDeseja realmente desinstalar o aplicativo ???", 8) != 6)
        return false;

    // The folder asked about, and no other: opened again, it must be the same
    // directory, still holding the same log, and still no essential folder.
    PastaAberta agora = AbrirPastaHost(host);
    struct stat a1, a2;
    if (!agora.Aberta() || fstat(*app, &a1) != 0 || fstat(*agora, &a2) != 0 || !MesmoArquivo(a1, a2) ||
        LerEm(*agora, "zentrava.log", tamanhoLogDesinstalacao) != bytesLog || EssencialAberta(*agora)) {
        ui.Mensagem("Erro", "A pasta "_ansi + Host1252(host) + " mudou enquanto a pergunta estava aberta."_ansi + nada,
                    tipoErro);
        return false;
    }

    ui.CursorOcupado();
    ResultadoApagamento r;
    if (inteira) {
        r = EsvaziarPasta(*agora, poupar);
        if (r.Completo() && !RemoverPastaAberta(*agora, host)) r.Restou(".");
    } else {
        for (const auto& arq : resumo.arquivos) ApagarDoRegistro(*agora, arq, r);
        for (auto it = resumo.pastas.rbegin(); it != resumo.pastas.rend(); ++it) ApagarPastaDoRegistro(*agora, *it);
        if (r.Completo()) ApagarDoRegistro(*agora, nomeRegistroInstalacao, r);
    }
    if (resumo.valido) {
        for (const auto& m : resumo.menus) ApagarDoRegistro(-1, m, r);
        for (auto it = resumo.pastasMenu.rbegin(); it != resumo.pastasMenu.rend(); ++it)
            ApagarPastaDoRegistro(-1, *it);
        if (!log.grupo.empty() && NomeGrupoValido(log.grupo)) AtualizarMenuGrupo(log.grupo);
    } else if (!log.grupo.empty()) {
        RemoverGrupo(ui, log.grupo);
    }
    ui.CursorNormal();
    if (!r.Completo()) {
        ui.Mensagem("Erro", "A desinstalação não apagou tudo. Ficaram:"_ansi + Lista(r, host), tipoErro);
        return false;
    }
    ui.Mensagem("Parabéns !!!"_ansi, "A desinstalação foi bem sucedida."_ansi, 5);
    return true;
}
