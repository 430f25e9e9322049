// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/config_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <string_view>

#include "config/display_preview.h"
#include "config/message_editor.h"
#include "config/udc_editor.h"
#include "device/option_lists.h"
#include "link/qt/qt_clock.h"
#include "link/qt/qt_serial_port.h"
#include "ui/exchange_guard.h"
#include "ui/operator_texts.h"
#include "ui/port_identity.h"
#include "ui/widgets.h"

namespace vfd::config {

namespace {

using ui::fromUtf8;
using ui::makeButton;

QComboBox* makeList(const char* name, const QString& spoken, bool typed, QWidget* parent) {
    return ui::makeList(name, spoken, typed ? ui::Typing::Typed : ui::Typing::ListOnly, parent);
}

// Labels of the lists keep their captions exactly, odd blanks included; a screen reader gets
// the words alone.
void addListRow(QFormLayout* form, const QString& caption, QComboBox* box) {
    auto* label = new QLabel(caption, box->parentWidget());
    label->setBuddy(box);
    label->setAccessibleName(caption.trimmed());
    form->addRow(label, box);
}

}  // namespace

ConfigWindow::ConfigWindow(ConfigWindowServices services, QWidget* parent)
    : QWidget(parent),
      endProgram_(std::move(services.endProgram)),
      services_(std::move(services), this, kProgramCaption) {
    setWindowTitle(kProgramCaption);
    buildControls();

    fillOptionLists();
    onSetAllDefault();
    // The defaults leave both messages as characters; selecting the hexadecimal view turns them
    // into the codes that a download or a save reads.
    message1_->selectHex();
    message2_->selectHex();
    udc_->returnToFirst();
    tabs_->setCurrentIndex(0);
}

ConfigWindow::~ConfigWindow() = default;

void ConfigWindow::buildControls() {
    auto* frame3 = new QGroupBox(QStringLiteral("Interface Setting"), this);
    frame3->setObjectName(QStringLiteral("Frame3"));
    auto* linkForm = new QFormLayout(frame3);
    comm_ = makeList("Comm", QStringLiteral("Com Port Select"), true, frame3);
    addListRow(linkForm, fromUtf8(ui::kPortListCaption), comm_);
    linkForm->addRow(nullptr, new ui::PortIdentityLine(comm_, services_.ports(), frame3));
    baud_ = makeList("Baud", QStringLiteral("Baud Rate"), true, frame3);
    addListRow(linkForm, QStringLiteral("Baud Rate :"), baud_);
    getSetting_ = makeButton("GetSetting", QStringLiteral("Get Setting From VFD"), frame3);
    linkForm->addRow(getSetting_);

    download_ = makeButton("Download", QStringLiteral("Download Setting To VFD"), this);
    save_ = makeButton("Save", QStringLiteral("Save"), this);
    load_ = makeButton("Load", QStringLiteral("Load"), this);
    setAllDefault_ = makeButton("SetAllDefault", QStringLiteral("Set All Default"), this);
    auto* commands = new QVBoxLayout;
    for (QPushButton* button : {download_, save_, load_, setAllDefault_}) {
        commands->addWidget(button);
    }
    commands->addStretch(1);

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("SSTab1"));
    tabs_->setAccessibleName(QStringLiteral("Setting pages"));

    // Pages are added before their controls are made, so that the tab key meets the controls
    // in the order they stand on the page.
    auto* commandPage = new QWidget;
    tabs_->addTab(commandPage, QStringLiteral("Command Setting"));
    auto* commandForm = new QFormLayout(commandPage);
    char_ = makeList("Char", QStringLiteral("Character Type"), false, commandPage);
    addListRow(commandForm, QStringLiteral(" Character Type :"), char_);
    command_ = makeList("Command", QStringLiteral("Command Mode"), false, commandPage);
    addListRow(commandForm, QStringLiteral("Command Mode :"), command_);
    baudRate_ = makeList("BaudRate", QStringLiteral("BaudRate Select"), false, commandPage);
    addListRow(commandForm, QStringLiteral("BaudRate Select :"), baudRate_);
    passthru_ = makeList("Passthru", QStringLiteral("Passthru Mode"), false, commandPage);
    addListRow(commandForm, QStringLiteral(" Passthru Mode :"), passthru_);
    standby_ =
        makeList("standby", QStringLiteral("Time To enter Stand-by Status"), true, commandPage);
    addListRow(commandForm, QStringLiteral("Time To enter Stand-by Status(around) :"), standby_);

