#include "update/ArchiveListing.h"

#include <gtest/gtest.h>

namespace {

using Kind = ContentRefusal::Kind;

ArchiveMember member(char type, std::uint64_t size, std::string name) { return {type, size, std::move(name)}; }

TEST(ArchiveListingTest, ParsesVerboseLinesAndRejectsAnythingElse)
{
    const auto members = parseArchiveListing(
        "drwxr-xr-x root/root         0 2026-12-07 19:40 Glimra.app/\n"
        "-rw-r--r-- 1000/1000 123456789 2026-12-07 19:40 Glimra.app/we ird -> name\n"
        "lrwxrwxrwx root/root         0 2026-12-07 19:40 Glimra.app/s -> f\n"
        "hrw-r--r-- root/root         0 2026-12-07 19:40 Glimra.app/g link to Glimra.app/f\n"
        "crw-r--r-- root/root       1,3 2026-12-07 19:40 Glimra.app/null\n"
        "-rw-r--r-- root/root 99999999999999999999999 2026-12-07 19:40 Glimra.app/huge\n");
    ASSERT_TRUE(members);
    ASSERT_EQ(members->size(), 6u);
    EXPECT_EQ((*members)[0].name, "Glimra.app");
    EXPECT_EQ((*members)[0].type, 'd');
    EXPECT_EQ((*members)[1].name, "Glimra.app/we ird -> name");
    EXPECT_EQ((*members)[1].size, 123456789u);
    EXPECT_EQ((*members)[2].type, 'l');
    EXPECT_EQ((*members)[3].type, 'h');
    EXPECT_EQ((*members)[4].type, 'c');
    EXPECT_EQ((*members)[4].size, 0u);
    EXPECT_EQ((*members)[5].size, UINT64_MAX) << "a size past 64 bits counts as too large";

    EXPECT_EQ(parseArchiveListing("")->size(), 0u);
    EXPECT_EQ(parseArchiveListing("tar: Removing leading `/' from member names\n")->size(), 0u);
    EXPECT_EQ(parseArchiveListing("/usr/bin/tar: Removing leading `/' from member names\n")->size(), 0u);
    EXPECT_FALSE(parseArchiveListing("-rw-r--r-- root/root 1 2026-12-07 19:40 a\ngzip: stdin: not in gzip format\n"));
}

TEST(ArchiveListingTest, PrefilterRefusesUnsafeNamesTypesAndSizes)
{
    const ContentLimits limits{1000, 4};
    const auto refusal = [&](std::vector<ArchiveMember> members, std::uint64_t freeBytes = 1 << 20) {
        return listingRefusal(members, limits, freeBytes);
    };
    const auto app = member('d', 0, "Glimra.app");
    EXPECT_EQ(refusal({app, member('-', 10, "Glimra.app/bin/glimra")}), std::nullopt);
    EXPECT_EQ(refusal({member('d', 0, "."), member('d', 0, "./Glimra.app"), member('-', 1, "./Glimra.app/x")}),
              std::nullopt);

    for (const auto& unsafe : {member('-', 1, "/etc/passwd"), member('-', 1, "Glimra.app/../../x"), member('-', 1, ".."),
                               member('l', 0, "Glimra.app/s -> /"), member('h', 0, "Glimra.app/g link to Glimra.app/f"),
                               member('p', 0, "Glimra.app/p"), member('c', 0, "Glimra.app/c"),
                               member('d', 0, "Other.app"), member('-', 1, "Glimra.app2/x")}) {
        const auto refused = refusal({app, unsafe});
        ASSERT_TRUE(refused) << unsafe.name;
        EXPECT_EQ(refused->kind, Kind::unsafeEntry);
        EXPECT_EQ(refused->entry, unsafe.name);
    }

    EXPECT_EQ(refusal({app, member('-', 600, "Glimra.app/a"), member('-', 401, "Glimra.app/b")})->kind, Kind::tooLarge);
    EXPECT_EQ(refusal({app, member('-', 1000, "Glimra.app/a")}), std::nullopt) << "the cap itself is allowed";
    EXPECT_EQ(refusal({app, member('-', 600, "Glimra.app/a"), member('-', UINT64_MAX, "Glimra.app/b")})->kind, Kind::tooLarge)
        << "no wrap-around";
    const std::vector<ArchiveMember> five(5, member('d', 0, "Glimra.app"));
    EXPECT_EQ(refusal(five)->kind, Kind::tooLarge);
    EXPECT_EQ(refusal({app, member('-', 900, "Glimra.app/a")}, 899)->kind, Kind::noSpace);
}

}  // namespace
