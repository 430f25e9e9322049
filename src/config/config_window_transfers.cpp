// SPDX-License-Identifier: GPL-3.0-or-later
// The window's exchanges with a display and with settings files. The window is the working copy
// of the settings: a download or a save fills the image from it, an upload or a load sets it
// from the image.
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "config/config_window.h"
#include "config/udc_editor.h"
#include "file/settings_file.h"
#include "link/exchanges.h"
#include "link/port_choice.h"
#include "ui/exchange_guard.h"
#include "ui/operator_texts.h"
#include "ui/widgets.h"

namespace vfd::config {

namespace {

constexpr int kDownloadSettleMs = 1000;  // the display needs a moment before it is restarted

// Keeps the buttons that start another exchange disabled for the life of one exchange.
// The window stays alive meanwhile and takes no input (see ui::ExchangeGuard).
class BusyScope {
public:
    explicit BusyScope(ConfigWindow& window)
        : window_(window),
          guard_(window, window.clock(), window.statusLine(), window.commText(), {}) {
        window_.setBusy(true);
    }
    ~BusyScope() { window_.setBusy(false); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    ConfigWindow& window_;
    ui::ExchangeGuard guard_;
};

using ui::fromUtf8;

// Opens the port chosen in the window; on failure tells the operator and gives nothing.
std::optional<link::PortChoice> openWindowPort(ConfigWindow& window) {
    const auto chosen = link::choosePort(window.commText().toStdString(),
                                         window.baudText().toStdString(), window.portLookup());
    if (!chosen.choice) {
        window.dialogs().message(fromUtf8(ui::textFor(chosen.failure, ui::Tool::Zoravel)));
        return std::nullopt;
    }
    if (const auto failure = link::openChosenPort(window.port(), *chosen.choice)) {
        window.dialogs().message(fromUtf8(ui::textFor(failure, ui::Tool::Zoravel)));
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
    // hexadecimal afterwards whatever the port does. The character on the grid goes with it.
    udc_->storeDraft();
    fillFromWindow(image(), takeWindowValues());
    const auto choice = openWindowPort(*this);
    if (!choice) {
        return;
    }
    const auto result =
        link::downloadSettings(port(), clock(), device::dateStamp(today()), image().body());
    if (result.outcome == link::DownloadOutcome::Sent) {
        link::delayMs(clock(), kDownloadSettleMs);
    }
    ui::tell(dialogs(), ui::wordsFor(result, {choice->label, baudText().toStdString()}));
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
    if (result.outcome != link::UploadOutcome::Received) {
        // "can't be open !!" follows the port list's text as the operator sees it.
        ui::tell(dialogs(),
                 ui::wordsFor(result, {commText().toStdString(), baudText().toStdString()},
                              ui::UploadUse::Settings));
        return;
    }
    image() = device::SettingsImage(result.reply);
    dialogs().message(fromUtf8(ui::kUploadOkText));
    applyWindowUpdate(windowUpdateFromImage(image()), true);
    redrawCharacter();
    schedulePreview();
}

void ConfigWindow::onSave() {
    const QString path = dialogs().chooseSaveFile(fromUtf8(ui::kSaveFilter));
    if (QFileInfo(path).fileName() == fromUtf8(ui::kRefusedSaveName)) {
        dialogs().message(fromUtf8(ui::kRefusedSaveText));
        return;
    }
    if (path.isEmpty()) {
        return;
    }
    // The stand-by time travels with the file like every other setting of the window, and so
    // does the character on the grid.
    udc_->storeDraft();
    fillFromWindow(image(), takeWindowValues(), StandbyByte::Fill);
    const std::string problem = file::writeSettingsFile(toPath(path), image().body());
    if (!problem.empty()) {
        dialogs().message(
            fromUtf8(ui::saveFailureText(QDir::toNativeSeparators(path).toStdString(), problem)));
    }
}

void ConfigWindow::onLoad() {
    const QString path = dialogs().chooseOpenFile(fromUtf8(ui::kOpenFilter));
    if (path.isEmpty()) {
        return;
    }
    if (!dialogs().confirm(fromUtf8(ui::kLoadQuestion), fromUtf8(ui::kLoadTitle))) {
        return;
    }
    // The whole file is read and checked before anything changes: a short or foreign file
    // leaves the window, the image and the character editor as they were.
    const auto read = file::loadSettingsFile(toPath(path));
    if (!read.body) {
        dialogs().message(fromUtf8(ui::kLoadErrorText),
                          fromUtf8(ui::loadFailureText(QDir::toNativeSeparators(path).toStdString(),
                                                       read.error)));
        return;
    }
    returnToFirstCharacter();
    image().setBody(*read.body);
    applyWindowUpdate(windowUpdateFromImage(image()), true);
    redrawCharacter();
    schedulePreview();
}

}  // namespace vfd::config
