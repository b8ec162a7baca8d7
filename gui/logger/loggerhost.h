#pragma once
// What the data-logger, table and file code asks of the main window, and
// nothing more: the process-wide state, the decoded logger data, the child
// windows it makes and the few main-window components it switches. The main
// window implements it and registers itself; tests register a fake, so this
// code runs without a main window.

#include <QString>

class QWidget;
class TfrmGraph;
struct TAppState;
struct TLoggerStore;

class ILoggerHost {
public:
    virtual ~ILoggerHost() = default;

    // Settings, folders and flags (UserFolder, LoggerDataUnsaved, Connected ...).
    virtual TAppState &State() = 0;
    // The decoded data sets of the last successful decode.
    virtual TLoggerStore &Store() = 0;

    // Puts a child window into the frame (it frees itself when closed).
    virtual void AddChildWindow(QWidget *child) = 0;
    // The data-logger graph window ("DataLogger"), null while it is closed.
    virtual TfrmGraph *LoggerGraphWindow() const = 0;
    virtual void SetLoggerGraphWindow(TfrmGraph *window) = 0;

    // The tool button btnOutputToGraph ("Output Tabular to graph").
    virtual void SetOutputToGraphEnabled(bool enabled) = 0;

    // Keyed text of the main window's table in the active language (IDS_...).
    virtual QString Text(const QString &key) = 0;

    // A passing message in the main window's status bar.
    virtual void ShowStatusMessage(const QString &text) { (void)text; }
};

// The registered host: the main window while it exists, else whatever a test
// registered, else null.
ILoggerHost *LoggerHost();
void SetLoggerHost(ILoggerHost *host);
