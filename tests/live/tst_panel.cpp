// The front panel: digit cache, indicators, blinking, remote keys, closing and
// what the panel actually shows on screen.

#include "core/base/appstate.h"
#include "core/live/decoder.h"
#include "gui/live/panel.h"
#include "testlist.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <vector>

namespace {

// The reading of a meter showing RH 45.0 %, T1 -20.0 degC and T2 72.0 degF,
// decoded from the live reply such a meter sends.
TLiveReading knownReading()
{
    uint8_t reply[64] = {};
    reply[0] = 0x02;
    reply[63] = 0x03;
    reply[2] = 1 << 4;                       // degC
    reply[9] = 0x01, reply[10] = 0xC2;       // RH 45.0
    reply[11] = 0xFF, reply[12] = 0x38;      // T1 -20.0
    reply[13] = 0x02, reply[14] = 0xD0;      // T2 72.0 degF
    const uint8_t rh[4] = {GlyphBlank, 4, 5, 0}, t1[4] = {GlyphBlank, 2, 0, 0}, t2[4] = {GlyphBlank, 7, 2, 0};
    for (int i = 0; i < 4; ++i) {
        reply[42 + i] = MapBFromGlyph(rh[i]);
        reply[50 - i] = MapAFromGlyph(t1[i]);
        reply[53 + i] = MapBFromGlyph(t2[i]);
    }
    reply[39] = MapAFromGlyph(1);            // small digits "12"
    reply[38] = MapAFromGlyph(2);
    reply[44] |= 0x80;                       // RH point
    reply[45] |= 0x80;                       // "%" and "RH"
    reply[46] |= 0x01;                       // T1 degC
    reply[47] |= 0x01;                       // T1 point
    reply[52] |= 0x40 | 0x20 | 0x04 | 0x02;  // T1 label, T1 minus, TYPE, T2 label
    reply[51] |= 0x40;                       // type K
    reply[56] |= 0x80;                       // T2 point
    reply[57] |= 0x04;                       // T2 degF
    reply[41] |= 0x04;                       // battery 3
    TLiveReading r;
    DecodeLiveReply(reply, r);
    return r;
}

} // namespace

class TestPanel : public QObject {
    Q_OBJECT

    TAppState State;
    QTimer MainTimer;
    TLcdBitmaps Large, Small;
    TPanelBlink Blink;
    struct Sent {
        std::vector<uint8_t> frame;
        bool timerActive;
        bool pollBusy;
    };
    std::vector<Sent> SentFrames;
    int KeyResult = 0;
    std::vector<int> Waits;
    int ClosedCount = 0;
    int ActivatedCount = 0;

    TPanelHost host()
    {
        TPanelHost h;
        h.State = &State;
        h.MainTimer = &MainTimer;
        h.LcdBitmaps = &Large;
        h.LcdSmallBitmaps = &Small;
        h.Blink = &Blink;
        h.SendKeyCommand = [this](const uint8_t *frame) {
            SentFrames.push_back({std::vector<uint8_t>(frame, frame + 7), MainTimer.isActive(), State.PollBusy});
            return KeyResult;
        };
        h.WaitWithMessages = [this](int ms) { Waits.push_back(ms); };
        h.Activated = [this] { ++ActivatedCount; };
        h.Closed = [this] { ++ClosedCount; };
        return h;
    }

private slots:
    void initTestCase();
    void init();

    // Pictures
    void glyphBitmapsLoad();
    void componentsAtTheirPlaces_data();
    void componentsAtTheirPlaces();
    void initialVisibility_data();
    void initialVisibility();

    // Render
    void identicalRepliesReloadOnlySmallDigits();
    void changedDigitReloadsOnlyThatPosition();
    void showResetsTheCache();
    void batteryPrecedence_data();
    void batteryPrecedence();
    void batteryWithoutBitKeepsPrevious();
    void indicatorsFollowTheirBits();
    void maxMinAvgKeptUnderBlinkControl();
    void renderedDigitsShowTheirGlyphs();
    void missingGlyphsLeaveDigitBlank();

