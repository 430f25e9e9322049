// The window's exchanges with a display and with settings files. The window is the working copy
// of the settings: a download or a save fills the image from it, an upload or a load sets it
// from the image.
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "config/config_window.h"
#include "config/file/settings_file.h"
#include "link/exchanges.h"
#include "link/port_choice.h"

namespace vfd::config {

namespace {

const QString kDownloadOk = QStringLiteral("Download O.K ! Please restart !");
const QString kUploadOk = QStringLiteral("Upload O.K!");
const QString kSaveFilter = QStringLiteral("VFD Files(*.bin) | *.vfd");
const QString kRefusedName = QStringLiteral("VFD.vfd");
const QString kRefusedMessage = QStringLiteral("VFD.vfd can't be saved");

constexpr int kDownloadSettleMs = 1000;  // the display needs a moment before it is restarted

// Keeps the buttons that start another exchange disabled for the life of one exchange.
class BusyScope {
public:
    explicit BusyScope(ConfigWindow& window) : window_(window) { window_.setBusy(true); }
    ~BusyScope() { window_.setBusy(false); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    ConfigWindow& window_;
};

QString fromStd(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Opens the port chosen in the window; on failure tells the operator and gives nothing.
std::optional<link::PortChoice> openWindowPort(ConfigWindow& window) {
    const auto chosen = link::choosePort(window.commText().toStdString(),
                                         window.baudText().toStdString(), window.portLookup());
    if (!chosen.choice) {
        window.dialogs().message(fromStd(chosen.problem));
        return std::nullopt;
    }
    const std::string problem = link::openChosenPort(window.port(), *chosen.choice);
    if (!problem.empty()) {
        window.dialogs().message(fromStd(problem));
        return std::nullopt;
    }
    return chosen.choice;
}

std::filesystem::path toPath(const QString& name) {
    return std::filesystem::path(QFile::encodeName(name).toStdString());
}

}  // namespace

void ConfigWindow::onDownload() {
    BusyScope busy(*this);
    // The image is filled before the port is touched, so the window shows both messages in
    // hexadecimal afterwards whatever the port does.
    fillFromWindow(image(), takeWindowValues());
    const auto choice = openWindowPort(*this);
    if (!choice) {
        return;
    }
    const auto result =
        link::downloadSettings(port(), clock(), link::dateStamp(today()), image().body());
    switch (result.outcome) {
        case link::DownloadOutcome::Sent:
            link::delayMs(clock(), kDownloadSettleMs);
            dialogs().message(kDownloadOk);
            break;
        case link::DownloadOutcome::NoAnswer:
            dialogs().message(fromStd(link::kDownloadFailText));
            break;
        case link::DownloadOutcome::WrongCheck:
            dialogs().message(fromStd(link::kIrcErrorText));
            break;
        case link::DownloadOutcome::LineLost:
            dialogs().message(fromStd(link::describeLineLost(choice->label, result.lineError)));
            break;
    }
}

void ConfigWindow::onGetSetting() {
    BusyScope busy(*this);
    const auto choice = openWindowPort(*this);
    if (!choice) {
        return;
    }
    // The reply is kept apart until it is whole and marked: a display that does not answer, or
    // answers garbage, must not wipe the operator's characters from the image.
    const auto result = link::uploadSettings(port(), clock());
    switch (result.outcome) {
        case link::UploadOutcome::NoAnswer:
            dialogs().message(commText() + fromStd(link::kCantBeOpenSuffix));
            return;
        case link::UploadOutcome::Short:
            dialogs().message(QStringLiteral("The display answered only %1 of 127 bytes. "
                                             "The settings in the window were not changed.")
                                  .arg(result.received));
            return;
        case link::UploadOutcome::BadMarker:
            dialogs().message(fromStd(link::kReceiveCheckErrorText));
            return;
        case link::UploadOutcome::LineLost:
            dialogs().message(fromStd(link::describeLineLost(choice->label, result.lineError)));
            return;
        case link::UploadOutcome::Received:
            break;
    }
    image() = SettingsImage(result.reply);
    dialogs().message(kUploadOk);
    applyWindowUpdate(windowUpdateFromImage(image()), true);
    if (image().at(image_index::kScrollFlags) <= 3) {
        setScrollFlagsValue(image().at(image_index::kScrollFlags));
    }
    redrawCharacter();
}

void ConfigWindow::onSave() {
    const QString path = dialogs().chooseSaveFile(kSaveFilter);
    setSettingsFileName(path);
    if (QFileInfo(path).fileName() == kRefusedName) {
        dialogs().message(kRefusedMessage);
        return;
    }
    if (path.isEmpty()) {
        return;
    }
    // The stand-by time travels with the file like every other setting of the window.
    fillFromWindow(image(), takeWindowValues(), StandbyByte::Fill);
    setScrollFlagsValue(image().at(image_index::kScrollFlags));
    const std::string problem = file::writeSettingsFile(toPath(path), image().body());
    if (!problem.empty()) {
        dialogs().message(QStringLiteral("The settings could not be saved to %1: %2.")
                              .arg(QDir::toNativeSeparators(path), fromStd(problem)));
    }
}

void ConfigWindow::onLoad() {
    const QString path = dialogs().chooseOpenFile(fromStd(file::kOpenFilter));
    setSettingsFileName(path);
    if (path.isEmpty()) {
        return;
    }
    if (!dialogs().confirm(fromStd(file::kLoadQuestion), fromStd(file::kLoadTitle))) {
        return;
    }
    // The whole file is read and checked before anything changes: a short or foreign file
    // leaves the window, the image and the character editor as they were.
    const auto read = file::readSettingsFile(toPath(path));
    if (!read.body || file::firstBadListByte(*read.body)) {
        dialogs().message(fromStd(file::kLoadErrorText));
        return;
    }
    returnToFirstCharacter();
    image().setBody(*read.body);
    applyWindowUpdate(windowUpdateFromImage(image()), true);
    setScrollFlagsValue(image().at(image_index::kScrollFlags));
    redrawCharacter();
}

}  // namespace vfd::config
