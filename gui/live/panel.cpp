#include "gui/live/panel.h"

#include "core/base/appstate.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QThread>
#include <QTimer>

#include <algorithm>

static void initPanelResourcesOnce()
{
    // The pictures live in the static application library; registering them
    // explicitly keeps the linker from dropping them.
    Q_INIT_RESOURCE(panel);
}

void InitPanelResources()
{
    static const bool done = (initPanelResourcesOnce(), true);
    Q_UNUSED(done);
}

int LoadLcdBitmaps(TLcdBitmaps &large, TLcdBitmaps &small)
{
    InitPanelResources();
    int loaded = 0;
    auto loadSet = [&loaded](TLcdBitmaps &set, const QString &prefix) {
        set.clear();
        for (int i = 0; i < 25; ++i) {
            const QImage image(QStringLiteral(":/panel/%1%2.bmp").arg(prefix).arg(i));
            if (image.isNull())
                return;
            set.append(image);
            ++loaded;
        }
    };
    loadSet(large, QStringLiteral("LCD"));
    loadSet(small, QStringLiteral("LCDS"));
    return loaded;
}

void TPanelBlink::Tick(const TLiveReading &reading, bool serialLink, TfrmPanel *panel)
{
    TickRunning = true;
    Phase = !Phase;
    if (panel && reading.blinkMaxMinAvg && reading.maxMinAvgBlinkControl) {
        panel->lblMAX->setVisible(Phase);
        panel->lblMIN->setVisible(Phase);
        panel->lblAVG->setVisible(Phase);
    }
    if (panel && reading.blinkRecFull) {
        panel->imgREC->setVisible(Phase);
        panel->imgFULL->setVisible(Phase);
    }
    if (panel && serialLink)
        panel->ingBlutoothLink->setVisible(Phase);
    TickRunning = false;
}

// ---------------------------------------------------------------- key areas

TKeyArea::TKeyArea(QWidget *parent) : QWidget(parent)
{
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_NoSystemBackground);
}

void TKeyArea::mousePressEvent(QMouseEvent *event)
{
    Pressed = event->button() == Qt::LeftButton;
}

void TKeyArea::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = Pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    Pressed = false;
    if (click)
        emit clicked();
}

void TKeyArea::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The first click of the pair has been delivered already; the second press
    // becomes the double click and no second click.
    Pressed = false;
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
}

// ---------------------------------------------------------------- fitting label

void TFitLabel::paintEvent(QPaintEvent *)
{
    // The fallback faces are wider than the meter's own; a text too long for
    // the label (the French one) is drawn smaller rather than cut off.
    QPainter p(this);
    QFont f = font();
    int pixels = f.pixelSize() > 0 ? f.pixelSize() : 17;
    f.setPixelSize(pixels);
    while (pixels > 9 && QFontMetrics(f).horizontalAdvance(text()) > width()) {
        f.setPixelSize(--pixels);
    }
    p.setFont(f);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(rect(), int(alignment()), text());
}

// ---------------------------------------------------------------- the window

