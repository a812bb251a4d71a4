#include "pad/PointerStroke.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

constexpr int kPadW = 100;
constexpr int kPadH = 80;

using Kind = StrokeInput::Kind;

struct Message {
    enum { Down, Update, Up, Cancel } kind;
    uint32_t nPointerId;
    std::vector<PointerSample> newestFirst;
};

PointerSample At(uint32_t nFrame, int32_t x, int32_t y) {
    return {nFrame, x, y, false};
}
PointerSample Canceled(uint32_t nFrame, int32_t x, int32_t y) {
    return {nFrame, x, y, true};
}
StrokeInput Jump(int32_t x, int32_t y) {
    return {Kind::Jump, x, y};
}
StrokeInput Press(int32_t x, int32_t y) {
    return {Kind::Press, x, y};
}
StrokeInput Move(int32_t x, int32_t y) {
    return {Kind::Move, x, y};
}
const StrokeInput kRelease{Kind::Release, 0, 0};

std::vector<StrokeInput> Feed(CPointerStroke& stroke, const std::vector<Message>& messages) {
    std::vector<StrokeInput> all;
    for (const Message& m : messages) {
        std::vector<StrokeInput> out;
        switch (m.kind) {
        case Message::Down:
            out = stroke.OnDown(m.nPointerId, m.newestFirst, kPadW, kPadH);
            break;
        case Message::Update:
            out = stroke.OnUpdate(m.nPointerId, m.newestFirst, kPadW, kPadH);
            break;
        case Message::Up:
            out = stroke.OnUp(m.nPointerId, m.newestFirst, kPadW, kPadH);
            break;
        case Message::Cancel:
            out = stroke.OnCancel(m.nPointerId);
            break;
        }
        all.insert(all.end(), out.begin(), out.end());
    }
    return all;
}

std::string Describe(const std::vector<StrokeInput>& inputs) {
    std::string s;
    for (const StrokeInput& in : inputs)
        s += "JPMR"[static_cast<int>(in.kind)] + std::to_string(in.x) + "," + std::to_string(in.y) + " ";
    return s;
}

// Made-up frame sequences as a digitiser and the system would deliver them,
// and what the brush model must see.
TEST(PointerStroke, FramesBecomeOneStrokeOfEveryReportedPoint) {
    struct {
        const char* name;
        std::vector<Message> messages;
        std::vector<StrokeInput> expected;
    } cases[] = {
        {"merged history, newest first, repeating points already delivered",
         {{Message::Down, 1, {At(10, 5, 5)}},
          {Message::Update, 1, {At(13, 8, 5), At(12, 7, 5), At(11, 6, 5)}},
          {Message::Update, 1, {At(15, 10, 5), At(14, 9, 5), At(13, 8, 5)}},
          {Message::Up, 1, {At(16, 10, 5)}}},
         {Jump(5, 5), Press(5, 5), Move(6, 5), Move(7, 5), Move(8, 5), Move(9, 5), Move(10, 5), kRelease}},
        {"history out of order",
         {{Message::Down, 1, {At(10, 5, 5)}},
          {Message::Update, 1, {At(12, 7, 5), At(13, 8, 5), At(11, 6, 5), At(12, 7, 5)}}},
         {Jump(5, 5), Press(5, 5), Move(6, 5), Move(7, 5), Move(8, 5)}},
        {"frame ids that wrap",
         {{Message::Down, 1, {At(0xFFFFFFFEu, 5, 5)}}, {Message::Update, 1, {At(1, 7, 5), At(0xFFFFFFFFu, 6, 5)}}},
         {Jump(5, 5), Press(5, 5), Move(6, 5), Move(7, 5)}},
        {"a second finger or a palm is ignored, then a stroke of its own",
         {{Message::Down, 1, {At(10, 5, 5)}},
          {Message::Down, 2, {At(11, 50, 50)}},
          {Message::Update, 2, {At(12, 51, 50)}},
          {Message::Update, 1, {At(13, 6, 5)}},
          {Message::Up, 2, {At(14, 52, 50)}},
          {Message::Update, 1, {At(15, 7, 5)}},
          {Message::Up, 1, {At(16, 7, 5)}},
          {Message::Down, 2, {At(17, 40, 40)}}},
         {Jump(5, 5), Press(5, 5), Move(6, 5), Move(7, 5), kRelease, Jump(40, 40), Press(40, 40)}},
        {"a cancelled pointer ends the stroke where it was cancelled",
         {{Message::Down, 1, {At(10, 5, 5)}},
          {Message::Update, 1, {Canceled(12, 7, 5), At(11, 6, 5)}},
          {Message::Update, 1, {At(13, 8, 5)}},
          {Message::Up, 1, {At(14, 8, 5)}},
          {Message::Down, 3, {At(15, 20, 20)}},
          {Message::Cancel, 3, {}},
          {Message::Update, 3, {At(16, 21, 20)}}},
         {Jump(5, 5), Press(5, 5), Move(6, 5), kRelease, Jump(20, 20), Press(20, 20), kRelease}},
        {"a pointer that leaves the pad ends at its edge and starts again there",
         {{Message::Down, 1, {At(10, 50, 40)}},
          {Message::Update, 1, {At(11, 90, 40)}},
          {Message::Update, 1, {At(12, 130, 40)}},
          {Message::Update, 1, {At(13, 140, 60)}},
          {Message::Update, 1, {At(14, 80, 40)}},
          {Message::Update, 1, {At(15, 90, 70), At(16, 110, 90)}},
          {Message::Up, 1, {At(17, 120, 90)}}},
         {Jump(50, 40), Press(50, 40), Move(90, 40), Move(99, 40), kRelease, Jump(99, 46), Press(99, 46), Move(80, 40),
          Move(90, 70), Move(99, 79), kRelease}},
        {"a pointer that did not go down on the pad",
         {{Message::Update, 4, {At(3, 5, 5)}}, {Message::Up, 4, {At(4, 5, 5)}}, {Message::Cancel, 4, {}}},
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CPointerStroke stroke;
        const std::vector<StrokeInput> got = Feed(stroke, c.messages);
        EXPECT_EQ(got, c.expected) << "got " << Describe(got) << "\nwanted " << Describe(c.expected);
    }
}

} // namespace
