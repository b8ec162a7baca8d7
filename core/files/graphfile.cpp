#include "core/files/graphfile.h"

#include "core/base/translation.h"

#include <QFile>
#include <QSaveFile>
#include <QtEndian>

namespace {

void SetError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

} // namespace

// ---- the file frame ----------------------------------------------------------

bool WriteGraphFileBlock(const QString &path, const QByteArray &block, QString *error)
{
    if (quint64(block.size()) > 0xFFFFFFFFull) {
        SetError(error, AddedText("The graph is too large for a graph file."));
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        SetError(error, file.errorString());
        return false;
    }
    uchar length[4];
    qToLittleEndian<quint32>(quint32(block.size()), length);
    if (file.write(reinterpret_cast<const char *>(length), 4) != 4
        || file.write(block) != block.size()) {
        SetError(error, file.errorString());
        file.cancelWriting();
        return false;
    }
    // A disk that fills up may take part of the data without reporting an
    // error: compare what reached the file before it replaces the old one.
    const qint64 expected = 4 + qint64(block.size());
    if (!file.flush() || file.size() != expected) {
        SetError(error, file.error() != QFileDevice::NoError && !file.errorString().isEmpty()
                            ? file.errorString()
                            : AddedText("Only %1 of %2 bytes could be written (is the disk full?).")
                                  .arg(file.size())
                                  .arg(expected));
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        SetError(error, file.errorString());
        return false;
    }
    return true;
}

bool ReadGraphFileBlock(const QString &path, QByteArray *block, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        SetError(error, file.errorString());
        return false;
    }
    return ReadGraphFileBlock(file, block, error);
}

bool ReadGraphFileBlock(QIODevice &file, QByteArray *block, QString *error)
{
    const qint64 size = file.size();
    if (size < 4) {
        SetError(error, AddedText("The file is too short to be a graph file (%1 bytes).").arg(size));
        return false;
    }
    uchar length[4];
    if (file.read(reinterpret_cast<char *>(length), 4) != 4) {
        SetError(error, file.errorString());
        return false;
    }
    const quint32 n = qFromLittleEndian<quint32>(length);
    // Never trust the length field beyond what the file holds.
    if (qint64(n) > size - 4) {
        SetError(error, AddedText("The file is damaged: it announces %1 bytes of graph data but holds only %2.")
                            .arg(n)
                            .arg(size - 4));
        return false;
    }
    QByteArray data = file.read(qint64(n));
    if (data.size() != qint64(n)) {
        SetError(error, AddedText("The file could not be read completely."));
        return false;
    }
    *block = data;
    return true;
}

// ---- filters -----------------------------------------------------------------

QString GraphFileFilter(bool decimalIsComma)
{
    // The CSV type names its separator: ";" where numbers have a decimal comma.
    return QStringLiteral("Graph file(*.ghf,only for QM738)|*.GHF|TXT file(*.txt,data seperated by tab)|*.TXT")
           + (decimalIsComma ? QStringLiteral("|EXCEL file format(*.CSV,seperated by semicolon)|*.CSV")
                             : QStringLiteral("|EXCEL file format(*.CSV,seperated by comma)|*.CSV"));
}

QString QtFilterFromPairs(const QString &pairs)
{
    const QStringList parts = pairs.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString &p : parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString t = p.trimmed();
            if (!patterns.contains(t))
                patterns << t;
            if (!patterns.contains(t.toLower()))
                patterns << t.toLower();
            if (!patterns.contains(t.toUpper()))
                patterns << t.toUpper();
        }
        out << QStringLiteral("%1 (%2)").arg(parts.at(i), patterns.join(QLatin1Char(' ')));
    }
    return out.join(QStringLiteral(";;"));
}
