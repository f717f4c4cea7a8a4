#pragma once

#include <nlohmann/json.hpp>

#include <mutex>
#include <optional>
#include <string>

namespace defaults {

// The typed settings store: JSON at $XDG_CONFIG_HOME/Glimra/defaults.json, read once,
// written atomically on every change, safe from any thread. Each typed read answers
// none both for an absent key and for a value of another type; `contains` tells the two
// apart.
class Defaults {
public:
    // The application's store, at the XDG path of the moment of first use.
    static Defaults& standard();

    explicit Defaults(std::string filePath);

    // Points the store at another file and reads it (tests, the scenario runner).
    void reopen(std::string filePath);
    const std::string& filePath() const { return path_; }

    bool contains(const std::string& key) const;
    std::optional<nlohmann::json> object(const std::string& key) const;
    std::optional<bool> boolean(const std::string& key) const;
    // Integers only: 3.5 and true are not integers.
    std::optional<long long> integer(const std::string& key) const;
    // Any number, integer or not.
    std::optional<double> number(const std::string& key) const;
    std::optional<std::string> string(const std::string& key) const;
    std::optional<nlohmann::json> array(const std::string& key) const;
    std::optional<nlohmann::json> dictionary(const std::string& key) const;

    void set(const std::string& key, nlohmann::json value);
    void remove(const std::string& key);
    // Every key and value, for state dumps.
    nlohmann::json snapshot() const;

private:
    void load();
    void save() const;

    mutable std::mutex mutex_;
    std::string path_;
    nlohmann::json values_ = nlohmann::json::object();
};

}  // namespace defaults
