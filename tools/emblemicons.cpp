// Writes the program's emblem as the icons of the hicolor theme:
//
//   qm738-emblem-icons <output folder>
//
// gives <folder>/<n>x<n>/apps/qm738.png for each size a desktop shows. The
// files under resources/icons/hicolor/ are this program's output; run it again
// after changing the emblem and commit the result.

#include "gui/base/icons.h"

#include <QApplication>
#include <QDir>
#include <QImage>

#include <cstdio>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: qm738-emblem-icons <output folder>\n");
        return 2;
    }
    for (int n : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(n);
        QImage icon = MeterEmblem(QSize(n, n)).toImage().convertToFormat(QImage::Format_ARGB32);
        if (!QDir().mkpath(dir) || icon.size() != QSize(n, n) || !icon.save(dir + QStringLiteral("/qm738.png"))) {
            std::fprintf(stderr, "cannot write the %dx%d icon\n", n, n);
            return 1;
        }
    }
    return 0;
}
