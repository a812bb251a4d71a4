// The program's string table as res/Velmo.rc and res/resource.h hold it, read
// from the sources the way the resource compiler reads them, so host tests
// can check the texts the visitor sees.
#pragma once

#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace stringtable {

inline std::string ReadSource(const char* pszRelative) {
    std::ifstream in(std::string(VELMO_SOURCE_DIR) + "/" + pszRelative, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline std::wstring FromUtf8(const std::string& s) {
    std::wstring out;
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<uint8_t>(s[i]);
        const int n = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
        uint32_t cp = n == 0 ? c : c & (0x3F >> n);
        for (int k = 1; k <= n && i + k < s.size(); ++k)
            cp = cp << 6 | (static_cast<uint8_t>(s[i + k]) & 0x3F);
        out += static_cast<wchar_t>(cp);
        i += n + 1;
    }
    return out;
}

// Text by id; a string the table does not hold reads as missing.
inline std::map<unsigned, std::wstring> Read() {
    std::map<std::string, unsigned> ids;
    std::istringstream header(ReadSource("res/resource.h"));
    for (std::string line; std::getline(header, line);) {
        std::istringstream words(line);
        std::string define, name;
        unsigned id = 0;
        if (words >> define >> name >> id && define == "#define")
            ids[name] = id;
    }
    const std::string rc = ReadSource("res/Velmo.rc");
    std::map<unsigned, std::wstring> table;
    size_t at = rc.find("BEGIN", rc.find("STRINGTABLE"));
    const size_t end = rc.find("\nEND", at);
    std::istringstream lines(rc.substr(at + 5, end - at - 5));
    for (std::string line; std::getline(lines, line);) {
        const size_t open = line.find('"');
        std::istringstream words(line.substr(0, open));
        std::string name;
        if (open == std::string::npos || !(words >> name) || !ids.count(name))
            continue;
        std::string text;
        for (size_t i = open + 1; i < line.size() && !(line[i] == '"' && (i + 1 >= line.size() || line[i + 1] != '"'));
             ++i) {
            if (line[i] == '"') // "" stands for one quote
                text += line[++i];
            else if (line[i] == '\\' && i + 1 < line.size()) {
                const char e = line[++i];
                text += e == 'r' ? '\r' : e == 'n' ? '\n' : e == 't' ? '\t' : e;
            } else
                text += line[i];
        }
        table[ids[name]] = FromUtf8(text);
    }
    return table;
}

} // namespace stringtable
