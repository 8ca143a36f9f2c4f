// The capture filter of one video input, bound from its moniker.
#pragma once

#include <dshow.h>

#include "camera_format.h"
#include "com_server.h"
#include "video_source.h"

namespace dshow {

class SourceFilter : public com::Object<IBaseFilter> {
public:
    static const IID kObjectIid;  // private: answered with the filter itself (com::QueryObject)

    // A filter for the input answering for iid; E_FAIL when the input cannot be opened.
    static HRESULT Bind(const VideoSource& source, REFIID iid, void** object);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;

    const VideoSource& Source() const { return source_; }

    // The size of the pictures this input will deliver, fixed before anything runs: 640 x
    // 480 for the test camera, the offered size nearest that for a camera, and for files
    // and descriptions their own size, found by starting a copy of the input for a while.
    // False, with the reason on standard error, when there is no such size within the
    // bound.
    bool FindFrameSize(FrameSize* size) const;

private:
    explicit SourceFilter(VideoSource source);

    VideoSource source_;
};

}  // namespace dshow
