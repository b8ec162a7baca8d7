#pragma once
// The virtual front panel: a picture of the meter with its liquid-crystal
// display drawn on top from the last live reading, and click areas over the
// meter's keys that send remote-key commands.

#include "core/live/livereading.h"

#include <QImage>
#include <QPixmap>
#include <QVector>
#include <QPoint>
#include <QLabel>
#include <QPointer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>

class QMdiArea;
class QMdiSubWindow;
class QTimer;
struct TAppState;

// The digit glyphs of one size, indexed by glyph index (25 when all loaded).
using TLcdBitmaps = QVector<QImage>;

// Loads "LCD0".."LCD24" into `large` and "LCDS0".."LCDS24" into `small` from
// the program's resources (":/panel/LCD<i>.bmp"). A missing picture stops the
// loading of its set (the pictures loaded so far are kept); the other set is
// still loaded. Returns the number of pictures loaded (50 when all are there).
int LoadLcdBitmaps(TLcdBitmaps &large, TLcdBitmaps &small);

// Makes sure the panel's pictures are reachable under ":/panel/".
void InitPanelResources();

class TfrmPanel;

// The blink state of the panel's indicators. The main window keeps one for the
// whole run and calls Tick from its 500 ms MaxMinTimer, connected or not.
class TPanelBlink {
public:
    void Tick(const TLiveReading &reading, bool serialLink, TfrmPanel *panel);

    bool Phase = false;       // inverted by every tick
    bool TickRunning = false; // set while a tick is using the panel
};

// What the panel needs from the window that owns it.
struct TPanelHost {
    TAppState *State = nullptr;          // PollBusy (waited for by the keys)
    QTimer *MainTimer = nullptr;         // stopped around a key exchange
    const TLcdBitmaps *LcdBitmaps = nullptr;
    const TLcdBitmaps *LcdSmallBitmaps = nullptr;
    const TPanelBlink *Blink = nullptr;  // a close waits while its tick runs
    // Sends the 7-byte panel frame over USB and reads the acknowledgement;
    // 0 = acknowledged, anything else = the failure code.
    std::function<int(const uint8_t *frame)> SendKeyCommand;
    // Waits the given milliseconds while processing window messages.
    std::function<void(int ms)> WaitWithMessages; // a local wait when empty
    // The owner's 7-byte panel frame buffer; the panel's own when null. A key
    // writes bytes 0 to 3 and 6 and leaves bytes 4 and 5 as they are (zero).
    uint8_t *PanelFrame = nullptr;
    std::function<void()> Activated;     // the panel became the active window
    std::function<void()> Closed;        // the panel is closing for good
};

// A transparent click target over a key of the meter picture.
class TKeyArea : public QWidget {
    Q_OBJECT
public:
    explicit TKeyArea(QWidget *parent = nullptr);
signals:
    void clicked();
    void doubleClicked();
protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
private:
    bool Pressed = false;
};

// A label that draws its text smaller when it would not fit its width.
class TFitLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
protected:
    void paintEvent(QPaintEvent *event) override;
};

class TfrmPanel : public QWidget {
    Q_OBJECT
public:
    explicit TfrmPanel(const TPanelHost &host, QWidget *parent = nullptr);
    ~TfrmPanel() override;

    // Creates the panel as a child of `area` (a frameless sub-window that frees
    // itself when closed), places it at (0, 0) and shows it.
    static TfrmPanel *Create(QMdiArea *area, const TPanelHost &host);

    // Paints the display from a decoded live reading.
    void Render(const TLiveReading &reading);

    // The whole meter picture. A smaller window shows all of it scaled down,
    // its proportions kept.
    QSize sizeHint() const override { return QSize(322, 713); }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return width * 713 / 322; }

    // Key handlers.
    void btnHOLDClick();
    void btnCFClick();
    void btnRecClick();
    void btnRecallClick();
    void btnMMAClick();
    void btnMMADblClick();
    void btnBackLightClick();
    void btnMemClick();
    void btnCloseClick();
    void btnT1_T2Click();

    // Window events.
    void FormShow();
    void FormActivate();

    // The widget that moves when the picture is dragged: the sub-window when
    // there is one, else the panel itself.
    QWidget *MovableWindow();

    // Glyph index last drawn in each of the 12 large digit positions (RH, T1,
    // T2, four each); 255 = nothing drawn yet.
    uint8_t GlyphCache[12];
    // Pictures loaded into digit positions, for checks of the cache.
    int LargeGlyphLoads = 0;
    int SmallGlyphLoads = 0;
    // The panel's own frame buffer, used when the owner has none.
    uint8_t OwnPanelFrame[7] = {0x02, 0, 0, 0, 0, 0, 0x03};

    // Components.
    QLabel *imgPanel;
    QLabel *RHD1, *RHD2, *RHD3, *RHD4;
    QLabel *T1D1, *T1D2, *T1D3, *T1D4;
    QLabel *T2D1, *T2D2, *T2D3, *T2D4;
    QLabel *Image17, *Image18;
    QLabel *imgBat0, *imgBat1, *imgBat2, *imgBat3;
    QLabel *lblMAX, *lblMIN, *lblAVG;
    QLabel *imgMEM, *imgAutoOff, *imgHOLD, *imgRecall;
    QLabel *lblPercent, *lblRH, *lblWETBULB, *lblDEWPOINT;
    QLabel *RH_P, *T1_P, *T2_P;
    QLabel *lblT1, *T1_minus, *lblT1K, *imgT1C, *imgT1F;
    QLabel *lblT2, *T2_minus, *lblT2K, *imgT2C, *imgT2F;
    QLabel *imgType, *imgK, *imgJ, *imgE, *imgT, *lblN, *lblR, *lblS;
    QLabel *imgblutooth, *ingBlutoothLink;
    QLabel *imgAlarm, *lblHi, *lblLO;
    QLabel *imgREC, *imgFULL;
    QLabel *lblNoConnection;
    TKeyArea *btnClose, *btnBackLight, *btnHOLD, *btnMMA, *btnCF, *btnRec, *btnRecall, *btnMem;

    QLabel *LargeDigit(int position) const { return Large[position]; }

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool event(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void SendKey(uint8_t command);
    void imgPanelMouseDown(QMouseEvent *event);
    QPixmap Glyph(const TLcdBitmaps *set, uint8_t index) const;
    // Places every part at its place on the picture, scaled to the window.
    void Fit();

    struct TPart {
        QWidget *widget;
        QRect geometry;    // on the full-size picture
        int fontPixels;    // text labels: their font's size at full size; 0 for others
        bool ownFont;      // the label's font was set for it, not taken from the window
    };
    QVector<TPart> Parts;
    double Scale = 1.0;

    TPanelHost Host;
    std::array<QLabel *, 12> Large{};
    bool Dragging = false;
    QPoint DragStart;        // global mouse position at the press
    QPoint WindowStart;      // window position at the press
    bool ClosedNotified = false;
};
