#pragma once
// What the connection supervisor and the port selection do to windows. The
// main window implements it over its widgets; tests implement it with a
// recorder, so the link logic runs without any window.

#include <QString>
#include <QStringList>
#include <cstdint>

struct TLiveReading;

// The meter commands whose enabled (and visible) state follows the connection.
enum class TLinkCommand {
    BtnRun,        // tool button btnRun
    Run1,          // menu item Run1
    BtnStop,       // tool button btnStop
    Stop1,         // menu item Stop1
    BtnDataLogger, // tool button btnDataLogger
    DataLogger1,   // menu DataLogger1
    RealTimeClear  // clear button tbntClr of the real-time graph window
};

// objectName of the component behind a command.
QString LinkCommandName(TLinkCommand command);

class ILinkView {
public:
    virtual ~ILinkView() = default;

    // Keyed text in the active language (IDS_40, IDS_42, ...).
    virtual QString Text(const QString &key) = 0;
    // Status bar panel 0 or 1.
    virtual void SetStatusText(int panel, const QString &text) = 0;
    virtual void SetMainTimerInterval(int ms) = 0;
    virtual void SetCommandEnabled(TLinkCommand command, bool enabled) = 0;
    virtual void SetCommandVisible(TLinkCommand command, bool visible) = 0;

    // Front panel window (PanelWindow).
    virtual bool PanelWindowExists() const = 0;
    virtual void SetPanelNoConnectionVisible(bool visible) = 0; // lblNoConnection
    virtual void SetPanelLinkIconVisible(bool visible) = 0;     // ingBlutoothLink
    virtual void RenderPanel(const TLiveReading &reading) = 0;

    // Real-time graph window (RealTimeGraphWindow).
    virtual bool RealTimeGraphWindowExists() const = 0;
    // values: RH, T1, T2, WET BULB, DEW POINT in the display unit.
    virtual void AppendRealTimePoint(uint8_t status, double time, const float values[5]) = 0;

    // Port list (ComboBoxDeviceName).
    virtual QStringList PortList() const = 0;
    virtual void SetPortList(const QStringList &ports) = 0;
    // Selects an entry without raising the change handler.
    virtual void SelectPort(int index) = 0;

    // The search's progress window (an about box without its OK button).
    virtual void ShowSearchProgress() = 0;
    virtual void SetSearchProgressText(const QString &text) = 0;
    virtual void CloseSearchProgress() = 0;
};

// Texts of the keys the link shows, in the active language (French) - what
// the translation tables give until the main window's lookup is wired in.
QString DefaultLinkText(const QString &key);
