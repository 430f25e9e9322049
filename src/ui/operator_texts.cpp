// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/operator_texts.h"

#include "device/protocol.h"

namespace vfd::ui {

namespace {

std::string openFailureText(const link::PortFailure& f) {
    std::string reason;
    switch (f.error) {
        case link::PortError::NotFound:
            reason = "the port does not exist";
            break;
        case link::PortError::Busy:
            reason = "another program is using it";
            break;
        case link::PortError::NoPermission:
            reason = "permission denied (add your user to the dialout group, then log in again)";
            break;
        case link::PortError::BadSettings:
            reason = f.detail.empty() ? "the line parameters were refused" : f.detail;
            break;
        default:
            reason = f.detail.empty() ? "the system refused to open it" : f.detail;
            break;
    }
    std::string text = f.label + " can't be opened: " + reason;
    if (!f.device.empty() && f.device != f.label) {
        text += " (" + f.device + ")";
    }
    return text + ".";
}

std::string hexByte(std::uint8_t b) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return std::string("0x") + kDigits[b >> 4U] + kDigits[b & 0x0FU];
}

// A display that stays silent, or whose answer is garbage, is most often off, unplugged or set to
// another line speed than the tool.
std::string silentDetail(const LineNames& line, const std::string& what) {
    return line.port + " opened, but the display " + what +
           ". Check that it is switched on and connected, and that its line speed matches the "
           "Baud Rate (" +
           line.settings + ").";
}

std::string_view shortUploadEnding(UploadUse use) {
    switch (use) {
        case UploadUse::Settings:
            return ". The settings in the window were not changed.";
        case UploadUse::ReadBack:
            return " when the test image was read back.";
        case UploadUse::File:
            break;
    }
    return ". Nothing was saved.";
}

std::string nothingWithin(int ms) {
    return "sent nothing within " + std::to_string(ms / 1000) + " seconds";
}

}  // namespace

std::string textFor(const link::PortFailure& f, Tool tool) {
    switch (f.problem) {
        case link::PortProblem::None:
            return {};
        case link::PortProblem::NoneChosen:
            return tool == Tool::Tymbrik ? "No serial port is chosen. Press \"Auto Search "
                                           "Comport\" or choose a port first."
                                         : "No serial port is chosen. Choose a port in the "
                                           "port list first.";
        case link::PortProblem::NotAPort:
            return "\"" + f.label +
                   "\" is not a serial port. Choose Com 1 to Com 255, or type a device path "
                   "such as /dev/ttyUSB0.";
        case link::PortProblem::NoSuchPort:
            return f.label + " can't be opened: there is no such port.";
        case link::PortProblem::BadSettings:
            return f.label + " can't be opened: the line parameters \"" + f.settingsText +
                   "\" are not valid. Write them as speed,parity,data bits,stop bits, for "
                   "example 9600,n,8,1.";
        case link::PortProblem::UnsafeFolder:
            return f.label + " can't be opened: the port folder " + f.folder +
                   " is not safe to use (" + f.detail +
                   "). Nothing is opened through it; make it yours alone (chmod 700) or remove it.";
        case link::PortProblem::OpenFailed:
            return openFailureText(f);
    }
    return {};
}

std::string loadFailureText(const std::string& file, const std::string& reason) {
    return file + " can't be loaded: " + reason + ". Nothing was changed.";
}

std::string saveFailureText(const std::string& file, const std::string& reason) {
    return "The settings could not be saved to " + file + ": " + reason + ".";
}

std::string noAnswerDetail(const LineNames& line, int waitedMs) {
    return silentDetail(line, nothingWithin(waitedMs));
}

std::string shortAnswerDetail(const LineNames& line, int received, int due, int waitedMs) {
    return silentDetail(line, "answered only " + std::to_string(received) + " of " +
                                  std::to_string(due) + " bytes within " +
                                  std::to_string(waitedMs / 1000) + " seconds");
}

std::string wrongAnswerDetail(const LineNames& line, std::string_view answered,
                              std::string_view due) {
    std::string shown;
    for (const char c : answered) {
        const auto b = static_cast<std::uint8_t>(c);
        if (b >= 0x20 && b < 0x7F) {
            shown += c;
        } else {
            shown += "\\x" + hexByte(b).substr(2);
        }
    }
    return "The display on " + line.port + " answered \"" + shown + "\" where \"" +
           std::string(due) +
           "\" is due: it is not a display this test is for, or the line speed "
           "does not match the Baud Rate (" +
           line.settings + ").";
}

