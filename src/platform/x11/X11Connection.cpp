#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Reply.h"

#include <xcb/composite.h>
#include <xcb/damage.h>
#include <xcb/randr.h>
#include <xcb/render.h>
#include <xcb/res.h>
#include <xcb/shm.h>
#include <xcb/xfixes.h>
#include <xcb/xinput.h>
#include <xcb/xtest.h>

#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace x11 {
namespace {

bool atLeast(std::uint32_t major, std::uint32_t minor, std::uint32_t wantMajor, std::uint32_t wantMinor)
{
    return major > wantMajor || (major == wantMajor && minor >= wantMinor);
}

const xcb_query_extension_reply_t* present(xcb_connection_t* c, xcb_extension_t* extension)
{
    const auto* data = xcb_get_extension_data(c, extension);
    return data && data->present ? data : nullptr;
}

// Short enough that the window manager's changes of the root are not late, long enough
// that a client rewriting a root property as fast as it can costs few wakes.
constexpr std::chrono::milliseconds rootPropertyPause{5};

// A handler may remove itself (or another) while it runs.
template <class Handlers, class... Event>
void runEach(const Handlers& handlers, const Event&... event)
{
    for (auto it = handlers.begin(); it != handlers.end();) {
        const auto token = it->first;
        const auto handler = it->second;
        (*handler)(event...);
        it = handlers.upper_bound(token);
    }
}

std::string displayLabel(const char* displayName)
{
    const char* name = displayName ? displayName : std::getenv("DISPLAY");
    return name ? name : "";
}

}  // namespace

std::variant<std::shared_ptr<Connection>, std::string> Connection::open(const char* displayName)
{
    int screenNumber = 0;
    auto* c = xcb_connect(displayName, &screenNumber);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return "glimra: cannot open the X11 display '" + displayLabel(displayName) + "'";
    }
    std::shared_ptr<Connection> connection(new Connection(c, screenNumber, displayLabel(displayName)));
    if (!connection->screen_) return "glimra: the X11 display '" + connection->displayName_ + "' has no screen";
    if (auto missing = connection->checkExtensions()) return *missing;
    connection->startEventThread();
    return connection;
}

Connection::Connection(xcb_connection_t* connection, int screenNumber, std::string displayName)
    : connection_(connection), displayName_(std::move(displayName)), errors_(*xcb_get_setup(connection))
{
    auto it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; it.rem && i < screenNumber; ++i) xcb_screen_next(&it);
    screen_ = it.rem ? it.data : nullptr;
}

Connection::~Connection()
{
    if (eventThread_.joinable()) {
        stopping_ = true;
        // Any event wakes the thread; a client message to our own window is the one
        // nobody else sends.
        xcb_client_message_event_t wake{};
        wake.response_type = XCB_CLIENT_MESSAGE;
        wake.format = 32;
        wake.window = wakeWindow_;
        wake.type = XCB_ATOM_NOTICE;
        xcb_send_event(connection_, 0, wakeWindow_, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&wake));
        xcb_flush(connection_);
        eventThread_.join();
    }
    xcb_disconnect(connection_);
}

void Connection::nameExtensions()
{
    const std::pair<xcb_extension_t*, const char*> used[]{
        {&xcb_composite_id, "Composite"}, {&xcb_xfixes_id, "XFixes"},         {&xcb_damage_id, "Damage"},
        {&xcb_randr_id, "RandR"},         {&xcb_render_id, "Render"},         {&xcb_shm_id, "MIT-SHM"},
        {&xcb_test_id, "XTEST"},          {&xcb_input_id, "XInputExtension"}, {&xcb_res_id, "X-Resource"}};
    for (const auto& [extension, name] : used)
        if (const auto* data = present(connection_, extension)) errors_.nameExtension(data->major_opcode, name);
}

