#pragma once
// Which program a point on the screen belongs to: the file name of the
// process that owns the top-level window there, as the per-program settings
// store it (lower-cased, no folder).
#include <cstdint>
#include <string>

#include "framework/Types.h" // TPoint

typedef uintptr_t TWnd; // window handle as an integer (0 = none)

class IWindowSystem { // the platform side, faked by host tests
public:
    virtual ~IWindowSystem() = default;
    virtual TWnd WindowFromPoint(TPoint pt) = 0;
    virtual TWnd GetParent(TWnd w) = 0;
    // Image path of the process owning the window; false on any failure.
    virtual bool GetProcessImageName(TWnd w, std::string& path) = 0;
    // The window's class name; empty when it cannot be read.
    virtual std::string WindowClassName(TWnd) { return std::string(); }
};

// The file name after the last backslash of an ANSI path (the whole path when
// there is none, empty when it ends with one), lower-cased by the locale's
// rules. A double-byte character whose trail byte is 0x5C is not a backslash.
std::string ExtractProgramName(const std::string& path);

// The top-level ancestor of the window at the point (parents and owners
// followed to the end); 0 when there is no window there.
TWnd TopLevelWindowAt(IWindowSystem& ws, TPoint pt);

// The program name of a window's process; false, with name untouched, when
// there is no window or its process cannot be told.
bool GetProgramNameOfWindow(IWindowSystem& ws, TWnd w, std::string& name);

// The program name of the window at the point: of its top-level ancestor.
bool GetProgramNameAtPoint(IWindowSystem& ws, TPoint pt, std::string& name);
