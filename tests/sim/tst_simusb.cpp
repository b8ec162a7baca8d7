// The simulated meter behind the USB backend interface.
#include <QTest>
#include <array>

#include "core/base/appstate.h"
#include "core/link/meterlink.h"
#include "core/live/decoder.h"
#include "live/testlist.h"
#include "sim/simusbbackend.h"
#include "simtesthelpers.h"

namespace {

QByteArray Bytes(const uint8_t *p, int n) { return QByteArray(reinterpret_cast<const char *>(p), n); }

} // namespace

class TstSimUsb : public QObject {
    Q_OBJECT
private slots:
    void liveExchange();
    void readTakesTheFirstBytesOfTheReply();
    void operationsFailWhileClosed();
    void openFailsWithoutMeter();
    void readWithoutReplyFails();
    void closeDropsQueuedReplies();
    void lateReplyDoesNotShiftTheNextExchange_data();
    void lateReplyDoesNotShiftTheNextExchange();
    void lostBytesFailTheRead();
    void silentMeterFailsTheRead();
    void keyAcknowledgement();
    void framesAreLogged();
    void downloadOverUsb();
    void demoBackendsShareOneMeter();
};

void TstSimUsb::liveExchange()
{
    TSimUsbBackend usb;
    usb.Meter().SetReadings(450, 200, 720);
    QCOMPARE(usb.MvUsbOpen(0x04D8, 0xF738), 0);
    QCOMPARE(usb.MvUsbSetTimeouts(100, 100), 0);
    const auto f = Frame('A');
    QCOMPARE(usb.MvUsbWrite(7, f.data()), 0);
    QCOMPARE(usb.MvUsbPostWrite(), 0);
    uint8_t buf[64] = {};
    QCOMPARE(usb.MvUsbRead(64, buf), 0);
    QCOMPARE(usb.MvUsbClose(), 0);
    QVERIFY(LiveReplyOk(Bytes(buf, 64)));
    TLiveReading r;
    DecodeLiveReply(buf, r);
    QCOMPARE(r.rh, 45.0f);
    QCOMPARE(r.t1, 20.0f);
}

void TstSimUsb::readTakesTheFirstBytesOfTheReply()
{
    TSimUsbBackend usb;
    usb.Meter().SetManualClock(true);
    usb.MvUsbOpen(0, 0);
    const auto f = Frame('A');
    usb.MvUsbWrite(7, f.data());
    uint8_t buf[64];
    std::fill(buf, buf + 64, 0xEE);
    QCOMPARE(usb.MvUsbRead(32, buf), 0);
    const QByteArray whole = usb.Meter().LiveReply();
    QCOMPARE(Bytes(buf, 32), whole.left(32));
    QCOMPARE(int(buf[32]), 0xEE);   // nothing beyond the bytes asked for
}

void TstSimUsb::operationsFailWhileClosed()
{
    TSimUsbBackend usb;
    const auto f = Frame('A');
    uint8_t buf[64];
    QVERIFY(usb.MvUsbSetTimeouts(100, 100) != 0);
    QVERIFY(usb.MvUsbWrite(7, f.data()) != 0);
    QVERIFY(usb.MvUsbRead(64, buf) != 0);
    QCOMPARE(usb.MvUsbClose(), 0);   // close after a failed open is harmless
    QCOMPARE(usb.MvUsbOpen(1, 2), 0);
    QCOMPARE(usb.MvUsbOpen(1, 2), 0);   // opening while open succeeds
    QVERIFY(usb.MvUsbWrite(6, f.data()) != 0);
}

void TstSimUsb::openFailsWithoutMeter()
{
    TSimUsbBackend usb;
    usb.Meter().SetPresent(false);
    QVERIFY(usb.MvUsbOpen(0x04D8, 0xF738) != 0);
    QCOMPARE(usb.LastVendorId(), uint16_t(0x04D8));
    QCOMPARE(usb.LastProductId(), uint16_t(0xF738));
    usb.Meter().SetPresent(true);
    QCOMPARE(usb.MvUsbOpen(0x04D8, 0xF738), 0);
}

void TstSimUsb::readWithoutReplyFails()
{
    TSimUsbBackend usb;
    usb.MvUsbOpen(0, 0);
    uint8_t buf[64];
    QVERIFY(usb.MvUsbRead(64, buf) != 0);
    const auto q = Frame('q');
    QCOMPARE(usb.MvUsbWrite(7, q.data()), 0);
    QVERIFY(usb.MvUsbRead(32, buf) != 0);   // "q" has no reply
}

void TstSimUsb::closeDropsQueuedReplies()
{
    TSimUsbBackend usb;
    usb.MvUsbOpen(0, 0);
    const auto f = Frame('K');
    usb.MvUsbWrite(7, f.data());
    usb.MvUsbClose();
    usb.MvUsbOpen(0, 0);
    uint8_t buf[64];
    QVERIFY(usb.MvUsbRead(32, buf) != 0);
}

void TstSimUsb::lateReplyDoesNotShiftTheNextExchange_data()
{
    QTest::addColumn<char>("late");
    QTest::addColumn<char>("next");
    QTest::newRow("live, then live") << 'A' << 'A';
    QTest::newRow("identity, then live") << 'K' << 'A';
    QTest::newRow("key, then live") << 'B' << 'A'; // the backlight key leaves the readings alone
    QTest::newRow("page, then page") << 'P' << 'P';
    QTest::newRow("live, then page") << 'A' << 'P';
}

