// Cost of painting the front panel from a live reading: an unchanged display
// (the digit cache skips every large digit) against one whose twelve digits
// all change, and a render followed by painting the whole window.

#include "gui/live/panel.h"

#include <QTest>

class BenchPanel : public QObject {
    Q_OBJECT
    TLcdBitmaps Large, Small;

    static TLiveReading Reading(uint8_t digit)
    {
        TLiveReading r;
        for (int i = 0; i < 4; ++i)
            r.lcd.rhDigits[i] = r.lcd.t1Digits[i] = r.lcd.t2Digits[i] = digit;
        r.lcd.rhLabel = r.lcd.t1Label = r.lcd.t2Label = true;
        return r;
    }

    TPanelHost Host()
    {
        TPanelHost h;
        h.LcdBitmaps = &Large;
        h.LcdSmallBitmaps = &Small;
        return h;
    }

private slots:
    void initTestCase() { LoadLcdBitmaps(Large, Small); }

    void renderUnchanged()
    {
        TfrmPanel panel(Host());
        panel.show();
        const TLiveReading r = Reading(8);
        panel.Render(r);
        QBENCHMARK {
            panel.Render(r);
        }
    }

    void renderAllDigitsChanging()
    {
        TfrmPanel panel(Host());
        panel.show();
        const TLiveReading a = Reading(8), b = Reading(3);
        bool flip = false;
        QBENCHMARK {
            panel.Render(flip ? a : b);
            flip = !flip;
        }
    }

    void renderAndPaintWindow()
    {
        TfrmPanel panel(Host());
        panel.show();
        const TLiveReading a = Reading(8), b = Reading(3);
        bool flip = false;
        QImage target(panel.size(), QImage::Format_RGB32);
        QBENCHMARK {
            panel.Render(flip ? a : b);
            flip = !flip;
            panel.render(&target);
        }
    }
};

QTEST_MAIN(BenchPanel)
#include "bench_panel.moc"
