#include "Widget/DesktopWindowHints.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <QtGui/qguiapplication_platform.h>
#include <QGuiApplication>
#include <QWidget>

namespace DesktopWindowHints {
namespace {

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The atoms already in _NET_WM_STATE, so none is lost.
std::vector<xcb_atom_t> currentStates(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property) {
    const xcb_get_property_cookie_t cookie = xcb_get_property(connection, 0, window, property, XCB_ATOM_ATOM, 0, 1024);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(connection, cookie, nullptr), &std::free);
    if (!reply || reply->format != 32 || reply->type != XCB_ATOM_ATOM) return {};
    const auto* values = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    return std::vector<xcb_atom_t>(values, values + xcb_get_property_value_length(reply.get()) / sizeof(xcb_atom_t));
}

}  // namespace

void apply(QWidget& window) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return;
    xcb_connection_t* connection = x11->connection();
    const auto id = static_cast<xcb_window_t>(window.winId());

    const xcb_atom_t stateProperty = atom(connection, "_NET_WM_STATE");
    std::vector<xcb_atom_t> states = currentStates(connection, id, stateProperty);
    for (const char* name :
         {"_NET_WM_STATE_BELOW", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER", "_NET_WM_STATE_STICKY"}) {
        const xcb_atom_t state = atom(connection, name);
        if (state != XCB_ATOM_NONE && std::find(states.begin(), states.end(), state) == states.end())
            states.push_back(state);
    }
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, stateProperty, XCB_ATOM_ATOM, 32,
                        uint32_t(states.size()), states.data());

    const uint32_t everyDesktop = 0xFFFFFFFF;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, atom(connection, "_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL,
                        32, 1, &everyDesktop);
    xcb_flush(connection);
}

}  // namespace DesktopWindowHints
