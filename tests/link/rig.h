#pragma once
// Everything the link needs, wired to the fakes.

#include "core/base/appstate.h"
#include "fakes.h"
#include "core/link/discovery.h"
#include "core/link/frames.h"
#include "core/link/meterlink.h"
#include "core/link/supervisor.h"

#include <QList>

struct TRig {
    TAppState state;
    TLinkBuffers buffers;
    TFakeUsbBackend usb;
    TFakeSerial serial;
    TFakeView view;
    TLiveReading reading;
    TMeterLink link{state, buffers};
    TConnectionSupervisor supervisor{state, link, view, reading};
    TPortDiscovery discovery{state, link, supervisor, view};
    QList<bool> timerSwitches;
    int decodes = 0;

    // Uses a stand-in decoder that copies bytes 10-14 into the five values;
    // `realDecoder` keeps the reading decoder.
    explicit TRig(bool realDecoder = false)
    {
        link.SetUsbBackend(&usb);
        link.SetSerialTransport(&serial);
        link.SetPollTimerControl([this](bool on) { timerSwitches << on; });
        if (realDecoder)
            return;
        supervisor.SetDecoder([this](const uint8_t *reply, TLiveReading &reading) {
            ++decodes;
            reading.rh = reply[10];
            reading.t1 = reply[11];
            reading.t2 = reply[12];
            reading.wetBulb = reply[13];
            reading.dewPoint = reply[14];
        });
    }

    // A USB meter that answers "K" with its identity and "A" with `live`.
    void UsbMeter(const QByteArray &live = MakeLiveReply(), const char *code = "738")
    {
        const QByteArray identity = MakeIdentityReply(64, code);
        usb.responder = [identity, live](const TFrame &f) {
            return f[1] == 'K' ? identity : live;
        };
    }
};
