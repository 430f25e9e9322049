// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/file/save_file.h"

#include <QByteArray>
#include <QFile>
#include <QSaveFile>
#include <QString>

namespace vfd::file {

namespace fs = std::filesystem;

namespace {

QString toQt(const fs::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

std::string fromQt(const QString& text) {
    return text.toStdString();
}

}  // namespace

std::string notARegularFile(const fs::path& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    switch (status.type()) {
        case fs::file_type::regular:
        case fs::file_type::not_found:
        case fs::file_type::none:
            return {};
        case fs::file_type::directory:
            return "a folder";
        case fs::file_type::fifo:
            return "a named pipe";
        case fs::file_type::character:
        case fs::file_type::block:
            return "a device";
        case fs::file_type::socket:
            return "a socket";
        default:
            return "not a regular file";
    }
}

std::string saveFile(const fs::path& path, std::span<const std::uint8_t> head, bool keepTail) {
    if (const std::string what = notARegularFile(path); !what.empty()) {
        return "it is " + what + ", not a regular file";
    }
    QByteArray content(reinterpret_cast<const char*>(head.data()),
                       static_cast<qsizetype>(head.size()));
    const QString name = toQt(path);
    if (keepTail && QFile::exists(name)) {
        // Only the part after the settings is read; an unreadable file keeps nothing of its own,
        // and the save below says why it cannot be written either.
        QFile old(name);
        if (old.open(QIODevice::ReadOnly) && old.size() > content.size()) {
            old.seek(content.size());
            content += old.readAll();
        }
    }
    QSaveFile out(name);
    out.setDirectWriteFallback(true);
    if (!out.open(QIODevice::WriteOnly)) {
        return fromQt(out.errorString());
    }
    if (out.write(content) != content.size()) {
        std::string reason = fromQt(out.errorString());
        out.cancelWriting();
        return reason;
    }
    if (!out.commit()) {
        return fromQt(out.errorString());
    }
    return {};
}

}  // namespace vfd::file
