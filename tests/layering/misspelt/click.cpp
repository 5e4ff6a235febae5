// SPDX-License-Identifier: MIT
// Must not build: the control's name is misspelt.
#include "panel/form.h"

void clickTheMisspeltButton(q7::Form1& form) {
    form.click("Comand17");
}