    // Blink tick
    void maxMinAvgAndRecFullBlink();
    void blinkingStopsInItsPhaseWhenRequestsEnd();
    void linkSymbolBlinksOnlyOnSerialLink();

    // Remote keys
    void keysSendTheirFrames_data();
    void keysSendTheirFrames();
    void failedKeyWaits300ms();
    void doubleClickSendsMThenN();
    void keyWaitsForPollTick();
    void t1t2KeyDoesNothing();

    // Window
    void closeWaitsForBlinkTick();
    void closeButtonFreesSubWindowAndNotifies();
    void activationNotifiesOwner();
    void draggingThePictureMovesTheWindow();
};

void TestPanel::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCOMPARE(LoadLcdBitmaps(Large, Small), 50);
    MainTimer.setInterval(500);
}

void TestPanel::init()
{
    State = TAppState();
    MainTimer.start();
    Blink = TPanelBlink();
    SentFrames.clear();
    Waits.clear();
    KeyResult = 0;
    ClosedCount = ActivatedCount = 0;
}

// ---------------------------------------------------------------- pictures

void TestPanel::glyphBitmapsLoad()
{
    for (int i = 0; i < 25; ++i) {
        QCOMPARE(Large[i].size(), QSize(30, 52));
        QCOMPARE(Small[i].size(), i == 14 ? QSize(26, 26) : QSize(16, 26));
    }
    // Blank glyphs are white all over; digits carry black segments.
    QCOMPARE(Large.size(), 25);
    QCOMPARE(Small.size(), 25);
    const QImage blank = Large[16];
    QCOMPARE(blank.pixelColor(15, 26), QColor(Qt::white));
    const QImage eight = Large[8];
    int black = 0;
    for (int y = 0; y < eight.height(); ++y)
        for (int x = 0; x < eight.width(); ++x)
            black += qGray(eight.pixel(x, y)) < 64;
    QVERIFY(black > 200);
    // 16-colour pictures.
    const QImage file(QStringLiteral(":/panel/LCD8.bmp"));
    QCOMPARE(file.format(), QImage::Format_Indexed8);
    QVERIFY(file.colorCount() <= 16);
}

void TestPanel::componentsAtTheirPlaces_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QPoint>("pos");
    const struct { const char *name; int x, y; } places[] = {
        {"RHD1", 109, 131}, {"RHD4", 215, 131}, {"T1D1", 115, 214}, {"T1D4", 218, 214},
        {"T2D1", 115, 305}, {"T2D3", 183, 305}, {"Image17", 234, 100}, {"Image18", 253, 100},
        {"imgBat2", 57, 101}, {"lblMAX", 92, 100}, {"lblAVG", 161, 101}, {"imgMEM", 197, 100},
        {"imgAutoOff", 61, 119}, {"imgHOLD", 94, 115}, {"imgRecall", 178, 114}, {"lblPercent", 248, 147},
        {"lblRH", 245, 163}, {"lblWETBULB", 96, 194}, {"lblDEWPOINT", 188, 194}, {"RH_P", 207, 174},
        {"T1_P", 213, 259}, {"T2_P", 212, 346}, {"lblT1", 91, 212}, {"T1_minus", 93, 237},
        {"lblT1K", 254, 206}, {"imgT1C", 254, 254}, {"imgT1F", 256, 236}, {"lblT2K", 259, 293},
        {"imgT2C", 254, 343}, {"imgT2F", 254, 323}, {"imgType", 91, 284}, {"imgT", 179, 282},
        {"lblS", 220, 278}, {"imgblutooth", 49, 215}, {"ingBlutoothLink", 69, 216}, {"imgAlarm", 49, 364},
        {"lblHi", 102, 360}, {"lblLO", 123, 360}, {"imgREC", 196, 365}, {"imgFULL", 232, 365},
        {"lblNoConnection", 89, 89}, {"imgPanel", 7, 0},
    };
    for (const auto &p : places)
        QTest::newRow(p.name) << QString::fromLatin1(p.name) << QPoint(p.x, p.y);
}

