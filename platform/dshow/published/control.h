// Running and stopping a filter graph.
#pragma once

#include <objbase.h>

typedef LONG OAFilterState;
enum FILTER_STATE {
    State_Stopped = 0,
    State_Paused = 1,
    State_Running = 2,
};

struct IMediaControl : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Run() = 0;
    virtual HRESULT STDMETHODCALLTYPE Stop() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetState(LONG msTimeout, OAFilterState* pfs) = 0;
};

extern const IID IID_IMediaControl;
