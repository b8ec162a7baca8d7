#pragma once
// The graph's own customisation dialog. It edits a copy of the graph's model
// and writes it back only on `apply()` (sgCustomize calls it when the dialog
// is accepted). Pages, each present only when the graph allows it:
//   "Graph"   (AllowPage1)       main title, subtitle, X and Y axis labels
//   "Subsets" (AllowSubsetsPage) label, colour and line width of every subset
//   "Style"   (AllowPage2)       grid style and lines, plotting method, colours
//   "Fonts"   (AllowFontPage)    title font and label font
//   "Axis"    (AllowAxisPage)    X scale and the Y scale of axis 0
// Widgets are public so tests can fill them in without a person.

#include "core/graph/graphmodel.h"

#include <QDialog>
#include <functional>
#include <QVector>

class PESGraph;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFontComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;

class TGraphCustomizeDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TGraphCustomizeDialog(PESGraph *graph, QWidget *parent = nullptr);

    bool hasPage(const QString &objectName) const;   // pageGraph, pageSubsets, pageStyle, pageFonts, pageAxis
    QStringList pageNames() const;                   // objectNames of the pages present, in order
    TGraphModel result() const;                      // the graph's model with the dialog's choices
    void apply();                                    // write result() into the graph

    void setSubsetColor(int subset, const QColor &color);
    void setColor(int which, const QColor &color);   // 0 desk, 1 fore, 2 back, 3 text

    QTabWidget *pages = nullptr;
    // Graph page
    QLineEdit *edtMainTitle = nullptr;
    QLineEdit *edtSubTitle = nullptr;
    QLineEdit *edtXAxisLabel = nullptr;
    QLineEdit *edtYAxisLabel = nullptr;
    // Subsets page
    QVector<QLineEdit *> edtSubsetLabels;
    QVector<QPushButton *> btnSubsetColors;
    QVector<QSpinBox *> spnLineWidths;
    // Style page
    QComboBox *cboGridStyle = nullptr;
    QComboBox *cboGridLines = nullptr;
    QComboBox *cboPlottingMethod = nullptr;
    QVector<QPushButton *> btnColors;                // desk, fore, back, text
    // Fonts page
    QFontComboBox *cboTitleFont = nullptr;
    QSpinBox *spnTitleSize = nullptr;
    QFontComboBox *cboLabelFont = nullptr;
    QSpinBox *spnLabelSize = nullptr;
    // Axis page
    QComboBox *cboScaleX = nullptr;
    QComboBox *cboScaleY = nullptr;
    QDoubleSpinBox *spnMinY = nullptr;
    QDoubleSpinBox *spnMaxY = nullptr;

private:
    void pickColor(QPushButton *button, QColor *target);
    static void showColor(QPushButton *button, const QColor &color);

    PESGraph *graph;
    TGraphModel edited;
};

// Opens the dialog on `graph` (the hook below answers it in tests); when it
// is confirmed, writes it into the graph and redraws. 1 when confirmed.
int RunGraphCustomize(PESGraph &graph);
// Registers RunGraphCustomize as the graph engine's customisation dialog
// (graph windows do it when they are made).
void InstallGraphCustomize();
// Seam replacing the modal dialog (tests): the hook gets the built dialog and
// returns its result (QDialog::Accepted applies it); an empty function
// restores the real dialog. Installs the dialog as InstallGraphCustomize.
using GraphCustomizeHook = std::function<int(TGraphCustomizeDialog &)>;
void SetGraphCustomizeHook(GraphCustomizeHook hook);
