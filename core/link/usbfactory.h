#pragma once
// Choice of the USB backend: hidapi normally; the in-process simulated meter
// when the environment variable QM738_DEMO_METER is "usb" and a demo factory
// has been registered (the application registers the simulator's backend, so
// this folder does not depend on the simulator). With QM738_LINK_LOG set the
// backend is wrapped so every frame and reply is dumped.

#include "core/link/usbbackend.h"

#include <cstdint>
#include <functional>
#include <memory>

using TUsbBackendFactory = std::function<std::unique_ptr<IUsbBackend>()>;

// Registers the factory of the simulated meter's backend (empty: none).
void SetDemoUsbBackendFactory(TUsbBackendFactory factory);
bool HasDemoUsbBackendFactory();
// True when QM738_DEMO_METER asks for the in-process USB meter.
bool DemoUsbMeterRequested();
// The backend the program uses (see above).
std::unique_ptr<IUsbBackend> CreateUsbBackend();
// Wraps a backend so that every operation is dumped to the link log.
std::unique_ptr<IUsbBackend> WrapUsbBackendWithLog(std::unique_ptr<IUsbBackend> inner);

// Vendor and product identifiers of the meter; the settings UsbVendorId and
// UsbProductId override them.
constexpr uint16_t DefaultUsbVendorId = 0x2738;
constexpr uint16_t DefaultUsbProductId = 0x0738;

struct TUsbIds {
    uint16_t vendorId = DefaultUsbVendorId;
    uint16_t productId = DefaultUsbProductId;
};

TUsbIds UsbIdsFromSettings();
