#include "capture/OcclusionGate.h"

#include "support/DiagLines.h"

#include <gtest/gtest.h>

using Outcome = WindowParking::RescueOutcome;

namespace {

struct FakeHost : capture::OcclusionGate::Host {
    std::optional<std::string> occluder;
    bool borrowed = false;
    bool parker = true;
    std::vector<Outcome> answers;  // one per park request, the last repeated
    std::optional<std::string> evidence = "800x600 AAAA";
    int prewarms = 0;
    int requests = 0;
    std::vector<bool> notices;

    std::optional<std::string> occluderDescription() override { return occluder; }
    bool isBorrowedByPinnedPreview() override { return borrowed; }
    void prewarmDisplay() override { ++prewarms; }
    bool canRequestPark() override { return parker; }
    Outcome requestPark() override
    {
        const auto answer = answers[std::min<std::size_t>(requests, answers.size() - 1)];
        ++requests;
        return answer;
    }
    std::optional<std::string> windowEvidence() override { return evidence; }
    // Transitions only, as the mirror's notice reports them.
    void showFrozenNotice() override
    {
        if (notices.empty() || !notices.back()) notices.push_back(true);
    }
    void withdrawFrozenNotice() override
    {
        if (!notices.empty() && notices.back()) notices.push_back(false);
    }
};

class OcclusionGateTest : public testsupport::DiagTest {
protected:
    void ticks(int count)
    {
        for (int i = 0; i < count; ++i) {
            gate.tick(now, 42, host);
            now += 0.5;
        }
    }

    FakeHost host;
    capture::OcclusionGate gate;
    double now = 10;
};

}  // namespace

TEST_F(OcclusionGateTest, ThreeFailedParksThenTheFrozenNoticeUntilTheCoverEnds)
{
    host.occluder = "Safari(pid 7) 900x700@(0,0)";
    host.answers = {Outcome::failed};
    // Tick 1 starts the episode and takes the first evidence; tick 2 has equal evidence
    // and 0.5 s of cover: the first request.
    ticks(1);
    EXPECT_EQ(host.requests, 0);
    ticks(1);
    EXPECT_EQ(host.requests, 1);
    ticks(2);
    EXPECT_EQ(host.requests, 3);
    EXPECT_EQ(host.notices, (std::vector<bool>{true}));
    ticks(4);
    EXPECT_EQ(host.requests, 3);
    EXPECT_EQ(host.prewarms, 1);
    EXPECT_EQ(linesWith("遮挡自救: 第 1/3 次未接管（独立证据已确认源窗口停住）⇒ 下一跳再试").size(), 1u);
    EXPECT_EQ(linesWith("遮挡自救: 第 2/3 次未接管").size(), 1u);
    EXPECT_EQ(linesWith("遮挡状态: 源窗口被完全遮挡 ← Safari(pid 7) 900x700@(0,0)").size(), 1u);

    host.occluder.reset();
    ticks(2);
    EXPECT_EQ(host.notices, (std::vector<bool>{true, false}));
    EXPECT_FALSE(gate.isCovered());
    EXPECT_EQ(gate.rescueAttempts(), 0);
    EXPECT_EQ(linesWith("遮挡状态: 源窗口恢复可见（不再被完全遮挡）").size(), 1u);
}

TEST_F(OcclusionGateTest, ChangingEvidenceShortCoversAndCooldownsSpendNoAttempt)
{
    host.occluder = "X(pid 1) 10x10@(0,0)";
    host.answers = {Outcome::inCooldown};
    for (int i = 0; i < 6; ++i) {
        host.evidence = "800x600 " + std::to_string(i);
        ticks(1);
    }
    EXPECT_EQ(host.requests, 0);

    host.evidence = "800x600 still";
    ticks(6);
    EXPECT_EQ(host.requests, 5);
    EXPECT_EQ(gate.rescueAttempts(), 0);
    EXPECT_EQ(linesWith("正处在还原防抖冷却中").size(), 5u);

    host.answers = {Outcome::parked};
    host.requests = 0;
    ticks(1);
    EXPECT_EQ(gate.rescueAttempts(), 1);
    EXPECT_TRUE(host.notices.empty());

    // A cover of 0.4 s makes no request.
    capture::OcclusionGate brief;
    FakeHost other;
    other.answers = {Outcome::failed};
    other.occluder = "X(pid 1) 10x10@(0,0)";
    brief.tick(0, 42, other);
    brief.tick(0.4, 42, other);
    other.occluder.reset();
    brief.tick(0.8, 42, other);
    EXPECT_EQ(other.requests, 0);
}

TEST_F(OcclusionGateTest, ALentWindowIsSkippedAndWithoutAParkerTheNoticeComesAtOnce)
{
    host.occluder = "X(pid 1) 10x10@(0,0)";
    host.borrowed = true;
    host.answers = {Outcome::failed};
    ticks(5);
    EXPECT_EQ(host.requests, 0);
    EXPECT_EQ(host.prewarms, 0);
    EXPECT_TRUE(host.notices.empty());
    EXPECT_EQ(linesWith("遮挡自救: 窗口 #42 正被固定预览接管借走").size(), 1u);

    FakeHost alone;
    alone.parker = false;
    alone.occluder = "X(pid 1) 10x10@(0,0)";
    capture::OcclusionGate gate2;
    gate2.tick(0, 42, alone);
    gate2.tick(0.5, 42, alone);
    EXPECT_EQ(alone.notices, (std::vector<bool>{true}));
    EXPECT_EQ(alone.prewarms, 1);
}
