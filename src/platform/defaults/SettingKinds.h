#pragma once

#include "platform/defaults/Defaults.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>

namespace defaults {

// What every setting shares: its key and the calls that do not care about its type. A
// read never writes: a default or a bound applies to what the reader gets, the stored
// value stays as it is. Each call takes the store it works on, the application's unless
// a test says otherwise.
struct SettingKey {
    std::string_view key;

    bool isStored(const Defaults& store = Defaults::standard()) const;
    void remove(Defaults& store = Defaults::standard()) const;
    // The stored value whatever its type, and putting such a value back as it was (none
    // removes the key).
    std::optional<nlohmann::json> raw(const Defaults& store = Defaults::standard()) const;
    void restore(const std::optional<nlohmann::json>& value, Defaults& store = Defaults::standard()) const;

protected:
    std::string name() const { return std::string(key); }
};

// On or off as only a stored Boolean says; anything else is the fallback.
struct StrictBool : SettingKey {
    bool fallback;
    bool value(const Defaults& store = Defaults::standard()) const;
    void write(bool on, Defaults& store = Defaults::standard()) const;
};

// On or off as a Boolean, a number (on when not zero) or a text saying "true" or "yes"
// (any case, blanks trimmed) says; any other text is off, any other value the fallback.
struct LooseBool : SettingKey {
    bool fallback;
    bool value(const Defaults& store = Defaults::standard()) const;
    void write(bool on, Defaults& store = Defaults::standard()) const;
};

// The platform's Boolean reading of whatever is stored (Defaults::boolValue): off when
// absent.
struct PlatformBool : SettingKey {
    bool value(const Defaults& store = Defaults::standard()) const;
    void write(bool on, Defaults& store = Defaults::standard()) const;
};

// An integer whose bounds belong to its reader; none when absent or not an integer.
struct Integer : SettingKey {
    std::optional<long long> stored(const Defaults& store = Defaults::standard()) const;
    void write(long long value, Defaults& store = Defaults::standard()) const;
};

// What an integer setting reads when the stored integer lies outside low ... high.
enum class OutOfRange { clamped, fallback };

// An integer within low ... high; the fallback when absent or not an integer.
template <OutOfRange outside>
struct IntegerWithin : SettingKey {
    long long fallback;
    long long low;
    long long high;
    long long value(const Defaults& store = Defaults::standard()) const;
    void write(long long value, Defaults& store = Defaults::standard()) const;
};

// A count or a duration: a stored value outside is clamped into the range.
using ClampedInteger = IntegerWithin<OutOfRange::clamped>;
// One of a set of choices: a stored value outside is the fallback.
using ChoiceInteger = IntegerWithin<OutOfRange::fallback>;

// Any number; none when absent or not a number.
struct Number : SettingKey {
    std::optional<double> stored(const Defaults& store = Defaults::standard()) const;
    void write(double value, Defaults& store = Defaults::standard()) const;
};

// A finite number clamped into low ... high; the fallback when absent, not a number or
// not finite.
struct ClampedNumber : SettingKey {
    double fallback;
    double low;
    double high;
    double value(const Defaults& store = Defaults::standard()) const;
    // The stored number as it is, or the fallback when absent or not a number.
    double unclamped(const Defaults& store = Defaults::standard()) const;
    void write(double value, Defaults& store = Defaults::standard()) const;
};

// A number used only when greater than floor, the fallback otherwise; one above ceiling
// reads as ceiling.
struct NumberAbove : SettingKey {
    double fallback;
    double floor;
    double ceiling;
    double value(const Defaults& store = Defaults::standard()) const;
};

// A text; none when absent or not a text. The system never writes one.
struct Text : SettingKey {
    std::optional<std::string> stored(const Defaults& store = Defaults::standard()) const;
};

// An array, its items as stored; none when absent or not an array.
struct List : SettingKey {
    std::optional<nlohmann::json> stored(const Defaults& store = Defaults::standard()) const;
    void write(nlohmann::json items, Defaults& store = Defaults::standard()) const;
};

// A dictionary, its values as stored; none when absent or not a dictionary.
struct Dictionary : SettingKey {
    std::optional<nlohmann::json> stored(const Defaults& store = Defaults::standard()) const;
    void write(nlohmann::json values, Defaults& store = Defaults::standard()) const;
};

// The two settings of a hot key: its prefix followed by "Code" and by "Flags". Their
// defaults and bounds are the hot key's own row's.
struct HotKeySettings {
    std::string_view prefix;
    Integer code;
    Integer flags;
};

}  // namespace defaults