void TestPanel::componentsAtTheirPlaces()
{
    QFETCH(QString, name);
    QFETCH(QPoint, pos);
    TfrmPanel panel(host());
    auto *w = panel.findChild<QWidget *>(name);
    QVERIFY(w);
    QCOMPARE(w->pos(), pos);
    QVERIFY(!w->size().isEmpty());
}

void TestPanel::initialVisibility_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("visible");
    for (const char *hidden : {"lblNoConnection", "lblMAX", "lblMIN", "lblAVG", "imgAutoOff", "imgHOLD", "imgREC",
                               "imgFULL", "T1_minus", "T2_minus", "imgBat0", "imgBat1", "imgBat2", "imgBat3",
                               "imgRecall", "imgAlarm", "imgMEM", "lblHi", "lblLO"})
        QTest::newRow(hidden) << QString::fromLatin1(hidden) << false;
    for (const char *shown : {"lblPercent", "lblRH", "lblWETBULB", "lblDEWPOINT", "RH_P", "lblT1", "lblT1K", "imgT1C",
                              "imgT2F", "imgType", "imgK", "lblN", "imgblutooth", "ingBlutoothLink", "RHD1",
                              "Image17", "imgPanel", "btnHOLD", "btnClose"})
        QTest::newRow(shown) << QString::fromLatin1(shown) << true;
}

void TestPanel::initialVisibility()
{
    QFETCH(QString, name);
    QFETCH(bool, visible);
    TfrmPanel panel(host());
    panel.show();
    auto *w = panel.findChild<QWidget *>(name);
    QVERIFY(w);
    QCOMPARE(w->isVisible(), visible);
}

// ---------------------------------------------------------------- render

void TestPanel::identicalRepliesReloadOnlySmallDigits()
{
    TfrmPanel panel(host());
    panel.show();
    const TLiveReading r = knownReading();
    panel.Render(r);
    QCOMPARE(panel.LargeGlyphLoads, 12);
    QCOMPARE(panel.SmallGlyphLoads, 2);
    panel.Render(r);
    QCOMPARE(panel.LargeGlyphLoads, 12);
    QCOMPARE(panel.SmallGlyphLoads, 4);
}

void TestPanel::changedDigitReloadsOnlyThatPosition()
{
    TfrmPanel panel(host());
    panel.show();
    TLiveReading r = knownReading();
    panel.Render(r);
    r.lcd.t2Digits[3] = 5;
    panel.Render(r);
    QCOMPARE(panel.LargeGlyphLoads, 13);
    QCOMPARE(panel.GlyphCache[11], uint8_t(5));
    QCOMPARE(panel.T2D4->pixmap().toImage().convertToFormat(QImage::Format_RGB32),
             Large[5].convertToFormat(QImage::Format_RGB32));
}

void TestPanel::showResetsTheCache()
{
    TfrmPanel panel(host());
    panel.show();
    panel.Render(knownReading());
    panel.hide();
    panel.show();
    for (uint8_t entry : panel.GlyphCache)
        QCOMPARE(entry, uint8_t(255));
    panel.Render(knownReading());
    QCOMPARE(panel.LargeGlyphLoads, 24);
}

void TestPanel::batteryPrecedence_data()
{
    QTest::addColumn<int>("bits"); // bit i = batteryi
    QTest::addColumn<int>("shown");
    QTest::newRow("3 and 0") << 0b1001 << 3;
    QTest::newRow("all") << 0b1111 << 3;
    QTest::newRow("2 and 1") << 0b0110 << 2;
    QTest::newRow("1 and 0") << 0b0011 << 1;
    QTest::newRow("0 only") << 0b0001 << 0;
    QTest::newRow("2 only") << 0b0100 << 2;
}

