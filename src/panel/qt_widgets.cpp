// SPDX-License-Identifier: MIT
#include "panel/qt_widgets.h"
