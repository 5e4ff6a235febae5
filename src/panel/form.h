// SPDX-License-Identifier: MIT
#pragma once
// Form1, the one window of the panel, as plain C++:
//  - the form-level values (AddressPrefix, ReceiveBuffer, HeldButton, ...) live here, once, for the run;
//  - Hyouji is the one procedure through which every transmission and every reception passes;
//  - the handlers (load, click, press, release, timer ticks, receive event, keys) are written once over the
//    constant tables: command_catalogue, hold_repeat, status_decoder, panel_layout;
//  - the toolkit is reached only through WindowServices, so the same form runs on Qt and on a virtual clock.
// The handlers are defined in the file of the subsystem they belong to (link/, protocol/, display/, panel/).

#include "panel/window_services.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace q7 {

class Form1 {
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

    // Mode 1 transmits text; any other mode shows text on the RXD line and decodes it.
    void Hyouji(const std::string& text, std::uint8_t mode);

    // Events, delivered one at a time by the toolkit.
    void load();
    void click(std::string_view control);
    void press(std::string_view control);
    void release(std::string_view control);
    void timerTick(int timer);
    void comm(int eventCode);
    void dblClick(std::string_view control);
    void keyDown(int keyCode, int shiftMask);
    // The device went away under an open port (cable pulled, other end hung up).
    void portLost();
    // No release can come any more (the window lost activation or the mouse grab): end the hold as a
    // release would, so nothing keeps moving with nobody holding the button.
    void holdInterrupted();

    // Longest ReceiveBuffer kept; the trace's character count is a signed 16-bit number.
    static constexpr std::size_t kReceiveBufferLimit = 32767;

private:
    // link/serial_link.cpp
    void portSwitch(int target, int fallback);
    void speedChange(const char* settings);
    void showPortPanel();
    void hidePortPanel();
    void end();
    // protocol/frame.cpp
    void send(std::string_view command);
    void selectProjector(std::string_view prefix);
    // protocol/hold_repeat.cpp
    void repeatTick();
    // protocol/manual_entry.cpp
    void sendTyped();
    void clearTyped();
    // display/trace.cpp
    void replyWindowEnds();
    void clearLines();
    // display/status_decoder.cpp
    void decodeStatus();
    // panel/views.cpp
    void toggleDataView();

    WindowServices& ui_;
};

} // namespace q7
