#include "update/ManifestDecoding.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace {

using nlohmann::json;

json complete()
{
    return json{{"shortVersion", "1.2.3"}, {"build", 120}, {"url", "https://updates.example/Glimra-1.2.3-120.tar.gz"}};
}

std::optional<UpdateManifest> decodeWith(const char* key, const json& value)
{
    json document = complete();
    document[key] = value;
    return decodeManifest(document.dump());
}

TEST(ManifestDecodingTest, EveryFieldIsReadFromItsKey)
{
    const auto manifest = decodeManifest(R"({
        "shortVersion": "2.0.1", "build": 240, "url": "https://u.example/p.tar.gz",
        "notes": "Faster.", "notesURL": "https://u.example/notes", "critical": true, "minBuild": 200,
        "minSystemVersion": "22.04", "rolloutPercent": 25, "rolloutSalt": "q7", "sha256": "AB12"})");
    ASSERT_TRUE(manifest);
    const UpdateManifest expected{
        "2.0.1", 240,   "https://u.example/p.tar.gz", "Faster.", "https://u.example/notes", true, 200, "22.04", 25,
        "q7",    "AB12"};
    EXPECT_EQ(*manifest, expected);
}

TEST(ManifestDecodingTest, OptionalKeysMissingOrNullAreAbsentAndUnknownKeysIgnored)
{
    json document = complete();
    document["notes"] = nullptr;
    document["rolloutSalt"] = nullptr;
    document["future"] = json{{"anything", {1, 2}}};
    const auto manifest = decodeManifest(document.dump());
    ASSERT_TRUE(manifest);
    EXPECT_EQ(*manifest, (UpdateManifest{"1.2.3", 120, "https://updates.example/Glimra-1.2.3-120.tar.gz"}));
    EXPECT_FALSE(manifest->notes);
    EXPECT_FALSE(manifest->rolloutSalt);
}

TEST(ManifestDecodingTest, ValuesAreNotValidatedBeyondTheirType)
{
    const auto manifest = decodeManifest(
        R"({"shortVersion": "", "build": -5, "url": "", "rolloutPercent": 250, "rolloutSalt": "", "sha256": "xyz"})");
    ASSERT_TRUE(manifest);
    EXPECT_EQ(manifest->build, -5);
    EXPECT_EQ(manifest->rolloutPercent, 250);
    EXPECT_EQ(manifest->rolloutSalt, "");
}

TEST(ManifestDecodingTest, DocumentsThatAreNotAManifestObjectFail)
{
    EXPECT_FALSE(decodeManifest("{oops"));
    EXPECT_FALSE(decodeManifest(""));
    EXPECT_FALSE(decodeManifest("[]"));
    EXPECT_FALSE(decodeManifest("\"text\""));
    EXPECT_FALSE(decodeManifest(complete().dump() + " trailing"));
    EXPECT_FALSE(decodeManifest(R"({"shortVersion": "1.0", "url": "https://u.example/p"})"));
    for (const char* key : {"shortVersion", "build", "url"}) {
        json document = complete();
        document.erase(key);
        EXPECT_FALSE(decodeManifest(document.dump())) << key;
        document[key] = nullptr;
        EXPECT_FALSE(decodeManifest(document.dump())) << key;
    }
}

TEST(ManifestDecodingTest, AWrongTypeFailsTheWholeManifestForOptionalKeysToo)
{
    EXPECT_FALSE(decodeWith("shortVersion", 1));
    EXPECT_FALSE(decodeWith("build", "120"));
    EXPECT_FALSE(decodeWith("url", json::array()));
    EXPECT_FALSE(decodeWith("notes", false));
    EXPECT_FALSE(decodeWith("notesURL", 3));
    EXPECT_FALSE(decodeWith("critical", 1));
    EXPECT_FALSE(decodeWith("critical", "true"));
    EXPECT_FALSE(decodeWith("minBuild", "10"));
    EXPECT_FALSE(decodeWith("minSystemVersion", 13.0));
    EXPECT_FALSE(decodeWith("rolloutPercent", json::object()));
    EXPECT_FALSE(decodeWith("rolloutSalt", 5));
    EXPECT_FALSE(decodeWith("sha256", nlohmann::json::array({"ab"})));
}

// A version is shown in a menu row and written to the log at every check: one of 300,000
// characters once widened the menu past the screen.
TEST(ManifestDecodingTest, AVersionOfMoreThanSixtyFourCharactersFailsTheManifest)
{
    std::string cjk;
    for (int i = 0; i < 64; ++i) cjk += "版";
    EXPECT_TRUE(decodeWith("shortVersion", std::string(64, '9')));
    EXPECT_TRUE(decodeWith("shortVersion", cjk)) << "characters, not bytes";
    EXPECT_FALSE(decodeWith("shortVersion", std::string(65, '9')));
    EXPECT_FALSE(decodeWith("shortVersion", cjk + "1"));
    EXPECT_FALSE(decodeWith("shortVersion", std::string(300000, '9')));
}

TEST(ManifestDecodingTest, IntegersMustBeIntegralAndWithinSixtyFourBits)
{
    const auto buildOf = [](const std::string& number) -> std::optional<std::int64_t> {
        const auto manifest = decodeManifest(R"({"shortVersion": "1", "url": "u", "build": )" + number + "}");
        if (!manifest) return std::nullopt;
        return manifest->build;
    };
    EXPECT_EQ(buildOf("120.0"), 120);
    EXPECT_EQ(buildOf("1.2e2"), 120);
    EXPECT_EQ(buildOf("-0.0"), 0);
    EXPECT_EQ(buildOf("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(buildOf("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(buildOf("-9.223372036854775808e18"), INT64_MIN);
    EXPECT_FALSE(buildOf("120.5"));
    EXPECT_FALSE(buildOf("1e30"));
    EXPECT_FALSE(buildOf("-1e30"));
    EXPECT_FALSE(buildOf("9223372036854775808"));
    EXPECT_FALSE(buildOf("18446744073709551615"));
    EXPECT_FALSE(buildOf("9.223372036854775808e18"));
    EXPECT_FALSE(buildOf("true"));
    EXPECT_FALSE(decodeWith("rolloutPercent", 12.5));
    EXPECT_FALSE(decodeWith("minBuild", true));
}

}  // namespace
