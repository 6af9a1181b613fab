// Command and message tables: each class lists the command ids and window
// messages it handles as a static constexpr table of member functions, read
// top to bottom like its menu. Lookup walks one class's table; the class
// then asks its base, so tables chain along the class tree.
#pragma once

#include "win/framework/win32.h"

#include <cstddef>

template <class T>
struct CommandEntry {
    UINT id;
    void (T::*handler)();
};

template <class T>
struct MessageEntry {
    UINT message;
    LRESULT (T::*handler)(WPARAM, LPARAM);
};

// Runs (execute TRUE) or only looks for (execute FALSE) the handler of id.
template <class T, std::size_t N>
BOOL DispatchCommand(T* self, const CommandEntry<T> (&table)[N], UINT id, BOOL execute) {
    for (const CommandEntry<T>& entry : table) {
        if (entry.id != id) continue;
        if (execute) (self->*entry.handler)();
        return TRUE;
    }
    return FALSE;
}

template <class T, std::size_t N>
bool DispatchMessageEntry(T* self, const MessageEntry<T> (&table)[N], UINT message, WPARAM wParam, LPARAM lParam,
                          LRESULT* result) {
    for (const MessageEntry<T>& entry : table) {
        if (entry.message != message) continue;
        *result = (self->*entry.handler)(wParam, lParam);
        return true;
    }
    return false;
}

// Anything that can handle commands: windows, documents, the application.
class CCmdTarget {
public:
    CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;
    virtual ~CCmdTarget() = default;

    // This object's own handlers (its class's table, then its bases').
    virtual BOOL OnCommand(UINT /*id*/, BOOL /*execute*/) { return FALSE; }
    // This object and whatever it passes commands on to, in routing order.
    virtual BOOL RouteCommand(UINT id, BOOL execute) { return OnCommand(id, execute); }
};
