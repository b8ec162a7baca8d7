#pragma once
// The graph's own customisation dialog: titles, subsets, style, fonts, axis.

#include <QDialog>

class PESGraph;

class TGraphCustomizeDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TGraphCustomizeDialog(PESGraph *graph, QWidget *parent = nullptr);
};