void TstSimUsb::lateReplyDoesNotShiftTheNextExchange()
{
    // The first reply comes after its read timed out and stays queued in the
    // device, across the close; the next exchange must still get its own reply.
    QFETCH(char, late);
    QFETCH(char, next);
    TSimUsbBackend usb;
    TAppState state;
    TLinkBuffers buffers;
    TMeterLink link(state, buffers);
    link.SetUsbBackend(&usb);
    usb.Meter().SetReadings(450, 200, 720);
    usb.Meter().InjectFault(TSimFault::LateBytes, 1);
    switch (late) {
    case 'A': QVERIFY(!link.ExchangeLiveUsb()); break;
    case 'K': QVERIFY(!link.ProbeUsbIdentity(MeterCommand::Identity)); break;
    case 'B': QCOMPARE(link.SendKeyCommand(Frame('B').data()), int(KeyResult::ReadFailed)); break;
    default: QCOMPARE(link.RequestPage(1), int(PageResult::ReadFailed)); break;
    }
    usb.Meter().SetReadings(610, 250, 720);
    if (next == 'A') {
        QVERIFY(link.ExchangeLiveUsb());
        QVERIFY(LiveReplyOk(Bytes(buffers.Reply, 64)));
        TLiveReading r;
        DecodeLiveReply(buffers.Reply, r);
        QCOMPARE(r.rh, 61.0f);
    } else {
        QCOMPARE(link.RequestPage(2), int(PageResult::Ok));
        QCOMPARE(Bytes(buffers.Reply, 32), usb.Meter().PageReply(2).left(32));
    }
}

void TstSimUsb::lostBytesFailTheRead()
{
    TSimUsbBackend usb;
    usb.Meter().InjectFault(TSimFault::LostBytes, 1);
    usb.MvUsbOpen(0, 0);
    const auto a = Frame('A');
    usb.MvUsbWrite(7, a.data());
    uint8_t buf[64];
    QVERIFY(usb.MvUsbRead(64, buf) != 0);
}

void TstSimUsb::silentMeterFailsTheRead()
{
    TSimUsbBackend usb;
    usb.Meter().InjectFault(TSimFault::Silence);
    usb.MvUsbOpen(0, 0);
    for (char c : {'A', 'K', 'P', 'H'}) {
        const auto f = Frame(c, 1);
        QCOMPARE(usb.MvUsbWrite(7, f.data()), 0);
        uint8_t buf[64];
        QVERIFY(usb.MvUsbRead(32, buf) != 0);
    }
}

void TstSimUsb::keyAcknowledgement()
{
    TSimUsbBackend usb;
    usb.MvUsbOpen(0, 0);
    const auto f = Frame('C');
    usb.MvUsbWrite(7, f.data());
    usb.MvUsbPostWrite();
    uint8_t buf[32];
    QCOMPARE(usb.MvUsbRead(32, buf), 0);
    QCOMPARE(buf[2], uint8_t('O'));
    QCOMPARE(buf[3], uint8_t('K'));
    QCOMPARE(int(usb.Meter().UnitCode()), 0);
}

void TstSimUsb::framesAreLogged()
{
    TSimUsbBackend usb;
    usb.MvUsbOpen(0, 0);
    const auto f = Frame('P', 0x0102);
    usb.MvUsbWrite(7, f.data());
    QCOMPARE(usb.Frames().size(), 1);
    QCOMPARE(usb.Frames()[0], f);
}

void TstSimUsb::downloadOverUsb()
{
    TSimUsbBackend usb;
    usb.MvUsbOpen(0x04D8, 0xF738);
    usb.MvUsbSetTimeouts(100, 100);
    uint8_t buf[64];
    auto frame = Frame('P', 1);
    usb.MvUsbWrite(7, frame.data());
    QCOMPARE(usb.MvUsbRead(36, buf), 0);
    QCOMPARE(int(buf[35]), 0x05);
    const int end = buf[10] << 16 | buf[11] << 8 | buf[12];
    const int size = (end + 1 + 31) / 32 * 32;
    QByteArray image = Bytes(buf, 32);
    // a page lost on the way: "r" asks again
    usb.Meter().InjectFault(TSimFault::Silence, 1);
    frame[1] = 'p';   // the frame buffer keeps the page number, as on the main USB buffer
    usb.MvUsbWrite(7, frame.data());
    QVERIFY(usb.MvUsbRead(36, buf) != 0);
    const auto r = Frame('r');
    usb.MvUsbWrite(7, r.data());
    QCOMPARE(usb.MvUsbRead(36, buf), 0);
    image += Bytes(buf, 32);
    while (image.size() < size) {
        usb.MvUsbWrite(7, frame.data());
        QCOMPARE(usb.MvUsbRead(36, buf), 0);
        QCOMPARE(buf[32] << 8 | buf[33], image.size() / 32 + 1);
        image += Bytes(buf, 32);
    }
    frame[1] = 'q';
    usb.MvUsbWrite(7, frame.data());
    QCOMPARE(image, usb.Meter().Memory().left(size));
}

void TstSimUsb::demoBackendsShareOneMeter()
{
    std::unique_ptr<IUsbBackend> a = CreateDemoUsbBackend();
    std::unique_ptr<IUsbBackend> b = CreateDemoUsbBackend();
    const uint8_t before = DemoMeter()->UnitCode();
    a->MvUsbOpen(0, 0);
    const auto c = Frame('C');
    a->MvUsbWrite(7, c.data());
    QVERIFY(DemoMeter()->UnitCode() != before);
    b->MvUsbOpen(0, 0);
    const auto f = Frame('A');
    b->MvUsbWrite(7, f.data());
    uint8_t buf[64];
    QCOMPARE(b->MvUsbRead(64, buf), 0);
    QCOMPARE(int((buf[2] >> 4) & 3), int(DemoMeter()->UnitCode()));
}

static TRegisterTest<TstSimUsb> registerSimUsb;
#include "tst_simusb.moc"
