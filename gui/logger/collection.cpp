#include "gui/logger/collection.h"

#include "core/files/collectionfile.h"
#include "core/base/appstate.h"
#include "gui/base/dialogs.h"
#include "core/base/paths.h"
#include "core/base/translation.h"
#include "core/files/graphfile.h"
#include "core/logger/datasetdecoder.h"
#include "core/logger/download.h"
#include "gui/logger/archiving.h"
#include "gui/logger/loggergraph.h"
#include "gui/logger/loggerhost.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString UserFolder()
{
    ILoggerHost *host = LoggerHost();
    return host ? host->State().UserFolder : QString();
}

QString TextOr(const char *key, const char *fallback)
{
    const QString text = GetTextOrDefault(QLatin1String(key));
    return text.trimmed().isEmpty() ? QString::fromLatin1(fallback) : text;
}

QString Native(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

} // namespace

QString TempCollectionFolder()
{
    return QDir(DialogFolder(UserFolder())).filePath(QStringLiteral("temp"));
}

QString TempCollectionPath()
{
    return TempCollectionFolder() + QStringLiteral("/DataSetsTemp.tmp");
}

bool WriteTempCollection(const QByteArray &image, int count)
{
    const QString folder = TempCollectionFolder();
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder)) {
        Dialogs::Message(nullptr, Dialogs::Kind::Error, Native(folder));
        return false;
    }
    const QString path = TempCollectionPath();
    QString error;
    if (!WriteFileWhole(path, image.left(std::max(0, count)), &error)) {
        Dialogs::Message(nullptr, Dialogs::Kind::Error,
                         AddedText("Cannot write the temporary collection file \"%1\".\n%2").arg(Native(path), error));
        return false;
    }
    return true;
}

bool SaveCollection(QWidget *parent)
{
    Dialogs::FileRequest request;
    request.parent = parent;
    request.save = true;
    request.title = TextOr("IDS_22", "Save File");
    request.folder = DialogFolder(UserFolder());
    request.filter = QtFilterFromPairs(QStringLiteral("Data Set Collection file(*.738,only for QM738)|*.738"));
    // A name typed without an extension becomes a ".738" file, the type the
    // open dialog lists.
    request.defaultSuffix = QStringLiteral("738");
    const QString target = Dialogs::FileName(request);
    if (target.isEmpty())
        return false;

    QString error;
    QByteArray image;
    QFile temp(TempCollectionPath());
    if (!temp.exists()) {
        error = AddedText("There is no downloaded or opened data set collection to save.");
    } else if (!temp.open(QIODevice::ReadOnly)) {
        error = temp.errorString();
    } else {
        image = temp.readAll();
        if (temp.error() != QFileDevice::NoError)
            error = temp.errorString();
    }
    if (error.isEmpty() && WriteFileWhole(target, image, &error)) {
        if (ILoggerHost *host = LoggerHost())
            SetLoggerDataUnsaved(host->State(), false);
        return true;
    }
    Dialogs::Message(parent, Dialogs::Kind::Error,
                     AddedText("The data set collection was not saved to \"%1\".\n%2").arg(Native(target), error));
    return false;
}

bool OpenCollection(QWidget *parent)
{
    if (ILoggerHost *host = LoggerHost()) {
        if (!AskToSaveUnsavedDownload(host->State(), parent))
            return false;
    }
    PrepareLoggerGraphWindow();

    Dialogs::FileRequest request;
    request.parent = parent;
    request.save = false;
    request.title = TextOr("IDS_43", "Open File");
    request.folder = DialogFolder(UserFolder());
    request.filter = QtFilterFromPairs(QStringLiteral("Data Sets Collection (*.738)|*.738"));
    request.defaultSuffix = QStringLiteral("738");
    const QString path = Dialogs::FileName(request);
    if (path.isEmpty())
        return false; // the data-logger window stays open
    return OpenCollectionFile(path, parent);
}

bool OpenCollectionFile(const QString &path, QWidget *parent)
{
    PrepareLoggerGraphWindow();
    QByteArray image;
    QString error;
    if (!ReadCollectionFile(path, &image, &error)) {
        Dialogs::Message(parent, Dialogs::Kind::Error,
                         AddedText("Cannot open the data set collection \"%1\".\n%2").arg(Native(path), error));
        return false;
    }
    const int result = DecodeMemoryImage(image, [&image] { return WriteTempCollection(image, int(image.size())); });
    if (result == DownloadResult::NotKept)
        return false; // said, and the shown sets and the flag are as they were
    if (result != DecodeOk) {
        Dialogs::Message(parent, Dialogs::Kind::Error,
                         AddedText("\"%1\" is not a data set collection: %2")
                             .arg(Native(path),
                                  result == DecodeTooManySets ? AddedText("it announces more than 4000 data sets.")
                                                              : AddedText("it holds no data set.")));
        return false;
    }
    image.clear();
    if (QFileInfo(path).absoluteFilePath() != QFileInfo(TempCollectionPath()).absoluteFilePath())
        SetCurrentCollectionPath(path);
    GraphDataSet(0);
    // What is shown now is a saved collection.
    if (ILoggerHost *host = LoggerHost())
        SetLoggerDataUnsaved(host->State(), false);
    return true;
}

QString LoggerDataUnsavedPath()
{
    return TempCollectionFolder() + QStringLiteral("/LoggerDataUnsaved");
}

void SetLoggerDataUnsaved(TAppState &state, bool unsaved)
{
    state.LoggerDataUnsaved = unsaved;
    const QString path = LoggerDataUnsavedPath();
    if (!unsaved) {
        QFile::remove(path);
        return;
    }
    QDir().mkpath(TempCollectionFolder());
    QString error;
    WriteFileWhole(path, QByteArray("1\n"), &error);
}

bool OfferUnsavedDownload(TAppState &state, QWidget *parent)
{
    if (!QFileInfo::exists(LoggerDataUnsavedPath()))
        return false;
    if (!QFileInfo(TempCollectionPath()).isFile()) {
        SetLoggerDataUnsaved(state, false);
        return false;
    }
    const int answer = Dialogs::Message(parent, Dialogs::Kind::Confirmation, TextOr("IDS_OPEN_UNSAVED_DOWNLOAD",
                                        "The data-logger data downloaded last time were never saved. Open them?"),
                                        Dialogs::Yes | Dialogs::No);
    if (answer != Dialogs::Yes) {
        SetLoggerDataUnsaved(state, false);
        return false;
    }
    const bool opened = OpenCollectionFile(TempCollectionPath(), parent);
    // Kept set either way: the download is still not saved.
    SetLoggerDataUnsaved(state, true);
    return opened;
}

bool AskToSaveUnsavedDownload(TAppState &state, QWidget *parent)
{
    if (!state.LoggerDataUnsaved)
        return true;
    const int answer = Dialogs::Message(parent, Dialogs::Kind::Confirmation, QStringLiteral("Save DataLogger Data ?"),
                                        Dialogs::Yes | Dialogs::No | Dialogs::Cancel);
    if (answer == Dialogs::Cancel)
        return false;
    if (answer == Dialogs::Yes)
        return SaveCollection(parent);
    return true;
}
