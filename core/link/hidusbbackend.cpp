#include "core/link/hidusbbackend.h"

#include <hidapi/hidapi.h>

#include <cstring>

namespace {
constexpr int ReportSize = 64;
constexpr int OutputDataSize = 8;
} // namespace

THidUsbBackend::THidUsbBackend()
{
    Initialised = hid_init() == 0;
}

THidUsbBackend::~THidUsbBackend()
{
    MvUsbClose();
}

int THidUsbBackend::MvUsbOpen(uint16_t vendorId, uint16_t productId)
{
    if (Device)
        return 0; // opening while open keeps the handle
    if (!Initialised) {
        Initialised = hid_init() == 0;
        if (!Initialised)
            return 1;
    }
    Device = hid_open(vendorId, productId, nullptr);
    return Device ? 0 : 1;
}

int THidUsbBackend::MvUsbSetTimeouts(int readTimeout, int /*writeTimeout*/)
{
    if (!Device)
        return 1;
    ReadTimeout = readTimeout < 0 ? 0 : readTimeout;
    return 0;
}

int THidUsbBackend::MvUsbWrite(int length, const uint8_t *frame)
{
    if (!Device || !frame || length <= 0)
        return 1;
    DropWaitingReports([this] {
        unsigned char stale[ReportSize];
        return hid_read_timeout(Device, stale, sizeof stale, 0) > 0;
    });
    unsigned char report[1 + OutputDataSize] = {};
    report[0] = 0; // report id
    std::memcpy(report + 1, frame, static_cast<size_t>(length < OutputDataSize ? length : OutputDataSize));
    const int written = hid_write(Device, report, sizeof report);
    return written == static_cast<int>(sizeof report) ? 0 : 1;
}

int THidUsbBackend::MvUsbPostWrite()
{
    return 0; // hidapi hands the report over in the write itself
}

int THidUsbBackend::MvUsbRead(int length, uint8_t *buffer)
{
    if (!Device || !buffer || length <= 0 || length > ReportSize)
        return 1;
    unsigned char report[ReportSize] = {};
    const int got = hid_read_timeout(Device, report, sizeof report, ReadTimeout);
    if (got <= 0)
        return 1;
    const int n = got < length ? got : length;
    std::memcpy(buffer, report, static_cast<size_t>(n));
    return got >= length ? 0 : 1;
}

int THidUsbBackend::MvUsbClose()
{
    if (Device) {
        hid_close(Device);
        Device = nullptr;
    }
    return 0;
}
