#include "platform/core/AppIdentity.h"
#include "platform/core/PreferredLanguages.h"
#include "support/TestEnvironment.h"
#include "update/AppUpdate.h"

#include <gtest/gtest.h>

namespace {

// Buckets below were computed apart from this code (SHA-256 of "salt|fingerprint").
constexpr const char* testUuid = "test-uuid";      // z5: 37, q7: 71, empty salt: 21
constexpr const char* bucketZero = "machine-327";  // z5: 0, empty salt: 6

UpdateManifest offered(std::int64_t build, std::optional<std::int64_t> percent = std::nullopt,
                       std::optional<std::string> salt = std::nullopt)
{
    UpdateManifest manifest{"2.0", build, "https://u.example/p.tar.gz"};
    manifest.rolloutPercent = percent;
    manifest.rolloutSalt = std::move(salt);
    return manifest;
}

core::AppIdentity running(std::string version, std::string build)
{
    core::AppIdentity identity;
    identity.version = std::move(version);
    identity.build = std::move(build);
    return identity;
}

bool updates(const UpdateManifest& manifest, std::int64_t current, std::optional<std::string> fingerprint)
{
    const UpdateOutcome outcome = AppUpdate::decision(manifest, current, fingerprint);
    EXPECT_NE(outcome.kind, UpdateOutcome::Kind::failed);
    return outcome == UpdateOutcome::update(manifest);
}

TEST(UpdateRulesTest, BucketsMatchIndependentlyComputedValues)
{
    EXPECT_EQ(AppUpdate::bucket(testUuid, "z5"), 37);
    EXPECT_EQ(AppUpdate::bucket(testUuid, "q7"), 71);
    EXPECT_EQ(AppUpdate::bucket(testUuid, ""), 21);
    EXPECT_EQ(AppUpdate::bucket(bucketZero, "z5"), 0);
    // Hashed as UTF-8 bytes.
    EXPECT_EQ(AppUpdate::bucket("机器-é-😀", "z5"), 89);
    EXPECT_EQ(AppUpdate::bucket("机器-é-😀", "q7"), 92);
    EXPECT_EQ(AppUpdate::bucket("Maschine-ä", "z5"), 7);
}

TEST(UpdateRulesTest, OnlyANewerBuildIsAnUpdate)
{
    EXPECT_TRUE(updates(offered(120), 119, testUuid));
    EXPECT_FALSE(updates(offered(120), 120, testUuid));
    EXPECT_FALSE(updates(offered(120), 121, testUuid));
    EXPECT_TRUE(updates(offered(1), 0, std::nullopt));
    EXPECT_FALSE(updates(offered(-3), 0, std::nullopt));
}

TEST(UpdateRulesTest, RolloutAdmitsMachinesBelowThePercentInTheirBucket)
{
    for (const std::int64_t everyone : {100, 101, 1000})
        EXPECT_TRUE(updates(offered(120, everyone), 119, testUuid)) << everyone;
    for (const std::int64_t none : {0, -1}) EXPECT_FALSE(updates(offered(120, none), 119, bucketZero)) << none;

    // test-uuid sits in bucket 37 under the default salt.
    EXPECT_FALSE(updates(offered(120, 37), 119, testUuid));
    EXPECT_TRUE(updates(offered(120, 38), 119, testUuid));
    EXPECT_TRUE(updates(offered(120, 1), 119, bucketZero));
    EXPECT_FALSE(updates(offered(120, 1), 119, testUuid));

    // An unidentified machine is inside every partial rollout, but not a closed one.
    EXPECT_TRUE(updates(offered(120, 1), 119, std::nullopt));
    EXPECT_FALSE(updates(offered(120, 0), 119, std::nullopt));
}

TEST(UpdateRulesTest, AnEmptySaltIsASaltOfItsOwn)
{
    // Buckets 71 under q7 and 21 under the empty salt, against 37 under the default z5.
    EXPECT_FALSE(updates(offered(120, 50, "q7"), 119, testUuid));
    EXPECT_TRUE(updates(offered(120, 72, "q7"), 119, testUuid));
    EXPECT_TRUE(updates(offered(120, 22, ""), 119, testUuid));
    EXPECT_FALSE(updates(offered(120, 21, ""), 119, testUuid));
    EXPECT_FALSE(updates(offered(120, 22), 119, testUuid));
    EXPECT_FALSE(updates(offered(120, 1, ""), 119, bucketZero));
}

TEST(UpdateRulesTest, MinimumSystemBlocksOnlyAnOlderRunningVersion)
{
    using V = core::OsVersion;
    const auto blocks = [](std::optional<std::string> minimum, std::optional<V> running) {
        return AppUpdate::requiresNewerSystem(minimum, running);
    };
    EXPECT_FALSE(blocks(std::nullopt, V{14, 2, 0}));
    EXPECT_FALSE(blocks("", V{14, 2, 0}));
    EXPECT_FALSE(blocks("13.0", V{14, 2, 0}));
    EXPECT_FALSE(blocks("13.0", V{13, 0, 0}));
    EXPECT_TRUE(blocks("15.0", V{14, 5, 0}));
    EXPECT_TRUE(blocks("13.4", V{13, 3, 0}));
    EXPECT_TRUE(blocks("13.4.2", V{13, 4, 1}));
    EXPECT_FALSE(blocks("13.4.2", V{13, 4, 2}));
    EXPECT_FALSE(blocks("14", V{1, 0, 0}));
    // Pieces that are not integers drop out: "14.x.2" asks for 14.2.
    EXPECT_TRUE(blocks("14.x.2", V{14, 1, 9}));
    EXPECT_FALSE(blocks("14.x.2", V{14, 2, 0}));
    EXPECT_TRUE(blocks("..24..04..", V{24, 3, 0}));
    EXPECT_TRUE(blocks("+24.-1.5.99", V{24, -1, 4}));
    EXPECT_FALSE(blocks("24. 10", V{1, 0, 0}));
    EXPECT_FALSE(blocks("24.+-10", V{1, 0, 0}));
    EXPECT_FALSE(blocks("24.99999999999999999999", V{1, 0, 0}));
    // A system whose version is unknown is never too old.
    EXPECT_FALSE(blocks("99.0", std::nullopt));
}

TEST(UpdateRulesTest, RunningBuildAndVersionFollowTheIntegerTextRule)
{
    EXPECT_EQ(AppUpdate::currentBuild(running("1.4.2", "31")), 31);
    EXPECT_EQ(AppUpdate::currentBuild(running("1.4.2", "+31")), 31);
    EXPECT_EQ(AppUpdate::currentBuild(running("1.4.2", "-2")), -2);
    EXPECT_EQ(AppUpdate::currentBuild(running("1.4.2", "9223372036854775807")), INT64_MAX);
    for (const char* notInteger : {"", "+", "-", "31a", " 31", "31 ", "3.1", "+-3", "9223372036854775808", "٣١"})
        EXPECT_EQ(AppUpdate::currentBuild(running("1.4.2", notInteger)), 0) << notInteger;
    EXPECT_EQ(AppUpdate::currentShortVersion(running("1.4.2", "31")), "1.4.2");
    EXPECT_EQ(AppUpdate::currentShortVersion(running("", "31")), "0");
}

class UpdateDetailsTest : public testsupport::VirtualTimeTest {};

TEST_F(UpdateDetailsTest, ParagraphsAppearOnlyWhenTheirConditionHolds)
{
    const auto identity = running("1.4.2", "31");
    UpdateManifest manifest{"2.0", 40, "https://u.example/p.tar.gz"};
    const std::string last = "当前版本 1.4.2（build 31）→ 新版本 build 40。";
    EXPECT_EQ(AppUpdate::updateDetails(manifest, identity), last);

    manifest.critical = false;
    manifest.notes = "";
    manifest.minSystemVersion = "";
    manifest.minBuild = 31;
    EXPECT_EQ(AppUpdate::updateDetails(manifest, identity), last);

    manifest.minBuild = 32;
    manifest.critical = true;
    manifest.notes = "Line one\nline two";
    manifest.minSystemVersion = "22.04";
    EXPECT_EQ(AppUpdate::updateDetails(manifest, identity),
              "你的版本已不再受支持，请尽快更新。\n\n这是一次重要更新，建议尽快安装。\n\nLine one\nline two\n\n"
              "需要 macOS 22.04 或更高版本。\n\n" +
                  last);
}

TEST_F(UpdateDetailsTest, TranslatedFormatsAreFilledAfterwards)
{
    core::setPreferredLanguagesOverride(std::vector<std::string>{"en-US"});
    UpdateManifest manifest{"2.0", 40, "https://u.example/p.tar.gz"};
    manifest.minSystemVersion = "%d";
    manifest.notes = "不翻译";
    EXPECT_EQ(AppUpdate::updateDetails(manifest, running("", "beta")),
              "不翻译\n\nRequires macOS %d or later.\n\nCurrent version 0 (build 0) → new build 40.");
}

}  // namespace
