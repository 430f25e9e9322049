// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/fake_port.h"

#include <algorithm>

namespace vfd::testing {

using link::PortError;

void FakePort::feedReceived(std::span<const std::uint8_t> bytes) {
    input_.insert(input_.end(), bytes.begin(), bytes.end());
}

void FakePort::feedAfter(int ms, std::vector<std::uint8_t> bytes) {
    scheduled_.emplace(clock_.elapsed() + ms, std::move(bytes));
}

PortError FakePort::open() {
    if (open_) {
        return PortError::None;
    }
    ++opens_;
    if (openResult_ != PortError::None) {
        return openResult_;
    }
    open_ = true;
    error_ = PortError::None;
    openedName_ = name_;
    openedSettings_ = settings_;
    return PortError::None;
}

void FakePort::close() {
    if (open_) {
        ++closes_;
    }
    open_ = false;
    // A closed port hears nothing: what was on its way is lost.
    input_.clear();
    scheduled_.clear();
}

PortError FakePort::write(std::span<const std::uint8_t> bytes) {
    if (!open_) {
        return PortError::NotOpen;
    }
    if (error_ != PortError::None) {
        return error_;
    }
    for (const auto b : bytes) {
        if (written_.size() >= hangUpAfter_) {
            error_ = PortError::HungUp;
            return error_;
        }
        written_.push_back(b);
        writeTimes_.push_back(clock_.elapsed());
    }
    blocks_.emplace_back(bytes.begin(), bytes.end());
    if (msPerByte_ > 0) {
        pendingOut_ += static_cast<std::int64_t>(bytes.size());
    }
    if (responder_) {
        responder_(*this, bytes);
    }
    return PortError::None;
}

void FakePort::deliverDue() {
    while (!scheduled_.empty() && scheduled_.begin()->first <= clock_.elapsed()) {
        const auto& bytes = scheduled_.begin()->second;
        input_.insert(input_.end(), bytes.begin(), bytes.end());
        scheduled_.erase(scheduled_.begin());
    }
}

int FakePort::bytesAvailable() {
    deliverDue();
    return open_ ? static_cast<int>(input_.size()) : 0;
}

std::vector<std::uint8_t> FakePort::readAll() {
    deliverDue();
    if (!open_) {
        return {};
    }
    std::vector<std::uint8_t> out(input_.begin(), input_.end());
    input_.clear();
    return out;
}

void FakePort::waitForInput(int ms) {
    // Waits for new input, like the real port: what is already waiting does not end the wait.
    deliverDue();
    const std::int64_t limit = clock_.elapsed() + std::max(ms, 0);
    if (!scheduled_.empty() && scheduled_.begin()->first <= limit) {
        clock_.advance(static_cast<int>(scheduled_.begin()->first - clock_.elapsed()));
        deliverDue();
        return;
    }
    clock_.advance(std::max(ms, 0));
}

void FakePort::waitForOutput(int ms) {
    const int step = std::max(ms, 1);
    clock_.advance(step);
    if (msPerByte_ > 0 && pendingOut_ > 0) {
        drainCredit_ += step;
        const std::int64_t sent = std::min<std::int64_t>(pendingOut_, drainCredit_ / msPerByte_);
        pendingOut_ -= sent;
        drainCredit_ -= sent * msPerByte_;
    }
}

std::string FakePort::errorText() const {
    switch (error()) {
        case PortError::HungUp:
            return "the other end hung up";
        case PortError::None:
            return {};
        default:
            return "injected failure";
    }
}

}  // namespace vfd::testing