void TestPanel::batteryPrecedence()
{
    QFETCH(int, bits);
    QFETCH(int, shown);
    TfrmPanel panel(host());
    panel.show();
    TLiveReading r = knownReading();
    r.lcd.battery0 = bits & 1;
    r.lcd.battery1 = bits & 2;
    r.lcd.battery2 = bits & 4;
    r.lcd.battery3 = bits & 8;
    panel.Render(r);
    const QLabel *symbols[4] = {panel.imgBat0, panel.imgBat1, panel.imgBat2, panel.imgBat3};
    for (int i = 0; i < 4; ++i)
        QCOMPARE(symbols[i]->isVisible(), i == shown);
}

void TestPanel::batteryWithoutBitKeepsPrevious()
{
    TfrmPanel panel(host());
    panel.show();
    TLiveReading r = knownReading();
    r.lcd.battery3 = false;
    r.lcd.battery1 = true;
    panel.Render(r);
    r.lcd.battery1 = false;
    panel.Render(r);
    QVERIFY(panel.imgBat1->isVisible());
    QVERIFY(!panel.imgBat0->isVisible() && !panel.imgBat2->isVisible() && !panel.imgBat3->isVisible());
}

void TestPanel::indicatorsFollowTheirBits()
{
    TfrmPanel panel(host());
    panel.show();
    TLiveReading r = knownReading();
    r.lcd.hold = r.lcd.mem = r.lcd.alarm = r.lcd.rec = r.lcd.loLabel = r.lcd.max = true;
    r.lcd.typeLabel = r.lcd.typeK = false;
    r.lcd.rhPoint = false; // the RH point has its own bit, the T1 point is still set
    panel.Render(r);
    QVERIFY(panel.imgHOLD->isVisible());
    QVERIFY(panel.imgMEM->isVisible());
    QVERIFY(panel.imgAlarm->isVisible());
    QVERIFY(panel.imgREC->isVisible());
    QVERIFY(!panel.imgFULL->isVisible());
    QVERIFY(panel.lblMAX->isVisible());
    QVERIFY(!panel.lblMIN->isVisible());
    QVERIFY(panel.lblLO->isVisible());
    QVERIFY(!panel.lblHi->isVisible());
    QVERIFY(!panel.imgType->isVisible());
    QVERIFY(!panel.imgK->isVisible());
    QVERIFY(!panel.RH_P->isVisible());
    QVERIFY(panel.T1_P->isVisible());
    QVERIFY(panel.T1_minus->isVisible());
    QVERIFY(!panel.T2_minus->isVisible());
    QVERIFY(panel.imgT2F->isVisible());
    QVERIFY(!panel.imgT2C->isVisible());
    QVERIFY(!panel.lblT2K->isVisible());
    QVERIFY(!panel.lblWETBULB->isVisible());
}

void TestPanel::maxMinAvgKeptUnderBlinkControl()
{
    TfrmPanel panel(host());
    panel.show();
    TLiveReading r = knownReading();
    r.lcd.max = true;
    r.lcd.rec = true;
    panel.Render(r); // MAX shown, MIN and AVG hidden, REC shown
    r.maxMinAvgBlinkControl = true;
    r.blinkMaxMinAvg = false;
    r.lcd.max = false;
    r.lcd.min = r.lcd.avg = true;
    for (int i = 0; i < 3; ++i) {
        panel.Render(r);
        Blink.Tick(r, false, &panel);
        QVERIFY(panel.lblMAX->isVisible());
        QVERIFY(!panel.lblMIN->isVisible());
        QVERIFY(!panel.lblAVG->isVisible());
    }
    // REC and FULL under blink control likewise ignore their bits.
    r.blinkRecFull = true;
    r.lcd.rec = false;
    r.lcd.full = true;
    panel.Render(r);
    QVERIFY(panel.imgREC->isVisible());
    QVERIFY(!panel.imgFULL->isVisible());
}

