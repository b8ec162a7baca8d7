#include "gui/base/dialogs.h"
#include "core/base/translation.h"
#include "testregistry.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

namespace {
// Answers the next message box with the button whose text is `answer` (or
// with Escape when empty) and records what the box showed.
struct BoxReader {
    QString title;
    QStringList buttons;
    void answerNext(const QString &answer)
    {
        QTimer::singleShot(50, [this, answer] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            title = box->windowTitle();
            QAbstractButton *target = nullptr;
            for (QAbstractButton *b : box->buttons()) {
                buttons << b->text();
                if (b->text() == answer)
                    target = b;
            }
            if (target)
                target->click();
            else
                QTest::keyClick(box, Qt::Key_Escape);
        });
    }
};
} // namespace

class TestDialogs : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { Dialogs::SetMessageHandler({}); }

    void messageBoxesSpeakFrench_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<QString>("click");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<int>("answer");
        QTest::newRow("question") << int(Dialogs::Kind::Confirmation)
                                  << int(Dialogs::Yes | Dialogs::No | Dialogs::Cancel) << "&Non"
                                  << "Confirmer" << QStringList{"&oui", "&Non", "Annuler"} << int(Dialogs::No);
        QTest::newRow("escape cancels") << int(Dialogs::Kind::Confirmation)
                                        << int(Dialogs::Yes | Dialogs::No | Dialogs::Cancel) << ""
                                        << "Confirmer" << QStringList{"&oui", "&Non", "Annuler"}
                                        << int(Dialogs::Cancel);
        QTest::newRow("error") << int(Dialogs::Kind::Error) << int(Dialogs::Ok) << "OK" << "Erreur"
                               << QStringList{"OK"} << int(Dialogs::Ok);
        QTest::newRow("warning yes") << int(Dialogs::Kind::Warning) << int(Dialogs::Yes | Dialogs::No)
                                     << "&oui" << "Attention" << QStringList{"&oui", "&Non"} << int(Dialogs::Yes);
    }
    void messageBoxesSpeakFrench()
    {
        QFETCH(int, kind);
        QFETCH(int, buttons);
        QFETCH(QString, click);
        QFETCH(QString, title);
        QFETCH(QStringList, texts);
        QFETCH(int, answer);
        BoxReader reader;
        reader.answerNext(click);
        const int result = Dialogs::Message(nullptr, Dialogs::Kind(kind), QStringLiteral("?"), buttons);
        QCOMPARE(reader.title, title);
        QCOMPARE(reader.buttons.size(), texts.size());
        for (const QString &t : texts)
            QVERIFY2(reader.buttons.contains(t), qPrintable(reader.buttons.join('|')));
        QCOMPARE(result, answer);
    }

    void handlerAnswersInsteadOfAPerson()
    {
        Dialogs::MessageRequest seen;
        Dialogs::SetMessageHandler([&](const Dialogs::MessageRequest &r) {
            seen = r;
            return int(Dialogs::Yes);
        });
        QCOMPARE(Dialogs::Message(nullptr, Dialogs::Kind::Warning, QStringLiteral("Save?"),
                                  Dialogs::Yes | Dialogs::No),
                 int(Dialogs::Yes));
        QCOMPARE(seen.text, QStringLiteral("Save?"));
        QCOMPARE(seen.buttons, int(Dialogs::Yes | Dialogs::No));
    }
};

QM738_REGISTER_TEST(TestDialogs)
#include "tst_dialogs.moc"
