#include "settings/guide/TypingScene.h"

#include "support/DiagLines.h"

#include <gtest/gtest.h>

namespace {

void expectRect(const core::Rect& r, double x, double y, double w, double h)
{
    EXPECT_NEAR(r.x(), x, 1e-9);
    EXPECT_NEAR(r.y(), y, 1e-9);
    EXPECT_NEAR(r.width(), w, 1e-9);
    EXPECT_NEAR(r.height(), h, 1e-9);
}

class TypingScene : public testsupport::DiagTest {
protected:
    std::vector<double> type(const core::Rect& rect, double start = 0.52, double step = 0.1, double caretStart = 0.4)
    {
        return guide::inputTypingScene(host, rect, 16, start, step, caretStart);
    }
    const ui::Layer& backdrop() const { return *host.sublayers().at(0); }
    const ui::Layer& field() const { return *host.sublayers().at(1); }
    const ui::Layer& letter(int i) const { return *field().sublayers().at(i); }
    const ui::Layer& caret() const { return *field().sublayers().at(4); }
    double caretX(double seconds) const { return caret().presentation(seconds).position.x; }

    ui::Layer host;
};

TEST_F(TypingScene, TheFieldIsCentredWithTheLettersCloseTogether)
{
    const auto times = type({10, 20, 200, 100});  // fh 22, fs 13.2
    ASSERT_EQ(host.sublayers().size(), 2u);
    expectRect(backdrop().frame(), 10, 20, 200, 100);
    expectRect(field().frame(), 42, 59, 136, 22);
    EXPECT_NEAR(field().cornerRadius, 5.28, 1e-12);
    EXPECT_NEAR(field().borderWidth, 1.2, 1e-12);
    ASSERT_EQ(field().sublayers().size(), 5u);
    expectRect(letter(0).frame(), 7.48, 2.42, 17.16, 17.16);
    expectRect(letter(3).frame(), 45.1, 2.42, 17.16, 17.16);
    EXPECT_EQ(letter(2).text, "C");
    EXPECT_NEAR(letter(2).font.points, 13.2, 1e-12);
    EXPECT_EQ(letter(2).font.weight, ui::FontSpec::Weight::bold);
    expectRect(caret().frame(), 0, 3.96, 1.5, 14.08);
    EXPECT_EQ(letter(0).opacity, 0);
    EXPECT_EQ(caret().opacity, 0);
    ASSERT_EQ(times.size(), 4u);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(times[i], 0.52 + 0.1 * i, 1e-12);
    EXPECT_TRUE(linesWith("引导动画").empty());
}

TEST_F(TypingScene, ASmallRectangleKeepsTheFloors)
{
    type({0, 0, 20, 10});
    expectRect(field().frame(), 3.2, 0.5, 13.6, 9);  // field height 9
    EXPECT_EQ(field().borderWidth, 1);
    expectRect(letter(0).frame(), 3.06, 0.6, 7.8, 7.8);  // font size 6
    EXPECT_EQ(letter(0).font.points, 6);
    expectRect(caret().frame(), 0, 1.62, 1.5, 5.76);
}

TEST_F(TypingScene, LettersAppearInTurnAndClearTogether)
{
    type({0, 0, 200, 100});
    EXPECT_EQ(letter(0).presentation(8.0).opacity, 0);
    EXPECT_NEAR(letter(0).presentation(8.96).opacity, 1, 1e-12);
    EXPECT_NEAR(letter(3).presentation(13.0).opacity, 0, 1e-12);
    EXPECT_NEAR(letter(3).presentation(13.7).opacity, 1, 1e-12);
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(letter(i).presentation(14.5).opacity, 1, 1e-12) << i;
        EXPECT_NEAR(letter(i).presentation(14.85).opacity, 0, 1e-12) << i;
    }
    EXPECT_NEAR(letter(1).presentation(16 + 8.96).opacity, 0, 1e-12);
}

TEST_F(TypingScene, TheCaretJumpsBehindEachLetterAndBlinksBeforeTheFirst)
{
    type({0, 0, 200, 100});
    EXPECT_NEAR(caretX(0), 7.48, 1e-9);
    EXPECT_NEAR(caretX(8.0), 7.48, 1e-9);
    EXPECT_NEAR(caretX(9.12), 23.5, 1e-9);
    EXPECT_NEAR(caretX(10.5), 36.04, 1e-9);
    EXPECT_NEAR(caretX(12.0), 48.58, 1e-9);
    EXPECT_NEAR(caretX(14.4), 61.12, 1e-9);
    EXPECT_NEAR(caretX(16.0), 7.48, 1e-9);

    EXPECT_NEAR(caret().presentation(6.0).opacity, 0, 1e-12);
    EXPECT_NEAR(caret().presentation(16 * (0.4 + 0.52 / 14)).opacity, 1, 1e-6);
    EXPECT_NEAR(caret().presentation(16 * (0.4 + 0.52 * 13 / 14)).opacity, 1, 1e-6);
    EXPECT_NEAR(caret().presentation(14.72).opacity, 0, 1e-6);
    EXPECT_NEAR(caret().presentation(15.5).opacity, 0, 1e-12);
}

TEST_F(TypingScene, LateLettersAreClampedBeforeTheLoopEnds)
{
    type({0, 0, 200, 100}, 0.8, 0.05);  // last letter at 0.95
    EXPECT_NEAR(letter(3).presentation(16 * 0.984).opacity, 1, 1e-9);
    EXPECT_NEAR(letter(3).presentation(16 * 0.995).opacity, 0, 1e-9);
    EXPECT_NEAR(caret().presentation(16 * (0.4 + 0.58 * 13 / 14)).opacity, 1, 1e-6);
    EXPECT_NEAR(caret().presentation(16 * 0.98).opacity, 0, 1e-6);
    EXPECT_TRUE(linesWith("引导动画").empty());
}

TEST_F(TypingScene, TracksThatWouldRunBackwardsAreRefusedOneLineEach)
{
    // A blink that would start before its first key time.
    type({0, 0, 200, 100}, 0.52, 0.1, 0.005);
    EXPECT_EQ(caret().animationKeys(), std::vector<std::string>{"position.x-loop"});
    EXPECT_EQ(caret().presentation(7.0).opacity, 0);
    EXPECT_EQ(linesWith("引导动画"), std::vector<std::string>{"引导动画: 关键帧被拒 ? opacity-loop"});

    // Letters past the loop's end: the third and fourth letters and the caret's jumps.
    ui::Layer late;
    const auto times = guide::inputTypingScene(late, {0, 0, 200, 100}, 16, 0.9, 0.05, 0.4);
    ASSERT_EQ(times.size(), 4u);
    EXPECT_NEAR(times[3], 1.05, 1e-12);
    const ui::Layer& lateField = *late.sublayers().at(1);
    EXPECT_EQ(lateField.sublayers().at(1)->animationKeys(), std::vector<std::string>{"opacity-loop"});
    EXPECT_TRUE(lateField.sublayers().at(2)->animationKeys().empty());
    EXPECT_TRUE(lateField.sublayers().at(3)->animationKeys().empty());
    EXPECT_EQ(lateField.sublayers().at(4)->animationKeys(), std::vector<std::string>{"opacity-loop"});
    EXPECT_EQ(
        linesWith("引导动画"),
        (std::vector<std::string>{"引导动画: 关键帧被拒 ? opacity-loop", "引导动画: 关键帧被拒 ? opacity-loop",
                                  "引导动画: 关键帧被拒 ? opacity-loop", "引导动画: 关键帧被拒 ? position.x-loop"}));
}

}  // namespace
