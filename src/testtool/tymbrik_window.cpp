// SPDX-License-Identifier: GPL-3.0-or-later
#include "testtool/tymbrik_window.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>
#include <string_view>

#include "file/settings_file.h"
#include "link/qt/qt_clock.h"
#include "link/qt/qt_serial_port.h"
#include "testtool/free_text.h"
#include "testtool/message_window.h"
#include "testtool/models.h"
#include "testtool/port_search.h"
#include "testtool/range_send.h"
#include "testtool/record_words.h"
#include "testtool/results_window.h"
#include "ui/code_page.h"
#include "ui/exchange_guard.h"
#include "ui/operator_texts.h"
#include "ui/port_identity.h"
#include "ui/widgets.h"

namespace vfd::testtool {

namespace {

// The message window's caller looks at the wait value once a second, so OK ends a wait within
// a second.
constexpr int kAcknowledgeStepMs = 1000;

// The range buttons are what the operator on the line uses most; they stand out.
constexpr int kRangeButtonHeight = 57;
constexpr qreal kRangeFontScale = 1.25;

// How often the waiting records are offered to the line database between tests.
constexpr int kLineSyncMs = 5000;

const char* const kRangeButtonNames[] = {"Command3", "Command4", "Command5", "Command6"};
const char* const kRangeCaptions[] = {"Send 0x80-0x9F", "Send 0xA0-0xBF", "Send 0xC0-0xDF",
                                      "Send 0xE0-0xFF"};

using ui::fromUtf8;
using ui::makeButton;
using ui::makeLabel;

std::filesystem::path toPath(const QString& name) {
    return std::filesystem::path(QFile::encodeName(name).toStdString());
}

QComboBox* makeList(const char* name, const QString& spoken, QWidget* parent) {
    return ui::makeList(name, spoken, ui::Typing::ListOnly, parent);
}

}  // namespace

class TymbrikWindow::ExchangeScope {
public:
    explicit ExchangeScope(TymbrikWindow& window, const QString& doing = {})
        : window_(window),
          outermost_(!ui::ExchangeGuard::active(window)),
          guard_(window, window.clock(), window.status_, window.comm_->currentText(),
                 {window.exit_}, doing) {
        if (outermost_) {
            window_.setPortUsersEnabled(false);
        }
    }
    ~ExchangeScope() {
        if (outermost_) {
            window_.setPortUsersEnabled(true);
        }
    }
    ExchangeScope(const ExchangeScope&) = delete;
    ExchangeScope& operator=(const ExchangeScope&) = delete;

private:
    TymbrikWindow& window_;
    bool outermost_;
    ui::ExchangeGuard guard_;
};

TymbrikWindow::TymbrikWindow(TymbrikWindowServices services, QWidget* parent)
    : QWidget(parent),
      endProgram_(std::move(services.endProgram)),
      services_(static_cast<ui::ToolServices&&>(services), this, kTymbrikCaption) {
    if (services.rangeFolders.empty()) {
        std::error_code ec;
        rangeFolders_ = rangeFolders(std::filesystem::current_path(ec),
                                     toPath(QCoreApplication::applicationDirPath()));
    } else {
        rangeFolders_ = std::move(services.rangeFolders);
    }
    screenRun_ = std::make_unique<ScreenRun>(*this, [this] { return services_.today(); });
    screenRun_->setListener(this);
    station_ = services.station.isEmpty() ? records::defaultStationName() : services.station;
    store_ = std::make_unique<records::RecordStore>(services.recordsPath.isEmpty()
                                                        ? records::RecordStore::defaultPath()
                                                        : services.recordsPath);
    programStart_ = QDateTime::currentDateTime();

    setWindowTitle(kTymbrikCaption);
    buildControls();

    // A records file that cannot be used is told at once; Start then says so again and waits
    // for one that can, since a line that traces its units must not test without recording.
    lineDatabase_->setText(services.lineDatabase);
    if (const records::StoreOutcome opened = openRecords(); !opened.ok()) {
        message(wordsFor(opened));
    }
    // Between tests the waiting records go on to the line database; syncDue leaves a server
    // that is away alone for a while, so this costs nothing most of the time.
    auto* syncTimer = new QTimer(this);
    syncTimer->setInterval(kLineSyncMs);
    connect(syncTimer, &QTimer::timeout, this, &TymbrikWindow::syncLine);
    syncTimer->start();

    factoryLabel_->setText(QStringLiteral("Factory"));
    resetPending_ = true;
    for (const std::string_view entry : device::kBaudEntries) {
        baud_->addItem(fromUtf8(entry));
    }
    baud_->setCurrentIndex(0);
    models_->button(0)->setChecked(true);
    runPortSearch();
}

TymbrikWindow::~TymbrikWindow() = default;

void TymbrikWindow::buildControls() {
    // The part of the window an operator on the line needs: the port, the line parameters, the
    // four range buttons and Exit.
    auto* label6 = makeLabel("Label6", fromUtf8(ui::kPortListCaption),
                             QStringLiteral("Com Port Select"), this);
    comm_ = makeList("Comm", QStringLiteral("Port"), this);
    label6->setBuddy(comm_);
    // Which device the chosen number is, before anything is sent to it.
    auto* portDevice = new ui::PortIdentityLine(comm_, services_.ports(), this);
    // A typed text is used as it stands; it never becomes an entry of the list.
    baud_ = ui::makeList("Baud", QStringLiteral("Line parameters"), ui::Typing::Typed, this);
    exit_ = makeButton("Exit", QStringLiteral("Exit"), this);
    exit_->setMinimumHeight(kRangeButtonHeight);

    auto* chooser = new QVBoxLayout;
    chooser->addWidget(label6);
    chooser->addWidget(comm_);
    chooser->addWidget(portDevice);
    chooser->addWidget(baud_);
    chooser->addStretch(1);
    chooser->addWidget(exit_);

    auto* ranges = new QVBoxLayout;
    for (int i = 0; i < 4; ++i) {
        auto* button = makeButton(kRangeButtonNames[i], QLatin1String(kRangeCaptions[i]), this);
        QFont font = button->font();
        font.setPointSizeF(font.pointSizeF() * kRangeFontScale);
        button->setFont(font);
        button->setMinimumHeight(kRangeButtonHeight);
        ranges->addWidget(button);
        rangeButtons_[i] = button;
        connect(button, &QPushButton::clicked, this, [this, i] { sendRangeFile(i); });
    }

    auto* top = new QHBoxLayout;
    top->addLayout(chooser, 1);
    top->addLayout(ranges, 1);

    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);

