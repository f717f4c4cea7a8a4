#include "app/MenuModel.h"
#include "app/MenuRowLayout.h"
#include "app/MenuWarmPlan.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace {

// Virtual time and its own settings: titles in the source language.
class MenuModelTest : public testsupport::VirtualTimeTest {};

using app::Command;
using app::MenuEntry;
using app::MenuLook;

desktop::ShareableWindow window(desktop::WindowID id, std::optional<std::string> title = "Doc",
                                std::optional<std::string> app = "Notes")
{
    desktop::ShareableWindow w;
    w.windowID = id;
    w.frame = {0, 0, 800, 600};
    w.title = std::move(title);
    if (app) w.owningApplication = desktop::ShareableApplication{"", *app, 7};
    return w;
}

std::vector<desktop::ShareableWindow> windows(std::size_t n)
{
    std::vector<desktop::ShareableWindow> list;
    for (std::size_t i = 0; i < n; ++i) list.push_back(window(static_cast<desktop::WindowID>(100 + i)));
    return list;
}

app::MenuInputs inputs(bool screen, bool ax, std::size_t windowCount)
{
    app::MenuInputs in;
    in.screenRecordingGranted = screen;
    in.accessibilityTrusted = ax;
    in.windows = windows(windowCount);
    in.measure = [](const std::string& text) { return static_cast<double>(text.size()); };
    in.panelCount = 2;
    return in;
}

// One line per entry: "---" for a separator, "[header]", "<row i>", "更多 title /n", or the
// title with its flags.
std::vector<std::string> lines(const app::MenuPlan& plan)
{
    std::vector<std::string> out;
    for (const auto& e : plan.entries) {
        switch (e.kind) {
        case MenuEntry::Kind::separator: out.push_back("---"); break;
        case MenuEntry::Kind::header: out.push_back("[header]"); break;
        case MenuEntry::Kind::windowRow: out.push_back("<row " + std::to_string(e.window) + ">"); break;
        case MenuEntry::Kind::more: out.push_back("更多" + e.title + " /" + std::to_string(e.window)); break;
        case MenuEntry::Kind::item:
            out.push_back(e.title + (e.enabled ? "" : " (off)") + (e.look == MenuLook::red ? " (red)" : "") +
                          (e.look == MenuLook::accent ? " (accent)" : "") + (e.commandComma ? " ⌘," : ""));
            break;
        }
    }
    return out;
}

const std::vector<std::string> commandsTail = {"当前迷你窗：2 个 (off)", "设置… ⌘,", "检查更新…",  "帮助与反馈…",
                                               "复制诊断信息",           "---",      "退出 Glimra"};

