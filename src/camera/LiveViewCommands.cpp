#include "camera/LiveViewCommands.h"

#include "camera/CameraModel.h"
#include "camera/LiveViewFrame.h"
#include "camera/ModelEvents.h"
#include "platform/Pause.h"

#include <chrono>

using namespace std::chrono_literals;

namespace {

SdkError WriteValue(CameraSdk &sdk, SdkRef camera, std::uint32_t id, std::uint32_t value)
{
    return sdk.writeProperty(camera, id, 0, sizeof value, &value);
}

} // namespace

bool StartEvfCommand::perform()
{
    SdkError code = kSdkOk;
    if (model().value(kPropEvfMode) == 0)
        code = WriteValue(sdk(), camera(), kPropEvfMode, 1);
    if (code == kSdkOk)
        code = WriteValue(sdk(), camera(), kPropEvfOutputDevice, model().value(kPropEvfOutputDevice) | kEvfOutputComputer);
    if (code == kSdkOk)
        return true;
    reportFailure(code);
    return !IsDeviceBusy(code);
}

bool EndEvfCommand::perform()
{
    const std::uint32_t device = model().value(kPropEvfOutputDevice);
    if (!(device & kEvfOutputComputer))
        return true;
    if (model().value(kPropEvfDepthOfFieldPreview) != 0
        && WriteValue(sdk(), camera(), kPropEvfDepthOfFieldPreview, 0) == kSdkOk)
        Pause(500ms); // the camera needs the time before live view can end
    const SdkError code = WriteValue(sdk(), camera(), kPropEvfOutputDevice, device & ~kEvfOutputComputer);
    if (code == kSdkOk) {
        // Known and told at once, before the camera tells: the frame fetch
        // already queued then ends without asking the camera for a frame it
        // no longer sends (which would fail and be told as an error), and
        // the picture knows its loop has ended, so a start queued right
        // behind this command begins a new loop when the camera reports it.
        model().setValue(kPropEvfOutputDevice, device & ~kEvfOutputComputer);
        std::uint32_t id = kPropEvfOutputDevice;
        model().broadcast({kModelPropertyChanged, &id});
        return true;
    }
    reportFailure(code);
    return false;
}

bool DownloadEvfCommand::perform()
{
    if (!(model().value(kPropEvfOutputDevice) & kEvfOutputComputer))
        return true; // live view has ended meanwhile
    SdkRef stream = nullptr;
    SdkRef image = nullptr;
    SdkError code = sdk().createMemoryStream(kEvfStreamBytes, &stream);
    if (code == kSdkOk)
        code = sdk().createLiveViewImage(stream, &image);
    if (code == kSdkOk)
        code = sdk().fetchLiveViewFrame(camera(), image);
    if (code == kSdkOk) {
        LiveViewFrame frame;
        frame.stream = stream;
        // A frame without these still shows; their results do not matter.
        sdk().readProperty(image, kPropEvfZoom, 0, sizeof frame.zoom, &frame.zoom);
        sdk().readProperty(image, kPropEvfZoomRect, 0, sizeof frame.zoomRect, &frame.zoomRect);
        sdk().readProperty(image, kPropEvfCoordinateSize, 0, sizeof frame.coordinates, &frame.coordinates);
        model().setValue(kPropEvfZoom, frame.zoom);
        model().setZoomPosition({frame.zoomRect.x, frame.zoomRect.y});
        model().setZoomRect(frame.zoomRect);
        model().broadcast({kModelEvfDataChanged, &frame});
    }
    if (image)
        sdk().release(image);
    if (stream)
        sdk().release(stream);
    if (code == kSdkOk)
        return true;
    if (code == kSdkFrameNotReady)
        return false;
    reportFailure(code);
    return !IsDeviceBusy(code);
}
