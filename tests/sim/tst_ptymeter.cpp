// The simulated meter as a serial device on a pseudo-terminal.
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

#include "live/testlist.h"
#include "sim/ptymeter.h"
#include "simtesthelpers.h"

namespace {

bool OpenPort(QSerialPort &port, const QString &path)
{
    port.setPortName(path);
    port.setBaudRate(9600);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::HardwareControl);
    return port.open(QIODevice::ReadWrite);
}

void Write(QSerialPort &port, char command, int page = 0)
{
    const auto f = Frame(command, page);
    port.write(reinterpret_cast<const char *>(f.data()), 7);
    port.waitForBytesWritten(100);
}

// Collects bytes until `count` have come or `ms` have passed.
QByteArray ReadUntil(QSerialPort &port, int count, int ms)
{
    QElapsedTimer t;
    t.start();
    QByteArray got;
    while (got.size() < count && t.elapsed() < ms) {
        port.waitForReadyRead(10);
        got += port.readAll();
    }
    return got;
}

} // namespace

class TstPtyMeter : public QObject {
    Q_OBJECT
private slots:
    void identityOverThePort();
    void liveReplyIsPacedAt9600Baud();
    void garbageBeforeAFrameIsSkipped();
    void serialDownload();
    void faultsOnTheWire();
    void linkIsMadeAndRemoved();
};

void TstPtyMeter::identityOverThePort()
{
    TPtyMeter meter;
    QString error;
    QVERIFY2(meter.Start(&error), qPrintable(error));
    QVERIFY(meter.PortPath().startsWith(QLatin1String("/dev/")));
    QSerialPort port;
    QVERIFY(OpenPort(port, meter.PortPath()));
    Write(port, 'K');
    const QByteArray r = ReadUntil(port, 32, 500);
    QCOMPARE(r.size(), 32);
    QVERIFY(IdentityOk(r));
    QCOMPARE(meter.FramesReceived(), 1);
}

void TstPtyMeter::liveReplyIsPacedAt9600Baud()
{
    TPtyMeter meter;
    QVERIFY(meter.Start());
    meter.WithMeter([](TSimMeter &m) { m.SetReadings(450, 220, 720); });
    QSerialPort port;
    QVERIFY(OpenPort(port, meter.PortPath()));
    QElapsedTimer t;
    t.start();
    Write(port, 'A');
    const QByteArray r = ReadUntil(port, 64, 1000);
    const qint64 ms = t.elapsed();
    QCOMPARE(r.size(), 64);
    QVERIFY(LiveReplyOk(r));
    QVERIFY2(ms >= 60, qPrintable(QString::number(ms)));   // 64 bytes at about 1.04 ms each
    QVERIFY2(ms < 1000, qPrintable(QString::number(ms)));  // (generous: the machine may be busy)
    QVERIFY(r.at(52) & 0x10);   // a serial meter shows the Bluetooth symbol
}

void TstPtyMeter::garbageBeforeAFrameIsSkipped()
{
    TPtyMeter meter;
    meter.SetByteTimeUs(0);
    QVERIFY(meter.Start());
    QSerialPort port;
    QVERIFY(OpenPort(port, meter.PortPath()));
    port.write(QByteArray::fromHex("ff0203"));   // noise and a broken frame start
    Write(port, 'K');
    const QByteArray r = ReadUntil(port, 32, 500);
    QVERIFY(IdentityOk(r));
    QCOMPARE(r.size(), 32);
}

void TstPtyMeter::serialDownload()
{
    TPtyMeter meter;
    meter.SetByteTimeUs(0);
    QVERIFY(meter.Start());
    QSerialPort port;
    QVERIFY(OpenPort(port, meter.PortPath()));
    Write(port, 'P');   // the serial download starts with page number 0
    QByteArray r = ReadUntil(port, 36, 1000);
    QVERIFY(PageReplyOk(r));
    const int end = U8(r, 10) << 16 | U8(r, 11) << 8 | U8(r, 12);
    const int size = (end + 1 + 31) / 32 * 32;
    QByteArray image = r.left(32);
    bool retried = false;
    while (image.size() < size) {
        if (image.size() == 320 && !retried) {
            meter.WithMeter([](TSimMeter &m) { m.InjectFault(TSimFault::BadChecksum, 1); });
            Write(port, 'p');
            r = ReadUntil(port, 36, 1000);
            QVERIFY(!PageReplyOk(r));
            Write(port, 'n');   // ask for the page again
            retried = true;
        } else {
            Write(port, 'p');
        }
        r = ReadUntil(port, 36, 1000);
        QCOMPARE(r.size(), 36);
        QVERIFY(PageReplyOk(r));
        image += r.left(32);
    }
    Write(port, 'q');
    const QByteArray memory = meter.WithMeter([](TSimMeter &m) { return m.Memory(); });
    QCOMPARE(image, memory.left(size));
    QCOMPARE(ParseMemory(image).size(), 3);
}

void TstPtyMeter::faultsOnTheWire()
{
    TPtyMeter meter;
    meter.SetByteTimeUs(0);
    QVERIFY(meter.Start());
    QSerialPort port;
    QVERIFY(OpenPort(port, meter.PortPath()));

    meter.WithMeter([](TSimMeter &m) { m.InjectFault(TSimFault::Silence, 1); });
    Write(port, 'A');
    QVERIFY(ReadUntil(port, 1, 300).isEmpty());

    meter.WithMeter([](TSimMeter &m) { m.InjectFault(TSimFault::TooManyBytes, 1); });
    Write(port, 'A');
    QByteArray r = ReadUntil(port, 70, 500);
    QCOMPARE(r.size(), 70);
    QVERIFY(LiveReplyOk(r.left(64)));

    meter.WithMeter([](TSimMeter &m) { m.InjectFault(TSimFault::LateBytes, 1); m.SetLateMs(400); });
    Write(port, 'A');
    QVERIFY(ReadUntil(port, 64, 200).isEmpty());   // nothing within the 200 ms wait
    r = ReadUntil(port, 64, 800);
    QCOMPARE(r.size(), 64);

    meter.WithMeter([](TSimMeter &m) { m.InjectFault(TSimFault::WrongIdentity, 1); });
    Write(port, 'K');
    r = ReadUntil(port, 32, 500);
    QCOMPARE(r.size(), 32);
    QVERIFY(!IdentityOk(r));
}

void TstPtyMeter::linkIsMadeAndRemoved()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("ttyQM738"));
    {
        TPtyMeter meter;
        QVERIFY(meter.Start());
        QString error;
        QVERIFY2(meter.MakeLink(link, &error), qPrintable(error));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(QFileInfo(link).symLinkTarget(), meter.PortPath());
        QSerialPort port;
        QVERIFY(OpenPort(port, link));
        Write(port, 'K');
        QVERIFY(IdentityOk(ReadUntil(port, 32, 500)));
        port.close();
        // a second meter may take over the name of a stale link, not of a file
        QFile plain(dir.filePath(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        QVERIFY(!meter.MakeLink(plain.fileName(), &error));
    }
    QVERIFY(!QFileInfo::exists(link));
    QVERIFY(!QFileInfo(link).isSymLink());
}

static TRegisterTest<TstPtyMeter> registerPtyMeter;
#include "tst_ptymeter.moc"
