// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/uart.h"

#include <bit>
#include <cmath>

namespace vfd::sim {

namespace {

int parityBits(const LineParameters& line) {
    return line.parity == 'n' ? 0 : 1;
}

int frameBits(const LineParameters& line) {
    return 1 + line.dataBits + parityBits(line) + line.stopBits;
}

bool parityBit(unsigned value, const LineParameters& line) {
    const bool odd = (std::popcount(value) % 2) != 0;
    return line.parity == 'e' ? odd : !odd;
}

// The sender's line: idle high, then the frames one after the other.
class Waveform {
public:
    Waveform(std::span<const std::uint8_t> bytes, const LineParameters& line)
        : bytes_(bytes), line_(line), bitTime_(1.0 / line.baud) {}

    double length() const { return static_cast<double>(bytes_.size()) * frameTime(); }

    bool level(double t) const {
        if (t < 0) {
            return true;
        }
        const auto frame = static_cast<std::size_t>(t / frameTime());
        if (frame >= bytes_.size()) {
            return true;
        }
        const auto bit =
            static_cast<int>((t - static_cast<double>(frame) * frameTime()) / bitTime_);
        const unsigned value = bytes_[frame] & ((1U << line_.dataBits) - 1U);
        if (bit == 0) {
            return false;  // start bit
        }
        if (bit <= line_.dataBits) {
            return (value >> (bit - 1) & 1U) != 0;
        }
        if (parityBits(line_) != 0 && bit == line_.dataBits + 1) {
            return parityBit(value, line_);
        }
        return true;  // stop bits
    }

private:
    double frameTime() const { return bitTime_ * frameBits(line_); }

    std::span<const std::uint8_t> bytes_;
    LineParameters line_;
    double bitTime_;
};

}  // namespace

std::vector<std::uint8_t> reframe(std::span<const std::uint8_t> bytes, const LineParameters& sender,
                                  const LineParameters& receiver) {
    if (sender == receiver) {
        return {bytes.begin(), bytes.end()};
    }
    const Waveform line(bytes, sender);
    const double bit = 1.0 / receiver.baud;
    const double step = bit / 16;  // the receiver looks at the line sixteen times a bit
    const double end = line.length() + bit;
    std::vector<std::uint8_t> received;
    double t = 0;
    while (t < end) {
        while (t < end && line.level(t)) {
            t += step;
        }
        if (t >= end) {
            break;
        }
        const double start = t;
        if (line.level(start + bit / 2)) {
            t += step;  // a glitch, not a start bit
            continue;
        }
        unsigned value = 0;
        for (int i = 0; i < receiver.dataBits; ++i) {
            if (line.level(start + bit * (1.5 + i))) {
                value |= 1U << i;
            }
        }
        double at = start + bit * (1.5 + receiver.dataBits);
        bool good = true;
        if (parityBits(receiver) != 0) {
            good = line.level(at) == parityBit(value, receiver);
            at += bit;
        }
        good = good && line.level(at);  // the stop bit
        if (good) {
            received.push_back(static_cast<std::uint8_t>(value));
        }
        // On after the stop bit; after a framing error, once the line is high again.
        t = at;
        while (!good && t < end && !line.level(t)) {
            t += step;
        }
    }
    return received;
}

}  // namespace vfd::sim