    // The helpers below: the port search, and a text to show on the display.
    autoComport_ = makeList("auto_comport", QStringLiteral("Ports found"), this);
    autoSearch_ = makeButton("Command1", QStringLiteral("Auto Search Comport"), this);
    freeText_ = new QLineEdit(this);
    freeText_->setObjectName(QStringLiteral("Text1"));
    freeText_->setAccessibleName(QStringLiteral("Text to display"));
    freeText_->setPlaceholderText(freeText_->accessibleName());
    freeText_->setValidator(new ui::DisplayTextValidator(
        [this]() -> const ui::CodePage& { return displayCharacters(); },
        [this](QChar c) {
            freeTextNote_->setText(ui::refusedCharacterNote(c, displayCharacters()));
        },
        freeText_));
    // Which character the text refused; the line is kept so that nothing below it moves.
    freeTextNote_ = makeLabel("TextNote", QString(), QStringLiteral("Text to display note"), this);
    freeTextNote_->setFixedHeight(freeTextNote_->fontMetrics().height());
    connect(freeText_, &QLineEdit::textEdited, freeTextNote_, &QLabel::clear);
    displayButton_ = makeButton("Display", QStringLiteral("DisplayText"), this);
    loadSetting_ = makeButton("Command2", QStringLiteral("Load Setting"), this);
    settingsFilePath_ = new QLineEdit(this);
    settingsFilePath_->setObjectName(QStringLiteral("Text2"));
    settingsFilePath_->setAccessibleName(QStringLiteral("Settings file"));
    settingsFilePath_->setPlaceholderText(settingsFilePath_->accessibleName());
    // It shows which file the screen test downloads; nothing reads a typed path back.
    settingsFilePath_->setReadOnly(true);

    // What the last search found, in words; the list beside the button holds the same ports.
    searchResult_ = makeLabel("SearchResult", QString(), QString(), this);

