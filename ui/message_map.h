// Message maps: each window class lists, in one table, which messages, commands and notifications it
// handles and which member handles them. A handler takes the message's wParam and lParam and returns the
// message result. An entry marked "then default" runs its handler and lets the message go on to the
// default processing as well (whose result then counts).
#pragma once

#include <windows.h>

#include <cstddef>

namespace radu::ui {

template <typename T>
struct MessageEntry {
    enum class Kind { kMessage, kCommand, kNotify };
    using Handler = LRESULT (T::*)(WPARAM, LPARAM);

    Kind kind;
    UINT message;  // kMessage, kNotify: the message number (WM_NOTIFY or a reflected WM_NOTIFY)
    int id;        // kCommand, kNotify: the control ID, or -1 for any
    int code;      // kNotify: the notification code
    Handler handler;
    bool thenDefault;
};

template <typename T>
constexpr MessageEntry<T> OnMessage(UINT message, typename MessageEntry<T>::Handler h) {
    return {MessageEntry<T>::Kind::kMessage, message, -1, 0, h, false};
}
template <typename T>
constexpr MessageEntry<T> OnMessageThenDefault(UINT message, typename MessageEntry<T>::Handler h) {
    return {MessageEntry<T>::Kind::kMessage, message, -1, 0, h, true};
}
// WM_COMMAND from control `id`, any notification code.
template <typename T>
constexpr MessageEntry<T> OnCommand(int id, typename MessageEntry<T>::Handler h) {
    return {MessageEntry<T>::Kind::kCommand, WM_COMMAND, id, 0, h, false};
}
// A WM_NOTIFY-shaped message (`message` is WM_NOTIFY or its reflection) from `id` (-1: any) with `code`.
template <typename T>
constexpr MessageEntry<T> OnNotify(UINT message, int id, int code, typename MessageEntry<T>::Handler h) {
    return {MessageEntry<T>::Kind::kNotify, message, id, code, h, false};
}

// A class's map: its entries, in the order they are tried.
template <typename T>
struct MessageMap {
    const MessageEntry<T>* entries;
    std::size_t count;
};

template <typename T, std::size_t N>
constexpr MessageMap<T> MakeMessageMap(const MessageEntry<T> (&entries)[N]) {
    return {entries, N};
}

enum class MapResult { kNotFound, kHandled, kHandledThenDefault };

// Looks the message up in `map` (first match wins) and runs the handler into `result`.
template <typename T>
MapResult DispatchMessageMap(T* self, const MessageMap<T>& map, UINT message, WPARAM wParam, LPARAM lParam,
                             LRESULT& result) {
    using Kind = typename MessageEntry<T>::Kind;
    for (std::size_t i = 0; i < map.count; ++i) {
        const MessageEntry<T>& e = map.entries[i];
        bool match = false;
        switch (e.kind) {
            case Kind::kMessage:
                match = e.message == message;
                break;
            case Kind::kCommand:
                match = message == WM_COMMAND && (e.id == -1 || e.id == static_cast<int>(LOWORD(wParam)));
                break;
            case Kind::kNotify:
                if (message == e.message && lParam != 0) {
                    const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lParam);
                    match = (e.id == -1 || static_cast<UINT_PTR>(e.id) == hdr->idFrom) &&
                            static_cast<int>(hdr->code) == e.code;
                }
                break;
        }
        if (!match)
            continue;
        result = (self->*e.handler)(wParam, lParam);
        return e.thenDefault ? MapResult::kHandledThenDefault : MapResult::kHandled;
    }
    return MapResult::kNotFound;
}

}  // namespace radu::ui
