// page: what the web platform's parts share: the keys the page delivers, in
// one queue read by whichever surface shows the picture (the terminal on the
// page, or the canvas).
#pragma once

#include "platform/show_keys.h"

bool pageKeyWaiting();
ShowKey takePageKey(); // kShowKeyOther when none is waiting
