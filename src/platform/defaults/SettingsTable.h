#pragma once

#include "platform/defaults/SettingKinds.h"

#include <optional>
#include <string_view>
#include <vector>

// Every setting the application reads or writes, declared once: KEY, KIND, then the
// kind's DEFAULT and bounds (see SettingKinds.h). Code reaches a setting by its name here,
// so a key missing from the table does not compile. Nothing is registered in advance:
// a key stays absent until a control writes it.
#define GLIMRA_SETTINGS(SETTING, HOT_KEY)                                                                 \
    SETTING(appLanguage, ChoiceInteger, 0, 0, 8) /* AppLang's raw values, system when unusable */         \
    SETTING(launchAtLoginInitialized, StrictBool, false)                                                  \
    SETTING(captureMode, Text)                                                                            \
    SETTING(groundTruthProbe, StrictBool, false)                                                          \
    SETTING(pipFrameRate, ClampedInteger, 30, 1, 60)                                                      \
    SETTING(pipOpacity, ClampedNumber, 1.0, 0.1, 1.0)                                                     \
    SETTING(pipDefaultSizeMultiplier, ClampedNumber, 1.2, 0.5, 4.0)                                       \
    SETTING(pipWindowCorner, ChoiceInteger, 0, 0, 3) /* WindowCorner, top right when unusable */          \
    SETTING(pipDefaultScreen, Integer)               /* 0 the first screen, anything else the source's */ \
    SETTING(hoverPreviewEnabled, LooseBool, true)                                                         \
    SETTING(hoverPreviewDelay, ClampedNumber, 0.5, 0.0, 1.0)                                              \
    SETTING(hoverPreviewScale, ClampedNumber, 3.0, 1.0, 4.0)                                              \
    SETTING(pipDoubleClickOpensOriginal, LooseBool, false)                                                \
    SETTING(takeoverLearnedMinSizes, Dictionary)                                                          \
    SETTING(virtualDisplayPark, StrictBool, true)                                                         \
    SETTING(foreignRescueWithPips, StrictBool, true)                                                      \
    SETTING(cursorGuardProbeInterval, NumberAbove, 1.0, 0.05, 86400.0) /* a day at most */                \
    SETTING(cursorGuardAutoRescue, StrictBool, true)                                                      \
    SETTING(holdHideDelayMs, ClampedInteger, 250, 0, 2000)                                                \
    SETTING(onboardingStep, Integer) /* within the guide's steps, 0 when absent */                        \
    SETTING(onboardingCompleted, LooseBool, false)                                                        \
    SETTING(screenPermissionAsked, LooseBool, false)                                                      \
    SETTING(hoverTriggerDisabled, LooseBool, false)                                                       \
    SETTING(hoverTriggerTheme, ChoiceInteger, 2, 0, 2) /* HoverTriggerTheme, gradient when unusable */    \
    SETTING(menuWindowThumbs, StrictBool, true)                                                           \
    SETTING(updateManifestURL, Text)                                                                      \
    SETTING(updateLastCheckAt, Number)                                                                    \
    SETTING(forceSelfReplace, PlatformBool)                                                               \
    SETTING(crashReportingEnabled, PlatformBool)                                                          \
    SETTING(crashReportsUploaded, List)                                                                   \
    SETTING(helpContactBase, Text)                                                                        \
    HOT_KEY(captureHotKey)                                                                                \
    HOT_KEY(pauseAllHotKey)                                                                               \
    HOT_KEY(toggleHotKey)                                                                                 \
    HOT_KEY(holdHideHotKey)                                                                               \
    HOT_KEY(closeAllHotKey)                                                                               \
    HOT_KEY(tileAllHotKey)                                                                                \
    HOT_KEY(focusCreateHotKey)                                                                            \
    HOT_KEY(cursorRescueHotKey)

namespace defaults::setting {

#define GLIMRA_DECLARE_SETTING(name, Kind, ...) inline constexpr Kind name{{#name} __VA_OPT__(, ) __VA_ARGS__};
#define GLIMRA_DECLARE_HOT_KEY(name) inline constexpr HotKeySettings name{#name, {{#name "Code"}}, {{#name "Flags"}}};
GLIMRA_SETTINGS(GLIMRA_DECLARE_SETTING, GLIMRA_DECLARE_HOT_KEY)
#undef GLIMRA_DECLARE_SETTING
#undef GLIMRA_DECLARE_HOT_KEY

// Every key of the table, a hot key's two included, in the table's order.
const std::vector<std::string_view>& allKeys();

// The settings of the hot key with that prefix; none for a prefix the table lacks.
std::optional<HotKeySettings> hotKey(std::string_view prefix);

}  // namespace defaults::setting
