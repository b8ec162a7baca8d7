#include "testregistry.h"

#include "graph/graphmodel.h"
#include "graph/pesgraph.h"

#include <QTest>

class TestPESGraph : public QObject
{
    Q_OBJECT
private slots:
    void pointsShrinkKeepsCells();
};

void TestPESGraph::pointsShrinkKeepsCells()
{
    PESGraph g;
    g.setSubsets(2);
    g.setPoints(10);
    g.setYData(1, 3, 42.5f);
    g.setXDataII(1, 3, 45000.25);
    g.setPoints(4);
    QCOMPARE(g.YData(1, 3), 42.5f);
    QCOMPARE(g.XDataII(1, 3), 45000.25);
}

QM738_REGISTER_TEST(TestPESGraph)
#include "tst_pesgraph.moc"
