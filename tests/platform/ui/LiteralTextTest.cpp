#include "platform/ui/LiteralText.h"

#include "platform/ui/Menu.h"
#include "platform/ui/TextFit.h"
#include "support/QtTestApplication.h"

#include <QAction>
#include <QKeySequence>
#include <QPushButton>
#include <QTextLayout>

#include <gtest/gtest.h>

namespace {

class LiteralTextTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::ensureQtApplication(); }
};

// No mnemonic is taken from the text, so Qt draws every "&" as written.
bool readsAsWritten(const QString& qtText) { return QKeySequence::mnemonic(qtText).isEmpty(); }

TEST_F(LiteralTextTest, AmpersandsInMenusAndButtonsShowAsWritten)
{
    ui::Menu menu;
    auto item = menu.addItem("Help & Feedback…");
    EXPECT_TRUE(readsAsWritten(item.qtAction()->text()));
    EXPECT_EQ(item.shownTitle(), "Help & Feedback…");
    EXPECT_EQ(item.title(), "Help & Feedback…");

    item.setTitle("R&D && more");
    EXPECT_TRUE(readsAsWritten(item.qtAction()->text()));
    EXPECT_EQ(item.shownTitle(), "R&D && more");

    item.setStyledTitle({ui::TitleRun{"Q&A", ui::TitleRun::Weight::medium}, ui::TitleRun{" & more"}});
    EXPECT_TRUE(readsAsWritten(item.qtAction()->text()));
    EXPECT_EQ(item.shownTitle(), "Q&A & more");

    ui::Menu& submenu = menu.addSubmenu("Tools & Options");
    EXPECT_TRUE(readsAsWritten(submenu.supermenuItem().qtAction()->text()));
    EXPECT_EQ(submenu.supermenuItem().shownTitle(), "Tools & Options");

    QPushButton button(ui::literalText("Help & Feedback"));
    EXPECT_TRUE(readsAsWritten(button.text()));
    EXPECT_EQ(ui::shownText(button).toStdString(), "Help & Feedback");
}

// Where each character of the text lands, left to right, in a laid-out line.
std::vector<double> visualX(const QString& text)
{
    QTextLayout layout(text);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(10000);
    layout.endLayout();
    std::vector<double> xs;
    for (int i = 0; i < text.size(); ++i) xs.push_back(line.cursorToX(i));
    return xs;
}

TEST_F(LiteralTextTest, AnOpenOverrideInANameStaysInsideIt)
{
    const std::string name =
        "\u202E"
        "Evil";  // a right-to-left override never popped
    EXPECT_EQ(ui::isolated(name),
              "\u2068\u202E"
              "Evil\u2069");

    const QString row = QString::fromStdString(ui::isolated(name) + " · " + ui::isolated("Report") + " tail");
    const auto xs = visualX(row);
    // Everything after the name reads left to right, after it.
    const int after = static_cast<int>(row.indexOf(QStringLiteral(" · ")));
    const double nameRight = *std::max_element(xs.begin(), xs.begin() + after);
    for (int i = after + 1; i + 1 < row.size(); ++i) {
        EXPECT_LE(nameRight, xs[i] + 0.5) << "character " << i;
        EXPECT_LE(xs[i], xs[i + 1]) << "character " << i;
    }
    EXPECT_GT(xs[row.size() - 1], xs[after] + 20);
}

}  // namespace
