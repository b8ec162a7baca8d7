#include "core/base/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
QString WithSlash(QString path)
{
    if (!path.isEmpty() && !path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

const char *kTemplate = "template/graph.ghf";
} // namespace

QString ProgramFolder()
{
    const QString exeDir = QCoreApplication::applicationDirPath();
    QDir dir(exeDir);
    if (dir.dirName() == QLatin1String("bin")) {
        const QString shared = QDir::cleanPath(exeDir + QStringLiteral("/../share/qm738"));
        if (QFileInfo(shared).isDir())
            return WithSlash(shared);
    }
    return WithSlash(exeDir);
}

QString SettleUserFolder(const QString &documentsFolder)
{
    if (documentsFolder.isEmpty())
        return QString();
    const QString docs = WithSlash(documentsFolder);
    const QString folder = docs + QStringLiteral("QM738/");
    if (QFileInfo(folder).isDir() || QDir().mkpath(folder))
        return folder;
    return docs;
}

QString DocumentsFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString DialogFolder(const QString &userFolder)
{
    return userFolder.isEmpty() ? ProgramFolder() : userFolder;
}

QString HelpFilePath()
{
    return ProgramFolder() + QStringLiteral("QM738HELP.htm");
}

namespace {
// The user's own copy, under the application data folder.
QString UserTemplatePath()
{
    return WithSlash(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)) + QLatin1String(kTemplate);
}
} // namespace

QString ShippedTemplatePath()
{
    return ProgramFolder() + QLatin1String(kTemplate);
}

QString TemplateReadPath()
{
    const QString user = UserTemplatePath();
    if (QFileInfo(user).isFile())
        return user;
    const QString shipped = ShippedTemplatePath();
    if (QFileInfo(shipped).isFile())
        return shipped;
    return QString();
}

QString TemplateWritePath()
{
    // Always the user's own copy: the program's folder is shared by every user
    // and read-only once installed.
    const QString user = UserTemplatePath();
    QDir().mkpath(QFileInfo(user).absolutePath());
    return user;
}
