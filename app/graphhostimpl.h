#pragma once
// IGraphHost over the main window: its state, its frame, its two graph
// windows, its run and stop commands and the File menu's save commands.

#include "gui/graph/window/graphhost.h"

class TfrmMain;

class TMainGraphHost : public IGraphHost {
public:
    explicit TMainGraphHost(TfrmMain &window) : Window(window) {}

    TAppState &State() override;
    int MeterUnitCode() const override;
    QWidget *MainWindow() override;
    QWidget *EmbedGraphWindow(TfrmGraph *window) override;
    QSize ClientAreaSize() const override;
    TfrmGraph *RealTimeGraphWindow() const override;
    void SetRealTimeGraphWindow(TfrmGraph *window) override;
    TfrmGraph *LoggerGraphWindow() const override;
    void SetLoggerGraphWindow(TfrmGraph *window) override;
    void SetRunStopCommands(bool runEnabled, bool stopEnabled) override;
    void SetOutputToGraphEnabled(bool enabled) override;
    void SetLoggerDataUnsaved(bool unsaved) override;
    bool SaveGraphAs(PESGraph *graph, QWidget *parent) override;
    bool SaveDocument(QWidget *child) override;

private:
    TfrmMain &Window;
};
