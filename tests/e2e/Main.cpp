#include "Harness.h"

int wmain(int argc, wchar_t** argv) {
    return e2e::RunAll(argc, argv);
}
