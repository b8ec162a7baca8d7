#include "testregistry.h"

#include "gui/graph/window/flowlayout.h"

#include <QPushButton>
#include <QtTest>

class TestFlowLayout : public QObject {
    Q_OBJECT
private slots:
    void wrapsInsteadOfOverlapping_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("fill");
        QTest::newRow("wide: one row") << 1000 << 1 << false;
        QTest::newRow("narrow: two rows") << 330 << 2 << false;
        QTest::newRow("too narrow: one item a row") << 120 << 4 << false;
        QTest::newRow("wide, filled: edge to edge") << 1000 << 1 << true;
        QTest::newRow("narrow, filled: two full rows") << 330 << 2 << true;
    }
    void wrapsInsteadOfOverlapping()
    {
        QFETCH(int, width);
        QFETCH(int, rows);
        QFETCH(bool, fill);
        QWidget strip;
        auto *flow = new TFlowLayout(&strip, 10, 4);
        flow->setContentsMargins(0, 0, 0, 0);
        flow->setFillRows(fill);
        QList<QPushButton *> items;
        for (int i = 0; i < 4; ++i) {
            auto *b = new QPushButton(&strip);
            b->setMinimumSize(150, 24);
            b->setMaximumHeight(24);
            b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
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
        // Filled rows end at the right edge; others keep their items' size.
        for (QPushButton *b : items)
            if (b == items.last() || items[items.indexOf(b) + 1]->y() != b->y())
                QCOMPARE(b->geometry().right() == width - 1, fill);
    }
};

QM738_REGISTER_TEST(TestFlowLayout)
#include "tst_flowlayout.moc"
