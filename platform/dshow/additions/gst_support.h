// Owning GStreamer and GLib objects, and starting GStreamer once per process.
#pragma once

#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>

#include <gst/gst.h>

namespace dshow {

// Tells on standard error what became of a video source, under the program's name.
inline void TellAboutSource(const std::string& source, const std::string& what)
{
    std::fprintf(stderr, "%s: video: %s: %s\n", program_invocation_short_name, source.c_str(), what.c_str());
}

struct GstObjectUnref {
    void operator()(gpointer object) const { gst_object_unref(object); }
};
template <class T>
using GstRef = std::unique_ptr<T, GstObjectUnref>;

// Takes ownership of a new object whose reference is still floating.
template <class T>
GstRef<T> TakeFloating(T* object)
{
    if (object != nullptr) {
        gst_object_ref_sink(object);
    }
    return GstRef<T>(object);
}

// A new element from a factory; null when GStreamer has no such element.
inline GstRef<GstElement> MakeElement(const char* factory)
{
    return TakeFloating(gst_element_factory_make(factory, nullptr));
}

struct GstCapsUnref {
    void operator()(GstCaps* caps) const { gst_caps_unref(caps); }
};
using CapsRef = std::unique_ptr<GstCaps, GstCapsUnref>;

struct GFreeDeleter {
    void operator()(gpointer memory) const { g_free(memory); }
};
using GCharRef = std::unique_ptr<gchar, GFreeDeleter>;

struct GErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
using GErrorRef = std::unique_ptr<GError, GErrorFree>;

// Starts GStreamer on first use; false when it cannot be started.
bool StartGStreamer();

}  // namespace dshow
