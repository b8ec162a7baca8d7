// Speed of the memory download with the progress window up: 512 pages from
// the simulated meter on a pseudo-terminal paced at 9600 baud (the wire's own
// time is 512 x 43 bytes x 1.042 ms = 22.9 s), and the whole 262,144-byte
// memory from the in-process USB meter, which answers at once. Both report
// the longest time the event loop went without a turn.

#include "core/base/appstate.h"
#include "core/link/discovery.h"
#include "core/link/linkview.h"
#include "core/link/meterlink.h"
#include "core/link/serialtransport.h"
#include "core/link/supervisor.h"
#include "core/logger/download.h"
#include "gui/logger/transferwindow.h"
#include "sim/ptymeter.h"
#include "sim/simusbbackend.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

#include "nullview.h"

#include <algorithm>

namespace {

// Records the longest gap between turns of the event loop.
struct TLoopWatch {
    QTimer timer;
    QElapsedTimer clock;
    qint64 last = 0, longest = 0;
    TLoopWatch()
    {
        timer.setInterval(2);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const qint64 now = clock.elapsed();
            longest = std::max(longest, now - last);
            last = now;
        });
        clock.start();
        timer.start();
    }
};

TDataSetSteps AcceptingSteps(QByteArray &image)
{
    TDataSetSteps steps;
    steps.DecodeMemoryImage = [&image](const QByteArray &i) {
        image = i;
        return 0;
    };
    return steps;
}
} // namespace

class BenchDownload : public QObject {
    Q_OBJECT
private slots:
    void serial512PagesPaced9600()
    {
        auto meter = std::make_shared<TSimMeter>();
        meter->FillMemory(512 * 32);
        meter->SetPresent(false);
        const QByteArray memory = meter->Memory().left(512 * 32);
        TPtyMeter pty(meter);
        pty.SetByteTimeUs(1042);
        QVERIFY(pty.Start());

        TAppState state;
        TLinkBuffers buffers;
        TSerialTransport serial;
        TSimUsbBackend usb(meter);
        TNullView view;
        TLiveReading reading;
        TMeterLink link(state, buffers);
        link.SetUsbBackend(&usb);
        link.SetSerialTransport(&serial);
        TConnectionSupervisor supervisor(state, link, view, reading);
        TPortDiscovery discovery(state, link, supervisor, view);
        discovery.ComboBoxDeviceNameChange(pty.PortPath());
        QVERIFY(state.SerialLink);

        QByteArray image;
        TTransferWindow window(nullptr, {});
        TMemoryDownload download(link, AcceptingSteps(image), window.Callbacks());
        TLoopWatch watch;
        QElapsedTimer elapsed;
        int result = -99;
        QBENCHMARK_ONCE {
            elapsed.start();
            result = download.DownloadMemory();
        }
        const double seconds = elapsed.elapsed() / 1000.0;
        QCOMPARE(result, 0);
        QVERIFY(image == memory);
        const double wire = 512 * 43 * 1.042e-3;
        qInfo("serial: 512 pages in %.2f s, wire time %.2f s: %.1f %% of the wire's speed; "
              "longest event-loop gap %lld ms", seconds, wire, 100.0 * wire / seconds, watch.longest);
        QVERIFY(seconds <= 24.2);
    }

    void usbFullMemoryInProcess()
    {
        auto meter = std::make_shared<TSimMeter>();
        meter->FillMemory(TSimMeter::MemorySize);
        const QByteArray memory = meter->Memory();
        TAppState state;
        TLinkBuffers buffers;
        TSimUsbBackend usb(meter);
        TMeterLink link(state, buffers);
        link.SetUsbBackend(&usb);
        state.Connected = state.UsbLink = true;

        QByteArray image;
        TTransferWindow window(nullptr, {});
        TMemoryDownload download(link, AcceptingSteps(image), window.Callbacks());
        TLoopWatch watch;
        int result = -99;
        QBENCHMARK {
            result = download.DownloadMemory();
        }
        QCOMPARE(result, 0);
        QVERIFY(image == memory);
        qInfo("usb: 262144 bytes; longest event-loop gap %lld ms (the 100 ms wait after the "
              "first request is part of the protocol)", watch.longest);
    }
};

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BenchDownload bench;
    return QTest::qExec(&bench, argc, argv);
}

#include "bench_download.moc"
