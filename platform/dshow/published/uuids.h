// Identifiers of the media framework's classes, categories, media and format types.
#pragma once

#include <guiddef.h>

extern const CLSID CLSID_SystemDeviceEnum;
extern const CLSID CLSID_VideoInputDeviceCategory;
extern const CLSID CLSID_FilterGraph;
extern const CLSID CLSID_CaptureGraphBuilder2;
extern const CLSID CLSID_VideoRenderer;

extern const GUID PIN_CATEGORY_PREVIEW;
extern const GUID LOOK_UPSTREAM_ONLY;
extern const GUID MEDIATYPE_Video;
extern const GUID MEDIASUBTYPE_RGB24;
extern const GUID FORMAT_VideoInfo;
