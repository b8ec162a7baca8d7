#include "core/files/rtjournal.h"

#include "core/base/bytes.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kPointSize = 8 + 1 + 5 * 4;
constexpr uint32_t kMaxRecord = 1u << 20;
// No point waits longer than this for its sync to disk.
constexpr qint64 kSyncLimitMs = 10000;
const char kSuffix[] = ".rtj";

void PutU32(char *out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[i] = char((v >> (8 * i)) & 0xFF);
}

uint32_t GetU32(const char *in)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= uint32_t(uint8_t(in[i])) << (8 * i);
    return v;
}

// Length, payload and check in one buffer (`out` holds 8 + size bytes).
void Frame(const char *payload, uint32_t size, char *out)
{
    PutU32(out, size);
    std::memcpy(out + 4, payload, size);
    PutU32(out + 4 + size, Crc32(payload, size));
}

bool WriteAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

// 0, or the errno of a failed sync.
int Sync(int fd)
{
#ifdef __linux__
    return ::fdatasync(fd) == 0 ? 0 : errno;
#else
    return ::fsync(fd) == 0 ? 0 : errno;
#endif
}

QString ErrnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString LockPath(const QString &journal)
{
    return journal + QStringLiteral(".lock");
}

// Opens and locks `path` for this process: the descriptor, or -1 when another
// process holds the lock. The lock is the kernel's (flock): it goes with the
// descriptor, so a dead owner's lock is free at once. A lock file that was
// deleted (its journal removed) between the open and the lock is not taken.
int TakeKernelLock(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0)
            return -1;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return -1;
        }
        struct stat held = {}, named = {};
        if (::fstat(fd, &held) == 0 && ::stat(name.constData(), &named) == 0 && held.st_ino == named.st_ino
            && held.st_dev == named.st_dev)
            return fd;
        ::close(fd); // the name now stands for another file: try that one
    }
    return -1;
}

QByteArray HeaderPayload(const TRealTimeJournalHeader &h)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    // Version 2 adds the unit code after the colours; version 1 journals still read.
    out << quint32(2) << h.start << qint32(h.rate) << qint32(h.points) << h.unit << h.labels
        << qint32(h.colors.size());
    for (uint32_t c : h.colors)
        out << quint32(c);
    out << qint32(h.unitCode);
    return bytes;
}

bool ParseHeader(const QByteArray &bytes, TRealTimeJournalHeader *h)
{
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 version = 0;
    qint32 rate = 0, points = 0, colors = 0;
    in >> version >> h->start >> rate >> points >> h->unit >> h->labels >> colors;
    if (in.status() != QDataStream::Ok || (version != 1 && version != 2) || colors < 0 || colors > 64)
        return false;
    h->rate = rate;
    h->points = points;
    h->colors.clear();
    for (int i = 0; i < colors; ++i) {
        quint32 c = 0;
        in >> c;
        h->colors << c;
    }
    h->unitCode = -1;
    if (version >= 2) {
        qint32 unitCode = -1;
        in >> unitCode;
        h->unitCode = unitCode >= 0 && unitCode <= 2 ? unitCode : -1;
    }
    return in.status() == QDataStream::Ok;
}

void PointPayload(const TRealTimeJournalPoint &p, char *out)
{
    std::memcpy(out, &p.x, 8);
    out[8] = char(p.status);
    std::memcpy(out + 9, p.y, 20);
}

} // namespace

bool TRealTimeJournalPoint::operator==(const TRealTimeJournalPoint &o) const
{
    return std::memcmp(&x, &o.x, 8) == 0 && status == o.status && std::memcmp(y, o.y, sizeof y) == 0;
}

TRealTimeJournal::TRealTimeJournal() = default;

TRealTimeJournal::~TRealTimeJournal()
{
    Close();
}

QString TRealTimeJournal::Folder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/journal");
    QDir().mkpath(folder);
    return folder;
}

