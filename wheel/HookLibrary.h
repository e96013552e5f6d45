#pragma once
// The hook library as the controller drives it. Each export is looked up by
// name at the moment of its call; a missing library or export does nothing.
#include "framework/Types.h"

class IHookLibrary {
public:
    virtual ~IHookLibrary() = default;
    // Loads the library; 0 when it cannot be loaded.
    virtual THandle Load() = 0;
    virtual void SetHWND(THandle library, THandle wnd, THandle libraryInstance) = 0;
    virtual void HookStart(THandle library) = 0;
    virtual void HookEnd(THandle library) = 0;
    virtual void Free(THandle library) = 0;
};

extern THandle g_hHookDll;
