// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/code_page.h"

#include <QByteArray>

#ifdef _WIN32
#include <windows.h>
#endif

namespace vfd::ui {

CodePage::CodePage() {
    for (int code = 0; code < 256; ++code) {
#ifdef _WIN32
        const char byte = static_cast<char>(code);
        wchar_t wide = 0;
        if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, &byte, 1, &wide, 1) == 1) {
            chars_[code] = QChar(static_cast<char16_t>(wide));
        } else {
            chars_[code] = QChar(static_cast<char16_t>(code));
        }
#else
        chars_[code] = QChar(static_cast<char16_t>(code));
#endif
    }
}

const CodePage& CodePage::system() {
    static const CodePage page;
    return page;
}

QChar CodePage::toChar(std::uint8_t code) const {
    return chars_[code];
}

std::optional<std::uint8_t> CodePage::toCode(QChar c) const {
    for (int code = 0; code < 256; ++code) {
        if (chars_[code] == c) {
            return static_cast<std::uint8_t>(code);
        }
    }
    return std::nullopt;
}

QByteArray CodePage::encode(const QString& text) const {
    QByteArray out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const auto code = toCode(c);
        out.append(static_cast<char>(code ? *code : '?'));
    }
    return out;
}

QString CodePage::decode(const QByteArray& bytes) const {
    QString out;
    out.reserve(bytes.size());
    for (const char b : bytes) {
        out.append(toChar(static_cast<std::uint8_t>(b)));
    }
    return out;
}

}  // namespace vfd::ui
