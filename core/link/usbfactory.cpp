#include "core/link/usbfactory.h"

#include "core/link/hidusbbackend.h"
#include "core/link/linklog.h"

#include <QByteArray>
#include <QSettings>
#include <QVariant>

#include <cstdio>

namespace {

TUsbBackendFactory &DemoFactory()
{
    static TUsbBackendFactory factory;
    return factory;
}

class TLoggingUsbBackend : public IUsbBackend {
public:
    explicit TLoggingUsbBackend(std::unique_ptr<IUsbBackend> inner) : Inner(std::move(inner)) {}

    int MvUsbOpen(uint16_t vendorId, uint16_t productId) override
    {
        const int r = Inner->MvUsbOpen(vendorId, productId);
        Note("MvUsbOpen", r);
        return r;
    }
    int MvUsbSetTimeouts(int readTimeout, int writeTimeout) override
    {
        const int r = Inner->MvUsbSetTimeouts(readTimeout, writeTimeout);
        Note("MvUsbSetTimeouts", r);
        return r;
    }
    int MvUsbWrite(int length, const uint8_t *frame) override
    {
        LinkLogBytes("usb >", frame, length);
        const int r = Inner->MvUsbWrite(length, frame);
        Note("MvUsbWrite", r);
        return r;
    }
    int MvUsbPostWrite() override { return Inner->MvUsbPostWrite(); }
    int MvUsbRead(int length, uint8_t *buffer) override
    {
        const int r = Inner->MvUsbRead(length, buffer);
        if (r == 0)
            LinkLogBytes("usb <", buffer, length);
        else
            Note("MvUsbRead", r);
        return r;
    }
    int MvUsbClose() override { return Inner->MvUsbClose(); }

private:
    static void Note(const char *operation, int result)
    {
        if (result == 0)
            return;
        char text[64];
        std::snprintf(text, sizeof text, "%s failed (%d)", operation, result);
        LinkLogNote("usb", text);
    }

    std::unique_ptr<IUsbBackend> Inner;
};

uint16_t SettingId(const QSettings &settings, const char *key, uint16_t fallback)
{
    const QVariant value = settings.value(QLatin1String(key));
    if (!value.isValid())
        return fallback;
    bool ok = false;
    const QString text = value.toString().trimmed();
    // Accepts decimal and 0x-prefixed hexadecimal.
    const uint number = text.toUInt(&ok, 0);
    if (!ok || number > 0xFFFF)
        return fallback;
    return static_cast<uint16_t>(number);
}

} // namespace

void SetDemoUsbBackendFactory(TUsbBackendFactory factory)
{
    DemoFactory() = std::move(factory);
}

bool HasDemoUsbBackendFactory()
{
    return bool(DemoFactory());
}

bool DemoUsbMeterRequested()
{
    return qgetenv("QM738_DEMO_METER").trimmed().toLower() == "usb";
}

std::unique_ptr<IUsbBackend> WrapUsbBackendWithLog(std::unique_ptr<IUsbBackend> inner)
{
    if (!inner)
        return inner;
    return std::make_unique<TLoggingUsbBackend>(std::move(inner));
}

std::unique_ptr<IUsbBackend> CreateUsbBackend()
{
    std::unique_ptr<IUsbBackend> backend;
    if (DemoUsbMeterRequested() && DemoFactory())
        backend = DemoFactory()();
    if (!backend)
        backend = std::make_unique<THidUsbBackend>();
    if (LinkLogEnabled())
        backend = WrapUsbBackendWithLog(std::move(backend));
    return backend;
}

TUsbIds UsbIdsFromSettings()
{
    TUsbIds ids;
    QSettings settings(QSettings::UserScope, QStringLiteral("QM738"), QStringLiteral("QM738"));
    ids.vendorId = SettingId(settings, "UsbVendorId", DefaultUsbVendorId);
    ids.productId = SettingId(settings, "UsbProductId", DefaultUsbProductId);
    return ids;
}
