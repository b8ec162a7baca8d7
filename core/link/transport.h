#pragma once
// A byte-stream transport to the meter: the serial port, a pseudo-terminal
// serving the simulated meter, or a test fake. Every operation reports failure
// as a value; nothing throws.

#include <QString>
#include <cstdint>

class IMeterTransport {
public:
    virtual ~IMeterTransport() = default;

    // The device to open: a bare name opens /dev/NAME, a path opens as it is.
    virtual bool SetDeviceName(const QString &name) = 0;
    virtual QString DeviceName() const = 0;
    // The name as the system opens it ("/dev/ttyUSB0").
    virtual QString SystemLocation() const = 0;

    virtual bool Open() = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // Read and write time-outs in milliseconds.
    virtual void SetTimeouts(int readTimeout, int writeTimeout) = 0;

    // Writes `count` bytes; false when they could not be handed to the device.
    virtual bool Write(const uint8_t *bytes, int count) = 0;
    // Bytes received and not yet read; -1 when the count failed.
    virtual int BytesWaiting() = 0;
    // Reads at most `count` bytes; returns the number read or -1 on failure.
    virtual int Read(uint8_t *buffer, int count) = 0;
    // Drops everything received and not yet read.
    virtual bool Purge() = 0;
};
