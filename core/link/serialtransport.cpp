#include "core/link/serialtransport.h"

#include "core/link/linklog.h"

#include <QSerialPortInfo>

TSerialTransport::TSerialTransport(QSerialPort *port) : Comm1(port)
{
    if (!Comm1) {
        OwnPort = std::make_unique<QSerialPort>();
        OwnPort->setObjectName(QStringLiteral("Comm1"));
        Comm1 = OwnPort.get();
    }
}

TSerialTransport::~TSerialTransport()
{
    if (OwnPort)
        Close();
}

QString SerialSystemLocation(const QString &name)
{
    if (name.isEmpty())
        return QString();
    if (name.startsWith(QLatin1Char('/')) || name.startsWith(QLatin1String("./"))
        || name.startsWith(QLatin1String("../")))
        return name;
    return QStringLiteral("/dev/") + name;
}

bool TSerialTransport::SetDeviceName(const QString &name)
{
    Name = name;
    if (Comm1->isOpen())
        return false; // takes effect at the next open
    Comm1->setPortName(SerialSystemLocation(name));
    return true;
}

QString TSerialTransport::DeviceName() const
{
    return Name;
}

QString TSerialTransport::SystemLocation() const
{
    return SerialSystemLocation(Name);
}

bool TSerialTransport::Open()
{
    if (Comm1->isOpen())
        return true;
    if (Name.isEmpty())
        return false;
    Comm1->setPortName(SerialSystemLocation(Name));
    if (!Comm1->open(QIODevice::ReadWrite)) {
        Comm1->clearError();
        return false;
    }
    // Settings and modem lines may fail (a pseudo-terminal has no DTR): ignored,
    // as every error of the port is. No hardware flow control: on Linux it holds
    // every write until CTS, which many cables and adapters never drive (the
    // meter's handshake only gates what it receives from us). DTR and RTS are
    // raised because an interface cable may draw its power from them.
    Comm1->setBaudRate(QSerialPort::Baud9600);
    Comm1->setDataBits(QSerialPort::Data8);
    Comm1->setParity(QSerialPort::NoParity);
    Comm1->setStopBits(QSerialPort::OneStop);
    Comm1->setFlowControl(QSerialPort::NoFlowControl);
    Comm1->setDataTerminalReady(true);
    Comm1->setRequestToSend(true);
    Comm1->clearError();
    return Comm1->isOpen();
}

void TSerialTransport::Close()
{
    if (Comm1->isOpen())
        Comm1->close();
    Comm1->clearError();
}

bool TSerialTransport::IsOpen() const
{
    return Comm1->isOpen();
}

void TSerialTransport::SetTimeouts(int /*readTimeout*/, int writeTimeout)
{
    WriteTimeout = writeTimeout;
}

bool TSerialTransport::Write(const uint8_t *bytes, int count)
{
    if (!Comm1->isOpen() || !bytes || count <= 0)
        return false;
    LinkLogBytes("serial >", bytes, count);
    const qint64 written = Comm1->write(reinterpret_cast<const char *>(bytes), count);
    bool ok = written == count;
    // No event loop runs while the meter is polled: push the bytes out now.
    while (ok && Comm1->bytesToWrite() > 0) {
        if (!Comm1->waitForBytesWritten(WriteTimeout))
            ok = false;
    }
    Comm1->clearError();
    return ok;
}

void TSerialTransport::Pump()
{
    // Moves what the system holds into the port's buffer; bounded so a device
    // that never stops sending cannot hold the caller here.
    for (int i = 0; i < 64 && Comm1->waitForReadyRead(0); ++i) {
    }
    Comm1->clearError();
}

int TSerialTransport::BytesWaiting()
{
    if (!Comm1->isOpen())
        return -1;
    Pump();
    const qint64 n = Comm1->bytesAvailable();
    return n > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(n);
}

int TSerialTransport::Read(uint8_t *buffer, int count)
{
    if (!Comm1->isOpen() || !buffer || count < 0)
        return -1;
    if (count == 0)
        return 0;
    if (Comm1->bytesAvailable() < count)
        Pump();
    const qint64 n = Comm1->read(reinterpret_cast<char *>(buffer), count);
    Comm1->clearError();
    if (n < 0)
        return -1;
    LinkLogBytes("serial <", buffer, static_cast<int>(n));
    return static_cast<int>(n);
}

bool TSerialTransport::Purge()
{
    if (!Comm1->isOpen())
        return false;
    Pump();
    const bool ok = Comm1->clear(QSerialPort::Input);
    Comm1->readAll();
    Comm1->clearError();
    return ok;
}
