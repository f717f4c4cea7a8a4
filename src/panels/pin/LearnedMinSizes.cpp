#include "panels/pin/LearnedMinSizes.h"

#include "capture/NumberText.h"
#include "foundation/Diag.h"
#include "platform/defaults/SettingsTable.h"

#include <charconv>
#include <cmath>
#include <vector>

namespace pin::LearnedMinSizes {

namespace {

std::optional<std::map<std::string, core::Size>>& loaded()
{
    static std::optional<std::map<std::string, core::Size>> sizes;
    return sizes;
}

// The stored dictionary when every value is a string, else an empty one.
nlohmann::json storedStrings()
{
    const std::optional<nlohmann::json> stored = defaults::setting::takeoverLearnedMinSizes.stored();
    if (!stored) return nlohmann::json::object();
    for (const auto& [key, value] : stored->items()) {
        if (!value.is_string()) return nlohmann::json::object();
    }
    return *stored;
}

// "900x700": the pieces between the x's that read as numbers. A dimension that is not
// finite or is negative spoils the entry, since a takeover would apply it as a frame.
std::optional<core::Size> parsedSize(const std::string& text)
{
    std::vector<double> numbers;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('x', start), text.size());
        const std::string piece = text.substr(start, end - start);
        start = end + 1;
        if (piece.empty()) continue;
        const char* first = piece.data() + (piece.front() == '+' ? 1 : 0);
        const char* last = piece.data() + piece.size();
        double value = 0;
        const auto [rest, error] = std::from_chars(first, last, value);
        if (error == std::errc::invalid_argument || rest != last) continue;
        if (error != std::errc() || !std::isfinite(value) || value < 0) return std::nullopt;
        numbers.push_back(value);
    }
    if (numbers.size() != 2) return std::nullopt;
    return core::Size{numbers[0], numbers[1]};
}

std::string storedSizeText(core::Size size)
{
    return capture::wholeText(size.width) + "x" + capture::wholeText(size.height);
}

// Kept larger than asked by more than 2 pt.
bool clamped(double asked, double kept) { return std::isfinite(kept) && asked + 2 < kept; }

}  // namespace

std::map<std::string, core::Size>& cache()
{
    auto& sizes = loaded();
    if (!sizes) {
        sizes.emplace();
        const nlohmann::json stored = storedStrings();
        for (const auto& [bundleID, value] : stored.items()) {
            if (const auto size = parsedSize(value.get<std::string>())) (*sizes)[bundleID] = *size;
        }
    }
    return *sizes;
}

void noteClampedSize(const std::optional<std::string>& bundleID, core::Size intended, core::Size actual)
{
    if (!bundleID || bundleID->empty()) return;
    const bool widthClamped = clamped(intended.width, actual.width);
    const bool heightClamped = clamped(intended.height, actual.height);

    auto& sizes = cache();
    core::Size learned;
    if (const auto entry = sizes.find(*bundleID); entry != sizes.end()) {
        const core::Size old = entry->second;
        learned = {widthClamped ? std::max(old.width, actual.width) : old.width,
                   heightClamped ? std::max(old.height, actual.height) : old.height};
        if (learned.width <= old.width && learned.height <= old.height) return;
    } else {
        learned = {widthClamped && actual.width > 0 ? actual.width : 0,
                   heightClamped && actual.height > 0 ? actual.height : 0};
        if (learned.width == 0 && learned.height == 0) return;
    }

    sizes[*bundleID] = learned;
    nlohmann::json stored = storedStrings();
    stored[*bundleID] = storedSizeText(learned);
    defaults::setting::takeoverLearnedMinSizes.write(stored);
    Diag::log("最小尺寸学习: " + *bundleID + " → " + storedSizeText(learned));
}

void resetForLaunch()
{
    defaults::setting::takeoverLearnedMinSizes.remove();
    loaded().reset();
    Diag::log("已清空最小尺寸学习缓存");
}

}  // namespace pin::LearnedMinSizes
