#include "platform/ui/LiteralText.h"

#include "platform/ui/DialogAlertPresenter.h"

#include "platform/ui/Menu.h"
#include "platform/ui/TextFit.h"
#include "support/QtTestApplication.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTextDocumentFragment>
#include <QTimer>
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
    // Controls would break the line or start the shortcut column.
    item.setTitle("Esc\x1b[1m\u2028two\ttab\u0085");
    EXPECT_EQ(item.shownTitle(), "Esc [1m two tab ");

    item.setStyledTitle({ui::TitleRun{"Q&A", ui::TitleRun::Weight::medium}, ui::TitleRun{" & more\u2029"}});
    EXPECT_TRUE(readsAsWritten(item.qtAction()->text()));
    EXPECT_EQ(item.shownTitle(), "Q&A & more ");

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
    // A name's own isolate end would end ours early: left out; an isolate left open is closed.
    EXPECT_EQ(ui::isolated("\u2069\u202Eevil\u2067a\u2069"), "\u2068\u202Eevil\u2067a\u2069\u2069");
    EXPECT_EQ(ui::isolated("\u2067a\u2068b"), "\u2068\u2067a\u2068b\u2069\u2069\u2069");

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

// A tool tip that looks like markup would be read as rich text, loading the files its
// pictures name; it shows as written instead, and a plain one is left as it is.
TEST_F(LiteralTextTest, ToolTipsOfOutsideTextShowAsWritten)
{
    for (const std::string title : {"<img src=\"/some/FIFO\">", "<b>x</b>  &amp; two spaces", "Doc <1> & <2>"}) {
        const QString tip = ui::plainToolTip(title);
        if (Qt::mightBeRichText(tip))
            EXPECT_EQ(QTextDocumentFragment::fromHtml(tip).toPlainText().toStdString(), title) << title;
        else
            EXPECT_EQ(tip.toStdString(), title);
    }
    EXPECT_EQ(ui::plainToolTip("Notes · Doc 1").toStdString(), "Notes · Doc 1");

    ui::Menu menu;
    auto item = menu.addItem("Update");
    item.setToolTip("<img src=\"/dev/null\">");
    EXPECT_EQ(QTextDocumentFragment::fromHtml(item.qtAction()->toolTip()).toPlainText().toStdString(),
              "<img src=\"/dev/null\">");
}

// An alert's texts may carry fields of a downloaded manifest: both show as written.
TEST_F(LiteralTextTest, AlertTextsShowAsWritten)
{
    std::vector<std::pair<Qt::TextFormat, std::string>> labels;
    // Answered from the dialog's own event loop once it shows.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(window);
            if (!box || !box->isVisible()) continue;
            for (const auto* label : box->findChildren<QLabel*>())
                if (!label->text().isEmpty()) labels.emplace_back(label->textFormat(), label->text().toStdString());
            box->reject();
        }
    });
    answer.start(0);
    ui::DialogAlertPresenter presenter;
    presenter.runModal({"Version <b>9</b> is out", "<img src=\"/dev/null\">", {"Install", "Later"}});

    const auto shown = [&](const std::string& text) {
        return std::find(labels.begin(), labels.end(), std::pair{Qt::PlainText, text}) != labels.end();
    };
    EXPECT_TRUE(shown("Version <b>9</b> is out"));
    EXPECT_TRUE(shown("<img src=\"/dev/null\">"));
}

}  // namespace
