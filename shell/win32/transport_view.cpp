#include "shell/win32/transport_view.h"

#include "shell/commands.h"
#include "shell/win32/app.h"

namespace {
enum : UINT {
    kSeekPositionMessage = WM_APP + 1,
    kSeekEnableMessage,
    kStoppedCaptionsMessage,
};
}  // namespace

void WindowTransportView::showSeekPosition(int32_t percent) {
    PostMessageA(app_.window, kSeekPositionMessage, static_cast<WPARAM>(percent), 0);
}

void WindowTransportView::enableSeekBar(bool enabled) {
    PostMessageA(app_.window, kSeekEnableMessage, enabled ? 1 : 0, 0);
}

void WindowTransportView::setTransportCaptions(const char*, const char*, uint32_t playNumber) {
    // The window puts back "play" and "autoplay" itself, once it knows the playback that
    // ended is still the current one.
    PostMessageA(app_.window, kStoppedCaptionsMessage, static_cast<WPARAM>(playNumber), 0);
}

void WindowTransportView::showPlayTime(int32_t shownSeconds, int32_t totalSeconds) {
    char text[32];
    const int n = formatPlayTime(text, shownSeconds, totalSeconds);
    drawReadout(app_.program.surfaces, kTimeBoxY, text, n);
}

void WindowTransportView::clearReadouts() {
    ::clearReadouts(app_.program.surfaces);
}

bool handleTransportMessage(App& a, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case kSeekPositionMessage:
        SetScrollPos(a.controls[kSeekBar], SB_CTL, static_cast<int>(wParam), TRUE);
        return true;
    case kSeekEnableMessage:
        EnableWindow(a.controls[kSeekBar], wParam ? TRUE : FALSE);
        return true;
    case kStoppedCaptionsMessage:
        playbackEnded(a.program, static_cast<uint32_t>(wParam));
        return true;
    default:
        return false;
    }
}