// Each digit position of the grabbed window shows exactly the glyph of its
// index, apart from the pixels of indicators drawn over it (decimal points).
void TestPanel::renderedDigitsShowTheirGlyphs()
{
    TfrmPanel panel(host());
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    const TLiveReading r = knownReading();
    panel.Render(r);
    const QImage shot = panel.grab().toImage().convertToFormat(QImage::Format_RGB32);
    // What the meter shows: " 45.0", "-20.0", " 72.0" and "12".
    const uint8_t shown[12] = {16, 4, 5, 0, 16, 2, 0, 0, 16, 7, 2, 0};
    const QList<QWidget *> children = panel.findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    auto check = [&](QLabel *position, const QImage &glyph) {
        const QRect area = position->geometry();
        QCOMPARE(area.size(), glyph.size());
        const QImage expected = glyph.convertToFormat(QImage::Format_RGB32);
        QList<QRect> covered;
        for (qsizetype i = children.indexOf(position) + 1; i < children.size(); ++i)
            if (children[i]->isVisible() && children[i]->geometry().intersects(area)
                && !qobject_cast<TKeyArea *>(children[i]))
                covered << children[i]->geometry();
        int compared = 0;
        for (int y = 0; y < area.height(); ++y)
            for (int x = 0; x < area.width(); ++x) {
                const QPoint at = area.topLeft() + QPoint(x, y);
                if (std::any_of(covered.begin(), covered.end(), [&](const QRect &c) { return c.contains(at); }))
                    continue;
                if (shot.pixel(at) != expected.pixel(x, y))
                    QFAIL(qPrintable(QStringLiteral("%1 differs at %2,%3").arg(position->objectName()).arg(x).arg(y)));
                ++compared;
            }
        QVERIFY(compared > area.width() * area.height() * 9 / 10);
    };
    for (int i = 0; i < 12; ++i)
        check(panel.LargeDigit(i), Large[shown[i]]);
    check(panel.Image17, Small[1]);
    check(panel.Image18, Small[2]);
    if (qEnvironmentVariableIsSet("QM738_PANEL_SHOT"))
        shot.save(qEnvironmentVariable("QM738_PANEL_SHOT"));
}

void TestPanel::missingGlyphsLeaveDigitBlank()
{
    // Loading stopped after glyph 4: the panel draws with what is there.
    TLcdBitmaps partial = Large.mid(0, 5);
    TPanelHost h = host();
    h.LcdBitmaps = &partial;
    h.LcdSmallBitmaps = nullptr;
    TfrmPanel panel(h);
    panel.show();
    panel.Render(knownReading()); // RH " 45.0": 4 is there, 5 is not
    QVERIFY(!panel.RHD2->pixmap().isNull());
    QVERIFY(panel.RHD3->pixmap().isNull());
    QVERIFY(panel.Image17->pixmap().isNull());
    QCOMPARE(panel.GlyphCache[2], uint8_t(5));
}

// ---------------------------------------------------------------- blink tick

void TestPanel::maxMinAvgAndRecFullBlink()
{
    TfrmPanel panel(host());
    panel.show();
    TLiveReading r = knownReading();
    r.maxMinAvgBlinkControl = r.blinkMaxMinAvg = r.blinkRecFull = true;
    panel.Render(r);
    Blink.Tick(r, false, &panel);
    QVERIFY(Blink.Phase);
    for (QLabel *l : {panel.lblMAX, panel.lblMIN, panel.lblAVG, panel.imgREC, panel.imgFULL})
        QVERIFY(l->isVisible());
    Blink.Tick(r, false, &panel);
    QVERIFY(!Blink.Phase);
    for (QLabel *l : {panel.lblMAX, panel.lblMIN, panel.lblAVG, panel.imgREC, panel.imgFULL})
        QVERIFY(!l->isVisible());
    // Without a panel the tick still turns the phase.
    Blink.Tick(r, true, nullptr);
    QVERIFY(Blink.Phase);
    QVERIFY(!Blink.TickRunning);
}

