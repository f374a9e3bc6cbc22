#pragma once
// The transport controls as the playback thread changes them. The thread only posts
// messages: the controls belong to the user-interface thread, and a cross-thread
// SendMessage could deadlock with a stop that waits for the thread.
#include <windows.h>

#include "sequencer/playback.h"

struct App;

class WindowTransportView final : public TransportView {
public:
    explicit WindowTransportView(App& a) : app_(a) {}
    void showSeekPosition(int32_t percent) override;
    void enableSeekBar(bool enabled) override;
    void setTransportCaptions(const char* playCaption, const char* autoplayCaption,
                              uint32_t playNumber) override;
    void showPlayTime(int32_t shownSeconds, int32_t totalSeconds) override;
    void clearReadouts() override;

private:
    App& app_;
};

// Handles the messages the view posts; false for any other message.
bool handleTransportMessage(App& a, UINT message, WPARAM wParam, LPARAM lParam);
