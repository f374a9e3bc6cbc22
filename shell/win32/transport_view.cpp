#include "shell/win32/transport_view.h"


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

void WindowTransportView::setTransportCaptions(const char* playCaption, const char* autoplayCaption) {
    // The captions are string constants, so their addresses may travel in the message.
    PostMessageA(app_.window, kStoppedCaptionsMessage, reinterpret_cast<WPARAM>(playCaption),
                 reinterpret_cast<LPARAM>(autoplayCaption));
}

void WindowTransportView::showPlayTime(int32_t shownSeconds, int32_t totalSeconds) {
    char text[32];
    const int n = formatPlayTime(text, shownSeconds, totalSeconds);
    drawReadout(app_.surfaces, kTimeBoxY, text, n);
}

void WindowTransportView::clearReadouts() {
    ::clearReadouts(app_.surfaces);
}

bool handleTransportMessage(App& a, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kSeekPositionMessage:
        SetScrollPos(a.controls[kSeekBar], SB_CTL, static_cast<int>(wParam), TRUE);
        return true;
    case kSeekEnableMessage:
        EnableWindow(a.controls[kSeekBar], wParam ? TRUE : FALSE);
        return true;
    case kStoppedCaptionsMessage:
        setCaption(a, kPlayButton, reinterpret_cast<const char*>(wParam));
        setCaption(a, kAutoplayButton, reinterpret_cast<const char*>(lParam));
        return true;
    default:
        return false;
    }
}
