#pragma once
// The serial port to the meter over QSerialPort: 9600 baud 8N1, hardware flow
// control, DTR on. No event loop runs inside a poll tick, so the count of
// bytes waiting pumps the port before it counts.

#include "core/link/transport.h"

#include <QSerialPort>

#include <memory>

class TSerialTransport : public IMeterTransport {
public:
    // Works on `port` (not owned, must outlive the transport) or, when null,
    // on a port of its own.
    explicit TSerialTransport(QSerialPort *port = nullptr);
    ~TSerialTransport() override;
    TSerialTransport(const TSerialTransport &) = delete;
    TSerialTransport &operator=(const TSerialTransport &) = delete;

    bool SetDeviceName(const QString &name) override;
    QString DeviceName() const override;
    QString SystemLocation() const override;

    bool Open() override;
    void Close() override;
    bool IsOpen() const override;
    void SetTimeouts(int readTimeout, int writeTimeout) override;

    bool Write(const uint8_t *bytes, int count) override;
    int BytesWaiting() override;
    int Read(uint8_t *buffer, int count) override;
    bool Purge() override;

    QSerialPort &Port() { return *Comm1; }

private:
    void Pump();

    std::unique_ptr<QSerialPort> OwnPort;
    QSerialPort *Comm1 = nullptr;
    QString Name;
    int WriteTimeout = 100;
};

// The name as a serial port opens: a bare name under /dev, a path as it is.
QString SerialSystemLocation(const QString &name);
