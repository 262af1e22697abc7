// A program for the tests of program starts: writes its arguments, one per
// line, to argumentos.txt beside itself, whole or not at all.
#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return 1;
    std::string pasta(exe, static_cast<std::size_t>(n));
    pasta.erase(pasta.rfind('/'));
    const std::string temp = pasta + "/.argumentos.tmp", final = pasta + "/argumentos.txt";
    {
        std::ofstream f(temp, std::ios::binary);
        for (int i = 1; i < argc; ++i) f << argv[i] << '\n';
    }
    return std::rename(temp.c_str(), final.c_str()) == 0 ? 0 : 1;
}
