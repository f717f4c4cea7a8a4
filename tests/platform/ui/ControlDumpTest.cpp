#include "platform/ui/ControlActions.h"
#include "platform/ui/ControlDump.h"
#include "platform/ui/ControlNames.h"
#include "platform/ui/Switch.h"
#include "platform/ui/Window.h"
#include "support/QtTestApplication.h"
#include "support/SimDesktopTest.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>

#include <gtest/gtest.h>

#include <map>

namespace {

// The test desktop's one display is 982 points high.
constexpr double screenHeight = 982;

template <class W>
W* place(QWidget* parent, const char* name, QRect geometry)
{
    auto* widget = new W(parent);
    widget->setObjectName(QString::fromUtf8(name));
    widget->setGeometry(geometry);
    return widget;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, QRect geometry, bool wrap = false)
{
    auto* widget = place<QLabel>(parent, name, geometry);
    widget->setText(text);
    widget->setWordWrap(wrap);
    return widget;
}

// A window "demo" as the settings window is built: a 28-pt bar with a close button above
// the content view, which holds a scroll area of 300 × 200 over a 300 × 600 document.
class ControlDumpTest : public testsupport::SimDesktopTest {
protected:
    void SetUp() override
    {
        testsupport::ensureQtApplication();
        SimDesktopTest::SetUp();
        window = std::make_unique<ui::Window>(core::Rect(100, 200, 300, 228), ui::Window::Style::titled);
        window->setObjectName("demo");
        window->setTitle("Demo");
        auto* content = new QWidget;
        window->setContentView(content);

        area = new QScrollArea(content);
        area->setGeometry(0, 0, 300, 200);
        area->setFrameShape(QFrame::NoFrame);
        area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        auto* document = new QWidget;
        document->resize(300, 600);
        area->setWidget(document);

        const QFontMetrics metrics(document->font());
        const int line = metrics.lineSpacing();
        const QString words = "one two three four five six seven eight nine ten eleven twelve";
        const int twoWords = metrics.horizontalAdvance("one two") + 4;

        label(document, "headerTitle", "Settings", {10, 0, 200, line + 2});
        auto* row = place<QWidget>(document, "launchRow", {0, 30, 300, 100});
        label(row, ".title", "Launch at login", {10, 0, metrics.horizontalAdvance("Launch") + 2, line + 2});
        label(row, ".subtitle", words, {10, 20, twoWords, 2 * line + 2}, true);
        label(row, ".note", "one two", {10, 60, twoWords, line + 2}, true);
        new QLabel("unnamed", row);
        label(row, "hidden", "not shown", {0, 0, 50, 20})->hide();
        toggle = place<ui::Switch>(row, "launchSwitch", {240, 10, 40, 26});
        toggle->setChecked(true);

        popup = place<QComboBox>(document, "languagePopup", {10, 140, 160, 26});
        popup->addItems({"English", "简体中文"});
        popup->setCurrentIndex(1);

        auto* tab = place<QWidget>(document, "tab0", {10, 180, 60, 40});
        ui::setControlKind(*tab, "tab");
        tab->setProperty("isSelected", true);
        label(tab, ".label", "General", {0, 20, 60, line + 2});

        slider = place<QSlider>(document, "opacitySlider", {10, 500, 200, 20});
        slider->setOrientation(Qt::Horizontal);
        slider->setRange(200, 1000);
        slider->setValue(900);
        auto* check = place<QPushButton>(document, "checkButton", {10, 540, 120, 30});
        check->setText("Check");
        check->setEnabled(false);

        window->orderFront();
        content->setGeometry(0, 28, 300, 200);
    }

    void TearDown() override
    {
        window.reset();
        SimDesktopTest::TearDown();
    }

    std::map<std::string, ui::ControlState> listed()
    {
        std::map<std::string, ui::ControlState> byId;
        for (const auto& w : ui::shownControls())
            for (const auto& c : w.controls) byId[c.id] = c;
        return byId;
    }

    std::unique_ptr<ui::Window> window;
    QScrollArea* area = nullptr;
    ui::Switch* toggle = nullptr;
    QComboBox* popup = nullptr;
    QSlider* slider = nullptr;
};

TEST_F(ControlDumpTest, ShownNamedWidgetsAreListedWithTheirStateInWindowPoints)
{
    ui::Window unnamed(core::Rect(0, 0, 50, 50), ui::Window::Style::titled);
    unnamed.orderFront();
    ui::Window hiddenWindow(core::Rect(0, 0, 50, 50), ui::Window::Style::titled);
    hiddenWindow.setObjectName("guide");

    const auto windows = ui::shownControls();
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows[0].name, "demo");
    EXPECT_EQ(windows[0].title, "Demo");
    std::vector<std::string> ids;
    for (const auto& c : windows[0].controls) ids.push_back(c.id + " " + c.kind);
    // Tree order; relative names follow their row; a tab's own label is not listed apart.
    EXPECT_EQ(ids, (std::vector<std::string>{"demo.close button", "demo.headerTitle label", "demo.launchRow.title label",
                                             "demo.launchRow.subtitle label", "demo.launchRow.note label",
                                             "demo.launchSwitch switch", "demo.languagePopup popup", "demo.tab0 tab",
                                             "demo.opacitySlider slider", "demo.checkButton button"}));

