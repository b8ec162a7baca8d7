#include "core/link/supervisor.h"

#include "core/base/appstate.h"
#include "core/base/datetime.h"
#include "core/link/frames.h"
#include "core/link/linkview.h"
#include "core/link/meterlink.h"
#include "core/live/decoder.h"

TConnectionSupervisor::TConnectionSupervisor(TAppState &state, TMeterLink &link, ILinkView &view,
                                             TLiveReading &reading)
    : State(state), Link(link), Buffers(link.Buffers()), View(view),
      Decoder([](const uint8_t *reply64, TLiveReading &out) { DecodeLiveReply(reply64, out); }),
      Clock([] { return QDateTime::currentDateTime(); }), Reading(reading)
{
}

void TConnectionSupervisor::ClearBlinkRequests()
{
    Reading.blinkRecFull = false;
    Reading.blinkMaxMinAvg = false;
}

void TConnectionSupervisor::MainTimerTimer()
{
    State.PollBusy = true;

    // One time stamp per tick; at most one second is counted however late the tick.
    const QDateTime now = Clock();
    const double stamp = DateTimeUtil::ToDays(now);
    const uint16_t second = static_cast<uint16_t>(now.time().second());
    if (second != LastSecond) {
        ++Seconds;
        LastSecond = second;
    }

    if (!State.Connected)
        ProbeUsb();
    else
        Poll(stamp);

    State.PollBusy = false;
}

void TConnectionSupervisor::ProbeUsb()
{
    if (IUsbBackend *usb = Link.UsbBackend()) {
        const TUsbIds ids = Link.UsbIds();
        usb->MvUsbOpen(ids.vendorId, ids.productId);
    }
    if (Link.ProbeUsbIdentity(MeterCommand::Identity)
        && CheckIdentity(Buffers.Reply, IdentityReplySize)) {
        Buffers.KeepIdentity();
        State.Connected = true;
        State.UsbLink = true;
        State.SerialLink = false;
        if (View.PanelWindowExists())
            View.SetPanelLinkIconVisible(false);
    }
    if (State.Connected)
        ConnectionEstablished();
}

void TConnectionSupervisor::Poll(double stamp)
{
    if (!Link.ExchangeLive()) {
        if (++FailedPollCount >= FailedPollLimit)
            ConnectionLost();
        return;
    }
    FailedPollCount = 0;

    const uint8_t *reply = Buffers.Reply;
    if (!HasLiveFraming(reply))
        return; // a badly framed reply is dropped, yet the poll counts as good

    const bool panelNeedsDrawing = LiveReplyHasDisplay(reply);
    if (Decoder)
        Decoder(reply, Reading);
    Status = reply[6];
    Reading.status = Status;
    if (View.PanelWindowExists() && panelNeedsDrawing)
        View.RenderPanel(Reading);
    if (State.RealTimeRecording && Seconds >= State.RealTimeRate) {
        Seconds = 0;
        if (View.RealTimeGraphWindowExists()) {
            const float values[5] = {Reading.rh, Reading.t1, Reading.t2, Reading.wetBulb,
                                     Reading.dewPoint};
            View.AppendRealTimePoint(Status, stamp, values);
            State.RealTimeGraphUnsaved = true;
        }
    }
}

void TConnectionSupervisor::ConnectionEstablished()
{
    View.SetStatusText(0, QString());
    View.SetStatusText(1, View.Text(QStringLiteral("IDS_40")));
    State.Connected = true;
    View.SetMainTimerInterval(TimerInterval);
    if (View.PanelWindowExists())
        View.SetPanelNoConnectionVisible(false);
    View.SetCommandVisible(TLinkCommand::DataLogger1, true);
    View.SetCommandEnabled(TLinkCommand::DataLogger1, true);
    View.SetCommandVisible(TLinkCommand::BtnDataLogger, true);
    View.SetCommandEnabled(TLinkCommand::BtnDataLogger, true);
    if (State.RealTimeRecording) {
        View.SetCommandEnabled(TLinkCommand::BtnRun, false);
        View.SetCommandEnabled(TLinkCommand::BtnStop, true);
        View.SetCommandEnabled(TLinkCommand::Stop1, true);
        if (View.RealTimeGraphWindowExists())
            View.SetCommandEnabled(TLinkCommand::RealTimeClear, false);
    } else {
        View.SetCommandEnabled(TLinkCommand::BtnRun, true);
        View.SetCommandEnabled(TLinkCommand::Run1, true);
        View.SetCommandEnabled(TLinkCommand::BtnStop, false);
        View.SetCommandEnabled(TLinkCommand::Stop1, false);
        if (View.RealTimeGraphWindowExists())
            View.SetCommandEnabled(TLinkCommand::RealTimeClear, true);
    }
}

void TConnectionSupervisor::ConnectionLost()
{
    for (TLinkCommand command : {TLinkCommand::BtnRun, TLinkCommand::Run1, TLinkCommand::BtnStop,
                                 TLinkCommand::Stop1, TLinkCommand::BtnDataLogger,
                                 TLinkCommand::DataLogger1})
        View.SetCommandEnabled(command, false);
    View.SetStatusText(0, QString());
    View.SetStatusText(1, View.Text(QStringLiteral("IDS_42")));
    ClearBlinkRequests();
    if (View.PanelWindowExists()) {
        View.SetPanelLinkIconVisible(false);
        View.SetPanelNoConnectionVisible(true);
    }
    View.SetMainTimerInterval(TimerInterval);
    FailedPollCount = 0;
    State.Connected = false;
    State.UsbLink = false;
    State.SerialLink = false;
}
