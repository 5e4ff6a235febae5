// SPDX-License-Identifier: MIT
#pragma once
// Form1, the one window of the panel, as plain C++. Every handler is a member defined in this folder:
//  - the form-level values (AddressPrefix, ReceiveBuffer, HeldButton, ...) live here, once, for the run;
//  - Hyouji (traffic.cpp) is the one procedure through which every transmission and reception passes;
//  - the handlers are written once over the constant tables of protocol/ (catalogue, held buttons, frame),
//    display/ (trace, status decoder) and panel_layout: form.cpp dispatches, load.cpp and port.cpp run the
//    port, held.cpp the held buttons, traffic.cpp sending and showing, views.cpp the window's heights;
//  - the toolkit is reached only through WindowServices, the line through a LineSupervisor (session/), so
//    the same form runs on Qt and on a virtual clock.

#include "panel/window_services.h"
#include "session/supervisor.h"

#include <cstdint>
#include <string>

namespace q7 {

// The two modes of Hyouji: a transmission, or what was received.
enum class HyoujiMode : std::uint8_t { Transmit = 1, Received = 2 };

// The receive event's code that says received characters are waiting; other codes are ignored.
inline constexpr int kCommEventReceive = 2;

class Form1 final : private LineSupervisor::Events {
  public:
    explicit Form1(WindowServices& services);
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
    void click(ControlId control);
    void press(ControlId control);
    void release(ControlId control);
    void timerTick(TimerId timer);
    void dblClick(ControlId control);
    void keyDown(int keyCode, int shiftMask);
    // No release can come any more (the window lost activation or the mouse grab): end the hold as a
    // release would, so nothing keeps moving with nobody holding the button.
    void holdInterrupted();
    // The port's receive event (OnComm) with its event code.
    void comm(int eventCode);

    // Longest ReceiveBuffer kept; the trace's character count is a signed 16-bit number.
    static constexpr std::size_t kReceiveBufferLimit = 32767;

  private:
    // What the line's supervisor reports (port.cpp).
    void received() override;
    void opened() override;
    void openFailed(const Message& why) override;
    void lost(const Message& why) override;
    void back() override;
    void settingsFailed(const Message& why) override;

    // port.cpp
    void portSwitch(int target, int fallback);
    void usePort(int number);
    void speedChange(std::string_view settings);
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
    LineSupervisor line_;
    // The port number chosen (1 or 2); the line has only the address.
    int portNumber_ = 1;
    // An open that completes later: at start-up, or by a port switch, whose failure falls back as at once.
    enum class Pending { None, StartUp, Switch } pending_ = Pending::None;
    int switchFallback_ = 0;
    // The box of an outage, closed when the line is back.
    int outageBox_ = 0;
};

} // namespace q7
