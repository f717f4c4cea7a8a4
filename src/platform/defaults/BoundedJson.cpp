#include "platform/defaults/BoundedJson.h"

#include <utility>
#include <vector>

namespace defaults {
namespace {

using Json = nlohmann::json;

// Reads the text without building it, stopping at the first container past the limit.
class DepthCheck : public nlohmann::json_sax<Json> {
public:
    explicit DepthCheck(int maxDepth) : maxDepth_(maxDepth) {}

    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override { return enter(); }
    bool key(string_t&) override { return true; }
    bool end_object() override { return leave(); }
    bool start_array(std::size_t) override { return enter(); }
    bool end_array() override { return leave(); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return false; }

private:
    bool enter() { return ++depth_ <= maxDepth_; }
    bool leave()
    {
        --depth_;
        return true;
    }

    const int maxDepth_;
    int depth_ = 0;
};

}  // namespace

bool nestedDeeperThan(const Json& value, int maxDepth)
{
    if (!value.is_structured()) return false;
    std::vector<std::pair<const Json*, int>> open{{&value, 1}};
    while (!open.empty()) {
        const auto [node, depth] = open.back();
        open.pop_back();
        if (!node->is_structured()) continue;
        if (depth > maxDepth) return true;
        for (const auto& child : *node)
            if (child.is_structured()) open.emplace_back(&child, depth + 1);
    }
    return false;
}

std::optional<Json> parseWithinDepth(std::string_view text, int maxDepth)
{
    DepthCheck check(maxDepth);
    if (!Json::sax_parse(text, &check)) return std::nullopt;
    auto parsed = Json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (parsed.is_discarded()) return std::nullopt;
    return parsed;
}

}  // namespace defaults
