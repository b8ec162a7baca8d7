#pragma once
// The six USB operations over hidapi. A frame goes out as one output report
// (report id 0, eight data bytes: the 7-byte frame and a 0); every reply comes
// in one 64-byte input report of which a read of n takes the first n bytes.

#include "core/link/usbbackend.h"

struct hid_device_;

class THidUsbBackend : public IUsbBackend {
public:
    THidUsbBackend();
    ~THidUsbBackend() override;
    THidUsbBackend(const THidUsbBackend &) = delete;
    THidUsbBackend &operator=(const THidUsbBackend &) = delete;

    int MvUsbOpen(uint16_t vendorId, uint16_t productId) override;
    int MvUsbSetTimeouts(int readTimeout, int writeTimeout) override;
    int MvUsbWrite(int length, const uint8_t *frame) override;
    int MvUsbPostWrite() override;
    int MvUsbRead(int length, uint8_t *buffer) override;
    int MvUsbClose() override;

private:
    hid_device_ *Device = nullptr;
    int ReadTimeout = 100;
    bool Initialised = false;
};
