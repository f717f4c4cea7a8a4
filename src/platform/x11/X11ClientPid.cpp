#include "platform/x11/X11ClientPid.h"
#include "platform/x11/X11Reply.h"

#include <xcb/res.h>

#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace x11 {

std::optional<desktop::Pid> clientPid(Connection& connection, xcb_window_t window)
{
    if (connection.hasRes()) return serverPid(connection, askServerPid(connection, window));
    return declaredPid(connection.cardinals(window, connection.atom("_NET_WM_PID"), XCB_ATOM_CARDINAL));
}

std::optional<desktop::Pid> declaredPid(const std::vector<std::uint32_t>& units)
{
    static const auto ownPid = static_cast<std::uint32_t>(::getpid());
    if (units.empty() || units.front() == 0 || units.front() > 0x7FFFFFFF || units.front() == ownPid)
        return std::nullopt;
    return static_cast<desktop::Pid>(units.front());
}

xcb_res_query_client_ids_cookie_t askServerPid(Connection& connection, xcb_window_t window)
{
    const xcb_res_client_id_spec_t spec{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
    return xcb_res_query_client_ids(connection.xcb(), 1, &spec);
}

std::optional<desktop::Pid> serverPid(Connection& connection, xcb_res_query_client_ids_cookie_t cookie)
{
    const auto answer = connection.answer(xcb_res_query_client_ids_reply, cookie);
    if (!answer) return std::nullopt;
    for (auto it = xcb_res_query_client_ids_ids_iterator(answer.get()); it.rem; xcb_res_client_id_value_next(&it)) {
        if (!(it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID)) continue;
        if (xcb_res_client_id_value_value_length(it.data) < 1) continue;
        const auto pid = *xcb_res_client_id_value_value(it.data);
        if (pid > 0) return static_cast<desktop::Pid>(pid);
    }
    return std::nullopt;
}

}  // namespace x11
