#include "capture/PhotoFile.h"
#include "records/BmpFormat.h"
#include "tests/unit/BmpBuilder.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace bmptest;

// A file exactly as SaveBmpFile lays it out, pixels zero.
Bytes MakeSavedFile(int32_t width, int32_t height, int bitCount) {
    const BmpLayout layout = ComputeBmpLayout(width, height, bitCount).value();
    Bytes file(layout.fileSize, 0);
    WriteBmpFileHeader(file.data(), layout);
    WriteBmpInfoHeader(file.data() + 14, width, height, bitCount);
    return file;
}

Bytes frameOf(size_t n, uint8_t value) {
    return Bytes(n, value);
}

// BM file with a 12-byte core header, 3-byte table entries.
Bytes MakeCoreFile(uint16_t width, uint16_t height, uint16_t bitCount) {
    return WithFileHeader(MakeCoreDib(width, height, bitCount), 0, 12 + (bitCount <= 8 ? 3u << bitCount : 0));
}

// 32-bit BI_BITFIELDS file with the masks after a 40-byte header.
Bytes MakeBitfieldsFile() {
    Bytes file = MakeSavedFile(2, 2, 32);
    file.insert(file.begin() + 54, 12, 0);
    Put32(file, 10, 66);
    Put32(file, 30, 3);
    Put32(file, 54, 0xFF0000);
    Put32(file, 58, 0x00FF00);
    Put32(file, 62, 0x0000FF);
    return file;
}

