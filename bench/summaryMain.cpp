// benchSummary: both summaries, in any build, the Windows one included.
//
//   benchSummary             the formula and the generator tables
//   benchSummary --longest   the suite's longest formula, for scripts
#include <cstdio>
#include <cstring>

#include "bench/benchFormulas.h"
#include "bench/summaries.h"

int main(int argc, char **argv) {
    if (argc > 1 && std::strcmp(argv[1], "--longest") == 0) {
        std::printf("%s\n", benchFormulas::longestFormula().text);
        return 0;
    }
    printFormulaSummary();
    printGeneratorSummary();
    return 0;
}
