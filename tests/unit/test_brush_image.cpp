#include "pad/BrushImage.h"
#include "shell/VisitorTexts.h"
#include "tests/unit/BmpBuilder.h"
#include "tests/unit/StringTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define VELMO_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELMO_ASAN 1
#endif
#endif

namespace {

using namespace bmptest;

TEST(BrushImage, ErrorTexts) {
    struct Case {
        BrushError error;
        const wchar_t* text;
    };
    const Case cases[] = {
        {BrushError::None, L""},
        {BrushError::UnknownFormat, L"Unknown DIB file format."},
        {BrushError::OutOfMemory, L"Out of memory."},
        {BrushError::ConversionError, L"Image file conversion error."},
        {BrushError::OpenFailed, L"Failed to open DIB file %ws.\n"},
    };
    std::map<unsigned, std::wstring> table = stringtable::Read();
    for (const Case& c : cases)
        EXPECT_EQ(table[BrushErrorText(c.error)], c.text);
}

TEST(BrushImage, ParsesFileAndBareDibs) {
    Bytes gap = MakeInfoDib(3, 2, 24);
    gap.insert(gap.begin() + 40, 30, 0); // rows 30 bytes after the header

    struct Case {
        const char* name;
        Bytes data;
        DibView expected;
    };
    const Case cases[] = {
        {"BM file, 24 bits", WithFileHeader(MakeInfoDib(3, 2, 24), 0, 40), {14, 40, 3, 2, 24, 0, 0, 4, 54, 24}},
        {"BM file, rows where bfOffBits says", WithFileHeader(gap, 84), {14, 40, 3, 2, 24, 0, 0, 4, 84, 24}},
        {"BM file, core header", WithFileHeader(MakeCoreDib(2, 2, 24), 0, 12), {14, 12, 2, 2, 24, 0, 0, 3, 26, 16}},
        {"bare, 8 bits, full table", MakeInfoDib(5, 2, 8), {0, 40, 5, 2, 8, 0, 256, 4, 1064, 16}},
        {"bare, 4 bits, biClrUsed 3", MakeInfoDib(3, 1, 4, 3), {0, 40, 3, 1, 4, 0, 3, 4, 52, 4}},
        {"bare, core, 1 bit", MakeCoreDib(9, 1, 1), {0, 12, 9, 1, 1, 0, 2, 3, 18, 4}},
        {"bare, 16-bit bit fields", MakeInfoDib(3, 2, 16, 0, 3), {0, 40, 3, 2, 16, 3, 0, 4, 52, 16}},
        {"bare, 32 bits top-down", MakeInfoDib(2, -3, 32), {0, 40, 2, -3, 32, 0, 0, 4, 40, 24}},
        {"bare, 24 bits with a small palette", MakeInfoDib(1, 1, 24, 2), {0, 40, 1, 1, 24, 0, 2, 4, 48, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DibView v{};
        ASSERT_EQ(ParseBrushDib(c.data.data(), c.data.size(), v), BrushError::None);
        const DibView& e = c.expected;
        EXPECT_EQ(v.infoOffset, e.infoOffset);
        EXPECT_EQ(v.infoSize, e.infoSize);
        EXPECT_EQ(v.width, e.width);
        EXPECT_EQ(v.height, e.height);
        EXPECT_EQ(v.bitCount, e.bitCount);
        EXPECT_EQ(v.compression, e.compression);
        EXPECT_EQ(v.colorEntries, e.colorEntries);
        EXPECT_EQ(v.colorEntrySize, e.colorEntrySize);
        EXPECT_EQ(v.pixelOffset, e.pixelOffset);
        EXPECT_EQ(v.pixelBytes, e.pixelBytes);
    }
}

TEST(BrushImage, RejectsBadDibs) {
    using Edit = std::function<void(Bytes&)>;
    const auto bare = [] { return MakeInfoDib(3, 2, 24); };
    const auto file = [] { return WithFileHeader(MakeInfoDib(3, 2, 24), 0, 40); };
    struct Case {
        const char* name;
        Bytes data;
        Edit edit;
        BrushError error;
    };
    const Edit none = [](Bytes&) {};
    const Case cases[] = {
        {"empty", {}, none, BrushError::UnknownFormat},
        {"three bytes", {40, 0, 0}, none, BrushError::UnknownFormat},
        {"BM and nothing else", {'B', 'M'}, none, BrushError::UnknownFormat},
        {"124-byte header", file(), [](Bytes& b) { Put32(b, 14, 124); }, BrushError::UnknownFormat},
        {"108-byte bare header", bare(), [](Bytes& b) { Put32(b, 0, 108); }, BrushError::UnknownFormat},
        {"header size 0", bare(), [](Bytes& b) { Put32(b, 0, 0); }, BrushError::UnknownFormat},
        {"header cut short", bare(), [](Bytes& b) { b.resize(39); }, BrushError::UnknownFormat},
        {"planes 0", bare(), [](Bytes& b) { Put16(b, 12, 0); }, BrushError::UnknownFormat},
        {"bit count 2", bare(), [](Bytes& b) { Put16(b, 14, 2); }, BrushError::UnknownFormat},
        {"core header at 32 bits", MakeCoreDib(2, 2, 24), [](Bytes& b) { Put16(b, 10, 32); },
         BrushError::UnknownFormat},
        {"RLE8", MakeInfoDib(4, 4, 8), [](Bytes& b) { Put32(b, 16, 1); }, BrushError::UnknownFormat},
        {"bit fields at 24 bits", bare(), [](Bytes& b) { Put32(b, 16, 3); }, BrushError::UnknownFormat},
        {"zero width", bare(), [](Bytes& b) { Put32(b, 4, 0); }, BrushError::ConversionError},
        {"negative width", bare(), [](Bytes& b) { Put32(b, 4, static_cast<uint32_t>(-3)); },
         BrushError::ConversionError},
        {"zero height", bare(), [](Bytes& b) { Put32(b, 8, 0); }, BrushError::ConversionError},
        {"INT32_MIN height", bare(), [](Bytes& b) { Put32(b, 8, 0x80000000u); }, BrushError::ConversionError},
        {"width 40000", bare(), [](Bytes& b) { Put32(b, 4, 40000); }, BrushError::ConversionError},
        {"over 64M pixels", bare(),
         [](Bytes& b) {
             Put32(b, 4, 30000);
             Put32(b, 8, 30000);
         },
         BrushError::ConversionError},
        {"biClrUsed 257 at 8 bits", WithFileHeader(MakeInfoDib(4, 1, 8), 0, 40 + 1024),
         [](Bytes& b) { Put32(b, 14 + 32, 257); }, BrushError::ConversionError},
        {"table cut short", MakeInfoDib(4, 1, 8), [](Bytes& b) { b.resize(40 + 1023); }, BrushError::ConversionError},
        {"BM file, rows inside a table that runs off the end", WithFileHeader(MakeInfoDib(4, 1, 8), 54),
         [](Bytes& b) { b.resize(14 + 40 + 1023); }, BrushError::ConversionError},
        {"biClrUsed past the end", bare(), [](Bytes& b) { Put32(b, 32, 0xFFFFFFFFu); }, BrushError::ConversionError},
        {"last row one byte short", bare(), [](Bytes& b) { b.pop_back(); }, BrushError::ConversionError},
        {"bfOffBits inside the header", file(), [](Bytes& b) { Put32(b, 10, 50); }, BrushError::ConversionError},
        {"bfOffBits past the end", file(), [](Bytes& b) { Put32(b, 10, 1000); }, BrushError::ConversionError},
        {"bfOffBits wraps 32 bits", file(), [](Bytes& b) { Put32(b, 10, 0xFFFFFFF8u); }, BrushError::ConversionError},
    };
    for (const Case& c : cases) {
        Bytes data = c.data;
        c.edit(data);
        DibView v{};
        EXPECT_EQ(ParseBrushDib(data.data(), data.size(), v), c.error) << c.name;
    }
}

TEST(BrushImage, SizeCapsHoldForCompleteDibs) {
    struct Case {
        const char* name;
        int32_t width, height;
        BrushError error;
    };
    const Case cases[] = {
        {"width 32768", 32768, 1, BrushError::None},
        {"width 32769", 32769, 1, BrushError::ConversionError},
        {"height -32768", 1, -32768, BrushError::None},
        {"height -32769", 1, -32769, BrushError::ConversionError},
        {"exactly 64M pixels", 32768, 2048, BrushError::None},
        {"64M pixels and a row", 32768, 2049, BrushError::ConversionError},
    };
    for (const Case& c : cases) {
        const Bytes dib = MakeInfoDib(c.width, c.height, 1);
        DibView v{};
        EXPECT_EQ(ParseBrushDib(dib.data(), dib.size(), v), c.error) << c.name;
    }
}

TEST(BrushImage, EveryTruncationIsAnError) {
    struct Case {
        const char* name;
        Bytes data;
    };
    const Case cases[] = {
        {"BM file", WithFileHeader(MakeInfoDib(3, 2, 24), 0, 40)},
        {"bare 4 bits", MakeInfoDib(5, 2, 4)},
        {"bare core 8 bits", MakeCoreDib(3, 2, 8)},
        {"bare bit fields", MakeInfoDib(2, 2, 32, 0, 3)},
    };
    for (const Case& c : cases) {
        DibView v{};
        ASSERT_EQ(ParseBrushDib(c.data.data(), c.data.size(), v), BrushError::None) << c.name;
        for (size_t len = 0; len < c.data.size(); ++len) {
            const Bytes prefix(c.data.begin(), c.data.begin() + static_cast<ptrdiff_t>(len));
            EXPECT_NE(ParseBrushDib(prefix.data(), prefix.size(), v), BrushError::None) << c.name << " cut to " << len;
        }
    }
}

TEST(BrushImage, PackRgbRowsSwapsAndDropsPadding) {
    // widths 1 to 4 give 1, 2, 3 and 0 padding bytes; 5 wraps round again
    for (int width = 1; width <= 5; ++width) {
        SCOPED_TRACE(testing::Message() << "width " << width);
        const int height = 3;
        const size_t stride = static_cast<size_t>((24 * width + 31) / 32 * 4);
        ASSERT_EQ(stride - 3 * width, static_cast<size_t>(width % 4));
        Bytes dib(stride * height, 0xEE);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                uint8_t* p = &dib[y * stride + x * 3];
                p[0] = static_cast<uint8_t>(10 * x + y); // blue
                p[1] = static_cast<uint8_t>(100 + x);    // green
                p[2] = static_cast<uint8_t>(200 + y);    // red
            }
        const Bytes rgb = PackRgbRows(dib.data(), width, height);
        ASSERT_EQ(rgb.size(), static_cast<size_t>(width * height * 3));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const uint8_t* p = &rgb[(y * width + x) * 3];
                EXPECT_EQ(p[0], 200 + y) << x << "," << y;
                EXPECT_EQ(p[1], 100 + x) << x << "," << y;
                EXPECT_EQ(p[2], 10 * x + y) << x << "," << y;
            }
    }
}

TEST(BrushImage, PackRgbRowsRefusesWhatItCannotPack) {
    const Bytes pixel(4, 0);
    struct Case {
        const char* name;
        const uint8_t* data;
        int width, height;
    };
    const Case cases[] = {
        {"null rows", nullptr, 1, 1},
        {"zero width", pixel.data(), 0, 1},
        {"negative height", pixel.data(), 1, -1},
        {"result beyond any address space", pixel.data(), INT_MAX, INT_MAX},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(PackRgbRows(c.data, c.width, c.height).empty()) << c.name;
}

TEST(BrushImage, PackRgbRowsReportsAllocationFailureAsEmpty) {
#ifdef VELMO_ASAN
    GTEST_SKIP() << "the sanitizer's allocator aborts on petabyte requests instead of failing them";
#else
    // 3 PiB: past any user address space, so the allocation fails before a row is read
    const Bytes pixel(4, 0);
    EXPECT_TRUE(PackRgbRows(pixel.data(), 1 << 30, 1 << 20).empty());
#endif
}

} // namespace
