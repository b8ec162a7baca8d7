// The folders form layers: the core below the windows, the windows below the
// composition root. Every #include "folder/file.h" of every source file is
// checked against the table of folders each folder may use, so a break names
// its file and line instead of growing into a circle.
#include "testregistry.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QtTest>

namespace {

struct TLayerRule {
    const char *folder;
    QStringList mayUse; // folder prefixes; "core/" matches every core folder
};

// Ordered most specific first; the first rule whose folder starts the file's path applies.
const QVector<TLayerRule> &LayerRules()
{
    static const QVector<TLayerRule> rules{
        {"core/base/", {"core/base/"}},
        {"core/live/", {"core/base/", "core/live/"}},
        {"core/link/", {"core/base/", "core/live/", "core/link/"}},
        {"core/graph/", {"core/base/", "core/graph/"}},
        {"core/logger/", {"core/base/", "core/link/", "core/live/", "core/logger/"}},
        {"core/files/", {"core/base/", "core/live/", "core/graph/", "core/logger/", "core/files/"}},
        {"core/net/", {"core/base/", "core/live/", "core/net/"}},
        {"core/record/", {"core/base/", "core/live/", "core/graph/", "core/files/", "core/record/"}},
        {"core/archive/", {"core/base/", "core/live/", "core/logger/", "core/files/", "core/archive/"}},
        {"sim/", {"core/", "sim/"}},
        {"gui/base/", {"core/", "gui/base/"}},
        {"gui/live/", {"core/", "gui/base/", "gui/live/"}},
        {"gui/graph/engine/", {"core/", "gui/base/", "gui/graph/engine/"}},
        {"gui/graph/", {"core/", "gui/base/", "gui/graph/"}},
        {"gui/logger/", {"core/", "gui/base/", "gui/graph/", "gui/logger/"}},
        {"gui/files/", {"core/", "gui/base/", "gui/graph/", "gui/logger/", "gui/files/"}},
        {"app/", {"core/", "gui/", "sim/", "app/"}},
        {"cli/", {"core/", "sim/", "cli/"}},
        {"fuzz/", {"core/", "sim/", "gui/", "fuzz/"}},
        {"tools/", {"core/", "gui/", "tools/"}},
    };
    return rules;
}

const TLayerRule *RuleFor(const QString &path)
{
    for (const TLayerRule &rule : LayerRules())
        if (path.startsWith(QLatin1String(rule.folder)))
            return &rule;
    return nullptr;
}

} // namespace

class TestLayers : public QObject {
    Q_OBJECT
private slots:
    void includesFollowTheLayers()
    {
        const QDir root(QStringLiteral(QM738_SOURCE_DIR));
        static const QRegularExpression include(QStringLiteral("^\\s*#\\s*include\\s*\"([^\"]+)\""));
        QStringList breaks;
        int checked = 0;
        QDirIterator it(root.path(), {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString rel = root.relativeFilePath(it.next());
            const TLayerRule *rule = RuleFor(rel);
            if (!rule)
                continue; // tests, benchmarks and build trees use anything
            QFile file(it.filePath());
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(rel));
            int lineNo = 0;
            while (!file.atEnd()) {
                const QString line = QString::fromUtf8(file.readLine());
                ++lineNo;
                const QString target = include.match(line).captured(1);
                if (!target.contains(QLatin1Char('/')))
                    continue; // a file of the same folder
                ++checked;
                bool allowed = false;
                for (const QString &prefix : rule->mayUse)
                    allowed = allowed || target.startsWith(prefix);
                if (!allowed)
                    breaks << QStringLiteral("%1:%2: %3 may not include \"%4\"")
                                  .arg(rel).arg(lineNo).arg(QLatin1String(rule->folder), target);
            }
        }
        QVERIFY2(checked > 100, "too few include lines found: is QM738_SOURCE_DIR right?");
        QVERIFY2(breaks.isEmpty(), qPrintable(breaks.join(QLatin1Char('\n'))));
    }
};

QM738_REGISTER_TEST(TestLayers)
#include "tst_layers.moc"
