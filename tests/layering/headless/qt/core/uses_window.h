// SPDX-License-Identifier: MIT
#include "qt/widgets/qt_window.h"
