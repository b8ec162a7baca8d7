#pragma once
// The meter link as the main window owns it: frame and reply buffers, the USB
// backend, the serial transport over Comm1, the link, the connection
// supervisor and the port discovery, and the view through which they act on
// the main window's components.

#include "core/link/discovery.h"
#include "core/link/frames.h"
#include "core/link/linkview.h"
#include "core/link/meterlink.h"
#include "core/link/serialtransport.h"
#include "core/link/supervisor.h"
#include "core/link/usbbackend.h"

#include <functional>
#include <memory>

class TfrmMain;

// ILinkView over the main window and its child windows.
class TMainLinkView : public ILinkView {
public:
    explicit TMainLinkView(TfrmMain &window) : Window(window) {}

    QString Text(const QString &key) override;
    void SetStatusText(int panel, const QString &text) override;
    void SetMainTimerInterval(int ms) override;
    void SetCommandEnabled(TLinkCommand command, bool enabled) override;
    void SetCommandVisible(TLinkCommand command, bool visible) override;
    bool PanelWindowExists() const override;
    void SetPanelNoConnectionVisible(bool visible) override;
    void SetPanelLinkIconVisible(bool visible) override;
    void RenderPanel(const TLiveReading &reading) override;
    bool RealTimeGraphWindowExists() const override;
    void AppendRealTimePoint(uint8_t status, double time, const float values[5]) override;
    QStringList PortList() const override;
    void SetPortList(const QStringList &ports) override;
    void SelectPort(int index) override;
    void ShowSearchProgress() override;
    void SetSearchProgressText(const QString &text) override;
    void CloseSearchProgress() override;

    // What the real-time graph provides once it is wired.
    std::function<void(uint8_t status, double time, const float values[5])> AppendRealTimePointHook;

private:
    TfrmMain &Window;
};

struct TLinkHost {
    explicit TLinkHost(TfrmMain &window);
    ~TLinkHost();
    TLinkHost(const TLinkHost &) = delete;
    TLinkHost &operator=(const TLinkHost &) = delete;

    TLinkBuffers Buffers;
    std::unique_ptr<IUsbBackend> Usb;
    TSerialTransport Serial;
    TMeterLink Link;
    TMainLinkView View;
    TConnectionSupervisor Supervisor;
    TPortDiscovery Discovery;
};
