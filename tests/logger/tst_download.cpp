// The memory download against the simulated meter: the image it brings home,
// over both links and through the faults each link recovers from, and the
// result of the faults it cannot recover from.

#include "downloadrig.h"
#include "gui/logger/transferwindow.h"

#include <QRegularExpression>
#include <QtTest>

#include "../testregistry.h"

namespace {

struct TPageFaultCase {
    int page;
    TSimPageFault fault;
    int count;
};

} // namespace

Q_DECLARE_METATYPE(QVector<TPageFaultCase>)

class TstMemoryDownload : public QObject {
    Q_OBJECT
private slots:
    void secondsLeft_data();
    void secondsLeft();
    void transferSize_data();
    void transferSize();
    void imageEqualsMeterMemory_data();
    void imageEqualsMeterMemory();
    void unrecoverableFaults_data();
    void unrecoverableFaults();
};

void TstMemoryDownload::secondsLeft_data()
{
    QTest::addColumn<qint64>("elapsedMs");
    QTest::addColumn<int>("bytes");
    QTest::addColumn<int>("seconds");
    QTest::newRow("nothing yet") << qint64(5000) << 0 << -1;
    QTest::newRow("too early") << qint64(500) << 4096 << -1;
    QTest::newRow("a quarter in 90 s") << qint64(90000) << 65536 << 270;
    QTest::newRow("done") << qint64(360000) << 262144 << 0;
}

void TstMemoryDownload::secondsLeft()
{
    QFETCH(qint64, elapsedMs);
    QFETCH(int, bytes);
    QFETCH(int, seconds);
    QCOMPARE(TransferSecondsLeft(elapsedMs, bytes, 262144), seconds);
}

void TstMemoryDownload::transferSize_data()
{
    QTest::addColumn<int>("endAddress");
    QTest::addColumn<int>("size");
    QTest::newRow("2847: 89 pages") << 2847 << 2848;
    QTest::newRow("4660 rounds up") << 4660 << 4672;
    QTest::newRow("100: whole memory") << 100 << 262144;
    QTest::newRow("254: too short, whole memory") << 254 << 262144;
    QTest::newRow("255: 256 bytes") << 255 << 256;
    QTest::newRow("262143") << 262143 << 262144;
    QTest::newRow("262144") << 262144 << 262144;
}

void TstMemoryDownload::transferSize()
{
    QFETCH(int, endAddress);
    QFETCH(int, size);
    QCOMPARE(TransferSizeFor(endAddress), size);
}

void TstMemoryDownload::imageEqualsMeterMemory_data()
{
    QTest::addColumn<bool>("serialLink");
    QTest::addColumn<int>("fill");   // bytes of memory in use; 0 keeps the three demo sets
    QTest::addColumn<QVector<TPageFaultCase>>("faults");
    QTest::addColumn<QByteArray>("usbCommands"); // USB: the commands sent, runs of "p" shortened

    QTest::newRow("serial, bad checksum and a reply cut short")
        << true << 0
        << QVector<TPageFaultCase>{{5, TSimPageFault::BadChecksum, 1}, {40, TSimPageFault::CutShort, 1}}
        << QByteArray();
    QTest::newRow("usb, 89 pages")
        << false << 2844 << QVector<TPageFaultCase>{} << QByteArray("Pp*q");
    QTest::newRow("usb, failed read after p recovered by r")
        << false << 0 << QVector<TPageFaultCase>{{7, TSimPageFault::NoReply, 1}} << QByteArray("Pp*rp*q");
    QTest::newRow("usb, failed reads after p and r: recovery phase")
        << false << 0 << QVector<TPageFaultCase>{{7, TSimPageFault::NoReply, 2}} << QByteArray("Pp*rAPPp*q");
    QTest::newRow("usb, full memory") << false << 262144 << QVector<TPageFaultCase>{} << QByteArray("Pp*q");
}

