// Replays the fuzz seed corpus and every saved crash input through both BMP
// parsers, the same calls fuzz_bmp makes. Built with sanitizers, an overrun
// on any of them fails the run.
#include "tests/fuzz/BmpFuzzChecks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifndef VELMO_FUZZ_DIR
#error "VELMO_FUZZ_DIR must name the tests/fuzz folder"
#endif

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> FilesIn(const fs::path& dir) {
    std::vector<fs::path> files;
    if (fs::is_directory(dir))
        for (const fs::directory_entry& entry : fs::directory_iterator(dir))
            if (entry.is_regular_file())
                files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<uint8_t> ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// An exactly sized heap copy: reading one byte past it is a sanitizer error.
BmpFuzzOutcome Replay(const fs::path& path) {
    const std::vector<uint8_t> bytes = ReadAll(path);
    const BmpFuzzOutcome outcome = RunBmpParsers(bytes.data(), bytes.size());
    EXPECT_EQ(outcome.pFailure, nullptr) << path << ": " << outcome.pFailure;
    return outcome;
}

TEST(FuzzRegressions, SeedCorpusMeetsItsNames) {
    const std::vector<fs::path> files = FilesIn(fs::path(VELMO_FUZZ_DIR) / "corpus");
    ASSERT_GE(files.size(), 12u) << "seed corpus missing; run tests/fuzz/make_corpus.py";
    // the name prefix tells which parsers must accept the file
    struct Expect {
        const char* prefix;
        bool bFile, bDib;
    };
    const Expect expects[] = {
        {"both-", true, true}, {"file-", true, false}, {"dib-", false, true}, {"none-", false, false}};
    for (const fs::path& path : files) {
        SCOPED_TRACE(path.filename().string());
        const BmpFuzzOutcome outcome = Replay(path);
        const std::string name = path.filename().string();
        const auto it = std::find_if(std::begin(expects), std::end(expects),
                                     [&](const Expect& e) { return name.rfind(e.prefix, 0) == 0; });
        ASSERT_NE(it, std::end(expects)) << "corpus file without an expectation prefix";
        EXPECT_EQ(outcome.bFileAccepted, it->bFile);
        EXPECT_EQ(outcome.bDibAccepted, it->bDib);
    }
}

TEST(FuzzRegressions, SavedCrashInputsStayHarmless) {
    for (const fs::path& path : FilesIn(fs::path(VELMO_FUZZ_DIR) / "regressions")) {
        SCOPED_TRACE(path.filename().string());
        Replay(path);
    }
}

} // namespace
