#include "platform/core/FileContents.h"

#include <fstream>
#include <iterator>

namespace core {

std::optional<std::string> fileContents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) return std::nullopt;
    return bytes;
}

}  // namespace core
