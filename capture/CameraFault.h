// Why the camera could not show a live preview, for the page to report. Needs
// nothing from the platform.
#pragma once

// None also for a kiosk without a camera, which is no failure to report.
enum class CameraFault {
    None,
    CoInitialize,
    GraphInterfaces,
    CreateGrabber,
    SetMediaType,
    AddGrabber,
    BuildGraph,
    ReadMediaType,
    RunGraph,
};
