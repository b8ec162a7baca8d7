#include "rig.h"
#include "core/link/hidusbbackend.h"
#include "core/link/linklog.h"
#include "core/link/usbfactory.h"

#include <QSettings>
#include <QTemporaryDir>

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTimer>
#include <QtTest>

#include "../testregistry.h"

class TestMeterLink : public QObject {
    Q_OBJECT
private:
    static QByteArray Reply(const TLinkBuffers &b, int n = 64) { return QByteArray(reinterpret_cast<const char *>(b.Reply), n); }
    static void OpenSerial(TRig &rig, const QByteArray &answer)
    {
        rig.state.Connected = rig.state.SerialLink = true;
        rig.serial.openable << "ttyUSB0";
        rig.serial.SetDeviceName("ttyUSB0");
        rig.serial.Open();
        rig.serial.responder = [answer](const QString &, const TFrame &) { return answer; };
    }

private slots:
    // ---- USB live exchange ----
    void usbLiveOrder()
    {
        TRig rig;
        rig.UsbMeter(MakeLiveReply(0x21));
        QVERIFY(rig.link.ExchangeLiveUsb());
        QCOMPARE(rig.usb.calls, QStringList({"open", "timeouts", "write", "postwrite", "read", "close"}));
        QCOMPARE(rig.usb.readLengths, QVector<int>{64});
        QCOMPARE(Reply(rig.buffers), MakeLiveReply(0x21));
    }
    void usbLiveOpenFails()
    {
        TRig rig;
        rig.usb.openResult = 1;
        QVERIFY(!rig.link.ExchangeLiveUsb());
        QCOMPARE(rig.usb.calls, QStringList({"open", "close"}));
    }
    void usbLiveTimeoutsFail()
    {
        TRig rig;
        rig.usb.timeoutsResult = 1;
        QVERIFY(!rig.link.ExchangeLiveUsb());
        QCOMPARE(rig.usb.calls, QStringList({"open", "timeouts", "close"}));
    }
    void usbLiveReadFailsLeavesZerosAndPartial()
    {
        TRig rig;
        std::fill(std::begin(rig.buffers.Reply), std::end(rig.buffers.Reply), uint8_t(0xAA));
        rig.usb.readResult = 1;
        rig.usb.partialOnFailure = QByteArray("\x02\x41", 2);
        QVERIFY(!rig.link.ExchangeLiveUsb());
        QByteArray expected(64, '\0');
        expected[0] = 0x02; expected[1] = 0x41;
        QCOMPARE(Reply(rig.buffers), expected);
        QCOMPARE(rig.usb.closes, 1);
    }
    void usbLiveWriteResultIgnored()
    {
        TRig rig;
        rig.UsbMeter();
        rig.usb.writeResult = 1;
        QVERIFY(rig.link.ExchangeLiveUsb());
    }
    void usbIdsPassedToOpen()
    {
        TRig rig;
        rig.UsbMeter();
        rig.link.SetUsbIds({0x1234, 0x5678});
        rig.link.ExchangeLiveUsb();
        QCOMPARE(int(rig.usb.lastVendor), 0x1234);
        QCOMPARE(int(rig.usb.lastProduct), 0x5678);
    }

