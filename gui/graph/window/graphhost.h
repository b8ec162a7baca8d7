#pragma once
// What graph windows ask of the main window, and nothing more: the
// process-wide state, a place in the frame, the two graph windows it keeps,
// the run and stop commands it shows, and the file commands that live above
// the graph windows. The main window implements it and registers itself;
// without a host (a graph window made alone, as in tests) a graph window
// shows itself on its own and keeps its state to itself.

#include <QSize>

class PESGraph;
class QWidget;
class TfrmGraph;
struct TAppState;
class TRealTimeRecording;

class IGraphHost {
public:
    virtual ~IGraphHost() = default;

    // Settings, folders and flags (UserFolder, RealTimeRecording ...).
    virtual TAppState &State() = 0;
    // The unit code the meter shows now (0 degF, 1 degC, 2 K), -1 when no
    // reading says: a recording started by Run is in this unit.
    virtual int MeterUnitCode() const { return -1; }
    // The main window: the parent of dialogs that belong to no graph window.
    virtual QWidget *MainWindow() = 0;
    // Puts a graph window into the frame, lets the frame follow its
    // activation and shows it; returns the window's frame.
    virtual QWidget *EmbedGraphWindow(TfrmGraph *window) = 0;
    // Size of the frame's client area.
    virtual QSize ClientAreaSize() const = 0;

    // The real-time graph window; setting it also checks View > Real-Time
    // Graph (unchecks it when null).
    virtual TfrmGraph *RealTimeGraphWindow() const = 0;
    virtual void SetRealTimeGraphWindow(TfrmGraph *window) = 0;
    // The data-logger graph window ("DataLogger").
    virtual TfrmGraph *LoggerGraphWindow() const = 0;
    virtual void SetLoggerGraphWindow(TfrmGraph *window) = 0;

    // Run (btnRun, Run1) and Stop (btnStop, Stop1) of the real-time recording.
    // Stop is offered exactly while a recording runs: the host keeps the
    // computer awake for as long.
    virtual void SetRunStopCommands(bool runEnabled, bool stopEnabled) = 0;
    // The tool button btnOutputToGraph ("Output Tabular to graph").
    virtual void SetOutputToGraphEnabled(bool enabled) = 0;

    // LoggerDataUnsaved, kept on disk beside the temporary collection.
    virtual void SetLoggerDataUnsaved(bool unsaved) = 0;

    // The save dialog for one graph (graph file or text export); true when a
    // file was written.
    virtual bool SaveGraphAs(PESGraph *graph, QWidget *parent) = 0;
    // File > Save on a child window; true when something was saved.
    virtual bool SaveDocument(QWidget *child) = 0;
};

// The registered host: the main window while it exists, else whatever a test
// registered, else null.
IGraphHost *GraphHost();
void SetGraphHost(IGraphHost *host);

// The host's file commands; false (nothing saved) without a host.
bool HostSaveGraphAs(PESGraph *graph, QWidget *parent);
bool HostSaveDocument(QWidget *child);

// The process-wide state the graph windows share: the host's when there is
// one, else one kept here (windows made without a main window, in tests).
TAppState &GraphAppState();

// The real-time recording of this program (core/record), bound to
// GraphAppState(). The real-time window observes it.
TRealTimeRecording &RealTimeModel();
