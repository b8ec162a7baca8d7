#include "fakes.h"
#include "rig.h"
#include "core/base/bytes.h"
#include "core/link/frames.h"

#include <QtTest>

#include "../testregistry.h"

namespace {
QByteArray Bytes(const TFrameBuffer &f) { return QByteArray(reinterpret_cast<const char *>(f.bytes), 7); }
QByteArray Bytes(const TFrame &f) { return QByteArray(reinterpret_cast<const char *>(f.data()), 7); }
const uint8_t *U(const QByteArray &a) { return reinterpret_cast<const uint8_t *>(a.constData()); }
} // namespace

class TestFrames : public QObject {
    Q_OBJECT
private slots:
    // ---- byte helpers ----
    void bigEndianRoundTrip()
    {
        uint8_t b[2];
        LinkBytes::WriteBE16(b, 0x1234);
        QCOMPARE(int(b[0]), 0x12);
        QCOMPARE(int(b[1]), 0x34);
        QCOMPARE(int(LinkBytes::ReadBE16(b)), 0x1234);
        const uint8_t four[4] = {0x01, 0x02, 0x03, 0x04};
        QCOMPARE(LinkBytes::ReadBE32(four), 0x01020304u);
    }
    void checksumWraps()
    {
        const uint8_t b[3] = {0xFF, 0xF5, 0x00};
        QCOMPARE(int(LinkBytes::Checksum8(b, 3)), 0xF4);
        QCOMPARE(int(LinkBytes::Checksum8(b, 0)), 0);
    }

    // ---- frame buffers ----
    void initialBuffers()
    {
        TLinkBuffers buffers;
        QCOMPARE(Bytes(buffers.MainUsbFrame), QByteArray::fromHex("02000000000003"));
        QCOMPARE(Bytes(buffers.MainSerialFrame), QByteArray::fromHex("024b0000000003"));
        QCOMPARE(Bytes(buffers.PanelFrame), QByteArray::fromHex("02000000000003"));
        QCOMPARE(int(buffers.RequestCounter), 0);
    }
    void serialLiveRequestAfterOtherCommands()
    {
        TRig rig;
        rig.state.SerialLink = rig.state.Connected = true;
        rig.serial.openable << "ttyS0";
        rig.serial.SetDeviceName("ttyS0");
        rig.serial.Open();
        for (uint8_t c : {MeterCommand::Page, MeterCommand::NextPage, MeterCommand::RepeatPageSerial,
                          MeterCommand::EndTransfer, MeterCommand::Identity})
            rig.buffers.MainSerialFrame.Compose(c);
        rig.link.ExchangeLive();
        QCOMPARE(rig.serial.frames.size(), 1);
        QCOMPARE(Bytes(rig.serial.frames.last()), QByteArray::fromHex("02410000000003"));
    }
    void firstUsbLiveRequestCarriesOne()
    {
        TRig rig;
        rig.UsbMeter();
        rig.link.ExchangeLiveUsb();
        QCOMPARE(Bytes(rig.usb.frames.last()), QByteArray::fromHex("02410000000103"));
    }
    void requestCounterWraps()
    {
        TRig rig;
        rig.UsbMeter();
        rig.buffers.RequestCounter = 254;
        rig.link.ExchangeLiveUsb();
        rig.link.ExchangeLiveUsb();
        QCOMPARE(int(rig.usb.frames.at(0)[5]), 255);
        QCOMPARE(int(rig.usb.frames.at(1)[5]), 0);
        rig.link.ExchangeLiveUsb();
        QCOMPARE(int(rig.usb.frames.at(2)[5]), 1);
    }
    void counterUntouchedWhenOpenFails()
    {
        TRig rig;
        rig.usb.openResult = 1;
        QVERIFY(!rig.link.ExchangeLiveUsb());
        QCOMPARE(int(rig.buffers.RequestCounter), 0);
    }
    void usbBufferKeepsStaleParameters()
    {
        TRig rig;
        rig.usb.responder = [](const TFrame &f) {
            if (f[1] == 'P')
                return MakePageReply(uint16_t(f[2] << 8 | f[3]));
            return MakeLiveReply();
        };
        QCOMPARE(rig.link.RequestPage(0x0102), 0);
        rig.link.ExchangeLiveUsb();
        QCOMPARE(Bytes(rig.usb.frames.at(0)), QByteArray::fromHex("02500102000003"));
        QCOMPARE(Bytes(rig.usb.frames.at(1)), QByteArray::fromHex("02410102000103"));
        rig.link.ProbeUsbIdentity(MeterCommand::Identity);
        QCOMPARE(Bytes(rig.usb.frames.at(2)), QByteArray::fromHex("024b0102000103"));
    }
    void panelKeyFrame()
    {
        TFrameBuffer panel;
        panel.bytes[2] = 9; panel.bytes[3] = 9; panel.bytes[4] = 7; panel.bytes[5] = 7;
        panel.ComposeKey(MeterCommand::KeyHold);
        QCOMPARE(Bytes(panel), QByteArray::fromHex("02480000070703"));
    }

