// Capture devices and graphs: choosing the devices, building, running and releasing the
// graph.
#include "capture/capture_system.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>

#include <windows.h>

namespace {

constexpr DWORD kInProcess = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;

// A name too long for the record: as many whole characters as fit before the terminator.
void CutName(const WCHAR* wide, char* name)
{
    int used = 0;
    for (const WCHAR* character = wide; *character != L'\0'; ++character) {
        char bytes[8];
        const int count = WideCharToMultiByte(CP_ACP, 0, character, 1, bytes, sizeof bytes, nullptr, nullptr);
        if (count <= 0 || used + count > kDeviceNameBytes - 1) {
            break;
        }
        std::memcpy(name + used, bytes, static_cast<size_t>(count));
        used += count;
    }
    name[used] = '\0';
}

// Pins beyond the record's ten places are not asked about; the count keeps what the
// crossbar reported.
void ReadPinTypes(IAMCrossbar* crossbar, BOOL inputs, LONG count, int32_t* types)
{
    const LONG recorded = std::min<LONG>(count, kCrossbarPinSlots);
    for (LONG pin = 0; pin < recorded; ++pin) {
        LONG related = -1;
        crossbar->get_CrossbarPinInfo(inputs, pin, &related, &types[pin]);
    }
}

}  // namespace

void OpenVideoInputs(ICreateDevEnum** deviceEnum, IEnumMoniker** classEnum)
{
    *deviceEnum = nullptr;
    *classEnum = nullptr;
    CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                     reinterpret_cast<void**>(deviceEnum));
    if (*deviceEnum != nullptr) {
        // What decides is whether an enumerator came back, not the result code.
        (*deviceEnum)->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, classEnum, 0);
    }
}

CaptureSystem::CaptureSystem()
{
    CoInitialize(nullptr);
    graph = nullptr;
    mediaControl = nullptr;
    deviceCount = 0;
    std::memset(devices, 0, sizeof devices);
}

CaptureSystem::~CaptureSystem()
{
    if (mediaControl != nullptr) {
        mediaControl->Stop();
    }
    for (int i = 0; i < deviceCount; ++i) {
        ReleaseDevice(devices[i]);
    }
    if (mediaControl != nullptr) {
        mediaControl->Release();
    }
    if (graph != nullptr) {
        graph->Release();
    }
    CoUninitialize();
}

int CaptureSystem::Open(int maxDevices, int withRenderer)
{
    const int count = EnumerateDevices(devices, maxDevices);
    if (count < 0) {
        return count;
    }
    CoCreateInstance(CLSID_FilterGraph, nullptr, kInProcess, IID_IGraphBuilder, reinterpret_cast<void**>(&graph));
    for (int i = 0; i < count; ++i) {
        BuildDeviceGraph(devices[i], withRenderer);
    }
    if (graph != nullptr) {
        graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&mediaControl));
    }
    if (mediaControl != nullptr) {
        mediaControl->Run();
    }
    deviceCount = count;
    return count;
}

int CaptureSystem::EnumerateDevices(CaptureDevice* first, int maxDevices)
{
    // However many the caller asks for, only the records from `first` to the end exist.
    maxDevices = std::min<int>(maxDevices, static_cast<int>(std::end(devices) - first));

    ICreateDevEnum* deviceEnum = nullptr;
    IEnumMoniker* classEnum = nullptr;
    OpenVideoInputs(&deviceEnum, &classEnum);
    if (classEnum == nullptr) {
        MessageBoxA(nullptr, "ビデオキャプチャデバイスが存在しません", "ERROR", MB_OK);
        if (deviceEnum != nullptr) {
            deviceEnum->Release();
        }
        return -1;
    }

    int count = 0;
    IMoniker* moniker = nullptr;
    while (classEnum->Next(1, &moniker, nullptr) == S_OK && moniker != nullptr) {
        // Tested before the device is offered: nobody is asked about a device that
        // could not be used.
        if (count >= maxDevices) {
            break;
        }
        char name[kDeviceNameBytes];
        ReadFriendlyName(moniker, name);
        if (MessageBoxA(nullptr, name, "このデバイスを使用しますか？", MB_YESNO) == IDYES) {
            CaptureDevice& record = first[count];
            if (FAILED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                             reinterpret_cast<void**>(&record.deviceFilter)))) {
                record.deviceFilter = nullptr;  // the record stays free for the next device
                MessageBoxA(nullptr, "バインド失敗", "ERROR", MB_OK);
            } else {
                std::memcpy(record.name, name, sizeof name);
                ++count;
            }
        }
        moniker->Release();
        moniker = nullptr;
    }
    if (moniker != nullptr) {
        moniker->Release();
    }
    classEnum->Release();
    deviceEnum->Release();
    return count;
}

void CaptureSystem::ReadFriendlyName(IMoniker* moniker, char* name)
{
    // A name that cannot be read stays empty.
    name[0] = '\0';
    IPropertyBag* bag = nullptr;
    moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&bag));
    if (bag == nullptr) {
        return;
    }
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    bag->Read(L"FriendlyName", &value, nullptr);
    if (value.vt == VT_BSTR && value.bstrVal != nullptr) {
        if (WideCharToMultiByte(CP_ACP, 0, value.bstrVal, -1, name, kDeviceNameBytes, nullptr, nullptr) == 0) {
            CutName(value.bstrVal, name);
        }
        SysFreeString(value.bstrVal);
    }
    bag->Release();
}

