#include "settings/guide/GuideModel.h"

#include <algorithm>

namespace guide {

namespace {

constexpr std::string_view triggerMark = "[[trigger]]";
constexpr std::string_view openMark = "{{";
constexpr std::string_view closeMark = "}}";

std::vector<std::string> split(const std::string& text, std::string_view separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t found; (found = text.find(separator, start)) != std::string::npos;) {
        parts.push_back(text.substr(start, found - start));
        start = found + separator.size();
    }
    parts.push_back(text.substr(start));
    return parts;
}

void appendRun(std::vector<DescriptionRun>& runs, std::string text, DescriptionRun::Style style)
{
    if (!text.empty()) runs.push_back({std::move(text), style, false});
}

DescriptionRun emphasis(const std::string& text)
{
    using Style = DescriptionRun::Style;
    if (text.starts_with("blue:")) return {text.substr(5), Style::blue, false};
    if (text.starts_with("bold:")) return {text.substr(5), Style::bold, false};
    return {text, Style::boldBlue, false};
}

}  // namespace

bool shouldShowGuide(bool onboardingCompleted, bool screenRecordingAllowed)
{
    return !(onboardingCompleted && screenRecordingAllowed);
}

int startIndex(const defaults::Defaults& store, int stepCount)
{
    const auto stored = defaults::setting::onboardingStep.stored(store);
    if (!stored) return 0;
    return static_cast<int>(std::clamp<long long>(*stored, 0, stepCount - 1));
}

void storeStep(defaults::Defaults& store, int index) { defaults::setting::onboardingStep.write(index, store); }

void recordFinish(defaults::Defaults& store, bool dontShowTicked)
{
    defaults::setting::onboardingStep.remove(store);
    if (dontShowTicked) defaults::setting::onboardingCompleted.write(true, store);
}

void recordClose(defaults::Defaults& store, bool dontShowTicked)
{
    if (!dontShowTicked) return;
    defaults::setting::onboardingCompleted.write(true, store);
    defaults::setting::onboardingStep.remove(store);
}

std::string counterText(int index, int count) { return std::to_string(index + 1) + " / " + std::to_string(count); }

double firstDotX(double stripWidth, int count) { return (stripWidth - (8.0 * count + 8.0 * (count - 1))) / 2; }

std::vector<DescriptionRun> parseDescription(const std::string& desc)
{
    std::vector<DescriptionRun> runs;
    const auto parts = split(desc, triggerMark);
    for (std::size_t p = 0; p < parts.size(); ++p) {
        if (p > 0) runs.push_back({"", DescriptionRun::Style::plain, true});
        const auto pieces = split(parts[p], openMark);
        appendRun(runs, pieces.front(), DescriptionRun::Style::plain);
        for (std::size_t i = 1; i < pieces.size(); ++i) {
            // Whatever follows a second "}}" in one piece is dropped.
            const auto components = split(pieces[i], closeMark);
            DescriptionRun emphasised = emphasis(components[0]);
            appendRun(runs, std::move(emphasised.text), emphasised.style);
            if (components.size() > 1) appendRun(runs, components[1], DescriptionRun::Style::plain);
        }
    }
    return runs;
}

PermissionPoll pollPermissions(std::optional<bool> prevScreenOK, std::optional<bool> prevAXOK, bool screenOK, bool axOK)
{
    PermissionPoll poll{0, screenOK, axOK};
    if (prevAXOK == false && axOK) ++poll.systemSettingsCloses;
    if (prevScreenOK == false && screenOK) ++poll.systemSettingsCloses;
    return poll;
}

PermissionCard permissionCard(bool granted)
{
    if (granted) return {"已授权", "green", false};
    return {"未授权", "red", true};
}

}  // namespace guide
