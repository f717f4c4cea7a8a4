#include "platform/ui/RecordingAlertPresenter.h"

#include <gtest/gtest.h>

namespace {

TEST(AlertPresenterTest, RecordsAndAnswersFromTheScriptThenWithTheFirstButton)
{
    auto presenter = std::make_shared<ui::RecordingAlertPresenter>();
    ui::AlertPresenter::install(presenter);
    presenter->scriptResponses({1001});

    ui::Alert question{"Replace the old version?",
                       "It will be moved to the Trash.",
                       {"Replace", "Cancel"},
                       ui::AlertStyle::informational};
    EXPECT_EQ(ui::AlertPresenter::shared().runModal(question), 1001);
    EXPECT_EQ(ui::AlertPresenter::shared().runModal(question), ui::firstButtonResponse);

    const ui::Alert notice{"Done", "", {}, ui::AlertStyle::warning};
    EXPECT_EQ(ui::AlertPresenter::shared().runModal(notice), 1000);
    EXPECT_EQ(ui::shownButtonTitles(notice), std::vector<std::string>{"OK"});

    const auto records = presenter->records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].alert.messageText, "Replace the old version?");
    EXPECT_EQ(records[0].alert.buttonTitles[1], "Cancel");
    EXPECT_EQ(records[0].response, 1001);
    EXPECT_EQ(records[1].response, 1000);
    EXPECT_EQ(records[2].alert.style, ui::AlertStyle::warning);
    ui::AlertPresenter::install(nullptr);
}

}  // namespace