    auto* helpers = new QGridLayout;
    helpers->addWidget(autoComport_, 0, 0);
    helpers->addWidget(autoSearch_, 0, 1);
    helpers->addWidget(searchResult_, 1, 0, 1, 2);
    helpers->addWidget(freeText_, 2, 0);
    helpers->addWidget(displayButton_, 2, 1);
    helpers->addWidget(freeTextNote_, 3, 0, 1, 2);
    helpers->setColumnStretch(0, 1);

    auto* frame1 = new QGroupBox(QStringLiteral("Module Name"), this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    frame1->setAccessibleName(QStringLiteral("Module Name"));
    models_ = new QButtonGroup(this);
    models_->setExclusive(true);
    auto* options = new QGridLayout(frame1);
    constexpr int kOptionRows = 6;
    for (int i = 0; i < static_cast<int>(kModelOptions.size()); ++i) {
        const ModelOption& option = kModelOptions[static_cast<std::size_t>(i)];
        auto* button = new QRadioButton(fromUtf8(option.caption), frame1);
        button->setObjectName(fromUtf8(option.objectName));
        button->setAccessibleName(fromUtf8(option.caption));
        models_->addButton(button, i);
        options->addWidget(button, i % kOptionRows, i / kOptionRows);
    }
    // A click on the option already chosen sets its boxes again, as a change of option does.
    connect(models_, &QButtonGroup::idClicked, this, &TymbrikWindow::applyModelPreset);
    connect(models_, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on) {
            applyModelPreset(id);
        }
    });

    checkPid_ = new QCheckBox(QStringLiteral("PID"), this);
    checkPid_->setObjectName(QStringLiteral("Check_PID"));
    checkPid_->setAccessibleName(QStringLiteral("PID"));
    checkPid_->setAccessibleDescription(QStringLiteral("Check the display's identity"));
    checkSn_ = new QCheckBox(QStringLiteral("SN"), this);
    checkSn_->setObjectName(QStringLiteral("Check_SN"));
    checkSn_->setAccessibleName(QStringLiteral("SN"));
    checkSn_->setAccessibleDescription(QStringLiteral("Read the serial number"));
    checkDefault_ = new QCheckBox(QStringLiteral("Default"), this);
    checkDefault_->setObjectName(QStringLiteral("Check_Default"));
    checkDefault_->setAccessibleName(QStringLiteral("Default"));
    checkDefault_->setAccessibleDescription(
        QStringLiteral("Download factory settings before the test"));
    startButton_ = makeButton("ScreenTest", QStringLiteral("Start"), this);
    startButton_->setAccessibleDescription(QStringLiteral("Start the screen test"));
    startButton_->setMinimumHeight(kRangeButtonHeight);
    // The window has always carried these; they tell the operator nothing ("Factory", the
    // message window's state, a port list that nothing reads), so they are kept by their names
    // out of sight, out of the tab order and out of a screen reader's way.
    QWidget* parked = ui::parkingFor(this);
    factoryLabel_ = makeLabel("Label1", QString(), QStringLiteral("Factory"), parked);
    acknowledgeState_ =
        makeLabel("Label2", QStringLiteral("Label2"), QStringLiteral("Message state"), parked);
    auto* cboPort =
        ui::makeList("cboPort", QStringLiteral("Unused port list"), ui::Typing::Typed, parked);
    cboPort->setEditText(QStringLiteral("Combo1"));

    // The production records: what this station tested, and the Results window.
    counts_ = makeLabel("ResultsCounts", QString(), QStringLiteral("Results"), this);
    counts_->setWordWrap(true);
    passedBefore_ = makeLabel("PassedBefore", QString(), QStringLiteral("Tested before"), this);
    passedBefore_->setFixedHeight(passedBefore_->fontMetrics().height());
    results_ = makeButton("ResultsButton", QStringLiteral("Results..."), this);
    results_->setAccessibleName(QStringLiteral("Results"));
    results_->setAccessibleDescription(QStringLiteral("The records of the screen tests"));
    // Where the records go on to; the password comes from PGPASSWORD or a pgpass file.
    lineDatabase_ = new QLineEdit(this);
    lineDatabase_->setObjectName(QStringLiteral("LineDatabase"));
    lineDatabase_->setAccessibleName(QStringLiteral("Line database"));
    lineDatabase_->setPlaceholderText(
        QStringLiteral("Line database: host=... dbname=... user=... (none: this station only)"));
    lineDatabase_->setAccessibleDescription(lineDatabase_->placeholderText());
    lineState_ = makeLabel("LineDatabaseState", QString(), QStringLiteral("Line database"), this);
    lineState_->setFixedHeight(lineState_->fontMetrics().height());

    auto* steps = new QVBoxLayout;
    steps->addWidget(checkPid_);
    steps->addWidget(checkSn_);
    steps->addWidget(checkDefault_);
    steps->addStretch(1);
    steps->addWidget(startButton_);

    // Everything the screen test takes, under one heading: the settings file for the two file
    // options, the model, what to check, and Start.
    auto* screenTest = new QGroupBox(QStringLiteral("Screen test"), this);
    screenTest->setObjectName(QStringLiteral("ScreenTestGroup"));
    screenTest->setAccessibleName(QStringLiteral("Screen test"));
    auto* file = new QHBoxLayout;
    file->addWidget(settingsFilePath_, 1);
    file->addWidget(loadSetting_);
    auto* choice = new QHBoxLayout;
    choice->addWidget(frame1, 1);
    choice->addLayout(steps);
    auto* screen = new QVBoxLayout(screenTest);
    screen->addLayout(file);
    screen->addLayout(choice);
    auto* kept = new QHBoxLayout;
    kept->addWidget(counts_, 1);
    kept->addWidget(results_);
    screen->addLayout(kept);
    screen->addWidget(passedBefore_);
    screen->addWidget(lineDatabase_);
    screen->addWidget(lineState_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(rule);
    layout->addLayout(helpers);
    layout->addWidget(screenTest);
    // What the tool is doing while it talks to a display, and what it waits for.
    status_ = makeLabel("Status", QString(), QStringLiteral("Status"), this);
    layout->addWidget(status_);

    messageWindow_ = new MessageWindow(this);
    connect(messageWindow_, &MessageWindow::acknowledged, this, [this] {
        acknowledgeState_->setText(QStringLiteral("0"));
        // Without a window manager nothing hands the keyboard back once the message window has
        // gone, so the operator's next Space would reach no window.
        if (isVisible() && !closing_) {
            activateWindow();
        }
    });

    // The two port lists name one port: choosing in either shows the choice in the other.
    connect(autoComport_, &QComboBox::currentIndexChanged, this, &TymbrikWindow::onFoundPortChosen);
    connect(comm_, &QComboBox::currentIndexChanged, this, &TymbrikWindow::onPortNumberChosen);

    connect(exit_, &QPushButton::clicked, this, &TymbrikWindow::onExit);
    connect(autoSearch_, &QPushButton::clicked, this, &TymbrikWindow::onAutoSearch);
    connect(loadSetting_, &QPushButton::clicked, this, &TymbrikWindow::onLoadSetting);
    connect(displayButton_, &QPushButton::clicked, this, &TymbrikWindow::onDisplay);
    connect(startButton_, &QPushButton::clicked, this, &TymbrikWindow::onStart);
    connect(results_, &QPushButton::clicked, this, &TymbrikWindow::onResults);
    connect(lineDatabase_, &QLineEdit::editingFinished, this, &TymbrikWindow::onLineDatabaseEdited);

    orderTabs();
}

