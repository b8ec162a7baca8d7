#include "core/net/spool.h"

#include "core/base/systemerror.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kHeaderBytes = 8;             // length, CRC
constexpr int kBodyFixedBytes = 8 + 8 + 1;  // seq, time, unit
constexpr int kLongestPayload = 1 << 16;

void PutU32(char *p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = char(v >> (8 * i));
}

void PutU64(char *p, quint64 v)
{
    for (int i = 0; i < 8; ++i)
        p[i] = char(v >> (8 * i));
}

uint32_t GetU32(const char *p)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | uint8_t(p[i]);
    return v;
}

quint64 GetU64(const char *p)
{
    quint64 v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | uint8_t(p[i]);
    return v;
}

// Parses the record at `p` (at most `avail` bytes): its size, or 0 when it is
// short or damaged.
int ParseRecord(const char *p, qint64 avail, TSpoolRecord *record)
{
    if (avail < kHeaderBytes + kBodyFixedBytes)
        return 0;
    const uint32_t length = GetU32(p);
    if (length < uint32_t(kBodyFixedBytes) || length > uint32_t(kBodyFixedBytes + kLongestPayload)
        || qint64(length) + kHeaderBytes > avail || GetU32(p + 4) != Crc32(p + kHeaderBytes, length))
        return 0;
    const char *body = p + kHeaderBytes;
    record->seq = GetU64(body);
    record->timeMs = qint64(GetU64(body + 8));
    record->unit = uint8_t(body[16]);
    record->payload = QByteArray(body + kBodyFixedBytes, qsizetype(length) - kBodyFixedBytes);
    return int(length) + kHeaderBytes;
}

qint64 NowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

uint32_t Crc32(const char *data, size_t size)
{
    static const auto table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ uint8_t(data[i])) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

TSpool::TSpool() = default;

TSpool::~TSpool()
{
    if (m_syncer.joinable()) {
        Flush();
        {
            std::lock_guard<std::mutex> lock(m_syncMutex);
            m_syncStop = true;
        }
        m_syncWake.notify_all();
        m_syncer.join();
    }
    for (auto &s : m_segments)
        ::close(s.second.fd);
    if (m_headFd >= 0)
        ::close(m_headFd);
    if (m_lockFd >= 0)
        ::close(m_lockFd); // the lock goes with it
}

QString TSpool::StateFolder()
{
    const QString service = qEnvironmentVariable("STATE_DIRECTORY").section(QLatin1Char(':'), 0, 0);
    if (!service.isEmpty())
        return service;
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/qm738");
}

QString TSpool::SegmentPath(quint64 name) const
{
    return QStringLiteral("%1/%2.seg").arg(m_folder).arg(name, 20, 10, QLatin1Char('0'));
}

bool TSpool::Open(const QString &folder, qint64 maxBytes, int syncMs, QString *error)
{
    m_folder = folder;
    m_maxBytes = std::max<qint64>(maxBytes, 2 * SegmentBytes);
    m_syncMs = std::max(syncMs, 10);
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot make the spool folder %1: %2").arg(folder, SystemErrorText(errno));
        return false;
    }
    const QByteArray lockPath = QFile::encodeName(folder + QStringLiteral("/lock"));
    m_lockFd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_lockFd < 0) {
        *error = QStringLiteral("cannot open the spool %1: %2").arg(folder, SystemErrorText(errno));
        return false;
    }
    if (::flock(m_lockFd, LOCK_EX | LOCK_NB) != 0) {
        *error = errno == EWOULDBLOCK
                     ? QStringLiteral("the spool %1 belongs to another publisher running under the same name").arg(folder)
                     : QStringLiteral("cannot lock the spool %1: %2").arg(folder, SystemErrorText(errno));
        return false;
    }
    const QByteArray headPath = QFile::encodeName(folder + QStringLiteral("/head"));
    m_headFd = ::open(headPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_headFd < 0) {
        *error = QStringLiteral("cannot open %1: %2").arg(QFile::decodeName(headPath), SystemErrorText(errno));
        return false;
    }
    if (!Scan(error))
        return false;
    m_lastSyncMs = NowMs();
    m_syncer = std::thread([this] { SyncLoop(); });
    return true;
}