void TestPanel::blinkingStopsInItsPhaseWhenRequestsEnd()
{
    TfrmPanel panel(host());
    panel.show();
    TLiveReading r = knownReading();
    r.maxMinAvgBlinkControl = r.blinkMaxMinAvg = r.blinkRecFull = true;
    Blink.Tick(r, false, &panel); // shown
    r.blinkMaxMinAvg = r.blinkRecFull = false; // the requests are withdrawn
    for (int i = 0; i < 3; ++i) {
        Blink.Tick(r, false, &panel);
        for (QLabel *l : {panel.lblMAX, panel.lblMIN, panel.lblAVG, panel.imgREC, panel.imgFULL})
            QVERIFY(l->isVisible());
    }
}

void TestPanel::linkSymbolBlinksOnlyOnSerialLink()
{
    TfrmPanel panel(host());
    panel.show();
    const TLiveReading r;
    Blink.Tick(r, false, &panel);
    Blink.Tick(r, false, &panel);
    QVERIFY(panel.ingBlutoothLink->isVisible());
    bool seen[2] = {false, false};
    for (int i = 0; i < 4; ++i) {
        Blink.Tick(r, true, &panel);
        QCOMPARE(panel.ingBlutoothLink->isVisible(), Blink.Phase);
        seen[Blink.Phase] = true;
    }
    QVERIFY(seen[0] && seen[1]);
}

// ---------------------------------------------------------------- keys

void TestPanel::keysSendTheirFrames_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("command");
    QTest::newRow("HOLD") << "btnHOLD" << 0x48;
    QTest::newRow("C/F") << "btnCF" << 0x43;
    QTest::newRow("REC") << "btnRec" << 0x45;
    QTest::newRow("RECALL") << "btnRecall" << 0x52;
    QTest::newRow("MAX/MIN") << "btnMMA" << 0x4D;
    QTest::newRow("backlight") << "btnBackLight" << 0x42;
    QTest::newRow("MEM") << "btnMem" << 0x6D;
}

