#include "update/InstallAcceptance.h"

#include <gtest/gtest.h>

namespace {

using Check = InstallReject::Check;

const std::optional<std::string> ours = std::string("com.glimra.app");

InstallCandidate candidate(std::optional<std::string> identifier, std::int64_t build, std::optional<std::string> team)
{
    return {std::move(identifier), build, std::move(team)};
}

TEST(InstallAcceptanceTest, IdentifierBuildAndTeamMatrix)
{
    const std::optional<std::string> t1 = std::string("T1");
    EXPECT_EQ(installReject(candidate(ours, 120, t1), ours, 120, t1), std::nullopt);

    auto reject = installReject(candidate(ours, 121, t1), ours, 120, t1);
    ASSERT_TRUE(reject);
    EXPECT_EQ(reject->check, Check::build);

    reject = installReject(candidate("com.evil.thing", 120, t1), ours, 120, t1);
    ASSERT_TRUE(reject);
    EXPECT_EQ(reject->check, Check::bundle);
    EXPECT_EQ(reject->candidateBundle, "com.evil.thing");

    reject = installReject(candidate(ours, 120, "T2"), ours, 120, t1);
    ASSERT_TRUE(reject);
    EXPECT_EQ(*reject, (InstallReject{Check::team, std::nullopt, std::string("T2"), t1}));

    reject = installReject(candidate(ours, 120, std::nullopt), ours, 120, t1);
    ASSERT_TRUE(reject);
    EXPECT_EQ(reject->check, Check::unsignedBundle);
}

TEST(InstallAcceptanceTest, AdHocCopyComparesOnlyIdentifierAndBuild)
{
    EXPECT_EQ(installReject(candidate(ours, 120, std::nullopt), ours, 120, std::nullopt), std::nullopt);
    EXPECT_EQ(installReject(candidate(ours, 120, "T2"), ours, 120, std::nullopt), std::nullopt);
    // Two missing identifiers are the same identifier; one missing is not.
    EXPECT_EQ(installReject(candidate(std::nullopt, 7, std::nullopt), std::nullopt, 7, std::nullopt), std::nullopt);
    const auto reject = installReject(candidate(std::nullopt, 120, std::nullopt), ours, 120, std::nullopt);
    ASSERT_TRUE(reject);
    EXPECT_EQ(reject->check, Check::bundle);
    EXPECT_EQ(reject->candidateBundle, std::nullopt);
    // A build that could not be read (-1) never matches a manifest's.
    EXPECT_EQ(installReject(candidate(ours, -1, std::nullopt), ours, 120, std::nullopt)->check, Check::build);
    // The identifier is checked before the build.
    EXPECT_EQ(installReject(candidate("x", 1, std::nullopt), ours, 120, std::nullopt)->check, Check::bundle);
}

}  // namespace
