#include "fakes.h"

#include "core/base/bytes.h"

#include <algorithm>
#include <cstring>

QByteArray MakeLiveReply(uint8_t fill)
{
    QByteArray reply(64, char(fill));
    reply[0] = 0x02;
    reply[63] = 0x03;
    FixLiveChecksum(reply);
    return reply;
}

void FixLiveChecksum(QByteArray &reply)
{
    reply[62] = char(LinkBytes::Checksum8Range(reinterpret_cast<const uint8_t *>(reply.constData()), 1, 61));
}

QByteArray MakeIdentityReply(int size, const char *code)
{
    QByteArray reply(size, '\0');
    for (int i = 0; i < 3 && 23 + i < size; ++i)
        reply[23 + i] = code[i];
    return reply;
}

QByteArray MakePageReply(uint16_t page, uint8_t fill)
{
    QByteArray reply(36, char(fill));
    reply[32] = char(page >> 8);
    reply[33] = char(page & 0xFF);
    reply[34] = char(LinkBytes::Checksum8(reinterpret_cast<const uint8_t *>(reply.constData()), 32));
    reply[35] = 0x05;
    return reply;
}

// ---- USB ----

int TFakeUsbBackend::MvUsbOpen(uint16_t vendorId, uint16_t productId)
{
    ++opens;
    calls << QStringLiteral("open");
    lastVendor = vendorId;
    lastProduct = productId;
    if (openResult == 0)
        open = true;
    return openResult;
}

int TFakeUsbBackend::MvUsbSetTimeouts(int, int)
{
    ++timeouts;
    calls << QStringLiteral("timeouts");
    return timeoutsResult;
}

int TFakeUsbBackend::MvUsbWrite(int length, const uint8_t *frame)
{
    ++writes;
    calls << QStringLiteral("write");
    TFrame f{};
    std::memcpy(f.data(), frame, size_t(std::min(length, 7)));
    frames << f;
    return writeResult;
}

int TFakeUsbBackend::MvUsbPostWrite()
{
    ++postWrites;
    calls << QStringLiteral("postwrite");
    return 0;
}

int TFakeUsbBackend::MvUsbRead(int length, uint8_t *buffer)
{
    ++reads;
    calls << QStringLiteral("read");
    readLengths << length;
    if (readResult != 0) {
        if (!partialOnFailure.isEmpty())
            std::memcpy(buffer, partialOnFailure.constData(), size_t(std::min<int>(length, partialOnFailure.size())));
        return readResult;
    }
    QByteArray reply;
    if (responder && !frames.isEmpty())
        reply = responder(frames.last());
    else if (!replies.empty()) {
        reply = replies.front();
        replies.pop_front();
    } else
        reply = defaultReply;
    reply = reply.leftJustified(64, '\0', true);
    std::memcpy(buffer, reply.constData(), size_t(length));
    return 0;
}

int TFakeUsbBackend::MvUsbClose()
{
    ++closes;
    calls << QStringLiteral("close");
    open = false;
    return 0;
}

// ---- serial ----

bool TFakeSerial::SetDeviceName(const QString &name)
{
    name_ = name;
    return true;
}

QString TFakeSerial::SystemLocation() const
{
    return name_.startsWith(QLatin1Char('/')) ? name_ : QStringLiteral("/dev/") + name_;
}

bool TFakeSerial::Open()
{
    if (open_)
        return true;
    if (!openable.contains(name_))
        return false;
    open_ = true;
    opened << name_;
    waiting.clear();
    return true;
}

void TFakeSerial::Close()
{
    if (open_)
        ++closes;
    open_ = false;
    waiting.clear();
}

bool TFakeSerial::Write(const uint8_t *bytes, int count)
{
    if (!open_ || failWrite)
        return false;
    TFrame f{};
    std::memcpy(f.data(), bytes, size_t(std::min(count, 7)));
    frames << f;
    if (responder)
        waiting += responder(name_, f);
    return true;
}

int TFakeSerial::BytesWaiting()
{
    if (!open_ || failCount)
        return -1;
    return int(waiting.size());
}

int TFakeSerial::Read(uint8_t *buffer, int count)
{
    ++readCalls;
    largestRead = std::max(largestRead, count);
    if (!open_ || failRead)
        return -1;
    const int n = std::min<int>(count, int(waiting.size()));
    std::memcpy(buffer, waiting.constData(), size_t(n));
    waiting.remove(0, n);
    return n;
}

bool TFakeSerial::Purge()
{
    waiting.clear();
    return open_;
}

// ---- view ----

QString TFakeView::Text(const QString &key)
{
    if (key == QLatin1String("IDS_40"))
        return QStringLiteral("On Connection");
    if (key == QLatin1String("IDS_42"))
        return QStringLiteral("No Connection");
    return QString();
}

void TFakeView::AppendRealTimePoint(uint8_t st, double time, const float values[5])
{
    Point p{st, time, {}};
    std::copy(values, values + 5, p.values);
    points << p;
}
