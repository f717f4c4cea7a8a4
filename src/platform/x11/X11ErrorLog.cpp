#include "platform/x11/X11ErrorLog.h"

#include "platform/core/SystemLog.h"

#include <array>
#include <cstdio>

namespace x11 {
namespace {

std::string coreErrorName(std::uint8_t code)
{
    static constexpr std::array<const char*, 18> names{
        "",          "BadRequest", "BadValue",    "BadWindow",   "BadPixmap", "BadAtom",
        "BadCursor", "BadFont",    "BadMatch",    "BadDrawable", "BadAccess", "BadAlloc",
        "BadColor",  "BadGC",      "BadIDChoice", "BadName",     "BadLength", "BadImplementation"};
    if (code > 0 && code < names.size()) return names[code];
    return "error " + std::to_string(code);
}

std::string hex(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", value);
    return text;
}

}  // namespace

ErrorLog::ErrorLog(const xcb_setup_t& setup) : ownBase_(setup.resource_id_base), ownMask_(setup.resource_id_mask) {}

ErrorLog::ErrorLog(const xcb_setup_t& setup, const ErrorLog& sameServer) : ErrorLog(setup)
{
    std::lock_guard lock(sameServer.mutex_);
    extensions_ = sameServer.extensions_;
}

bool ErrorLog::isGoneForeignResource(const xcb_generic_error_t& error) const
{
    const bool gone = error.error_code == XCB_WINDOW || error.error_code == XCB_DRAWABLE;
    return gone && (error.resource_id & ~ownMask_) != ownBase_;
}

void ErrorLog::nameExtension(std::uint8_t majorOpcode, std::string name)
{
    std::lock_guard lock(mutex_);
    extensions_[majorOpcode] = std::move(name);
}

std::string ErrorLog::line(const xcb_generic_error_t& error) const
{
    std::string request;
    {
        std::lock_guard lock(mutex_);
        const auto extension = extensions_.find(error.major_code);
        if (extension != extensions_.end())
            request = extension->second + " request " + std::to_string(error.minor_code);
        else if (error.major_code < 128)
            request = "request " + std::to_string(error.major_code);
        else
            request = "extension request " + std::to_string(error.major_code) + "." + std::to_string(error.minor_code);
    }
    return "x11: the server refused " + request + " with " + coreErrorName(error.error_code) + " (resource " +
           hex(error.resource_id) + "); later refusals of this kind are not logged";
}

void ErrorLog::note(const xcb_generic_error_t& error)
{
    if (isGoneForeignResource(error)) return;
    {
        std::lock_guard lock(mutex_);
        if (!written_.emplace(error.major_code, error.minor_code, error.error_code).second) return;
    }
    core::systemLog::write(line(error));
}

}  // namespace x11
