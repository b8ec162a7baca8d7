#include "core/base/appstate.h"
#include "core/base/paths.h"
#include "core/base/settings.h"
#include "testregistry.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void init() { QSettings(QStringLiteral("QM738"), QStringLiteral("QM738")).clear(); }
    void cleanupTestCase() { init(); }

    void eachValueFallsBackOnItsOwn_data()
    {
        QTest::addColumn<QVariant>("rate");
        QTest::addColumn<QVariant>("color");
        QTest::addColumn<int>("expectedRate");
        QTest::addColumn<int>("expectedColor");
        // Without a stored colour annotations are white, so they show on the black graph;
        // a stored colour, black included, is used as it is.
        QTest::newRow("missing") << QVariant() << QVariant() << 2 << 0xFFFFFF;
        QTest::newRow("both stored") << QVariant(7) << QVariant(255) << 7 << 255;
        QTest::newRow("black stored") << QVariant(7) << QVariant(0) << 7 << 0;
        QTest::newRow("rate not integer") << QVariant("2.5") << QVariant(16711680) << 2 << 16711680;
        QTest::newRow("color text") << QVariant(90) << QVariant("red") << 90 << 0xFFFFFF;
        QTest::newRow("empty texts") << QVariant("") << QVariant("") << 2 << 0xFFFFFF;
        QTest::newRow("numbers as text") << QVariant(" 5 ") << QVariant("12") << 5 << 12;
    }
    void eachValueFallsBackOnItsOwn()
    {
        QFETCH(QVariant, rate);
        QFETCH(QVariant, color);
        QFETCH(int, expectedRate);
        QFETCH(int, expectedColor);
        {
            QSettings s(QStringLiteral("QM738"), QStringLiteral("QM738"));
            if (rate.isValid())
                s.setValue("RealTimeRate", rate);
            if (color.isValid())
                s.setValue("AnnoColor", color);
        }
        TAppState state;
        state.RealTimeRate = -1;
        state.AnnoColor = -1;
        ReadSettings(state);
        QCOMPARE(state.RealTimeRate, expectedRate);
        QCOMPARE(state.AnnoColor, expectedColor);
    }

    void writesBothValues()
    {
        TAppState state;
        state.RealTimeRate = 90;
        state.AnnoColor = 0x0000FF;
        WriteSettings(state);
        TAppState back;
        ReadSettings(back);
        QCOMPARE(back.RealTimeRate, 90);
        QCOMPARE(back.AnnoColor, 0x0000FF);
    }

    void settlesTheUserFolder()
    {
        QTemporaryDir docs;
        // Present documents folder: QM738/ is created beneath it.
        const QString folder = SettleUserFolder(docs.path());
        QCOMPARE(folder, docs.path() + QStringLiteral("/QM738/"));
        QVERIFY(QDir(folder).exists());
        // Already there: kept.
        QCOMPARE(SettleUserFolder(docs.path() + "/"), folder);
        // No documents folder: empty, and dialogs open in the program's folder.
        QCOMPARE(SettleUserFolder(QString()), QString());
        QCOMPARE(DialogFolder(QString()), ProgramFolder());
        QCOMPARE(DialogFolder(folder), folder);
    }

    void fallsBackToDocumentsWhenTheFolderCannotBeMade()
    {
        QTemporaryDir docs;
        // A file named QM738 stands where the folder would go.
        QFile blocker(docs.path() + "/QM738");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QCOMPARE(SettleUserFolder(docs.path()), docs.path() + QStringLiteral("/"));
    }

    void programFolderEndsInSlash()
    {
        QVERIFY(ProgramFolder().endsWith(QLatin1Char('/')));
        QVERIFY(HelpFilePath().endsWith(QLatin1String("/QM738HELP.htm")));
        QVERIFY(TemplateWritePath().endsWith(QLatin1String("template/graph.ghf")));
    }
};

QM738_REGISTER_TEST(TestSettings)
#include "tst_settings.moc"
