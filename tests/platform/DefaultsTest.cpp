#include "platform/defaults/Defaults.h"

#include "platform/dispatch/ThreadScheduler.h"
#include "support/TestEnvironment.h"

#include <atomic>
#include <filesystem>
#include <sys/stat.h>
#include <thread>

using defaults::Defaults;
using nlohmann::json;
using testsupport::TempDir;

namespace {

// A value `depth` containers deep, built without recursion.
json nestedValue(int depth)
{
    json value = json::array();
    for (int i = 1; i < depth; ++i) {
        json outer = json::array();
        outer.push_back(std::move(value));
        value = std::move(outer);
    }
    return value;
}

std::string nestedText(int depth) { return std::string(depth, '[') + std::string(depth, ']'); }

bool exists(const std::string& path) { return std::filesystem::exists(path); }

}  // namespace

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

TEST(Defaults, BoolValueReadsAnyStoredValueAsTheSettingsWindowWouldShowIt)
{
    TempDir dir;
    Defaults store(dir.path() + "/Glimra/defaults.json");
    const std::vector<std::pair<json, bool>> cases = {
        {true, true},
        {false, false},
        {0, false},
        {2, true},
        {-0.5, true},
        {0.0, false},
        {"YES", true},
        {"no", false},
        {"true", true},
        {"  t", true},
        {"-007", true},
        {"000", false},
        {"0x1", false},
        {"", false},
        {"Fred", false},
        {json::array({1}), false},
        {json::object({{"a", 1}}), false},
        {nullptr, false},
    };
    for (const auto& [value, expected] : cases) {
        store.set("flag", value);
        EXPECT_EQ(store.boolValue("flag"), expected) << value.dump();
    }
    store.remove("flag");
    EXPECT_FALSE(store.boolValue("flag"));
}

TEST(Defaults, PersistsAtomicallyAndReloads)
{
    TempDir dir;
    const std::string path = dir.path() + "/Glimra/defaults.json";
    {
        Defaults store(path);
        store.set("pipFrameRate", 30);
        store.set("list", json::array({1, 2}));
        store.remove("list");
        store.set("name", "\xff not UTF-8");
    }
    Defaults again(path);
    EXPECT_EQ(again.integer("pipFrameRate"), 30);
    EXPECT_FALSE(again.contains("list"));
    EXPECT_TRUE(again.string("name"));
    for (const auto& entry : std::filesystem::directory_iterator(dir.path() + "/Glimra"))
        EXPECT_EQ(entry.path().filename(), "defaults.json") << "a temporary file was left behind";
}

TEST(Defaults, TheSettingsFileAndItsFolderAreTheUsersAloneAlsoWhenLoosenedBefore)
{
    namespace fs = std::filesystem;
    TempDir dir;
    const std::string folder = dir.path() + "/Glimra";
    const std::string path = folder + "/defaults.json";
    {
        Defaults store(path);
        store.set("x", 1);
    }
    EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write);

    fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(path,
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
    Defaults again(path);
    EXPECT_EQ(again.integer("x"), 1);
    EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write);
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
    store.flush();
    EXPECT_EQ(Defaults(path).snapshot().size(), 100u);
}

