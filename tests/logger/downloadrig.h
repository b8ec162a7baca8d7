#pragma once
// A link to one simulated meter, over USB in-process or over a paced
// pseudo-terminal, with the data-set steps replaced by recorders.

#include "core/base/appstate.h"
#include "core/link/discovery.h"
#include "link/fakes.h"
#include "core/link/meterlink.h"
#include "core/link/serialtransport.h"
#include "core/link/supervisor.h"
#include "core/logger/download.h"
#include "sim/ptymeter.h"
#include "sim/simusbbackend.h"

#include <QList>
#include <QStringList>
#include <memory>
#include <mutex>

struct TDownloadRig {
    TAppState state;
    TLinkBuffers buffers;
    TSerialTransport serial;
    std::shared_ptr<TSimMeter> meter = std::make_shared<TSimMeter>();
    TSimUsbBackend usb{meter};
    // The serial meter's log outlives the meter's thread, which writes to it.
    std::mutex logMutex;
    QStringList ptyLog;   // every frame the serial meter answered
    std::unique_ptr<TPtyMeter> pty;
    TFakeView view;
    TLiveReading reading;
    TMeterLink link{state, buffers};
    TConnectionSupervisor supervisor{state, link, view, reading};
    TPortDiscovery discovery{state, link, supervisor, view};
    QList<bool> timerSwitches;

    // What the data-set side was handed.
    int decodeResult = 0;
    int decodes = 0;
    QByteArray decoded;
    int tempCount = -1;
    QList<int> graphed;
    int prepared = 0;

    TDownloadRig()
    {
        link.SetUsbBackend(&usb);
        link.SetSerialTransport(&serial);
        link.SetPollTimerControl([this](bool on) { timerSwitches << on; });
    }

    // Connects over USB (the poll cycle's probe) or over the pseudo-terminal
    // (the port choice); `byteUs` paces the serial meter.
    bool Connect(bool serialLink, int byteUs = 0)
    {
        if (!serialLink) {
            supervisor.MainTimerTimer();
            return state.Connected && state.UsbLink;
        }
        meter->SetPresent(false); // no USB meter besides
        pty = std::make_unique<TPtyMeter>(meter);
        pty->SetByteTimeUs(byteUs);
        pty->SetLog([this](const QString &line) {
            std::lock_guard<std::mutex> lock(logMutex);
            ptyLog << line;
        });
        if (!pty->Start())
            return false;
        discovery.ComboBoxDeviceNameChange(pty->PortPath());
        return state.Connected && state.SerialLink;
    }

    // Runs f on the meter, on the meter's own thread's terms when it is served serially.
    template <class F>
    void WithMeter(F f)
    {
        if (pty)
            pty->WithMeter(f);
        else
            f(*meter);
    }

    TDataSetSteps Steps()
    {
        TDataSetSteps s;
        s.DecodeMemoryImage = [this](const QByteArray &image) {
            ++decodes;
            decoded = image;
            return decodeResult;
        };
        s.PrepareLoggerGraphWindow = [this] { ++prepared; };
        s.GraphDataSet = [this](int d) { graphed << d; };
        s.WriteTempCollection = [this](const QByteArray &, int count) {
            tempCount = count;
            return true;
        };
        return s;
    }

    // True when the serial meter was sent `frameHex` ("02 71 00 00 00 00 03").
    bool SerialMeterGot(const QString &frameHex)
    {
        std::lock_guard<std::mutex> lock(logMutex);
        for (const QString &line : ptyLog)
            if (line.startsWith(QStringLiteral("<- ") + frameHex))
                return true;
        return false;
    }

    // The commands the USB meter was sent, as letters.
    QByteArray UsbCommands() const
    {
        QByteArray letters;
        for (const auto &f : usb.Frames())
            letters += char(f[1]);
        return letters;
    }
};
