#include "rig.h"
#include "core/base/datetime.h"
#include "core/live/decoder.h"

#include <QRandomGenerator>
#include <QtTest>

#include "../testregistry.h"

namespace {
// A clock the test moves by hand.
struct TTestClock {
    QDateTime now{QDate(2026, 3, 1), QTime(10, 0, 0)};
    void Advance(int ms) { now = now.addMSecs(ms); }
};
} // namespace

class TestSupervisor : public QObject {
    Q_OBJECT
private:
    static void Connect(TRig &rig)
    {
        rig.UsbMeter();
        rig.supervisor.MainTimerTimer();
        QVERIFY(rig.state.Connected);
    }

private slots:
    // ---- probing ----
    void noMeterOpensTwiceClosesOnce()
    {
        TRig rig;
        rig.usb.openResult = 1;
        for (int tick = 1; tick <= 3; ++tick) {
            rig.supervisor.MainTimerTimer();
            QCOMPARE(rig.usb.opens, 2 * tick);
            QCOMPARE(rig.usb.closes, tick);
        }
        QVERIFY(!rig.state.Connected);
        QVERIFY(!rig.state.PollBusy);
        QVERIFY(rig.view.status.isEmpty());
        QVERIFY(rig.view.enabledState.isEmpty());
        QVERIFY(rig.view.intervals.isEmpty());
    }
    void meterConnectsAtFirstTick()
    {
        TRig rig;
        rig.UsbMeter();
        rig.supervisor.MainTimerTimer();
        QVERIFY(rig.state.Connected);
        QVERIFY(rig.state.UsbLink);
        QVERIFY(!rig.state.SerialLink);
        QCOMPARE(rig.view.status.value(0), QString());
        QCOMPARE(rig.view.status.value(1), QStringLiteral("On Connection"));
        QCOMPARE(rig.view.intervals, QList<int>{500});
        QVERIFY(!rig.view.noConnectionVisible);
        QVERIFY(!rig.view.linkIconVisible);
        QVERIFY(rig.view.enabledState.value(TLinkCommand::DataLogger1));
        QVERIFY(rig.view.visibleState.value(TLinkCommand::BtnDataLogger));
        QVERIFY(rig.view.enabledState.value(TLinkCommand::BtnRun));
        QVERIFY(rig.view.enabledState.value(TLinkCommand::Run1));
        QVERIFY(!rig.view.enabledState.value(TLinkCommand::BtnStop, true));
        QVERIFY(!rig.view.enabledState.value(TLinkCommand::Stop1, true));
        QVERIFY(rig.view.enabledState.value(TLinkCommand::RealTimeClear));
        // The connecting tick does not poll.
        QCOMPARE(rig.usb.frames.size(), 1);
        QCOMPARE(int(rig.usb.frames.at(0)[1]), int('K'));
        QCOMPARE(rig.decodes, 0);
        // The next tick polls.
        rig.supervisor.MainTimerTimer();
        QCOMPARE(int(rig.usb.frames.last()[1]), int('A'));
        QCOMPARE(rig.decodes, 1);
    }
    void otherModelNeverConnects()
    {
        TRig rig;
        rig.UsbMeter(MakeLiveReply(), "739");
        for (int i = 0; i < 3; ++i)
            rig.supervisor.MainTimerTimer();
        QVERIFY(!rig.state.Connected);
        QVERIFY(rig.view.status.isEmpty());
    }
    void connectWhileRecording()
    {
        TRig rig;
        rig.state.RealTimeRecording = true;
        Connect(rig);
        QVERIFY(!rig.view.enabledState.value(TLinkCommand::BtnRun, true));
        QVERIFY(!rig.view.enabledState.contains(TLinkCommand::Run1));
        QVERIFY(rig.view.enabledState.value(TLinkCommand::BtnStop));
        QVERIFY(rig.view.enabledState.value(TLinkCommand::Stop1));
        QVERIFY(!rig.view.enabledState.value(TLinkCommand::RealTimeClear, true));
    }
    void noWindowsNoWindowCalls()
    {
        TRig rig;
        rig.view.panel = rig.view.graph = false;
        rig.state.RealTimeRecording = true;
        rig.state.RealTimeRate = 0;
        Connect(rig);
        QVERIFY(rig.view.linkIconVisible && rig.view.noConnectionVisible);
        QVERIFY(!rig.view.enabledState.contains(TLinkCommand::RealTimeClear));
        rig.supervisor.MainTimerTimer();
        QCOMPARE(rig.view.renders, 0);
        QCOMPARE(rig.view.points.size(), 0);
        QVERIFY(!rig.state.RealTimeGraphUnsaved);
    }