TEST(Defaults, TheFileIsAlwaysCompleteWhileWritesRunOnAWorker)
{
    dispatch::install(std::make_shared<dispatch::ThreadScheduler>());
    TempDir dir;
    const std::string path = dir.path() + "/defaults.json";
    std::atomic<bool> done = false;
    int reads = 0;
    std::thread reader([&] {
        while (!done) {
            const auto text = testsupport::readFile(path);
            if (text.empty()) continue;
            ++reads;
            const auto parsed = json::parse(text, nullptr, false);
            ASSERT_TRUE(parsed.is_object()) << "a reader saw a partial file";
        }
    });
    {
        Defaults store(path);
        // Bursts spread over several write delays, so the worker writes while the reader reads.
        for (int i = 0; i < 3000; ++i) {
            store.set("key" + std::to_string(i % 300), std::string(i % 500, 'x'));
            if (i % 100 == 99) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    done = true;
    reader.join();
    dispatch::install(nullptr);
    EXPECT_EQ(Defaults(path).snapshot().size(), 300u);
    EXPECT_GT(reads, 0);
}

class DefaultsWrites : public testsupport::VirtualTimeTest {
protected:
    std::string path() const { return home() + "/settings/defaults.json"; }
};

TEST_F(DefaultsWrites, ManySetsQueueOneWriteOfTheFinalState)
{
    Defaults store(path());
    for (int i = 0; i < 1000; ++i) store.set("k" + std::to_string(i % 100), i);
    store.remove("k0");
    EXPECT_FALSE(exists(path())) << "written before the queue ran";
    EXPECT_EQ(clock().pendingCount(), 1u);

    clock().advance(1);
    const auto written = json::parse(testsupport::readFile(path()));
    EXPECT_EQ(written.size(), 99u);
    EXPECT_EQ(written["k99"], 999);

    // A write queued under a scheduler that was replaced never runs: the next change
    // queues one on the new scheduler.
    store.set("late", 1);
    auto next = std::make_shared<dispatch::ManualScheduler>();
    dispatch::install(next);
    store.set("later", 2);
    EXPECT_EQ(next->pendingCount(), 1u);
    next->advance(1);
    const auto rewritten = json::parse(testsupport::readFile(path()));
    EXPECT_EQ(rewritten["late"], 1);
    EXPECT_EQ(rewritten["later"], 2);
    dispatch::install(scheduler_);
}

TEST_F(DefaultsWrites, FlushWritesBeforeReturningAndOnlyWhatIsPending)
{
    Defaults store(path());
    store.flush();
    EXPECT_FALSE(exists(path())) << "nothing was pending";

    store.set("pipFrameRate", 24);
    store.flush();
    EXPECT_EQ(json::parse(testsupport::readFile(path()))["pipFrameRate"], 24);

    // Neither a second flush nor the queued write rewrites an up-to-date file.
    testsupport::writeFile(path(), "marker");
    store.flush();
    clock().advance(1);
    EXPECT_EQ(testsupport::readFile(path()), "marker");
}

TEST_F(DefaultsWrites, NothingSetIsLostAtReopenOrDestruction)
{
    const std::string other = home() + "/other/defaults.json";
    {
        Defaults store(path());
        store.set("first", 1);
        store.reopen(other);
        EXPECT_FALSE(store.contains("first"));
        store.set("second", 2);
    }
    EXPECT_EQ(Defaults(path()).integer("first"), 1);
    EXPECT_EQ(Defaults(other).integer("second"), 2);
    EXPECT_FALSE(Defaults(other).contains("first"));
    // The writes still queued find their store gone and do nothing.
    clock().advance(1);
}

TEST(Defaults, AnUnreadableFileIsMovedAsideUnderANewNumberAndFiveAreKept)
{
    TempDir dir;
    const std::string path = dir.path() + "/defaults.json";
    testsupport::writeFile(path + ".unreadable", "from an older version");
    testsupport::writeFile(path + ".unreadable.3", "third");
    testsupport::writeFile(path, "{ not json");
    Defaults store(path);
    EXPECT_FALSE(store.contains("x"));
    store.set("x", 1);
    store.flush();
    EXPECT_EQ(testsupport::readFile(path + ".unreadable.4"), "{ not json");
    EXPECT_EQ(testsupport::readFile(path + ".unreadable.3"), "third");

    for (int i = 5; i <= 10; ++i) {
        testsupport::writeFile(path, "corrupt " + std::to_string(i));
        store.reopen(path);
        EXPECT_TRUE(store.snapshot().empty());
    }
    for (int i = 6; i <= 10; ++i)
        EXPECT_EQ(testsupport::readFile(path + ".unreadable." + std::to_string(i)), "corrupt " + std::to_string(i));
    for (int i = 3; i <= 5; ++i) EXPECT_FALSE(exists(path + ".unreadable." + std::to_string(i))) << i;
    EXPECT_EQ(testsupport::readFile(path + ".unreadable"), "from an older version");

    // Something other than a file is not waited on either.
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    store.reopen(path);
    EXPECT_TRUE(std::filesystem::is_fifo(path + ".unreadable.11"));
    EXPECT_FALSE(exists(path));
}

TEST(Defaults, AFileOverSixteenMebibytesIsMovedAsideUnread)
{
    TempDir dir;
    const std::string path = dir.path() + "/defaults.json";
    const std::string tooLarge = "{\"a\": \"" + std::string(16 * 1024 * 1024 - 9, 'x') + "\"}\n";
    ASSERT_EQ(tooLarge.size(), 16u * 1024 * 1024 + 1);
    testsupport::writeFile(path, tooLarge);
    {
        Defaults store(path);
        EXPECT_TRUE(store.snapshot().empty());
        store.set("x", 1);
    }
    EXPECT_EQ(std::filesystem::file_size(path + ".unreadable.1"), tooLarge.size());
    EXPECT_EQ(Defaults(path).snapshot(), json({{"x", 1}}));

    // At the limit it is still read.
    const std::string atLimit = tooLarge.substr(0, 8) + tooLarge.substr(9);
    testsupport::writeFile(path, atLimit);
    EXPECT_EQ(Defaults(path).snapshot()["a"].get_ref<const std::string&>().size(), 16u * 1024 * 1024 - 10);
}

TEST(Defaults, ALinkInPlaceOfTheSettingsFileOrFolderIsLeftAloneAndNotWrittenThrough)
{
    TempDir dir, outside;
    testsupport::writeFile(outside.path() + "/shared.json", "{\"theirs\": 1}\n");
    ::chmod((outside.path() + "/shared.json").c_str(), 0644);
    ::chmod(outside.path().c_str(), 0755);
    std::filesystem::create_directory(dir.path() + "/Glimra");
    std::filesystem::create_symlink(outside.path() + "/shared.json", dir.path() + "/Glimra/defaults.json");
    std::filesystem::create_directory_symlink(outside.path(), dir.path() + "/Linked");
    for (const auto* path : {"/Glimra/defaults.json", "/Linked/defaults.json"}) {
        Defaults store(dir.path() + path);
        EXPECT_TRUE(store.snapshot().empty()) << path;
        store.set("x", 1);
        store.flush();
    }
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() + "/Glimra/defaults.json"));
    EXPECT_EQ(testsupport::readFile(outside.path() + "/shared.json"), "{\"theirs\": 1}\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(outside.path()), std::filesystem::directory_iterator()),
              1);
    struct stat file {
    }, folder{};
    ::stat((outside.path() + "/shared.json").c_str(), &file);
    ::stat(outside.path().c_str(), &folder);
    EXPECT_EQ(file.st_mode & 07777, 0644u);
    EXPECT_EQ(folder.st_mode & 07777, 0755u);
}

