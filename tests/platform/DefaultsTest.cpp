#include "platform/defaults/Defaults.h"

#include "support/TestEnvironment.h"

#include <filesystem>
#include <thread>

using defaults::Defaults;
using testsupport::TempDir;

TEST(Defaults, TellsAnAbsentKeyFromOneOfTheWrongType)
{
    TempDir dir;
    Defaults store(dir.path() + "/Glimra/defaults.json");
    store.set("appLanguage", "ja");
    EXPECT_TRUE(store.contains("appLanguage"));
    EXPECT_FALSE(store.integer("appLanguage"));
    EXPECT_EQ(store.string("appLanguage"), "ja");
    EXPECT_FALSE(store.contains("missing"));

    store.set("n", 3.5);
    EXPECT_FALSE(store.integer("n"));
    EXPECT_EQ(store.number("n"), 3.5);
    store.set("flag", true);
    EXPECT_FALSE(store.integer("flag"));
    EXPECT_EQ(store.boolean("flag"), true);
}

TEST(Defaults, PersistsAtomicallyAndReloads)
{
    TempDir dir;
    const std::string path = dir.path() + "/Glimra/defaults.json";
    {
        Defaults store(path);
        store.set("pipFrameRate", 30);
        store.set("list", nlohmann::json::array({1, 2}));
        store.remove("list");
    }
    Defaults again(path);
    EXPECT_EQ(again.integer("pipFrameRate"), 30);
    EXPECT_FALSE(again.contains("list"));
    for (const auto& entry : std::filesystem::directory_iterator(dir.path() + "/Glimra"))
        EXPECT_EQ(entry.path().filename(), "defaults.json") << "a temporary file was left behind";
}

TEST(Defaults, AnUnreadableFileIsKeptAsideNotOverwritten)
{
    TempDir dir;
    const std::string path = dir.path() + "/defaults.json";
    testsupport::writeFile(path, "{ not json");
    Defaults store(path);
    EXPECT_FALSE(store.contains("x"));
    store.set("x", 1);
    EXPECT_EQ(testsupport::readFile(path + ".unreadable"), "{ not json");
}

TEST(Defaults, ConcurrentWritersLoseNothing)
{
    TempDir dir;
    const std::string path = dir.path() + "/defaults.json";
    Defaults store(path);
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([&, t] {
            for (int i = 0; i < 25; ++i) store.set("k" + std::to_string(t) + "_" + std::to_string(i), i);
        });
    for (auto& w : writers) w.join();
    EXPECT_EQ(Defaults(path).snapshot().size(), 100u);
}
