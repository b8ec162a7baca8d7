#include "core/link/linklog.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QString>

#include <cstdio>
#include <memory>

namespace {

struct TLinkLogState {
    bool checked = false;
    bool enabled = false;
    bool toStderr = false;
    std::unique_ptr<QFile> file;
};

TLinkLogState &LogState()
{
    static TLinkLogState state;
    if (!state.checked) {
        state.checked = true;
        const QByteArray value = qgetenv("QM738_LINK_LOG");
        if (!value.isEmpty() && value != "0") {
            if (value == "1" || value == "stderr" || value == "-") {
                state.enabled = true;
                state.toStderr = true;
            } else {
                auto file = std::make_unique<QFile>(QString::fromLocal8Bit(value));
                if (file->open(QIODevice::Append | QIODevice::Text)) {
                    state.file = std::move(file);
                    state.enabled = true;
                } else {
                    state.enabled = true; // the file cannot be written: fall back to stderr
                    state.toStderr = true;
                }
            }
        }
    }
    return state;
}

void WriteLine(const QByteArray &line)
{
    TLinkLogState &state = LogState();
    if (state.toStderr) {
        std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
        std::fflush(stderr);
    } else if (state.file) {
        state.file->write(line);
        state.file->flush();
    }
}

QByteArray Prefix(const char *tag)
{
    return QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss.zzz")).toLatin1()
           + ' ' + QByteArray(tag) + ' ';
}

} // namespace

bool LinkLogEnabled()
{
    return LogState().enabled;
}

void LinkLogBytes(const char *tag, const uint8_t *bytes, int count)
{
    if (!LinkLogEnabled())
        return;
    QByteArray line = Prefix(tag);
    line += '[' + QByteArray::number(count) + "]";
    if (bytes && count > 0)
        line += ' ' + QByteArray(reinterpret_cast<const char *>(bytes), count).toHex(' ');
    line += '\n';
    WriteLine(line);
}

void LinkLogNote(const char *tag, const char *text)
{
    if (!LinkLogEnabled())
        return;
    WriteLine(Prefix(tag) + QByteArray(text) + '\n');
}

void LinkLogReset()
{
    TLinkLogState &state = LogState();
    state.file.reset();
    state.checked = false;
    state.enabled = false;
    state.toStderr = false;
}