    auto byId = listed();
    EXPECT_EQ(byId["demo.close"].frame, core::Rect(8, -20, 12, 12)) << "the title bar lies above the content";
    EXPECT_EQ(byId["demo.launchSwitch"].frame, core::Rect(240, 40, 40, 26));
    EXPECT_EQ(byId["demo.launchSwitch"].value, (std::optional<std::variant<bool, int>>(true)));
    EXPECT_FALSE(byId["demo.launchSwitch"].text);
    EXPECT_EQ(byId["demo.languagePopup"].text, "简体中文");
    EXPECT_EQ(byId["demo.languagePopup"].value, (std::optional<std::variant<bool, int>>(1)));
    EXPECT_EQ(byId["demo.tab0"].text, "General");
    EXPECT_EQ(byId["demo.tab0"].value, (std::optional<std::variant<bool, int>>(true)));
    EXPECT_EQ(byId["demo.opacitySlider"].value, (std::optional<std::variant<bool, int>>(900)));
    EXPECT_FALSE(byId["demo.checkButton"].enabled);
    EXPECT_FALSE(byId["demo.headerTitle"].value);

    // Too wide on one line, more lines than the height holds; what fits is not clipped.
    EXPECT_TRUE(byId["demo.launchRow.title"].clipped);
    EXPECT_TRUE(byId["demo.launchRow.subtitle"].clipped);
    EXPECT_FALSE(byId["demo.launchRow.note"].clipped);
    EXPECT_FALSE(byId["demo.headerTitle"].clipped);
    EXPECT_FALSE(byId["demo.languagePopup"].clipped);
    EXPECT_FALSE(byId["demo.checkButton"].clipped);

    // The same texts with room to spare.
    auto* subtitle = window->findChild<QLabel*>(".subtitle");
    subtitle->resize(subtitle->width(), 10 * QFontMetrics(subtitle->font()).lineSpacing());
    auto* title = window->findChild<QLabel*>(".title");
    title->resize(250, title->height());
    popup->setItemText(1, "a pop-up item far wider than the pop-up gives it room for");
    byId = listed();
    EXPECT_FALSE(byId["demo.launchRow.subtitle"].clipped);
    EXPECT_FALSE(byId["demo.launchRow.title"].clipped);
    EXPECT_TRUE(byId["demo.languagePopup"].clipped);
}

TEST_F(ControlDumpTest, ControlsAreFoundScrolledIntoViewAndSetAsByTheUser)
{
    EXPECT_EQ(ui::shownWindow("demo"), window.get());
    EXPECT_EQ(ui::shownWindow("guide"), nullptr);
    EXPECT_EQ(ui::shownControl(*window, "demo.launchRow.title"), window->findChild<QLabel*>(".title"));
    EXPECT_EQ(ui::shownControl(*window, "demo.launchRow.hidden"), nullptr);
    EXPECT_EQ(ui::shownControl(*window, "demo.tab0.label"), nullptr) << "a tab's label is part of the tab";

    // Below the visible part of the document: scrolled until it shows, its centre in
    // global points (the window's top-left lies at 982 - 428).
    const core::Point centre = ui::revealForClick(*slider);
    const QRect inViewport(slider->mapTo(area->viewport(), QPoint(0, 0)), slider->size());
    EXPECT_TRUE(area->viewport()->rect().contains(inViewport)) << inViewport.y();
    const QPoint inWindow = slider->mapTo(window.get(), QPoint(0, 0));
    EXPECT_EQ(centre, core::Point(100 + inWindow.x() + 100, screenHeight - 428 + inWindow.y() + 10));

    std::vector<std::string> seen;
    QObject::connect(slider, &QSlider::valueChanged, [&](int value) {
        seen.push_back(std::to_string(value) + (slider->isSliderDown() ? " down" : ""));
    });
    QObject::connect(popup, &QComboBox::activated, [&](int index) { seen.push_back("item " + std::to_string(index)); });
    EXPECT_TRUE(ui::dragSlider(*slider, 370));
    EXPECT_FALSE(ui::dragSlider(*slider, 1001));
    EXPECT_FALSE(ui::dragSlider(*slider, 199));
    EXPECT_TRUE(ui::choosePopupItem(*popup, 0));
    EXPECT_TRUE(ui::choosePopupItem(*popup, 0)) << "the user may pick the item shown";
    EXPECT_FALSE(ui::choosePopupItem(*popup, 2));
    EXPECT_FALSE(ui::choosePopupItem(*popup, -1));
    EXPECT_EQ(seen, (std::vector<std::string>{"370 down", "item 0", "item 0"}));
    EXPECT_EQ(slider->value(), 370);
    EXPECT_FALSE(slider->isSliderDown());
    EXPECT_EQ(popup->currentIndex(), 0);
}

TEST_F(ControlDumpTest, APopUpItsOwnChoiceRemovesIsLeftAlone)
{
    // As a language change rebuilds the window from its own pop-up.
    QObject::connect(popup, &QComboBox::activated, [this] { delete popup; });
    EXPECT_TRUE(ui::choosePopupItem(*popup, 0));
    EXPECT_EQ(ui::shownControl(*window, "demo.languagePopup"), nullptr);
}

}  // namespace
