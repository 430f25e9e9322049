// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "link/port.h"
#include "support/fake_clock.h"

namespace vfd::testing {

// A scriptable serial port. A test feeds received bytes now or at a later tick, answers writes
// with a responder, reads back everything written, and injects failures.
class FakePort : public link::Port {
public:
    explicit FakePort(FakeClock& clock) : clock_(clock) {}

    // --- script ---
    void setOpenResult(link::PortError error) { openResult_ = error; }
    void feedReceived(std::span<const std::uint8_t> bytes);
    void feedReceived(std::initializer_list<std::uint8_t> bytes) {
        feedReceived(std::span<const std::uint8_t>(bytes.begin(), bytes.size()));
    }
    // Bytes that arrive `ms` milliseconds from now.
    void feedAfter(int ms, std::vector<std::uint8_t> bytes);
    // Called after every write with the block written; may feed replies.
    using Responder = std::function<void(FakePort&, std::span<const std::uint8_t>)>;
    void setResponder(Responder responder) { responder_ = std::move(responder); }
    // The line fails (as when the other end hangs up) once this many bytes have been written.
    void hangUpAfterWritten(std::size_t count) { hangUpAfter_ = count; }
    void injectError(link::PortError error) { error_ = error; }
    // Output that never drains.
    void setOutputStuck(bool stuck) { outputStuck_ = stuck; }
    // Output that leaves one byte every `ms` milliseconds, like a slow line; 0 is at once.
    void setMsPerByte(int ms) { msPerByte_ = ms; }

    // --- what happened ---
    const std::vector<std::uint8_t>& writtenData() const { return written_; }
    const std::vector<std::vector<std::uint8_t>>& writtenBlocks() const { return blocks_; }
    // Milliseconds since the clock was made at which written byte i went out.
    const std::vector<std::int64_t>& writeTimes() const { return writeTimes_; }
    int openCount() const { return opens_; }
    int closeCount() const { return closes_; }
    const std::string& openedName() const { return openedName_; }
    const link::LineSettings& openedSettings() const { return openedSettings_; }
    void clearWritten() {
        written_.clear();
        blocks_.clear();
        writeTimes_.clear();
    }

    // --- Port ---
    void setPortName(const std::string& device) override { name_ = device; }
    std::string portName() const override { return name_; }
    void setSettings(const link::LineSettings& settings) override { settings_ = settings; }
    link::PortError open() override;
    void close() override;
    bool isOpen() const override { return open_; }
    link::PortError write(std::span<const std::uint8_t> bytes) override;
    int bytesToWrite() override { return outputStuck_ ? 1 : static_cast<int>(pendingOut_); }
    int bytesAvailable() override;
    std::vector<std::uint8_t> readAll() override;
    void waitForInput(int ms) override;
    void waitForOutput(int ms) override;
    link::PortError error() const override { return open_ ? error_ : link::PortError::None; }
    std::string errorText() const override;

private:
    void deliverDue();

    FakeClock& clock_;
    std::string name_;
    link::LineSettings settings_;
    link::LineSettings openedSettings_;
    std::string openedName_;
    link::PortError openResult_ = link::PortError::None;
    link::PortError error_ = link::PortError::None;
    bool open_ = false;
    bool outputStuck_ = false;
    int msPerByte_ = 0;
    std::int64_t pendingOut_ = 0;
    std::int64_t drainCredit_ = 0;
    int opens_ = 0;
    int closes_ = 0;
    std::size_t hangUpAfter_ = SIZE_MAX;
    std::deque<std::uint8_t> input_;
    std::multimap<std::int64_t, std::vector<std::uint8_t>> scheduled_;
    std::vector<std::uint8_t> written_;
    std::vector<std::vector<std::uint8_t>> blocks_;
    std::vector<std::int64_t> writeTimes_;
    Responder responder_;
};

}  // namespace vfd::testing
