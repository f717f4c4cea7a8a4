#pragma once

#include "update/UpdateInstaller.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The install question once a package is ready: asked once per build for the life of
// the process, however often the phase returns to ready.
class ReadyPrompt {
public:
    struct Question {
        std::string title;
        std::string text;
        std::vector<std::string> buttons;
        std::optional<std::string> notesURL;  // the third button's page
    };

    // The question for phase, remembered as asked; none while prompts are suppressed,
    // when the phase is not ready, or when its build was asked about already.
    // selfReplaces: whether this copy may replace itself, asked only when needed.
    std::optional<Question> take(const UpdatePhase& phase, bool suppressed, const std::function<bool()>& selfReplaces);

private:
    std::optional<std::int64_t> promptedBuild_;
};
