// What a Sample Grabber has seen (Linux only): for reports of an unattended run.
#pragma once

#include <cstdint>

#include "qedit.h"

namespace dshow {

struct GrabberCounters {
    uint64_t samplesReceived = 0;  // samples the stream delivered to the grabber
    uint64_t buffersCopied = 0;    // successful GetCurrentBuffer copies
    uint64_t streamErrors = 0;     // errors that stopped the stream feeding it
};

// E_INVALIDARG when the grabber is not one of ours.
HRESULT ReadGrabberCounters(ISampleGrabber* grabber, GrabberCounters* counters);

}  // namespace dshow
