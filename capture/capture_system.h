// The capture system: the video input devices the user accepts, one filter graph whose
// preview streams end in 24-bit RGB Sample Grabbers, and copies of their newest frames.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <dshow.h>
#include <qedit.h>

#include "com_ptr.h"
#include "image/dib_image.h"

constexpr int kMaxCaptureDevices = 10;
constexpr int kDeviceNameBytes = 256;
constexpr int kCrossbarPinSlots = 10;

// One device in use: a plain record that only CaptureSystem works on. Every interface
// pointer holds one reference that ReleaseDevice gives back.
struct CaptureDevice {
    char name[kDeviceNameBytes];  // friendly name, system code page, terminated
    BITMAPINFO header;            // the format the grabber connected with; colour slot zero
    int32_t crossbarOutputCount;
    int32_t crossbarInputCount;
    int32_t crossbarOutputTypes[kCrossbarPinSlots];  // PhysicalConnectorType of each pin
    int32_t crossbarInputTypes[kCrossbarPinSlots];
    ICaptureGraphBuilder2* builder;
    IBaseFilter* grabberFilter;
    ISampleGrabber* grabber;
    IBaseFilter* rendererFilter;
    IBaseFilter* deviceFilter;
    IAMCrossbar* crossbar;
};

// Appends the friendly names of the video input devices, in the order Open offers them,
// read as Open reads them. The number of names, or -1 when there are no devices at all.
// Enters and leaves COM itself.
int ListVideoInputNames(std::vector<std::string>* names);

class CaptureSystem {
public:
    CaptureSystem();
    ~CaptureSystem();
    CaptureSystem(const CaptureSystem&) = delete;
    CaptureSystem& operator=(const CaptureSystem&) = delete;

    // Asks the user about each device until maxDevices are accepted, builds and runs the
    // graph. The number of devices in use, or -1 when there are no devices at all.
    int Open(int maxDevices, int withRenderer);

    // The steps of Open, each on one device record.
    int EnumerateDevices(CaptureDevice* first, int maxDevices);
    void ReadFriendlyName(IMoniker* moniker, char* name);
    void BuildDeviceGraph(CaptureDevice& device, int withRenderer);
    HRESULT SetGrabberFormat(CaptureDevice& device);
    HRESULT AddPreviewRenderer(CaptureDevice& device);
    int ReadCrossbar(CaptureDevice& device);
    void ReadConnectedHeader(CaptureDevice& device);
    void ReleaseDevice(CaptureDevice& device);

    // Frame acquisition, for devices 0 to DeviceCount() - 1.
    int32_t DeviceWidth(int device) const;
    int32_t DeviceHeight(int device) const;
    int32_t DeviceImageSize(int device) const;
    // Copies the device's newest frame into bits, which hold DeviceImageSize bytes.
    int CopyFrame(int device, uint8_t* bits);
    int ResetToDevice(int device, DibImage& image);
    // Copies the newest frame into the image, giving the image the device's format first
    // when it differs. 0 when a frame was copied, else -1.
    int FetchFrame(int device, DibImage& image);

    int DeviceCount() const { return deviceCount; }
    const CaptureDevice& Device(int index) const { return devices[index]; }
    IGraphBuilder* Graph() const { return graph.Get(); }

private:
    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaControl> mediaControl;
    int32_t deviceCount;
    CaptureDevice devices[kMaxCaptureDevices];
};
