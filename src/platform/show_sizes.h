// show_sizes: the show's picture sizes, declared once for every layer.
#pragma once

constexpr int kFrameWidth = 160; // the FrameBuffer, the picture every frame is drawn into
constexpr int kFrameHeight = 100;
constexpr int kCellColumns = 80; // the console's text cells, one per 2 x 2 pixels
constexpr int kCellRows = 50;
constexpr int kWindowWidth = 320; // the window's client picture, each pixel doubled
constexpr int kWindowHeight = 200;
