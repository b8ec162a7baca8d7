// The link against the simulated meter on a pseudo-terminal, paced at 9600
// baud: the port choice, the search, the poll cycle and its failures.

#include "fakes.h"
#include "core/base/appstate.h"
#include "core/link/discovery.h"
#include "core/link/meterlink.h"
#include "core/link/serialtransport.h"
#include "core/link/supervisor.h"
#include "sim/ptymeter.h"

#include <QtTest>

#include "../testregistry.h"

namespace {
struct TSerialRig {
    TAppState state;
    TLinkBuffers buffers;
    TSerialTransport serial;
    TFakeUsbBackend usb; // no USB meter
    TFakeView view;
    TLiveReading reading;
    TMeterLink link{state, buffers};
    TConnectionSupervisor supervisor{state, link, view, reading};
    TPortDiscovery discovery{state, link, supervisor, view};

    TSerialRig()
    {
        usb.openResult = 1;
        link.SetUsbBackend(&usb);
        link.SetSerialTransport(&serial);
    }
};
} // namespace

class TestPtyMeter : public QObject {
    Q_OBJECT
private slots:
    void choosePortAndPoll()
    {
        TPtyMeter meter;
        QString error;
        QVERIFY2(meter.Start(&error), qPrintable(error));
        TSerialRig rig;
        rig.discovery.ComboBoxDeviceNameChange(meter.PortPath());
        QVERIFY(rig.state.Connected && rig.state.SerialLink);
        QCOMPARE(rig.view.status.value(1), QStringLiteral("On Connection"));
        for (int i = 0; i < 4; ++i) {
            rig.supervisor.MainTimerTimer();
            QCOMPARE(rig.supervisor.FailedPolls(), 0);
        }
        const int rh = meter.WithMeter([](TSimMeter &m) { return m.RhTenths(); });
        QVERIFY(qAbs(rig.reading.rh * 10.0f - float(rh)) <= 20.0f);
        QCOMPARE(rig.view.renders, 4);
    }

    void openSetsTheLineWithoutHardwareFlowControl()
    {
        TPtyMeter meter;
        QVERIFY(meter.Start());
        QSerialPort port;
        TSerialTransport serial(&port);
        serial.SetDeviceName(meter.PortPath());
        QVERIFY(serial.Open());
        QCOMPARE(port.baudRate(), 9600);
        QCOMPARE(port.dataBits(), QSerialPort::Data8);
        QCOMPARE(port.parity(), QSerialPort::NoParity);
        QCOMPARE(port.stopBits(), QSerialPort::OneStop);
        QCOMPARE(port.flowControl(), QSerialPort::NoFlowControl);
        serial.Close();
    }

    void silenceDropsTheConnection()
    {
        TPtyMeter meter;
        QVERIFY(meter.Start());
        TSerialRig rig;
        rig.discovery.ComboBoxDeviceNameChange(meter.PortPath());
        QVERIFY(rig.state.Connected);
        meter.WithMeter([](TSimMeter &m) { m.InjectFault(TSimFault::Silence); });
        rig.supervisor.MainTimerTimer();
        rig.supervisor.MainTimerTimer();
        QVERIFY(rig.state.Connected);
        rig.supervisor.MainTimerTimer();
        QVERIFY(!rig.state.Connected);
        QCOMPARE(rig.view.status.value(1), QStringLiteral("No Connection"));
        QVERIFY(rig.serial.IsOpen()); // the port stays open
    }

    void badChecksumCountsAsFailedPoll()
    {
        TPtyMeter meter;
        QVERIFY(meter.Start());
        TSerialRig rig;
        rig.discovery.ComboBoxDeviceNameChange(meter.PortPath());
        meter.WithMeter([](TSimMeter &m) { m.InjectFault(TSimFault::BadChecksum, 2); });
        rig.supervisor.MainTimerTimer();
        rig.supervisor.MainTimerTimer();
        QCOMPARE(rig.supervisor.FailedPolls(), 2);
        rig.supervisor.MainTimerTimer();
        QCOMPARE(rig.supervisor.FailedPolls(), 0);
        QVERIFY(rig.state.Connected);
    }

    void wrongIdentityIsRefused()
    {
        TPtyMeter meter;
        QVERIFY(meter.Start());
        meter.WithMeter([](TSimMeter &m) { m.InjectFault(TSimFault::WrongIdentity); });
        TSerialRig rig;
        rig.discovery.ComboBoxDeviceNameChange(meter.PortPath());
        QVERIFY(!rig.state.Connected);
        QCOMPARE(rig.view.status.value(1), QStringLiteral("No Connection"));
        QVERIFY(rig.serial.IsOpen());
    }

    void searchFindsTheSecondMeterPort()
    {
        TPtyMeter other;
        TPtyMeter meter;
        QVERIFY(other.Start() && meter.Start());
        other.WithMeter([](TSimMeter &m) { m.InjectFault(TSimFault::WrongIdentity); });
        TSerialRig rig;
        rig.discovery.FillPortList({QStringLiteral("/nonexistent/port"), other.PortPath(), meter.PortPath()});
        rig.discovery.BitBtn1Click();
        QVERIFY(rig.state.Connected && rig.state.SerialLink);
        QCOMPARE(rig.discovery.FoundPortIndex, 2);
        QCOMPARE(rig.serial.DeviceName(), meter.PortPath());
        rig.supervisor.MainTimerTimer();
        QCOMPARE(rig.supervisor.FailedPolls(), 0);
    }
};

QM738_REGISTER_TEST(TestPtyMeter)

#include "tst_ptymeter.moc"
