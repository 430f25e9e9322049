// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QValidator>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "device/settings_image.h"

namespace vfd::ui {

// The characters of welcome messages and free text convert through the character set the
// display will use, the one its glass is drawn from: what a cell shows is what the display
// shows, and a typed character becomes the code that shows it there.
//
// Every byte keeps a character of its own, so that bytes shown as characters come back as the
// same bytes: a control code stays the control character of its code (the display shows
// nothing), and a code the set leaves unassigned becomes a private-use character.
class CodePage {
public:
    static const CodePage& of(device::CharacterSet set);

    QChar toChar(std::uint8_t code) const;
    // Nothing for a character the set cannot show.
    std::optional<std::uint8_t> toCode(QChar c) const;
    // The first character of `text` the set cannot show.
    std::optional<QChar> firstMissing(const QString& text) const;
    // Texts sent to a display (free text), one byte per character; characters the set cannot
    // show become '?'.
    QByteArray encode(const QString& text) const;
    QString decode(const QByteArray& bytes) const;

    // The set's caption as the `Char` list shows it, for the operator's notes.
    QString caption() const;

private:
    explicit CodePage(device::CharacterSet set);

    device::CharacterSet set_;
    std::array<QChar, 256> chars_{};
};

// The note beside a field that refused a character.
QString refusedCharacterNote(QChar c, const CodePage& page);

// Takes only text the display's character set shows; a refused character is handed to
// `refused`, so that the field can say which one rather than drop it without a word.
class DisplayTextValidator : public QValidator {
public:
    DisplayTextValidator(std::function<const CodePage&()> page, std::function<void(QChar)> refused,
                         QObject* parent);
    State validate(QString& input, int& pos) const override;

private:
    std::function<const CodePage&()> page_;
    std::function<void(QChar)> refused_;
};

}  // namespace vfd::ui