void CaptureSystem::BuildDeviceGraph(CaptureDevice& device, int withRenderer)
{
    // A step whose interface is missing (a class not registered, a bind that gave
    // nothing) is left out; the device then keeps a zero header.
    CoCreateInstance(CLSID_SampleGrabber, nullptr, kInProcess, IID_IBaseFilter,
                     reinterpret_cast<void**>(&device.grabberFilter));
    if (device.grabberFilter != nullptr) {
        device.grabberFilter->QueryInterface(IID_ISampleGrabber, reinterpret_cast<void**>(&device.grabber));
    }
    SetGrabberFormat(device);
    if (graph != nullptr && device.grabberFilter != nullptr) {
        graph->AddFilter(device.grabberFilter, L"Sample Grabber");
    }
    CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, kInProcess, IID_ICaptureGraphBuilder2,
                     reinterpret_cast<void**>(&device.builder));
    if (device.builder != nullptr && graph != nullptr) {
        device.builder->SetFiltergraph(graph);
    }
    if (graph != nullptr && device.deviceFilter != nullptr) {
        graph->AddFilter(device.deviceFilter, L"Device Filter");
    }
    if (withRenderer == 1) {
        AddPreviewRenderer(device);
    }
    if (device.builder != nullptr) {
        device.builder->RenderStream(&PIN_CATEGORY_PREVIEW, nullptr, device.deviceFilter, nullptr,
                                     device.grabberFilter);
    }
    if (device.grabber != nullptr) {
        device.grabber->SetBufferSamples(TRUE);
    }
    ReadCrossbar(device);
    ReadConnectedHeader(device);
}

HRESULT CaptureSystem::SetGrabberFormat(CaptureDevice& device)
{
    if (device.grabber == nullptr) {
        return E_POINTER;
    }
    AM_MEDIA_TYPE type;
    std::memset(&type, 0, sizeof type);
    type.majortype = MEDIATYPE_Video;
    type.subtype = MEDIASUBTYPE_RGB24;
    type.formattype = FORMAT_VideoInfo;
    return device.grabber->SetMediaType(&type);
}

HRESULT CaptureSystem::AddPreviewRenderer(CaptureDevice& device)
{
    CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                     reinterpret_cast<void**>(&device.rendererFilter));
    if (graph != nullptr && device.rendererFilter != nullptr) {
        graph->AddFilter(device.rendererFilter, L"Video Renderer");
    }
    if (device.builder == nullptr) {
        return E_POINTER;
    }
    return device.builder->RenderStream(&PIN_CATEGORY_PREVIEW, nullptr, device.deviceFilter, device.grabberFilter,
                                        device.rendererFilter);
}

int CaptureSystem::ReadCrossbar(CaptureDevice& device)
{
    if (device.builder == nullptr ||
        FAILED(device.builder->FindInterface(&LOOK_UPSTREAM_ONLY, nullptr, device.deviceFilter, IID_IAMCrossbar,
                                             reinterpret_cast<void**>(&device.crossbar))) ||
        device.crossbar == nullptr) {
        device.crossbar = nullptr;
        return -1;
    }
    LONG outputs = -1;
    LONG inputs = -1;
    device.crossbar->get_PinCounts(&outputs, &inputs);
    device.crossbarOutputCount = outputs;
    device.crossbarInputCount = inputs;
    ReadPinTypes(device.crossbar, FALSE, outputs, device.crossbarOutputTypes);
    ReadPinTypes(device.crossbar, TRUE, inputs, device.crossbarInputTypes);
    return 0;
}

void CaptureSystem::ReadConnectedHeader(CaptureDevice& device)
{
    if (device.grabber == nullptr) {
        return;
    }
    AM_MEDIA_TYPE type;
    std::memset(&type, 0, sizeof type);
    device.grabber->GetConnectedMediaType(&type);
    // A grabber that never connected delivers no format block, and the header stays zero.
    if (type.pbFormat != nullptr && type.cbFormat >= sizeof(VIDEOINFOHEADER)) {
        BITMAPINFOHEADER& header = device.header.bmiHeader;
        std::memcpy(&header, type.pbFormat + offsetof(VIDEOINFOHEADER, bmiHeader), sizeof header);
        // Uncompressed RGB may leave the size out; it is then the 24-bit picture's size.
        if (header.biSizeImage == 0) {
            header.biSizeImage = static_cast<uint32_t>(std::max(0, DibImageBytes(header.biWidth, header.biHeight)));
        }
    }
    CoTaskMemFree(type.pbFormat);
    if (type.pUnk != nullptr) {
        type.pUnk->Release();
    }
}

void CaptureSystem::ReleaseDevice(CaptureDevice& device)
{
    if (device.grabber != nullptr) {
        device.grabber->SetBufferSamples(FALSE);
        device.grabber->Release();
    }
    if (device.grabberFilter != nullptr) {
        device.grabberFilter->Release();
    }
    if (device.rendererFilter != nullptr) {
        device.rendererFilter->Release();
    }
    if (device.crossbar != nullptr) {
        device.crossbar->Release();
    }
    if (device.builder != nullptr) {
        device.builder->Release();
    }
    if (device.deviceFilter != nullptr) {
        device.deviceFilter->Release();
    }
}
