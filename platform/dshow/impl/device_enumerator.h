// The system device enumerator and what it hands out: an enumerator of the video input
// devices, one moniker per device, and the device's property bag.
#pragma once

#include <dshow.h>

#include "com_server.h"

namespace dshow {

class SystemDeviceEnum : public com::Object<ICreateDevEnum> {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    // Only the video input category has devices.
    HRESULT STDMETHODCALLTYPE CreateClassEnumerator(REFCLSID clsidDeviceClass, IEnumMoniker** ppEnumMoniker,
                                                    DWORD dwFlags) override;
};

}  // namespace dshow
