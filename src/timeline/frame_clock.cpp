#include "timeline/frame_clock.h"

#include "display/cell_image.h"
#include "display/display_mode.h"

uint32_t frameNumber = 0;

int32_t renderFrame() {
    if (currentConverter) currentConverter(frameBuffer, frameNumber);
    if (currentPresenter) currentPresenter();
    uint32_t shown = frameNumber++;
    return static_cast<int32_t>(shown & 0x7FFFFFFF);
}