    // ---- failed polls ----
    void failedPolls_data()
    {
        QTest::addColumn<QString>("pattern"); // f = failed poll, g = good poll
        QTest::addColumn<bool>("connected");
        QTest::newRow("ff") << "ff" << true;
        QTest::newRow("ffg") << "ffg" << true;
        QTest::newRow("ffgff") << "ffgff" << true;
        QTest::newRow("fff") << "fff" << false;
        QTest::newRow("gfff") << "gfff" << false;
    }
    void failedPolls()
    {
        QFETCH(QString, pattern);
        QFETCH(bool, connected);
        TRig rig;
        Connect(rig);
        for (QChar c : pattern) {
            rig.usb.readResult = c == QLatin1Char('f') ? 1 : 0;
            rig.supervisor.MainTimerTimer();
        }
        QCOMPARE(rig.state.Connected, connected);
        if (!connected) {
            QCOMPARE(rig.view.status.value(1), QStringLiteral("No Connection"));
            QCOMPARE(rig.view.status.value(0), QString());
            QVERIFY(!rig.state.UsbLink && !rig.state.SerialLink);
            QCOMPARE(rig.supervisor.FailedPolls(), 0);
        }
    }
    void connectionLostEffects()
    {
        TRig rig;
        Connect(rig);
        rig.serial.openable << "ttyS1";
        rig.serial.SetDeviceName("ttyS1");
        rig.serial.Open();
        rig.view.linkIconVisible = true;
        rig.reading.blinkRecFull = rig.reading.blinkMaxMinAvg = true;
        rig.supervisor.ConnectionLost();
        for (TLinkCommand c : {TLinkCommand::BtnRun, TLinkCommand::Run1, TLinkCommand::BtnStop,
                               TLinkCommand::Stop1, TLinkCommand::BtnDataLogger, TLinkCommand::DataLogger1})
            QVERIFY(!rig.view.enabledState.value(c, true));
        QVERIFY(rig.view.visibleState.value(TLinkCommand::DataLogger1)); // stays visible
        QVERIFY(!rig.reading.blinkRecFull && !rig.reading.blinkMaxMinAvg);
        QVERIFY(rig.view.noConnectionVisible);
        QVERIFY(!rig.view.linkIconVisible);
        QCOMPARE(rig.view.intervals.last(), 500);
        QVERIFY(rig.serial.IsOpen()); // the serial port is left alone
        // The next tick probes USB again.
        rig.usb.opens = 0;
        rig.supervisor.MainTimerTimer();
        QCOMPARE(rig.usb.opens, 2);
    }
    void badFramingCountsAsGood()
    {
        TRig rig;
        Connect(rig);
        QByteArray bad = MakeLiveReply();
        bad[63] = 0x00;
        rig.UsbMeter(bad);
        for (int i = 0; i < 5; ++i)
            rig.supervisor.MainTimerTimer();
        QVERIFY(rig.state.Connected);
        QCOMPARE(rig.decodes, 0);
        QCOMPARE(rig.view.renders, 0);
    }

    // ---- decoding and painting ----
    void allFFDisplaySkipsRenderButDecodes()
    {
        TRig rig;
        rig.state.RealTimeRecording = true;
        rig.state.RealTimeRate = 0;
        Connect(rig);
        QByteArray reply = MakeLiveReply(0x10);
        for (int i = 40; i <= 59; ++i) reply[i] = char(0xFF);
        FixLiveChecksum(reply);
        rig.UsbMeter(reply);
        rig.supervisor.MainTimerTimer();
        QCOMPARE(rig.decodes, 1);
        QCOMPARE(rig.view.renders, 0);
        QCOMPARE(rig.view.points.size(), 1);
        reply[50] = 0x00;
        rig.UsbMeter(reply);
        rig.supervisor.MainTimerTimer();
        QCOMPARE(rig.view.renders, 1);
    }
    void statusByteAndValues()
    {
        TRig rig;
        rig.state.RealTimeRecording = true;
        rig.state.RealTimeRate = 0;
        Connect(rig);
        QByteArray reply = MakeLiveReply(0);
        reply[6] = 0x05;
        reply[10] = 1; reply[11] = 2; reply[12] = 3; reply[13] = 4; reply[14] = 5;
        FixLiveChecksum(reply);
        rig.UsbMeter(reply);
        rig.supervisor.MainTimerTimer();
        QCOMPARE(int(rig.supervisor.StatusByte()), 5);
        QCOMPARE(rig.view.points.size(), 1);
        const auto &p = rig.view.points.at(0);
        QCOMPARE(int(p.status), 5);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(p.values[i], float(i + 1));
        QVERIFY(rig.state.RealTimeGraphUnsaved);
        QCOMPARE(rig.view.lastRendered.t1, 2.0f);
    }

