#pragma once
// Serial meters: the list of serial ports, the choice of one port (probed at
// once), the search through every listed port and the disconnect button.

#include <QString>
#include <QStringList>

struct TAppState;
class TMeterLink;
class TConnectionSupervisor;
class ILinkView;
class IMeterTransport;

// Names of the serial ports present, then the paths listed in the environment
// variable QM738_EXTRA_PORTS (colon-separated).
QStringList ListSerialPorts();

class TPortDiscovery {
public:
    static constexpr int ProbeTimeout = 500;     // ms from the write of "K"
    static constexpr int SearchStepWait = 100;   // ms, twice per port

    TPortDiscovery(TAppState &state, TMeterLink &link, TConnectionSupervisor &supervisor,
                   ILinkView &view);

    // Start-up: fills the port list, selects entry 0 and sets the device name.
    void FillPortList(const QStringList &ports);

    // Identity probe on the open serial port; true when the meter answered.
    bool ProbePort();
    // Probes every listed port in turn; true when a meter was found, the port left open.
    bool SearchPorts();

    // The user picked or typed a port.
    void ComboBoxDeviceNameChange(const QString &text);
    // Search for a serial meter.
    void BitBtn1Click();
    // Drop the serial connection (without the connection-lost routine).
    void BitBtn2Click();

    int FoundPortIndex = -1;

private:
    IMeterTransport *Serial() const;

    TAppState &State;
    TMeterLink &Link;
    TConnectionSupervisor &Supervisor;
    ILinkView &View;
};
