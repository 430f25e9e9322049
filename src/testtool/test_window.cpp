#include "testtool/test_window.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cstdlib>
#include <string_view>

#include "config/file/settings_file.h"
#include "link/qt_clock.h"
#include "link/qt_serial_port.h"
#include "testtool/message_window.h"
#include "testtool/models.h"
#include "testtool/range_test.h"
#include "ui/code_page.h"

namespace vfd::testtool {

namespace {

// The message window's caller looks at the wait value once a second, so OK ends a wait within
// a second.
constexpr int kAcknowledgeStepMs = 1000;

// The range buttons are what the operator on the line uses most; they stand out.
constexpr int kRangeButtonHeight = 57;
constexpr qreal kRangeFontScale = 1.25;

const char* const kRangeButtonNames[] = {"Command3", "Command4", "Command5", "Command6"};
const char* const kRangeCaptions[] = {"Send 0x80-0x9F", "Send 0xA0-0xBF", "Send 0xC0-0xDF",
                                      "Send 0xE0-0xFF"};

QString fromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The problems the range test and the free text report name files and devices, which the file
// system spells in UTF-8.
QString fromStd(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Texts of the screen test carry bytes from the display (the serial number), which are codes of
// the single-byte code page.
QString fromDisplayBytes(const std::string& text) {
    return ui::CodePage::system().decode(QByteArray::fromStdString(text));
}

std::filesystem::path toPath(const QString& name) {
    return std::filesystem::path(QFile::encodeName(name).toStdString());
}

QPushButton* makeButton(const char* name, const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAccessibleName(caption);
    return button;
}

QComboBox* makeList(const char* name, const QString& spoken, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setAccessibleName(spoken);
    return box;
}

QLabel* makeLabel(const char* name, const QString& caption, const QString& spoken,
                  QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(name));
    label->setAccessibleName(spoken);
    return label;
}

}  // namespace

class TestWindow::ExchangeScope {
public:
    explicit ExchangeScope(TestWindow& window) : window_(window) {
        if (window_.exchangeDepth_++ == 0) {
            window_.setPortUsersEnabled(false);
        }
    }
    ~ExchangeScope() {
        if (--window_.exchangeDepth_ == 0) {
            window_.setPortUsersEnabled(true);
        }
    }
    ExchangeScope(const ExchangeScope&) = delete;
    ExchangeScope& operator=(const ExchangeScope&) = delete;

private:
    TestWindow& window_;
};

TestWindow::TestWindow(TestWindowServices services, QWidget* parent)
    : QWidget(parent),
      endProgram_(std::move(services.endProgram)),
      services_(static_cast<ui::ToolServices&&>(services), this, kTestToolCaption) {
    if (services.rangeFolders.empty()) {
        std::error_code ec;
        rangeFolders_ = rangeFolders(std::filesystem::current_path(ec),
                                     toPath(QCoreApplication::applicationDirPath()));
    } else {
        rangeFolders_ = std::move(services.rangeFolders);
    }
    screenTest_ = std::make_unique<ScreenTest>(*this, [this] { return services_.today(); });

    setWindowTitle(kTestToolCaption);
    buildControls();

    label1_->setText(QStringLiteral("Factory"));
    resetPending_ = true;
    baud_->addItem(QStringLiteral("9600,n,8,1"));
    baud_->addItem(QStringLiteral("19200,n,8,1"));
    baud_->setCurrentIndex(0);
    models_->button(0)->setChecked(true);
    runPortSearch();
}

TestWindow::~TestWindow() = default;

void TestWindow::buildControls() {
    // The part of the window an operator on the line needs: the port, the line parameters, the
    // four range buttons and Exit.
    auto* label6 = makeLabel("Label6", QStringLiteral("Com Port Select :"),
                             QStringLiteral("Com Port Select"), this);
    comm_ = makeList("Comm", QStringLiteral("Port"), this);
    label6->setBuddy(comm_);
    baud_ = makeList("Baud", QStringLiteral("Line parameters"), this);
    baud_->setEditable(true);
    // A typed text is used as it stands; it never becomes an entry of the list.
    baud_->setInsertPolicy(QComboBox::NoInsert);
    exit_ = makeButton("Exit", QStringLiteral("Exit"), this);
    exit_->setMinimumHeight(kRangeButtonHeight);

    auto* chooser = new QVBoxLayout;
    chooser->addWidget(label6);
    chooser->addWidget(comm_);
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

    // The screen test and its helpers, laid out below rather than parked out of sight.
    autoComport_ = makeList("auto_comport", QStringLiteral("Ports found"), this);
    command1_ = makeButton("Command1", QStringLiteral("Auto Search Comport"), this);
    text1_ = new QLineEdit(this);
    text1_->setObjectName(QStringLiteral("Text1"));
    text1_->setAccessibleName(QStringLiteral("Text to display"));
    text1_->setPlaceholderText(text1_->accessibleName());
    display_ = makeButton("Display", QStringLiteral("DisplayText"), this);
    command2_ = makeButton("Command2", QStringLiteral("Load Setting"), this);
    text2_ = new QLineEdit(this);
    text2_->setObjectName(QStringLiteral("Text2"));
    text2_->setAccessibleName(QStringLiteral("Settings file"));
    text2_->setPlaceholderText(text2_->accessibleName());
    // It shows which file the screen test downloads; nothing reads a typed path back.
    text2_->setReadOnly(true);

    auto* helpers = new QGridLayout;
    helpers->addWidget(autoComport_, 0, 0);
    helpers->addWidget(command1_, 0, 1);
    helpers->addWidget(text1_, 1, 0);
    helpers->addWidget(display_, 1, 1);
    helpers->addWidget(text2_, 2, 0);
    helpers->addWidget(command2_, 2, 1);
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
        auto* button = new QRadioButton(fromView(option.caption), frame1);
        button->setObjectName(fromView(option.objectName));
        button->setAccessibleName(fromView(option.caption));
        models_->addButton(button, i);
        options->addWidget(button, i % kOptionRows, i / kOptionRows);
    }
    // A click on the option already chosen sets its boxes again, as a change of option does.
    connect(models_, &QButtonGroup::idClicked, this, &TestWindow::applyModelPreset);
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
    screenTestButton_ = makeButton("ScreenTest", QStringLiteral("Start"), this);
    screenTestButton_->setAccessibleDescription(QStringLiteral("Start the screen test"));
    screenTestButton_->setMinimumHeight(kRangeButtonHeight);
    label1_ = makeLabel("Label1", QString(), QStringLiteral("Factory"), this);
    label2_ = makeLabel("Label2", QStringLiteral("Label2"), QStringLiteral("Message state"), this);
    cboPort_ = makeList("cboPort", QStringLiteral("Unused port list"), this);
    cboPort_->setEditable(true);
    cboPort_->setEditText(QStringLiteral("Combo1"));
    cboPort_->hide();