Words lineLostWords(const std::string& portLabel, const std::string& systemWords) {
    Words words{"The connection on " + portLabel +
                    " was lost: the adapter was unplugged or the display switched off.",
                {}};
    if (!systemWords.empty()) {
        words.detail = "The system said: " + systemWords + ". ";
    }
    words.detail += "Check the cable and the display, then try again.";
    return words;
}

Words lineLostWords(std::string_view headline, const std::string& portLabel,
                    const std::string& systemWords) {
    const Words lost = lineLostWords(portLabel, systemWords);
    return {std::string(headline), lost.text + " " + lost.detail};
}

Words unfinishedTestWords(const Words& why) {
    std::string detail = why.text;
    if (!why.detail.empty()) {
        detail += (detail.empty() ? "" : "\n") + why.detail;
    }
    return {std::string(kTestUnfinishedText), detail};
}

Words wordsFor(const link::DownloadResult& result, const LineNames& line) {
    switch (result.outcome) {
        case link::DownloadOutcome::Sent:
            return {std::string(kDownloadOkText), {}};
        case link::DownloadOutcome::NoAnswer:
            return {std::string(kDownloadFailText),
                    silentDetail(line, nothingWithin(device::kDownloadReplyWaitMs))};
        case link::DownloadOutcome::WrongCheck:
            return {std::string(kIrcErrorText),
                    silentDetail(line, "answered " + hexByte(result.answered) + " where " +
                                           hexByte(result.expected) +
                                           " was due, so the settings were refused and not "
                                           "stored")};
        case link::DownloadOutcome::LineLost:
            return lineLostWords(kDownloadFailText, line.port, result.lineError);
    }
    return {};
}

Words wordsFor(const link::UploadResult& result, const LineNames& line, UploadUse use) {
    switch (result.outcome) {
        case link::UploadOutcome::Received:
            return {std::string(kUploadOkText), {}};
        case link::UploadOutcome::NoAnswer:
            return {line.port + std::string(kCantBeOpenSuffix),
                    silentDetail(line, nothingWithin(device::kUploadFirstByteWaitMs))};
        case link::UploadOutcome::Short:
            return {"The display answered only " + std::to_string(result.received) + " of " +
                        std::to_string(device::kUploadReplyLength) + " bytes" +
                        std::string(shortUploadEnding(use)),
                    "The rest did not come within " +
                        std::to_string(device::kUploadRestWaitMs / 1000) + " seconds on " +
                        line.port + ". A loose cable, or a line speed other than the Baud Rate (" +
                        line.settings + "), cuts an answer short."};
        case link::UploadOutcome::BadMarker:
            return {std::string(kReceiveCheckErrorText),
                    silentDetail(line, "answered with " + hexByte(result.reply[0]) +
                                           " where the settings start with " +
                                           hexByte(device::kReplyMarker))};
        case link::UploadOutcome::LineLost:
            return lineLostWords(line.port, result.lineError);
    }
    return {};
}

namespace {

// Beneath a verdict: what the display did within the wait of a query.
std::string queryDetail(const link::QueryResult& result, const LineNames& line,
                        std::string_view due) {
    switch (result.outcome) {
        case link::QueryOutcome::NoAnswer:
            return noAnswerDetail(line, result.waitedMs);
        case link::QueryOutcome::Short:
            return shortAnswerDetail(line, result.received, result.due, result.waitedMs);
        case link::QueryOutcome::Answered:
            return wrongAnswerDetail(line, std::string(result.reply.begin(), result.reply.end()),
                                     due);
        case link::QueryOutcome::LineLost:
            break;
    }
    return {};
}

}  // namespace

Words identityWords(const link::QueryResult& result, const LineNames& line) {
    if (result.outcome == link::QueryOutcome::LineLost) {
        return lineLostWords(line.port, result.lineError);
    }
    return {std::string(kPidErrorText), queryDetail(result, line, device::kExpectedPid)};
}

Words serialWords(const link::QueryResult& result, const LineNames& line) {
    switch (result.outcome) {
        case link::QueryOutcome::Answered:
            return {
                std::string(kSerialPrefix) + std::string(result.reply.begin(), result.reply.end()),
                {}};
        case link::QueryOutcome::LineLost:
            return lineLostWords(line.port, result.lineError);
        case link::QueryOutcome::NoAnswer:
        case link::QueryOutcome::Short:
            break;
    }
    return {std::string(kNoSerialText), queryDetail(result, line, {})};
}

}  // namespace vfd::ui
