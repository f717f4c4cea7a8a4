#include "platform/ui/AlertPresenter.h"

#include "platform/ui/DialogAlertPresenter.h"

#include <mutex>

namespace ui {
namespace {

std::mutex& presenterMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<AlertPresenter>& installed()
{
    static std::shared_ptr<AlertPresenter> presenter;
    return presenter;
}

}  // namespace

std::vector<std::string> shownButtonTitles(const Alert& alert)
{
    if (alert.buttonTitles.empty()) return {"OK"};
    return alert.buttonTitles;
}

void AlertPresenter::install(std::shared_ptr<AlertPresenter> presenter)
{
    std::lock_guard lock(presenterMutex());
    installed() = std::move(presenter);
}

AlertPresenter& AlertPresenter::shared()
{
    std::lock_guard lock(presenterMutex());
    if (!installed()) installed() = std::make_shared<DialogAlertPresenter>();
    return *installed();
}

}  // namespace ui