    auto* steps = new QVBoxLayout;
    steps->addWidget(checkPid_);
    steps->addWidget(checkSn_);
    steps->addWidget(checkDefault_);
    steps->addStretch(1);
    steps->addWidget(label1_);
    steps->addWidget(label2_);
    steps->addWidget(screenTestButton_);

    auto* screen = new QHBoxLayout;
    screen->addWidget(frame1, 1);
    screen->addLayout(steps);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(rule);
    layout->addLayout(helpers);
    layout->addLayout(screen);
    layout->addWidget(cboPort_);

    messageWindow_ = new MessageWindow(this);
    connect(messageWindow_, &MessageWindow::acknowledged, this,
            [this] { label2_->setText(QStringLiteral("0")); });

    connect(exit_, &QPushButton::clicked, this, &TestWindow::onExit);
    connect(command1_, &QPushButton::clicked, this, &TestWindow::onAutoSearch);
    connect(command2_, &QPushButton::clicked, this, &TestWindow::onLoadSetting);
    connect(display_, &QPushButton::clicked, this, &TestWindow::onDisplay);
    connect(screenTestButton_, &QPushButton::clicked, this, &TestWindow::onScreenTest);

    orderTabs();
}

void TestWindow::orderTabs() {
    QList<QWidget*> order = {comm_, baud_};
    for (QPushButton* button : rangeButtons_) {
        order << button;
    }
    order << exit_ << autoComport_ << command1_ << text1_ << display_ << text2_ << command2_;
    for (QAbstractButton* option : models_->buttons()) {
        order << option;
    }
    order << checkPid_ << checkSn_ << checkDefault_ << screenTestButton_;
    for (qsizetype i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(order[i - 1], order[i]);
    }
}

void TestWindow::applyModelPreset(int option) {
    const CheckPreset& preset = kModelOptions[static_cast<std::size_t>(option)].preset;
    checkPid_->setChecked(preset.pid);
    checkSn_->setChecked(preset.sn);
    checkDefault_->setChecked(preset.defaults);
}