namespace {

QFont panelFont(const QStringList &families, int pixels, bool bold)
{
    QFont f;
    // The meter's faces first; Linux rarely has them, so a legible sans-serif follows.
    QStringList all = families;
    all << QStringLiteral("Liberation Sans") << QStringLiteral("DejaVu Sans");
    f.setFamilies(all);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

const QStringList ArialBlack = {QStringLiteral("Arial Black"), QStringLiteral("Arial")};
const QStringList Arial = {QStringLiteral("Arial")};
const QStringList SansSerif = {QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif")};

} // namespace

TfrmPanel::TfrmPanel(const TPanelHost &host, QWidget *parent) : QWidget(parent), Host(host)
{
    InitPanelResources();
    std::fill(std::begin(GlyphCache), std::end(GlyphCache), uint8_t(255));
    setObjectName(QStringLiteral("frmPanel"));
    setWindowTitle(QStringLiteral("PANEL"));
    setAttribute(Qt::WA_DeleteOnClose);
    // 322 x 713; in a low client area the whole meter is drawn smaller.
    setMinimumSize(161, 357);
    setMaximumSize(322, 713);
    resize(322, 713);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);
    setFont(panelFont(ArialBlack, 12, true));

    imgPanel = new QLabel(this);
    imgPanel->setObjectName(QStringLiteral("imgPanel"));
    imgPanel->setGeometry(7, 0, 314, 716);
    imgPanel->setPixmap(QPixmap(QStringLiteral(":/panel/panel.jpg")));
    // Opaque: nothing behind the picture is erased before it is painted.
    imgPanel->setAttribute(Qt::WA_OpaquePaintEvent);

    auto image = [this](const char *name, const QString &picture, int x, int y) {
        auto *label = new QLabel(this);
        label->setObjectName(QLatin1String(name));
        if (!picture.isEmpty()) {
            const QPixmap pixmap(QStringLiteral(":/panel/") + picture);
            label->setPixmap(pixmap);
            label->setGeometry(x, y, pixmap.width(), pixmap.height());
        }
        return label;
    };
    auto digit = [this](const char *name, int x, int y, int w, int h) {
        auto *label = new QLabel(this);
        label->setObjectName(QLatin1String(name));
        label->setGeometry(x, y, w, h);
        label->setAutoFillBackground(true); // the glass under a glyph is white
        return label;
    };
    // A text label; `opaque` labels paint the window's white behind their text.
    auto text = [this](const char *name, const QString &caption, int x, int y, bool opaque,
                       const QFont *font = nullptr) {
        auto *label = new QLabel(caption, this);
        label->setObjectName(QLatin1String(name));
        if (font)
            label->setFont(*font);
        label->setAutoFillBackground(opaque);
        label->move(x, y);
        label->adjustSize();
        return label;
    };

    RHD1 = digit("RHD1", 109, 131, 30, 52);
    RHD2 = digit("RHD2", 145, 132, 30, 52);
    RHD3 = digit("RHD3", 179, 132, 30, 52);
    RHD4 = digit("RHD4", 215, 131, 30, 52);
    T1D1 = digit("T1D1", 115, 214, 30, 52);
    T1D2 = digit("T1D2", 149, 214, 30, 52);
    T1D3 = digit("T1D3", 184, 214, 30, 52);
    T1D4 = digit("T1D4", 218, 214, 30, 52);
    T2D1 = digit("T2D1", 115, 305, 30, 52);
    T2D2 = digit("T2D2", 149, 305, 30, 52);
    T2D3 = digit("T2D3", 183, 305, 30, 52);
    T2D4 = digit("T2D4", 218, 305, 30, 52);
    Large = {RHD1, RHD2, RHD3, RHD4, T1D1, T1D2, T1D3, T1D4, T2D1, T2D2, T2D3, T2D4};
    Image17 = digit("Image17", 234, 100, 16, 26);
    Image18 = digit("Image18", 253, 100, 16, 26);

    imgBat0 = image("imgBat0", QStringLiteral("Bat0.jpg"), 57, 101);
    imgBat1 = image("imgBat1", QStringLiteral("Bat1.jpg"), 57, 101);
    imgBat2 = image("imgBat2", QStringLiteral("Bat2.jpg"), 57, 101);
    imgBat3 = image("imgBat3", QStringLiteral("Bat3.jpg"), 57, 101);
    lblMAX = text("lblMAX", QStringLiteral("MAX"), 92, 100, false);
    lblMIN = text("lblMIN", QStringLiteral("MIN"), 129, 100, false);
    lblAVG = text("lblAVG", QStringLiteral("AVG"), 161, 101, false);
    imgMEM = image("imgMEM", QStringLiteral("MEM.jpg"), 197, 100);
    imgAutoOff = image("imgAutoOff", QStringLiteral("AutoOff.jpg"), 61, 119);
    imgHOLD = image("imgHOLD", QStringLiteral("HOLD.jpg"), 94, 115);
    imgRecall = image("imgRecall", QStringLiteral("RECALL.jpg"), 178, 114);
    lblPercent = text("lblPercent", QStringLiteral("%"), 248, 147, true);
    lblRH = text("lblRH", QStringLiteral("RH"), 245, 163, true);
    lblWETBULB = text("lblWETBULB", QStringLiteral("WET BULB"), 96, 194, true);
    lblDEWPOINT = text("lblDEWPOINT", QStringLiteral("DEW POINT"), 188, 194, true);
    RH_P = image("RH_P", QStringLiteral("Point.jpg"), 207, 174);
    T1_P = image("T1_P", QStringLiteral("Point.jpg"), 213, 259);
    T2_P = image("T2_P", QStringLiteral("Point.jpg"), 212, 346);

    const QFont arial17 = panelFont(Arial, 17, false);
    const QFont arialBlack17 = panelFont(ArialBlack, 17, true);
    lblT1 = text("lblT1", QStringLiteral("T1"), 91, 212, false, &arial17);
    T1_minus = image("T1_minus", QStringLiteral("Minus.jpg"), 93, 237);
    lblT1K = text("lblT1K", QStringLiteral("K"), 254, 206, true, &arialBlack17);
    imgT1C = image("imgT1C", QStringLiteral("DegC.jpg"), 254, 254);
    imgT1F = image("imgT1F", QStringLiteral("DegF.jpg"), 256, 236);
    lblT2 = text("lblT2", QStringLiteral("T2"), 91, 303, false, &arial17);
    T2_minus = image("T2_minus", QStringLiteral("Minus.jpg"), 93, 328);
    lblT2K = text("lblT2K", QStringLiteral("K"), 259, 293, true, &arialBlack17);
    imgT2C = image("imgT2C", QStringLiteral("DegC.jpg"), 254, 343);
    imgT2F = image("imgT2F", QStringLiteral("DegF.jpg"), 254, 323);

    imgType = image("imgType", QStringLiteral("TYPE.jpg"), 91, 284);
    imgK = image("imgK", QStringLiteral("K.jpg"), 146, 282);
    imgJ = image("imgJ", QStringLiteral("J.jpg"), 158, 282);
    imgE = image("imgE", QStringLiteral("E.jpg"), 168, 282);
    imgT = image("imgT", QStringLiteral("T.jpg"), 179, 282);
    lblN = text("lblN", QStringLiteral("N"), 192, 278, true);
    lblR = text("lblR", QStringLiteral("R"), 206, 278, true);
    lblS = text("lblS", QStringLiteral("S"), 220, 278, true);
    imgblutooth = image("imgblutooth", QStringLiteral("Bluetooth.jpg"), 49, 215);
    ingBlutoothLink = image("ingBlutoothLink", QStringLiteral("Link.jpg"), 69, 216);
    imgAlarm = image("imgAlarm", QStringLiteral("ALARM.jpg"), 49, 364);
    lblHi = text("lblHi", QStringLiteral("Hi"), 102, 360, false, &arial17);
    lblLO = text("lblLO", QStringLiteral("Lo"), 123, 360, false, &arial17);
    imgREC = image("imgREC", QStringLiteral("REC.jpg"), 196, 365);
    imgFULL = image("imgFULL", QStringLiteral("FULL.jpg"), 232, 365);

    const QFont noConnection = panelFont(SansSerif, 17, true);
    lblNoConnection = new TFitLabel(QStringLiteral("No Connection"), this);
    lblNoConnection->setObjectName(QStringLiteral("lblNoConnection"));
    lblNoConnection->setFont(noConnection);
    lblNoConnection->setGeometry(89, 89, 142, 20);
    {
        QPalette red = lblNoConnection->palette();
        red.setColor(QPalette::WindowText, Qt::red);
        lblNoConnection->setPalette(red);
    }

    auto key = [this](const char *name, int x, int y, void (TfrmPanel::*handler)()) {
        auto *area = new TKeyArea(this);
        area->setObjectName(QLatin1String(name));
        area->setGeometry(x, y, 56, 50);
        connect(area, &TKeyArea::clicked, this, handler);
        return area;
    };
    // Key areas lie over the keys drawn on the meter picture.
    btnClose = key("btnClose", 58, 420, &TfrmPanel::btnCloseClick);
    btnBackLight = key("btnBackLight", 136, 420, &TfrmPanel::btnBackLightClick);
    btnHOLD = key("btnHOLD", 214, 420, &TfrmPanel::btnHOLDClick);
    btnMMA = key("btnMMA", 58, 490, &TfrmPanel::btnMMAClick);
    btnCF = key("btnCF", 136, 490, &TfrmPanel::btnCFClick);
    btnRec = key("btnRec", 214, 490, &TfrmPanel::btnRecClick);
    btnRecall = key("btnRecall", 97, 560, &TfrmPanel::btnRecallClick);
    btnMem = key("btnMem", 175, 560, &TfrmPanel::btnMemClick);
    connect(btnMMA, &TKeyArea::doubleClicked, this, &TfrmPanel::btnMMADblClick);
    btnClose->setToolTip(QStringLiteral("Close PANEL"));
    btnMMA->setToolTip(QStringLiteral("click to change AVG/MAX/MIN mode, double click  to cancel ."));

    // Hidden until the meter shows them.
    for (QWidget *w : std::initializer_list<QWidget *>{
             lblNoConnection, lblMAX, lblMIN, lblAVG, imgAutoOff, imgHOLD, imgREC, imgFULL, T1_minus, T2_minus,
             imgBat0, imgBat1, imgBat2, imgBat3, imgRecall, imgAlarm, imgMEM, lblHi, lblLO})
        w->hide();

    // Every part remembers its place on the full-size picture, so a smaller
    // window draws the whole meter smaller.
    for (QWidget *w : findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
        auto *label = qobject_cast<QLabel *>(w);
        const bool text = label && !label->text().isEmpty();
        if (label && !text)
            label->setScaledContents(true);
        Parts.append({w, w->geometry(), text ? label->font().pixelSize() : 0, w->testAttribute(Qt::WA_SetFont)});
    }
}

void TfrmPanel::Fit()
{
    for (const TPart &part : Parts) {
        const QRect full = part.geometry;
        QRect r(qRound(full.x() * Scale), qRound(full.y() * Scale), qRound(full.width() * Scale),
                qRound(full.height() * Scale));
        if (part.fontPixels > 0) {
            const int pixels = std::max(6, qRound(part.fontPixels * Scale));
            if (part.widget->font().pixelSize() != pixels) {
                // A label without a font of its own keeps following the window's face.
                QFont f = part.ownFont ? part.widget->font() : QFont();
                f.setPixelSize(pixels);
                part.widget->setFont(f);
            }
            // Text labels take the size of their text in the font they are
            // drawn with (a translation may change both), so no text is cut.
            if (part.widget != lblNoConnection)
                r.setSize(part.widget->sizeHint());
        }
        if (part.widget->geometry() != r)
            part.widget->setGeometry(r);
    }
}

void TfrmPanel::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Scale = std::min({1.0, width() / 322.0, height() / 713.0});
    Fit();
}

