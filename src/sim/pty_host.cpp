// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/pty_host.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "link/port_names.h"

namespace vfd::sim {

namespace {

namespace fs = std::filesystem;

// Often enough to move the welcome messages on at their own pace without visible jitter.
constexpr int kTickMs = 50;
constexpr std::size_t kReadChunk = 512;

std::string systemReason(int error) {
    return std::strerror(error);
}

bool isDanglingLink(const std::string& path) {
    std::error_code ec;
    return fs::is_symlink(fs::symlink_status(path, ec)) && !fs::exists(path, ec);
}

bool entryExists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

std::string linkTarget(const std::string& path) {
    std::error_code ec;
    const fs::path target = fs::read_symlink(path, ec);
    return ec ? std::string() : target.string();
}

}  // namespace

PtyHost::PtyHost(FirmwareOptions options, QObject* parent)
    : QObject(parent), firmware_(std::move(options), 0) {
    clock_.start();
    shownRevision_ = firmware_.screen().revision();
    tickTimer_.setInterval(kTickMs);
    connect(&tickTimer_, &QTimer::timeout, this, [this] {
        firmware_.tick(now());
        noteScreen();
    });
    tickTimer_.start();
    replyTimer_.setSingleShot(true);
    replyTimer_.setTimerType(Qt::PreciseTimer);
    connect(&replyTimer_, &QTimer::timeout, this, &PtyHost::deliverDue);
}

PtyHost::~PtyHost() {
    closeLine();
    removeLink();
}

HostStart PtyHost::start(const HostOptions& options) {
    if (master_ >= 0 || hungUp_) {
        return {HostError::LinkFailed, "the virtual display is already started"};
    }
    if (options.portNumber &&
        (*options.portNumber < 1 || *options.portNumber > link::kHighestPortNumber)) {
        return {HostError::BadPortNumber,
                "port number " + std::to_string(*options.portNumber) + " is not 1 to 255"};
    }
    if (HostStart opened = openTerminal(); !opened.ok()) {
        closeLine();
        return opened;
    }
    if (HostStart linked = makeLink(options); !linked.ok()) {
        closeLine();
        return linked;
    }
    readNotifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
    connect(readNotifier_.get(), &QSocketNotifier::activated, this, &PtyHost::readLine);
    writeNotifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Write);
    writeNotifier_->setEnabled(false);
    connect(writeNotifier_.get(), &QSocketNotifier::activated, this, &PtyHost::writeOut);
    return {};
}

HostStart PtyHost::openTerminal() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0) {
        return {HostError::NoPseudoTerminal, "no pseudo-terminal: " + systemReason(errno)};
    }
    char name[128] = {};
    if (grantpt(master_) != 0 || unlockpt(master_) != 0 ||
        ptsname_r(master_, name, sizeof name) != 0) {
        return {HostError::NoPseudoTerminal, "pseudo-terminal not usable: " + systemReason(errno)};
    }
    devicePath_ = name;
    device_ = ::open(name, O_RDWR | O_NOCTTY);
    if (device_ < 0) {
        return {HostError::NoPseudoTerminal, devicePath_ + ": " + systemReason(errno)};
    }
    // Raw before a single byte moves: with the terminal's usual echo the display would hear its
    // own replies, and a tool reading the line would get its commands back.
    termios settings{};
    if (tcgetattr(device_, &settings) != 0) {
        return {HostError::NoPseudoTerminal, devicePath_ + ": " + systemReason(errno)};
    }
    cfmakeraw(&settings);
    if (tcsetattr(device_, TCSANOW, &settings) != 0) {
        return {HostError::NoPseudoTerminal, devicePath_ + ": " + systemReason(errno)};
    }
    const int flags = fcntl(master_, F_GETFL);
    if (flags < 0 || fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0) {
        return {HostError::NoPseudoTerminal, "pseudo-terminal: " + systemReason(errno)};
    }
    return {};
}