void TestWindow::runPortSearch() {
    autoComport_->clear();
    const std::vector<int> found = searchPorts(services_.port(), services_.ports());
    for (const int n : found) {
        autoComport_->addItem(QStringLiteral("Com %1").arg(n));
    }
    // Comm is indexed by port number - 1, so numbers that did not open keep their places.
    comm_->clear();
    const int last = found.empty() ? 0 : found.back();
    for (int j = 1; j <= last; ++j) {
        comm_->addItem(QStringLiteral("com %1").arg(j));
    }
    if (last > 0) {
        comm_->setCurrentIndex(0);
        autoComport_->setCurrentIndex(0);
    }
}

TestLine TestWindow::testLine() const {
    return TestLine{services_.port(),
                    services_.clock(),
                    services_.ports(),
                    comm_->currentIndex() + 1,
                    comm_->currentText().toStdString(),
                    baud_->currentText().toStdString()};
}

ScreenTestChoice TestWindow::screenTestChoice() const {
    ScreenTestChoice choice;
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

void TestWindow::showAndWait(const std::string& text) {
    if (closing_) {
        return;
    }
    messageWindow_->setMessage(fromDisplayBytes(text));
    messageWindow_->setWaitValue(1);
    messageWindow_->present();
    while (messageWindow_->waitValue() == 1 && !closing_) {
        link::delayMs(services_.clock(), kAcknowledgeStepMs);
    }
}

void TestWindow::message(const std::string& text) {
    // Message boxes carry the tool's own words, with device paths and the system's reasons in
    // them; only the message window shows bytes that came from the display.
    services_.dialogs().message(fromStd(text));
}

void TestWindow::onAutoSearch() {
    ExchangeScope scope(*this);
    runPortSearch();
}

void TestWindow::sendRangeFile(int which) {
    ExchangeScope scope(*this);
    const RangeLoad load =
        loadRangeFile(kRangeFiles[static_cast<std::size_t>(which)], rangeFolders_);
    if (!load.bytes) {
        services_.dialogs().message(fromStd(load.problem));
        return;
    }
    // The line parameters are those shown in Baud now, whether or not a screen test has run.
    TestLine line = testLine();
    const std::string problem = sendRange(line, *load.bytes);
    if (!problem.empty()) {
        services_.dialogs().message(fromStd(problem));
    }
}

void TestWindow::onDisplay() {
    ExchangeScope scope(*this);
    const QByteArray encoded = ui::CodePage::system().encode(text1_->text());
    const std::vector<std::uint8_t> bytes(encoded.begin(), encoded.end());
    TestLine line = testLine();
    const std::string problem = displayText(line, resetPending_, bytes);
    if (!problem.empty()) {
        services_.dialogs().message(fromStd(problem));
    }
}

void TestWindow::onLoadSetting() {
    const QString path = services_.dialogs().chooseOpenFile(fromStd(file::kOpenFilter));
    if (path.isEmpty()) {
        return;
    }
    if (!services_.dialogs().confirm(fromStd(file::kLoadQuestion), fromStd(file::kLoadTitle))) {
        return;
    }
    // Nothing changes until the whole file has been read: a short or unreadable file leaves the
    // screen test with the image, the name and the path it had.
    const file::ReadResult read = file::readSettingsFile(toPath(path));
    if (!read.body) {
        services_.dialogs().message(fromStd(file::kLoadErrorText));
        return;
    }
    fileImage_ = *read.body;
    fileName_ = path;
    text2_->setText(path);
}

void TestWindow::onScreenTest() {
    ExchangeScope scope(*this);
    TestLine line = testLine();
    screenTest_->run(line, screenTestChoice());
}

void TestWindow::onExit() {
    close();
}

void TestWindow::setPortUsersEnabled(bool enabled) {
    QList<QWidget*> users = {comm_, baud_, command1_, command2_, display_, screenTestButton_};
    for (QPushButton* button : rangeButtons_) {
        users << button;
    }
    for (QWidget* widget : users) {
        widget->setEnabled(enabled);
    }
}

void TestWindow::closeEvent(QCloseEvent* event) {
    closing_ = true;
    messageWindow_->close();
    services_.closePort();
    event->accept();
    if (exchangeDepth_ > 0) {
        // An exchange is still running below this handler and would go on talking to the
        // display once it returns. The operator asked for the program to end, and the port has
        // been released, so it ends here.
        if (endProgram_) {
            endProgram_();
        } else {
            std::_Exit(EXIT_SUCCESS);
        }
    }
}

}  // namespace vfd::testtool
