#include "testregistry.h"

#include "graph/flowlayout.h"

#include <QPushButton>
#include <QtTest>

class TestFlowLayout : public QObject {
    Q_OBJECT
private slots:
    void wrapsInsteadOfOverlapping_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("rows");
        QTest::newRow("wide: one row") << 1000 << 1;
        QTest::newRow("narrow: two rows") << 330 << 2;
        QTest::newRow("too narrow: one item a row") << 120 << 4;
    }
    void wrapsInsteadOfOverlapping()
    {
        QFETCH(int, width);
        QFETCH(int, rows);
        QWidget strip;
        auto *flow = new TFlowLayout(&strip, 10, 4);
        flow->setContentsMargins(0, 0, 0, 0);
        QList<QPushButton *> items;
        for (int i = 0; i < 4; ++i) {
            auto *b = new QPushButton(&strip);
            b->setFixedSize(150, 24);
            flow->addWidget(b);
            items << b;
        }
        const int height = flow->heightForWidth(width);
        QCOMPARE(height, rows * 24 + (rows - 1) * 4);
        flow->setGeometry(QRect(0, 0, width, height));
        QSet<int> tops;
        for (int i = 0; i < items.size(); ++i) {
            tops << items[i]->y();
            for (int j = i + 1; j < items.size(); ++j)
                QVERIFY(!items[i]->geometry().intersects(items[j]->geometry()));
        }
        QCOMPARE(tops.size(), rows);
    }
};

QM738_REGISTER_TEST(TestFlowLayout)
#include "tst_flowlayout.moc"
