#pragma once

#include "platform/ui/AlertPresenter.h"

namespace ui {

// The application's alerts: a modal message box; the first button is the default.
class DialogAlertPresenter : public AlertPresenter {
public:
    long runModal(const Alert& alert) override;
};

}  // namespace ui
