// SPDX-License-Identifier: GPL-3.0-or-later
// Each emulation driven with its own commands, as its command reference gives them, and with
// the commands of the other sets, which must not act.
#include "sim/command_sets.h"
#include "device/option_lists.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/firmware.h"
#include "sim/font5x7.h"

#include "bytes.h"

namespace vfd::sim {
namespace {

const std::string kBlank(20, ' ');

std::string padded(std::string text) {
    text.resize(20, ' ');
    return text;
}

Bytes downloadOf(const StoredSettings& settings) {
    return Bytes{0x1B, 0xEF, 2, 0, 2, 6, 1, 2, 0, 6, 0xAA} +
           Bytes(settings.begin(), settings.end());
}

// A display that has been set to `emulation` and restarted.
Firmware displayIn(device::Emulation emulation, std::uint8_t passthru = 0, std::uint8_t charSet = 0,
                   FirmwareOptions options = {}) {
    StoredSettings settings = device::factoryImage().body();
    device::setBodyByte(settings, device::image_index::kCommand,
                        static_cast<std::uint8_t>(emulation));
    device::setBodyByte(settings, device::image_index::kPassthru, passthru);
    device::setBodyByte(settings, device::image_index::kCharSet, charSet);
    Firmware firmware(std::move(options));
    firmware.feed(downloadOf(settings), 0);
    firmware.restart(0);
    EXPECT_EQ(firmware.emulation(), emulation);
    return firmware;
}

Bytes esc(std::string_view rest) {
    return Bytes{0x1B} + bytesOf(rest);
}

struct Case {
    const char* what;
    device::Emulation emulation;
    Bytes input;
    std::string upper;
    std::string lower;
};

// The rows build "text" + std::string by appending: g++ 12 at -O3 falsely warns (-Wrestrict)
// about a literal added in front of a string.
TEST(CommandSets, EachEmulationDrawsItsOwnCommandsAndNotTheOthers) {
    using E = device::Emulation;
    const Bytes init = esc("@");
    const Case cases[] = {
        // EPSON: the ESC/POS customer-display commands.
        {"EPSON US $ x y", E::Epson, init + Bytes{0x1F, 0x24, 3, 2} + bytesOf("X"), kBlank,
         padded("  X")},
        {"EPSON LF and US LF", E::Epson, init + bytesOf("\nA") + Bytes{0x1F, 0x0A} + bytesOf("B"),
         padded(" B"), padded("A")},
        {"EPSON US CR to the right end", E::Epson, init + Bytes{0x1F, 0x0D} + bytesOf("Z"),
         std::string(19, ' ') + "Z", kBlank},
        {"EPSON US B to the bottom", E::Epson,
         init + bytesOf("AB") + Bytes{0x1F, 0x42} + bytesOf("C"), padded("AB"), padded("C")},
        {"EPSON CAN clears the cursor line", E::Epson,
         init + bytesOf("AB\x18"
                        "C"),
         padded("C"), kBlank},
        {"EPSON HOM and BS", E::Epson,
         init + bytesOf("ABC\x0B"
                        "D\x08"
                        "E"),
         padded("EBC"), kBlank},
        {"EPSON US MD2 scrolls vertically", E::Epson,
         init + Bytes{0x1F, 0x02} + Bytes(40, 'A') + bytesOf("B"), std::string(20, 'A'),
         padded("B")},
        {"EPSON US MD3 scrolls horizontally", E::Epson,
         init + Bytes{0x1F, 0x03} + bytesOf("ABCDEFGHIJKLMNOPQRSTU"), "BCDEFGHIJKLMNOPQRSTU",
         kBlank},
        {"EPSON US MD1 after MD2 overwrites again", E::Epson,
         init + Bytes{0x1F, 0x02, 0x1F, 0x01} + Bytes(40, 'A') + bytesOf("B"),
         std::string("B").append(19, 'A'), std::string(20, 'A')},
        {"EPSON ESC R, ESC t, US X and US E parameters are not shown", E::Epson,
         init + esc("R\x02") + esc("t\x01") + Bytes{0x1F, 0x58, 0x04, 0x1F, 0x45, 0x00} +
             bytesOf("OK"),
         padded("OK"), kBlank},
        {"EPSON: CD5220's ESC l does not move the cursor", E::Epson,
         init + esc("l\x03\x02") + bytesOf("X"), padded("X"), kBlank},
        {"EPSON: CD5220's ESC Q A is not a line command", E::Epson, init + esc("QAHI\r"),
         padded("AHI"), kBlank},
        {"EPSON: CD5220's ESC [ B does not move; the B shows", E::Epson,
         init + esc("[B") + bytesOf("X"), padded("BX"), kBlank},
        {"QV310 speaks the EPSON set", E::Qv310, init + Bytes{0x1F, 0x24, 1, 2} + bytesOf("Q"),
         kBlank, padded("Q")},

        // CD5220.
        {"CD5220 ESC l x y", E::Cd5220, init + esc("l\x03\x02") + bytesOf("X"), kBlank,
         padded("  X")},
        {"CD5220 ESC Q A and ESC Q B", E::Cd5220, esc("QAUPPER\r") + esc("QBLOWER\r"),
         padded("UPPER"), padded("LOWER")},
        {"CD5220 ESC Q A keeps the first twenty", E::Cd5220, esc("QAABCDEFGHIJKLMNOPQRSTUVWXY\r"),
         "ABCDEFGHIJKLMNOPQRST", kBlank},
        {"CD5220 ESC [ B, ESC [ C, ESC [ A, ESC [ D", E::Cd5220,
         init + esc("[B") + esc("[C") + bytesOf("L") + esc("[A") + esc("[D") + bytesOf("U"),
         padded(" U"), padded(" L")},
        {"CD5220 ESC [ R, ESC [ L, ESC [ K, ESC [ H", E::Cd5220,
         init + esc("[R") + bytesOf("R") + esc("[K") + bytesOf("K") + esc("[H") + bytesOf("H"),
         std::string("H").append(18, ' ').append("R"), padded("K")},
        {"CD5220 CLR and CAN", E::Cd5220,
         init + bytesOf("AB\x0C"
                        "CD\x18"
                        "E"),
         padded("E"), kBlank},
        {"CD5220 ESC DC2 scrolls vertically", E::Cd5220,
         init + esc("\x12") + Bytes(40, 'A') + bytesOf("B"), std::string(20, 'A'), padded("B")},
        {"CD5220 range file: 16 codes, CR LF, 16 codes", E::Cd5220,
         init + bytesOf("ABCDEFGHIJKLMNOP\r\nQRSTUVWXYZ012345"), padded("ABCDEFGHIJKLMNOP"),
         padded("QRSTUVWXYZ012345")},
        {"CD5220: EPSON's US $ does not move the cursor", E::Cd5220,
         init + Bytes{0x1F, 0x24, 1, 2} + bytesOf("X"), padded("X"), kBlank},
        {"CD5220: AEDEX's attention code is text", E::Cd5220, init + bytesOf("!#1HI\r"),
         padded("!#1HI"), kBlank},

        // AEDEX and EMAX: attention code, function, data, CR; nothing else shows.
        {"AEDEX !#1 and !#2", E::Aedex, bytesOf("!#1TOP LINE\r!#2BOTTOM LINE\r"),
         padded("TOP LINE"), padded("BOTTOM LINE")},
        {"AEDEX !#9 fills both lines", E::Aedex,
         bytesOf("!#9ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789ABCD\r"), "ABCDEFGHIJKLMNOPQRST",
         "UVWXYZ0123456789ABCD"},
        {"AEDEX !#5 shows the time", E::Aedex, bytesOf("!#512:34\r"), kBlank, padded("12:34")},
        {"AEDEX other bytes pass through unseen", E::Aedex,
         bytesOf("!#1SHOWN\r") + bytesOf("RECEIPT TEXT\r\n") + init + Bytes{0x1F, 0x24, 1, 2},
         padded("SHOWN"), kBlank},
        {"AEDEX !#8 changes the attention code", E::Aedex, bytesOf("!#8$%\r$%1NEW\r!#2OLD CODE\r"),
         padded("NEW"), kBlank},
        {"AEDEX !#A resets", E::Aedex, bytesOf("!#1GONE\r!#A\r"), kBlank, kBlank},
        {"EMAX speaks the AEDEX set", E::Emax, bytesOf("!#2EMAX\r"), kBlank, padded("EMAX")},

        // UTC standard (UTC/S) and enhanced (UTC/P).
        {"UTC/S DLE p", E::UtcStandard, bytesOf("\x10\x15X"), kBlank, padded(" X")},
        {"UTC/S US resets, RS clears", E::UtcStandard,
         bytesOf("AB\x1F"
                 "CD\x1E"
                 "E"),
         padded("E"), kBlank},
        {"UTC/S CAN clears to the end of the line", E::UtcStandard, bytesOf("ABCD\x08\x08\x18"),
         padded("AB"), kBlank},
        {"UTC/S: ESC @ is no command and clears nothing; it is dropped", E::UtcStandard,
         bytesOf("AB") + init, padded("AB"), kBlank},
        {"UTC/P ESC u A, ESC u B", E::UtcEnhanced, esc("uAUPPER\r") + esc("uBLOWER\r"),
         padded("UPPER"), padded("LOWER")},
        {"UTC/P ESC u I fills both lines", E::UtcEnhanced, esc("uIABCDEFGHIJKLMNOPQRSTUVWXYZ\r"),
         "ABCDEFGHIJKLMNOPQRST", padded("UVWXYZ")},
        {"UTC/P ESC u H changes the attention code", E::UtcEnhanced,
         esc("uH!#\r") + bytesOf("!#ANEW\r") + esc("uBOLD\r"), padded("NEW"), kBlank},
        {"UTC/P plain text is not shown", E::UtcEnhanced, bytesOf("PLAIN") + esc("uBX\r"), kBlank,
         padded("X")},
        {"UTC/S ESC d switches to the enhanced set", E::UtcStandard,
         bytesOf("\x1F") + esc("d") + esc("uATOP\r") + bytesOf("hidden"), padded("TOP"), kBlank},
        {"UTC/P ESC RS CR switches back to the standard set", E::UtcEnhanced,
         esc("uAHI\r") + esc("\x1E\r") + bytesOf("\x10\x15Z"), padded("HI"), padded(" Z")},
        {"UTC/P ESC RS CR in its printed form, after a new attention code", E::UtcEnhanced,
         esc("uH!#\r") + esc("\x0F\r") + bytesOf("\x10\x15Z") + esc("uAX\r"), kBlank,
         padded(" ZAX")},  // ESC u is no command of the standard set: dropped with its u

        // ADM788.
        {"ADM788 text, SLE2, CR", E::Adm788,
         bytesOf("TOTAL\x0F"
                 "9.99\rX"),
         padded("TOTAL"), padded("X.99")},
        {"ADM788 SLE1 clears the upper line", E::Adm788,
         bytesOf("OLD\x0FLOW\x0E"
                 "NEW"),
         padded("NEW"), padded("LOW")},
        {"ADM788 SF2 writes the right field", E::Adm788,
         bytesOf("\x0FLEFT TEXT GOES\x1F"
                 "12.00"),
         kBlank, "LEFT TEXT GO12.00   "},
        {"ADM788: EPSON's ESC @ does not clear", E::Adm788, bytesOf("KEEP") + init, padded("KEEP@"),
         kBlank},

        // LogicControl.
        {"LogicControl starts in vertical scroll on the lower line", E::LogicControl,
         bytesOf("FIRST\n\rSECOND"), padded("FIRST"), padded("SECOND")},
        {"LogicControl DC1 and DLE n", E::LogicControl,
         bytesOf("\x11\x10") + Bytes{0x00} +
             bytesOf("TOP\x10\x16"
                     "B"),
         padded("TOP"), padded("  B")},
        {"LogicControl BS erases", E::LogicControl,
         bytesOf("\x11\x10") + Bytes{0x00} + bytesOf("ABC\x08"), padded("AB"), kBlank},
        {"LogicControl US resets", E::LogicControl,
         bytesOf("GONE\x1F"
                 "NEW"),
         kBlank, padded("NEW")},
    };
    for (const Case& c : cases) {
        Firmware firmware = displayIn(c.emulation);
        const FeedResult result = firmware.feed(c.input, 10);
        EXPECT_EQ(firmware.screen().text(0), c.upper) << c.what;
        EXPECT_EQ(firmware.screen().text(1), c.lower) << c.what;
        EXPECT_TRUE(result.replies.empty()) << c.what;
    }
}

// DSP800 frames, EOT SOH letter parameters ETB, as its reference gives them: what the glass
// shows after them and what the display answers, ACK (06) or NACK (15), in order.
TEST(CommandSets, Dsp800AnswersEachFrame) {
    const Bytes frame{0x04, 0x01};
    const Bytes etb{0x17};
    const Bytes ack{0x06};
    const Bytes nack{0x15};
    struct DspCase {
        const char* what;
        Bytes input;
        std::string upper;
        std::string lower;
        Bytes answers;
    };
    const DspCase cases[] = {
        {"P '5' moves the cursor to the fifth cell", frame + bytesOf("P5") + etb + bytesOf("X"),
         padded("    X"), kBlank, ack},
        {"P 'X' is the last cell of the lower line", frame + bytesOf("PX") + etb + bytesOf("Z"),
         kBlank, std::string(19, ' ') + "Z", ack},
        {"P 'E', position 21, is the first cell of the lower line",
         frame + bytesOf("PE") + etb + bytesOf("Z"), kBlank, padded("Z"), ack},
        {"P '0' is before the first position: refused, the cursor stays",
         bytesOf("AB") + frame + bytesOf("P0") + etb + bytesOf("C"), padded("ABC"), kBlank, nack},
        {"P 'Y' is past the last position: refused",
         bytesOf("AB") + frame + bytesOf("PY") + etb + bytesOf("C"), padded("ABC"), kBlank, nack},
        {"a frame without its ETB is refused and the byte after it is shown",
         bytesOf("AB") + frame + bytesOf("P5X"), padded("ABX"), kBlank, nack},
        {"a frame cut short by the next one: the next one is carried out",
         frame + bytesOf("P5") + frame + bytesOf("P3") + etb + bytesOf("Q"), padded("  Q"), kBlank,
         nack + ack},
        {"C '2' '4' clears the second to the fourth cell",
         bytesOf("ABCDEF") + frame + bytesOf("C24") + etb, padded("A   EF"), kBlank, ack},
        {"C clears across the end of the upper line",
         bytesOf("ABCDEFGHIJKLMNOPQRSTUVWXYZ") + frame + bytesOf("CCF") + etb,
         "ABCDEFGHIJKLMNOPQR  ", padded("  WXYZ"), ack},
        {"C '1' 'X' clears the whole glass",
         bytesOf("ABCDEFGHIJKLMNOPQRSTUV") + frame + bytesOf("C1X") + etb, kBlank, kBlank, ack},
        {"C with the end before the start is refused",
         bytesOf("ABCDEF") + frame + bytesOf("C42") + etb, padded("ABCDEF"), kBlank, nack},
        {"C with a position past 'X' is refused", bytesOf("ABCDEF") + frame + bytesOf("C1Z") + etb,
         padded("ABCDEF"), kBlank, nack},
        {"D with nothing stored fails; its digits do not show",
         bytesOf("KEEP") + frame + bytesOf("D73") + etb, padded("KEEP"), kBlank, nack},
        {"D '1' '1', one layer, one mode, fails as well",
         bytesOf("KEEP") + frame + bytesOf("D11") + etb + bytesOf("!"), padded("KEEP!"), kBlank,
         nack},
    };
    for (const DspCase& c : cases) {
        Firmware firmware = displayIn(device::Emulation::Dsp800);
        const FeedResult result = firmware.feed(c.input, 10);
        EXPECT_EQ(firmware.screen().text(0), c.upper) << c.what;
        EXPECT_EQ(firmware.screen().text(1), c.lower) << c.what;
        Bytes answers;
        for (const Reply& reply : result.replies) {
            answers = answers + reply.bytes;
        }
        EXPECT_EQ(answers, c.answers) << c.what;
    }
}

TEST(CommandSets, TheSettingsExchangesAnswerInEveryEmulation) {
    for (int position = 0; position < device::kEmulationCount; ++position) {
        const auto emulation = static_cast<device::Emulation>(position);
        SCOPED_TRACE(std::string(device::shortName(emulation)));
        Firmware firmware = displayIn(emulation);
        FeedResult identity = firmware.feed(Bytes{0x1D, 0x49, 0x02}, 10);
        ASSERT_EQ(identity.replies.size(), 1U);
        EXPECT_EQ(identity.replies[0].bytes, bytesOf("PID:3524"));
        FeedResult serial = firmware.feed(Bytes{0x1D, 0x49, 0x06, 0x01}, 10);
        ASSERT_EQ(serial.replies.size(), 1U);
        EXPECT_EQ(serial.replies[0].bytes, bytesOf("VD000001"));
        FeedResult upload = firmware.feed(Bytes{0x1B, 0xEE}, 10);
        ASSERT_EQ(upload.replies.size(), 1U);
        EXPECT_EQ(upload.replies[0].bytes.size(), 127U);
        EXPECT_EQ(upload.replies[0].bytes[device::image_index::kCommand], position);
        StoredSettings next = device::factoryImage().body();
        device::setBodyByte(next, device::image_index::kCommand, 7);
        EXPECT_EQ(firmware.feed(downloadOf(next), 10).stored, StoreOutcome::Stored);
        EXPECT_EQ(firmware.emulation(), emulation) << "until the restart";
        firmware.restart(20);
        EXPECT_EQ(firmware.emulation(), device::Emulation::Cd5220);
    }
}

TEST(CommandSets, DownloadedCharactersReplaceTheBuiltInOnes) {
    const Glyph arrow = {0x08, 0x1C, 0x3E, 0x08, 0x08};
    struct CharCase {
        const char* what;
        device::Emulation emulation;
        Bytes define;
        Bytes remove;
    };
    const CharCase cases[] = {
        {"EPSON ESC & and ESC ?", device::Emulation::Epson,
         esc("&") + Bytes{1, 'A', 'A', 5, 0x08, 0x1C, 0x3E, 0x08, 0x08}, esc("?A")},
        {"CD5220 ESC & and ESC ?", device::Emulation::Cd5220,
         esc("&") + Bytes{1, 'A', 'A', 5, 0x08, 0x1C, 0x3E, 0x08, 0x08}, esc("?A")},
        // The same arrow packed row by row, bit 0 of the first byte the top left dot.
        {"LogicControl 03 X",
         device::Emulation::LogicControl,
         Bytes{0x03, 'A', 0x80, 0x98, 0x6F, 0x08, 0x00},
         {}},
    };
    for (const CharCase& c : cases) {
        Firmware firmware = displayIn(c.emulation);
        firmware.feed(c.define + bytesOf("A"), 10);
        const int row = c.emulation == device::Emulation::LogicControl ? 1 : 0;
        const Screen::Cursor at = firmware.screen().cursor();
        EXPECT_EQ(firmware.screen().glyph(row, at.column - 1), arrow) << c.what;
        EXPECT_EQ(firmware.screen().text(row).substr(0, 3), "\uE041") << c.what;
        if (!c.remove.empty()) {
            firmware.feed(c.remove, 10);
            EXPECT_EQ(firmware.screen().glyph(row, at.column - 1), romGlyph('A')) << c.what;
        }
    }
}

// Point-of-sale programs define their characters in the upper half so as not to lose a letter:
// every code from 0x80 to 0xFF in one ESC &, read back from the glass, then a bar graph at 0xE0
// and up. They live in RAM: ESC @ and a restart give the built-in characters back.
TEST(CommandSets, CharactersDefinedInTheUpperHalfShowAndLastUntilInitialised) {
    auto marked = [](int code) {
        // Column c carries the code's low seven bits turned by c, so no two codes look alike.
        Glyph glyph{};
        for (int c = 0; c < 5; ++c) {
            glyph[static_cast<std::size_t>(c)] =
                static_cast<std::uint8_t>(((code << c) | (code >> (7 - c))) & 0x7F);
        }
        return glyph;
    };
    Bytes all = esc("&") + Bytes{1, 0x80, 0xFF};
    for (int code = 0x80; code <= 0xFF; ++code) {
        all.push_back(5);
        const Glyph glyph = marked(code);
        all.insert(all.end(), glyph.begin(), glyph.end());
    }
    Bytes bars = esc("&") + Bytes{1, 0xE0, 0xE5};
    for (int lit = 0; lit <= 5; ++lit) {
        bars.push_back(5);
        for (int c = 0; c < 5; ++c) {
            bars.push_back(c < lit ? 0x7F : 0x00);
        }
    }
    for (const device::Emulation emulation :
         {device::Emulation::Epson, device::Emulation::Qv310, device::Emulation::Cd5220}) {
        const int what = static_cast<int>(emulation);
        Firmware firmware = displayIn(emulation);
        for (int first = 0x80; first <= 0xFF; first += Screen::kColumns) {
            firmware.feed(esc("@") + all, 10);
            Bytes codes;
            for (int code = first; code < std::min(first + Screen::kColumns, 0x100); ++code) {
                codes.push_back(static_cast<std::uint8_t>(code));
            }
            firmware.feed(codes, 10);
            for (std::size_t i = 0; i < codes.size(); ++i) {
                const int column = static_cast<int>(i);
                EXPECT_EQ(firmware.screen().glyph(0, column), marked(codes[i]))
                    << what << " " << int(codes[i]);
                EXPECT_EQ(firmware.screen().character(0, column),
                          Screen::kUserCharacterBase + codes[i])
                    << what << " " << int(codes[i]);
            }
        }
        firmware.feed(esc("@") + bars + Bytes{0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5}, 10);
        for (int lit = 0; lit <= 5; ++lit) {
            const Glyph bar = firmware.screen().glyph(0, lit);
            for (int c = 0; c < 5; ++c) {
                EXPECT_EQ(bar[static_cast<std::size_t>(c)], c < lit ? 0x7F : 0x00)
                    << what << ": bar " << lit << " column " << c;
            }
        }
        firmware.feed(esc("@") + Bytes{0xE5}, 10);
        EXPECT_FALSE(firmware.screen().isUserCharacter(0xE5)) << what << " after ESC @";
        firmware.feed(bars, 10);
        firmware.restart(20);
        EXPECT_FALSE(firmware.screen().isUserCharacter(0xE5)) << what << " after a restart";
    }
}

TEST(CommandSets, TheStoredCharacterSetShowsAndCommandsSwitchIt) {
    struct SetCase {
        const char* what;
        device::Emulation emulation;
        std::uint8_t stored;  // image byte 4, a `Char` position
        Bytes input;
        std::string shown;  // the start of the upper line
    };
    using E = device::Emulation;
    const Bytes init = esc("@");
    const Bytes cyrillic = {0x80, 0x81, 0x82, 0x9F, 0xA0, 0xEF};
    const SetCase cases[] = {
        {"GERMANY stored", E::Epson, 2, init + bytesOf("@[\\]{|}~#"), "§ÄÖÜäöüß#"},
        {"GERMANY keeps code page 437 above", E::Epson, 2, init + Bytes{0x80, 0xE1}, "Çß"},
        {"RUSSIA stored: code page 866 above, ASCII below", E::Epson, 12,
         init + cyrillic + bytesOf("[A"), "АБВЯая[A"},
        {"RUSSIA in CD5220, as the NR400 models store it", E::Cd5220, 12, init + cyrillic,
         "АБВЯая"},
        {"EPSON ESC R n selects the `Char` position n", E::Epson, 0,
         init + esc("R\x02") + bytesOf("["), "Ä"},
        {"EPSON ESC R 12 is RUSSIA", E::Epson, 0, init + esc("R\x0C") + Bytes{0x80}, "А"},
        {"a new set redraws what the glass holds", E::Epson, 2,
         init + bytesOf("[") + esc("R\x03") + bytesOf("#"), "[£"},
        {"EPSON ESC R with a set the display lacks changes nothing", E::Epson, 0,
         init + esc("R\x02") + esc("R\x63") + bytesOf("["), "Ä"},
        {"EPSON ESC @ goes back to the stored set", E::Epson, 3,
         esc("R\x02") + init + bytesOf("#["), "£["},
        {"EPSON ESC t 17 selects code page 866", E::Epson, 0, init + esc("t\x11") + Bytes{0x80},
         "А"},
        {"EPSON ESC t with a table the display lacks changes nothing", E::Epson, 0,
         init + esc("t\x11") + esc("t\x06") + Bytes{0x80}, "А"},
        {"EPSON ESC t 1 selects Katakana", E::Epson, 0, init + esc("t\x01") + Bytes{0xB1, 0xDD},
         "\uFF71\uFF9D"},
        {"EPSON ESC t 0 puts code page 437 above RUSSIA", E::Epson, 12,
         init + Bytes{0x1B, 't', 0, 0x80}, "Ç"},
        {"CD5220 ESC f G", E::Cd5220, 0, init + esc("fG") + bytesOf("["), "Ä"},
        {"CD5220 ESC f R", E::Cd5220, 0, init + esc("fR") + Bytes{0x80}, "А"},
    };
    for (const SetCase& c : cases) {
        Firmware firmware = displayIn(c.emulation, 0, c.stored);
        firmware.feed(c.input, 10);
        EXPECT_EQ(firmware.screen().text(0).substr(0, c.shown.size()), c.shown) << c.what;
    }
}

TEST(CommandSets, MarqueesRunAcrossTheLine) {
    struct MarqueeCase {
        device::Emulation emulation;
        Bytes input;
    };
    const MarqueeCase cases[] = {
        {device::Emulation::Cd5220, esc("QDSALE\r")},
        {device::Emulation::Aedex, bytesOf("!#4SALE\r")},
        {device::Emulation::UtcEnhanced, esc("uDSALE\r")},
        {device::Emulation::LogicControl, bytesOf("\x05SALE\r")},
    };
    for (const MarqueeCase& c : cases) {
        SCOPED_TRACE(std::string(device::shortName(c.emulation)));
        Firmware firmware = displayIn(c.emulation);
        firmware.feed(c.input, 0);
        firmware.tick(0);
        EXPECT_EQ(firmware.screen().text(0), kBlank);
        firmware.tick(3 * kScrollStepMs);  // three columns in from the right end
        EXPECT_EQ(firmware.screen().text(0), std::string(17, ' ') + "SAL");
        firmware.tick(20 * kScrollStepMs);
        EXPECT_EQ(firmware.screen().text(0), padded("SALE"));
    }
}

TEST(CommandSets, EscWKeepsTextAndScrollingToItsWindow) {
    using E = device::Emulation;
    const Bytes init = esc("@");
    const std::string dots(15, '.');
    const Case cases[] = {
        {"CD5220 window scrolls horizontally in columns 5 to 10 of the lower line", E::Cd5220,
         init + bytesOf("TOTAL") + esc("\x13") + esc("W\x01\x05\x0A\x02") + bytesOf("ABCDEFGHIJ"),
         padded("TOTAL"), padded("    EFGHIJ")},
        {"CD5220 window is not in force in overwrite mode", E::Cd5220,
         init + esc("W\x01\x05\x0A\x02") + bytesOf("AB"), padded("AB"), kBlank},
        {"CD5220 ESC W 0 gives the whole line back", E::Cd5220,
         init + esc("\x13") + esc("W\x01\x05\x0A\x01") + Bytes{0x1B, 'W', 0x00, 0x05, 0x0A, 0x01} +
             bytesOf("ABCDEFGHIJKLMNOPQRSTU"),
         "BCDEFGHIJKLMNOPQRSTU", kBlank},
        {"EPSON window over the right half of both lines wraps inside it", E::Epson,
         init + esc("W\x01\x01\x0B\x01\x14\x02") + bytesOf("ABCDEFGHIJKLMNOPQRSTU"),
         std::string(10, ' ').append("UBCDEFGHIJ"), std::string(10, ' ').append("KLMNOPQRST")},
        {"EPSON vertical scroll moves only the window's lines", E::Epson,
         init + Bytes(40, '.') + Bytes{0x1F, 0x02} + esc("W\x01\x01\x01\x01\x05\x02") +
             bytesOf("ABCDEFGHIJK"),
         std::string("FGHIJ").append(dots), std::string("K    ").append(dots)},
        {"EPSON ESC W n 0 is two bytes and cancels", E::Epson,
         init + esc("W\x01\x01\x0B\x01\x14\x01") + Bytes{0x1B, 'W', 0x01, 0x00} + bytesOf("XY"),
         std::string(10, ' ').append("XY").append(8, ' '), kBlank},
        {"EPSON ESC W n with neither 0 nor 1 is two bytes and ignored", E::Epson,
         init + Bytes{0x1B, 'W', 0x01, 0x05} + bytesOf("XY"), padded("XY"), kBlank},
        {"EPSON a window over another one is ignored", E::Epson,
         init + esc("W\x01\x01\x01\x01\x0A\x01") + esc("W\x02\x01\x05\x01\x0F\x01") +
             bytesOf("ABCDEFGHIJK"),
         "KBCDEFGHIJ" + std::string(10, ' '), kBlank},
        {"EPSON ESC @ cancels the windows", E::Epson,
         init + esc("W\x01\x01\x0B\x01\x14\x01") + init + bytesOf("XY"), padded("XY"), kBlank},
    };
    for (const Case& c : cases) {
        Firmware firmware = displayIn(c.emulation);
        firmware.feed(c.input, 0);
        EXPECT_EQ(firmware.screen().text(0), c.upper) << c.what;
        EXPECT_EQ(firmware.screen().text(1), c.lower) << c.what;
    }
}

// The glass's look from each reference's own bytes: what the display holds, what its text
// rendering says after the two lines.
TEST(CommandSets, BrightnessBlinkingAndTheCursorShowOnTheGlassAndInTheText) {
    using E = device::Emulation;
    struct LookCase {
        const char* what;
        E emulation;
        Bytes input;
        int brightness;
        int blinkMs;
        bool cursor;
        std::string note;
    };
    const Bytes init = esc("@");
    const LookCase cases[] = {
        {"EPSON US X 2", E::Epson, init + Bytes{0x1F, 0x58, 2}, 2, 0, false, " [brightness 2/4]"},
        {"EPSON US X 1, the dimmest", E::Epson, init + Bytes{0x1F, 0x58, 1}, 1, 0, false,
         " [brightness 1/4]"},
        {"EPSON US X 5 is out of range", E::Epson, init + Bytes{0x1F, 0x58, 5}, 4, 0, false, ""},
        {"EPSON US X 4 back to full", E::Epson, init + Bytes{0x1F, 0x58, 1, 0x1F, 0x58, 4}, 4, 0,
         false, ""},
        {"EPSON US E 10: 500 ms each way", E::Epson, init + Bytes{0x1F, 0x45, 10}, 4, 500, false,
         " [blinking]"},
        {"EPSON US E 0 stops it", E::Epson, init + Bytes{0x1F, 0x45, 10, 0x1F, 0x45, 0}, 4, 0,
         false, ""},
        {"EPSON US C 1 at column 3", E::Epson, init + bytesOf("AB") + Bytes{0x1F, 0x43, 1}, 4, 0,
         true, " [cursor line 1 column 3]"},
        {"EPSON US C '1' then '0'", E::Epson, init + Bytes{0x1F, 0x43, '1', 0x1F, 0x43, '0'}, 4, 0,
         false, ""},
        {"EPSON ESC @ brings back the power-on look", E::Epson,
         init + Bytes{0x1F, 0x58, 1, 0x1F, 0x45, 4, 0x1F, 0x43, 1} + init, 4, 0, false, ""},
        {"QV310 US X 3", E::Qv310, init + Bytes{0x1F, 0x58, 3}, 3, 0, false, " [brightness 3/4]"},
        {"CD5220 ESC * 1 and US E 2", E::Cd5220, init + esc("*\x01") + Bytes{0x1F, 0x45, 2}, 1, 100,
         false, " [brightness 1/4] [blinking]"},
        {"CD5220 ESC _ 1 on the lower line", E::Cd5220, init + esc("l\x05\x02") + esc("_\x01"), 4,
         0, true, " [cursor line 2 column 5]"},
        {"CD5220: EPSON's US X is not its brightness", E::Cd5220, init + Bytes{0x1F, 0x58, 2}, 4, 0,
         false, ""},
        {"LogicControl 04 40", E::LogicControl, Bytes{0x04, 0x40}, 2, 0, false,
         " [brightness 2/4]"},
        {"LogicControl 04 FF", E::LogicControl, Bytes{0x04, 0x20, 0x04, 0xFF}, 4, 0, false, ""},
        {"LogicControl 04 30 is no level", E::LogicControl, Bytes{0x04, 0x30}, 4, 0, false, ""},
        {"LogicControl DC3 shows the cursor on the lower line", E::LogicControl, Bytes{0x13}, 4, 0,
         true, " [cursor line 2 column 1]"},
        {"LogicControl DC4 hides it", E::LogicControl, Bytes{0x13, 0x14}, 4, 0, false, ""},
        {"UTC/S EOT 60 and DC3", E::UtcStandard, Bytes{0x04, 0x60, 0x13}, 3, 0, true,
         " [brightness 3/4] [cursor line 1 column 1]"},
    };
    for (const LookCase& c : cases) {
        SCOPED_TRACE(c.what);
        Firmware firmware = displayIn(c.emulation);
        firmware.feed(c.input, 0);
        const Screen& screen = firmware.screen();
        EXPECT_EQ(screen.brightness(), c.brightness);
        EXPECT_EQ(screen.blinkIntervalMs(), c.blinkMs);
        EXPECT_EQ(screen.isCursorShown(), c.cursor);
        EXPECT_EQ(lookNote(screen), c.note);
    }
}

TEST(CommandSets, TheGlassBlinksAtItsIntervalAndUsE255SwitchesItOff) {
    for (const device::Emulation emulation :
         {device::Emulation::Epson, device::Emulation::Cd5220}) {
        SCOPED_TRACE(std::string(device::shortName(emulation)));
        Firmware firmware = displayIn(emulation);
        firmware.feed(esc("@") + bytesOf("HI") + Bytes{0x1F, 0x45, 4}, 1000);  // 200 ms each way
        const Screen& screen = firmware.screen();
        const Glyph lit = screen.glyph(0, 0);
        ASSERT_NE(lit, Glyph{});
        struct Moment {
            std::int64_t atMs;
            bool lit;
        };
        for (const Moment m : {Moment{1000, true}, Moment{1199, true}, Moment{1200, false},
                               Moment{1399, false}, Moment{1400, true}, Moment{1650, false}}) {
            firmware.tick(m.atMs);
            EXPECT_EQ(screen.glyph(0, 0), m.lit ? lit : Glyph{}) << m.atMs;
            // The text stays readable while the glass blinks.
            EXPECT_EQ(screen.text(0), padded("HI")) << m.atMs;
        }
        // 255 turns the glass off, keeping what it holds; input does not light it, US E 0 does.
        firmware.feed(Bytes{0x1F, 0x45, 0xFF} + bytesOf("!"), 2000);
        firmware.tick(2000);
        EXPECT_EQ(screen.glyph(0, 0), Glyph{});
        EXPECT_EQ(screen.text(0), kBlank);
        EXPECT_EQ(lookNote(screen), " [off]");
        firmware.feed(Bytes{0x1F, 0x45, 0x00}, 2100);
        firmware.tick(2300);
        EXPECT_EQ(screen.glyph(0, 0), lit);
        EXPECT_EQ(screen.text(0), padded("HI!"));
        EXPECT_EQ(lookNote(screen), "");
    }
}

TEST(CommandSets, TheLookLeavesTheWelcomeMessageRunning) {
    Firmware firmware = displayIn(device::Emulation::Epson);
    const std::string welcome = firmware.screen().text(0);
    firmware.feed(Bytes{0x1F, 0x58, 2, 0x1F, 0x43, 1}, 0);
    EXPECT_TRUE(firmware.showsWelcome());
    EXPECT_EQ(firmware.screen().text(0), welcome);
    EXPECT_EQ(firmware.screen().brightness(), 2);
}

// The computer's clock, which the tests move by hand.
struct ComputerClock {
    std::int64_t secondsOfDay = 13 * 3600 + 45 * 60 + 30;  // 13:45:30
    FirmwareOptions options() {
        FirmwareOptions o;
        o.timeOfDay = [this] { return secondsOfDay; };
        return o;
    }
};

TEST(Clock, EpsonsTimeCounterRunsAtTheRightEndOfTheLowerLine) {
    ComputerClock computer;
    Firmware firmware = displayIn(device::Emulation::Epson, 0, 0, computer.options());
    const Screen& screen = firmware.screen();
    // US U before any US T: the computer's time.
    firmware.feed(esc("@") + bytesOf("TOTAL") + Bytes{0x1F, 0x55}, 0);
    EXPECT_EQ(screen.text(0), padded("TOTAL"));
    EXPECT_EQ(screen.text(1), std::string(12, ' ') + "13:45:30");
    EXPECT_EQ(screen.cursor(), Screen::Cursor{});

    // US T h m: a clear glass and the counter from h:m:00, running with the computer's clock.
    firmware.feed(Bytes{0x1F, 0x54, 9, 5}, 10);
    EXPECT_EQ(screen.text(0), kBlank);
    EXPECT_EQ(screen.text(1), std::string(12, ' ') + "09:05:00");
    computer.secondsOfDay += 65;
    firmware.tick(1000);
    EXPECT_EQ(screen.text(1), std::string(12, ' ') + "09:06:05");
    // Text on the upper line leaves it running.
    firmware.feed(bytesOf("PAY"), 1100);
    computer.secondsOfDay += 1;
    firmware.tick(2000);
    EXPECT_EQ(screen.text(0), padded("PAY"));
    EXPECT_EQ(screen.text(1), std::string(12, ' ') + "09:06:06");
    // The cursor on the lower line takes it away.
    firmware.feed(Bytes{0x1F, 0x42}, 2100);
    computer.secondsOfDay += 1;
    firmware.tick(3000);
    EXPECT_EQ(screen.text(1), kBlank);

    // CLR takes it away too; an hour out of range sets nothing.
    firmware.feed(Bytes{0x1F, 0x55, 0x0C, 0x1F, 0x54, 24, 0}, 3100);
    computer.secondsOfDay += 1;
    firmware.tick(4000);
    EXPECT_EQ(screen.text(1), kBlank);
    firmware.feed(Bytes{0x1F, 0x55}, 4100);
    EXPECT_EQ(screen.text(1), std::string(12, ' ') + "09:06:08");
    // ESC @ sets the counter back to the computer's time.
    firmware.feed(esc("@") + Bytes{0x1F, 0x55}, 4200);
    EXPECT_EQ(screen.text(1), std::string(12, ' ') + "13:46:38");
}

TEST(Clock, TheAttentionCodeSetsSetAndShowHoursAndMinutesOnTheLowerLine) {
    struct ClockCase {
        device::Emulation emulation;
        Bytes set;
        Bytes show;
        Bytes lowerLine;
    };
    const ClockCase cases[] = {
        {device::Emulation::Aedex, bytesOf("!#523:59\r"), bytesOf("!#5\r"), bytesOf("!#2SALE\r")},
        {device::Emulation::UtcEnhanced, esc("uE23:59\r"), esc("uE\r"), esc("uBSALE\r")},
    };
    for (const ClockCase& c : cases) {
        SCOPED_TRACE(std::string(device::shortName(c.emulation)));
        ComputerClock computer;
        Firmware firmware = displayIn(c.emulation, 0, 0, computer.options());
        const Screen& screen = firmware.screen();
        firmware.feed(c.set, 0);
        EXPECT_EQ(screen.text(1), padded("23:59"));
        computer.secondsOfDay += 60;  // round midnight
        firmware.tick(1000);
        EXPECT_EQ(screen.text(1), padded("00:00"));
        // Another line command stops it; an empty time shows it again.
        firmware.feed(c.lowerLine, 1100);
        computer.secondsOfDay += 60;
        firmware.tick(2000);
        EXPECT_EQ(screen.text(1), padded("SALE"));
        firmware.feed(c.show, 2100);
        EXPECT_EQ(screen.text(1), padded("00:01"));
    }
}

TEST(CommandSets, AHalfReceivedCommandIsDroppedAfterTheTimeout) {
    Firmware firmware = displayIn(device::Emulation::Epson);
    firmware.feed(Bytes{0x1F, 0x24, 0x03}, 0);
    firmware.feed(bytesOf("AB"), kCommandTimeoutMs + 1);
    EXPECT_EQ(firmware.screen().text(0), padded("AB"));
}

TEST(PassThrough, BytesForThePrinterAreNotShown) {
    struct PassCase {
        std::uint8_t mode;
        std::string upper;
    };
    // ESC = 1 hands the line to the printer, ESC = 2 takes it back.
    const Bytes input =
        esc("@") + bytesOf("A") + esc("=\x01") + bytesOf("RECEIPT") + esc("=\x02") + bytesOf("B");
    for (const PassCase& c : {PassCase{0, "ARECEIPTB"}, PassCase{1, "AB"}}) {
        Firmware firmware = displayIn(device::Emulation::Epson, c.mode);
        firmware.feed(input, 10);
        EXPECT_EQ(firmware.screen().text(0), padded(c.upper)) << int{c.mode};
    }
}

}  // namespace
}  // namespace vfd::sim

