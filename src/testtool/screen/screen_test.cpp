#include "testtool/screen/screen_test.h"

#include <algorithm>
#include <string_view>

#include "link/exchanges.h"
#include "link/protocol.h"
#include "link/transfer.h"
#include "testtool/identity.h"
#include "testtool/image_download.h"

namespace vfd::testtool {

namespace {

using namespace image_index;
using link::LineStatus;

constexpr std::string_view kMessage1Default = "*** VFD DISPLAY  ***";
constexpr std::string_view kMessage1Nr400 = "*VFD DISPLAY NR-400*";
constexpr std::string_view kMessage2Default = "**HAVE A NICE DAY AND THANK YOU**";
constexpr std::string_view kTestMessage1 = "***ABCD***";
constexpr std::string_view kTestMessage2 = "**ABCD**";
constexpr std::uint8_t kCommandEpson = 1;
constexpr std::uint8_t kCommandCd5220 = 7;
constexpr std::uint8_t kCharSetRussia = 12;
constexpr std::uint8_t kAllOn = 0xDB;
constexpr std::uint8_t kAllOff = 0x20;
constexpr std::string_view kFactoryDone = "Download O.K ! Please restart VFD!";
constexpr std::string_view kVerdictOk = "OK!";
constexpr std::string_view kVerdictError = "Error!";

void put(ImageBytes& image, int first, std::string_view text, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) {
        image[static_cast<std::size_t>(first) + i] =
            i < text.size() ? static_cast<std::uint8_t>(text[i]) : std::uint8_t{' '};
    }
}

BodyBytes bodyOf(const ImageBytes& image) {
    BodyBytes body{};
    std::copy(image.begin() + 1, image.end(), body.begin());
    return body;
}

// Clears the busy flag on every way out of a run.
class BusyFlag {
public:
    explicit BusyFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~BusyFlag() { flag_ = false; }
    BusyFlag(const BusyFlag&) = delete;
    BusyFlag& operator=(const BusyFlag&) = delete;

private:
    bool& flag_;
};

}  // namespace

ScreenTest::ScreenTest(Operator& op, std::function<link::Date()> today)
    : op_(op), today_(std::move(today)) {}

ImageBytes ScreenTest::factoryImage(const ScreenTestChoice& c) {
    const bool russia = c.model == Model::Cd5220Nr400Cd5220Russia;
    ImageBytes image{};
    image[kCommand] =
        (c.model == Model::Cd5220File && c.defaults) || russia ? kCommandCd5220 : kCommandEpson;
    const auto message1 = russia ? kMessage1Nr400 : kMessage1Default;
    put(image, kMessage1, message1, message1.size());
    put(image, kMessage2, kMessage2Default, kMessage2Default.size());
    return image;
}

ImageBytes ScreenTest::testImage() {
    ImageBytes image{};
    image[kCharSet] = 1;
    image[kCommand] = kCommandEpson;
    put(image, kMessage1, kTestMessage1, kMessage1Length);
    put(image, kMessage2, kTestMessage2, kMessage2Length);
    return image;
}

ImageBytes ScreenTest::defaultImage(const ScreenTestChoice& c) {
    ImageBytes image{};
    image[kCommand] = kCommandEpson;
    const Model m = c.model;
    // The rows apply in this order, and one option can match two of them.
    if (m == Model::EpsonQv310) {
        put(image, kMessage1, "*VFD DISPLAY QV310 *", kMessage1Length);
    }
    if (m == Model::EpsonQv330) {
        put(image, kMessage1, "*VFD DISPLAY QV330 *", kMessage1Length);
    }
    if (m == Model::EpsonVfd) {
        put(image, kMessage1, kMessage1Default, kMessage1Length);
    }
    if (m == Model::EpsonNr400 || m == Model::EpsonNr400Cd5220Russia ||
        m == Model::Cd5220Nr400Cd5220Russia) {
        put(image, kMessage1, kMessage1Nr400, kMessage1Length);
    }
    if (m == Model::EpsonNr400Cd5220Russia || m == Model::Cd5220Nr400Cd5220Russia) {
        image[kCharSet] = kCharSetRussia;
        image[kCommand] = kCommandCd5220;
    }
    if (m == Model::EpsonZtk900) {
        put(image, kMessage1, "VFD DISPLAY ZTK-900 ", kMessage1Length);
    }
    if (m == Model::EpsonQv310v68ac || m == Model::Cd5220Qv310v68ac) {
        put(image, kMessage1, kMessage1Default, kMessage1Length);
        image[kCommand] = kCommandCd5220;
    }
    put(image, kMessage2, kMessage2Default, kMessage2Default.size());
    if (isFileModel(m) && c.fileImage) {
        std::copy(c.fileImage->begin(), c.fileImage->end(), image.begin() + 1);
    }
    return image;
}

ScreenTestEnd ScreenTest::run(TestLine& line, const ScreenTestChoice& choice) {
    if (busy_) {
        return ScreenTestEnd::AlreadyRunning;
    }
    BusyFlag busy(busy_);
    const ScreenTestEnd end = steps(line, choice);
    // Whatever happened, the next display starts from a closed port.
    line.port.close();
    return end;
}