TEST(BmpFormat, ChooseFileBitCountFollowsDisplayDepth) {
    struct Case {
        int depth;
        int bits;
    };
    const Case cases[] = {{-1, 1},  {0, 1},   {1, 1},   {2, 4},   {4, 4},   {5, 8},  {8, 8},  {9, 24},
                          {15, 24}, {16, 24}, {24, 24}, {25, 32}, {32, 32}, {33, 0}, {48, 0}, {INT_MAX, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(ChooseFileBitCount(c.depth), c.bits) << "display depth " << c.depth;
}

TEST(BmpFormat, LayoutWorkedValues) {
    struct Case {
        const char* name;
        int displayDepth;
        int32_t width, height;
        uint32_t table, row, offBits, fileSize;
    };
    const Case cases[] = {
        {"screen 1421x934 at 32", 32, 1421, 934, 0, 5684, 54, 5308910},
        {"screen 1391x930 at 32", 32, 1391, 930, 0, 5564, 54, 5174574},
        {"16-bit display writes 24, width 5", 16, 5, 3, 0, 16, 54, 54 + 48},
        {"photo 640x480 at 24", 24, 640, 480, 0, 1920, 54, 921654},
        {"8-bit display, 256 entries", 8, 10, 2, 1024, 12, 1078, 1078 + 24},
        {"4-bit display, 16 entries", 4, 10, 2, 64, 8, 118, 118 + 16},
        {"1-bit display, 2 entries", 1, 10, 2, 8, 4, 62, 62 + 8},
        {"1-bit row of 33 pixels needs 8 bytes", 1, 33, 1, 8, 8, 62, 70},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto layout = ComputeBmpLayout(c.width, c.height, ChooseFileBitCount(c.displayDepth));
        ASSERT_TRUE(layout.has_value());
        EXPECT_EQ(layout->colorTableBytes, c.table);
        EXPECT_EQ(layout->rowBytes, c.row);
        EXPECT_EQ(layout->imageBytes, c.row * static_cast<uint32_t>(c.height));
        EXPECT_EQ(layout->offBits, c.offBits);
        EXPECT_EQ(layout->fileSize, c.fileSize);
    }
}

TEST(BmpFormat, LayoutRejectsWhatCannotBeWritten) {
    struct Case {
        const char* name;
        int32_t width, height;
        int bits;
        bool ok;
    };
    const Case cases[] = {
        {"zero width", 0, 10, 32, false},
        {"zero height", 10, 0, 32, false},
        {"negative width", -5, 10, 32, false},
        {"negative height", 5, -10, 32, false},
        {"bit count 2", 5, 5, 2, false},
        {"bit count 0 (unKnown display)", 5, 5, 0, false},
        {"bit count 48", 5, 5, 48, false},
        {"16 GiB image", 65536, 65536, 32, false},
        {"INT32_MAX wide row", INT32_MAX, 1, 32, false},
        {"one byte past 4 GiB", 1073741823, 1, 32, false},
        {"largest file that fits", 1073741810, 1, 32, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ComputeBmpLayout(c.width, c.height, c.bits).has_value(), c.ok) << c.name;
}

TEST(BmpFormat, HeadersHoldTheTableValues) {
    const Bytes file = MakeSavedFile(1421, 934, 32);
    // clang-format off
    const Bytes expected = {
        'B', 'M', 0xEE, 0x01, 0x51, 0x00, 0, 0, 0, 0, 54, 0, 0, 0, // bfSize 5308910, bfOffBits 54
        40, 0, 0, 0, 0x8D, 0x05, 0, 0, 0xA6, 0x03, 0, 0,            // biSize, 1421, 934
        1, 0, 32, 0, 0, 0, 0, 0, 0, 0, 0, 0,                        // planes, bits, BI_RGB, size 0
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};            // resolution, colour counts
    // clang-format on
    ASSERT_EQ(file.size(), 5308910u);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 54), expected);
}

// The photo file keeps the frame's bytes and says the frame's own length,
// and the record loader reads it back at the camera's size.
TEST(BmpFormat, PhotoFileHoldsTheFrameAsDelivered) {
    struct {
        const char* name;
        int32_t width, height;
        size_t length;
    } cases[] = {
        {"640 x 480 camera", 640, 480, 921600},
        {"odd width, rows padded", 162, 120, 488 * 120},
        {"top-down frame", 320, -240, 960 * 240},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes frame(c.length);
        for (size_t i = 0; i < frame.size(); ++i)
            frame[i] = static_cast<uint8_t>(i * 7);
        const std::vector<uint8_t> file = MakePhotoFile(c.width, c.height, frame.data(), frame.size());
        ASSERT_EQ(file.size(), 54 + c.length);
        Bytes expected = MakeSavedFile(c.width, c.height < 0 ? -c.height : c.height, 24);
        Put32(expected, 2, static_cast<uint32_t>(54 + c.length)); // bfSize
        Put32(expected, 22, static_cast<uint32_t>(c.height));     // biHeight as connected
        EXPECT_EQ(Bytes(file.begin(), file.begin() + 54), Bytes(expected.begin(), expected.begin() + 54));
        EXPECT_EQ(Bytes(file.begin() + 54, file.end()), frame);
        const std::optional<DibView> view = ParseBmpFile(file.data(), file.size());
        ASSERT_TRUE(view.has_value());
        EXPECT_EQ(view->width, c.width);
        EXPECT_EQ(view->height, c.height);
    }
    // a newer photo replaces one not yet taken; a photo is taken once
    CPhotoSlot slot;
    slot.Put(MakePhotoFile(1, 1, frameOf(4, 1).data(), 4));
    slot.Put(MakePhotoFile(1, 1, frameOf(4, 2).data(), 4));
    EXPECT_EQ(slot.Take()[54], 2);
    EXPECT_TRUE(slot.Take().empty());
}

TEST(BmpFormat, WrittenFilesParseBack) {
    struct Case {
        int32_t width, height;
        int bits;
        uint32_t entries;
    };
    const Case cases[] = {{1, 1, 1, 2},  {9, 3, 1, 2},  {3, 3, 4, 16}, {5, 2, 8, 256},
                          {3, 2, 16, 0}, {5, 3, 24, 0}, {7, 1, 32, 0}, {640, 480, 24, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << "x" << c.bits);
        const Bytes file = MakeSavedFile(c.width, c.height, c.bits);
        const auto layout = ComputeBmpLayout(c.width, c.height, c.bits).value();
        const auto view = ParseBmpFile(file.data(), file.size());
        ASSERT_TRUE(view.has_value());
        EXPECT_EQ(view->infoOffset, 14u);
        EXPECT_EQ(view->infoSize, 40u);
        EXPECT_EQ(view->bitCount, c.bits);
        EXPECT_EQ(view->compression, 0u);
        EXPECT_EQ(view->width, c.width);
        EXPECT_EQ(view->height, c.height);
        EXPECT_EQ(view->colorEntries, c.entries);
        EXPECT_EQ(view->pixelOffset, layout.offBits);
        EXPECT_EQ(view->pixelBytes, layout.imageBytes);
        // what a save leaves once its last byte is written, and no more
        EXPECT_TRUE(IsWholeBmpFile(file.data(), file.size()));
        Bytes longer = file;
        longer.push_back(0);
        EXPECT_FALSE(IsWholeBmpFile(longer.data(), longer.size()));
    }
}

TEST(BmpFormat, ExtensionTest) {
    struct Case {
        const wchar_t* path;
        bool ok;
    };
    const Case cases[] = {
        {L"photo.bmp", true},
        {L"PHOTO.BMP", true},
        {L"a.b.bmp", true},
        {L"A.Bmp", true},
        {L".\\photo.bmp", true},
        {L"SignIn\\2024.bmp", true},
        {L"Picture\\Erase.bmpp", false},
        {L"Erase.bm", false},
        {L"noext", false},
        {L"", false},
        {L".bmp", false},
        {L"dir.x\\file", false},
        {L"photo.bmp.png", false},
        {L"photo.", false},
        {L"photo.b\u00e9p", false},
    };
    for (const Case& c : cases) {
        const std::wstring path = c.path;
        EXPECT_EQ(HasBmpExtension(path), c.ok) << std::string(path.begin(), path.end());
    }
}

TEST(BmpFormat, AcceptsOtherHeaderKinds) {
    Bytes topDown = MakeSavedFile(3, 2, 24);
    Put32(topDown, 22, static_cast<uint32_t>(-2));
    Bytes fewColours = MakeSavedFile(4, 2, 8);
    Put32(fewColours, 46, 2); // table shrinks, rows stay at bfOffBits
    Bytes v5 = MakeSavedFile(2, 2, 32);
    v5.insert(v5.begin() + 54, 84, 0);
    Put32(v5, 10, 14 + 124);
    Put32(v5, 14, 124);
    Put32(v5, 30, 3); // masks inside the header
    Bytes tableIntoPixels = MakeSavedFile(4, 256, 8);
    Put32(tableIntoPixels, 10, 54 + 4); // only the table overlaps the rows

    struct Case {
        const char* name;
        Bytes file;
        int32_t height;
        uint32_t entries, offBits;
    };
    const Case cases[] = {
        {"top-down rows", topDown, -2, 0, 54},
        {"biClrUsed 2 of 256", fewColours, 2, 2, 1078},
        {"bit fields after a 40-byte header", MakeBitfieldsFile(), 2, 0, 66},
        {"124-byte header with bit fields", v5, 2, 0, 138},
        {"core header, 24 bits", MakeCoreFile(2, 2, 24), 2, 0, 26},
        {"core header, 1 bit, 3-byte entries", MakeCoreFile(9, 1, 1), 1, 2, 32},
        {"colour table overlapping the rows", tableIntoPixels, 256, 256, 58},
    };
    for (const Case& c : cases) {
        const auto view = ParseBmpFile(c.file.data(), c.file.size());
        ASSERT_TRUE(view.has_value()) << c.name;
        EXPECT_EQ(view->height, c.height) << c.name;
        EXPECT_EQ(view->colorEntries, c.entries) << c.name;
        EXPECT_EQ(view->pixelOffset, c.offBits) << c.name;
        EXPECT_LE(uint64_t{view->pixelOffset} + view->pixelBytes, c.file.size()) << c.name;
    }
}

TEST(BmpFormat, RejectsMalformedFiles) {
    using Edit = std::function<void(Bytes&)>;
    struct Case {
        const char* name;
        int bits;
        Edit edit;
    };
    const Case cases[] = {
        {"not BM", 24, [](Bytes& b) { b[1] = 'A'; }},
        {"header size 0", 24, [](Bytes& b) { Put32(b, 14, 0); }},
        {"header size 64", 24, [](Bytes& b) { Put32(b, 14, 64); }},
        {"header size larger than the file", 24, [](Bytes& b) { Put32(b, 14, 124); }},
        {"planes 0", 24, [](Bytes& b) { Put16(b, 26, 0); }},
        {"planes 2", 24, [](Bytes& b) { Put16(b, 26, 2); }},
        {"bit count 2", 24, [](Bytes& b) { Put16(b, 28, 2); }},
        {"bit count 0", 24, [](Bytes& b) { Put16(b, 28, 0); }},
        {"RLE8", 8, [](Bytes& b) { Put32(b, 30, 1); }},
        {"JPEG", 24, [](Bytes& b) { Put32(b, 30, 4); }},
        {"bit fields at 24 bits", 24, [](Bytes& b) { Put32(b, 30, 3); }},
        {"bit fields, rows start on the masks", 32, [](Bytes& b) { Put32(b, 30, 3); }},
        {"zero width", 24, [](Bytes& b) { Put32(b, 18, 0); }},
        {"negative width", 24, [](Bytes& b) { Put32(b, 18, static_cast<uint32_t>(-3)); }},
        {"zero height", 24, [](Bytes& b) { Put32(b, 22, 0); }},
        {"INT32_MIN height", 24, [](Bytes& b) { Put32(b, 22, 0x80000000u); }},
        {"width 32769", 24, [](Bytes& b) { Put32(b, 18, 32769); }},
        {"height -32769", 24, [](Bytes& b) { Put32(b, 22, static_cast<uint32_t>(-32769)); }},
        {"over 64M pixels", 24,
         [](Bytes& b) {
             Put32(b, 18, 8193);
             Put32(b, 22, 8193);
         }},
        {"huge both ways", 24,
         [](Bytes& b) {
             Put32(b, 18, 0x7FFFFFFF);
             Put32(b, 22, 0x7FFFFFFF);
         }},
        {"bfOffBits 0", 24, [](Bytes& b) { Put32(b, 10, 0); }},
        {"bfOffBits inside the info header", 24, [](Bytes& b) { Put32(b, 10, 53); }},
        {"bfOffBits beyond the end", 24, [](Bytes& b) { Put32(b, 10, 1000); }},
        {"last row one byte short", 24, [](Bytes& b) { Put32(b, 10, 55); }},
        {"bfOffBits wraps 32 bits", 24, [](Bytes& b) { Put32(b, 10, 0xFFFFFFF0u); }},
        {"biClrUsed 257 at 8 bits", 8, [](Bytes& b) { Put32(b, 46, 257); }},
        {"biClrUsed 3 at 1 bit", 1, [](Bytes& b) { Put32(b, 46, 3); }},
        {"biClrUsed table past the end", 24, [](Bytes& b) { Put32(b, 46, 0x40000000); }},
        {"table missing its last entry", 8,
         [](Bytes& b) {
             Put32(b, 10, 54);
             b.resize(1077);
         }},
    };
    for (const Case& c : cases) {
        Bytes file = MakeSavedFile(3, 2, c.bits);
        c.edit(file);
        EXPECT_FALSE(ParseBmpFile(file.data(), file.size()).has_value()) << c.name;
    }
    EXPECT_FALSE(ParseBmpFile(nullptr, 100).has_value());
}

TEST(BmpFormat, SizeCapsHoldForCompleteFiles) {
    // 1-bit files keep even the largest allowed images at a few megabytes
    struct Case {
        const char* name;
        int32_t width, height;
        bool ok;
    };
    const Case cases[] = {
        {"width 32768", 32768, 1, true},           {"width 32769", 32769, 1, false},
        {"height 32768", 1, 32768, true},          {"height 32769", 1, 32769, false},
        {"exactly 64M pixels", 32768, 2048, true}, {"64M pixels and a row", 32768, 2049, false},
    };
    for (const Case& c : cases) {
        const Bytes file = MakeSavedFile(c.width, c.height, 1);
        EXPECT_EQ(ParseBmpFile(file.data(), file.size()).has_value(), c.ok) << c.name;
    }
}

TEST(BmpFormat, EveryTruncationIsRejected) {
    Bytes v5 = MakeSavedFile(2, 1, 32);
    v5.insert(v5.begin() + 54, 84, 0);
    Put32(v5, 10, 138);
    Put32(v5, 14, 124);
    struct Case {
        const char* name;
        Bytes file;
    };
    const Case cases[] = {
        {"24 bits 3x2", MakeSavedFile(3, 2, 24)},
        {"1 bit with table", MakeSavedFile(9, 2, 1)},
        {"bit fields", MakeBitfieldsFile()},
        {"core 4 bits", MakeCoreFile(3, 2, 4)},
        {"124-byte header", v5},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(ParseBmpFile(c.file.data(), c.file.size()).has_value()) << c.name;
        for (size_t len = 0; len < c.file.size(); ++len) {
            // a buffer of exactly len bytes, so a read past it is a sanitizer error
            const Bytes prefix(c.file.begin(), c.file.begin() + static_cast<ptrdiff_t>(len));
            EXPECT_FALSE(ParseBmpFile(prefix.data(), prefix.size()).has_value()) << c.name << " cut to " << len;
            EXPECT_FALSE(IsWholeBmpFile(prefix.data(), prefix.size())) << c.name << " cut to " << len;
        }
    }
}

} // namespace
