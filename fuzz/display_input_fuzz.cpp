// SPDX-License-Identifier: GPL-3.0-or-later
// The virtual display's firmware fed whatever arrives on its line: the input comes in parts at
// rising times (so half-received commands run out of time and the welcome messages scroll), with
// fault switches chosen by the first bytes. After every part the glass is drawn cell by cell as
// the window draws it, and as the text view prints it.
//
// Input: faults, short-reply length, hang-up count, extra bytes / own date / reply delay, the one
// kind of reply the faults touch, then per part a gap byte, a length byte and the part's bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "device/protocol.h"
#include "device/settings_image.h"
#include "fuzz_check.h"
#include "sim/firmware.h"
#include "sim/font5x7.h"
#include "sim/screen.h"
#include "sim/terminal_view.h"

namespace {

using namespace vfd;

constexpr int kGapUnitMs = 16;  // a gap byte reaches 4080 ms, past the command time-out

sim::FirmwareOptions readOptions(fuzz::InputReader& in) {
    const std::uint8_t faults = in.byte();
    const std::uint8_t shortLength = in.byte();
    const std::uint8_t hangUp = in.byte();
    const std::uint8_t extra = in.byte();
    const std::uint8_t only = in.byte();
    sim::FirmwareOptions options;  // no state file: nothing is written to disk
    sim::Faults& f = options.faults;
    f.wrongCheck = (faults & 0x01) != 0;
    f.noReply = (faults & 0x02) != 0;
    f.garble = (faults & 0x04) != 0;
    f.badMarker = (faults & 0x08) != 0;
    f.noSerial = (faults & 0x10) != 0;
    if ((faults & 0x20) != 0) {
        f.shortReply = shortLength % (device::kUploadReplyLength + 2);
    }
    if ((faults & 0x40) != 0) {
        f.hangUpAfter = hangUp * 4;
    }
    f.extraBytes = (faults & 0x80) != 0 ? extra & 0x03 : 0;
    if ((extra & 0x04) != 0) {
        options.clock = device::Date{2024, 2, 29};
    }
    f.replyDelayMs = (extra >> 3) * 100;
    if ((only & 0x04) != 0) {
        f.only = static_cast<sim::ReplyKind>(only & 0x03);
    }
    return options;
}

bool isUtf8Text(const std::string& text, std::size_t characters) {
    std::size_t count = 0;
    for (const char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++count;
        }
    }
    return count == characters;
}

// Draws the glass dot by dot, as the window does, when it has changed since the last drawing.
void checkGlass(const sim::Screen& screen, std::uint64_t& drawnRevision) {
    const sim::Screen::Cursor cursor = screen.cursor();
    FUZZ_CHECK(cursor.column >= 0 && cursor.column < sim::Screen::kColumns);
    FUZZ_CHECK(cursor.row >= 0 && cursor.row < sim::Screen::kRows);
    if (screen.revision() == drawnRevision) {
        return;
    }
    drawnRevision = screen.revision();
    for (int row = 0; row < sim::Screen::kRows; ++row) {
        for (int column = 0; column < sim::Screen::kColumns; ++column) {
            const std::uint8_t code = screen.code(row, column);
            const sim::Glyph glyph = screen.glyph(row, column);
            int lit = 0;
            for (int x = 0; x < sim::kGlyphColumns; ++x) {
                for (int y = 0; y < sim::kGlyphRows; ++y) {
                    lit += sim::glyphDot(glyph, x, y) ? 1 : 0;
                }
            }
            FUZZ_CHECK(lit <= sim::kGlyphColumns * sim::kGlyphRows);
            // Control codes can never be redefined and show nothing; every other code shows its
            // user-defined character when it has one (the upper half too, defined at run time),
            // and otherwise the built-in character of the set in force.
            if (code < 0x20) {
                FUZZ_CHECK(!screen.isUserCharacter(code));
            }
            // A glass that is dark, switched off or blinked off lights no dot at all.
            if (!screen.isLit()) {
                FUZZ_CHECK(lit == 0);
            } else if (!screen.isUserCharacter(code)) {
                FUZZ_CHECK(glyph == sim::characterGlyph(code, screen.internationalSet(),
                                                        screen.codeTable()));
            }
            if (code < 0x20) {
                FUZZ_CHECK(lit == 0);
            }
        }
        FUZZ_CHECK(isUtf8Text(screen.text(row), sim::Screen::kColumns));
    }
    const std::string line = sim::screenLine(screen);
    FUZZ_CHECK(isUtf8Text(line, 2 * sim::Screen::kColumns + 3));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InputReader in(data, size);
    const sim::FirmwareOptions options = readOptions(in);
    const sim::Faults faults = options.faults;
    std::int64_t now = 1000;
    sim::Firmware firmware(options, now);
    std::ostringstream printed;
    sim::TerminalView view(printed, false);
    std::uint64_t drawn = 0;
    checkGlass(firmware.screen(), drawn);
    view.show(firmware.screen());

    while (in.remaining() > 0) {
        now += in.byte() * kGapUnitMs;
        const auto part = in.take(in.byte());
        const sim::StoredSettings before = firmware.settings();
        const bool wasHungUp = firmware.isHungUp();
        const sim::FeedResult out = firmware.feed(part, now);

        FUZZ_CHECK(out.stored != sim::StoreOutcome::FileFailed);
        if (out.hangUp) {
            FUZZ_CHECK(faults.hangUpAfter.has_value() && !wasHungUp && firmware.isHungUp());
        }
        if (!faults.hangUpAfter) {
            FUZZ_CHECK(!firmware.isHungUp());
        }
        // With `only` set the reply faults touch one kind of reply and leave the others healthy.
        const bool everyReply = !faults.only.has_value();
        if ((faults.noReply && everyReply) || wasHungUp) {
            FUZZ_CHECK(out.replies.empty());
        }
        for (const sim::Reply& reply : out.replies) {
            FUZZ_CHECK(!reply.bytes.empty());
            FUZZ_CHECK(reply.delayMs == faults.replyDelayMs || (!everyReply && reply.delayMs == 0));
            if (faults.shortReply && everyReply) {
                FUZZ_CHECK(reply.bytes.size() <= static_cast<std::size_t>(*faults.shortReply));
            }
            // A whole upload reply on a healthy line is the marker and the memory as it stood.
            const bool clean = !faults.garble && !faults.badMarker && faults.extraBytes == 0;
            if (clean && out.stored == sim::StoreOutcome::None &&
                reply.bytes.size() == static_cast<std::size_t>(device::kImageSize)) {
                FUZZ_CHECK(reply.bytes.front() == device::kReplyMarker);
                FUZZ_CHECK(std::equal(before.begin(), before.end(), reply.bytes.begin() + 1));
            }
        }
        if (out.stored == sim::StoreOutcome::None) {
            FUZZ_CHECK(firmware.settings() == before);
        }
        checkGlass(firmware.screen(), drawn);
        view.show(firmware.screen());

        // Time passes without input: the welcome messages move on.
        now += kGapUnitMs;
        firmware.tick(now);
        checkGlass(firmware.screen(), drawn);
        view.show(firmware.screen());
    }
    return 0;
}
