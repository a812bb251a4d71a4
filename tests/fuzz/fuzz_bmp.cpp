// libFuzzer target: every input goes through both callers of the DIB reader; see
// BmpFuzzChecks.h for what is checked. Build and run: tests/fuzz/README.md.
#include "tests/fuzz/BmpFuzzChecks.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const BmpFuzzOutcome outcome = RunBmpParsers(data, size);
    if (outcome.pFailure != nullptr) {
        std::fprintf(stderr, "broken: %s\n", outcome.pFailure);
        std::abort();
    }
    return 0;
}
