#include "update/CrashStack.h"

#include "update/SignalSafeText.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <iterator>

#include <execinfo.h>
#include <fcntl.h>
#include <link.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>

namespace CrashStack {

namespace {

using SignalSafeText::Text;

constexpr int framesShown = 64;
// The handler's own frames come first and are dropped.
constexpr int framesWalked = framesShown + 16;
constexpr std::size_t pathCapacity = 512;
constexpr std::size_t shownNameLength = 100;

struct Module {
    char path[pathCapacity];
    std::uintptr_t imageStart;  // where the file's first byte is mapped
};

struct Frame {
    std::uintptr_t address;
    int module;
    // The instruction looked up: the return address less one for every frame but the
    // innermost, since a call may be its function's last instruction.
    std::uint64_t lookupOffset;  // in the module's file
    bool placed;
    std::uint64_t lookupAddress;  // in the module's image, as its symbols count
    bool named;
    std::uint64_t symbolStart;
    std::uint32_t symbolName;  // in the symbol table's strings
    char name[shownNameLength + 1];
};

// Reads a file a line at a time through its own buffer; a line longer than the buffer is
// cut (a line of /proc/self/maps is at most a path and 80 more bytes).
struct LineReader {
    int fd = -1;
    char buffer[8192];
    std::size_t begin = 0;
    std::size_t end = 0;