void TstMemoryDownload::imageEqualsMeterMemory()
{
    QFETCH(bool, serialLink);
    QFETCH(int, fill);
    QFETCH(QVector<TPageFaultCase>, faults);
    QFETCH(QByteArray, usbCommands);

    TDownloadRig rig;
    if (fill > 0)
        rig.meter->FillMemory(fill);
    const QByteArray memory = rig.meter->Memory();
    const int size = TransferSizeFor(rig.meter->EndAddress());
    QVERIFY(rig.Connect(serialLink));
    rig.usb.ClearLog();
    for (const TPageFaultCase &f : faults)
        rig.WithMeter([&f](TSimMeter &m) { m.InjectPageFault(f.page, f.fault, f.count); });

    TMemoryDownload download(rig.link, rig.Steps());
    int shown = -1;
    int lastProgress = 0;
    TTransferProgress progress;
    progress.Show = [&shown](int total) { shown = total; };
    progress.SetBytesReceived = [&lastProgress](int bytes) { lastProgress = bytes; };
    download.SetProgress(progress);
    TTransferTimes times;
    times.staleBytesMs = 200;
    download.SetTimes(times);

    QCOMPARE(download.DownloadMemory(), DownloadResult::Ok);
    QCOMPARE(shown, size);
    QCOMPARE(lastProgress, size);
    QCOMPARE(rig.decodes, 1);
    QCOMPARE(rig.decoded.size(), size);
    QVERIFY(rig.decoded == memory.left(size));
    QCOMPARE(rig.tempCount, size);
    QCOMPARE(rig.graphed, QList<int>{0});
    QVERIFY(download.MemoryImage().isEmpty());
    if (!serialLink) {
        QString squeezed = QString::fromLatin1(rig.UsbCommands());
        squeezed.replace(QRegularExpression(QStringLiteral("p{2,}")), QStringLiteral("p*"));
        QCOMPARE(squeezed.toLatin1(), usbCommands);
        if (faults.isEmpty())
            QCOMPARE(int(rig.UsbCommands().count('p')), size / 32 - 1);
    }
}

void TstMemoryDownload::unrecoverableFaults_data()
{
    QTest::addColumn<bool>("serialLink");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("result");

    // The first page never comes: three tries of "P".
    QTest::newRow("serial, no answer to P") << true << 1 << int(TSimPageFault::SilenceFrom)
                                            << DownloadResult::SerialNoFirstPage;
    QTest::newRow("serial, meter falls silent") << true << 30 << int(TSimPageFault::SilenceFrom)
                                                << DownloadResult::SerialIncomplete;
    QTest::newRow("serial, page 12 always wrong") << true << 12 << int(TSimPageFault::BadChecksum)
                                                  << DownloadResult::SerialIncomplete;
    QTest::newRow("usb, first page ends in 0x04") << false << 1 << int(TSimPageFault::BadEnd)
                                                  << DownloadResult::UsbFirstBadEnd;
    QTest::newRow("usb, page 9 never read") << false << 9 << int(TSimPageFault::NoReply)
                                            << DownloadResult::RecoveryReadFailed;
}

void TstMemoryDownload::unrecoverableFaults()
{
    QFETCH(bool, serialLink);
    QFETCH(int, page);
    QFETCH(int, fault);
    QFETCH(int, result);

    TDownloadRig rig;
    QVERIFY(rig.Connect(serialLink));
    rig.WithMeter([&](TSimMeter &m) { m.InjectPageFault(page, TSimPageFault(fault), -1); });
    TMemoryDownload download(rig.link, rig.Steps());
    TTransferTimes times;
    times.firstPageMs = 150;
    times.staleBytesMs = 100;
    times.silenceMs = 150;
    times.usbRetryMs = 10;
    times.usbRecoveryMs = 10;
    download.SetTimes(times);
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(download.DownloadMemory(), result);
    QCOMPARE(rig.decodes, 0);
    QCOMPARE(rig.tempCount, -1);
    QVERIFY(download.MemoryImage().isEmpty());
    if (result == DownloadResult::SerialNoFirstPage)
        QVERIFY(timer.elapsed() >= 3 * times.firstPageMs);
    if (result == DownloadResult::SerialIncomplete)
        QVERIFY(download.ReceivedByteCount() < download.TransferSize());
}

QM738_REGISTER_TEST(TstMemoryDownload)
#include "tst_download.moc"
