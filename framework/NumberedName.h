// The names one file takes when its name is already taken: "X.bmp", then
// "X(2).bmp", "X(3).bmp", ... with the number before the extension. Needs
// nothing from the platform.
#pragma once

#include <string>
#include <string_view>

// Name n of a file name: the name itself for n of 1 or less, otherwise "(n)"
// before its last dot, or at its end when it has none.
std::wstring NumberedName(std::wstring_view name, int n);

struct NameAndNumber {
    std::wstring name; // without the "(n)"
    int n;
};

// The other way round: "X(3).bmp" is ("X.bmp", 3). A name without a number
// of one to six digits in brackets before its extension is name 1.
NameAndNumber SplitNumberedName(std::wstring_view name);
