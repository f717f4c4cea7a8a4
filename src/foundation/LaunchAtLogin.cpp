#include "foundation/LaunchAtLogin.h"

#include "foundation/Diag.h"
#include "foundation/LogText.h"
#include "platform/defaults/SettingsTable.h"
#include "platform/desktop/Desktop.h"

namespace LaunchAtLogin {
namespace {

using Status = desktop::LoginItem::Status;

// An item waiting for the user's approval is registered: it counts as on.
bool isOn(Status status) { return status == Status::enabled || status == Status::requiresApproval; }

std::string rawText(Status status) { return std::to_string(static_cast<int>(status)); }

}  // namespace

bool setEnabled(bool on)
{
    auto& item = desktop::loginItem();
    const Status before = item.status();
    std::optional<desktop::Error> error;
    if (on) {
        if (before != Status::enabled) error = item.registerItem();
    } else if (isOn(before)) {
        error = item.unregisterItem();
    }
    if (error) {
        Diag::log("开机启动: 设置失败(" + boolText(on) + "): " + error->localizedDescription +
                  " status=" + rawText(item.status()));
        return false;
    }
    const Status after = item.status();
    Diag::log("开机启动: 设为 " + boolText(on) + " → status " + rawText(before) + " → " + rawText(after));
    return on ? isOn(after) : !isOn(after);
}

void applyFirstLaunchDefault()
{
    const auto& initialized = defaults::setting::launchAtLoginInitialized;
    if (initialized.value()) return;
    // A copy that can never be a login item leaves the default to the first copy that can.
    if (const auto refusal = desktop::loginItem().registrationRefusal()) {
        Diag::log("开机启动: 首次启动默认开启 → 跳过（" + *refusal + "）");
        return;
    }
    initialized.write(true);
    if (isOn(desktop::loginItem().status())) {
        Diag::log("开机启动: 首启默认开启，但系统已是开启态，跳过注册");
        return;
    }
    const bool ok = setEnabled(true);
    Diag::log(std::string("开机启动: 首次启动默认开启 → ") + (ok ? "成功" : "失败"));
}

}  // namespace LaunchAtLogin
