// Command tables: each class lists the command ids it handles as a static
// constexpr table of member functions, read top to bottom like its menu.
// Lookup walks one class's table; the class then asks its base, so tables
// chain along the class tree.
#pragma once

#include "win/framework/win32.h"

#include "win/framework/ids.h"

#include <cstddef>

template <class T>
struct CommandEntry {
    UINT id;
    void (T::*handler)();
};

template <class T, std::size_t N>
BOOL DispatchCommand(T* self, const CommandEntry<T> (&table)[N], UINT id, BOOL execute) {
    for (const CommandEntry<T>& entry : table) {
        if (entry.id != id) continue;
        if (execute) (self->*entry.handler)();
        return TRUE;
    }
    return FALSE;
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
