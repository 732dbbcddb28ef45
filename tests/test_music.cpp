// The show's module as a real player sees it.
#include "tools/poolmaker/music.h"

#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.hpp>

#include <algorithm>
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

// A loudness meter after ITU-R BS.1770-4 and EBU Tech 3342, for stereo at
// any rate: K-weighting (its two filters, derived for the rate), integrated
// loudness over 400 ms blocks with the absolute and relative gates, the
// loudness range over 3 s blocks, and the true peak from four-times
// oversampling.
constexpr double kPi = 3.14159265358979323846;

struct Loudness {
    double integrated; // LUFS
    double range;      // LU
    double truePeak;   // dBTP
};

struct Biquad {
    double b0, b1, b2, a1, a2, z1 = 0, z2 = 0;
    double operator()(double x) {
        double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
};

Biquad kShelf(double rate) {
    const double f0 = 1681.974450955533, gain = 3.999843853973347, q = 0.7071752369554196;
    double k = std::tan(kPi * f0 / rate), vh = std::pow(10.0, gain / 20),
           vb = std::pow(vh, 0.4996667741545416);
    double a0 = 1 + k / q + k * k;
    return {(vh + vb * k / q + k * k) / a0, 2 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
            2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0};
}

Biquad kHighPass(double rate) {
    const double f0 = 38.13547087602444, q = 0.5003270373238773;
    double k = std::tan(kPi * f0 / rate), a0 = 1 + k / q + k * k;
    return {1, -2, 1, 2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0};
}

double lufs(double meanSquare) {
    return -0.691 + 10 * std::log10(meanSquare);
}

// The gated mean of block powers: above -70 LUFS, then above the mean less gateLu.
double gatedPower(const std::vector<double>& blocks, double gateLu, std::vector<double>* kept = nullptr) {
    double sum = 0;
    size_t n = 0;
    for (double p : blocks)
        if (lufs(p) > -70) sum += p, ++n;
    if (n == 0) return 0;
    double gate = lufs(sum / double(n)) - gateLu;
    sum = 0, n = 0;
    for (double p : blocks)
        if (lufs(p) > -70 && lufs(p) > gate) {
            sum += p, ++n;
            if (kept) kept->push_back(lufs(p));
        }
    return n ? sum / double(n) : 0;
}

Loudness measure(const std::vector<float>& stereo, int rate) {
    size_t frames = stereo.size() / 2;
    // K-weighted power per frame, both channels summed.
    std::vector<double> power(frames);
    Biquad shelf[2] = {kShelf(rate), kShelf(rate)}, highPass[2] = {kHighPass(rate), kHighPass(rate)};
    for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < 2; ++c) {
            double y = highPass[c](shelf[c](stereo[2 * i + size_t(c)]));
            power[i] += y * y;
        }
    std::vector<double> prefix(frames + 1, 0);
    for (size_t i = 0; i < frames; ++i) prefix[i + 1] = prefix[i] + power[i];
    auto blocks = [&](double seconds) {
        size_t length = size_t(seconds * rate), step = size_t(0.1 * rate);
        std::vector<double> out;
        for (size_t at = 0; at + length <= frames; at += step)
            out.push_back((prefix[at + length] - prefix[at]) / double(length));
        return out;
    };
    Loudness result{};
    result.integrated = lufs(gatedPower(blocks(0.4), 10));
    std::vector<double> shortTerm;
    gatedPower(blocks(3.0), 20, &shortTerm);
    std::sort(shortTerm.begin(), shortTerm.end());
    auto percentile = [&](double q) { return shortTerm[size_t(q * double(shortTerm.size() - 1) + 0.5)]; };
    result.range = shortTerm.empty() ? 0 : percentile(0.95) - percentile(0.10);
    // True peak: a windowed-sinc interpolator at three points between samples, wherever a
    // sample nearby comes within 6 dB of the sample peak (elsewhere no overshoot can reach it).
    constexpr int kTaps = 16;
    double samplePeak = 0;
    for (float v : stereo) samplePeak = std::max(samplePeak, double(std::fabs(v)));
    double peak = samplePeak;
    double phase[3][2 * kTaps];
    for (int p = 0; p < 3; ++p)
        for (int t = 0; t < 2 * kTaps; ++t) {
            double x = double(t - kTaps + 1) - (p + 1) / 4.0; // distance from the sample to the point
            double window = 0.5 + 0.5 * std::cos(kPi * x / kTaps);
            phase[p][t] = (x == 0 ? 1 : std::sin(kPi * x) / (kPi * x)) * window;
        }
    for (size_t i = kTaps; i + kTaps < frames; ++i)
        for (int c = 0; c < 2; ++c) {
            if (std::fabs(stereo[2 * i + size_t(c)]) < samplePeak / 2 &&
                std::fabs(stereo[2 * (i + 1) + size_t(c)]) < samplePeak / 2)
                continue;
            for (int p = 0; p < 3; ++p) {
                double v = 0;
                for (int t = 0; t < 2 * kTaps; ++t)
                    v += phase[p][t] * stereo[2 * (i + size_t(t) - kTaps + 1) + size_t(c)];
                peak = std::max(peak, std::fabs(v));
            }
        }
    result.truePeak = 20 * std::log10(peak);
    return result;
}

// The whole show once through, as the player renders it.
std::vector<float> wholeShow(int rate) {
    openmpt::module module(track());
    module.ctl_set_integer("dither", 0);
    std::vector<float> all, buffer(2 * 4096);
    for (;;) {
        size_t got = module.read_interleaved_stereo(rate, 4096, buffer.data());
        if (got == 0) break;
        all.insert(all.end(), buffer.begin(), buffer.begin() + std::ptrdiff_t(2 * got));
    }
    return all;
}

// The show at the web's usual loudness, its peaks with room for a lossy encoder, its
// sections still distinct.
TEST(Music, LoudnessAndPeaksOfTheWholeShow) {
    std::vector<float> show = wholeShow(44100);
    ASSERT_NEAR(double(show.size()) / 2 / 44100, kShowOrders * 64 * 6 * 2.5 / 140, 0.5);
    Loudness l = measure(show, 44100);
    EXPECT_NEAR(l.integrated, -16.0, 1.0);
    EXPECT_LE(l.truePeak, -1.0);
    EXPECT_GE(l.range, 6.0);
    std::printf("whole show: %.1f LUFS, true peak %.1f dBTP, range %.1f LU\n", l.integrated, l.truePeak,
                l.range);
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