    void decodesWithTheReadingDecoder()
    {
        TRig rig(true);
        Connect(rig);
        QByteArray reply = MakeLiveReply(0x00);
        reply[6] = 0x02;
        for (int i = 38; i <= 59; ++i) reply[i] = char(0x5A + i);
        FixLiveChecksum(reply);
        rig.UsbMeter(reply);
        rig.supervisor.MainTimerTimer();
        TLiveReading expected;
        DecodeLiveReply(reinterpret_cast<const uint8_t *>(reply.constData()), expected);
        QCOMPARE(rig.reading.rh, expected.rh);
        QCOMPARE(rig.reading.unitCode, expected.unitCode);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(&rig.reading.lcd), sizeof(TLcdImage)),
                 QByteArray(reinterpret_cast<const char *>(&expected.lcd), sizeof(TLcdImage)));
        QCOMPARE(int(rig.reading.status), 2);
        QCOMPARE(rig.view.renders, 1);
    }

    // ---- real-time timing ----
    void pointEveryRateSeconds()
    {
        TRig rig;
        TTestClock clock;
        rig.supervisor.SetClock([&clock] { return clock.now; });
        Connect(rig);
        rig.state.RealTimeRecording = true;
        rig.state.RealTimeRate = 2;
        QList<double> stamps;
        for (int i = 0; i < 40; ++i) { // 20 s of ticks
            clock.Advance(500);
            const int before = rig.view.points.size();
            rig.supervisor.MainTimerTimer();
            if (rig.view.points.size() > before) {
                QCOMPARE(rig.view.points.last().time, DateTimeUtil::ToDays(clock.now));
                stamps << rig.view.points.last().time;
            }
        }
        QVERIFY2(stamps.size() >= 9 && stamps.size() <= 11, qPrintable(QString::number(stamps.size())));
        for (int i = 1; i < stamps.size(); ++i)
            QCOMPARE(qRound((stamps[i] - stamps[i - 1]) * 86400.0), 2);
    }
    void stallCountsOneSecond()
    {
        TRig rig;
        TTestClock clock;
        rig.supervisor.SetClock([&clock] { return clock.now; });
        rig.usb.openResult = 1;
        rig.supervisor.MainTimerTimer();
        const int before = rig.supervisor.SecondsCounter();
        clock.Advance(3000);
        rig.supervisor.MainTimerTimer();
        QCOMPARE(rig.supervisor.SecondsCounter(), before + 1);
        rig.supervisor.MainTimerTimer(); // same second
        QCOMPARE(rig.supervisor.SecondsCounter(), before + 1);
    }
    void failedPollTakesNoPoint()
    {
        TRig rig;
        TTestClock clock;
        rig.supervisor.SetClock([&clock] { return clock.now; });
        Connect(rig);
        rig.state.RealTimeRecording = true;
        rig.state.RealTimeRate = 1;
        clock.Advance(1000);
        rig.usb.readResult = 1;
        rig.supervisor.MainTimerTimer();
        QCOMPARE(rig.view.points.size(), 0);
        rig.usb.readResult = 0;
        rig.supervisor.MainTimerTimer(); // same second: the counter is still due
        QCOMPARE(rig.view.points.size(), 1);
    }

    // ---- serial polling ----
    void pollsOverSerial()
    {
        TRig rig;
        rig.state.Connected = rig.state.SerialLink = true;
        rig.serial.openable << "ttyS0";
        rig.serial.SetDeviceName("ttyS0");
        rig.serial.Open();
        rig.serial.responder = [](const QString &, const TFrame &) { return MakeLiveReply(); };
        rig.supervisor.MainTimerTimer();
        QCOMPARE(rig.decodes, 1);
        QCOMPARE(rig.usb.calls.size(), 0);
        rig.serial.responder = nullptr;
        for (int i = 0; i < 3; ++i)
            rig.supervisor.MainTimerTimer();
        QVERIFY(!rig.state.Connected);
    }

    // ---- garbage ----
    void garbageRepliesNeverCrash()
    {
        QRandomGenerator rng(4242);
        TRig rig;
        Connect(rig);
        rig.usb.responder = [&rng](const TFrame &f) {
            QByteArray b(64, '\0');
            for (auto &c : b) c = char(rng.bounded(256));
            if (rng.bounded(2)) { b[0] = 0x02; b[63] = 0x03; }
            if (f[1] == 'K' && rng.bounded(2)) { b[23] = '7'; b[24] = '3'; b[25] = '8'; }
            return b;
        };
        for (int i = 0; i < 500; ++i) {
            rig.usb.readResult = rng.bounded(5) == 0 ? 1 : 0;
            rig.supervisor.MainTimerTimer();
            QVERIFY(!rig.state.PollBusy);
        }
    }
};

QM738_REGISTER_TEST(TestSupervisor)

#include "tst_supervisor.moc"
