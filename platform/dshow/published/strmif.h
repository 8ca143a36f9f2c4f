// The media framework's core interfaces, as far as the program uses them: the system
// device enumerator, filters, the filter graph, the capture graph builder and crossbars.
#pragma once

#include <objbase.h>

// A media type. A type that a method filled in owns its format block (free it with
// CoTaskMemFree) and its pUnk reference (release it).
struct AM_MEDIA_TYPE {
    GUID majortype;
    GUID subtype;
    BOOL bFixedSizeSamples;
    BOOL bTemporalCompression;
    ULONG lSampleSize;
    GUID formattype;
    IUnknown* pUnk;
    ULONG cbFormat;
    BYTE* pbFormat;
};

struct ICreateDevEnum : IUnknown {
    // An enumerator of the devices in a category. When the category is empty or unknown
    // the result is S_FALSE and *ppEnumMoniker is null.
    virtual HRESULT STDMETHODCALLTYPE CreateClassEnumerator(REFCLSID clsidDeviceClass, IEnumMoniker** ppEnumMoniker,
                                                            DWORD dwFlags) = 0;
};

// A filter: a capture device, a Sample Grabber, a renderer. The program only hands
// filters to the graph and to the capture graph builder.
struct IBaseFilter : IUnknown {};

struct IFilterGraph : IUnknown {
    // Adds a filter under a name; the graph keeps a reference until it is destroyed.
    virtual HRESULT STDMETHODCALLTYPE AddFilter(IBaseFilter* pFilter, LPCWSTR pName) = 0;
};

struct IGraphBuilder : IFilterGraph {};

struct ICaptureGraphBuilder2 : IUnknown {
    // The graph the builder works on; it keeps a reference.
    virtual HRESULT STDMETHODCALLTYPE SetFiltergraph(IGraphBuilder* pfg) = 0;
    // Looks for an interface on the filters next to pf in the direction pCategory names.
    virtual HRESULT STDMETHODCALLTYPE FindInterface(const GUID* pCategory, const GUID* pType, IBaseFilter* pf,
                                                    REFIID riid, void** ppint) = 0;
    // Connects a stream of pSource through pfCompressor (may be null) to pfRenderer,
    // with whatever conversion lies between.
    virtual HRESULT STDMETHODCALLTYPE RenderStream(const GUID* pCategory, const GUID* pType, IUnknown* pSource,
                                                   IBaseFilter* pfCompressor, IBaseFilter* pfRenderer) = 0;
};

enum PhysicalConnectorType {
    PhysConn_Video_Tuner = 1,
    PhysConn_Video_Composite,
    PhysConn_Video_SVideo,
    PhysConn_Video_RGB,
    PhysConn_Video_YRYBY,
    PhysConn_Video_SerialDigital,
    PhysConn_Video_ParallelDigital,
    PhysConn_Video_SCSI,
    PhysConn_Video_AUX,
    PhysConn_Video_1394,
    PhysConn_Video_USB,
    PhysConn_Video_VideoDecoder,
    PhysConn_Video_VideoEncoder,
    PhysConn_Video_SCART,
    PhysConn_Video_Black,
    PhysConn_Audio_Tuner = 0x1000,
    PhysConn_Audio_Line,
    PhysConn_Audio_Mic,
    PhysConn_Audio_AESDigital,
    PhysConn_Audio_SPDIFDigital,
    PhysConn_Audio_SCSI,
    PhysConn_Audio_AUX,
    PhysConn_Audio_1394,
    PhysConn_Audio_USB,
    PhysConn_Audio_AudioDecoder,
};

// A routing switch in front of an analogue capture device.
struct IAMCrossbar : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_PinCounts(LONG* OutputPinCount, LONG* InputPinCount) = 0;
    // The pin related to a pin, and its PhysicalConnectorType.
    virtual HRESULT STDMETHODCALLTYPE get_CrossbarPinInfo(BOOL IsInputPin, LONG PinIndex, LONG* PinIndexRelated,
                                                          LONG* PhysicalType) = 0;
};

extern const IID IID_ICreateDevEnum;
extern const IID IID_IBaseFilter;
extern const IID IID_IFilterGraph;
extern const IID IID_IGraphBuilder;
extern const IID IID_ICaptureGraphBuilder2;
extern const IID IID_IAMCrossbar;
