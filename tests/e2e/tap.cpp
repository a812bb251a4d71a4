// tap X Y: one tap at screen pixel (X, Y), for the run command's screenshots.
#include "Harness.h"

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3)
        return 2;
    e2e::Tap(static_cast<int>(std::wcstol(argv[1], nullptr, 10)), static_cast<int>(std::wcstol(argv[2], nullptr, 10)));
    return 0;
}
