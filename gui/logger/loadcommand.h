#pragma once
// Data Logger > Load: checks the connection and that the meter is not
// recording, stops polling, downloads the logger memory over the active link,
// reports the result and hands the link back to the poll cycle (serial: the
// selected port is probed again; USB: the link is dropped so the poll finds
// the meter again). Plain code over the link; the main window only wires it.

#include "core/logger/download.h"

#include <functional>

class ILinkView;
class QWidget;
class TConnectionSupervisor;
class TMeterLink;
class TPortDiscovery;


class TLoadCommand {
public:
    TLoadCommand(TMeterLink &link, TConnectionSupervisor &supervisor, TPortDiscovery &discovery,
                 ILinkView &view);

    // Parent of the message boxes (may be null).
    void SetMessageParent(QWidget *parent) { MessageParent = parent; }
    // The port name the serial branch probes again at the end of a load.
    void SetSelectedPort(std::function<QString()> port) { SelectedPort = std::move(port); }
    // The data-set side (BindDataSetSteps() unless replaced).
    void SetSteps(TDataSetSteps steps);
    TMemoryDownload &Download() { return Downloader; }
    // Told true when the transfer starts and false when it ends (keeps the computer awake).
    void SetKeepAwake(std::function<void(bool)> keepAwake) { KeepAwake = std::move(keepAwake); }
    // Keyed texts (IDS_75, IDS_76, IDS_78); the link view's by default.
    void SetText(std::function<QString(const QString &key)> text) { Text = std::move(text); }

    // The command of LoadData1 and btnDataLogger.
    void LoadData1Click();
    bool LoadingData() const { return Loading; }

    // The message of a failed download.
    static QString ErrorText(int result);

private:
    void Report(int result);
    void EndOfLoad();

    TMeterLink &Link;
    TConnectionSupervisor &Supervisor;
    TPortDiscovery &Discovery;
    ILinkView &View;
    TDataSetSteps Steps;
    TMemoryDownload Downloader;
    QWidget *MessageParent = nullptr;
    std::function<QString()> SelectedPort;
    std::function<QString(const QString &)> Text;
    std::function<void(bool)> KeepAwake;
    bool Loading = false;
};