TEST(Defaults, RefusesValuesNestedDeeperThanTheLimitOnWriteAndRead)
{
    TempDir dir;
    const std::string path = dir.path() + "/defaults.json";
    {
        Defaults store(path);
        EXPECT_FALSE(store.set("deep", nestedValue(100000)));
        EXPECT_FALSE(store.set("deep", nestedValue(Defaults::maxDepth + 1)));
        EXPECT_FALSE(store.contains("deep"));
        EXPECT_TRUE(store.set("deepest", nestedValue(Defaults::maxDepth)));
    }
    // What the store accepts it reads back.
    EXPECT_EQ(Defaults(path).snapshot()["deepest"], nestedValue(Defaults::maxDepth));

    const auto refusedOnRead = [&](const std::string& text, const std::string& backup) {
        testsupport::writeFile(path, text);
        Defaults store(path);
        EXPECT_TRUE(store.snapshot().empty());
        EXPECT_EQ(testsupport::readFile(backup), text);
    };
    refusedOnRead(nestedText(100000), path + ".unreadable.1");
    std::string objects;
    for (int i = 0; i < 100000; ++i) objects += "{\"k\":";
    refusedOnRead(objects + "1" + std::string(100000, '}'), path + ".unreadable.2");
    refusedOnRead("{\"deep\":" + nestedText(Defaults::maxDepth + 1) + "}", path + ".unreadable.3");
}
