#include "platform/web/page.h"

#include <emscripten.h>

namespace {

constexpr int kKeyCapacity = 64; // more keys between two frames are dropped
ShowKey keys[kKeyCapacity];
int keyHead = 0, keyCount = 0;

} // namespace

// Called by the page for every key pressed: '0'..'9', 27 for Escape, anything else as 0.
extern "C" EMSCRIPTEN_KEEPALIVE void cellrune_page_key(int key) {
    if (keyCount == kKeyCapacity) return;
    keys[(keyHead + keyCount++) % kKeyCapacity] = showKeyOfCharacter(key);
}

bool pageKeyWaiting() {
    return keyCount > 0;
}

ShowKey takePageKey() {
    if (keyCount == 0) return kShowKeyOther;
    ShowKey key = keys[keyHead];
    keyHead = (keyHead + 1) % kKeyCapacity;
    --keyCount;
    return key;
}