bool TSpool::Scan(QString *error)
{
    char head[12];
    quint64 headSeq = 0;
    if (::pread(m_headFd, head, sizeof head, 0) == qint64(sizeof head) && GetU32(head + 8) == Crc32(head, 8))
        headSeq = GetU64(head);
    m_writtenHead = headSeq;

    QDir dir(m_folder);
    std::vector<quint64> names;
    for (const QString &file : dir.entryList({QStringLiteral("*.seg")}, QDir::Files)) {
        bool ok = false;
        const quint64 name = file.chopped(4).toULongLong(&ok);
        if (ok && name > 0)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());

    quint64 next = std::max<quint64>(headSeq, 1); // the seq the next record must have
    m_firstSeq = next;
    for (size_t i = 0; i < names.size(); ++i) {
        const quint64 name = names[i];
        const quint64 nextName = i + 1 < names.size() ? names[i + 1] : 0;
        if (nextName && nextName <= headSeq) {
            RemoveSegment(name); // wholly delivered
            ::unlink(QFile::encodeName(SegmentPath(name)).constData());
            continue;
        }
        // Readings missing between segments (a cut tail): nothing to send.
        if (name > next) {
            if (m_entries.empty())
                m_firstSeq = name;
            else
                for (quint64 s = next; s < name; ++s)
                    m_entries.push_back(TEntry{0, -1, 0, 0, 0, true, {}});
            next = name;
        }
        const QByteArray path = QFile::encodeName(SegmentPath(name));
        TSegment segment;
        segment.fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
        if (segment.fd < 0) {
            *error = QStringLiteral("cannot open %1: %2").arg(QFile::decodeName(path), SystemErrorText(errno));
            return false;
        }
        QByteArray bytes(qsizetype(::lseek(segment.fd, 0, SEEK_END)), Qt::Uninitialized);
        const qint64 got = ::pread(segment.fd, bytes.data(), size_t(bytes.size()), 0);
        if (got < 0) {
            *error = QStringLiteral("cannot read %1: %2").arg(QFile::decodeName(path), SystemErrorText(errno));
            ::close(segment.fd);
            return false;
        }
        qint64 offset = 0;
        quint64 expected = name;
        TSpoolRecord record;
        while (offset < got) {
            const int size = ParseRecord(bytes.constData() + offset, got - offset, &record);
            if (size == 0 || record.seq != expected)
                break;
            if (record.seq >= m_firstSeq) {
                if (record.seq >= next) {
                    m_entries.push_back(TEntry{record.timeMs, qint64(name), offset, size, record.unit, false, {}});
                    ++m_recovered;
                    ++m_pending;
                    next = record.seq + 1;
                }
            }
            offset += size;
            ++expected;
        }
        if (offset < got) {
            m_cutBytes += quint64(got - offset);
            if (::ftruncate(segment.fd, offset) != 0) {
                *error = QStringLiteral("cannot cut the damaged end of %1: %2")
                             .arg(QFile::decodeName(path), SystemErrorText(errno));
                ::close(segment.fd);
                return false;
            }
        }
        if (offset == 0 && nextName) {
            ::close(segment.fd);
            ::unlink(path.constData());
            continue;
        }
        segment.size = offset;
        segment.next = expected;
        m_bytes += offset;
        m_segments[name] = segment;
    }
    if (m_entries.empty())
        m_firstSeq = next;
    // Readings that were in a segment and are no longer (cut): the head moves on.
    while (!m_entries.empty() && m_entries.front().delivered) {
        m_entries.pop_front();
        ++m_firstSeq;
    }
    return true;
}

void TSpool::RemoveSegment(quint64 name)
{
    const auto it = m_segments.find(name);
    if (it == m_segments.end())
        return;
    ::close(it->second.fd);
    m_bytes -= it->second.size;
    m_segments.erase(it);
    ::unlink(QFile::encodeName(SegmentPath(name)).constData());
}

