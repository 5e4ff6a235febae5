// SPDX-License-Identifier: MIT
#pragma once
// The controls that handlers and events address, as identifiers checked against the layout table while
// building: a mistyped name does not compile, where a string would silently reach no control. A name written
// where a ControlId is taken is checked the same way (form.click("Command17")).

#include "panel/panel_layout.h"

#include <string_view>

namespace q7 {

class ControlId {
  public:
    // Only a name that a row of the layout holds; anything else stops the build.
    consteval ControlId(const char* name) : name_(name) {
        if (layout::rowOf(name_) < 0) throw "no control of this name in the layout";
    }
    // A row is a control by construction.
    static constexpr ControlId of(const ControlSpec& row) { return ControlId(row.name, 0); }

    constexpr std::string_view name() const { return name_; }
    friend constexpr bool operator==(ControlId a, ControlId b) { return a.name_ == b.name_; }

  private:
    constexpr ControlId(std::string_view name, int) : name_(name) {}
    std::string_view name_;
};

// The trace and status lines.
inline constexpr ControlId Label11{"Label11"}; // TXD
inline constexpr ControlId Label12{"Label12"}; // RXD
inline constexpr ControlId Label22{"Label22"}; // STATUS
// The port-settings panel and its options.
inline constexpr ControlId Frame8{"Frame8"};
inline constexpr ControlId Option1{"Option1"};     // COM1
inline constexpr ControlId Option2{"Option2"};     // COM2
inline constexpr ControlId Option9{"Option9"};     // 19200
inline constexpr ControlId Option10{"Option10"};   // 9600
inline constexpr ControlId Command33{"Command33"}; // COM
inline constexpr ControlId Command16{"Command16"}; // END
// The views.
inline constexpr ControlId Command34{"Command34"}; // data display
inline constexpr ControlId Image1{"Image1"};
// The CMD box.
inline constexpr ControlId Text1{"Text1"};
inline constexpr ControlId Command95{"Command95"}; // SEND
inline constexpr ControlId Command96{"Command96"}; // CLS

} // namespace q7
