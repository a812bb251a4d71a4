// Which text of the string table the visitor sees for a failure the page
// reports. Needs nothing from the platform.
#pragma once

#include "capture/CameraFault.h"
#include "pad/BrushImage.h"

// 0: nothing to show.
unsigned CameraFaultText(CameraFault fault);
unsigned BrushErrorText(BrushError error);
