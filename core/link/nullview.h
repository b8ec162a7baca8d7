#pragma once
// A link view that shows nothing, for the link without windows (the
// command-line tool, the benchmarks). The port list is kept, so the search
// through every listed port works as it does behind the port combo box.

#include "core/link/linkview.h"

class TNullView : public ILinkView {
public:
    QString Text(const QString &) override { return QString(); }
    void SetStatusText(int, const QString &) override {}
    void SetMainTimerInterval(int) override {}
    void SetCommandEnabled(TLinkCommand, bool) override {}
    void SetCommandVisible(TLinkCommand, bool) override {}
    bool PanelWindowExists() const override { return false; }
    void SetPanelNoConnectionVisible(bool) override {}
    void SetPanelLinkIconVisible(bool) override {}
    void RenderPanel(const TLiveReading &) override {}
    bool RealTimeGraphWindowExists() const override { return false; }
    void AppendRealTimePoint(uint8_t, double, const float *) override {}
    QStringList PortList() const override { return Ports; }
    void SetPortList(const QStringList &ports) override { Ports = ports; }
    void SelectPort(int) override {}
    void ShowSearchProgress() override {}
    void SetSearchProgressText(const QString &) override {}
    void CloseSearchProgress() override {}

private:
    QStringList Ports;
};
