#include "core/link/discovery.h"

#include "core/base/appstate.h"
#include "core/link/frames.h"
#include "core/link/linkview.h"
#include "core/link/meterlink.h"
#include "core/link/supervisor.h"
#include "core/link/transport.h"

#include <QElapsedTimer>
#include <QSerialPortInfo>
#include <QThread>

QStringList ListSerialPorts()
{
    QStringList ports;
    const auto available = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : available)
        ports << info.portName();
    const QString extra = QString::fromLocal8Bit(qgetenv("QM738_EXTRA_PORTS"));
    for (const QString &path : extra.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        ports << path;
    return ports;
}

TPortDiscovery::TPortDiscovery(TAppState &state, TMeterLink &link,
                               TConnectionSupervisor &supervisor, ILinkView &view)
    : State(state), Link(link), Supervisor(supervisor), View(view)
{
}

IMeterTransport *TPortDiscovery::Serial() const
{
    return Link.SerialTransport();
}

void TPortDiscovery::FillPortList(const QStringList &ports)
{
    View.SetPortList(ports);
    View.SelectPort(ports.isEmpty() ? -1 : 0);
    if (IMeterTransport *serial = Serial())
        serial->SetDeviceName(ports.value(0));
}

bool TPortDiscovery::ProbePort()
{
    IMeterTransport *serial = Serial();
    if (!serial)
        return false;
    TLinkBuffers &buffers = Link.Buffers();
    buffers.MainSerialFrame.Compose(MeterCommand::Identity);
    serial->Write(buffers.MainSerialFrame.data(), FrameSize);

    QElapsedTimer timer;
    timer.start();
    int waiting = serial->BytesWaiting();
    while (waiting < IdentityReplySize && timer.elapsed() < ProbeTimeout) {
        QThread::msleep(2);
        waiting = serial->BytesWaiting();
    }
    if (waiting <= 0)
        return false;

    // At most 64 bytes are taken; the verdict uses what was actually read, so
    // a failed read never lets an earlier identity reply pass.
    const int got = serial->Read(buffers.Reply, waiting < ReplyBufferSize ? waiting : ReplyBufferSize);
    if (!CheckIdentity(buffers.Reply, got))
        return false;
    buffers.KeepIdentity();
    return true;
}

bool TPortDiscovery::SearchPorts()
{
    const QStringList ports = View.PortList();
    const int n = static_cast<int>(ports.size());
    bool found = false;
    IMeterTransport *serial = Serial();
    if (serial)
        serial->Close();

    View.ShowSearchProgress();
    for (int p = 0; p < n && serial; ++p) {
        TMeterLink::WaitWithMessages(SearchStepWait);
        View.SelectPort(p);
        serial->SetDeviceName(ports.at(p));
        View.SetSearchProgressText(QStringLiteral("Searching on ") + serial->SystemLocation());
        TMeterLink::WaitWithMessages(SearchStepWait);
        if (!serial->Open() || !serial->IsOpen())
            continue;
        if (ProbePort()) {
            found = true;
            FoundPortIndex = p;
            View.SetCommandEnabled(TLinkCommand::BtnRun, true);
            View.SetCommandEnabled(TLinkCommand::Run1, true);
            View.SetCommandEnabled(TLinkCommand::BtnStop, false);
            View.SetCommandEnabled(TLinkCommand::Stop1, false);
            break;
        }
        serial->Close();
    }
    View.CloseSearchProgress();
    return found;
}

void TPortDiscovery::ComboBoxDeviceNameChange(const QString &text)
{
    Link.WaitWhilePollBusy();
    Link.SetPollTimerEnabled(false);

    State.Connected = false;
    State.UsbLink = false;
    State.SerialLink = false;
    IMeterTransport *serial = Serial();
    if (serial) {
        serial->Close();
        serial->SetDeviceName(text);
        serial->Open();
        if (serial->IsOpen() && ProbePort()) {
            State.Connected = true;
            State.SerialLink = true;
        }
    }

    if (State.Connected)
        Supervisor.ConnectionEstablished();
    else
        Supervisor.ConnectionLost();
    Link.SetPollTimerEnabled(true);
}

void TPortDiscovery::BitBtn1Click()
{
    Link.WaitWhilePollBusy();
    Link.SetPollTimerEnabled(false);

    State.Connected = false;
    State.UsbLink = false;
    State.SerialLink = false;
    const bool found = SearchPorts();
    State.Connected = found;
    State.SerialLink = found;
    if (found) {
        Supervisor.ConnectionEstablished();
        if (View.PanelWindowExists())
            View.SetPanelNoConnectionVisible(false);
    }
    Link.SetPollTimerEnabled(true);
}

void TPortDiscovery::BitBtn2Click()
{
    Link.WaitWhilePollBusy();
    Link.SetPollTimerEnabled(false);

    if (IMeterTransport *serial = Serial())
        serial->Close();
    State.Connected = false;
    State.UsbLink = false;
    State.SerialLink = false;
    Supervisor.ClearBlinkRequests();
    if (View.PanelWindowExists()) {
        View.SetPanelNoConnectionVisible(true);
        View.SetPanelLinkIconVisible(false);
    }
    Link.SetPollTimerEnabled(true);
}