bool TSpool::StartSegment(quint64 firstSeq, QString *error)
{
    const QByteArray path = QFile::encodeName(SegmentPath(firstSeq));
    TSegment segment;
    segment.next = firstSeq;
    segment.fd = ::open(path.constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (segment.fd < 0) {
        *error = QStringLiteral("cannot make %1: %2").arg(QFile::decodeName(path), SystemErrorText(errno));
        return false;
    }
    m_segments[firstSeq] = segment;
    std::lock_guard<std::mutex> lock(m_syncMutex);
    m_syncFolder = true;
    return true;
}

bool TSpool::Append(qint64 timeMs, uint8_t unit, const QByteArray &payload, quint64 *seq, QString *error)
{
    const quint64 s = End();
    *seq = s;
    const int length = kBodyFixedBytes + int(std::min<qsizetype>(payload.size(), kLongestPayload));
    QByteArray record(kHeaderBytes + length, Qt::Uninitialized);
    char *p = record.data();
    PutU32(p, uint32_t(length));
    PutU64(p + 8, s);
    PutU64(p + 16, quint64(timeMs));
    p[24] = char(unit);
    std::memcpy(p + 8 + kBodyFixedBytes, payload.constData(), size_t(length - kBodyFixedBytes));
    PutU32(p + 4, Crc32(p + kHeaderBytes, size_t(length)));

    TEntry entry{timeMs, -1, 0, int(record.size()), unit, false, {}};
    QString why;
    // A segment holds consecutive records from its name on: a full one, or
    // one whose records stopped short of `s` (a cut end), is followed by a new one.
    if (m_segments.empty() || m_segments.rbegin()->second.size + record.size() > SegmentBytes
        || m_segments.rbegin()->second.next != s) {
        if (!m_segments.empty() && m_segments.rbegin()->second.size == 0)
            RemoveSegment(m_segments.rbegin()->first);
        StartSegment(s, &why);
    }
    if (!m_segments.empty()) {
        auto &[name, segment] = *m_segments.rbegin();
        const qint64 wrote = ::pwrite(segment.fd, record.constData(), size_t(record.size()), segment.size);
        if (wrote == record.size()) {
            entry.segment = qint64(name);
            entry.offset = segment.size;
            segment.size += wrote;
            segment.next = s + 1;
            m_bytes += wrote;
        } else {
            why = wrote < 0 ? SystemErrorText(errno) : SystemErrorText(ENOSPC);
            if (::ftruncate(segment.fd, segment.size) != 0) {
                // The torn record stays on disk: the next open cuts it.
            }
        }
    }
    if (entry.segment < 0)
        entry.memory = payload;
    m_entries.push_back(std::move(entry));
    ++m_pending;
    while (m_bytes > m_maxBytes && m_segments.size() > 1)
        DropOldestSegment();
    if (NowMs() - m_lastSyncMs >= m_syncMs)
        SyncIfDue();
    if (!why.isEmpty()) {
        if (!m_failureTold && error)
            *error = QStringLiteral("cannot write the spool %1: %2; readings are held in memory until it can")
                         .arg(m_folder, why);
        m_failureTold = true;
        return false;
    }
    m_failureTold = false;
    return true;
}

void TSpool::DropOldestSegment()
{
    const auto oldest = m_segments.begin();
    const quint64 name = oldest->first;
    const quint64 next = std::next(oldest)->first;
    RemoveSegment(name);
    while (!m_entries.empty() && m_firstSeq < next) {
        if (!m_entries.front().delivered) {
            ++m_dropped;
            --m_pending;
        }
        m_entries.pop_front();
        ++m_firstSeq;
    }
}

bool TSpool::IsDelivered(quint64 seq) const
{
    return !Contains(seq) || m_entries[size_t(seq - m_firstSeq)].delivered;
}

bool TSpool::Read(quint64 seq, TSpoolRecord *record) const
{
    if (!Contains(seq))
        return false;
    const TEntry &e = m_entries[size_t(seq - m_firstSeq)];
    if (e.segment < 0) {
        *record = TSpoolRecord{seq, e.timeMs, e.unit, e.memory};
        return !e.memory.isEmpty();
    }
    const auto segment = m_segments.find(quint64(e.segment));
    if (segment == m_segments.end())
        return false;
    QByteArray bytes(e.size, Qt::Uninitialized);
    if (::pread(segment->second.fd, bytes.data(), size_t(e.size), e.offset) != e.size)
        return false;
    return ParseRecord(bytes.constData(), e.size, record) == e.size && record->seq == seq;
}

void TSpool::MarkDelivered(quint64 seq)
{
    if (!Contains(seq))
        return;
    TEntry &e = m_entries[size_t(seq - m_firstSeq)];
    if (e.delivered)
        return;
    e.delivered = true;
    --m_pending;
    while (!m_entries.empty() && m_entries.front().delivered) {
        m_entries.pop_front();
        ++m_firstSeq;
    }
    // Segments whose every record is before the first undelivered one.
    while (m_segments.size() > 1 && std::next(m_segments.begin())->first <= m_firstSeq)
        RemoveSegment(m_segments.begin()->first);
}

void TSpool::SyncIfDue()
{
    RequestSync(false);
}

void TSpool::Flush()
{
    RequestSync(true);
}

void TSpool::RequestSync(bool wait)
{
    if (!m_syncer.joinable())
        return;
    m_lastSyncMs = NowMs();
    std::unique_lock<std::mutex> lock(m_syncMutex);
    // The newest segment is the one written to; one that just filled is
    // synced when the next starts (m_syncFolder), both here.
    for (auto it = m_segments.rbegin(); it != m_segments.rend() && m_syncFds.size() < 2; ++it)
        m_syncFds.push_back(::dup(it->second.fd));
    m_syncHead = m_firstSeq;
    const quint64 ticket = ++m_syncRequests;
    m_syncWake.notify_all();
    if (wait)
        m_syncDone.wait(lock, [&] { return m_syncsDone >= ticket; });
}

void TSpool::SyncLoop()
{
    std::unique_lock<std::mutex> lock(m_syncMutex);
    for (;;) {
        m_syncWake.wait(lock, [&] { return m_syncStop || m_syncsDone < m_syncRequests; });
        if (m_syncsDone >= m_syncRequests && m_syncStop)
            return;
        const quint64 ticket = m_syncRequests;
        std::vector<int> fds;
        fds.swap(m_syncFds);
        const bool folder = m_syncFolder;
        m_syncFolder = false;
        const quint64 head = m_syncHead;
        lock.unlock();
        for (int fd : fds) {
            if (fd >= 0) {
                ::fdatasync(fd);
                ::close(fd);
            }
        }
        if (folder) {
            const int dirFd = ::open(QFile::encodeName(m_folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (dirFd >= 0) {
                ::fsync(dirFd);
                ::close(dirFd);
            }
        }
        if (head != m_writtenHead) {
            char bytes[12];
            PutU64(bytes, head);
            PutU32(bytes + 8, Crc32(bytes, 8));
            if (::pwrite(m_headFd, bytes, sizeof bytes, 0) == qint64(sizeof bytes) && ::fdatasync(m_headFd) == 0)
                m_writtenHead = head;
        }
        lock.lock();
        m_syncsDone = ticket;
        m_syncDone.notify_all();
    }
}