bool TfrmPanel::event(QEvent *event)
{
    // A label whose text or font changed asks for a new layout.
    const bool result = QWidget::event(event);
    if (event->type() == QEvent::LayoutRequest || event->type() == QEvent::FontChange)
        Fit();
    return result;
}

TfrmPanel::~TfrmPanel() = default;

TfrmPanel *TfrmPanel::Create(QMdiArea *area, const TPanelHost &host)
{
    auto *panel = new TfrmPanel(host);
    // No caption bar and no frame: the picture is the window, moved by dragging it.
    auto *sub = area->addSubWindow(panel, Qt::SubWindow | Qt::FramelessWindowHint);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setObjectName(QStringLiteral("frmPanelWindow"));
    sub->setWindowTitle(panel->windowTitle());
    QObject::connect(sub, &QMdiSubWindow::windowStateChanged, panel,
                     [panel](Qt::WindowStates before, Qt::WindowStates now) {
                         if (!(before & Qt::WindowActive) && (now & Qt::WindowActive))
                             panel->FormActivate();
                     });
    sub->move(0, 0);
    sub->show();
    return panel;
}

QWidget *TfrmPanel::MovableWindow()
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        return sub;
    return this;
}

QPixmap TfrmPanel::Glyph(const TLcdBitmaps *set, uint8_t index) const
{
    if (!set || index >= set->size())
        return QPixmap();
    return QPixmap::fromImage(set->at(index));
}

