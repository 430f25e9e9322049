// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/date_stamp.h"
#include "device/settings_image.h"
#include "link/clock.h"
#include "link/port.h"
#include "link/port_names.h"
#include "records/line_sync.h"
#include "records/record_store.h"
#include "records/test_record.h"
#include "testtool/operator.h"
#include "testtool/production_run/screen_run.h"
#include "testtool/serial_line.h"
#include "ui/code_page.h"
#include "ui/exchange_guard.h"
#include "ui/operator_dialogs.h"
#include "ui/tool_services.h"

class QButtonGroup;
class QCheckBox;
class QCloseEvent;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vfd::testtool {

class MessageWindow;

inline const QString kTymbrikCaption = QStringLiteral("Tymbrik");

// What the window uses from outside; tests pass fakes.
struct TymbrikWindowServices : ui::ToolServices {
    // Where the range files are looked for, in order. Empty: the working folder, then the
    // program's own folder.
    std::vector<std::filesystem::path> rangeFolders;
    // The station's records file. Empty: the user's data folder (records::RecordStore).
    QString recordsPath;
    // The station's name in its records. Empty: this computer's name.
    QString station;
    // The line database the records are sent on to, in libpq's keyword form
    // ("host=db.line dbname=production user=station3"). Empty: the station keeps them alone.
    QString lineDatabase;
};

// The test tool's window: the port and line-speed choosers, the four range buttons and Exit,
// and the controls of the screen test. It is also the screen test's operator: the red message
// window and the ordinary message box.
class TymbrikWindow : public QWidget, public Operator, private RunListener {
    Q_OBJECT
public:
    explicit TymbrikWindow(TymbrikWindowServices services = {}, QWidget* parent = nullptr);
    ~TymbrikWindow() override;  // closes the port if open

    // Operator: shows the message window and waits in one-second steps, window events running,
    // until the operator pressed OK.
    using Operator::showAndWait;
    void showAndWait(const std::string& text, const std::string& detail) override;
    void message(const ui::Words& words) override;

    // Fills auto_comport with the ports that open now and Comm with every number up to the
    // highest of them, both from empty. When a port was found, both lists then choose the first
    // one that opened, and the search result line names the ports found (or says that none
    // could be opened). From then on a port chosen in either list is chosen in the other too.
    void runPortSearch();

    // The port and line parameters as the window holds them now.
    SerialLine serialLine() const;
    // The model, the three check boxes and the loaded file as they are now.
    ScreenRunChoice screenRunChoice() const;
    // The character set the display under test shows text with: the chosen model's, or the
    // loaded file's for a File Setting model.
    const ui::CodePage& displayCharacters() const;

    // The settings file loaded by "Load Setting": none until a load succeeded.
    const std::optional<device::BodyBytes>& fileImage() const { return fileImage_; }
    QString fileName() const { return fileName_; }
    bool resetPending() const { return resetPending_; }
    // True while a screen test or any other exchange holds the port.
    bool exchangeRunning() const { return ui::ExchangeGuard::active(*this); }

    ScreenRun& screenRun() { return *screenRun_; }
    records::RecordStore& records() { return *store_; }
    // Sends waiting records on to the line database when one is set and no test runs, and says
    // beneath the screen test how many still wait. A timer calls it between tests.
    void syncLine();
    // The record of the run in progress, or of the last one.
    const records::TestRecord& lastRecord() const { return record_; }
    MessageWindow& messageWindow() { return *messageWindow_; }
    ui::OperatorDialogs& dialogs() { return services_.dialogs(); }
    link::Port& port() { return services_.port(); }
    link::Clock& clock() { return services_.clock(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void onAutoSearch();
    void onFoundPortChosen(int index);
    void onPortNumberChosen(int index);
    void onLoadSetting();
    void onDisplay();
    void onStart();
    void onExit();
    void onResults();
    void onLineDatabaseEdited();

private:
    // Keeps the controls that would start another exchange disabled while one runs.
    class ExchangeScope;

    void buildControls();
    void orderTabs();
    void applyModelPreset(int option);
    void sendRangeFile(int which);
    void setPortUsersEnabled(bool enabled);
    // The port user that had the focus when an exchange began; it has it again afterwards.
    QPointer<QWidget> focusBeforeExchange_;
    // RunListener: the run's record is kept before its verdict shows.
    void serialNumberRead(const std::string& number) override;
    void concluded(const RunReport& report) override;
    // Opens the station's records (a damaged file is set aside and said so) and starts the line
    // database on them; what stands in the way otherwise.
    records::StoreOutcome openRecords();
    void keepRecord();
    void showCounts();
    // The line database's state line: how many records wait, and the last sync's problem.
    void showLineState(int waiting);
    void useLineDatabase(const QString& conninfo);

    std::function<void()> endProgram_;
    ui::ResolvedServices services_;
    std::vector<std::filesystem::path> rangeFolders_;
    std::unique_ptr<ScreenRun> screenRun_;

    bool resetPending_ = true;
    bool closing_ = false;
    std::optional<device::BodyBytes> fileImage_;

    std::unique_ptr<records::RecordStore> store_;
    QString station_;
    QDateTime programStart_;
    records::TestRecord record_;
    QElapsedTimer runTimer_;
    bool recording_ = false;  // a run has begun and its record is not kept yet
    std::unique_ptr<records::LineSync> lineSync_;
    QString currentLine_;  // the connection the sync was made for
    QString fileName_;

    QComboBox* comm_ = nullptr;
    QComboBox* baud_ = nullptr;
    QPushButton* exit_ = nullptr;
    QPushButton* rangeButtons_[4] = {};
    QComboBox* autoComport_ = nullptr;
    QPushButton* autoSearch_ = nullptr;
    QLabel* searchResult_ = nullptr;
    QLabel* freeTextNote_ = nullptr;
    QLabel* counts_ = nullptr;
    QLabel* passedBefore_ = nullptr;
    QPushButton* results_ = nullptr;
    QLineEdit* lineDatabase_ = nullptr;
    QLabel* lineState_ = nullptr;
    QString lineProblem_;  // what the last sync ran into; empty when it went well
    QPushButton* loadSetting_ = nullptr;
    QLineEdit* freeText_ = nullptr;
    QPushButton* displayButton_ = nullptr;
    QLineEdit* settingsFilePath_ = nullptr;
    QPushButton* startButton_ = nullptr;
    QButtonGroup* models_ = nullptr;
    QCheckBox* checkPid_ = nullptr;
    QCheckBox* checkSn_ = nullptr;
    QCheckBox* checkDefault_ = nullptr;
    QLabel* factoryLabel_ = nullptr;
    QLabel* acknowledgeState_ = nullptr;
    QLabel* status_ = nullptr;
    MessageWindow* messageWindow_ = nullptr;
};

}  // namespace vfd::testtool