namespace vfd::sim {
namespace {

TEST(StandBy, TheGlassGoesDarkAfterItsMinutesAndInputWakesIt) {
    struct StandByCase {
        std::uint8_t minutes;
        std::int64_t idleMs;
        bool dark;
    };
    for (const StandByCase& c : {StandByCase{0, 3'600'000, false}, StandByCase{2, 119'999, false},
                                 StandByCase{2, 120'000, true}}) {
        StoredSettings settings = device::factoryImage().body();
        device::setBodyByte(settings, device::image_index::kStandby, c.minutes);
        Firmware firmware({});
        firmware.feed(downloadOf(settings), 0);
        firmware.restart(0);
        firmware.feed(Bytes{0x1B, 0x40} + bytesOf("HI"), 0);
        firmware.tick(c.idleMs);
        EXPECT_EQ(firmware.isStandingBy(), c.dark) << int{c.minutes} << " " << c.idleMs;
        EXPECT_EQ(firmware.screen().text(0), c.dark ? kBlank : padded("HI"));
        firmware.feed(Bytes{0x00}, c.idleMs + 1);
        EXPECT_FALSE(firmware.isStandingBy());
        EXPECT_EQ(firmware.screen().text(0), padded("HI"));
    }
}

}  // namespace
}  // namespace vfd::sim
