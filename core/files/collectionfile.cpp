#include "core/files/collectionfile.h"

#include "core/base/translation.h"
#include "core/logger/datasetdecoder.h"

#include <QFile>
#include <QSaveFile>

bool WriteFileWhole(const QString &path, const QByteArray &data, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    if (file.write(data) != data.size() || !file.flush() || file.size() != data.size()) {
        *error = file.errorString().isEmpty() ? AddedText("The file could not be written completely.")
                                              : file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool ReadCollectionFile(const QString &path, QByteArray *image, QString *error)
{
    QString reason;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        reason = file.errorString();
    } else if (file.size() > LoggerImage::MemorySize) {
        // Larger than the meter's memory: not a collection, and never read in.
        reason = AddedText("The file holds %1 bytes, more than the meter's memory of %2 bytes.")
                     .arg(file.size())
                     .arg(LoggerImage::MemorySize);
    } else {
        QByteArray bytes = file.read(LoggerImage::MemorySize + 1);
        if (bytes.isEmpty())
            reason = file.error() != QFileDevice::NoError ? file.errorString() : AddedText("The file is empty.");
        else if (bytes.size() > LoggerImage::MemorySize)
            reason = AddedText("The file is larger than the meter's memory of %1 bytes.")
                         .arg(LoggerImage::MemorySize);
        else
            *image = bytes;
    }
    if (!reason.isEmpty() && error)
        *error = reason;
    return reason.isEmpty();
}
