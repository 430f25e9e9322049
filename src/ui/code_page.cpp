// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/code_page.h"

#include <vector>

#include "device/character_sets.h"
#include "device/option_lists.h"

namespace vfd::ui {

namespace {

constexpr char16_t kPrivateUseBase = 0xE000;

// The characters a display shows all lie in the Basic Multilingual Plane.
QChar qcharOf(char32_t c) {
    return QChar(static_cast<char16_t>(c));
}

}  // namespace

CodePage::CodePage(device::CharacterSet set) : set_(set) {
    for (int code = 0; code < 256; ++code) {
        const auto byte = static_cast<std::uint8_t>(code);
        if (byte < device::kFirstShownCode) {
            chars_[byte] = QChar(static_cast<char16_t>(code));
            continue;
        }
        const char32_t shown = device::characterOf(byte, set);
        chars_[byte] = shown == device::kMissingCharacter
                           ? QChar(static_cast<char16_t>(kPrivateUseBase + code))
                           : qcharOf(shown);
    }
}

const CodePage& CodePage::of(device::CharacterSet set) {
    static const std::vector<CodePage> pages = [] {
        std::vector<CodePage> all;
        all.reserve(static_cast<std::size_t>(device::kCharacterSetCount));
        for (int s = 0; s < device::kCharacterSetCount; ++s) {
            all.push_back(CodePage(static_cast<device::CharacterSet>(s)));
        }
        return all;
    }();
    const auto index = static_cast<std::size_t>(set);
    return index < pages.size() ? pages[index] : pages.front();
}

QChar CodePage::toChar(std::uint8_t code) const {
    return chars_[code];
}

std::optional<std::uint8_t> CodePage::toCode(QChar c) const {
    if (c.unicode() < device::kFirstShownCode) {
        return static_cast<std::uint8_t>(c.unicode());
    }
    // The lowest code that shows the character, as the display's tables give it.
    for (int code = device::kFirstShownCode; code < 256; ++code) {
        if (chars_[static_cast<std::size_t>(code)] == c) {
            return static_cast<std::uint8_t>(code);
        }
    }
    return std::nullopt;
}

std::optional<QChar> CodePage::firstMissing(const QString& text) const {
    for (const QChar c : text) {
        if (!toCode(c)) {
            return c;
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

QString CodePage::caption() const {
    const std::string_view name = device::shortName(set_);
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

QString refusedCharacterNote(QChar c, const CodePage& page) {
    return QStringLiteral("\u201C%1\u201D is not in the display's character set %2.")
        .arg(QString(c), page.caption());
}

DisplayTextValidator::DisplayTextValidator(std::function<const CodePage&()> page,
                                           std::function<void(QChar)> refused, QObject* parent)
    : QValidator(parent), page_(std::move(page)), refused_(std::move(refused)) {}

QValidator::State DisplayTextValidator::validate(QString& input, int& /*pos*/) const {
    if (const auto missing = page_().firstMissing(input)) {
        refused_(*missing);
        return Invalid;
    }
    return Acceptable;
}

}  // namespace vfd::ui