bool ScreenTest::download(TestLine& line, const ImageBytes& image) {
    buffer_ = image;
    return downloadImage(line, op_, link::dateStamp(today_()), bodyOf(buffer_));
}

ScreenTestEnd ScreenTest::steps(TestLine& line, const ScreenTestChoice& choice) {
    const Model m = choice.model;
    if (isFileModel(m) && !choice.fileImage) {
        return ScreenTestEnd::NoFile;
    }

    if ((choice.defaults && isFileModel(m)) || m == Model::Cd5220Nr400Cd5220Russia) {
        if (!download(line, factoryImage(choice))) {
            return ScreenTestEnd::FactoryDownloadFailed;
        }
        op_.showAndWait(std::string(kFactoryDone));
    }

    if (choice.pid && !checkIdentity(line, op_)) {
        return ScreenTestEnd::IdentityFailed;
    }
    if (choice.sn && !readSerialNumber(line, op_, buffer_)) {
        return ScreenTestEnd::NoSerialNumber;
    }

    if (!visualTest(line, m)) {
        return ScreenTestEnd::VisualTestFailed;
    }

    const ImageBytes test = testImage();
    if (!download(line, test)) {
        return ScreenTestEnd::TestImageFailed;
    }

    if (const auto problem = openIfClosed(line); !problem.empty()) {
        op_.message(problem);
        return ScreenTestEnd::ReadBackFailed;
    }
    const auto reply = link::uploadSettings(line.port, line.clock);
    readBack_ = reply.reply;
    switch (reply.outcome) {
        case link::UploadOutcome::Received:
            break;
        case link::UploadOutcome::NoAnswer:
            op_.message(line.portLabel + std::string(link::kCantBeOpenSuffix));
            return ScreenTestEnd::ReadBackFailed;
        case link::UploadOutcome::Short:
            op_.message("The display answered only " + std::to_string(reply.received) +
                        " of 127 bytes when the test image was read back.");
            return ScreenTestEnd::ReadBackFailed;
        case link::UploadOutcome::BadMarker:
            op_.message(std::string(link::kReceiveCheckErrorText));
            return ScreenTestEnd::ReadBackFailed;
        case link::UploadOutcome::LineLost:
            op_.message(link::describeLineLost(line.portLabel, reply.lineError));
            return ScreenTestEnd::ReadBackFailed;
    }
    mismatches_ = 0;
    for (int i = kCompareFirst; i <= kCompareLast; ++i) {
        if (readBack_[static_cast<std::size_t>(i)] != test[static_cast<std::size_t>(i)]) {
            ++mismatches_;
        }
    }

    if (!download(line, defaultImage(choice))) {
        return ScreenTestEnd::DefaultDownloadFailed;
    }

    if (mismatches_ == 0) {
        op_.showAndWait(std::string(kVerdictOk));
        return ScreenTestEnd::Passed;
    }
    op_.showAndWait(std::string(kVerdictError));
    return ScreenTestEnd::Mismatch;
}

bool ScreenTest::visualTest(TestLine& line, Model model) {
    if (const auto problem = openIfClosed(line); !problem.empty()) {
        op_.message(problem);
        return false;
    }
    bool ok = true;
    auto block = [&](std::span<const std::uint8_t> bytes) {
        ok = ok && link::writeBlock(line.port, line.clock, bytes) == LineStatus::Ok;
    };
    auto each = [&](std::span<const std::uint8_t> bytes) {
        ok = ok && link::sendBytes(line.port, line.clock, bytes) == LineStatus::Ok;
    };
    auto pause = [&](int ms) {
        if (ok) {
            link::delayMs(line.clock, ms);
        }
    };
    if (speaksCd5220(model)) {
        // Each line is set whole: ESC Q A (upper) or ESC Q B (lower), twenty characters, CR.
        auto setLine = [&](std::uint8_t which, std::uint8_t fill) {
            const std::uint8_t head[] = {protocol::kEsc, protocol::kLineCommand, which};
            each(head);
            std::array<std::uint8_t, protocol::kDisplayColumns> text;
            text.fill(fill);
            each(text);
            const std::uint8_t cr[] = {protocol::kCr};
            each(cr);
        };
        setLine(protocol::kUpperLine, kAllOn);
        setLine(protocol::kLowerLine, kAllOn);
        pause(kAllOnMs);
        setLine(protocol::kUpperLine, kAllOff);
        setLine(protocol::kLowerLine, kAllOff);
        pause(kAllOffMs);
    } else {
        // Forty characters after ESC @ fill both lines of the display.
        std::array<std::uint8_t, 2 * protocol::kDisplayColumns> text;
        block(protocol::kInitialise);
        text.fill(kAllOn);
        block(text);
        pause(kAllOnMs);
        block(protocol::kInitialise);
        text.fill(kAllOff);
        block(text);
        pause(kAllOffMs);
    }
    if (!ok) {
        op_.message(closeLostLine(line));
        return false;
    }
    line.port.close();
    return true;
}

}  // namespace vfd::testtool
