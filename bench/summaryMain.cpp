// benchSummary: both summaries, in any build, the Windows one included.
#include "bench/summaries.h"

int main() {
    printFormulaSummary();
    printGeneratorSummary();
    return 0;
}
