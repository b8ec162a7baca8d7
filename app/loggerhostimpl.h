#pragma once
// ILoggerHost over the main window: its state, its decoded logger data, its
// frame and its components.

#include "gui/logger/loggerhost.h"

class TfrmMain;

class TMainLoggerHost : public ILoggerHost {
public:
    explicit TMainLoggerHost(TfrmMain &window) : Window(window) {}

    TAppState &State() override;
    TLoggerStore &Store() override;
    void AddChildWindow(QWidget *child) override;
    TfrmGraph *LoggerGraphWindow() const override;
    void SetLoggerGraphWindow(TfrmGraph *window) override;
    void SetOutputToGraphEnabled(bool enabled) override;
    QString Text(const QString &key) override;
    void ShowStatusMessage(const QString &text) override;

private:
    TfrmMain &Window;
};
