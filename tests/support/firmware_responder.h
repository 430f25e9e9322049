// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

#include "sim/firmware.h"
#include "support/fake_port.h"

namespace vfd::testing {

// Puts the virtual display's firmware on the far end of a scripted port: every block written is
// fed to it at the fake clock's time, and its replies arrive after their delays.
class FirmwareResponder {
public:
    FirmwareResponder(FakePort& port, FakeClock& clock, sim::FirmwareOptions options = {})
        : firmware_(std::make_shared<sim::Firmware>(std::move(options), clock.elapsed())) {
        auto firmware = firmware_;
        port.setResponder([firmware, &clock, this](FakePort& p, std::span<const std::uint8_t> b) {
            auto result = firmware->feed(b, clock.elapsed());
            for (auto& reply : result.replies) {
                if (transform_) {
                    transform_(reply.bytes);
                }
                p.feedAfter(reply.delayMs, std::move(reply.bytes));
            }
            if (result.hangUp) {
                p.injectError(link::PortError::HungUp);
            }
        });
    }

    sim::Firmware& firmware() { return *firmware_; }
    // Changes every reply before it goes on the line.
    void transformReplies(std::function<void(std::vector<std::uint8_t>&)> transform) {
        transform_ = std::move(transform);
    }

private:
    std::shared_ptr<sim::Firmware> firmware_;
    std::function<void(std::vector<std::uint8_t>&)> transform_;
};

}  // namespace vfd::testing