void TymbrikWindow::orderTabs() {
    QList<QWidget*> order = {comm_, baud_};
    for (QPushButton* button : rangeButtons_) {
        order << button;
    }
    order << exit_ << autoComport_ << autoSearch_ << freeText_ << displayButton_
          << settingsFilePath_ << loadSetting_;
    for (QAbstractButton* option : models_->buttons()) {
        order << option;
    }
    order << checkPid_ << checkSn_ << checkDefault_ << startButton_ << results_ << lineDatabase_;
    for (qsizetype i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(order[i - 1], order[i]);
    }
}

void TymbrikWindow::applyModelPreset(int option) {
    const CheckPreset& preset = kModelOptions[static_cast<std::size_t>(option)].preset;
    checkPid_->setChecked(preset.pid);
    checkSn_->setChecked(preset.sn);
    checkDefault_->setChecked(preset.defaults);
}

void TymbrikWindow::runPortSearch() {
    autoComport_->clear();
    comm_->clear();
    const std::vector<int> found = searchPorts(services_.port(), services_.ports());
    for (const int n : found) {
        autoComport_->addItem(QStringLiteral("Com %1").arg(n));
    }
    // Comm is indexed by port number - 1, so numbers that did not open keep their places.
    const int last = found.empty() ? 0 : found.back();
    for (int j = 1; j <= last; ++j) {
        comm_->addItem(QStringLiteral("com %1").arg(j));
    }
    // The port to use is the first one that opened, whatever its number: with an adapter on
    // Com 33 alone, "com 1" would send every range to a port that is not there.
    if (!found.empty()) {
        autoComport_->setCurrentIndex(0);
        comm_->setCurrentIndex(found.front() - 1);
    }

    QStringList names;
    for (int i = 0; i < autoComport_->count(); ++i) {
        names << autoComport_->itemText(i);
    }
    const QString result = names.isEmpty() ? QStringLiteral("No port could be opened")
                                           : QStringLiteral("Found: ") + names.join(", ");
    searchResult_->setText(result);
    searchResult_->setAccessibleName(result);
    // The button keeps the operator's focus after a search; its description is read with it.
    autoSearch_->setAccessibleDescription(result);
}