void TfrmPanel::Render(const TLiveReading &reading)
{
    const TLcdImage &lcd = reading.lcd;
    // 1. Large digits, through the cache: an unchanged glyph is not redrawn.
    const uint8_t *rows[3] = {lcd.rhDigits, lcd.t1Digits, lcd.t2Digits};
    for (int i = 0; i < 12; ++i) {
        const uint8_t index = rows[i / 4][i % 4];
        if (index != GlyphCache[i]) {
            Large[size_t(i)]->setPixmap(Glyph(Host.LcdBitmaps, index));
            GlyphCache[i] = index;
            ++LargeGlyphLoads;
        }
    }
    // 2. Small digits, every time.
    Image17->setPixmap(Glyph(Host.LcdSmallBitmaps, lcd.smallDigits[0]));
    Image18->setPixmap(Glyph(Host.LcdSmallBitmaps, lcd.smallDigits[1]));
    SmallGlyphLoads += 2;
    // 3. Battery: the highest state set wins; none set keeps what is shown.
    QLabel *battery = lcd.battery3 ? imgBat3 : lcd.battery2 ? imgBat2 : lcd.battery1 ? imgBat1
                    : lcd.battery0 ? imgBat0 : nullptr;
    if (battery) {
        for (QLabel *b : {imgBat0, imgBat1, imgBat2, imgBat3})
            b->setVisible(b == battery);
    }
    // 4. MAX/MIN/AVG follow their bits unless the blink tick has them.
    if (!reading.maxMinAvgBlinkControl) {
        lblAVG->setVisible(lcd.avg);
        lblMIN->setVisible(lcd.min);
        lblMAX->setVisible(lcd.max);
    }
    // 5. Every other indicator follows its bit.
    imgMEM->setVisible(lcd.mem);
    imgAutoOff->setVisible(lcd.autoOff);
    imgHOLD->setVisible(lcd.hold);
    imgRecall->setVisible(lcd.recall);
    lblPercent->setVisible(lcd.rhLabel);
    lblRH->setVisible(lcd.rhLabel);
    lblWETBULB->setVisible(lcd.wetBulbLabel);
    lblDEWPOINT->setVisible(lcd.dewPointLabel);
    // The RH point has its own bit (byte 44 bit 7), not the T1 point's.
    RH_P->setVisible(lcd.rhPoint);
    lblT1->setVisible(lcd.t1Label);
    T1_minus->setVisible(lcd.t1Minus);
    T1_P->setVisible(lcd.t1Point);
    lblT1K->setVisible(lcd.t1Kelvin);
    imgT1C->setVisible(lcd.t1Celsius);
    imgT1F->setVisible(lcd.t1Fahrenheit);
    imgblutooth->setVisible(lcd.bluetooth);
    imgType->setVisible(lcd.typeLabel);
    imgK->setVisible(lcd.typeK);
    imgJ->setVisible(lcd.typeJ);
    imgE->setVisible(lcd.typeE);
    imgT->setVisible(lcd.typeT);
    lblN->setVisible(lcd.typeN);
    lblR->setVisible(lcd.typeR);
    lblS->setVisible(lcd.typeS);
    lblT2->setVisible(lcd.t2Label);
    T2_minus->setVisible(lcd.t2Minus);
    T2_P->setVisible(lcd.t2Point);
    lblT2K->setVisible(lcd.t2Kelvin);
    imgT2C->setVisible(lcd.t2Celsius);
    imgT2F->setVisible(lcd.t2Fahrenheit);
    imgAlarm->setVisible(lcd.alarm);
    // Hi and Lo each have their own bit (byte 54 and byte 57, bit 7).
    lblHi->setVisible(lcd.hiLabel);
    lblLO->setVisible(lcd.loLabel);
    // 6. REC and FULL follow their bits unless the blink tick has them.
    if (!reading.blinkRecFull) {
        imgREC->setVisible(lcd.rec);
        imgFULL->setVisible(lcd.full);
    }
}

