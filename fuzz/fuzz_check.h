// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

// Invariants the fuzz targets hold the code to. A broken one is reported with its place and
// aborts, which libFuzzer records as a crash together with the input that caused it.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace vfd::fuzz {

// Takes the fuzz input from the front: control bytes first, then the bytes for the line. Past
// the end every byte reads as 0, so a short input is still a complete script.
class InputReader {
public:
    InputReader(const std::uint8_t* data, std::size_t size) : bytes_(data, size) {}

    std::uint8_t byte() { return pos_ < bytes_.size() ? bytes_[pos_++] : 0; }
    // Up to `count` bytes, fewer at the end of the input.
    std::span<const std::uint8_t> take(std::size_t count) {
        const std::size_t n = count < remaining() ? count : remaining();
        const auto out = bytes_.subspan(pos_, n);
        pos_ += n;
        return out;
    }
    std::span<const std::uint8_t> rest() { return take(remaining()); }
    std::size_t remaining() const { return bytes_.size() - pos_; }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

}  // namespace vfd::fuzz