void TymbrikWindow::onFoundPortChosen(int index) {
    if (index < 0) {
        return;
    }
    const auto number = link::parseComName(autoComport_->itemText(index).toStdString());
    if (number && *number <= comm_->count()) {
        comm_->setCurrentIndex(*number - 1);
    }
}

void TymbrikWindow::onPortNumberChosen(int index) {
    if (index < 0) {
        return;
    }
    // A number that did not open in the last search is not among the found ports: the list of
    // found ports then shows none rather than another port.
    autoComport_->setCurrentIndex(autoComport_->findText(QStringLiteral("Com %1").arg(index + 1)));
}

SerialLine TymbrikWindow::serialLine() const {
    return SerialLine{services_.port(),
                      services_.clock(),
                      services_.ports(),
                      comm_->currentIndex() + 1,
                      comm_->currentText().toStdString(),
                      baud_->currentText().toStdString(),
                      {}};
}

const ui::CodePage& TymbrikWindow::displayCharacters() const {
    // The display under test shows text with the set its model's defaults store (the loaded
    // file's for a File Setting model), the settings a screen test leaves in it.
    const auto set =
        device::SettingsImage(ScreenRun::defaultImage(screenRunChoice())).characterSet();
    return ui::CodePage::of(
        static_cast<int>(set) < device::kCharacterSetCount ? set : device::CharacterSet::UsaEurope);
}

ScreenRunChoice TymbrikWindow::screenRunChoice() const {
    ScreenRunChoice choice;
    const int option = models_->checkedId();
    if (option >= 0) {
        choice.model = kModelOptions[static_cast<std::size_t>(option)].model;
    }
    choice.pid = checkPid_->isChecked();
    choice.sn = checkSn_->isChecked();
    choice.defaults = checkDefault_->isChecked();
    choice.fileImage = fileImage_;
    return choice;
}

void TymbrikWindow::showAndWait(const std::string& text, const std::string& detail) {
    if (closing_) {
        return;
    }
    // The texts carry bytes from the display (the serial number), codes of its character set.
    messageWindow_->setMessage(displayCharacters().decode(QByteArray::fromStdString(text)));
    messageWindow_->setDetail(fromUtf8(detail));
    messageWindow_->setWaitValue(1);
    messageWindow_->present();
    while (messageWindow_->waitValue() == 1 && !closing_) {
        link::delayMs(services_.clock(), kAcknowledgeStepMs);
    }
}

void TymbrikWindow::message(const ui::Words& words) {
    // Message boxes carry the tool's own words, with device paths and the system's reasons in
    // them; only the message window shows bytes that came from the display.
    ui::tell(services_.dialogs(), words);
}

void TymbrikWindow::onAutoSearch() {
    ExchangeScope scope(*this, QStringLiteral("Searching the serial ports"));
    runPortSearch();
}

void TymbrikWindow::sendRangeFile(int which) {
    ExchangeScope scope(*this);
    const RangeLoad load =
        loadRangeFile(kRangeFiles[static_cast<std::size_t>(which)], rangeFolders_);
    if (!load.bytes) {
        services_.dialogs().message(fromUtf8(load.problem));
        return;
    }
    // The line parameters are those shown in Baud now, whether or not a screen test has run.
    SerialLine line = serialLine();
    const LineResult sent = sendRange(line, *load.bytes);
    if (!sent.done()) {
        message(wordsFor(sent, line));
    }
}

