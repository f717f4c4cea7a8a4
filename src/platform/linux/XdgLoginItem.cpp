#include "platform/linux/XdgLoginItem.h"

#include "platform/core/OwnFolder.h"
#include "platform/core/Paths.h"

#include <cerrno>
#include <cstring>
#include <sstream>
#include <sys/stat.h>

namespace linuxdesktop {
namespace {

constexpr const char* fileName = "glimra.desktop";
constexpr const char* domain = "XdgLoginItem";

desktop::Error failure(long code, const std::string& what)
{
    const std::string text = what + (code ? ": " + std::string(std::strerror(static_cast<int>(code))) : "");
    return {domain, code, text, text};
}

// The autostart folder, reached without links below the configuration folder (which the
// user may keep anywhere); made 0700 when asked to and missing. A link in its place is
// refused with its line: an entry written through it would land wherever it points.
std::optional<core::OwnFolder> autostartFolder(core::OwnFolder::Missing missing)
{
    const auto config = core::paths::configHome();
    if (!config) return std::nullopt;
    return core::OwnFolder::open(*config, "autostart", missing);
}

// Upper bound for an entry read back; ours has a few lines.
constexpr std::uint64_t maxEntryBytes = 64 * 1024;

// Characters that make an Exec argument need quotes, and those escaped inside them.
constexpr const char* reserved = " \t\n\"'\\><~|&;$*?#()`";
constexpr const char* escapedInQuotes = "\"`$\\";

// The executable as an Exec value: quoted when needed, then with the string escapes of
// the file format ("\\" for a backslash) and the field-code escape ("%%").
std::string execValue(const std::string& path)
{
    std::string argument;
    if (path.find_first_of(reserved) == std::string::npos) {
        argument = path;
    } else {
        argument = "\"";
        for (const char c : path) {
            if (std::strchr(escapedInQuotes, c)) argument += '\\';
            argument += c;
        }
        argument += '"';
    }
    std::string value;
    for (const char c : argument) {
        if (c == '\\')
            value += "\\\\";
        else if (c == '%')
            value += "%%";
        else
            value += c;
    }
    return value;
}

// The program an Exec value starts, undoing execValue.
std::string firstArgument(const std::string& value)
{
    std::string unescaped;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char next = value[++i];
            unescaped += next == 's' ? ' ' : next == 'n' ? '\n' : next == 't' ? '\t' : next == 'r' ? '\r' : next;
        } else if (value[i] == '%' && i + 1 < value.size() && value[i + 1] == '%') {
            unescaped += value[i++];
        } else {
            unescaped += value[i];
        }
    }
    std::string argument;
    if (unescaped.empty() || unescaped[0] != '"') return unescaped.substr(0, unescaped.find(' '));
    for (std::size_t i = 1; i < unescaped.size(); ++i) {
        if (unescaped[i] == '"') break;
        if (unescaped[i] == '\\' && i + 1 < unescaped.size()) ++i;
        argument += unescaped[i];
    }
    return argument;
}

// The keys of the entry's [Desktop Entry] group.
std::optional<std::string> entryValue(const std::string& contents, const std::string& key)
{
    std::istringstream lines(contents);
    std::string line;
    bool inEntry = false;
    std::optional<std::string> found;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line.front() == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        const auto equals = line.find('=');
        if (!inEntry || equals == std::string::npos) continue;
        std::string name = line.substr(0, equals);
        while (!name.empty() && name.back() == ' ') name.pop_back();
        if (name != key) continue;
        std::size_t start = equals + 1;
        while (start < line.size() && line[start] == ' ') ++start;
        found = line.substr(start);
    }
    return found;
}

}  // namespace

XdgLoginItem::XdgLoginItem(AutostartProgram program) : program_(std::move(program)) {}

desktop::LoginItem::Status XdgLoginItem::status()
{
    const auto folder = autostartFolder(core::OwnFolder::Missing::fail);
    if (!folder || !*folder) return Status::notRegistered;
    // Not opened when it is no regular file: a FIFO would hold the launch for good.
    if (folder->holdsForeignEntry(fileName)) return Status::notRegistered;
    const auto contents = folder->contents(fileName, maxEntryBytes);
    if (!contents.bytes) return Status::notRegistered;
    // A hidden entry is one the user turned off.
    if (entryValue(*contents.bytes, "Hidden") == "true") return Status::notRegistered;
    const auto exec = entryValue(*contents.bytes, "Exec");
    return exec && firstArgument(*exec) == program_.executable ? Status::enabled : Status::notRegistered;
}

std::optional<std::string> XdgLoginItem::registrationRefusal() { return program_.refusal; }

std::optional<desktop::Error> XdgLoginItem::registerItem()
{
    if (program_.refusal) return failure(0, *program_.refusal);
    if (program_.executable.empty() || program_.executable.find('\n') != std::string::npos)
        return failure(0, "The application's executable cannot be named in an autostart entry");
    // Made by us, the folder is the user's alone whatever the umask; one found is left as it is.
    const auto folder = autostartFolder(core::OwnFolder::Missing::create);
    if (!folder) return failure(0, "No configuration folder (neither XDG_CONFIG_HOME nor HOME is set)");
    if (!*folder) return failure(0, folder->refusal());
    const std::string contents =
        "[Desktop Entry]\nType=Application\nName=Glimra\nExec=" + execValue(program_.executable) + "\nTerminal=false\n";
    if (const auto error = folder->writeAtomically(fileName, contents)) return failure(0, *error);
    return std::nullopt;
}

std::optional<desktop::Error> XdgLoginItem::unregisterItem()
{
    const auto folder = autostartFolder(core::OwnFolder::Missing::fail);
    if (!folder || !folder->status(fileName)) return failure(0, "The login item is not registered");
    if (folder->remove(fileName)) return std::nullopt;
    return failure(errno, "Cannot remove " + folder->path() + "/" + fileName);
}

}  // namespace linuxdesktop
