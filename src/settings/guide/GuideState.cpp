#include "settings/guide/OnboardingWindow.h"

#include "foundation/L10n.h"
#include "platform/ui/LayerView.h"
#include "platform/ui/LiteralText.h"
#include "settings/guide/GuideModel.h"
#include "settings/guide/GuideScenes.h"
#include "settings/guide/SceneDump.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

namespace {

const char* styleName(guide::DescriptionRun::Style style)
{
    using Style = guide::DescriptionRun::Style;
    switch (style) {
    case Style::blue: return "blue";
    case Style::bold: return "bold";
    case Style::boldBlue: return "boldBlue";
    case Style::plain: break;
    }
    return "plain";
}

nlohmann::ordered_json cardJson(std::optional<bool> granted, const QPushButton* button)
{
    const guide::PermissionCard card = guide::permissionCard(granted.value_or(false));
    return {{"status", L10n::t(card.status)}, {"color", card.color}, {"button", button && button->isEnabled()}};
}

}  // namespace

nlohmann::ordered_json OnboardingWindow::stateJson() const
{
    nlohmann::ordered_json description = nlohmann::ordered_json::array();
    for (const auto& run : shownRuns_) {
        if (run.triggerImage)
            description.push_back({{"image", "trigger"}});
        else
            description.push_back({{"text", run.text}, {"style", styleName(run.style)}});
    }

    nlohmann::ordered_json state;
    state["step"] = index_;
    state["counter"] = counterLabel_->text().toStdString();
    state["title"] = stepTitleLabel_->text().toStdString();
    state["description"] = std::move(description);
    state["back"] = prevButton_->isEnabled();
    state["next"] = ui::writtenText(nextButton_->text());
    state["dontShow"] = dontShowSwitch_->isChecked();
    state["currentDot"] = index_;
    if (permissionHost_)
        state["permissions"] = {{"accessibility", cardJson(prevAXOK_, axButton_)},
                                {"screenRecording", cardJson(prevScreenOK_, screenButton_)}};
    else
        state["permissions"] = nullptr;
    if (index_ >= guide::sceneStepCount) {
        state["scene"] = nullptr;
    } else {
        const double time = canvas_->elapsed();
        state["scene"] = {{"time", time},
                          {"actors", guide::sceneActorsJson(canvas_->root(), time, guide::sceneActorNames.at(index_))}};
    }
    return state;
}
