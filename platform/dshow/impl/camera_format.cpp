#include "camera_format.h"

#include <cstdlib>
#include <limits>

namespace dshow {

FrameSize ChooseCameraSize(const GstCaps* offered)
{
    FrameSize best{kPreferredCameraWidth, kPreferredCameraHeight};
    long bestDistance = std::numeric_limits<long>::max();
    const guint count = offered != nullptr ? gst_caps_get_size(offered) : 0;
    for (guint i = 0; i < count; ++i) {
        GstStructure* candidate = gst_structure_copy(gst_caps_get_structure(offered, i));
        int width = 0;
        int height = 0;
        // Fixating picks, within what the structure allows, the value nearest the target;
        // a value that is fixed already stays.
        if (gst_structure_has_field(candidate, "width") && gst_structure_has_field(candidate, "height")) {
            gst_structure_fixate_field_nearest_int(candidate, "width", kPreferredCameraWidth);
            gst_structure_fixate_field_nearest_int(candidate, "height", kPreferredCameraHeight);
        }
        if (gst_structure_get_int(candidate, "width", &width) && gst_structure_get_int(candidate, "height", &height) &&
            width > 0 && height > 0) {
            const long distance =
                std::labs(long{width} - kPreferredCameraWidth) + std::labs(long{height} - kPreferredCameraHeight);
            if (distance < bestDistance) {
                bestDistance = distance;
                best = FrameSize{width, height};
            }
        }
        gst_structure_free(candidate);
    }
    return best;
}

std::string WhyOutsideFrameBound(FrameSize size)
{
    if (size.width >= 1 && size.height >= 1 && size.width <= kMaxFrameDimension && size.height <= kMaxFrameDimension) {
        return "";
    }
    return "pictures of " + std::to_string(size.width) + "x" + std::to_string(size.height) + " are beyond " +
           std::to_string(kMaxFrameDimension) + " pixels a side";
}

CapsRef RestrictToSize(GstCaps* offered, FrameSize size)
{
    CapsRef sized(gst_caps_new_empty());
    const guint count = gst_caps_get_size(offered);
    for (guint i = 0; i < count; ++i) {
        GstStructure* structure = gst_structure_new(gst_structure_get_name(gst_caps_get_structure(offered, i)), "width",
                                                    G_TYPE_INT, size.width, "height", G_TYPE_INT, size.height, nullptr);
        gst_caps_append_structure(sized.get(), structure);
    }
    return CapsRef(gst_caps_intersect(offered, sized.get()));
}

}  // namespace dshow
