// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QChar>
#include <QString>
#include <cstdint>
#include <optional>

namespace vfd::ui {

// Characters and codes of the welcome messages convert through one single-byte code page: the
// system's ANSI code page on Windows, ISO 8859-1 elsewhere, so that every byte 0 to 255 has a
// character and comes back as the same byte.
class CodePage {
public:
    static const CodePage& system();

    QChar toChar(std::uint8_t code) const;
    // Nothing for a character that the code page does not have.
    std::optional<std::uint8_t> toCode(QChar c) const;
    // Texts sent to a display (free text, identity texts), one byte per character; characters the
    // code page lacks become '?'.
    QByteArray encode(const QString& text) const;
    QString decode(const QByteArray& bytes) const;

private:
    CodePage();
    QChar chars_[256];
};

}  // namespace vfd::ui
