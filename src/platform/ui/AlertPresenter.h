#pragma once

#include <memory>
#include <string>
#include <vector>

namespace ui {

enum class AlertStyle { warning, informational };

struct Alert {
    std::string messageText;
    std::string informativeText;
    std::vector<std::string> buttonTitles;  // none: one "OK" button
    AlertStyle style = AlertStyle::warning;
};

// The answer for the first button; each further button answers one more.
constexpr long firstButtonResponse = 1000;

// The buttons an alert shows: its own, or "OK" alone.
std::vector<std::string> shownButtonTitles(const Alert& alert);

// Shows an alert and waits for the user's answer. The application shows a modal dialog;
// tests and scenarios install one that records and answers.
class AlertPresenter {
public:
    virtual ~AlertPresenter() = default;

    // Blocks until answered; returns firstButtonResponse + the index of the button.
    virtual long runModal(const Alert& alert) = 0;

    static void install(std::shared_ptr<AlertPresenter> presenter);
    // The installed presenter; the modal dialog when none is.
    static AlertPresenter& shared();
};

}  // namespace ui