void TymbrikWindow::onDisplay() {
    ExchangeScope scope(*this);
    const QByteArray encoded = displayCharacters().encode(freeText_->text());
    const std::vector<std::uint8_t> bytes(encoded.begin(), encoded.end());
    SerialLine line = serialLine();
    const LineResult shown = displayText(line, resetPending_, bytes);
    if (!shown.done()) {
        message(wordsFor(shown, line));
    }
}

void TymbrikWindow::onLoadSetting() {
    const QString path = services_.dialogs().chooseOpenFile(fromUtf8(ui::kOpenFilter));
    if (path.isEmpty()) {
        return;
    }
    if (!services_.dialogs().confirm(fromUtf8(ui::kLoadQuestion), fromUtf8(ui::kLoadTitle))) {
        return;
    }
    // Nothing changes until the whole file has been read and checked as the configuration tool
    // checks it: a short, unreadable or foreign file leaves the screen test with the image, the
    // name and the path it had, so that no bytes that are not settings reach a display.
    const file::ReadResult read = file::loadSettingsFile(toPath(path));
    if (!read.body) {
        services_.dialogs().message(fromUtf8(ui::kLoadErrorText),
                                    fromUtf8(ui::loadFailureText(
                                        QDir::toNativeSeparators(path).toStdString(), read.error)));
        return;
    }
    fileImage_ = *read.body;
    fileName_ = path;
    settingsFilePath_->setText(path);
}

void TymbrikWindow::onStart() {
    if (screenRun_->busy()) {
        return;
    }
    // Records that could not be opened are tried again: the place may have been mended since.
    const records::StoreOutcome ready = store_->isOpen() ? store_->ready() : openRecords();
    if (!ready.ok()) {
        message(wordsFor(ready));
        return;
    }
    ExchangeScope scope(*this);
    SerialLine line = serialLine();
    const ScreenRunChoice choice = screenRunChoice();
    const ModelOption& option = modelOption(choice.model);
    record_ = records::beginRecord(station_);
    record_.modelName = fromUtf8(option.objectName);
    record_.modelCaption = fromUtf8(option.caption);
    record_.port = QString::fromStdString(line.portLabel);
    record_.lineSettings = QString::fromStdString(line.settingsText);
    passedBefore_->clear();
    runTimer_.start();
    recording_ = true;
    screenRun_->run(line, choice);
}

void TymbrikWindow::serialNumberRead(const std::string& number) {
    record_.serialNumber = displayCharacters().decode(QByteArray::fromStdString(number));
    if (const auto before = store_->passedBefore(record_.serialNumber)) {
        passedBefore_->setText(passedBeforeLine(*before));
    }
}

void TymbrikWindow::concluded(const RunReport& report) {
    static_assert(kRunSteps == records::kStepCount, "one record step for each step of a run");
    bool early = report.end == ScreenRunEnd::NoFile;
    for (int i = 0; i < kRunSteps; ++i) {
        const auto at = static_cast<std::size_t>(i);
        records::StepResult& step = record_.steps[at];
        switch (report.steps[at]) {
            case StepEnd::NotRun:
                step.outcome = records::StepOutcome::NotRun;
                break;
            case StepEnd::Passed:
                step.outcome = records::StepOutcome::Passed;
                break;
            case StepEnd::Failed:
                step.outcome = records::StepOutcome::Failed;
                break;
            case StepEnd::EndedEarly:
                step.outcome = records::StepOutcome::EndedEarly;
                early = true;
                break;
        }
        const ui::Words& words = report.words[at];
        step.detail = displayCharacters().decode(QByteArray::fromStdString(words.text));
        if (!words.detail.empty()) {
            step.detail += QLatin1Char('\n') + fromUtf8(words.detail);
        }
    }
    // The device itself, not the port-folder link that named it.
    record_.device = QString::fromStdString(report.device);
    if (const QString real = QFileInfo(record_.device).canonicalFilePath(); !real.isEmpty()) {
        record_.device = real;
    }
    if (!record_.device.isEmpty()) {
        if (const auto facts = ui::systemAdapterFacts(record_.device)) {
            record_.adapterSerial = facts->serialNumber;
        }
    }
    record_.verdict = report.end == ScreenRunEnd::Passed ? records::Verdict::Passed
                      : early                            ? records::Verdict::EndedEarly
                                                         : records::Verdict::Failed;
    record_.ending = report.end == ScreenRunEnd::NoFile
                         ? QStringLiteral("file missing")
                         : displayCharacters().decode(QByteArray::fromStdString(report.told.text));
    keepRecord();
}

