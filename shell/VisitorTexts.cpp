#include "shell/VisitorTexts.h"

#include "res/resource.h"

namespace {
template <size_t N> unsigned TextAt(const unsigned (&texts)[N], int index) {
    return index >= 0 && static_cast<size_t>(index) < N ? texts[index] : 0;
}
} // namespace

unsigned CameraFaultText(CameraFault fault) {
    // in the order of CameraFault
    static const unsigned kTexts[] = {0,
                                      IDS_CAMERA_COINITIALIZE,
                                      IDS_CAMERA_INTERFACES,
                                      IDS_CAMERA_GRABBER,
                                      IDS_CAMERA_MEDIA_TYPE,
                                      IDS_CAMERA_ADD_GRABBER,
                                      IDS_CAMERA_BUILD,
                                      IDS_CAMERA_CONNECTED_TYPE,
                                      IDS_CAMERA_RUN};
    return TextAt(kTexts, static_cast<int>(fault));
}

unsigned BrushErrorText(BrushError error) {
    // in the order of BrushError
    static const unsigned kTexts[] = {0, IDS_BRUSH_UNKNOWN_FORMAT, IDS_BRUSH_OUT_OF_MEMORY, IDS_BRUSH_CONVERSION,
                                      IDS_BRUSH_OPEN};
    return TextAt(kTexts, static_cast<int>(error));
}
