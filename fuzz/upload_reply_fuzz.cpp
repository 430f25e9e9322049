// SPDX-License-Identifier: GPL-3.0-or-later
// The configuration tool's two exchanges with a display whose answers come from the fuzz input:
// "Get Setting From VFD" (the 127-byte upload reply) and "Download Setting To VFD" (the check
// byte after the date stamp). The answer arrives in up to four parts at times the input chooses,
// some of it possibly waiting before the request, over the scripted port and tick source.
//
// Input: flags, hang-up count, three date bytes, then a delay byte and a length byte per part,
// then the answer itself.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "device/protocol.h"
#include "device/settings_image.h"
#include "fuzz_check.h"
#include "link/exchanges.h"
#include "support/fake_clock.h"
#include "support/fake_port.h"
#include "window_checks.h"

namespace {

using namespace vfd;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kFlagDownload = 0x01;
constexpr std::uint8_t kFlagStale = 0x08;   // the first part is waiting before the request
constexpr std::uint8_t kFlagHangUp = 0x10;  // the line drops after some bytes were written
constexpr std::uint8_t kFlagStuck = 0x20;   // output never drains
constexpr int kDelayUnitMs = 20;            // a delay byte reaches 5100 ms, past every limit

struct Part {
    std::int64_t atMs;  // after the request went out; -1 for bytes waiting before it
    Bytes bytes;
};

struct Script {
    std::uint8_t flags = 0;
    std::size_t hangUpAfter = 0;
    device::Date date;
    std::vector<Part> parts;
    Bytes stream;  // every part's bytes in the order they arrive
};

Script readScript(fuzz::InputReader& in) {
    Script s;
    s.flags = in.byte();
    s.hangUpAfter = in.byte();
    s.date = {1950 + in.byte(), 1 + in.byte() % 12, 1 + in.byte() % 31};
    const int count = 1 + ((s.flags >> 1) & 0x03);
    std::vector<std::pair<int, std::size_t>> plan;
    for (int i = 0; i < count; ++i) {
        const int delay = in.byte() * kDelayUnitMs;
        const std::size_t length = in.byte();
        plan.emplace_back(delay, length);
    }
    std::int64_t at = 0;
    for (int i = 0; i < count; ++i) {
        const bool last = i == count - 1;
        const auto bytes = last ? in.rest() : in.take(plan[static_cast<std::size_t>(i)].second);
        at += plan[static_cast<std::size_t>(i)].first;
        const bool stale = i == 0 && (s.flags & kFlagStale) != 0;
        s.parts.push_back({stale ? -1 : at, Bytes(bytes.begin(), bytes.end())});
        s.stream.insert(s.stream.end(), bytes.begin(), bytes.end());
    }
    return s;
}

// The scripted display: the port opened as the window opens it, stale bytes waiting, and the
// answer's parts queued once the request of `requestLength` bytes has been written.
void setUp(testing::FakePort& port, const Script& s, std::size_t requestLength) {
    port.setPortName("/dev/ttyS0");
    FUZZ_CHECK(port.open() == link::PortError::None);
    if ((s.flags & kFlagHangUp) != 0) {
        port.hangUpAfterWritten(s.hangUpAfter);
    }
    port.setOutputStuck((s.flags & kFlagStuck) != 0);
    if (s.parts.front().atMs < 0) {
        port.feedReceived(s.parts.front().bytes);
    }
    port.setResponder([&s, requestLength](testing::FakePort& p, std::span<const std::uint8_t>) {
        if (p.writtenData().size() != requestLength) {
            return;
        }
        for (const Part& part : s.parts) {
            if (part.atMs >= 0 && !part.bytes.empty()) {
                p.feedAfter(static_cast<int>(part.atMs), part.bytes);
            }
        }
    });
}

bool lineCanFail(const Script& s) {
    return (s.flags & (kFlagHangUp | kFlagStuck)) != 0;
}

// Whether answer bytes other than stale ones arrive by `ms` after the request.
bool answerBy(const Script& s, std::int64_t ms) {
    return std::any_of(s.parts.begin(), s.parts.end(), [ms](const Part& p) {
        return p.atMs >= 0 && p.atMs <= ms && !p.bytes.empty();
    });
}

void runUpload(const Script& s) {
    testing::FakeClock clock;
    testing::FakePort port(clock);
    setUp(port, s, 2);
    const link::UploadResult r = link::uploadSettings(port, clock);
    FUZZ_CHECK(!port.isOpen());
    FUZZ_CHECK(r.received >= 0 && r.received <= device::kImageSize);
    // What was kept is the start of what arrived, and nothing beyond it.
    FUZZ_CHECK(static_cast<std::size_t>(r.received) <= s.stream.size());
    FUZZ_CHECK(std::equal(r.reply.begin(), r.reply.begin() + r.received, s.stream.begin()));
    FUZZ_CHECK(std::all_of(r.reply.begin() + r.received, r.reply.end(),
                           [](std::uint8_t b) { return b == 0; }));
    if (r.outcome != link::UploadOutcome::LineLost) {
        FUZZ_CHECK(port.writtenData() == Bytes({device::kEsc, device::kUploadCommand}));
    }
    switch (r.outcome) {
        case link::UploadOutcome::Received:
            FUZZ_CHECK(r.received == device::kUploadReplyLength);
            FUZZ_CHECK(r.reply[0] == device::kReplyMarker);
            fuzz::checkWindowUpdate(device::SettingsImage(r.reply));
            break;
        case link::UploadOutcome::BadMarker:
            FUZZ_CHECK(r.received == device::kUploadReplyLength);
            FUZZ_CHECK(r.reply[0] != device::kReplyMarker);
            break;
        case link::UploadOutcome::Short:
            FUZZ_CHECK(r.received > 0 && r.received < device::kUploadReplyLength);
            break;
        case link::UploadOutcome::NoAnswer:
            FUZZ_CHECK(r.received == 0);
            FUZZ_CHECK(!answerBy(s, device::kUploadFirstByteWaitMs));
            FUZZ_CHECK(s.parts.front().atMs >= 0 || s.parts.front().bytes.empty());
            break;
        case link::UploadOutcome::LineLost:
            FUZZ_CHECK(lineCanFail(s));
            FUZZ_CHECK(r.received == 0);
            break;
    }
    // A reply that is whole before the first wait ends is never short.
    if (!lineCanFail(s) && s.stream.size() >= static_cast<std::size_t>(device::kImageSize) &&
        std::all_of(s.parts.begin(), s.parts.end(),
                    [](const Part& p) { return p.atMs <= device::kUploadFirstByteWaitMs; })) {
        FUZZ_CHECK(r.outcome == link::UploadOutcome::Received ||
                   r.outcome == link::UploadOutcome::BadMarker);
    }
}

void runDownload(const Script& s) {
    testing::FakeClock clock;
    testing::FakePort port(clock);
    setUp(port, s, 2 + device::DateStamp{}.size());
    device::BodyBytes body{};
    for (std::size_t i = 0; i < body.size(); ++i) {
        body[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    const device::DateStamp stamp = device::dateStamp(s.date);
    const link::DownloadResult r = link::downloadSettings(port, clock, stamp, body);
    FUZZ_CHECK(!port.isOpen());
    FUZZ_CHECK(r.expected == device::downloadCheckByte(stamp));

    Bytes request = {device::kEsc, device::kDownloadCommand};
    request.insert(request.end(), stamp.begin(), stamp.end());
    // Stale input is discarded, so the answer is the first byte of the first part after it.
    const Part* answer = nullptr;
    for (const Part& p : s.parts) {
        if (p.atMs >= 0 && !p.bytes.empty() && (answer == nullptr || p.atMs < answer->atMs)) {
            answer = &p;
        }
    }
    switch (r.outcome) {
        case link::DownloadOutcome::Sent: {
            FUZZ_CHECK(answer != nullptr && r.answered == answer->bytes.front());
            FUZZ_CHECK(r.answered == r.expected);
            Bytes sent = request;
            sent.push_back(device::kAcceptCheck);
            sent.insert(sent.end(), body.begin(), body.end());
            FUZZ_CHECK(port.writtenData() == sent);
            break;
        }
        case link::DownloadOutcome::WrongCheck: {
            FUZZ_CHECK(answer != nullptr && r.answered == answer->bytes.front());
            FUZZ_CHECK(r.answered != r.expected);
            Bytes sent = request;
            sent.push_back(device::kRefuseCheck);
            FUZZ_CHECK(port.writtenData() == sent);
            break;
        }
        case link::DownloadOutcome::NoAnswer:
            FUZZ_CHECK(port.writtenData() == request);
            FUZZ_CHECK(!answerBy(s, device::kDownloadReplyWaitMs));
            break;
        case link::DownloadOutcome::LineLost:
            FUZZ_CHECK(lineCanFail(s));
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InputReader in(data, size);
    const Script script = readScript(in);
    if ((script.flags & kFlagDownload) != 0) {
        runDownload(script);
    } else {
        runUpload(script);
    }
    return 0;
}
