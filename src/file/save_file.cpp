// SPDX-License-Identifier: GPL-3.0-or-later
#include "file/save_file.h"

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

std::string saveFile(const fs::path& path, std::span<const std::uint8_t> content) {
    if (const std::string what = notARegularFile(path); !what.empty()) {
        return "it is " + what + ", not a regular file";
    }
    const QByteArray bytes(reinterpret_cast<const char*>(content.data()),
                           static_cast<qsizetype>(content.size()));
    const QString name = toQt(path);
    QSaveFile out(name);
    out.setDirectWriteFallback(true);
    if (!out.open(QIODevice::WriteOnly)) {
        return fromQt(out.errorString());
    }
    if (out.write(bytes) != bytes.size()) {
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
