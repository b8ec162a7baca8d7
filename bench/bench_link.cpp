// Cost of the meter link's per-tick work: the reply checks, one poll tick
// against the in-process simulated meter (exchange, decode, no windows) and
// one probe tick through hidapi when no meter is attached.

#include "core/base/appstate.h"
#include "core/link/frames.h"
#include "core/link/hidusbbackend.h"
#include "core/link/linkview.h"
#include "core/link/meterlink.h"
#include "core/link/supervisor.h"
#include "sim/simusbbackend.h"

#include <QtTest>

#include "nullview.h"

class BenchLink : public QObject {
    Q_OBJECT
private slots:
    void checkLiveReply()
    {
        uint8_t reply[64] = {};
        reply[0] = 0x02;
        reply[63] = 0x03;
        bool ok = false;
        QBENCHMARK {
            ok = CheckLiveReply(reply, 64);
        }
        QVERIFY(ok);
    }

    void pollTickSimulatedUsbMeter()
    {
        TAppState state;
        TLinkBuffers buffers;
        TLiveReading reading;
        TSimUsbBackend usb;
        TNullView view;
        TMeterLink link(state, buffers);
        link.SetUsbBackend(&usb);
        TConnectionSupervisor supervisor(state, link, view, reading);
        supervisor.MainTimerTimer();
        QVERIFY(state.Connected);
        QBENCHMARK {
            supervisor.MainTimerTimer();
        }
        QVERIFY(state.Connected);
    }

    void probeTickWithoutMeterHidapi()
    {
        TAppState state;
        TLinkBuffers buffers;
        TLiveReading reading;
        THidUsbBackend usb;
        TNullView view;
        TMeterLink link(state, buffers);
        link.SetUsbBackend(&usb);
        link.SetUsbIds({0xFFFE, 0xFFFE});
        TConnectionSupervisor supervisor(state, link, view, reading);
        QBENCHMARK {
            supervisor.MainTimerTimer();
        }
        QVERIFY(!state.Connected);
    }
};

QTEST_MAIN(BenchLink)
#include "bench_link.moc"
