// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "config/window_values.h"
#include "device/date_stamp.h"
#include "device/settings_image.h"
#include "link/clock.h"
#include "link/port.h"
#include "link/port_names.h"
#include "ui/operator_dialogs.h"
#include "ui/tool_services.h"

class QCheckBox;
class QCloseEvent;
class QComboBox;
class QLabel;
class QPushButton;
class QTabWidget;

namespace vfd::config {

class MessageEditor;
class UdcEditor;
class DisplayPreview;

inline const QString kProgramCaption = QStringLiteral("Zoravel_V3.1");
inline const QString kStandbyRefused = QStringLiteral(
    "Stand-by time must be one of the list's entries, a number of minutes from 0 to 10.");

// What the window uses from outside; tests pass fakes.
using ConfigWindowServices = ui::ToolServices;

// The configuration tool's one window. Its controls are the working copy of the settings: the
// settings image is filled from them when a download or a save begins and they are set from it
// when an upload or a load ends. The character editor is the exception and writes its records
// straight into the image.
class ConfigWindow : public QWidget {
    Q_OBJECT
public:
    explicit ConfigWindow(ConfigWindowServices services = {}, QWidget* parent = nullptr);
    ~ConfigWindow() override;  // closes the port if open

    device::SettingsImage& image() { return image_; }

    // The fill-from-window inputs: list positions, scroll boxes, and both messages taken from
    // their hexadecimal cells (a line in character entry is switched to hexadecimal first).
    WindowValues takeWindowValues();
    // Sets the lists that have a value, the scroll boxes when present, and both messages in
    // their hexadecimal view; the stand-by list only when `setStandby` is true.
    void applyWindowUpdate(const WindowUpdate& update, bool setStandby);

    void redrawCharacter();         // grid and code box from the record of the current character
    void returnToFirstCharacter();  // character 1, caption "User Defined Character  1"
    int udcNumber() const;
    int udcIndex() const;

    QString commText() const;  // current text of Comm, an entry or typed
    QString baudText() const;  // current text of Baud

    ui::OperatorDialogs& dialogs() { return services_.dialogs(); }
    link::Port& port() { return services_.port(); }
    link::Clock& clock() { return services_.clock(); }
    device::Date today() const { return services_.today(); }
    const link::PortLookup& portLookup() const { return services_.ports(); }

    // While an exchange runs, the buttons that would start another one are disabled.
    void setBusy(bool busy);
    // The line that says what the window is doing while it talks to a display.
    QLabel* statusLine() const { return status_; }

    MessageEditor& message1() { return *message1_; }
    MessageEditor& message2() { return *message2_; }
    UdcEditor& characterEditor() { return *udc_; }
    DisplayPreview& preview() { return *preview_; }

    // The download body the window would send now, with nothing in the window changed: the
    // messages stay in the entry they are in and a typed stand-by text stays as typed.
    device::BodyBytes previewBody() const;

protected:
    // The port is closed if open; nothing is asked. Closed during an exchange, the program ends
    // at once rather than go on talking to the display.
    void closeEvent(QCloseEvent* event) override;

private slots:
    // In config_window_transfers.cpp.
    void onDownload();
    void onGetSetting();
    void onSave();
    void onLoad();

    void onSetAllDefault();
    void onStandbyEdited();

private:
    void buildControls();
    void fillOptionLists();
    // A typed stand-by text becomes the entry it names, or is refused and the previous entry
    // comes back; afterwards the list always has a selection.
    void settleStandbyText();
    // Redraws the preview once the events that are queued now have run, so that a burst of
    // changes (a mode switch converts every cell) draws it once.
    void schedulePreview();
    // The lists, the scroll boxes and the two messages' bytes as the window holds them.
    WindowValues windowValues(const std::vector<std::uint8_t>& upper,
                              const std::vector<std::uint8_t>& lower) const;
    void updatePreview();

    std::function<void()> endProgram_;
    ui::ResolvedServices services_;

    device::SettingsImage image_;
    bool settlingStandby_ = false;

    QComboBox* comm_ = nullptr;
    QComboBox* baud_ = nullptr;
    QPushButton* getSetting_ = nullptr;
    QPushButton* download_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* load_ = nullptr;
    QPushButton* setAllDefault_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QComboBox* char_ = nullptr;
    QComboBox* command_ = nullptr;
    QComboBox* baudRate_ = nullptr;
    QComboBox* passthru_ = nullptr;
    QComboBox* standby_ = nullptr;
    MessageEditor* message1_ = nullptr;
    MessageEditor* message2_ = nullptr;
    UdcEditor* udc_ = nullptr;
    DisplayPreview* preview_ = nullptr;
    bool previewPending_ = false;
    QLabel* status_ = nullptr;
};

}  // namespace vfd::config
