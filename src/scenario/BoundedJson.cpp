#include "scenario/BoundedJson.h"

#include <set>

namespace scenario {
namespace {

using nlohmann::json;

// Builds the document as nlohmann's own reader does, while keeping the key path of the
// value being read, so that a refusal can name it.
class BoundedReader {
public:
    BoundedReader(json& root, std::size_t maxDepth) : dom_(root, /*allow_exceptions=*/false), maxDepth_(maxDepth) {}

    bool null() { return value() && dom_.null(); }
    bool boolean(bool v) { return value() && dom_.boolean(v); }
    bool number_integer(json::number_integer_t v) { return value() && dom_.number_integer(v); }
    bool number_unsigned(json::number_unsigned_t v) { return value() && dom_.number_unsigned(v); }
    bool number_float(json::number_float_t v, const std::string& s) { return value() && dom_.number_float(v, s); }
    bool string(std::string& v) { return value() && dom_.string(v); }
    bool binary(json::binary_t& v) { return value() && dom_.binary(v); }

    bool start_object(std::size_t size) { return open(false) && dom_.start_object(size); }
    bool start_array(std::size_t size) { return open(true) && dom_.start_array(size); }
    bool end_object() { return close() && dom_.end_object(); }
    bool end_array() { return close() && dom_.end_array(); }

    bool key(std::string& name)
    {
        Level& level = levels_.back();
        level.key = name;
        if (!level.keys.insert(name).second) return fail(pathOf(true), "duplicate key");
        return dom_.key(name);
    }

    template <class Exception>
    bool parse_error(std::size_t position, const std::string& token, const Exception& error)
    {
        dom_.parse_error(position, token, error);
        // A number beyond a double's range is nlohmann's range error 406.
        if (std::string_view(error.what()).find("out_of_range.406") != std::string_view::npos)
            return fail(pathOf(true), token + " is out of range");
        std::string what = error.what();
        // "[json.exception.parse_error.101] parse error at line 1, column 2: ..." without the tag.
        if (const auto end = what.find("] "); what.starts_with("[json.exception") && end != std::string::npos)
            what = what.substr(end + 2);
        return fail("", "not valid JSON: " + what);
    }

    const std::optional<ValidationError>& error() const { return error_; }

private:
    struct Level {
        bool list = false;
        std::size_t items = 0;  // values begun so far, in a list
        std::string key;        // the current key, in an object
        std::set<std::string> keys;
    };

    bool value()
    {
        if (!levels_.empty() && levels_.back().list) ++levels_.back().items;
        return true;
    }

    bool open(bool list)
    {
        if (levels_.size() >= maxDepth_)
            return fail(pathOf(true), "nested deeper than " + std::to_string(maxDepth_) + " levels");
        value();
        levels_.push_back({list, 0, {}, {}});
        return true;
    }

    bool close()
    {
        levels_.pop_back();
        return true;
    }

    // The path of the value now being read; `pending` when it has not begun yet.
    std::string pathOf(bool pending) const
    {
        std::string path;
        for (std::size_t i = 0; i < levels_.size(); ++i) {
            const Level& level = levels_[i];
            const bool innermost = i + 1 == levels_.size();
            path = level.list ? itemPath(path, level.items - (pending && innermost ? 0 : 1)) : childPath(path, level.key);
        }
        return path;
    }

    bool fail(std::string path, std::string message)
    {
        if (!error_) error_ = ValidationError{std::move(path), std::move(message)};
        return false;
    }

    nlohmann::detail::json_sax_dom_parser<json> dom_;
    std::size_t maxDepth_;
    std::vector<Level> levels_;
    std::optional<ValidationError> error_;
};

}  // namespace

std::variant<json, ValidationError> parseBoundedJson(const std::string& text, std::size_t maxDepth)
{
    json root;
    BoundedReader reader(root, maxDepth);
    const bool parsed = json::sax_parse(text, &reader);
    if (reader.error()) return *reader.error();
    if (!parsed) return ValidationError{"", "not valid JSON"};
    return root;
}

}  // namespace scenario
