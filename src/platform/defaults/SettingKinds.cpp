#include "platform/defaults/SettingKinds.h"

#include <QString>

#include <algorithm>
#include <cmath>

namespace defaults {

bool SettingKey::isStored(const Defaults& store) const { return store.contains(name()); }

void SettingKey::remove(Defaults& store) const { store.remove(name()); }

std::optional<nlohmann::json> SettingKey::raw(const Defaults& store) const { return store.object(name()); }

void SettingKey::restore(const std::optional<nlohmann::json>& value, Defaults& store) const
{
    if (value)
        store.set(name(), *value);
    else
        store.remove(name());
}

bool StrictBool::value(const Defaults& store) const { return store.boolean(name()).value_or(fallback); }

void StrictBool::write(bool on, Defaults& store) const { store.set(name(), on); }

bool LooseBool::value(const Defaults& store) const
{
    const auto stored = store.object(name());
    if (!stored) return fallback;
    if (stored->is_boolean()) return stored->get<bool>();
    if (stored->is_number()) return stored->get<double>() != 0;
    if (stored->is_string()) {
        const QString text = QString::fromStdString(stored->get<std::string>()).trimmed().toLower();
        return text == "true" || text == "yes";
    }
    return fallback;
}

void LooseBool::write(bool on, Defaults& store) const { store.set(name(), on); }

bool PlatformBool::value(const Defaults& store) const { return store.boolValue(name()); }

void PlatformBool::write(bool on, Defaults& store) const { store.set(name(), on); }

std::optional<long long> Integer::stored(const Defaults& store) const { return store.integer(name()); }

void Integer::write(long long value, Defaults& store) const { store.set(name(), value); }

template <OutOfRange outside>
long long IntegerWithin<outside>::value(const Defaults& store) const
{
    const auto stored = store.integer(name());
    if (!stored) return fallback;
    if (*stored >= low && *stored <= high) return *stored;
    return outside == OutOfRange::clamped ? std::clamp(*stored, low, high) : fallback;
}

template <OutOfRange outside>
void IntegerWithin<outside>::write(long long value, Defaults& store) const
{
    store.set(name(), value);
}

template struct IntegerWithin<OutOfRange::clamped>;
template struct IntegerWithin<OutOfRange::fallback>;

std::optional<double> Number::stored(const Defaults& store) const { return store.number(name()); }

void Number::write(double value, Defaults& store) const { store.set(name(), value); }

double ClampedNumber::value(const Defaults& store) const
{
    const auto stored = store.number(name());
    return std::clamp(stored && std::isfinite(*stored) ? *stored : fallback, low, high);
}

double ClampedNumber::unclamped(const Defaults& store) const { return store.number(name()).value_or(fallback); }

void ClampedNumber::write(double value, Defaults& store) const { store.set(name(), value); }

double NumberAbove::value(const Defaults& store) const
{
    const auto stored = store.number(name());
    return stored && *stored > floor ? std::min(*stored, ceiling) : fallback;
}

std::optional<std::string> Text::stored(const Defaults& store) const { return store.string(name()); }

std::optional<nlohmann::json> List::stored(const Defaults& store) const { return store.array(name()); }

void List::write(nlohmann::json items, Defaults& store) const { store.set(name(), std::move(items)); }

std::optional<nlohmann::json> Dictionary::stored(const Defaults& store) const { return store.dictionary(name()); }

void Dictionary::write(nlohmann::json values, Defaults& store) const { store.set(name(), std::move(values)); }

}  // namespace defaults