    // The next line, NUL-terminated without its '\n'; null at the end.
    char* next()
    {
        for (;;) {
            if (char* newline = static_cast<char*>(std::memchr(buffer + begin, '\n', end - begin))) {
                *newline = '\0';
                char* line = buffer + begin;
                begin = static_cast<std::size_t>(newline - buffer) + 1;
                return line;
            }
            std::memmove(buffer, buffer + begin, end - begin);
            end -= begin;
            begin = 0;
            const ssize_t got = end < sizeof buffer - 1 ? ::read(fd, buffer + end, sizeof buffer - 1 - end) : 0;
            if (got < 0 && errno == EINTR) continue;
            if (got > 0) {
                end += static_cast<std::size_t>(got);
                continue;
            }
            if (end == 0) return nullptr;
            buffer[end] = '\0';
            begin = end;
            return buffer;
        }
    }
};

// Everything the walk fills in: static, since the handler's stack is small.
struct Walk {
    Frame frames[framesShown];
    int frameCount;
    Module modules[framesShown];
    int moduleCount;
    LineReader maps;
    char imagePath[pathCapacity];  // the file of the last mapping that starts at its first byte
    ElfW(Sym) symbols[256];
} walk;

std::atomic_flag walking = ATOMIC_FLAG_INIT;

void copyPath(char* to, const char* from)
{
    std::size_t length = 0;
    while (from[length] && length < pathCapacity - 1) {
        to[length] = from[length];
        ++length;
    }
    to[length] = '\0';
}

std::uintptr_t interruptedAddress(const void* signalContext)
{
    if (!signalContext) return 0;
    const auto& machine = static_cast<const ucontext_t*>(signalContext)->uc_mcontext;
#if defined(__x86_64__)
    return static_cast<std::uintptr_t>(machine.gregs[REG_RIP]);
#elif defined(__aarch64__)
    return static_cast<std::uintptr_t>(machine.pc);
#else
    static_cast<void>(machine);
    return 0;  // the handler's frames stay in
#endif
}

void collectFrames(const void* signalContext)
{
    void* addresses[framesWalked];
    const int walked = ::backtrace(addresses, framesWalked);
    const std::uintptr_t interrupted = interruptedAddress(signalContext);
    int first = 0;
    for (int i = 0; i < walked; ++i) {
        if (reinterpret_cast<std::uintptr_t>(addresses[i]) != interrupted) continue;
        first = i;
        break;
    }
    walk.frameCount = std::min(walked - first, framesShown);
    for (int i = 0; i < walk.frameCount; ++i) {
        Frame& frame = walk.frames[i];
        frame.address = reinterpret_cast<std::uintptr_t>(addresses[first + i]);
        frame.module = -1;
        frame.placed = false;
        frame.named = false;
    }
}

std::uint64_t parseHex(const char*& text)
{
    std::uint64_t value = 0;
    for (;; ++text) {
        const char c = *text;
        if (c >= '0' && c <= '9')
            value = value * 16 + static_cast<std::uint64_t>(c - '0');
        else if (c >= 'a' && c <= 'f')
            value = value * 16 + static_cast<std::uint64_t>(c - 'a' + 10);
        else
            return value;
    }
}

void skipField(const char*& text)
{
    while (*text && *text != ' ') ++text;
    while (*text == ' ') ++text;
}

struct Mapping {
    std::uintptr_t start = 0;
    std::uintptr_t end = 0;
    std::uint64_t offset = 0;  // of its first byte in the file
    const char* path = "";
};

// "start-end perms offset device inode path", the path empty for anonymous memory.
bool parseMapping(const char* line, Mapping& mapping)
{
    mapping.start = parseHex(line);
    if (*line++ != '-') return false;
    mapping.end = parseHex(line);
    if (*line++ != ' ') return false;
    skipField(line);  // permissions
    mapping.offset = parseHex(line);
    if (*line++ != ' ') return false;
    skipField(line);  // device
    skipField(line);  // inode
    mapping.path = line;
    return true;
}

int moduleFor(const char* path, std::uintptr_t imageStart)
{
    for (int i = 0; i < walk.moduleCount; ++i) {
        const Module& module = walk.modules[i];
        if (module.imageStart == imageStart && std::strncmp(module.path, path, pathCapacity - 1) == 0) return i;
    }
    if (walk.moduleCount == framesShown) return -1;
    Module& module = walk.modules[walk.moduleCount];
    copyPath(module.path, path);
    module.imageStart = imageStart;
    return walk.moduleCount++;
}

// The module of each frame, from the process's mappings as they are now: modules loaded
// after launch count too.
void findModules()
{
    walk.moduleCount = 0;
    walk.imagePath[0] = '\0';
    walk.maps.fd = ::open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (walk.maps.fd < 0) return;
    walk.maps.begin = walk.maps.end = 0;
    std::uintptr_t imageStart = 0;
    while (const char* line = walk.maps.next()) {
        Mapping mapping;
        if (!parseMapping(line, mapping) || !*mapping.path) continue;
        if (mapping.offset == 0) {
            imageStart = mapping.start;
            copyPath(walk.imagePath, mapping.path);
        }
        const bool sameImage = std::strncmp(walk.imagePath, mapping.path, pathCapacity - 1) == 0;
        for (int i = 0; i < walk.frameCount; ++i) {
            Frame& frame = walk.frames[i];
            if (frame.address < mapping.start || frame.address >= mapping.end) continue;
            frame.module = moduleFor(mapping.path, sameImage ? imageStart : mapping.start - mapping.offset);
            frame.lookupOffset = frame.address - mapping.start + mapping.offset - (i > 0 ? 1 : 0);
        }
    }
    ::close(walk.maps.fd);
}

bool readAt(int fd, void* into, std::size_t size, std::uint64_t offset)
{
    auto* bytes = static_cast<char*>(into);
    while (size > 0) {
        const ssize_t got = ::pread(fd, bytes, size, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        bytes += got;
        size -= static_cast<std::size_t>(got);
        offset += static_cast<std::uint64_t>(got);
    }
    return true;
}

bool isOwnWordSizeElf(const ElfW(Ehdr) & header)
{
    constexpr unsigned char ownClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
    return std::memcmp(header.e_ident, ELFMAG, SELFMAG) == 0 && header.e_ident[EI_CLASS] == ownClass &&
           header.e_phentsize == sizeof(ElfW(Phdr)) && header.e_shentsize == sizeof(ElfW(Shdr));
}

// A file offset becomes an address of the image through the loaded segment that holds it.
void placeFrames(int fd, const ElfW(Ehdr) & header, int module)
{
    for (unsigned i = 0; i < header.e_phnum; ++i) {
        ElfW(Phdr) segment;
        if (!readAt(fd, &segment, sizeof segment, header.e_phoff + i * sizeof segment)) return;
        if (segment.p_type != PT_LOAD) continue;
        for (int k = 0; k < walk.frameCount; ++k) {
            Frame& frame = walk.frames[k];
            if (frame.module != module || frame.lookupOffset < segment.p_offset ||
                frame.lookupOffset >= segment.p_offset + segment.p_filesz)
                continue;
            frame.placed = true;
            frame.lookupAddress = frame.lookupOffset - segment.p_offset + segment.p_vaddr;
        }
    }
}

// The full symbol table where the file kept it, else the dynamic one; with its strings.
bool findSymbols(int fd, const ElfW(Ehdr) & header, ElfW(Shdr) & table, ElfW(Shdr) & strings)
{
    bool found = false;
    for (unsigned i = 0; i < header.e_shnum; ++i) {
        ElfW(Shdr) section;
        if (!readAt(fd, &section, sizeof section, header.e_shoff + i * sizeof section)) return false;
        if (section.sh_type == SHT_SYMTAB || (section.sh_type == SHT_DYNSYM && !found)) {
            table = section;
            found = true;
        }
    }
    return found && table.sh_link < header.e_shnum &&
           readAt(fd, &strings, sizeof strings, header.e_shoff + table.sh_link * sizeof strings) &&
           strings.sh_type == SHT_STRTAB;
}

void matchSymbol(const ElfW(Sym) & symbol, int module)
{
    if (ELF64_ST_TYPE(symbol.st_info) != STT_FUNC || symbol.st_shndx == SHN_UNDEF || symbol.st_value == 0) return;
    const std::uint64_t end = symbol.st_value + std::max<std::uint64_t>(symbol.st_size, 1);
    for (int k = 0; k < walk.frameCount; ++k) {
        Frame& frame = walk.frames[k];
        if (frame.module != module || !frame.placed) continue;
        if (frame.lookupAddress < symbol.st_value || frame.lookupAddress >= end) continue;
        if (frame.named && symbol.st_value <= frame.symbolStart) continue;
        frame.named = true;
        frame.symbolStart = symbol.st_value;
        frame.symbolName = symbol.st_name;
    }
}

void nameFrames(int fd, const ElfW(Shdr) & table, const ElfW(Shdr) & strings, int module)
{
    constexpr std::size_t chunk = std::size(walk.symbols);
    const std::uint64_t count = table.sh_size / sizeof(ElfW(Sym));
    for (std::uint64_t first = 0; first < count; first += chunk) {
        const std::size_t read = static_cast<std::size_t>(std::min<std::uint64_t>(chunk, count - first));
        if (!readAt(fd, walk.symbols, read * sizeof(ElfW(Sym)), table.sh_offset + first * sizeof(ElfW(Sym)))) return;
        for (std::size_t i = 0; i < read; ++i) matchSymbol(walk.symbols[i], module);
    }
    for (int k = 0; k < walk.frameCount; ++k) {
        Frame& frame = walk.frames[k];
        if (frame.module != module || !frame.named) continue;
        const ssize_t got =
            frame.symbolName < strings.sh_size
                ? ::pread(fd, frame.name, shownNameLength, static_cast<off_t>(strings.sh_offset + frame.symbolName))
                : 0;
        frame.name[got > 0 ? got : 0] = '\0';
    }
}

// The names of the functions the module's frames are in, from the module's file.
void nameFramesOf(int module)
{
    const char* path = walk.modules[module].path;
    if (path[0] != '/') return;
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    ElfW(Ehdr) header{};
    ElfW(Shdr) table{};
    ElfW(Shdr) strings{};
    if (readAt(fd, &header, sizeof header, 0) && isOwnWordSizeElf(header)) {
        placeFrames(fd, header, module);
        if (findSymbols(fd, header, table, strings)) nameFrames(fd, table, strings, module);
    }
    ::close(fd);
}

void writeThread(int fd)
{
    Text<96> text;
    text.append("Crashed thread: ");
    text.appendNumber(static_cast<std::uint64_t>(::syscall(SYS_gettid)));
    char name[17] = {};
    if (::prctl(PR_GET_NAME, name) == 0 && name[0]) {
        text.append(" (");
        text.appendPrintable(name, 16);
        text.append(")");
    }
    text.append("\nFrames:\n");
    SignalSafeText::write(fd, text);
}

void writeFrames(int fd)
{
    for (int k = 0; k < walk.frameCount; ++k) {
        const Frame& frame = walk.frames[k];
        Text<320> line;
        line.appendNumber(static_cast<std::uint64_t>(k));
        line.append("  ");
        if (frame.module >= 0) {
            const Module& module = walk.modules[frame.module];
            const char* slash = std::strrchr(module.path, '/');
            line.appendPrintable(slash ? slash + 1 : module.path, 80);
            line.append(" + ");
            line.appendHex(frame.address - module.imageStart);
        } else {
            line.appendHex(frame.address);
        }
        if (frame.named && frame.name[0]) {
            line.append("  ");
            line.appendPrintable(frame.name, shownNameLength);
            line.append(" + ");
            line.appendHex(frame.lookupAddress + (k > 0 ? 1 : 0) - frame.symbolStart);
        }
        line.append("\n");
        SignalSafeText::write(fd, line);
    }
}

}  // namespace

void prepare()
{
    void* frame = nullptr;
    ::backtrace(&frame, 1);
}

void write(int fd, const void* signalContext)
{
    // Two threads failing at once: the second report goes without frames.
    if (walking.test_and_set()) return;
    writeThread(fd);
    collectFrames(signalContext);
    findModules();
    for (int module = 0; module < walk.moduleCount; ++module) nameFramesOf(module);
    writeFrames(fd);
    walking.clear();
}

}  // namespace CrashStack
