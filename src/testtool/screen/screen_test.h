#pragma once

#include <functional>
#include <optional>
#include <string>

#include "config/settings_image.h"
#include "link/date_stamp.h"
#include "testtool/models.h"
#include "testtool/test_line.h"

namespace vfd::testtool {

// What the operator chose when "Start" was pressed.
struct ScreenTestChoice {
    Model model = Model::EpsonQv310;
    bool pid = true;
    bool sn = false;
    bool defaults = false;
    std::optional<BodyBytes> fileImage;  // the loaded settings file; none loaded yet
};

// How a run ended.
enum class ScreenTestEnd {
    AlreadyRunning,  // a run was in progress; this press did nothing
    NoFile,          // a file option with no file loaded: ended at once, nothing sent
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
class ScreenTest {
public:
    ScreenTest(Operator& op, std::function<link::Date()> today);

    // Runs to the end inside the call. Window events run during its pauses, so the window may
    // call run() again meanwhile; such a call returns AlreadyRunning at once.
    ScreenTestEnd run(TestLine& line, const ScreenTestChoice& choice);

    bool busy() const { return busy_; }
    const ImageBytes& settingsBuffer() const { return buffer_; }
    const ImageBytes& readBack() const { return readBack_; }
    int mismatches() const { return mismatches_; }

    // The images the run sends, for a model choice.
    static ImageBytes factoryImage(const ScreenTestChoice& choice);
    static ImageBytes testImage();
    static ImageBytes defaultImage(const ScreenTestChoice& choice);

private:
    ScreenTestEnd steps(TestLine& line, const ScreenTestChoice& choice);
    bool visualTest(TestLine& line, Model model);
    bool download(TestLine& line, const ImageBytes& image);

    Operator& op_;
    std::function<link::Date()> today_;
    bool busy_ = false;
    ImageBytes buffer_{};
    ImageBytes readBack_{};
    int mismatches_ = 0;
};

}  // namespace vfd::testtool
