// Frame acquisition: the newest frame of a running device, copied into an image that
// takes the device's format.
#include "capture/capture_system.h"

int32_t CaptureSystem::DeviceWidth(int device) const
{
    return devices[device].header.bmiHeader.biWidth;
}

int32_t CaptureSystem::DeviceHeight(int device) const
{
    return devices[device].header.bmiHeader.biHeight;
}

int32_t CaptureSystem::DeviceImageSize(int device) const
{
    return static_cast<int32_t>(devices[device].header.bmiHeader.biSizeImage);
}

int CaptureSystem::CopyFrame(int device, uint8_t* bits)
{
    LONG size = DeviceImageSize(device);
    ISampleGrabber* grabber = devices[device].grabber;
    // Without a buffer the grabber would only report the size it needs: no frame.
    if (grabber == nullptr || bits == nullptr) {
        return -1;
    }
    const HRESULT hr = grabber->GetCurrentBuffer(&size, reinterpret_cast<LONG*>(bits));
    return SUCCEEDED(hr) ? 0 : -1;
}

int CaptureSystem::ResetToDevice(int device, DibImage& image)
{
    if (image.Bits() != nullptr) {
        image.Clear();
    }
    const DibImage format(&devices[device].header);
    return image.SetFormat(format);
}

int CaptureSystem::FetchFrame(int device, DibImage& image)
{
    const bool fits = image.Bits() != nullptr && image.Width() == DeviceWidth(device) &&
                      image.Height() == DeviceHeight(device) && image.ImageSize() == DeviceImageSize(device);
    if (!fits) {
        image.Clear();
        ResetToDevice(device, image);
    }
    return CopyFrame(device, image.Bits());
}