    void usbIdsFromSettings_data()
    {
        QTest::addColumn<QVariant>("vendor");
        QTest::addColumn<QVariant>("product");
        QTest::addColumn<int>("expectedVendor");
        QTest::addColumn<int>("expectedProduct");
        QTest::newRow("none") << QVariant() << QVariant() << int(DefaultUsbVendorId) << int(DefaultUsbProductId);
        QTest::newRow("decimal") << QVariant(4660) << QVariant(22136) << 0x1234 << 0x5678;
        QTest::newRow("hex text") << QVariant("0x04d8") << QVariant("0xF00D") << 0x04D8 << 0xF00D;
        QTest::newRow("out of range") << QVariant(70000) << QVariant("junk") << int(DefaultUsbVendorId) << int(DefaultUsbProductId);
    }
    void usbIdsFromSettings()
    {
        QFETCH(QVariant, vendor);
        QFETCH(QVariant, product);
        QFETCH(int, expectedVendor);
        QFETCH(int, expectedProduct);
        {
            QSettings settings(QSettings::UserScope, "QM738", "QM738");
            settings.remove("UsbVendorId");
            settings.remove("UsbProductId");
            if (vendor.isValid()) settings.setValue("UsbVendorId", vendor);
            if (product.isValid()) settings.setValue("UsbProductId", product);
        }
        const TUsbIds ids = UsbIdsFromSettings();
        QCOMPARE(int(ids.vendorId), expectedVendor);
        QCOMPARE(int(ids.productId), expectedProduct);
        QSettings(QSettings::UserScope, "QM738", "QM738").clear();
    }
    void demoBackendChosenByEnvironment()
    {
        int made = 0;
        SetDemoUsbBackendFactory([&made] { ++made; return std::make_unique<TFakeUsbBackend>(); });
        qputenv("QM738_DEMO_METER", "usb");
        auto demo = CreateUsbBackend();
        qunsetenv("QM738_DEMO_METER");
        auto normal = CreateUsbBackend();
        SetDemoUsbBackendFactory(nullptr);
        QCOMPARE(made, 1);
        QVERIFY(dynamic_cast<TFakeUsbBackend *>(demo.get()));
        QVERIFY(!dynamic_cast<TFakeUsbBackend *>(normal.get()));
    }
    void hidBackendWithoutDeviceFails()
    {
        THidUsbBackend hid;
        uint8_t buffer[64];
        const uint8_t frame[7] = {2, 'K', 0, 0, 0, 0, 3};
        // No device with these ids exists: every operation fails cleanly.
        QVERIFY(hid.MvUsbOpen(0xFFFE, 0xFFFE) != 0);
        QVERIFY(hid.MvUsbSetTimeouts(100, 100) != 0);
        QVERIFY(hid.MvUsbWrite(7, frame) != 0);
        QVERIFY(hid.MvUsbRead(64, buffer) != 0);
        QCOMPARE(hid.MvUsbClose(), 0);
    }
    void linkLogDumpsFrames()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("link.log");
        qputenv("QM738_LINK_LOG", path.toLocal8Bit());
        LinkLogReset();
        {
            auto logged = WrapUsbBackendWithLog(std::make_unique<TFakeUsbBackend>());
            TAppState state;
            TLinkBuffers buffers;
            TMeterLink link(state, buffers);
            link.SetUsbBackend(logged.get());
            link.ExchangeLiveUsb();
        }
        qunsetenv("QM738_LINK_LOG");
        LinkLogReset();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY2(text.contains("usb > [7] 02 41 00 00 00 01 03"), text.constData());
        QVERIFY(text.contains("usb < [64] 00 00"));
    }

    // ---- transport choice ----
    void usbWinsOverSerial()
    {
        TRig rig;
        rig.UsbMeter();
        OpenSerial(rig, MakeLiveReply());
        rig.state.UsbLink = true;
        QVERIFY(rig.link.ExchangeLive());
        QCOMPARE(rig.usb.writes, 1);
        QCOMPARE(rig.serial.frames.size(), 0);
    }
    void noLinkFlagDoesNothing()
    {
        TRig rig;
        QVERIFY(rig.link.ExchangeLive());
        QCOMPARE(rig.usb.calls.size(), 0);
        QCOMPARE(rig.serial.frames.size(), 0);
    }

    // ---- serial live exchange ----
    void serialLive_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("reads");
        const QByteArray good = MakeLiveReply(0x42);
        QByteArray badSum = good; badSum[62] = char(uint8_t(badSum[62]) ^ 1);
        QTest::newRow("64 good") << good << true << 1;
        QTest::newRow("63 bytes") << good.left(63) << false << 0;
        QTest::newRow("70 bytes, first 64 good") << good + QByteArray(6, 'z') << true << 2;
        QTest::newRow("bad checksum") << badSum << false << 1;
        QTest::newRow("silence") << QByteArray() << false << 0;
        QTest::newRow("shifted by one") << QByteArray(1, 'x') + good << false << 2;
    }
    void serialLive()
    {
        QFETCH(QByteArray, answer);
        QFETCH(bool, ok);
        QFETCH(int, reads);
        TRig rig;
        OpenSerial(rig, answer);
        QCOMPARE(rig.link.ExchangeLive(), ok);
        QCOMPARE(rig.serial.readCalls, reads);
        if (reads > 0)
            QCOMPARE(rig.serial.waiting.size(), 0); // everything counted was taken
        else
            QCOMPARE(rig.serial.waiting.size(), answer.size()); // nothing read
        if (ok)
            QCOMPARE(Reply(rig.buffers), answer.left(64));
    }
    void serialLiveClosedPort()
    {
        TRig rig;
        rig.state.Connected = rig.state.SerialLink = true;
        QElapsedTimer t;
        t.start();
        QVERIFY(!rig.link.ExchangeLive());
        const qint64 ms = t.elapsed();
        QVERIFY2(ms >= 200 && ms < 400, qPrintable(QString::number(ms)));
        QCOMPARE(rig.serial.frames.size(), 0);
        QCOMPARE(rig.serial.readCalls, 0);
    }
    void serialWriteFailureClosesPort()
    {
        TRig rig;
        OpenSerial(rig, MakeLiveReply());
        rig.serial.failWrite = true;
        QVERIFY(!rig.link.ExchangeLive());
        QVERIFY(!rig.serial.IsOpen());
    }
    void serialCountFailureIsZero()
    {
        TRig rig;
        OpenSerial(rig, MakeLiveReply());
        rig.serial.failCount = true;
        QVERIFY(!rig.link.ExchangeLive());
        QCOMPARE(rig.serial.readCalls, 0);
    }
    void serialFailedReadDoesNotReuseOldReply()
    {
        TRig rig;
        OpenSerial(rig, MakeLiveReply());
        QVERIFY(rig.link.ExchangeLive()); // a good reply now sits in the buffer
        rig.serial.failRead = true;
        QVERIFY(!rig.link.ExchangeLive());
    }
    void serialFloodReadInBoundedChunks()
    {
        TRig rig;
        OpenSerial(rig, MakeLiveReply() + QByteArray(100000, 'f'));
        QVERIFY(rig.link.ExchangeLive());
        QVERIFY(rig.serial.largestRead <= 256);
        QCOMPARE(rig.serial.waiting.size(), 0);
    }

    // ---- identity probe ----
    void usbIdentityProbe()
    {
        TRig rig;
        rig.UsbMeter();
        QVERIFY(rig.link.ProbeUsbIdentity(MeterCommand::Identity));
        QCOMPARE(rig.usb.calls, QStringList({"open", "timeouts", "write", "postwrite", "read", "close"}));
        QCOMPARE(rig.usb.readLengths, QVector<int>{32});
        QCOMPARE(int(rig.usb.frames.last()[1]), int('K'));
        QVERIFY(CheckIdentity(rig.buffers.Reply, 32));
    }
    void usbIdentityProbeOpenFails()
    {
        TRig rig;
        rig.usb.openResult = 1;
        QVERIFY(!rig.link.ProbeUsbIdentity(MeterCommand::Identity));
        QCOMPARE(rig.usb.calls, QStringList({"open", "close"}));
    }

    // ---- remote keys ----
    void sendKeyCommand_data()
    {
        QTest::addColumn<int>("open");
        QTest::addColumn<int>("timeouts");
        QTest::addColumn<int>("write");
        QTest::addColumn<int>("read");
        QTest::addColumn<bool>("ack");
        QTest::addColumn<int>("result");
        QTest::newRow("all good") << 0 << 0 << 0 << 0 << true << 0;
        QTest::newRow("open fails, OK read") << 1 << 0 << 0 << 0 << true << 7002;
        QTest::newRow("time-outs fail") << 0 << 1 << 0 << 0 << true << 7003;
        QTest::newRow("open and time-outs fail") << 1 << 1 << 0 << 0 << true << 7003;
        QTest::newRow("write fails") << 0 << 0 << 1 << 0 << true << 7004;
        QTest::newRow("open fails, read fails") << 1 << 0 << 0 << 1 << true << 7005;
        QTest::newRow("no OK") << 0 << 0 << 0 << 0 << false << 7006;
        QTest::newRow("write fails, no OK") << 0 << 0 << 1 << 0 << false << 7006;
    }
    void sendKeyCommand()
    {
        QFETCH(int, open);
        QFETCH(int, timeouts);
        QFETCH(int, write);
        QFETCH(int, read);
        QFETCH(bool, ack);
        QFETCH(int, result);
        TRig rig;
        rig.usb.openResult = open;
        rig.usb.timeoutsResult = timeouts;
        rig.usb.writeResult = write;
        rig.usb.readResult = read;
        QByteArray reply(32, '\0');
        if (ack) { reply[2] = 'O'; reply[3] = 'K'; }
        rig.usb.defaultReply = reply;
        rig.buffers.PanelFrame.ComposeKey(MeterCommand::KeyHold);
        QCOMPARE(rig.link.SendKeyCommand(rig.buffers.PanelFrame), result);
        QCOMPARE(rig.usb.calls, QStringList({"open", "timeouts", "write", "postwrite", "read"}));
        QCOMPARE(rig.usb.readLengths, QVector<int>{32});
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(rig.usb.frames.last().data()), 7),
                 QByteArray::fromHex("02480000000003"));
    }

    // ---- page request ----
    void requestPage_data()
    {
        QTest::addColumn<int>("open");
        QTest::addColumn<int>("timeouts");
        QTest::addColumn<int>("write");
        QTest::addColumn<int>("read");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("result");
        const QByteArray good = MakePageReply(5);
        QByteArray badEnd = good; badEnd[35] = 0;
        QByteArray badSum = good; badSum[34] = char(uint8_t(badSum[34]) + 1);
        QTest::newRow("good") << 0 << 0 << 0 << 0 << good << 0;
        QTest::newRow("bad checksum accepted") << 0 << 0 << 0 << 0 << badSum << 0;
        QTest::newRow("open fails") << 1 << 0 << 0 << 0 << good << 1002;
        QTest::newRow("time-outs fail") << 0 << 1 << 0 << 0 << good << 1003;
        QTest::newRow("write fails") << 0 << 0 << 1 << 0 << good << 1004;
        QTest::newRow("read fails") << 0 << 0 << 0 << 1 << good << 1005;
        QTest::newRow("bad terminator") << 0 << 0 << 0 << 0 << badEnd << 1006;
        QTest::newRow("other page") << 0 << 0 << 0 << 0 << MakePageReply(6) << 1007;
    }
    void requestPage()
    {
        QFETCH(int, open);
        QFETCH(int, timeouts);
        QFETCH(int, write);
        QFETCH(int, read);
        QFETCH(QByteArray, reply);
        QFETCH(int, result);
        TRig rig;
        rig.usb.openResult = open;
        rig.usb.timeoutsResult = timeouts;
        rig.usb.writeResult = write;
        rig.usb.readResult = read;
        rig.usb.defaultReply = reply;
        QCOMPARE(rig.link.RequestPage(5), result);
        QCOMPARE(rig.timerSwitches, QList<bool>{false}); // left disabled
        QCOMPARE(rig.usb.closes, 0);
        if (result == 0 || result >= 1005)
            QCOMPARE(rig.usb.readLengths, QVector<int>{36});
    }
    void requestPageWaitsWhilePollBusy()
    {
        TRig rig;
        rig.usb.defaultReply = MakePageReply(1);
        rig.state.PollBusy = true;
        QElapsedTimer t;
        t.start();
        QTimer::singleShot(80, [&rig] {
            QCOMPARE(rig.usb.opens, 0);
            rig.state.PollBusy = false;
        });
        QCOMPARE(rig.link.RequestPage(1), 0);
        QVERIFY(t.elapsed() >= 80);
    }

    // ---- waits ----
    void waitWithMessagesProcessesEvents()
    {
        bool fired = false;
        QTimer::singleShot(20, [&fired] { fired = true; });
        QElapsedTimer t;
        t.start();
        TMeterLink::WaitWithMessages(60);
        QVERIFY(fired);
        QVERIFY(t.elapsed() > 60);
    }
    void waitBlockingProcessesNothing()
    {
        bool fired = false;
        QTimer::singleShot(10, [&fired] { fired = true; });
        QElapsedTimer t;
        t.start();
        TMeterLink::WaitBlocking(50);
        QVERIFY(!fired);
        QVERIFY(t.elapsed() > 50);
        QTRY_VERIFY(fired);
    }

    // ---- garbage ----
    void garbageNeverCrashes()
    {
        QRandomGenerator rng(738);
        TRig rig;
        OpenSerial(rig, QByteArray());
        rig.serial.responder = [&rng](const QString &, const TFrame &) {
            QByteArray b(int(rng.bounded(200)), '\0');
            for (auto &c : b) c = char(rng.bounded(256));
            if (rng.bounded(4) == 0 && b.size() >= 64) { b[0] = 0x02; b[63] = 0x03; }
            return b;
        };
        rig.usb.responder = [&rng](const TFrame &) {
            QByteArray b(int(rng.bounded(70)), '\0');
            for (auto &c : b) c = char(rng.bounded(256));
            return b;
        };
        for (int i = 0; i < 200; ++i) {
            rig.link.ExchangeLiveUsb();
            rig.link.ProbeUsbIdentity(MeterCommand::Identity);
            rig.buffers.PanelFrame.ComposeKey(MeterCommand::KeyMem);
            rig.link.SendKeyCommand(rig.buffers.PanelFrame);
        }
        for (int i = 0; i < 5; ++i)
            rig.link.ExchangeLiveSerial();
        QVERIFY(true);
    }
};

QM738_REGISTER_TEST(TestMeterLink)

#include "tst_meterlink.moc"