    auto* messagePage = new QWidget;
    tabs_->addTab(messagePage, QStringLiteral("Welcome Msg"));
    message1_ = new MessageEditor(1, messagePage);
    message2_ = new MessageEditor(2, messagePage);
    auto* messageLayout = new QVBoxLayout(messagePage);
    messageLayout->addWidget(message1_);
    messageLayout->addWidget(message2_);
    messageLayout->addStretch(1);

    udc_ = new UdcEditor(image_, services_.dialogs());
    const int udcTab = tabs_->addTab(udc_, QStringLiteral("  "));
    // The page's caption is two blanks; a screen reader still needs a word for it.
    tabs_->tabBar()->setAccessibleTabName(udcTab, kUdcTitle);
    tabs_->setTabToolTip(udcTab, kUdcTitle);

    auto* top = new QHBoxLayout;
    top->addWidget(frame3, 1);
    top->addLayout(commands);
    // Below the pages, so that it is in sight whichever page is open.
    preview_ = new DisplayPreview(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(tabs_, 1);
    layout->addWidget(preview_);
    // What the window is doing while it talks to a display, and what it waits for.
    status_ = ui::makeLabel("Status", QString(), QStringLiteral("Status"), this);
    layout->addWidget(status_);

    connect(download_, &QPushButton::clicked, this, &ConfigWindow::onDownload);
    connect(getSetting_, &QPushButton::clicked, this, &ConfigWindow::onGetSetting);
    connect(save_, &QPushButton::clicked, this, &ConfigWindow::onSave);
    connect(load_, &QPushButton::clicked, this, &ConfigWindow::onLoad);
    connect(setAllDefault_, &QPushButton::clicked, this, &ConfigWindow::onSetAllDefault);
    connect(standby_->lineEdit(), &QLineEdit::editingFinished, this,
            &ConfigWindow::onStandbyEdited);

    for (MessageEditor* message : {message1_, message2_}) {
        connect(message, &MessageEditor::changed, this, &ConfigWindow::schedulePreview);
    }
    connect(udc_, &UdcEditor::changed, this, &ConfigWindow::schedulePreview);
    for (QComboBox* list : {char_, command_, baudRate_, passthru_}) {
        connect(list, &QComboBox::currentIndexChanged, this, &ConfigWindow::schedulePreview);
    }
    // The character cells show and take the characters of the set the display will store.
    connect(char_, &QComboBox::currentIndexChanged, this, [this](int position) {
        if (position >= 0 && position < device::kCharacterSetCount) {
            for (MessageEditor* message : {message1_, message2_}) {
                message->setCharacterSet(static_cast<device::CharacterSet>(position));
            }
        }
    });
}

device::BodyBytes ConfigWindow::previewBody() const {
    // Reading the cells without taking them leaves each line in the entry it is in.
    device::SettingsImage image = image_;
    fillFromWindow(image, windowValues(message1_->peekBytes(), message2_->peekBytes()),
                   StandbyByte::Keep);
    return image.body();
}

void ConfigWindow::schedulePreview() {
    if (!previewPending_) {
        previewPending_ = true;
        QTimer::singleShot(0, this, &ConfigWindow::updatePreview);
    }
}

void ConfigWindow::updatePreview() {
    previewPending_ = false;
    device::BodyBytes body = previewBody();
    // The character on the grid is shown as drawn, even before paging stores it.
    std::optional<std::uint8_t> draftCode;
    if (const auto draft = udc_->draft()) {
        const auto at = static_cast<std::size_t>(udc_->index() - 1);
        if (!std::equal(draft->begin(), draft->end(), body.begin() + static_cast<long>(at))) {
            std::copy(draft->begin(), draft->end(), body.begin() + static_cast<long>(at));
            draftCode = draft->front();
        }
    }
    preview_->showSettings(body, draftCode);
}

void ConfigWindow::fillOptionLists() {
    for (const device::OptionList* list : device::kFillOrder) {
        auto* box = findChild<QComboBox*>(fromUtf8(list->name));
        Q_ASSERT(box != nullptr);
        for (const std::string_view entry : list->entries) {
            box->addItem(fromUtf8(entry));
        }
        box->setCurrentIndex(list->defaultPosition);
    }
}

void ConfigWindow::onSetAllDefault() {
    // The stand-by time and the computer's port and speed are the operator's, not the display's
    // defaults, and stay as chosen.
    baudRate_->setCurrentIndex(device::kBaudRateList.defaultPosition);
    char_->setCurrentIndex(device::kCharList.defaultPosition);
    command_->setCurrentIndex(device::kCommandList.defaultPosition);
    passthru_->setCurrentIndex(device::kPassthruList.defaultPosition);

    message1_->selectAscii();
    message2_->selectAscii();
    message1_->setCharacters(fromUtf8(device::kDefaultMessage1));
    message2_->setCharacters(fromUtf8(device::kDefaultMessage2));

    // Only the code byte and the first three columns of character 1 are cleared; its columns 4
    // and 5 and characters 2 to 9 keep their bytes, and the next save or download still carries
    // them. This is the tool's long-standing behaviour and is kept on purpose.
    const int first = device::udcRecordStart(1);
    for (int i = first; i < first + 4; ++i) {
        image_.set(i, 0);
    }
    udc_->setDefaults();

    message1_->setScrolls(true);
    message2_->setScrolls(true);
    schedulePreview();
}

void ConfigWindow::onStandbyEdited() {
    settleStandbyText();
}

void ConfigWindow::settleStandbyText() {
    if (settlingStandby_) {
        return;
    }
    const int current = standby_->currentIndex();
    const QString text = standby_->currentText();
    if (current >= 0 && standby_->itemText(current) == text) {
        return;
    }
    // The message box takes the focus and ends the editing once more; that must not ask again.
    const QScopedValueRollback guard(settlingStandby_, true);
    const QByteArray utf8 = text.toUtf8();
    const int position =
        device::standbyPositionFromText(std::string_view(utf8.constData(), utf8.size()));
    if (device::kStandbyList.has(position)) {
        standby_->setCurrentIndex(position);
        standby_->setEditText(standby_->itemText(position));
        return;
    }
    const int keep = current >= 0 ? current : device::kStandbyList.defaultPosition;
    standby_->setCurrentIndex(keep);
    standby_->setEditText(standby_->itemText(keep));
    dialogs().message(kStandbyRefused);
}

WindowValues ConfigWindow::takeWindowValues() {
    settleStandbyText();
    // Taking the bytes switches a line in character entry to hexadecimal entry.
    return windowValues(message1_->takeBytes(), message2_->takeBytes());
}

WindowValues ConfigWindow::windowValues(const std::vector<std::uint8_t>& upper,
                                        const std::vector<std::uint8_t>& lower) const {
    WindowValues values;
    values.baudRate = baudRate_->currentIndex();
    values.charSet = char_->currentIndex();
    values.command = command_->currentIndex();
    values.passthru = passthru_->currentIndex();
    values.standby = standby_->currentIndex();
    values.scrollUpper = message1_->scrolls();
    values.scrollLower = message2_->scrolls();
    std::copy_n(upper.begin(), std::min(upper.size(), values.message1.size()),
                values.message1.begin());
    std::copy_n(lower.begin(), std::min(lower.size(), values.message2.size()),
                values.message2.begin());
    return values;
}

void ConfigWindow::applyWindowUpdate(const WindowUpdate& update, bool setStandby) {
    auto select = [](QComboBox* box, const std::optional<int>& position) {
        if (position && *position >= 0 && *position < box->count()) {
            box->setCurrentIndex(*position);
        }
    };
    select(baudRate_, update.baudRate);
    select(char_, update.charSet);
    select(command_, update.command);
    select(passthru_, update.passthru);
    if (setStandby) {
        select(standby_, update.standby);
    }
    if (update.scroll) {
        message1_->setScrolls(update.scroll->upper);
        message2_->setScrolls(update.scroll->lower);
    }
    message1_->showBytes(update.message1);
    message2_->showBytes(update.message2);
}

void ConfigWindow::redrawCharacter() {
    udc_->redraw();
}

void ConfigWindow::returnToFirstCharacter() {
    udc_->returnToFirst();
}

int ConfigWindow::udcNumber() const {
    return udc_->number();
}

int ConfigWindow::udcIndex() const {
    return udc_->index();
}

QString ConfigWindow::commText() const {
    return comm_->currentText();
}

QString ConfigWindow::baudText() const {
    return baud_->currentText();
}

void ConfigWindow::setBusy(bool busy) {
    for (QPushButton* button : {download_, getSetting_, save_, load_, setAllDefault_}) {
        button->setEnabled(!busy);
    }
}

void ConfigWindow::closeEvent(QCloseEvent* event) {
    services_.closePort();
    event->accept();
    ui::ExchangeGuard::endProgramIfRunning(*this, endProgram_);
}

}  // namespace vfd::config
