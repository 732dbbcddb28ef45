// The show's module as a real player sees it.
#include "tools/poolmaker/music.h"

#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.hpp>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::vector<uint8_t>& track() {
    static const std::vector<uint8_t> bytes = makeMusic();
    return bytes;
}

TEST(Music, FitsThePoolAndIsTheSameEveryTime) {
    EXPECT_LT(track().size(), 2u << 20);
    EXPECT_EQ(makeMusic(), track());
    EXPECT_EQ(std::string(track().begin(), track().begin() + 4), "IMPM");
}

TEST(Music, TheShowsClock) {
    std::ostringstream log;
    openmpt::module module(track(), log);
    ASSERT_EQ(module.get_num_orders(), kShowOrders);
    for (int order = 0; order < kShowOrders; ++order) {
        int pattern = module.get_order_pattern(order);
        ASSERT_EQ(module.get_pattern_num_rows(pattern), 64) << "order " << order;
        // No speed or tempo changes anywhere, no breaks or jumps but the final one.
        for (int row = 0; row < 64; ++row)
            for (int channel = 0; channel < module.get_num_channels(); ++channel) {
                std::string effect = module.format_pattern_row_channel_command(
                    pattern, row, channel, openmpt::module::command_effect);
                if (effect.empty() || effect == "." || effect == " ") continue;
                bool finalJump = order == kShowOrders - 1 && row == 63 && effect == "B";
                ASSERT_TRUE(finalJump) << "effect " << effect << " at order " << order << " row " << row;
            }
    }
    EXPECT_NEAR(module.get_duration_seconds(), kShowOrders * 64 * 6 * 2.5 / 140, 0.2);
    EXPECT_EQ(log.str().find("rror"), std::string::npos) << log.str();
}

TEST(Music, TheEndLoopsForeverFromOrder41) {
    openmpt::module module(track());
    module.set_repeat_count(-1);
    module.set_position_order_row(kShowOrders - 1, 62);
    std::vector<float> buffer(2 * 4410);
    for (int i = 0; i < 10; ++i) module.read_interleaved_stereo(44100, 4410, buffer.data());
    EXPECT_EQ(module.get_current_order(), kLoopOrder);
    EXPECT_EQ(module.get_current_speed(), 6);
    EXPECT_EQ(module.get_current_tempo(), 140);
    module.set_position_order_row(20, 0);
    module.read_interleaved_stereo(44100, 4410, buffer.data());
    EXPECT_EQ(module.get_current_speed(), 6);
    EXPECT_EQ(module.get_current_tempo(), 140);
}

TEST(Music, EveryOrderIsAudibleAndNothingClips) {
    openmpt::module module(track());
    const int rate = 22050;
    const double orderSeconds = 64 * 6 * 2.5 / 140;
    std::vector<float> buffer(2 * 1024);
    double peak = 0;
    for (int order = 0; order < kShowOrders; ++order) {
        module.set_position_order_row(order, 0);
        double sum = 0;
        size_t count = 0;
        size_t frames = size_t(orderSeconds * rate);
        while (count < frames) {
            size_t got = module.read_interleaved_stereo(rate, 1024, buffer.data());
            if (got == 0) break;
            for (size_t i = 0; i < 2 * got; ++i) {
                sum += double(buffer[i]) * buffer[i];
                peak = std::max(peak, double(std::fabs(buffer[i])));
            }
            count += got;
        }
        double rms = std::sqrt(sum / double(2 * count));
        EXPECT_GT(rms, 0.01) << "order " << order << " is nearly silent";
    }
    EXPECT_LT(peak, 0.966) << "peak above -0.3 dBFS"; // 10^(-0.3/20)
}

} // namespace
