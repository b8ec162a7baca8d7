#pragma once
// The simulated meter as a serial device: a pseudo-terminal whose far end
// answers 7-byte command frames with the meter's replies, paced at 9600 baud
// (about 1.04 ms per byte, the frame's own bytes counted as well). It runs on
// a thread of its own, so a program (or a test) may block on the port while
// the meter answers.

#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "sim/simmeter.h"

class TPtyMeter {
public:
    explicit TPtyMeter(std::shared_ptr<TSimMeter> meter = std::make_shared<TSimMeter>());
    ~TPtyMeter();
    TPtyMeter(const TPtyMeter &) = delete;
    TPtyMeter &operator=(const TPtyMeter &) = delete;

    // Opens the pseudo-terminal and starts answering. False with a reason on failure.
    bool Start(QString *error = nullptr);
    void Stop();
    bool IsRunning() const { return thread_.joinable(); }

    // The path a serial port opens, such as /dev/pts/7.
    QString PortPath() const { return portPath_; }
    // Makes a symbolic link to the port (replacing an older link of that
    // name); Stop() removes it again.
    bool MakeLink(const QString &linkPath, QString *error = nullptr);

    // Microseconds per byte sent; 0 sends each reply at once.
    void SetByteTimeUs(int us) { byteTimeUs_ = us; }
    // Called (on the meter's thread) with a line for every frame and reply.
    void SetLog(std::function<void(const QString &)> log) { log_ = std::move(log); }

    // Runs f on the meter while the meter's thread keeps off it.
    template <class F>
    auto WithMeter(F f) -> decltype(f(std::declval<TSimMeter &>()))
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return f(*meter_);
    }

    int FramesReceived() const { return framesReceived_; }
    int BytesSent() const { return bytesSent_; }

private:
    void Run();
    bool SendPaced(const QByteArray &bytes, int delayMs, int frameBytes);
    bool WaitMs(int ms);   // false when asked to stop

    std::shared_ptr<TSimMeter> meter_;
    std::mutex mutex_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int> byteTimeUs_{1042};
    std::atomic<int> framesReceived_{0};
    std::atomic<int> bytesSent_{0};
    std::function<void(const QString &)> log_;
    int master_ = -1;
    int slave_ = -1;
    int wake_[2] = {-1, -1};
    QString portPath_;
    QString linkPath_;
};
