// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/pty_host.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "link/port_names.h"

namespace vfd::sim {

namespace {

namespace fs = std::filesystem;

// Often enough to move the welcome messages on at their own pace without visible jitter.
constexpr int kTickMs = 50;
constexpr std::size_t kReadChunk = 512;
// A lock file removed under a display that had just taken it is a race lost to one that was
// ending; a few tries settle it.
constexpr int kLockTries = 3;

std::string systemReason(int error) {
    return std::strerror(error);
}

bool isDanglingLink(const std::string& path) {
    std::error_code ec;
    return fs::is_symlink(fs::symlink_status(path, ec)) && !fs::exists(path, ec);
}

std::string linkTarget(const std::string& path) {
    std::error_code ec;
    const fs::path target = fs::read_symlink(path, ec);
    return ec ? std::string() : target.string();
}

// A link that a virtual display made: it points at a pseudo-terminal.
bool isDisplayLink(const std::string& path) {
    std::error_code ec;
    return fs::is_symlink(fs::symlink_status(path, ec)) &&
           linkTarget(path).starts_with("/dev/pts/");
}

int speedOf(speed_t speed) {
    switch (speed) {
        case B1200:
            return 1200;
        case B2400:
            return 2400;
        case B4800:
            return 4800;
        case B9600:
            return 9600;
        case B19200:
            return 19200;
        case B38400:
            return 38400;
        case B57600:
            return 57600;
        case B115200:
            return 115200;
        default:
            return 0;
    }
}

}  // namespace

bool serialDeviceExists(const std::string& path) {
    std::error_code ec;
    if (!fs::exists(path, ec)) {
        return false;
    }
    const std::string name = fs::path(path).filename().string();
    if (!name.starts_with("ttyS")) {
        return true;
    }
    std::ifstream type("/sys/class/tty/" + name + "/type");
    int uart = -1;
    return !(type >> uart) || uart != 0;
}

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
    if (lock_ >= 0) {
        // Removed while still held: a display waiting for the number then finds, once it has the
        // lock, that its file is no longer the one in the folder, and tries again.
        ::unlink(lockPath_.c_str());
        ::close(lock_);
    }
}

// The tool's end of the line is the tool's: a display that restarts at another speed does not
// reach through the cable and change the computer's port.
void PtyHost::restart() {
    firmware_.restart(now());
    pending_.clear();
    outgoing_.clear();
    emit restarted();
    noteScreen();
}

LineParameters PtyHost::displayLine() const {
    return {firmware_.lineSpeed(), 8, 'n', 1};
}

LineParameters PtyHost::toolLine() const {
    termios t{};
    if (device_ < 0 || tcgetattr(device_, &t) != 0) {
        return displayLine();
    }
    LineParameters line;
    line.baud = speedOf(cfgetospeed(&t));
    switch (t.c_cflag & CSIZE) {
        case CS5:
            line.dataBits = 5;
            break;
        case CS6:
            line.dataBits = 6;
            break;
        case CS7:
            line.dataBits = 7;
            break;
        default:
            line.dataBits = 8;
            break;
    }
    line.parity = (t.c_cflag & PARENB) == 0 ? 'n' : (t.c_cflag & PARODD) != 0 ? 'o' : 'e';
    line.stopBits = (t.c_cflag & CSTOPB) != 0 ? 2 : 1;
    return line;
}

// A program that opens the port without setting it up finds the display's own parameters, as
// on a line that was last used at the right speed.
void PtyHost::setLineToDisplay() {
    termios t{};
    if (device_ < 0 || tcgetattr(device_, &t) != 0) {
        return;
    }
    cfsetspeed(&t, firmware_.lineSpeed() == kLineSpeeds[1] ? B19200 : B9600);
    t.c_cflag = (t.c_cflag & ~(CSIZE | PARENB | PARODD | CSTOPB)) | CS8;
    tcsetattr(device_, TCSANOW, &t);
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
    setLineToDisplay();
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

    // Each number has a lock file beside its link, held by the display that owns the number for
    // as long as it runs. A free lock with a link to a pseudo-terminal (or to nothing) means the
    // display that made the link died without cleaning up: the number is taken over. A link to
    // anything else is an adapter's, and is left alone.
    auto tryNumber = [&](int number) -> int {
        const std::string path = folder + "/COM" + std::to_string(number);
        const std::string lockPath = folder + "/.COM" + std::to_string(number) + ".lock";
        const int lock = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (lock < 0) {
            return errno;
        }
        if (::flock(lock, LOCK_EX | LOCK_NB) != 0) {
            ::close(lock);
            return EEXIST;
        }
        struct stat held {};
        struct stat named {};
        if (::fstat(lock, &held) != 0 || ::stat(lockPath.c_str(), &named) != 0 ||
            held.st_ino != named.st_ino || held.st_dev != named.st_dev) {
            // The display that held it has just gone and removed it.
            ::close(lock);
            return EAGAIN;
        }
        if (isDanglingLink(path) || isDisplayLink(path)) {
            ::unlink(path.c_str());
        }
        if (::symlink(devicePath_.c_str(), path.c_str()) != 0) {
            const int error = errno;
            ::close(lock);
            return error;
        }
        portNumber_ = number;
        linkPath_ = path;
        lockPath_ = lockPath;
        lock_ = lock;
        return 0;
    };

    if (options.portNumber) {
        const int number = *options.portNumber;
        const std::string path = folder + "/COM" + std::to_string(number);
        int error = tryNumber(number);
        for (int again = 0; error == EAGAIN && again < kLockTries; ++again) {
            error = tryNumber(number);
        }
        if (error == 0) {
            return {};
        }
        if (error == EEXIST || error == EAGAIN) {
            const std::string target = linkTarget(path);
            return {HostError::PortTaken, "COM" + std::to_string(number) + " is taken" +
                                              (target.empty() ? std::string() : " by " + target)};
        }
        return {HostError::LinkFailed, path + ": " + systemReason(error)};
    }
    // A number whose ordinary device is there is that device's: a display on it would hide the
    // real port from the tools, which look in the port folder first.
    const DeviceLookup& deviceExists =
        options.deviceExists ? options.deviceExists : serialDeviceExists;
    numbersLeftToDevices_.clear();
    for (int number = 1; number <= link::kHighestPortNumber; ++number) {
        if (const std::string device = link::fixedDeviceName(number);
            !device.empty() && deviceExists(device)) {
            numbersLeftToDevices_.push_back(number);
            continue;
        }
        int error = tryNumber(number);
        for (int again = 0; error == EAGAIN && again < kLockTries; ++again) {
            error = tryNumber(number);
        }
        if (error == 0) {
            return {};
        }
        if (error != EEXIST && error != EAGAIN) {
            return {HostError::LinkFailed,
                    folder + "/COM" + std::to_string(number) + ": " + systemReason(error)};
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
        // What the display's receiver makes of the bytes, at its speed and the tool's.
        const std::vector<std::uint8_t> heard =
            reframe(std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(count)),
                    toolLine(), displayLine());
        FeedResult result = firmware_.feed(heard, at);
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
        const std::vector<std::uint8_t> bytes =
            reframe(pending_.begin()->second, displayLine(), toolLine());
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
