// Speed of the graph engine with the largest graphs the program makes:
// 99,999 samples x 5 subsets (the most points a real-time recording takes;
// a full logger memory holds 32768 records). Goals: bulk load and draw
// <= 25 ms, graph block save <= 15 ms, block load and draw <= 15 ms.
#include "gui/graph/engine/pesgraph.h"

#include <QTest>
#include <cmath>

namespace {
constexpr int kSubsets = 5;
constexpr int kPoints = 99999;

void fill(PESGraph &g)
{
    for (int p = 0; p < kPoints; ++p)
        for (int s = 0; s < kSubsets; ++s) {
            g.setXDataII(s, p, 46000.5 + p * 2 / 86400.0);
            g.setYData(s, p, float(10 * s + 5 * std::sin(p / 100.0)));
        }
}
} // namespace

class BenchPESGraph : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        graph = std::make_unique<PESGraph>();
        graph->resize(1000, 700);
        graph->setSubsets(kSubsets);
        graph->setPoints(kPoints);
        graph->setDateTimeMode(1);
        graph->show();
        QVERIFY(QTest::qWaitForWindowExposed(graph.get()));
    }
    void cleanup() { graph.reset(); }

    void fillCellsOneByOneAndRedraw()
    {
        QBENCHMARK {
            fill(*graph);
            graph->Redraw();
        }
    }

    // The real-time case: one sample more on a large graph, then a redraw.
    void appendOneSampleAndRedraw()
    {
        fill(*graph);
        graph->Redraw();
        int p = 0;
        QBENCHMARK {
            for (int s = 0; s < kSubsets; ++s) {
                graph->setXDataII(s, p, 46000.5 + p * 2 / 86400.0);
                graph->setYData(s, p, float(s));
            }
            graph->Redraw();
            p = (p + 1) % kPoints;
        }
    }

    void bulkLoadAndRedraw()
    {
        QVector<double> xs(kSubsets * kPoints);
        QVector<float> ys(kSubsets * kPoints);
        for (int i = 0; i < xs.size(); ++i) {
            xs[i] = 46000.5 + (i / kSubsets) * 2 / 86400.0;
            ys[i] = float(10 * (i % kSubsets) + 5 * std::sin((i / kSubsets) / 100.0));
        }
        QBENCHMARK {
            graph->LoadXData(xs.constData(), xs.size());
            graph->LoadYData(ys.constData(), ys.size());
            graph->Redraw();
        }
    }

    void saveBlock()
    {
        fill(*graph);
        QByteArray block;
        QBENCHMARK {
            block = graph->SaveGraphBlock();
        }
        QVERIFY(block.size() > kSubsets * kPoints * 12);
    }

    void loadBlockAndRedraw()
    {
        fill(*graph);
        const QByteArray block = graph->SaveGraphBlock();
        PESGraph other;
        other.resize(1000, 700);
        QBENCHMARK {
            QVERIFY(other.LoadGraphBlock(block));
            other.Redraw();
        }
    }

private:
    std::unique_ptr<PESGraph> graph;
};

QTEST_MAIN(BenchPESGraph)
#include "bench_pesgraph.moc"
