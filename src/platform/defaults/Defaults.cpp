#include "platform/defaults/Defaults.h"

#include "platform/core/Paths.h"
#include "platform/core/SystemLog.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace defaults {

Defaults& Defaults::standard()
{
    static Defaults store([] {
        const auto config = core::paths::configHome();
        return config ? *config + "/Glimra/defaults.json" : std::string();
    }());
    return store;
}

Defaults::Defaults(std::string filePath) : path_(std::move(filePath)) { load(); }

void Defaults::reopen(std::string filePath)
{
    std::lock_guard lock(mutex_);
    path_ = std::move(filePath);
    load();
}

void Defaults::load()
{
    values_ = nlohmann::json::object();
    if (path_.empty()) return;
    std::ifstream in(path_, std::ios::binary);
    if (!in) return;
    std::stringstream text;
    text << in.rdbuf();
    auto parsed = nlohmann::json::parse(text.str(), nullptr, /*allow_exceptions=*/false);
    if (parsed.is_object()) {
        values_ = std::move(parsed);
    } else {
        // Keep the unreadable file for the user instead of overwriting it on the next write.
        std::error_code error;
        std::filesystem::rename(path_, path_ + ".unreadable", error);
        core::systemLog::write("[Glimra] settings file unreadable, moved aside: " + path_);
    }
}

void Defaults::save() const
{
    if (path_.empty()) return;
    const std::filesystem::path target(path_);
    std::error_code error;
    std::filesystem::create_directories(target.parent_path(), error);
    const std::string temporary = path_ + ".tmp." + std::to_string(::getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            core::systemLog::write("[Glimra] settings not saved: cannot write " + temporary);
            return;
        }
        out << values_.dump(2) << '\n';
        out.flush();
        if (!out) {
            out.close();
            std::filesystem::remove(temporary, error);
            core::systemLog::write("[Glimra] settings not saved: write failed for " + temporary);
            return;
        }
    }
    std::filesystem::rename(temporary, target, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        core::systemLog::write("[Glimra] settings not saved: cannot replace " + path_);
    }
}

bool Defaults::contains(const std::string& key) const
{
    std::lock_guard lock(mutex_);
    return values_.contains(key);
}

std::optional<nlohmann::json> Defaults::object(const std::string& key) const
{
    std::lock_guard lock(mutex_);
    const auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    return *it;
}

std::optional<bool> Defaults::boolean(const std::string& key) const
{
    const auto value = object(key);
    if (!value || !value->is_boolean()) return std::nullopt;
    return value->get<bool>();
}

std::optional<long long> Defaults::integer(const std::string& key) const
{
    const auto value = object(key);
    if (!value || !value->is_number_integer()) return std::nullopt;
    return value->get<long long>();
}

std::optional<double> Defaults::number(const std::string& key) const
{
    const auto value = object(key);
    if (!value || !value->is_number()) return std::nullopt;
    return value->get<double>();
}

std::optional<std::string> Defaults::string(const std::string& key) const
{
    const auto value = object(key);
    if (!value || !value->is_string()) return std::nullopt;
    return value->get<std::string>();
}

std::optional<nlohmann::json> Defaults::array(const std::string& key) const
{
    auto value = object(key);
    if (!value || !value->is_array()) return std::nullopt;
    return value;
}

std::optional<nlohmann::json> Defaults::dictionary(const std::string& key) const
{
    auto value = object(key);
    if (!value || !value->is_object()) return std::nullopt;
    return value;
}

void Defaults::set(const std::string& key, nlohmann::json value)
{
    std::lock_guard lock(mutex_);
    values_[key] = std::move(value);
    save();
}

void Defaults::remove(const std::string& key)
{
    std::lock_guard lock(mutex_);
    if (values_.erase(key) > 0) save();
}

nlohmann::json Defaults::snapshot() const
{
    std::lock_guard lock(mutex_);
    return values_;
}

}  // namespace defaults
