#include "window_state.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace platform::ui {

namespace {

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    const auto cookie =
        xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t found = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return found;
}

bool isMapped(xcb_connection_t* connection, xcb_window_t window) {
    xcb_get_window_attributes_reply_t* reply = xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, window), nullptr);
    const bool mapped = reply != nullptr && reply->map_state != XCB_MAP_STATE_UNMAPPED;
    std::free(reply);
    return mapped;
}

void changeProperty(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property,
                    const std::vector<xcb_atom_t>& states, StateChange change) {
    std::vector<xcb_atom_t> value;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, property, XCB_ATOM_ATOM, 0, 1024),
        nullptr);
    if (reply != nullptr && reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
        const auto* data = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
        value.assign(data, data + xcb_get_property_value_length(reply) / sizeof(xcb_atom_t));
    }
    std::free(reply);
    for (const xcb_atom_t state : states) {
        std::erase(value, state);
        if (change == StateChange::Add) value.push_back(state);
    }
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, property, XCB_ATOM_ATOM, 32,
                        static_cast<uint32_t>(value.size()), value.data());
}

void sendMessage(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property,
                 const std::vector<xcb_atom_t>& states, StateChange change) {
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    constexpr uint32_t SourceApplication = 1;
    // One message carries two states.
    for (std::size_t i = 0; i < states.size(); i += 2) {
        xcb_client_message_event_t message = {};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = property;
        message.data.data32[0] = change == StateChange::Add ? 1 : 0;  // _NET_WM_STATE_ADD, _REMOVE
        message.data.data32[1] = states[i];
        message.data.data32[2] = i + 1 < states.size() ? states[i + 1] : 0;
        message.data.data32[3] = SourceApplication;
        xcb_send_event(connection, 0, root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
    }
}

}  // namespace

bool changeNetWmState(WId window, std::initializer_list<const char*> atoms, StateChange change) {
    // The offscreen platform answers the X11 interface too, without a connection.
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (QGuiApplication::platformName() != QLatin1String("xcb") || x11 == nullptr ||
        x11->connection() == nullptr) {
        return false;
    }
    xcb_connection_t* connection = x11->connection();
    const auto native = static_cast<xcb_window_t>(window);
    const xcb_atom_t property = atom(connection, "_NET_WM_STATE");
    std::vector<xcb_atom_t> states;
    for (const char* name : atoms) states.push_back(atom(connection, name));
    if (isMapped(connection, native)) {
        sendMessage(connection, native, property, states, change);
    } else {
        changeProperty(connection, native, property, states, change);
    }
    xcb_flush(connection);
    return true;
}

void keepOffTaskBar(WId window) {
    changeNetWmState(window, {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"},
                     StateChange::Add);
}

}  // namespace platform::ui
