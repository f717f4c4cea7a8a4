#pragma once

#include "platform/dispatch/Queue.h"

#include <nlohmann/json.hpp>

#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace defaults {

// The typed settings store: JSON at $XDG_CONFIG_HOME/Glimra/defaults.json, read once,
// safe from any thread. Each typed read answers none both for an absent key and for a
// value of another type; `contains` tells the two apart.
//
// A change takes effect in memory at once and schedules one write, 50 ms later, on the
// store's own serial queue; changes made before that write runs go out with it. The file is replaced
// whole (temporary file and rename), never left half-written. `flush()` and destruction
// write whatever is pending before they return.
//
// A file that is not a JSON object, or nests deeper than a value may, is moved aside as
// "defaults.json.unreadable.<N>" (see moveAsideUnreadable: numbered upwards, never
// replacing an earlier copy, the five newest kept) and the store starts empty.
class Defaults {
public:
    // How deeply a value may nest: 64 containers, the file's own object not counted.
    static constexpr int maxDepth = 64;

    // The application's store, at the XDG path of the moment of first use.
    static Defaults& standard();

    explicit Defaults(std::string filePath);
    ~Defaults();
    Defaults(const Defaults&) = delete;
    Defaults& operator=(const Defaults&) = delete;

    // Writes what is pending for the current file, then points the store at another file
    // and reads it (tests, the scenario runner).
    void reopen(std::string filePath);
    std::string filePath() const;

    bool contains(const std::string& key) const;
    std::optional<nlohmann::json> object(const std::string& key) const;
    std::optional<bool> boolean(const std::string& key) const;
    // The platform's Boolean reading of whatever is stored: false when absent; a number
    // is true when not zero; a string is true when, after blanks, a sign and leading
    // zeros, it begins with Y, T or a digit 1 to 9 (either case); anything else false.
    bool boolValue(const std::string& key) const;
    // Integers only: 3.5 and true are not integers.
    std::optional<long long> integer(const std::string& key) const;
    // Any number, integer or not.
    std::optional<double> number(const std::string& key) const;
    std::optional<std::string> string(const std::string& key) const;
    std::optional<nlohmann::json> array(const std::string& key) const;
    std::optional<nlohmann::json> dictionary(const std::string& key) const;

    // False, with a log line and nothing stored, for a value nested deeper than maxDepth.
    bool set(const std::string& key, nlohmann::json value);
    void remove(const std::string& key);
    // Writes pending changes before returning; nothing when none are pending. The
    // application calls it on quit.
    void flush();
    // Every key and value, for state dumps.
    nlohmann::json snapshot() const;
    // Where the last read moved an unreadable file; answered once, none when it moved none.
    std::optional<std::string> takeMovedAside();

private:
    class State;

    void changed(std::unique_lock<std::mutex>& lock);

    std::shared_ptr<State> state_;
    dispatch::Queue queue_;
};

}  // namespace defaults
