#include "platform/ui/Keyframes.h"

#include <algorithm>
#include <cmath>

namespace ui {

KeyValue interpolate(const KeyValue& from, const KeyValue& to, double progress)
{
    KeyValue result = from;
    for (std::size_t i = 0; i < result.components.size(); ++i)
        result.components[i] = from.components[i] + (to.components[i] - from.components[i]) * progress;
    return result;
}

Keyframes::Keyframes(std::vector<KeyValue> values, std::vector<double> keyTimes, double duration,
                     std::vector<TimingFunction> timings, bool repeatsForever)
    : values_(std::move(values)),
      keyTimes_(std::move(keyTimes)),
      duration_(duration),
      timings_(std::move(timings)),
      repeatsForever_(repeatsForever)
{
    usesKeyTimes_ = !keyTimes_.empty() && isValid();
}

std::vector<TimingFunction> Keyframes::uniform(std::size_t valueCount, TimingFunction timing)
{
    return std::vector<TimingFunction>(std::max<std::size_t>(valueCount, 2) - 1, timing);
}

bool Keyframes::isValid() const
{
    if (values_.empty() || !(duration_ > 0)) return false;
    if (keyTimes_.empty()) return true;
    if (keyTimes_.size() != values_.size()) return false;
    for (std::size_t i = 0; i < keyTimes_.size(); ++i) {
        if (!(keyTimes_[i] >= 0 && keyTimes_[i] <= 1)) return false;
        if (i > 0 && keyTimes_[i] < keyTimes_[i - 1]) return false;
    }
    return true;
}

double Keyframes::keyTime(std::size_t i) const
{
    if (usesKeyTimes_) return keyTimes_[i];
    return values_.size() < 2 ? 0.0 : static_cast<double>(i) / static_cast<double>(values_.size() - 1);
}

Keyframes::Position Keyframes::position(double t) const
{
    if (values_.size() < 2 || duration_ <= 0) return {};

    double fraction = t / duration_;
    if (repeatsForever_) fraction -= std::floor(fraction);
    const std::size_t last = values_.size() - 1;
    if (fraction <= keyTime(0)) return {0, 0};
    if (fraction >= keyTime(last)) return {last - 1, 1};

    std::size_t segment = 0;
    while (segment + 1 < last && fraction >= keyTime(segment + 1)) ++segment;
    const double start = keyTime(segment);
    const double span = keyTime(segment + 1) - start;
    const double linear = span > 0 ? (fraction - start) / span : 1.0;
    const double paced = segment < timings_.size() ? timings_[segment](linear) : linear;
    return {segment, paced};
}

KeyValue Keyframes::valueAt(double t) const
{
    if (values_.empty()) return {};
    if (values_.size() == 1) return values_.front();
    const Position at = position(t);
    return interpolate(values_[at.segment], values_[at.segment + 1], at.progress);
}

}  // namespace ui
