#include "timeline/frame_clock.h"

#include "display/cell_image.h"
#include "display/display_mode.h"
#include "timeline/test_card.h"

#include <chrono>

uint32_t frameNumber = 0;

int32_t renderFrame() {
    static const auto start = std::chrono::steady_clock::now();
    auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    drawTestCard(frameBuffer, static_cast<uint32_t>(elapsed.count()));
    if (currentConverter) currentConverter(frameBuffer, frameNumber);
    if (currentPresenter) currentPresenter();
    uint32_t shown = frameNumber++;
    return static_cast<int32_t>(shown & 0x7FFFFFFF);
}