// ---------------------------------------------------------------- keys

void TfrmPanel::SendKey(uint8_t command)
{
    QPointer<TfrmPanel> self(this);
    const TPanelHost host = Host; // the panel may be closed during the waits
    // Wait for the poll tick to finish, keeping the window responsive.
    while (host.State && host.State->PollBusy) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    if (host.MainTimer)
        host.MainTimer->stop();
    // The panel frame: STX, the command, zeros in bytes 2 and 3, ETX; bytes 4
    // and 5 are never written and stay zero.
    uint8_t local[7];
    uint8_t *frame = host.PanelFrame ? host.PanelFrame : self ? OwnPanelFrame : local;
    if (frame == local)
        std::fill(std::begin(local), std::end(local), uint8_t(0));
    frame[0] = 0x02;
    frame[1] = command;
    frame[2] = 0x00;
    frame[3] = 0x00;
    frame[6] = 0x03;
    const int result = host.SendKeyCommand ? host.SendKeyCommand(frame) : -1;
    // One attempt only; a failure costs a short pause.
    if (result != 0) {
        if (host.WaitWithMessages) {
            host.WaitWithMessages(300);
        } else {
            QElapsedTimer clock;
            clock.start();
            while (clock.elapsed() <= 300) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
                QThread::msleep(1);
            }
        }
    }
    if (host.MainTimer)
        host.MainTimer->start();
}

