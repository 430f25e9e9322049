// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

#include "link/exchanges.h"
#include "link/port_choice.h"

// Every text the operator reads that more than one place of the two tools uses, and the words for
// each outcome of an exchange. The exchanges themselves return typed outcomes; only the windows
// (and the screen test, which talks to the operator through its window) turn them into words.
namespace vfd::ui {

enum class Tool { Zoravel, Tymbrik };

// The settings download and upload.
inline constexpr std::string_view kDownloadOkText = "Download O.K ! Please restart !";
inline constexpr std::string_view kUploadOkText = "Upload O.K!";
inline constexpr std::string_view kDownloadFailText = "Download Fail ! Please retry again !";
inline constexpr std::string_view kIrcErrorText = "IRC check error ! Please retry again !";
inline constexpr std::string_view kCantBeOpenSuffix = " can't be open !!";  // after the port
inline constexpr std::string_view kReceiveCheckErrorText = "Receive Check bit Error !!";

// The test tool's message window.
inline constexpr std::string_view kFactoryDoneText = "Download O.K ! Please restart VFD!";
inline constexpr std::string_view kPidErrorText = "VFD PID is Error.";
inline constexpr std::string_view kNoSerialText = "NO S/N";
inline constexpr std::string_view kSerialPrefix = "S/N:\r";  // then the eight characters
inline constexpr std::string_view kVerdictOkText = "OK!";
inline constexpr std::string_view kVerdictErrorText = "Error!";
// A screen test that could not go on: the port would not open or the line was lost. What the
// line said goes beneath it.
inline constexpr std::string_view kTestUnfinishedText = "Test not finished!";

// Settings files.
inline constexpr std::string_view kOpenFilter = "VFD Files(*.vfd) | *.vfd";
inline constexpr std::string_view kSaveFilter = "VFD Files(*.bin) | *.vfd";
inline constexpr std::string_view kLoadQuestion = "Are you sure to Load ?";
inline constexpr std::string_view kLoadTitle = "Load File";
inline constexpr std::string_view kLoadErrorText = "Error";
inline constexpr std::string_view kRefusedSaveName = "VFD.vfd";
inline constexpr std::string_view kRefusedSaveText = "VFD.vfd can't be saved";

// The line beneath "Error" when a settings file cannot be loaded: which file, and why.
std::string loadFailureText(const std::string& file, const std::string& reason);
// A settings file that could not be written: which file, and why.
std::string saveFailureText(const std::string& file, const std::string& reason);

// Captions both windows carry.
inline constexpr std::string_view kPortListCaption = "Com Port Select :";
inline constexpr std::string_view kClearCaption = "Clear";

// A port that could not be chosen or opened, e.g.
// "Com 3 can't be opened: the port does not exist (/dev/ttyS2)."
std::string textFor(const link::PortFailure& failure, Tool tool);

// What the operator reads about an exchange: the message itself and, where the tool knows more,
// a line or two beneath it (a message box's informative text). A message the display's own
// tools show keeps its exact text; the explanation goes underneath.
struct Words {
    std::string text;
    std::string detail;
    bool empty() const { return text.empty(); }
};

// The line an exchange ran on, as the window names it: "Com 3" and "9600,n,8,1".
struct LineNames {
    std::string port;
    std::string settings;
};

// Beneath a verdict of the display's own tools ("VFD PID is Error.", "NO S/N"): what the display
// answered within the wait. Bytes from the display are shown as printable ASCII, the rest as
// \xNN.
std::string noAnswerDetail(const LineNames& line, int waitedMs);
std::string shortAnswerDetail(const LineNames& line, int received, int due, int waitedMs);
std::string wrongAnswerDetail(const LineNames& line, std::string_view answered,
                              std::string_view due);

// The red window's words for an identity that did not pass ("VFD PID is Error." and what the
// display answered), and for a serial-number query ("S/N:" and the number, or "NO S/N").
Words identityWords(const link::QueryResult& result, const LineNames& line);
Words serialWords(const link::QueryResult& result, const LineNames& line);

// A line that failed during an exchange; the system's words for it come beneath. Where the
// exchange has a failure message of its own ("Download Fail ! Please retry again !"), that comes
// first and both sentences go beneath it.
Words lineLostWords(const std::string& portLabel, const std::string& systemWords);
Words lineLostWords(std::string_view headline, const std::string& portLabel,
                    const std::string& systemWords);

// The red window's words for a screen test that could not go on: "Test not finished!", and
// beneath it what the step that stopped it said.
Words unfinishedTestWords(const Words& why);

// A download that ended: the configuration tool's "Download O.K" for Sent, otherwise the
// failure.
Words wordsFor(const link::DownloadResult& result, const LineNames& line);

// What an upload was for: the settings shown in the configuration window, the screen test's
// read-back of its test image, or a settings file written from the command line.
enum class UploadUse { Settings, ReadBack, File };
Words wordsFor(const link::UploadResult& result, const LineNames& line, UploadUse use);

}  // namespace vfd::ui