std::vector<std::string> join(std::vector<std::string> head, const std::vector<std::string>& tail)
{
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

TEST_F(MenuModelTest, TableOverBothGrants)
{
    EXPECT_EQ(lines(app::planMenu(inputs(true, true, 1))), join({"[header]", "<row 0>", "---", "快捷键"}, commandsTail));
    EXPECT_EQ(lines(app::planMenu(inputs(false, true, 3))),
              join({"屏幕录制权限未授权(点击授权) (red)", "---"}, commandsTail));
    EXPECT_EQ(lines(app::planMenu(inputs(true, false, 0))),
              join({"辅助功能权限未授权(点击授权) (red)", "---", "未发现可捕获的窗口 (off)", "---", "快捷键",
                    "打开设置：辅助功能…"},
                   commandsTail));
    EXPECT_EQ(
        lines(app::planMenu(inputs(false, false, 3))),
        join({"屏幕录制权限未授权(点击授权) (red)", "辅助功能权限未授权(点击授权) (red)", "---", "打开设置：辅助功能…"},
             commandsTail));

    const auto plan = app::planMenu(inputs(false, true, 0));
    EXPECT_EQ(plan.entries.front().command, Command::openPermissionAuth);
    EXPECT_EQ(plan.entries.back().command, Command::quitApp);
}

TEST_F(MenuModelTest, EveryUpdatePhaseGivesItsRowAndKey)
{
    const UpdateManifest manifest{"1.4.2", 88};
    struct Case {
        UpdatePhase phase;
        std::vector<std::string> head;
        std::optional<Command> command;
        std::string key;
    };
    const std::vector<Case> cases = {
        {UpdatePhase::available(manifest),
         {"新版本 1.4.2 可用，点击下载 (accent)", "---"},
         Command::startUpdateDownload,
         "available 1.4.2 build 88"},
        {UpdatePhase::downloading(manifest, -1), {"正在下载 1.4.2… (off)", "---"}, std::nullopt, "downloading 1.4.2 ?"},
        {UpdatePhase::downloading(manifest, 0.379),
         {"正在下载 1.4.2…（已完成 37%） (off)", "---"},
         std::nullopt,
         "downloading 1.4.2 37%"},
        {UpdatePhase::ready(manifest, "/x.dmg"),
         {"1.4.2 已下载，点击重启安装 (accent)", "---"},
         Command::installUpdateNow,
         "ready 1.4.2"},
        {UpdatePhase::installing(manifest), {"正在安装 1.4.2… (off)", "---"}, std::nullopt, "installing 1.4.2"},
        {UpdatePhase{}, {}, std::nullopt, "idle"},
    };
    for (const auto& c : cases) {
        auto in = inputs(true, true, 0);
        in.phase = c.phase;
        const auto plan = app::planMenu(in);
        EXPECT_EQ(app::updateRowStateKey(c.phase), c.key);
        const auto shown = lines(plan);
        ASSERT_GE(shown.size(), c.head.size() + 1) << c.key;
        EXPECT_EQ(std::vector<std::string>(shown.begin(), shown.begin() + c.head.size()), c.head) << c.key;
        EXPECT_EQ(shown[c.head.size()], "未发现可捕获的窗口 (off)") << c.key;
        if (!c.head.empty()) {
            EXPECT_EQ(plan.entries.front().command, c.command) << c.key;
        }
    }
}

TEST_F(MenuModelTest, UpdateCheckInFlightIsDisabled)
{
    auto in = inputs(true, true, 0);
    in.isCheckingForUpdates = true;
    const auto shown = lines(app::planMenu(in));
    EXPECT_NE(std::find(shown.begin(), shown.end(), "正在检查更新… (off)"), shown.end());
    EXPECT_EQ(std::find(shown.begin(), shown.end(), "检查更新…"), shown.end());
}

TEST_F(MenuModelTest, WindowCountsInlineAndInTheSubmenu)
{
    const auto section = [](std::size_t n) {
        auto shown = lines(app::planMenu(inputs(true, true, n)));
        return std::vector<std::string>(shown.begin(), std::find(shown.begin(), shown.end(), "---"));
    };
    EXPECT_EQ(section(0), std::vector<std::string>{"未发现可捕获的窗口 (off)"});
    EXPECT_EQ(section(5), (std::vector<std::string>{"[header]", "<row 0>", "<row 1>", "<row 2>", "<row 3>", "<row 4>"}));
    EXPECT_EQ(section(6), (std::vector<std::string>{"[header]", "<row 0>", "<row 1>", "<row 2>", "<row 3>", "<row 4>",
                                                    "更多（共 6 个窗口） /6"}));
    EXPECT_EQ(section(75), (std::vector<std::string>{"[header]", "<row 0>", "<row 1>", "<row 2>", "<row 3>", "<row 4>",
                                                     "更多（共 60 个窗口） /60"}));
}

TEST_F(MenuModelTest, RowLabelsAndTheirFallbacks)
{
    EXPECT_EQ(app::menuRowLabel(window(1, "Report")), "Notes · Report");
    EXPECT_EQ(app::menuRowLabel(window(1, "")), "Notes · (无标题)");
    EXPECT_EQ(app::menuRowLabel(window(1, std::nullopt)), "Notes · (无标题)");
    EXPECT_EQ(app::menuRowLabel(window(1, "Report", std::nullopt)), "未知应用 · Report");
    EXPECT_EQ(app::menuRowLabel(window(1, "Titles\u2028two\x1b[0m")), "Notes · Titles two [0m");
    // Drawn, each part is isolated so that direction marks in it end with it.
    EXPECT_EQ(app::menuRowShownLabel(window(1, "\u202Ereport")), "\u2068Notes\u2069 · \u2068\u202Ereport\u2069");
    EXPECT_EQ(app::menuRowShownLabel(window(1, std::nullopt, std::nullopt)),
              "\u2068未知应用\u2069 · \u2068(无标题)\u2069");
}

TEST_F(MenuModelTest, WindowRowsDifferByWindowOrderAndLabelNotByFrame)
{
    const std::vector<desktop::ShareableWindow> shown{window(1, "Report"), window(2, "Notes")};
    auto moved = shown;
    moved[0].frame = core::Rect{5, 5, 300, 200};
    EXPECT_FALSE(app::windowRowsDiffer(shown, moved));
    EXPECT_FALSE(app::windowRowsDiffer({}, {}));
    EXPECT_TRUE(app::windowRowsDiffer({}, shown));
    EXPECT_TRUE(app::windowRowsDiffer(shown, {shown[0]}));
    EXPECT_TRUE(app::windowRowsDiffer(shown, {shown[1], shown[0]}));
    EXPECT_TRUE(app::windowRowsDiffer(shown, {shown[0], window(2, "Renamed")}));
    EXPECT_TRUE(app::windowRowsDiffer(shown, {shown[0], window(3, "Notes")}));
    auto again = shown;
    again[1].life = 1;  // a new window given a closed one's number, named alike
    EXPECT_TRUE(app::windowRowsDiffer(shown, again) && !app::sameWindowOrder(shown, again));
}

TEST_F(MenuModelTest, WidthClampAndThumbnails)
{
    // 60 points of margins and button around the ceiling of the text, then 300...520.
    EXPECT_EQ(app::naturalRowWidth(250.2, 0), 311);
    EXPECT_EQ(app::naturalRowWidth(100, 0), 300);
    EXPECT_EQ(app::naturalRowWidth(100, 78), 300);
    EXPECT_EQ(app::naturalRowWidth(200, 78), 338);
    EXPECT_EQ(app::naturalRowWidth(459.5, 0), 520);
    EXPECT_EQ(app::naturalRowWidth(900, 0), 520);
    EXPECT_EQ(app::naturalRowWidth(250, -5), 310);

    // The widest of the listed windows sets the width; windows past 60 do not count.
    auto in = inputs(true, true, 75);
    in.measure = [](const std::string&) { return 200.0; };
    std::map<desktop::WindowID, double> thumbs = {{101, 40}, {102, 88}, {170, 88 + 100}};
    in.thumbnailWidth = [&](desktop::WindowID id) -> std::optional<double> {
        const auto found = thumbs.find(id);
        return found == thumbs.end() ? std::nullopt : std::optional<double>(found->second);
    };
    EXPECT_EQ(app::planMenu(in).rowWidth, 348);
    EXPECT_EQ(app::planMenu(inputs(true, true, 3)).rowWidth, 300);
}

TEST_F(MenuModelTest, RebuildsWhileOpenBecomeOneAfterClosing)
{
    app::MenuRebuildGate gate;
    EXPECT_TRUE(gate.admit(false));
    gate.opened();
    EXPECT_TRUE(gate.admit(true));
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(gate.admit(false));
    EXPECT_TRUE(gate.isDirty());
    EXPECT_TRUE(gate.closed());
    EXPECT_FALSE(gate.isDirty());
    EXPECT_TRUE(gate.admit(false));
    gate.opened();
    EXPECT_FALSE(gate.closed());
}

TEST(MenuRowLayoutTest, FramesAndTheFocusButtonDeadZone)
{
    const auto withThumb = app::menurow::layout(400, 52, core::Size{78, 44}, 16);
    EXPECT_EQ(withThumb.thumbnail, core::Rect(8, 4, 78, 44));
    EXPECT_EQ(withThumb.focusButton, core::Rect(366, 15, 22, 22));
    EXPECT_EQ(withThumb.label, core::Rect(96, 18, 262, 16));
    const auto bare = app::menurow::layout(40, 52, std::nullopt, 16);
    EXPECT_EQ(bare.thumbnail, core::Rect());
    EXPECT_EQ(bare.label.x(), 8);
    EXPECT_EQ(bare.label.width(), 0);

    // The button spans x 366...388, y 15...37 in a 400-point row.
    using app::menurow::isNearFocusButton;
    EXPECT_TRUE(isNearFocusButton({377, 26}, 400, 52));
    EXPECT_TRUE(isNearFocusButton({364.5, 26}, 400, 52));  // 1.5 pt left of it
    EXPECT_TRUE(isNearFocusButton({377, 13.5}, 400, 52));  // 1.5 pt above it
    EXPECT_FALSE(isNearFocusButton({363, 26}, 400, 52));   // 3 pt away
    EXPECT_FALSE(isNearFocusButton({391, 26}, 400, 52));
    EXPECT_FALSE(isNearFocusButton({377, 12}, 400, 52));
}

TEST(MenuWarmPlanTest, RotationOverThirtyWindows)
{
    std::vector<desktop::WindowID> list;
    for (desktop::WindowID i = 0; i < 30; ++i) list.push_back(500 + i);
    std::map<desktop::WindowID, double> storedAt;
    const auto lookup = [&](desktop::WindowID id) -> std::optional<double> {
        const auto found = storedAt.find(id);
        return found == storedAt.end() ? std::nullopt : std::optional<double>(found->second);
    };
    std::size_t cursor = 0;
    std::vector<std::vector<std::size_t>> passes;
    std::vector<std::size_t> cursors = {cursor};
    for (int pass = 0; pass < 3; ++pass) {
        const double now = 100 + 10.0 * pass;
        const auto choice = app::chooseWarmWindows(list, cursor, {}, lookup, now);
        for (const auto position : choice.positions) storedAt[list[position]] = now;
        passes.push_back(choice.positions);
        cursor = choice.nextCursor;
        cursors.push_back(cursor);
    }
    std::vector<std::size_t> first, second, third;
    for (std::size_t i = 0; i < 12; ++i) first.push_back(i), second.push_back(12 + i);
    for (std::size_t i = 24; i < 30; ++i) third.push_back(i);
    EXPECT_EQ(passes[0], first);
    EXPECT_EQ(passes[1], second);
    EXPECT_EQ(passes[2], third);
    EXPECT_EQ(cursors, (std::vector<std::size_t>{0, 12, 24, 0}));

    // All fresh: nothing chosen and the cursor stays; 300 s later they are due again.
    const auto idle = app::chooseWarmWindows(list, 7, {}, lookup, 130);
    EXPECT_TRUE(idle.positions.empty());
    EXPECT_EQ(idle.nextCursor, 7u);
    EXPECT_EQ(app::chooseWarmWindows(list, 0, {}, lookup, 400).positions.size(), 12u);

    // Windows being captured are skipped and the pass takes the next ones.
    const auto busy = app::chooseWarmWindows(
        list, 28, {528, 500}, [](desktop::WindowID) { return std::nullopt; }, 0);
    EXPECT_EQ(busy.positions, (std::vector<std::size_t>{29, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
    EXPECT_EQ(busy.nextCursor, 10u);
}

}  // namespace
