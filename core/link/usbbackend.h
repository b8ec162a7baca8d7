#pragma once
// The six operations of the USB HID library, behind an interface so that the
// hidapi device, the simulated meter and test fakes plug in. Every operation
// returns 0 on success and any other value on failure.

#include <cstdint>

class IUsbBackend {
public:
    virtual ~IUsbBackend() = default;
    // Opening while open keeps the handle and succeeds.
    virtual int MvUsbOpen(uint16_t vendorId, uint16_t productId) = 0;
    // Time-outs in milliseconds.
    virtual int MvUsbSetTimeouts(int readTimeout, int writeTimeout) = 0;
    // Sends a 7-byte command frame.
    virtual int MvUsbWrite(int length, const uint8_t *frame) = 0;
    virtual int MvUsbPostWrite() = 0;
    // Reads one reply and fills the first `length` bytes (32, 36 or 64) of `buffer`.
    virtual int MvUsbRead(int length, uint8_t *buffer) = 0;
    virtual int MvUsbClose() = 0;
};

// Before a command is written, the input reports already waiting are read
// without waiting and dropped: a reply that came after its read had timed out
// stays queued in the device and would otherwise pass for the answer to the
// next command, shifting every later exchange by one. `readWaiting` takes one
// waiting report and returns false when none is left; a device that keeps
// sending is given up on after `limit` reports.
template <typename ReadWaiting>
int DropWaitingReports(ReadWaiting readWaiting, int limit = 64)
{
    int dropped = 0;
    while (dropped < limit && readWaiting())
        ++dropped;
    return dropped;
}