HostStart PtyHost::makeLink(const HostOptions& options) {
    const std::string folder = options.folder.empty() ? link::portFolder() : options.folder;
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        fs::create_directories(folder, ec);
        if (ec) {
            return {HostError::FolderUnusable, folder + ": " + ec.message()};
        }
        // Other users have no business opening this user's ports.
        fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, ec);
    }
    if (!fs::is_directory(folder, ec)) {
        return {HostError::FolderUnusable, folder + " is not a folder"};
    }

    // A link whose device is gone was left by a display that did not get to clean up; its
    // number is free again.
    auto tryNumber = [&](int number) -> int {
        const std::string path = folder + "/COM" + std::to_string(number);
        if (isDanglingLink(path)) {
            ::unlink(path.c_str());
        }
        if (::symlink(devicePath_.c_str(), path.c_str()) == 0) {
            portNumber_ = number;
            linkPath_ = path;
            return 0;
        }
        return errno;
    };

    if (options.portNumber) {
        const int number = *options.portNumber;
        const std::string path = folder + "/COM" + std::to_string(number);
        const int error = tryNumber(number);
        if (error == 0) {
            return {};
        }
        if (error == EEXIST) {
            const std::string target = linkTarget(path);
            return {HostError::PortTaken, "COM" + std::to_string(number) + " is taken" +
                                              (target.empty() ? std::string() : " by " + target)};
        }
        return {HostError::LinkFailed, path + ": " + systemReason(error)};
    }
    for (int number = 1; number <= link::kHighestPortNumber; ++number) {
        const std::string path = folder + "/COM" + std::to_string(number);
        if (entryExists(path) && !isDanglingLink(path)) {
            continue;
        }
        const int error = tryNumber(number);
        if (error == 0) {
            return {};
        }
        // Another display may have taken the number between the look and the link.
        if (error != EEXIST) {
            return {HostError::LinkFailed, path + ": " + systemReason(error)};
        }
    }
    return {HostError::NoFreePort, "COM1 to COM255 are all taken in " + folder};
}

void PtyHost::readLine() {
    std::uint8_t buffer[kReadChunk];
    while (master_ >= 0) {
        const ssize_t count = ::read(master_, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            // EAGAIN: all read. Anything else cannot happen while the host holds the device
            // end, short of the system taking the terminal away.
            if (count < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                hangUp();
            }
            return;
        }
        const std::int64_t at = now();
        FeedResult result = firmware_.feed(
            std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(count)), at);
        for (Reply& reply : result.replies) {
            pending_.emplace(at + reply.delayMs, std::move(reply.bytes));
        }
        deliverDue();
        // Stored before the screen, so that "stored" comes before the welcome it restarts with.
        if (result.stored != StoreOutcome::None) {
            emit settingsStored(result.stored);
        }
        noteScreen();
        if (result.hangUp) {
            hangUp();
            return;
        }
    }
}

void PtyHost::deliverDue() {
    const std::int64_t at = now();
    while (!pending_.empty() && pending_.begin()->first <= at) {
        const std::vector<std::uint8_t>& bytes = pending_.begin()->second;
        outgoing_.insert(outgoing_.end(), bytes.begin(), bytes.end());
        pending_.erase(pending_.begin());
    }
    if (!pending_.empty()) {
        replyTimer_.start(static_cast<int>(pending_.begin()->first - at));
    }
    writeOut();
}

void PtyHost::writeOut() {
    while (master_ >= 0 && !outgoing_.empty()) {
        const ssize_t count = ::write(master_, outgoing_.data(), outgoing_.size());
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            break;
        }
        outgoing_.erase(outgoing_.begin(), outgoing_.begin() + count);
    }
    // With no tool reading, a long reply can fill the terminal's buffer; the rest waits here.
    if (writeNotifier_) {
        writeNotifier_->setEnabled(master_ >= 0 && !outgoing_.empty());
    }
}

void PtyHost::hangUp() {
    if (hungUp_) {
        return;
    }
    hungUp_ = true;
    closeLine();
    removeLink();
    emit hungUp();
}

void PtyHost::closeLine() {
    readNotifier_.reset();
    writeNotifier_.reset();
    replyTimer_.stop();
    pending_.clear();
    outgoing_.clear();
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
    if (device_ >= 0) {
        ::close(device_);
        device_ = -1;
    }
}

void PtyHost::removeLink() {
    // Only this host's own link: another display may have replaced it after a hang-up.
    if (!linkPath_.empty() && linkTarget(linkPath_) == devicePath_) {
        ::unlink(linkPath_.c_str());
    }
    linkPath_.clear();
}

void PtyHost::noteScreen() {
    if (firmware_.screen().revision() != shownRevision_) {
        shownRevision_ = firmware_.screen().revision();
        emit screenChanged();
    }
}

}  // namespace vfd::sim
