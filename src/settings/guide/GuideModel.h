#pragma once

#include "platform/defaults/SettingsTable.h"

#include <optional>
#include <string>
#include <vector>

// The guide's decisions, apart from any view.
namespace guide {

// The demonstration scenes come first; the permission page follows them where the desktop
// has grants to ask for.
inline constexpr int sceneStepCount = 5;

// Whether an entry point shows the guide: unless it was finished and screen recording is
// already allowed.
bool shouldShowGuide(bool onboardingCompleted, bool screenRecordingAllowed);

// The step a new guide of stepCount steps opens on: the stored "onboardingStep" within
// 0 ... stepCount - 1; 0 when absent or not an integer.
int startIndex(const defaults::Defaults& store, int stepCount);
// Every render stores the step shown.
void storeStep(defaults::Defaults& store, int index);
// Next on the last step: the step forgotten, completion recorded only when ticked.
void recordFinish(defaults::Defaults& store, bool dontShowTicked);
// Any close: with the box ticked, completion recorded and the step forgotten.
void recordClose(defaults::Defaults& store, bool dontShowTicked);

// "3 / 6"
std::string counterText(int index, int count);
// x of the first page dot in a strip of the width: (W - (8n + 8(n - 1))) / 2.
double firstDotX(double stripWidth, int count);

// One run of a step's description.
struct DescriptionRun {
    enum class Style { plain, blue, bold, boldBlue };
    std::string text;
    Style style = Style::plain;
    bool triggerImage = false;  // the trigger block's picture, no text
    bool operator==(const DescriptionRun&) const = default;
};
// "[[trigger]]" places the picture; "{{text}}" is bold blue, "{{blue:text}}" blue,
// "{{bold:text}}" bold; an unclosed "{{" runs to the end of its part; text after a second
// "}}" in one piece is not shown.
std::vector<DescriptionRun> parseDescription(const std::string& desc);

// One poll of the permission page.
struct PermissionPoll {
    int systemSettingsCloses = 0;  // 0, 1 or 2: each permission newly granted closes it
    bool screenOK = false;
    bool axOK = false;
};
PermissionPoll pollPermissions(std::optional<bool> prevScreenOK, std::optional<bool> prevAXOK, bool screenOK, bool axOK);

// A card's status: "已授权" green, else "未授权" red (untranslated); the button is enabled
// while not granted.
struct PermissionCard {
    std::string status;
    std::string color;  // "green" or "red"
    bool buttonEnabled = false;
};
PermissionCard permissionCard(bool granted);

}  // namespace guide
