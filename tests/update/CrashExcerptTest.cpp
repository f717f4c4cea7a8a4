#include "update/CrashExcerpt.h"

#include <gtest/gtest.h>

#include <random>
#include <regex>

namespace {

const std::string hex64 = "0123456789abcdefABCDEF0123456789abcdef0123456789abcdef0123456789";

TEST(CrashExcerptTest, IdentifiersAreReplacedAndEverythingElseStays)
{
    using CrashExcerpt::redact;
    EXPECT_EQ(redact(R"({"incident" :  "AB12 34", "other": "keep"})"),
              R"({"incident" :  "[redacted]", "other": "keep"})");
    EXPECT_EQ(redact("\"hw.model\":\"Mac14,2\" \"hwXmodel\":\"x\""), "\"hw.model\":\"[redacted]\" \"hwXmodel\":\"x\"");
    // A UUID value is a UUID first, then redacted as the key's value.
    EXPECT_EQ(redact(R"("anonymousUUID":"9F1C2A3B-1111-2222-3333-444455556666")"), R"("anonymousUUID":"[redacted]")");
    EXPECT_EQ(redact("at 9f1c2a3b-1111-2222-3333-444455556666x"), "at [uuid]x");
    EXPECT_EQ(redact("image " + hex64 + " loaded"), "image [hex] loaded");
    EXPECT_EQ(redact(hex64.substr(0, 39)), hex64.substr(0, 39));
    EXPECT_EQ(redact(hex64.substr(0, 40)), "[hex]");
    // Not a whole word: stays.
    EXPECT_EQ(redact("g" + hex64), "g" + hex64);
    EXPECT_EQ(redact(hex64 + "_"), hex64 + "_");
    // A value without its closing quote is left alone.
    EXPECT_EQ(redact(R"("serialNumber": "C02)"), R"("serialNumber": "C02)");
}

TEST(CrashExcerptTest, TheHomeFolderBecomesATildeOnlyWhenItIsAFolderOfItsOwn)
{
    using CrashExcerpt::hideHome;
    EXPECT_EQ(hideHome("/home/ann/bin/glimra and /home/ann", "/home/ann"), "~/bin/glimra and ~");
    EXPECT_EQ(hideHome("/home/anna/x /home/ann.", "/home/ann/"), "/home/anna/x ~.");
    EXPECT_EQ(hideHome("/usr/lib", "/"), "/usr/lib");
    EXPECT_EQ(hideHome("home/ann", "home/ann"), "home/ann");
    EXPECT_EQ(hideHome("/x", ""), "/x");
}

TEST(CrashExcerptTest, LimitsCountCodePoints)
{
    std::string report;
    for (int i = 0; i < 20000; ++i) report += "é";
    const std::string excerpt = CrashExcerpt::excerpt(report, "/home/ann");
    EXPECT_EQ(excerpt.size(), 2u * CrashExcerpt::sentLimit);
    EXPECT_EQ(CrashExcerpt::leadingCodePoints("a€b", 2), "a€");
    EXPECT_EQ(CrashExcerpt::leadingCodePoints("ab", 5), "ab");
}

// The matchers are written by hand for speed; they must find exactly what the rules'
// regular expressions find.
TEST(CrashExcerptTest, TheMatchersAgreeWithTheRegularExpressionsOnRandomText)
{
    const std::regex uuid("[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}");
    const std::regex key(
        R"re(("(?:incident|crashReporterKey|deviceIdentifierForVendor|anonymousUUID|serialNumber|provisioningUDID|hw\.model)"\s*:\s*")[^"]*("))re");
    const std::regex hexRun(R"(\b[0-9A-Fa-f]{40,}\b)");
    const std::vector<std::string> pieces = {
        "\"", "incident\"", "hw.model\"",     " ",    ":",        "-",     "a", "F", "0", "9", "g", "_", "\n", "é",
        "\t", "x\"",        "serialNumber\"", "1111", "abcdef01", "[uuid]"};
    std::mt19937 random(15);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int count = std::uniform_int_distribution<int>(0, 60)(random);
        for (int i = 0; i < count; ++i) {
            const auto& piece = pieces[random() % pieces.size()];
            const int repeats = piece.size() == 1 && std::isxdigit(static_cast<unsigned char>(piece[0]))
                                    ? std::uniform_int_distribution<int>(1, 45)(random)
                                    : 1;
            for (int r = 0; r < repeats; ++r) text += piece;
        }
        if (round % 7 == 0) text += "x 01234567-89ab-cdef-0123-456789ABCDEF" + std::string(41, 'c');
        std::string expected = std::regex_replace(text, uuid, "[uuid]");
        expected = std::regex_replace(expected, key, "$1[redacted]$2");
        expected = std::regex_replace(expected, hexRun, "[hex]");
        ASSERT_EQ(CrashExcerpt::redact(text), expected) << text;
    }
}

}  // namespace
