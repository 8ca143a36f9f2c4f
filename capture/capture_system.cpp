// Capture devices and graphs: choosing the devices, building, running and releasing the
// graph.
#include "capture/capture_system.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <utility>

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

// Walks the video inputs in the order they are offered: visit gets each one's moniker
// until it returns false. False when there are no video inputs at all.
template <class Visit>
bool VisitVideoInputs(Visit visit)
{
    ComPtr<ICreateDevEnum> deviceEnum;
    ComPtr<IEnumMoniker> classEnum;
    CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum, deviceEnum.PutVoid());
    if (deviceEnum) {
        // What decides is whether an enumerator came back, not the result code.
        deviceEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, classEnum.Put(), 0);
    }
    if (!classEnum) {
        return false;
    }
    ComPtr<IMoniker> moniker;
    while (classEnum->Next(1, moniker.Put(), nullptr) == S_OK && moniker) {
        if (!visit(moniker.Get())) {
            break;
        }
    }
    return true;
}

// The moniker's friendly name in the system code page; empty when it cannot be read.
void ReadMonikerName(IMoniker* moniker, char* name)
{
    name[0] = '\0';
    ComPtr<IPropertyBag> bag;
    moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.PutVoid());
    if (!bag) {
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
}

// Gives back the reference that a record field holds, and empties the field.
template <class T>
void ReleaseField(T*& field)
{
    ComPtr<T>::Adopt(std::exchange(field, nullptr)).Reset();
}

}  // namespace

int ListVideoInputNames(std::vector<std::string>* names)
{
    CoInitialize(nullptr);
    int count = 0;
    const bool any = VisitVideoInputs([&](IMoniker* moniker) {
        char name[kDeviceNameBytes];
        ReadMonikerName(moniker, name);
        names->emplace_back(name);
        ++count;
        return true;
    });
    CoUninitialize();
    return any ? count : -1;
}

CaptureSystem::CaptureSystem()
{
    CoInitialize(nullptr);
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
    mediaControl.Reset();
    graph.Reset();
    CoUninitialize();
}

int CaptureSystem::Open(int maxDevices, int withRenderer)
{
    const int count = EnumerateDevices(devices, maxDevices);
    if (count < 0) {
        return count;
    }
    CoCreateInstance(CLSID_FilterGraph, nullptr, kInProcess, IID_IGraphBuilder, graph.PutVoid());
    for (int i = 0; i < count; ++i) {
        BuildDeviceGraph(devices[i], withRenderer);
    }
    if (graph != nullptr) {
        graph->QueryInterface(IID_IMediaControl, mediaControl.PutVoid());
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

    int count = 0;
    const bool any = VisitVideoInputs([&](IMoniker* moniker) {
        // Tested before the device is offered: nobody is asked about a device that
        // could not be used.
        if (count >= maxDevices) {
            return false;
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
        return true;
    });
    if (!any) {
        MessageBoxA(nullptr, "ビデオキャプチャデバイスが存在しません", "ERROR", MB_OK);
        return -1;
    }
    return count;
}

void CaptureSystem::ReadFriendlyName(IMoniker* moniker, char* name)
{
    ReadMonikerName(moniker, name);
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
        device.builder->SetFiltergraph(graph.Get());
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
    const auto extra = ComPtr<IUnknown>::Adopt(type.pUnk);  // the type's reference, given back at the end
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
}

void CaptureSystem::ReleaseDevice(CaptureDevice& device)
{
    if (device.grabber != nullptr) {
        device.grabber->SetBufferSamples(FALSE);
    }
    ReleaseField(device.grabber);
    ReleaseField(device.grabberFilter);
    ReleaseField(device.rendererFilter);
    ReleaseField(device.crossbar);
    ReleaseField(device.builder);
    ReleaseField(device.deviceFilter);
}
