#include "cli/Terminal.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace vandrel::ctl {

namespace {
bool isTerminal(std::FILE* stream) {
#ifdef _WIN32
    return ::_isatty(::_fileno(stream)) != 0;
#else
    return ::isatty(::fileno(stream)) != 0;
#endif
}
}  // namespace

bool stdinIsTerminal() { return isTerminal(stdin); }
bool stderrIsTerminal() { return isTerminal(stderr); }

void exitNow(int code) {
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    std::_Exit(code);
}

}  // namespace vandrel::ctl