std::optional<std::string> Connection::checkExtensions()
{
    auto* c = connection_;
    std::vector<std::string> missing;
    nameExtensions();

    if (present(c, &xcb_composite_id)) {
        auto v = answer(xcb_composite_query_version_reply, xcb_composite_query_version(c, 0, 4));
        if (!v || !atLeast(v->major_version, v->minor_version, 0, 2)) missing.push_back("Composite 0.2");
    } else {
        missing.push_back("Composite 0.2");
    }
    // Damage needs XFixes asked for its version first.
    if (const auto* data = present(c, &xcb_xfixes_id)) {
        auto v = answer(xcb_xfixes_query_version_reply, xcb_xfixes_query_version(c, 5, 0));
        if (v)
            events_.xfixes = data->first_event;
        else
            missing.push_back("XFixes");
    } else {
        missing.push_back("XFixes");
    }
    if (const auto* data = present(c, &xcb_damage_id)) {
        auto v = answer(xcb_damage_query_version_reply, xcb_damage_query_version(c, 1, 1));
        if (v)
            events_.damage = data->first_event;
        else
            missing.push_back("Damage");
    } else {
        missing.push_back("Damage");
    }
    if (const auto* data = present(c, &xcb_randr_id)) {
        auto v = answer(xcb_randr_query_version_reply, xcb_randr_query_version(c, 1, 6));
        if (v && atLeast(v->major_version, v->minor_version, 1, 5))
            events_.randr = data->first_event;
        else
            missing.push_back("RandR 1.5");
    } else {
        missing.push_back("RandR 1.5");
    }
    if (!missing.empty()) {
        std::string line = "glimra: the X11 display lacks ";
        for (std::size_t i = 0; i < missing.size(); ++i) line += (i ? ", " : "") + missing[i];
        return line;
    }

    if (const auto* data = present(c, &xcb_shm_id)) {
        auto v = answer(xcb_shm_query_version_reply, xcb_shm_query_version(c));
        hasShm_ = v != nullptr;
        events_.shm = data->first_event;
    }
    if (present(c, &xcb_test_id)) {
        auto v = answer(xcb_test_get_version_reply, xcb_test_get_version(c, 2, 2));
        hasXTest_ = v != nullptr;
    }
    if (present(c, &xcb_input_id)) {
        auto v = answer(xcb_input_xi_query_version_reply, xcb_input_xi_query_version(c, 2, 2));
        hasXInput_ = v && atLeast(v->major_version, v->minor_version, 2, 2);
    }
    if (present(c, &xcb_res_id)) {
        auto v = answer(xcb_res_query_version_reply, xcb_res_query_version(c, 1, 2));
        hasRes_ = v && atLeast(v->server_major, v->server_minor, 1, 2);
    }
    return std::nullopt;
}

xcb_atom_t Connection::atom(std::string_view name)
{
    {
        std::lock_guard lock(atomsMutex_);
        if (auto it = atoms_.find(name); it != atoms_.end()) return it->second;
    }
    const auto interned = answer(xcb_intern_atom_reply,
                                 xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(name.size()), name.data()));
    const xcb_atom_t value = interned ? interned->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::lock_guard lock(atomsMutex_);
    atoms_.emplace(std::string(name), value);
    return value;
}

std::optional<Connection::Property> Connection::property(xcb_window_t window, xcb_atom_t name, xcb_atom_t type,
                                                         std::uint32_t maxLength)
{
    const auto value = answer(xcb_get_property_reply, xcb_get_property(connection_, 0, window, name, type, 0, maxLength));
    if (!value || value->type == XCB_ATOM_NONE) return std::nullopt;
    if (type != XCB_ATOM_ANY && value->type != type) return std::nullopt;
    Property result;
    result.type = value->type;
    result.format = value->format;
    const auto* data = static_cast<const std::uint8_t*>(xcb_get_property_value(value.get()));
    result.bytes.assign(data, data + xcb_get_property_value_length(value.get()));
    return result;
}

std::vector<std::uint32_t> Connection::cardinals(xcb_window_t window, xcb_atom_t name, xcb_atom_t type)
{
    const auto value = property(window, name, type);
    if (!value || value->format != 32) return {};
    std::vector<std::uint32_t> result(value->bytes.size() / 4);
    if (!result.empty()) std::memcpy(result.data(), value->bytes.data(), result.size() * 4);
    return result;
}