void TfrmPanel::btnHOLDClick() { SendKey('H'); }
void TfrmPanel::btnCFClick() { SendKey('C'); }
void TfrmPanel::btnRecClick() { SendKey('E'); }
void TfrmPanel::btnRecallClick() { SendKey('R'); }
void TfrmPanel::btnMMAClick() { SendKey('M'); }
void TfrmPanel::btnMMADblClick() { SendKey('N'); }
void TfrmPanel::btnBackLightClick() { SendKey('B'); }
void TfrmPanel::btnMemClick() { SendKey('m'); }
void TfrmPanel::btnT1_T2Click() {}

void TfrmPanel::btnCloseClick()
{
    MovableWindow()->close();
}

// ---------------------------------------------------------------- window events

void TfrmPanel::FormShow()
{
    std::fill(std::begin(GlyphCache), std::end(GlyphCache), uint8_t(255));
}

void TfrmPanel::FormActivate()
{
    if (Host.Activated)
        Host.Activated();
}

void TfrmPanel::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmPanel::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // A panel shown on its own (not in the MDI area) activates like a window.
    if (event->type() == QEvent::ActivationChange && isWindow() && isActiveWindow())
        FormActivate();
}

void TfrmPanel::closeEvent(QCloseEvent *event)
{
    // The panel is not freed while a blink tick is using it.
    while (Host.Blink && Host.Blink->TickRunning) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    event->accept();
    if (!ClosedNotified) {
        ClosedNotified = true;
        if (Host.Closed)
            Host.Closed();
    }
}

void TfrmPanel::imgPanelMouseDown(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    Dragging = true;
    DragStart = event->globalPosition().toPoint();
    WindowStart = MovableWindow()->pos();
}

void TfrmPanel::mousePressEvent(QMouseEvent *event)
{
    // Presses on the picture (and on the display drawn over it) reach here.
    imgPanelMouseDown(event);
}

void TfrmPanel::mouseMoveEvent(QMouseEvent *event)
{
    if (Dragging && (event->buttons() & Qt::LeftButton))
        MovableWindow()->move(WindowStart + event->globalPosition().toPoint() - DragStart);
}

void TfrmPanel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        Dragging = false;
}
