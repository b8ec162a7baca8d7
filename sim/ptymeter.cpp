#include "sim/ptymeter.h"

#include <QByteArray>
#include <QFile>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace {

QString Hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

} // namespace

TPtyMeter::TPtyMeter(std::shared_ptr<TSimMeter> meter) : meter_(std::move(meter))
{
    meter_->SetBluetooth(true);
}

TPtyMeter::~TPtyMeter()
{
    Stop();
}

bool TPtyMeter::Start(QString *error)
{
    auto fail = [&](const QString &what) {
        if (error)
            *error = what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        Stop();
        return false;
    };
    if (IsRunning())
        return true;
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0)
        return fail(QStringLiteral("posix_openpt"));
    if (grantpt(master_) != 0 || unlockpt(master_) != 0)
        return fail(QStringLiteral("grantpt/unlockpt"));
    char name[128];
    if (ptsname_r(master_, name, sizeof name) != 0)
        return fail(QStringLiteral("ptsname"));
    portPath_ = QString::fromLocal8Bit(name);

    // Keep the far end open ourselves: the master then never sees a hang-up
    // while no program has the port open, and the line settings persist.
    slave_ = ::open(name, O_RDWR | O_NOCTTY);
    if (slave_ < 0)
        return fail(QStringLiteral("open ") + portPath_);
    termios tio;
    if (tcgetattr(slave_, &tio) == 0) {
        cfmakeraw(&tio);
        cfsetispeed(&tio, B9600);
        cfsetospeed(&tio, B9600);
        tcsetattr(slave_, TCSANOW, &tio);
    }
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    if (pipe(wake_) != 0)
        return fail(QStringLiteral("pipe"));

    stop_ = false;
    thread_ = std::thread([this] { Run(); });
    return true;
}

void TPtyMeter::Stop()
{
    stop_ = true;
    if (wake_[1] >= 0) {
        const char c = 'x';
        [[maybe_unused]] ssize_t n = ::write(wake_[1], &c, 1);
    }
    if (thread_.joinable())
        thread_.join();
    for (int *fd : {&master_, &slave_, &wake_[0], &wake_[1]}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    if (!linkPath_.isEmpty()) {
        const QByteArray link = QFile::encodeName(linkPath_);
        struct stat st;
        if (lstat(link.constData(), &st) == 0 && S_ISLNK(st.st_mode))
            ::unlink(link.constData());
        linkPath_.clear();
    }
}

bool TPtyMeter::MakeLink(const QString &linkPath, QString *error)
{
    const QByteArray link = QFile::encodeName(linkPath);
    struct stat st;
    if (lstat(link.constData(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            if (error)
                *error = linkPath + QStringLiteral(" exists and is not a symbolic link");
            return false;
        }
        ::unlink(link.constData());
    }
    if (::symlink(QFile::encodeName(portPath_).constData(), link.constData()) != 0) {
        if (error)
            *error = linkPath + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    linkPath_ = linkPath;
    return true;
}

bool TPtyMeter::WaitMs(int ms)
{
    if (ms <= 0)
        return !stop_;
    pollfd p{wake_[0], POLLIN, 0};
    ::poll(&p, 1, ms);
    return !stop_;
}

bool TPtyMeter::SendPaced(const QByteArray &bytes, int delayMs, int frameBytes)
{
    if (!WaitMs(delayMs))
        return false;
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const int us = byteTimeUs_;
    // As on a wire, the meter has a frame only once its last byte is in, and
    // the program has each reply byte only once its last bit is out: byte i
    // arrives after the frame's own bytes and i + 1 bytes of the reply.
    const int64_t lead = int64_t(us) * (frameBytes + 1);
    for (int i = 0; i < bytes.size(); ++i) {
        if (stop_)
            return false;
        if (us > 0) {
            const auto due = start + std::chrono::microseconds(lead + int64_t(us) * i);
            const auto now = Clock::now();
            if (due > now)
                std::this_thread::sleep_for(due - now);
        }
        const int chunk = us > 0 ? 1 : int(bytes.size()) - i;
        for (int tries = 0;; ++tries) {
            const ssize_t n = ::write(master_, bytes.constData() + i, size_t(chunk));
            if (n > 0) {
                bytesSent_ += int(n);
                i += int(n) - 1;
                break;
            }
            // The far end's input queue is full (nobody reads): drop the rest.
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return true;
            if (tries > 200 || !WaitMs(1))
                return true;
        }
    }
    return true;
}

void TPtyMeter::Run()
{
    QByteArray input;
    char buffer[256];
    while (!stop_) {
        pollfd fds[2] = {{master_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        const int ready = ::poll(fds, 2, 200);
        if (stop_)
            break;
        if (ready <= 0)
            continue;
        if (fds[0].revents & (POLLHUP | POLLERR)) {
            WaitMs(20);
            continue;
        }
        if (!(fds[0].revents & POLLIN))
            continue;
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n <= 0)
            continue;
        input.append(buffer, int(n));

        // Frames are 02, command, four parameter bytes, 03; anything else is
        // skipped byte by byte until a frame lines up.
        while (!input.isEmpty()) {
            if (uint8_t(input[0]) != 0x02) {
                input.remove(0, 1);
                continue;
            }
            if (input.size() < 7)
                break;
            if (uint8_t(input[6]) != 0x03) {
                input.remove(0, 1);
                continue;
            }
            const QByteArray frame = input.left(7);
            input.remove(0, 7);
            ++framesReceived_;
            TSimReply reply;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                reply = meter_->Answer(reinterpret_cast<const uint8_t *>(frame.constData()), 7);
            }
            if (log_)
                log_(QStringLiteral("<- %1  -> %2%3").arg(Hex(frame),
                     reply.bytes.isEmpty() ? QStringLiteral("(no reply)") : Hex(reply.bytes),
                     reply.delayMs > 0 ? QStringLiteral(" (after %1 ms)").arg(reply.delayMs) : QString()));
            if (!reply.bytes.isEmpty() && !SendPaced(reply.bytes, reply.delayMs, int(frame.size())))
                return;
        }
    }
}
