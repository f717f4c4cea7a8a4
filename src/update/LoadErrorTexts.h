#pragma once

#include "platform/desktop/UrlLoading.h"

#include <optional>
#include <string>

// How the updater names a failed load: a number for the log, a short phrase for the user.
namespace LoadErrorTexts {

// The familiar numeric code of the error, as logs and support have long read it.
int code(desktop::UrlLoadError error);

// The untranslated (Simplified Chinese) phrase; "网络请求未完成" for none.
std::string reasonKey(std::optional<desktop::UrlLoadError> error);

}  // namespace LoadErrorTexts
