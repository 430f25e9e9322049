// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
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

// The steps of a run, in the order it takes them, and how each ended.
enum class RunStep {
    FactoryDownload,
    Identity,
    SerialNumber,
    VisualTest,
    TestImage,
    DefaultDownload
};
inline constexpr int kRunSteps = 6;
enum class StepEnd { NotRun, Passed, Failed, EndedEarly };

// What a run learnt, for the production record: handed over before the message that concludes
// the run is shown, so that a verdict shown is a verdict kept.
struct RunReport {
    std::array<StepEnd, kRunSteps> steps{};
    std::array<ui::Words, kRunSteps> words{};  // what the operator was told at each step
    std::string serialNumber;                  // the display's eight bytes, when read
    std::string device;                        // the device the port stood for
    ScreenRunEnd end = ScreenRunEnd::NoFile;
    ui::Words told;  // the concluding message as the operator reads it
};

// Who keeps the record of a run. Both are called inside run().
class RunListener {
public:
    virtual ~RunListener() = default;
    // The serial number was read; called before the operator sees it.
    virtual void serialNumberRead(const std::string& number) = 0;
    // The run ends; called before the message that says so is shown.
    virtual void concluded(const RunReport& report) = 0;
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
    // Told about every run from now on; none by default.
    void setListener(RunListener* listener) { listener_ = listener; }

    // The images the run sends, for a model choice.
    static device::ImageBytes factoryImage(const ScreenRunChoice& choice);
    static device::ImageBytes testImage();
    static device::ImageBytes defaultImage(const ScreenRunChoice& choice);

private:
    ScreenRunEnd steps(SerialLine& line, const ScreenRunChoice& choice);
    bool visualTest(SerialLine& line, device::Emulation commands);
    bool download(SerialLine& line, const device::ImageBytes& image, ScreenRunEnd end);
    // A step that failed ends the run with a message box; nothing when the text is empty.
    void tell(const ui::Words& words, ScreenRunEnd end);
    // A run the line stopped (a port that would not open, a line lost) ends in the red window
    // the operator watches, not in a message box that is easy to miss.
    void stop(const ui::Words& why, ScreenRunEnd end);
    // Records how the current step ended and hands the report over when the run ends there.
    void stepEnded(StepEnd end, const ui::Words& words = {});
    void conclude(ScreenRunEnd end, const ui::Words& told);
    // Stands between the exchanges and the operator while a step shows its own verdict, so
    // that the report is handed over first.
    class VerdictFirst;

    Operator& op_;
    std::function<device::Date()> today_;
    bool busy_ = false;
    RunListener* listener_ = nullptr;
    RunReport report_;
    RunStep current_ = RunStep::FactoryDownload;
};

}  // namespace vfd::testtool
