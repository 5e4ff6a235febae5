// SPDX-License-Identifier: MIT
#include "panel/form.h"
