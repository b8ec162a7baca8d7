#include "sim/simusbbackend.h"

#include "core/link/usbfactory.h"

#include <cstring>

TSimUsbBackend::TSimUsbBackend() : meter_(std::make_shared<TSimMeter>()) {}

TSimUsbBackend::TSimUsbBackend(std::shared_ptr<TSimMeter> meter) : meter_(std::move(meter)) {}

int TSimUsbBackend::MvUsbOpen(uint16_t vendorId, uint16_t productId)
{
    ++opens_;
    vendorId_ = vendorId;
    productId_ = productId;
    if (!meter_->Present())
        return 1;
    open_ = true;
    DeliverLateReplies();
    return 0;
}

int TSimUsbBackend::MvUsbSetTimeouts(int readTimeout, int writeTimeout)
{
    if (!open_)
        return 1;
    readTimeout_ = readTimeout;
    writeTimeout_ = writeTimeout;
    return 0;
}

int TSimUsbBackend::MvUsbWrite(int length, const uint8_t *frame)
{
    if (!open_ || !meter_->Present() || length != 7 || frame == nullptr)
        return 1;
    std::array<uint8_t, 7> copy;
    std::memcpy(copy.data(), frame, 7);
    frames_.append(copy);
    DeliverLateReplies();
    DropWaitingReports([this] { return TakeWaitingReport(); });
    TSimReply reply = meter_->Answer(frame, length);
    if (!reply.bytes.isEmpty())
        pending_.push_back(reply);
    return 0;
}

int TSimUsbBackend::MvUsbPostWrite()
{
    return open_ ? 0 : 1;
}

int TSimUsbBackend::MvUsbRead(int length, uint8_t *buffer)
{
    ++reads_;
    if (open_)
        DeliverLateReplies();
    if (!open_ || pending_.empty() || buffer == nullptr || length < 0 || length > 64)
        return 1;
    if (pending_.front().delayMs > readTimeout_) {
        HoldLateReply(); // the report comes after this read has timed out
        return 1;
    }
    const QByteArray bytes = pending_.front().bytes;
    pending_.pop_front();
    // One input report holds the whole reply; a reply that lost bytes is a
    // broken report and the read fails.
    if (bytes.size() < length)
        return 1;
    std::memcpy(buffer, bytes.constData(), size_t(length));
    return 0;
}

int TSimUsbBackend::MvUsbClose()
{
    ++closes_;
    open_ = false;
    pending_.clear();
    return 0;
}

void TSimUsbBackend::HoldLateReply()
{
    TSimReply reply = pending_.front();
    pending_.pop_front();
    reply.delayMs = 0;
    late_.push_back(reply);
}

void TSimUsbBackend::DeliverLateReplies()
{
    while (!late_.empty()) {
        pending_.push_back(late_.front());
        late_.pop_front();
    }
}

bool TSimUsbBackend::TakeWaitingReport()
{
    if (pending_.empty() || pending_.front().delayMs > 0)
        return false;
    pending_.pop_front();
    return true;
}

std::shared_ptr<TSimMeter> DemoMeter()
{
    static const std::shared_ptr<TSimMeter> meter = std::make_shared<TSimMeter>();
    return meter;
}

std::unique_ptr<IUsbBackend> CreateDemoUsbBackend()
{
    return std::make_unique<TSimUsbBackend>(DemoMeter());
}

void RegisterDemoUsbMeter()
{
    if (HasDemoUsbBackendFactory())
        return;
    SetDemoUsbBackendFactory([] {
        auto backend = std::make_unique<TSimUsbBackend>();
        FillMemoryFromEnvironment(backend->Meter());
        return backend;
    });
}
