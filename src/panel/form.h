// SPDX-License-Identifier: MIT
#pragma once
// Form1, the one window of the panel, as plain C++. Every handler is a member defined in this folder:
//  - the form-level values (AddressPrefix, ReceiveBuffer, HeldButton, ...) live here, once, for the run;
//  - Hyouji (traffic.cpp) is the one procedure through which every transmission and reception passes;
//  - the handlers are written once over the constant tables of protocol/ (catalogue, held buttons, frame),
//    display/ (trace, status decoder) and panel_layout: form.cpp dispatches, load.cpp and port.cpp run the
//    port, held.cpp the held buttons, traffic.cpp sending and showing, views.cpp the window's heights;
//  - the toolkit is reached only through WindowServices, so the same form runs on Qt and on a virtual clock.

#include "link/serial_port.h"
#include "panel/window_services.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace q7 {

// The two modes of Hyouji: a transmission, or what was received.
enum class HyoujiMode : std::uint8_t { Transmit = 1, Received = 2 };

class Form1 final : public PortEvents {
  public:
    explicit Form1(WindowServices& services) : ui_(services) {}
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Form-level values.
    std::string AddressPrefix;
    std::string OutgoingCommand;
    std::uint8_t AwaitingReply = 0;
    std::string ReceiveBuffer;
    std::string PortSettings;
    std::uint8_t HeldButton = 0;
    std::uint8_t CursorPadMode = 0;
    std::int16_t ExtendedViewUnlocked = 0;
    std::int16_t PressureValue = 0;

    // Transmit sends text; any other mode shows text on the RXD line and decodes it.
    void Hyouji(const std::string& text, HyoujiMode mode);

    // Events, delivered one at a time by the toolkit.
    void load();
    void click(std::string_view control);
    void press(std::string_view control);
    void release(std::string_view control);
    void timerTick(TimerId timer);
    void dblClick(std::string_view control);
    void keyDown(int keyCode, int shiftMask);
    // No release can come any more (the window lost activation or the mouse grab): end the hold as a
    // release would, so nothing keeps moving with nobody holding the button.
    void holdInterrupted();
    // The port's events.
    void comm(int eventCode) override;
    void portLost() override;
    void portOpened() override;
    void portOpenFailed(const std::string& error) override;
    void settingsFailed(const std::string& error) override;

    // Longest ReceiveBuffer kept; the trace's character count is a signed 16-bit number.
    static constexpr std::size_t kReceiveBufferLimit = 32767;

  private:
    // port.cpp
    void portSwitch(int target, int fallback);
    void watchTick();
    void watchAgainIn(int ms);
    void stopWatching();
    void speedChange(const char* settings);
    void showPortPanel();
    void hidePortPanel();
    void end();
    // traffic.cpp
    void send(std::string_view command);
    void selectProjector(std::string_view prefix);
    void replyWindowEnds();
    void clearLines();
    void decodeStatus();
    void sendTyped();
    void clearTyped();
    // held.cpp
    void repeatTick();
    // views.cpp
    void toggleDataView();

    WindowServices& ui_;
    // A port switch whose open completes later: the panel stays up, and a failure falls back as at once.
    bool switchPending_ = false;
    int switchFallback_ = 0;
    // After a loss, the port is tried again until it opens; the loss box closes then.
    bool watching_ = false;
    int watchDelayMs_ = 0;
    int lossBox_ = 0;
};

} // namespace q7