void TestPanel::keysSendTheirFrames()
{
    QFETCH(QString, key);
    QFETCH(int, command);
    TfrmPanel panel(host());
    panel.show();
    auto *area = panel.findChild<TKeyArea *>(key);
    QVERIFY(area);
    QVERIFY(area->width() >= 42 && area->width() <= 62 && area->height() >= 44 && area->height() <= 64);
    QCOMPARE(area->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(area, Qt::LeftButton);
    QCOMPARE(SentFrames.size(), size_t(1));
    const std::vector<uint8_t> expected = {0x02, uint8_t(command), 0, 0, 0, 0, 0x03};
    QCOMPARE(SentFrames[0].frame, expected);
    QVERIFY(!SentFrames[0].timerActive); // the poll timer is stopped for the exchange
    QVERIFY(MainTimer.isActive());       // and runs again afterwards
    QVERIFY(Waits.empty());              // an acknowledged key costs no wait
}

void TestPanel::failedKeyWaits300ms()
{
    TfrmPanel panel(host());
    panel.show();
    KeyResult = 7005;
    MainTimer.stop(); // restarted whatever its state before
    panel.btnHOLDClick();
    QCOMPARE(SentFrames.size(), size_t(1)); // one attempt, no retry
    QCOMPARE(Waits, std::vector<int>{300});
    QVERIFY(MainTimer.isActive());
}

void TestPanel::doubleClickSendsMThenN()
{
    TfrmPanel panel(host());
    panel.show();
    // What a double click delivers: press, release, press, double click, release.
    QTest::mouseClick(panel.btnMMA, Qt::LeftButton);
    QTest::mousePress(panel.btnMMA, Qt::LeftButton);
    QTest::mouseDClick(panel.btnMMA, Qt::LeftButton);
    QTest::mouseRelease(panel.btnMMA, Qt::LeftButton);
    QCOMPARE(SentFrames.size(), size_t(2));
    QCOMPARE(SentFrames[0].frame[1], uint8_t('M'));
    QCOMPARE(SentFrames[1].frame[1], uint8_t('N'));
}

void TestPanel::keyWaitsForPollTick()
{
    TfrmPanel panel(host());
    panel.show();
    State.PollBusy = true;
    QTimer::singleShot(60, this, [this] { State.PollBusy = false; });
    QElapsedTimer clock;
    clock.start();
    panel.btnRecClick();
    QVERIFY(clock.elapsed() >= 50);
    QCOMPARE(SentFrames.size(), size_t(1));
    QVERIFY(!SentFrames[0].pollBusy);
}

void TestPanel::t1t2KeyDoesNothing()
{
    TfrmPanel panel(host());
    MainTimer.stop();
    panel.btnT1_T2Click();
    QVERIFY(SentFrames.empty());
    QVERIFY(!MainTimer.isActive());
}

// ---------------------------------------------------------------- window

void TestPanel::closeWaitsForBlinkTick()
{
    QPointer<TfrmPanel> panel = new TfrmPanel(host());
    panel->show();
    Blink.TickRunning = true;
    QTimer::singleShot(80, this, [this] { Blink.TickRunning = false; });
    QElapsedTimer clock;
    clock.start();
    QVERIFY(panel->close());
    QVERIFY(clock.elapsed() >= 70);
    QCOMPARE(ClosedCount, 1);
    QTRY_VERIFY(panel.isNull()); // frees itself
}

void TestPanel::closeButtonFreesSubWindowAndNotifies()
{
    QMdiArea area;
    area.resize(900, 800);
    area.show();
    QPointer<TfrmPanel> panel = TfrmPanel::Create(&area, host());
    QPointer<QMdiSubWindow> sub = qobject_cast<QMdiSubWindow *>(panel->parentWidget());
    QVERIFY(sub);
    QCOMPARE(sub->pos(), QPoint(0, 0));
    QVERIFY(sub->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(panel->size(), QSize(322, 713));
    QCOMPARE(panel->windowTitle(), QStringLiteral("PANEL"));
    QTest::mouseClick(panel->btnClose, Qt::LeftButton);
    QCOMPARE(ClosedCount, 1);
    QTRY_VERIFY(sub.isNull());
    QVERIFY(panel.isNull());
    QCOMPARE(ClosedCount, 1);
    QVERIFY(area.subWindowList().isEmpty());
}

void TestPanel::activationNotifiesOwner()
{
    QMdiArea area;
    area.resize(900, 800);
    area.show();
    QVERIFY(QTest::qWaitForWindowActive(&area));
    auto *other = area.addSubWindow(new QWidget);
    other->show();
    TfrmPanel *panel = TfrmPanel::Create(&area, host());
    area.setActiveSubWindow(other);
    const int before = ActivatedCount;
    area.setActiveSubWindow(qobject_cast<QMdiSubWindow *>(panel->parentWidget()));
    QCOMPARE(ActivatedCount, before + 1);
}

void TestPanel::draggingThePictureMovesTheWindow()
{
    QMdiArea area;
    area.resize(900, 800);
    area.show();
    TfrmPanel *panel = TfrmPanel::Create(&area, host());
    QWidget *sub = panel->parentWidget();
    QTest::mousePress(panel, Qt::LeftButton, {}, QPoint(160, 40));
    QTest::mouseMove(panel, QPoint(200, 70));
    QTest::mouseRelease(panel, Qt::LeftButton, {}, QPoint(200, 70));
    QCOMPARE(sub->pos(), QPoint(40, 30));
    // The right button does not drag.
    QTest::mousePress(panel, Qt::RightButton, {}, QPoint(160, 40));
    QTest::mouseMove(panel, QPoint(100, 100));
    QTest::mouseRelease(panel, Qt::RightButton, {}, QPoint(100, 100));
    QCOMPARE(sub->pos(), QPoint(40, 30));
}

static TRegisterTest<TestPanel> registerPanel;
#include "tst_panel.moc"