void Connection::noteRefusal(const xcb_generic_error_t& error)
{
    if (error.error_code == XCB_WINDOW || error.error_code == XCB_DRAWABLE) return;
    errors_.note(error);
}

void Connection::flush() { xcb_flush(connection_); }

Connection::HandlerToken Connection::addEventHandler(EventHandler handler)
{
    std::lock_guard lock(handlersMutex_);
    const auto token = nextToken_++;
    handlers_.emplace(token, std::make_shared<const EventHandler>(std::move(handler)));
    return token;
}

Connection::HandlerToken Connection::addBatchEndHandler(std::function<void()> handler)
{
    std::lock_guard lock(handlersMutex_);
    const auto token = nextToken_++;
    batchEndHandlers_.emplace(token, std::make_shared<const std::function<void()>>(std::move(handler)));
    return token;
}

void Connection::removeEventHandler(HandlerToken token)
{
    std::lock_guard lock(handlersMutex_);
    handlers_.erase(token);
    batchEndHandlers_.erase(token);
}

void Connection::watchRootProperty(xcb_atom_t property)
{
    std::lock_guard lock(handlersMutex_);
    if (std::find(watchedRootProperties_.begin(), watchedRootProperties_.end(), property) ==
        watchedRootProperties_.end())
        watchedRootProperties_.push_back(property);
}

void Connection::setLostHandler(std::function<void()> lost)
{
    std::lock_guard lock(handlersMutex_);
    lost_ = std::move(lost);
}

void Connection::startEventThread()
{
    wakeWindow_ = xcb_generate_id(connection_);
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, wakeWindow_, root(), -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_flush(connection_);
    eventThread_ = std::thread([this] { eventLoop(); });
    // Named, so that tools (and tests) can tell its wakes from the others.
    pthread_setname_np(eventThread_.native_handle(), "x11 events");
}

void Connection::eventLoop()
{
    while (auto* first = xcb_wait_for_event(connection_)) {
        bool onlyRootProperties = true;
        std::size_t handed = 0;
        // On while the socket holds more: a wake takes all that has gathered.
        for (auto* raw = first; raw; raw = ++handed < maxBatch ? xcb_poll_for_event(connection_) : nullptr) {
            auto event = reply(raw);  // events are freed like replies
            const auto type = event->response_type & 0x7f;
            const bool rootProperty = type == XCB_PROPERTY_NOTIFY &&
                                      reinterpret_cast<const xcb_property_notify_event_t*>(event.get())->window == root();
            onlyRootProperties = onlyRootProperties && rootProperty;
            if (type == 0) {
                errors_.note(*reinterpret_cast<const xcb_generic_error_t*>(event.get()));
                continue;
            }
            if (stopping_ && type == XCB_CLIENT_MESSAGE &&
                reinterpret_cast<const xcb_client_message_event_t*>(event.get())->window == wakeWindow_)
                return;
            std::lock_guard lock(handlersMutex_);
            if (rootProperty && std::find(watchedRootProperties_.begin(), watchedRootProperties_.end(),
                                          reinterpret_cast<const xcb_property_notify_event_t*>(event.get())->atom) ==
                                    watchedRootProperties_.end())
                continue;
            runEach(handlers_, *event);
        }
        endBatch();
        // Each of a flood's notices would wake this thread on its own: a pause lets them
        // gather, to be read at one wake. A batch cut short has more waiting already.
        if (onlyRootProperties && handed < maxBatch) std::this_thread::sleep_for(rootPropertyPause);
    }
    // The connection broke (the X server went away): nothing more will come.
    std::function<void()> lost;
    {
        std::lock_guard lock(handlersMutex_);
        if (!stopping_) lost = std::move(lost_);
    }
    if (lost) lost();
}

void Connection::endBatch()
{
    std::lock_guard lock(handlersMutex_);
    runEach(batchEndHandlers_);
}

}  // namespace x11
