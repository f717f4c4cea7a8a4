#include "platform/core/SystemInfo.h"

#include <charconv>
#include <fstream>
#include <mutex>
#include <sstream>
#include <vector>

#include <sys/utsname.h>

namespace core {

namespace {

std::mutex mutex;
std::optional<SystemInfo> override;

std::optional<std::string> fileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The os-release file's text; empty when neither file is readable.
std::string osReleaseText(const SystemInfoSources& sources)
{
    auto text = fileText(sources.osRelease);
    if (!text) text = fileText(sources.osReleaseFallback);
    return text.value_or("");
}

// A value as the shell would read it: quotes removed, backslash escapes resolved.
std::string unquoted(const std::string& raw)
{
    if (raw.empty() || (raw.front() != '"' && raw.front() != '\'')) return raw;
    const char quote = raw.front();
    std::string value;
    for (std::size_t i = 1; i < raw.size() && raw[i] != quote; ++i) {
        if (quote == '"' && raw[i] == '\\' && i + 1 < raw.size()) ++i;
        value += raw[i];
    }
    return value;
}

// The os-release variables; later lines win, as they would in the shell.
std::optional<std::string> osReleaseValue(const std::string& text, const std::string& name)
{
    std::optional<std::string> value;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(name + "=", 0) == 0) value = unquoted(line.substr(name.size() + 1));
    }
    return value;
}

std::optional<long> decimal(const std::string& piece)
{
    long number = 0;
    const char* end = piece.data() + piece.size();
    const auto [stop, error] = std::from_chars(piece.data(), end, number);
    if (piece.empty() || piece.front() == '-' || error != std::errc() || stop != end) return std::nullopt;
    return number;
}

// systemd's machine-id: 32 lower-case hexadecimal digits; "uninitialized" or an empty
// file while the system first boots.
std::optional<std::string> machineIdentifier(const std::string& path)
{
    auto text = fileText(path);
    if (!text) return std::nullopt;
    while (!text->empty() && (text->back() == '\n' || text->back() == ' ')) text->pop_back();
    if (text->size() != 32) return std::nullopt;
    for (const char c : *text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return std::nullopt;
    return text;
}

}  // namespace

std::optional<OsVersion> parseOsVersion(const std::string& text)
{
    std::vector<long> numbers;
    std::size_t start = 0;
    while (numbers.size() <= 3) {
        const std::size_t dot = text.find('.', start);
        const auto number = decimal(text.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
        if (!number) return std::nullopt;
        numbers.push_back(*number);
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    if (numbers.size() > 3) return std::nullopt;
    numbers.resize(3, 0);
    return OsVersion{numbers[0], numbers[1], numbers[2]};
}

SystemInfo readSystemInfo(const SystemInfoSources& sources)
{
    SystemInfo info;
    const std::string release = osReleaseText(sources);
    if (const auto version = osReleaseValue(release, "VERSION_ID")) info.osVersion = parseOsVersion(*version);
    info.osName = osReleaseValue(release, "NAME").value_or("Linux");
    utsname names{};
    if (::uname(&names) == 0) info.architecture = names.machine;
    info.machineIdentifier = machineIdentifier(sources.machineId);
    return info;
}

std::string readDistribution(const SystemInfoSources& sources)
{
    const std::string release = osReleaseText(sources);
    // "linux" is os-release's own default ID.
    const auto id = osReleaseValue(release, "ID");
    std::string name = id && !id->empty() ? *id : "linux";
    const auto version = osReleaseValue(release, "VERSION_ID");
    if (version && !version->empty()) name += " " + *version;
    return name;
}

SystemInfo systemInfo()
{
    {
        std::lock_guard lock(mutex);
        if (override) return *override;
    }
    return readSystemInfo();
}

void setSystemInfoOverride(std::optional<SystemInfo> info)
{
    std::lock_guard lock(mutex);
    override = std::move(info);
}

}  // namespace core