QString TRealTimeJournal::NewPath(const QString &folder)
{
    return QStringLiteral("%1/realtime-%2-%3%4")
        .arg(folder, QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmsszzz")))
        .arg(QCoreApplication::applicationPid())
        .arg(QLatin1String(kSuffix));
}

bool TRealTimeJournal::Lock(const QString &path)
{
    if (m_lockFd >= 0 && m_path == path)
        return true;
    const int fd = TakeKernelLock(LockPath(path));
    if (fd < 0)
        return false;
    Unlock(false);
    m_lockFd = fd;
    return true;
}

void TRealTimeJournal::Unlock(bool removeFile)
{
    if (m_lockFd < 0)
        return;
    // Deleted while still held, so no one takes the lock of a removed journal.
    if (removeFile && !m_path.isEmpty())
        QFile::remove(LockPath(m_path));
    ::close(m_lockFd);
    m_lockFd = -1;
}

void TRealTimeJournal::NoteFailure(const QString &reason)
{
    std::lock_guard<std::mutex> lock(m_syncMutex);
    if (m_failure.isEmpty())
        m_failure = reason;
}

bool TRealTimeJournal::TakeFailure(QString *reason)
{
    std::lock_guard<std::mutex> lock(m_syncMutex);
    if (m_failure.isEmpty() || m_failureTold)
        return false;
    m_failureTold = true;
    if (reason)
        *reason = m_failure;
    return true;
}

bool TRealTimeJournal::Begin(const QString &path, const TRealTimeJournalHeader &header, QString *error)
{
    Remove();
    if (!Lock(path)) {
        if (error)
            *error = QStringLiteral("The journal \"%1\" belongs to another program.").arg(path);
        return false;
    }
    m_path = path;
    m_fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const QByteArray payload = HeaderPayload(header);
    QByteArray record(payload.size() + 8, Qt::Uninitialized);
    Frame(payload.constData(), uint32_t(payload.size()), record.data());
    int failed = 0;
    if (m_fd < 0 || !WriteAll(m_fd, record.constData(), size_t(record.size())))
        failed = errno ? errno : EIO;
    else
        failed = Sync(m_fd);
    if (failed) {
        if (error)
            *error = ErrnoText(failed);
        Remove();
        return false;
    }
    m_size = record.size();
    {
        std::lock_guard<std::mutex> lock(m_syncMutex);
        m_failure.clear();
        m_failureTold = false;
    }
    StartSyncer();
    // The folder entry of a new file reaches the disk too.
    const int dir = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    m_count = 0;
    m_rateMs = std::max(0, header.rate) * 1000;
    m_dirty = false;
    m_sinceSync.start();
    return true;
}

bool TRealTimeJournal::Adopt(const QString &path)
{
    if (m_lockFd >= 0 && m_path == path)
        return true;
    Remove();
    if (!QFileInfo::exists(path) || !Lock(path))
        return false;
    m_path = path;
    if (!QFileInfo::exists(path)) { // removed by its owner just before the lock
        Remove();
        return false;
    }
    return true;
}

bool TRealTimeJournal::Append(const TRealTimeJournalPoint &point)
{
    if (m_fd < 0)
        return false;
    char payload[kPointSize];
    PointPayload(point, payload);
    char record[kPointSize + 8];
    Frame(payload, kPointSize, record);
    errno = 0;
    if (!WriteAll(m_fd, record, sizeof record)) {
        const int failed = errno ? errno : ENOSPC;
        // A part of the record may have reached the file: cut it off, or
        // every point after it would be unreadable.
        if (::ftruncate(m_fd, m_size) != 0 || ::lseek(m_fd, m_size, SEEK_SET) != m_size)
            NoteFailure(ErrnoText(errno));
        NoteFailure(ErrnoText(failed));
        return false;
    }
    m_size += qsizetype(sizeof record);
    ++m_count;
    m_dirty = true;
    // Synced now when the next point would come after the limit.
    if (m_sinceSync.elapsed() + m_rateMs >= kSyncLimitMs)
        SyncIfDue();
    return true;
}

void TRealTimeJournal::SyncIfDue(qint64 dueMs)
{
    if (m_fd < 0 || !m_dirty || m_sinceSync.elapsed() < dueMs)
        return;
    {
        std::lock_guard<std::mutex> lock(m_syncMutex);
        m_syncWanted = true;
    }
    m_syncWake.notify_one();
    m_dirty = false;
    m_sinceSync.start();
}

void TRealTimeJournal::StartSyncer()
{
    m_syncWanted = false;
    m_syncStop = false;
    const int fd = m_fd;
    m_syncer = std::thread([this, fd] {
        std::unique_lock<std::mutex> lock(m_syncMutex);
        for (;;) {
            m_syncWake.wait(lock, [this] { return m_syncWanted || m_syncStop; });
            if (m_syncWanted) {
                m_syncWanted = false;
                lock.unlock();
                const int failed = Sync(fd);
                lock.lock();
                if (failed && m_failure.isEmpty())
                    m_failure = ErrnoText(failed);
                continue;
            }
            return;
        }
    });
}

void TRealTimeJournal::StopSyncer()
{
    if (!m_syncer.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(m_syncMutex);
        m_syncStop = true;
    }
    m_syncWake.notify_one();
    m_syncer.join();
}

void TRealTimeJournal::Close()
{
    if (m_fd >= 0) {
        SyncIfDue();
        StopSyncer();
        ::close(m_fd);
        m_fd = -1;
    }
    Unlock(false);
}

void TRealTimeJournal::Remove()
{
    const QString path = m_path;
    if (m_fd >= 0) {
        StopSyncer();
        ::close(m_fd);
        m_fd = -1;
    }
    if (!path.isEmpty() && m_lockFd >= 0)
        QFile::remove(path);
    Unlock(true);
    m_path.clear();
    m_count = 0;
    m_dirty = false;
}

void TRealTimeJournal::Release()
{
    Close();
    m_path.clear();
    m_count = 0;
    m_dirty = false;
}

bool TRealTimeJournal::Read(const QString &path, TRealTimeJournalContents *contents, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    const char *data = bytes.constData();
    const qsizetype size = bytes.size();
    qsizetype at = 0;
    bool haveHeader = false;
    contents->points.clear();
    while (size - at >= 8) {
        const uint32_t length = GetU32(data + at);
        if (length > kMaxRecord || qsizetype(length) + 8 > size - at)
            break; // torn: the rest never reached the file
        const char *payload = data + at + 4;
        if (GetU32(payload + length) != Crc32(payload, length))
            break;
        if (!haveHeader) {
            if (!ParseHeader(QByteArray(payload, length), &contents->header))
                break;
            haveHeader = true;
            contents->points.reserve(int(std::min<qsizetype>(size / (kPointSize + 8), contents->header.points)));
        } else {
            if (length != uint32_t(kPointSize))
                break;
            if (contents->points.size() >= contents->header.points)
                break; // more than the recording asked for: not its points
            TRealTimeJournalPoint p;
            std::memcpy(&p.x, payload, 8);
            p.status = uint8_t(payload[8]);
            std::memcpy(p.y, payload + 9, 20);
            contents->points.append(p);
        }
        at += qsizetype(length) + 8;
    }
    if (!haveHeader && error)
        *error = QStringLiteral("The journal holds no valid header.");
    return haveHeader;
}

QStringList TRealTimeJournal::Orphans(const QString &folder)
{
    QStringList found;
    const QFileInfoList files = QDir(folder).entryInfoList({QStringLiteral("*") + QLatin1String(kSuffix)},
                                                          QDir::Files, QDir::Time | QDir::Reversed);
    for (const QFileInfo &info : files) {
        const int fd = TakeKernelLock(LockPath(info.absoluteFilePath()));
        if (fd >= 0) {
            ::close(fd);
            found << info.absoluteFilePath();
        }
    }
    return found;
}
