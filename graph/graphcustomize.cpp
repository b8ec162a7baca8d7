#include "graph/graphcustomize.h"

#include "graph/pesgraph.h"

TGraphCustomizeDialog::TGraphCustomizeDialog(PESGraph *graph, QWidget *parent)
    : QDialog(parent)
{
    Q_UNUSED(graph);
}
