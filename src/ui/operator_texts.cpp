// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/operator_texts.h"

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
            return f.label + " can't be opened: the port folder " + f.device +
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

std::string lineLostText(const std::string& label, const std::string& detail) {
    std::string text = "The connection on " + label + " was lost";
    if (!detail.empty()) {
        text += ": " + detail;
    }
    return text + ". Check the cable and the display, then try again.";
}

std::string textFor(const link::DownloadResult& result, const std::string& portLabel) {
    switch (result.outcome) {
        case link::DownloadOutcome::Sent:
            return std::string(kDownloadOkText);
        case link::DownloadOutcome::NoAnswer:
            return std::string(kDownloadFailText);
        case link::DownloadOutcome::WrongCheck:
            return std::string(kIrcErrorText);
        case link::DownloadOutcome::LineLost:
            return lineLostText(portLabel, result.lineError);
    }
    return {};
}

std::string textFor(const link::UploadResult& result, const std::string& portLabel, UploadUse use) {
    switch (result.outcome) {
        case link::UploadOutcome::Received:
            return std::string(kUploadOkText);
        case link::UploadOutcome::NoAnswer:
            return portLabel + std::string(kCantBeOpenSuffix);
        case link::UploadOutcome::Short:
            return "The display answered only " + std::to_string(result.received) +
                   " of 127 bytes" +
                   (use == UploadUse::Settings ? ". The settings in the window were not changed."
                                               : " when the test image was read back.");
        case link::UploadOutcome::BadMarker:
            return std::string(kReceiveCheckErrorText);
        case link::UploadOutcome::LineLost:
            return lineLostText(portLabel, result.lineError);
    }
    return {};
}

}  // namespace vfd::ui
