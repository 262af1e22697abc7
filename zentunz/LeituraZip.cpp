#include "LeituraZip.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zentunz {

LeituraZip::~LeituraZip() {
    if (fd_ >= 0) close(fd_);
}

bool LeituraZip::Abrir(const std::string& host) {
    fd_ = open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat st;
    if (fd_ < 0 || fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    tamanho_ = static_cast<uint64_t>(st.st_size);
    posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    return true;
}

bool LeituraZip::Ler(uint64_t pos, void* destino, std::size_t n) const {
    if (pos > tamanho_ || n > tamanho_ - pos) return false;
    return LerAte(pos, destino, n) == static_cast<int64_t>(n);
}

int64_t LeituraZip::LerAte(uint64_t pos, void* destino, std::size_t n) const {
    auto* d = static_cast<char*>(destino);
    std::size_t feito = 0;
    while (feito < n) {
        ssize_t r = pread(fd_, d + feito, n - feito, static_cast<off_t>(pos + feito));
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return -1;
        if (r == 0) break;
        feito += static_cast<std::size_t>(r);
    }
    return static_cast<int64_t>(feito);
}

bool JanelaLeitura::Ler(uint64_t pos, void* destino, std::size_t n) {
    if (n == 0 || n > tamanho) return arquivo_.Ler(pos, destino, n);
    if (pos < inicio_ || pos - inicio_ > dados_.size() || n > dados_.size() - (pos - inicio_)) {
        if (pos > arquivo_.Tamanho() || n > arquivo_.Tamanho() - pos) return false;
        dados_.resize(static_cast<std::size_t>(std::min<uint64_t>(tamanho, arquivo_.Tamanho() - pos)));
        int64_t r = arquivo_.LerAte(pos, dados_.data(), dados_.size());
        dados_.resize(r < 0 ? 0 : static_cast<std::size_t>(r));
        inicio_ = pos;
        if (n > dados_.size()) return false;
    }
    std::copy_n(dados_.begin() + static_cast<std::ptrdiff_t>(pos - inicio_), n, static_cast<unsigned char*>(destino));
    return true;
}

namespace {

uint64_t Le(const unsigned char* p, int bytes) {
    uint64_t v = 0;
    for (int k = bytes - 1; k >= 0; --k) v = (v << 8) | p[k];
    return v;
}

bool Assinatura(const unsigned char* p, uint32_t valor) { return Le(p, 4) == valor; }

constexpr uint32_t sigLocal = 0x04034B50, sigCentral = 0x02014B50, sigFim = 0x06054B50,
                   sigFim64 = 0x06064B50, sigLocalizador64 = 0x07064B50;
constexpr std::size_t tamFim = 22, tamCentral = 46, tamLocal = 30, tamFim64 = 56,
                      tamLocalizador64 = 20;

struct Diretorio {
    uint64_t entradas = 0, inicio = 0;
};

// From the last end record, and its Zip64 record when one is there.
std::optional<Diretorio> LerFim(const LeituraZip& a) {
    uint64_t janela = std::min<uint64_t>(a.Tamanho(), tamFim + 65535);
    std::vector<unsigned char> cauda(janela);
    uint64_t base = a.Tamanho() - janela;
    if (janela < tamFim || !a.Ler(base, cauda.data(), cauda.size())) return std::nullopt;
    std::size_t i = cauda.size() - tamFim + 1;
    while (i > 0 && !Assinatura(&cauda[i - 1], sigFim)) --i;
    if (i-- == 0) return std::nullopt;
    Diretorio d{Le(&cauda[i + 10], 2), Le(&cauda[i + 16], 4)};

    uint64_t fim = base + i;
    unsigned char loc[tamLocalizador64], f64[tamFim64];
    if (fim >= tamLocalizador64 && a.Ler(fim - tamLocalizador64, loc, sizeof loc) &&
        Assinatura(loc, sigLocalizador64)) {
        if (!a.Ler(Le(loc + 8, 8), f64, sizeof f64) || !Assinatura(f64, sigFim64)) return std::nullopt;
        d = {Le(f64 + 32, 8), Le(f64 + 48, 8)};
    }
    return d;
}

// The Zip64 extra field holds, in this order, only the values whose 32-bit
// field is all ones.
bool AplicarZip64(const std::vector<unsigned char>& extra, uint64_t& tamanho, uint64_t& compactado,
                  uint64_t& local) {
    for (std::size_t p = 0; p + 4 <= extra.size();) {
        uint64_t id = Le(&extra[p], 2), n = Le(&extra[p + 2], 2);
        if (p + 4 + n > extra.size()) break;
        if (id == 1) {
            std::size_t q = p + 4, limite = p + 4 + n;
            for (uint64_t* v : {&tamanho, &compactado, &local}) {
                if (*v != 0xFFFFFFFF) continue;
                if (q + 8 > limite) return false;
                *v = Le(&extra[q], 8);
                q += 8;
            }
            return true;
        }
        p += 4 + n;
    }
    return tamanho != 0xFFFFFFFF && compactado != 0xFFFFFFFF && local != 0xFFFFFFFF;
}

uint64_t Somar(uint64_t a, uint64_t b) { return b > UINT64_MAX - a ? UINT64_MAX : a + b; }

} // namespace

std::optional<std::vector<FaixaMembro>> FaixasDosMembros(const LeituraZip& a) {
    auto dir = LerFim(a);
    // Every central header takes at least 46 bytes: a count beyond that is forged.
    if (!dir || dir->entradas > a.Tamanho() / tamCentral) return std::nullopt;
    std::vector<FaixaMembro> faixas;
    faixas.reserve(dir->entradas);
    JanelaLeitura central(a), locais(a);
    uint64_t pos = dir->inicio;
    for (uint64_t k = 0; k < dir->entradas; ++k) {
        unsigned char c[tamCentral];
        if (!central.Ler(pos, c, sizeof c) || !Assinatura(c, sigCentral)) return std::nullopt;
        uint64_t compactado = Le(c + 20, 4), tamanho = Le(c + 24, 4), local = Le(c + 42, 4);
        std::size_t nNome = Le(c + 28, 2), nExtra = Le(c + 30, 2), nComentario = Le(c + 32, 2);
        FaixaMembro f;
        f.nome.resize(nNome);
        std::vector<unsigned char> extra(nExtra);
        if (!central.Ler(pos + tamCentral, f.nome.data(), nNome) ||
            !central.Ler(pos + tamCentral + nNome, extra.data(), nExtra) ||
            !AplicarZip64(extra, tamanho, compactado, local))
            return std::nullopt;
        pos += tamCentral + nNome + nExtra + nComentario;

        unsigned char l[tamLocal];
        if (!locais.Ler(local, l, sizeof l) || !Assinatura(l, sigLocal)) return std::nullopt;
        f.inicio = local;
        f.dados = local + tamLocal + Le(l + 26, 2) + Le(l + 28, 2);
        f.fim = Somar(f.dados, compactado);
        f.compactado = compactado;
        faixas.push_back(std::move(f));
    }
    return faixas;
}

bool HaSobreposicao(std::vector<FaixaMembro> faixas) {
    std::sort(faixas.begin(), faixas.end(),
              [](const FaixaMembro& x, const FaixaMembro& y) { return x.inicio < y.inicio; });
    uint64_t alcance = 0;
    for (std::size_t k = 0; k < faixas.size(); ++k) {
        if (k > 0 && faixas[k].inicio < alcance) return true;
        alcance = std::max(alcance, faixas[k].fim);
    }
    return false;
}

} // namespace zentunz
