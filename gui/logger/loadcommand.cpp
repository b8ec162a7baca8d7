#include "gui/logger/loadcommand.h"

#include "core/base/appstate.h"
#include "gui/base/dialogs.h"
#include "core/archive/archive.h"
#include "gui/logger/archiving.h"
#include "gui/logger/collection.h"
#include "core/link/discovery.h"
#include "core/link/linkview.h"
#include "core/link/meterlink.h"
#include "core/link/supervisor.h"

TLoadCommand::TLoadCommand(TMeterLink &link, TConnectionSupervisor &supervisor, TPortDiscovery &discovery,
                           ILinkView &view)
    : Link(link), Supervisor(supervisor), Discovery(discovery), View(view), Steps(BindDataSetSteps()),
      Downloader(link, Steps), Text([&view](const QString &key) { return view.Text(key); })
{
}

void TLoadCommand::SetSteps(TDataSetSteps steps)
{
    Steps = std::move(steps);
    Downloader.SetSteps(Steps);
}

QString TLoadCommand::ErrorText(int result)
{
    return QStringLiteral("There was error,please try again!   error code=") + QString::number(result);
}

void TLoadCommand::LoadData1Click()
{
    if (Loading)
        return;
    Loading = true;
    TAppState &state = Link.State();
    if (!state.Connected) {
        Dialogs::Message(MessageParent, Dialogs::Kind::Warning, Text(QStringLiteral("IDS_75")));
        Loading = false;
        return;
    }
    if (Supervisor.LiveReading().loggerRecording) {
        Dialogs::Message(MessageParent, Dialogs::Kind::Warning, Text(QStringLiteral("IDS_76")));
        Loading = false;
        return;
    }
    // A download not saved yet is not replaced without asking.
    if (!AskToSaveUnsavedDownload(state, MessageParent)) {
        Loading = false;
        return;
    }
    Link.WaitWhilePollBusy();
    Link.SetPollTimerEnabled(false);

    if (Steps.PrepareLoggerGraphWindow)
        Steps.PrepareLoggerGraphWindow();
    // The archive names the link and the meter of this download.
    SetDownloadSource({state.UsbLink ? QStringLiteral("usb") : QStringLiteral("serial"),
                       state.UsbLink || !SelectedPort ? QString() : SelectedPort(),
                       IdentityText(Link.Buffers().IdentityReply)});
    if (KeepAwake)
        KeepAwake(true);
    const int result = Downloader.DownloadMemory();
    if (KeepAwake)
        KeepAwake(false);
    Report(result);
    EndOfLoad();
    Loading = false;
}

void TLoadCommand::Report(int result)
{
    TAppState &state = Link.State();
    if (result == DownloadResult::Ok) {
        SetLoggerDataUnsaved(state, true);
        return;
    }
    if (result == DownloadResult::Cancelled || result == DownloadResult::NotKept)
        return; // stopped, or not kept on disk (said): the previous data stays
    if (result == DownloadResult::NoData) {
        Dialogs::Message(MessageParent, Dialogs::Kind::Information, Text(QStringLiteral("IDS_78")));
        return;
    }
    Dialogs::Message(MessageParent, Dialogs::Kind::Error, ErrorText(result));
    SendAbortTransfer(Link);
}

void TLoadCommand::EndOfLoad()
{
    TAppState &state = Link.State();
    if (state.SerialLink && state.Connected) {
        Supervisor.ResetFailedPolls();
        if (IMeterTransport *port = Link.SerialTransport())
            port->Purge();
        TMeterLink::WaitWithMessages(1000);
        // Probes the selected port again and restarts the poll timer.
        Discovery.ComboBoxDeviceNameChange(SelectedPort ? SelectedPort() : QString());
        return;
    }
    Link.WaitWhilePollBusy();
    Link.SetPollTimerEnabled(false);
    if (IMeterTransport *port = Link.SerialTransport())
        port->Close();
    state.Connected = false;
    state.UsbLink = false;
    state.SerialLink = false;
    Supervisor.ClearBlinkRequests();
    if (View.PanelWindowExists()) {
        View.SetPanelNoConnectionVisible(true);
        View.SetPanelLinkIconVisible(false);
    }
    // The poll cycle looks for the USB meter again.
    Link.SetPollTimerEnabled(true);
}
