#pragma once
// The simulated meter behind the USB backend interface: a frame written goes
// to the meter, a read returns the first n bytes of its reply. Replies queue
// up like input reports; closing the device drops what is queued. A reply that
// comes after its read timed out is still on its way: it survives a close and
// reaches the queue at the next operation on the open device, as the report a
// HID device sends late does. Like the hidapi backend, a write first drops the
// reports already waiting.

#include <QVector>
#include <array>
#include <deque>
#include <memory>

#include "core/link/usbbackend.h"
#include "sim/simmeter.h"

class TSimUsbBackend : public IUsbBackend {
public:
    TSimUsbBackend();                                        // with a meter of its own
    explicit TSimUsbBackend(std::shared_ptr<TSimMeter> meter);

    int MvUsbOpen(uint16_t vendorId, uint16_t productId) override;
    int MvUsbSetTimeouts(int readTimeout, int writeTimeout) override;
    int MvUsbWrite(int length, const uint8_t *frame) override;
    int MvUsbPostWrite() override;
    int MvUsbRead(int length, uint8_t *buffer) override;
    int MvUsbClose() override;

    TSimMeter &Meter() { return *meter_; }
    std::shared_ptr<TSimMeter> SharedMeter() const { return meter_; }

    // What the program did, for tests.
    bool IsOpen() const { return open_; }
    int OpenCount() const { return opens_; }
    int CloseCount() const { return closes_; }
    int ReadCount() const { return reads_; }
    int ReadTimeout() const { return readTimeout_; }
    uint16_t LastVendorId() const { return vendorId_; }
    uint16_t LastProductId() const { return productId_; }
    const QVector<std::array<uint8_t, 7>> &Frames() const { return frames_; }
    void ClearLog() { frames_.clear(); }

private:
    // A late reply whose read timed out: the meter sends it after all.
    void HoldLateReply();
    // Replies sent late reach the queue of the open device.
    void DeliverLateReplies();
    // Reads one waiting report without waiting; false when none is queued.
    bool TakeWaitingReport();

    std::shared_ptr<TSimMeter> meter_;
    std::deque<TSimReply> pending_;
    std::deque<TSimReply> late_;
    bool open_ = false;
    int readTimeout_ = 100, writeTimeout_ = 100;
    int opens_ = 0, closes_ = 0, reads_ = 0;
    uint16_t vendorId_ = 0, productId_ = 0;
    QVector<std::array<uint8_t, 7>> frames_;
};

// A backend on the process-wide demo meter: every backend made by this call
// talks to the same simulated meter, so its state (unit, HOLD, logger memory)
// survives when the program makes a new backend.
std::unique_ptr<IUsbBackend> CreateDemoUsbBackend();
std::shared_ptr<TSimMeter> DemoMeter();

// Registers the in-process meter as the backend QM738_DEMO_METER=usb asks
// for, its memory filled as QM738_DEMO_MEMORY says (unless a test has put
// its own backend there).
void RegisterDemoUsbMeter();