records::StoreOutcome TymbrikWindow::openRecords() {
    const records::OpenResult opened = store_->open();
    if (opened.setAside) {
        message(wordsFor(*opened.setAside));
    }
    showCounts();
    useLineDatabase(lineDatabase_->text());
    return opened.outcome;
}

void TymbrikWindow::keepRecord() {
    if (!recording_) {
        return;
    }
    recording_ = false;
    records::endRecord(record_, runTimer_.elapsed());
    const records::StoreOutcome kept = store_->add(record_);
    if (!kept.ok()) {
        message(wordsFor(kept));
    }
    showCounts();
    // The record waits until the next sync between tests; the line says so meanwhile.
    if (lineSync_ != nullptr) {
        showLineState(lineSync_->waitingCount());
    }
}

void TymbrikWindow::showCounts() {
    counts_->setText(QStringLiteral("Since start: %1\nToday: %2")
                         .arg(countsLine(store_->countsSince(programStart_)),
                              countsLine(store_->countsToday())));
    counts_->setAccessibleDescription(counts_->text());
}

void TymbrikWindow::useLineDatabase(const QString& conninfo) {
    currentLine_ = conninfo.trimmed();
    lineSync_.reset();
    lineState_->clear();
    lineProblem_.clear();
    if (!store_->isOpen() || conninfo.trimmed().isEmpty()) {
        return;
    }
    lineSync_ = std::make_unique<records::LineSync>(*store_, conninfo.trimmed());
    if (!lineSync_->configurationProblem().isEmpty()) {
        lineState_->setText(QStringLiteral("Line database: ") + lineSync_->configurationProblem());
        lineSync_.reset();
        return;
    }
    syncLine();
}

void TymbrikWindow::onLineDatabaseEdited() {
    if (lineDatabase_->text().trimmed() != currentLine_) {
        useLineDatabase(lineDatabase_->text());
    }
}

void TymbrikWindow::syncLine() {
    if (lineSync_ == nullptr || screenRun_->busy() || exchangeRunning()) {
        return;
    }
    const records::SyncOutcome outcome = lineSync_->syncDue();
    lineProblem_ = testtool::syncLine(outcome, lineSync_->target());
    showLineState(outcome.waiting);
}

void TymbrikWindow::showLineState(int waiting) {
    QString state = waitingLine(waiting);
    if (!lineProblem_.isEmpty()) {
        state += (state.isEmpty() ? QString() : QStringLiteral(" \u00B7 ")) + lineProblem_;
    }
    lineState_->setText(state);
    lineState_->setToolTip(state);
    lineState_->setAccessibleDescription(state);
}

void TymbrikWindow::onResults() {
    ResultsWindow results(*store_, services_.dialogs(), this);
    results.exec();
}

void TymbrikWindow::onExit() {
    close();
}

void TymbrikWindow::setPortUsersEnabled(bool enabled) {
    QList<QWidget*> users = {comm_, baud_, autoSearch_, loadSetting_, displayButton_, startButton_};
    for (QPushButton* button : rangeButtons_) {
        users << button;
    }
    // Disabling the control that has the focus passes the focus on to the next one, and the
    // operator who started a test with Space would then press Space on another control after the
    // verdict. The control gets the focus back once the exchange has ended.
    if (!enabled) {
        focusBeforeExchange_ = users.contains(focusWidget()) ? focusWidget() : nullptr;
    }
    for (QWidget* widget : users) {
        widget->setEnabled(enabled);
    }
    if (enabled && focusBeforeExchange_) {
        focusBeforeExchange_->setFocus(Qt::OtherFocusReason);
        focusBeforeExchange_ = nullptr;
    }
}

void TymbrikWindow::closeEvent(QCloseEvent* event) {
    // A run cut short by Exit is kept too, with how it ended.
    if (recording_) {
        record_.verdict = records::Verdict::EndedEarly;
        record_.ending = QStringLiteral("Exit pressed");
        keepRecord();
    }
    closing_ = true;
    messageWindow_->close();
    services_.closePort();
    event->accept();
    ui::ExchangeGuard::endProgramIfRunning(*this, endProgram_);
}

}  // namespace vfd::testtool
