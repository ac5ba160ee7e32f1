#include "Widget/OtherWidgetWindows.h"

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include <QtGui/qguiapplication_platform.h>
#include <QGuiApplication>
#include <QWidget>

namespace OtherWidgetWindows {
namespace {

template <class Reply>
using Owned = std::unique_ptr<Reply, decltype(&std::free)>;

template <class Reply>
Owned<Reply> owned(Reply* reply) {
    return Owned<Reply>(reply, &std::free);
}

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    const auto reply = owned(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, uint16_t(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// WM_CLASS as stored: the instance and the class name, each ended by a NUL.
std::optional<std::string> windowClass(xcb_connection_t* connection, xcb_window_t window) {
    const auto reply = owned(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256), nullptr));
    if (!reply || reply->format != 8 || xcb_get_property_value_length(reply.get()) == 0) return std::nullopt;
    return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                       std::size_t(xcb_get_property_value_length(reply.get())));
}

std::vector<xcb_window_t> topLevelWindows(xcb_connection_t* connection, xcb_window_t root) {
    if (const xcb_atom_t clientList = atom(connection, "_NET_CLIENT_LIST"); clientList != XCB_ATOM_NONE) {
        const auto reply = owned(xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, root, clientList, XCB_ATOM_WINDOW, 0, 4096), nullptr));
        if (reply && reply->format == 32 && reply->type == XCB_ATOM_WINDOW) {
            const auto* windows = static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
            return {windows, windows + xcb_get_property_value_length(reply.get()) / sizeof(xcb_window_t)};
        }
    }
    const auto tree = owned(xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr));
    if (!tree) return {};
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    return {children, children + xcb_query_tree_children_length(tree.get())};
}

// The window's place on the root window, when it is on show and not an override-redirect one (a
// menu or a tool tip).
std::optional<QRect> placeOnShow(xcb_connection_t* connection, xcb_window_t root, xcb_window_t window) {
    const auto attributes =
        owned(xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window), nullptr));
    if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE || attributes->override_redirect)
        return std::nullopt;
    const auto geometry = owned(xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr));
    const auto origin = owned(xcb_translate_coordinates_reply(
        connection, xcb_translate_coordinates(connection, window, root, 0, 0), nullptr));
    if (!geometry || !origin) return std::nullopt;
    return QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
}

}  // namespace

std::vector<QRect> places(QWidget& window) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return {};
    xcb_connection_t* connection = x11->connection();
    const auto own = static_cast<xcb_window_t>(window.winId());
    const std::optional<std::string> ownClass = windowClass(connection, own);
    const auto tree = owned(xcb_query_tree_reply(connection, xcb_query_tree(connection, own), nullptr));
    if (!ownClass || !tree) return {};

    std::vector<QRect> found;
    for (const xcb_window_t other : topLevelWindows(connection, tree->root)) {
        if (other == own || windowClass(connection, other) != ownClass) continue;
        if (const std::optional<QRect> place = placeOnShow(connection, tree->root, other)) found.push_back(*place);
    }
    return found;
}

}  // namespace OtherWidgetWindows