    // ---- checks ----
    void checkLiveReply_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("ok");
        QByteArray zeros(64, '\0');
        zeros[0] = 0x02; zeros[63] = 0x03;
        QTest::newRow("zeros, checksum 0") << zeros << 64 << true;
        QByteArray zerosBad = zeros; zerosBad[62] = 1;
        QTest::newRow("zeros, checksum 1") << zerosBad << 64 << false;
        QByteArray sum = zeros; sum[1] = char(0xFF); sum[2] = char(0xF5); sum[62] = char(0xF4);
        QTest::newRow("sum 0x1F4 with F4") << sum << 64 << true;
        QByteArray sumBad = sum; sumBad[62] = 0x01;
        QTest::newRow("sum 0x1F4 with 01") << sumBad << 64 << false;
        QByteArray good = MakeLiveReply(0x37);
        QTest::newRow("good") << good << 64 << true;
        QTest::newRow("63 bytes") << good << 63 << false;
        QTest::newRow("70 bytes") << good + QByteArray(6, 'x') << 70 << true;
        QByteArray noStx = good; noStx[0] = 0x05;
        QTest::newRow("bad STX") << noStx << 64 << false;
        QByteArray noEtx = good; noEtx[63] = 0x04;
        QTest::newRow("bad ETX") << noEtx << 64 << false;
        QByteArray etxSummed = good; etxSummed[62] = char(uint8_t(good[62]) + 0x03);
        QTest::newRow("ETX not summed") << etxSummed << 64 << false;
    }
    void checkLiveReply()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, count);
        QFETCH(bool, ok);
        QCOMPARE(CheckLiveReply(U(reply), count), ok);
    }
    void checkIdentity_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("ok");
        QTest::newRow("32 bytes") << MakeIdentityReply(32) << 32 << true;
        QTest::newRow("64 bytes") << MakeIdentityReply(64) << 64 << true;
        QTest::newRow("31 bytes") << MakeIdentityReply(32) << 31 << false;
        QTest::newRow("other model") << MakeIdentityReply(32, "739") << 32 << false;
        QByteArray shifted(32, '\0');
        shifted[22] = '7'; shifted[23] = '3'; shifted[24] = '8';
        QTest::newRow("at 22-24") << shifted << 32 << false;
        QByteArray late(32, '\0');
        late[24] = '7'; late[25] = '3'; late[26] = '8';
        QTest::newRow("at 24-26") << late << 32 << false;
    }
    void checkIdentity()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, count);
        QFETCH(bool, ok);
        QCOMPARE(CheckIdentity(U(reply), count), ok);
    }
    void checkPageReply_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("page");
        QTest::addColumn<bool>("usb");
        QTest::addColumn<bool>("ok");
        const QByteArray good = MakePageReply(0x0203);
        QByteArray badSum = good; badSum[34] = char(uint8_t(badSum[34]) + 1);
        QByteArray badEnd = good; badEnd[35] = 0x06;
        QTest::newRow("usb good") << good << 36 << 0x0203 << true << true;
        QTest::newRow("usb bad checksum") << badSum << 36 << 0x0203 << true << true;
        QTest::newRow("usb other page") << good << 36 << 0x0204 << true << false;
        QTest::newRow("usb bad end") << badEnd << 36 << 0x0203 << true << false;
        QTest::newRow("usb 35 bytes") << good << 35 << 0x0203 << true << false;
        QTest::newRow("serial good") << good << 36 << 0x0203 << false << true;
        QTest::newRow("serial other page") << good << 36 << 0 << false << true;
        QTest::newRow("serial bad checksum") << badSum << 36 << 0x0203 << false << false;
        QTest::newRow("serial bad end") << badEnd << 36 << 0x0203 << false << false;
        QTest::newRow("serial 35 bytes") << good << 35 << 0x0203 << false << false;
    }
    void checkPageReply()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, count);
        QFETCH(int, page);
        QFETCH(bool, usb);
        QFETCH(bool, ok);
        QCOMPARE(CheckPageReply(U(reply), count, uint16_t(page), usb ? TLinkKind::Usb : TLinkKind::Serial), ok);
    }
    void checkAcknowledgement_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("ok");
        QByteArray ok(32, '\0'); ok[2] = 'O'; ok[3] = 'K';
        QByteArray lower = ok; lower[3] = 'k';
        QByteArray shifted(32, '\0'); shifted[1] = 'O'; shifted[2] = 'K';
        QTest::newRow("OK") << ok << true;
        QTest::newRow("Ok") << lower << false;
        QTest::newRow("at 1-2") << shifted << false;
    }
    void checkAcknowledgement()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, ok);
        QCOMPARE(CheckAcknowledgement(U(reply)), ok);
    }
    void displayBytes()
    {
        QByteArray r = MakeLiveReply();
        for (int i = 40; i <= 59; ++i) r[i] = char(0xFF);
        QVERIFY(!LiveReplyHasDisplay(U(r)));
        r[39] = 0x00; r[60] = 0x00;
        QVERIFY(!LiveReplyHasDisplay(U(r)));
        r[59] = 0x7F;
        QVERIFY(LiveReplyHasDisplay(U(r)));
    }
};

QM738_REGISTER_TEST(TestFrames)

#include "tst_frames.moc"
