// The Sample Grabber: a filter that keeps a copy of the newest sample passing through.
#pragma once

#include "strmif.h"

struct ISampleGrabber : IUnknown {
    // The type the grabber accepts when it is connected; null GUIDs accept anything.
    virtual HRESULT STDMETHODCALLTYPE SetMediaType(const AM_MEDIA_TYPE* pType) = 0;
    // The type it was connected with; the caller owns the format block.
    virtual HRESULT STDMETHODCALLTYPE GetConnectedMediaType(AM_MEDIA_TYPE* pType) = 0;
    // Whether the newest sample is kept for GetCurrentBuffer.
    virtual HRESULT STDMETHODCALLTYPE SetBufferSamples(BOOL BufferThem) = 0;
    // Copies the newest sample into pBuffer, which holds *pBufferSize bytes; with a null
    // pBuffer only the size needed is reported.
    virtual HRESULT STDMETHODCALLTYPE GetCurrentBuffer(LONG* pBufferSize, LONG* pBuffer) = 0;
};

extern const IID IID_ISampleGrabber;
extern const CLSID CLSID_SampleGrabber;
