// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "device/date_stamp.h"
#include "device/settings_image.h"
#include "testtool/models.h"
#include "testtool/operator.h"
#include "testtool/serial_line.h"

namespace vfd::testtool {

// What the operator chose when "Start" was pressed.
struct ScreenRunChoice {
    Model model = Model::EpsonQv310;
    bool pid = true;
    bool sn = false;
    bool defaults = false;
    std::optional<device::BodyBytes> fileImage;  // the loaded settings file; none loaded yet
};

bool factoryDownloadRuns(const ScreenRunChoice& choice);

// How a run ended.
enum class ScreenRunEnd {
    AlreadyRunning,  // a run was in progress; this press did nothing
    NoFile,          // a file option with no file loaded: ended at once, nothing sent
    PortFailed,      // the chosen port names no port or its line parameters are wrong
    FactoryDownloadFailed,
    IdentityFailed,
    NoSerialNumber,
    VisualTestFailed,  // the port would not open or the line failed
    TestImageFailed,
    ReadBackFailed,  // no answer, a short answer, a bad marker or a lost line
    DefaultDownloadFailed,
    Passed,    // "OK!"
    Mismatch,  // "Error!"
};

inline constexpr int kAllOnMs = 1500;
inline constexpr int kAllOffMs = 1000;
inline constexpr int kCompareFirst = 1;  // the read-back is compared at indexes 1 to 69
inline constexpr int kCompareLast = 69;

// The production run for one display: optional factory settings, identity, serial number, all
// dots on and off, a test image downloaded and read back, and the model's default settings.
class ScreenRun {
public:
    ScreenRun(Operator& op, std::function<device::Date()> today);

    // Runs to the end inside the call. Window events run during its pauses, so the window may
    // call run() again meanwhile; such a call returns AlreadyRunning at once.
    ScreenRunEnd run(SerialLine& line, const ScreenRunChoice& choice);

    bool busy() const { return busy_; }

    // The images the run sends, for a model choice.
    static device::ImageBytes factoryImage(const ScreenRunChoice& choice);
    static device::ImageBytes testImage();
    static device::ImageBytes defaultImage(const ScreenRunChoice& choice);

private:
    ScreenRunEnd steps(SerialLine& line, const ScreenRunChoice& choice);
    bool visualTest(SerialLine& line, device::Emulation commands);
    bool download(SerialLine& line, const device::ImageBytes& image);
    // Tells the operator in a message box; nothing when the text is empty.
    void tell(const ui::Words& words);
    // A run the line stopped (a port that would not open, a line lost) ends in the red window
    // the operator watches, not in a message box that is easy to miss.
    void stop(const ui::Words& why);

    Operator& op_;
    std::function<device::Date()> today_;
    bool busy_ = false;
};

}  // namespace vfd::testtool
