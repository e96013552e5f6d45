#pragma once
#include "wheel/HookLibrary.h"

class TWinHookLibrary : public IHookLibrary {
public:
    THandle Load() override;
    void SetHWND(THandle library, THandle wnd, THandle libraryInstance) override;
    void HookStart(THandle library) override;
    void HookEnd(THandle library) override;
    void Free(THandle library) override;
};
