#include "gui/graph/window/graphcustomize.h"

#include "core/base/translation.h"

#include "gui/graph/engine/pesgraph.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <cfloat>

TGraphCustomizeDialog::TGraphCustomizeDialog(PESGraph *graph_, QWidget *parent)
    : QDialog(parent), graph(graph_), edited(graph_->model())
{
    setObjectName(QStringLiteral("GraphCustomizeDialog"));
    setWindowTitle(AddedText("Customize Graph"));
    auto *layout = new QVBoxLayout(this);
    pages = new QTabWidget(this);
    pages->setObjectName(QStringLiteral("pages"));
    layout->addWidget(pages);
    const TGraphModel &m = edited;

    if (m.allowPage1) {
        auto *page = new QWidget;
        page->setObjectName(QStringLiteral("pageGraph"));
        auto *form = new QFormLayout(page);
        edtMainTitle = new QLineEdit(m.mainTitle);
        edtSubTitle = new QLineEdit(m.subTitle);
        edtXAxisLabel = new QLineEdit(m.xAxisLabel);
        edtYAxisLabel = new QLineEdit(m.axes.value(0).label);
        edtMainTitle->setObjectName(QStringLiteral("edtMainTitle"));
        edtSubTitle->setObjectName(QStringLiteral("edtSubTitle"));
        edtXAxisLabel->setObjectName(QStringLiteral("edtXAxisLabel"));
        edtYAxisLabel->setObjectName(QStringLiteral("edtYAxisLabel"));
        form->addRow(AddedText("Main title"), edtMainTitle);
        form->addRow(AddedText("Subtitle"), edtSubTitle);
        form->addRow(AddedText("X axis label"), edtXAxisLabel);
        form->addRow(AddedText("Y axis label"), edtYAxisLabel);
        pages->addTab(page, AddedText("Graph"));
    }

    if (m.allowSubsetsPage) {
        auto *page = new QWidget;
        page->setObjectName(QStringLiteral("pageSubsets"));
        auto *grid = new QGridLayout(page);
        grid->addWidget(new QLabel(AddedText("Label")), 0, 0);
        grid->addWidget(new QLabel(AddedText("Colour")), 0, 1);
        grid->addWidget(new QLabel(AddedText("Line width")), 0, 2);
        for (int s = 0; s < m.subsets; ++s) {
            auto *label = new QLineEdit(m.labels[s]);
            auto *color = new QPushButton;
            auto *width = new QSpinBox;
            width->setRange(0, 20);
            width->setValue(m.lineWidths[s]);
            showColor(color, m.colors[s]);
            connect(color, &QPushButton::clicked, this, [this, color, s] { pickColor(color, &edited.colors[s]); });
            grid->addWidget(label, s + 1, 0);
            grid->addWidget(color, s + 1, 1);
            grid->addWidget(width, s + 1, 2);
            edtSubsetLabels.append(label);
            btnSubsetColors.append(color);
            spnLineWidths.append(width);
        }
        grid->setRowStretch(m.subsets + 1, 1);
        pages->addTab(page, AddedText("Subsets"));
    }

    if (m.allowPage2) {
        auto *page = new QWidget;
        page->setObjectName(QStringLiteral("pageStyle"));
        auto *form = new QFormLayout(page);
        cboGridStyle = new QComboBox;
        cboGridStyle->addItems({AddedText("Thin"), AddedText("Thick"), AddedText("Dotted"), AddedText("Dashed")});
        cboGridStyle->setCurrentIndex(m.gridStyle);
        cboGridLines = new QComboBox;
        cboGridLines->addItems({AddedText("Both axes"), AddedText("Y axis only"), AddedText("X axis only"), AddedText("None")});
        cboGridLines->setCurrentIndex(m.gridLines);
        cboPlottingMethod = new QComboBox;
        cboPlottingMethod->addItems({AddedText("Line"), AddedText("Points"), AddedText("Points and line")});
        cboPlottingMethod->setCurrentIndex(m.plottingMethod);
        form->addRow(AddedText("Grid style"), cboGridStyle);
        form->addRow(AddedText("Grid lines"), cboGridLines);
        form->addRow(AddedText("Plotting method"), cboPlottingMethod);
        const QString names[] = {AddedText("Desk colour"), AddedText("Graph foreground"), AddedText("Graph background"), AddedText("Text colour")};
        QColor *targets[] = {&edited.deskColor, &edited.foreColor, &edited.backColor, &edited.textColor};
        for (int i = 0; i < 4; ++i) {
            auto *button = new QPushButton;
            showColor(button, *targets[i]);
            QColor *target = targets[i];
            connect(button, &QPushButton::clicked, this, [this, button, target] { pickColor(button, target); });
            form->addRow(names[i], button);
            btnColors.append(button);
        }
        pages->addTab(page, AddedText("Style"));
    }

    if (m.allowFontPage) {
        auto *page = new QWidget;
        page->setObjectName(QStringLiteral("pageFonts"));
        auto *form = new QFormLayout(page);
        cboTitleFont = new QFontComboBox;
        cboTitleFont->setCurrentFont(m.titleFont);
        spnTitleSize = new QSpinBox;
        spnTitleSize->setRange(4, 72);
        spnTitleSize->setValue(qRound(m.titleFont.pointSizeF() > 0 ? m.titleFont.pointSizeF() : 12));
        cboLabelFont = new QFontComboBox;
        cboLabelFont->setCurrentFont(m.labelFont);
        spnLabelSize = new QSpinBox;
        spnLabelSize->setRange(4, 72);
        spnLabelSize->setValue(qRound(m.labelFont.pointSizeF() > 0 ? m.labelFont.pointSizeF() : 9));
        form->addRow(AddedText("Title font"), cboTitleFont);
        form->addRow(AddedText("Title size"), spnTitleSize);
        form->addRow(AddedText("Label font"), cboLabelFont);
        form->addRow(AddedText("Label size"), spnLabelSize);
        pages->addTab(page, AddedText("Fonts"));
    }

    if (m.allowAxisPage) {
        auto *page = new QWidget;
        page->setObjectName(QStringLiteral("pageAxis"));
        auto *form = new QFormLayout(page);
        const QStringList controls = {AddedText("Automatic"), AddedText("Manual minimum"), AddedText("Manual maximum"), AddedText("Manual")};
        cboScaleX = new QComboBox;
        cboScaleX->addItems(controls);
        cboScaleX->setCurrentIndex(m.scaleControlX);
        cboScaleY = new QComboBox;
        cboScaleY->addItems(controls);
        cboScaleY->setCurrentIndex(m.axes.value(0).control);
        spnMinY = new QDoubleSpinBox;
        spnMaxY = new QDoubleSpinBox;
        for (QDoubleSpinBox *spin : {spnMinY, spnMaxY}) {
            spin->setRange(-1e9, 1e9);
            spin->setDecimals(2);
        }
        spnMinY->setValue(m.axes.value(0).minY);
        spnMaxY->setValue(m.axes.value(0).maxY);
        form->addRow(AddedText("X scale"), cboScaleX);
        form->addRow(AddedText("Y scale"), cboScaleY);
        form->addRow(AddedText("Y minimum"), spnMinY);
        form->addRow(AddedText("Y maximum"), spnMaxY);
        pages->addTab(page, AddedText("Axis"));
    }

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

bool TGraphCustomizeDialog::hasPage(const QString &objectName) const
{
    return pageNames().contains(objectName);
}

QStringList TGraphCustomizeDialog::pageNames() const
{
    QStringList names;
    for (int i = 0; i < pages->count(); ++i)
        names << pages->widget(i)->objectName();
    return names;
}

void TGraphCustomizeDialog::showColor(QPushButton *button, const QColor &color)
{
    button->setText(color.name());
    button->setStyleSheet(QStringLiteral("background-color: %1; color: %2")
                              .arg(color.name(), qGray(color.rgb()) > 110 ? QStringLiteral("black")
                                                                         : QStringLiteral("white")));
}

void TGraphCustomizeDialog::pickColor(QPushButton *button, QColor *target)
{
    const QColor chosen = QColorDialog::getColor(*target, this);
    if (!chosen.isValid())
        return;
    *target = chosen;
    showColor(button, chosen);
}

void TGraphCustomizeDialog::setSubsetColor(int subset, const QColor &color)
{
    if (subset < 0 || subset >= edited.subsets)
        return;
    edited.colors[subset] = color;
    if (subset < btnSubsetColors.size())
        showColor(btnSubsetColors[subset], color);
}

void TGraphCustomizeDialog::setColor(int which, const QColor &color)
{
    QColor *targets[] = {&edited.deskColor, &edited.foreColor, &edited.backColor, &edited.textColor};
    if (which < 0 || which > 3)
        return;
    *targets[which] = color;
    if (which < btnColors.size())
        showColor(btnColors[which], color);
}

TGraphModel TGraphCustomizeDialog::result() const
{
    // Start from the graph as it is now (cells may have changed while the
    // dialog was open) and put in only what the dialog edits.
    TGraphModel m = graph->model();
    for (int s = 0; s < m.subsets && s < edited.subsets; ++s)
        m.colors[s] = edited.colors[s];
    m.deskColor = edited.deskColor;
    m.foreColor = edited.foreColor;
    m.backColor = edited.backColor;
    m.textColor = edited.textColor;
    if (edtMainTitle) {
        m.mainTitle = edtMainTitle->text();
        m.subTitle = edtSubTitle->text();
        m.xAxisLabel = edtXAxisLabel->text();
        m.axes[0].label = edtYAxisLabel->text();
    }
    for (int s = 0; s < edtSubsetLabels.size() && s < m.subsets; ++s) {
        m.labels[s] = edtSubsetLabels[s]->text();
        m.lineWidths[s] = spnLineWidths[s]->value();
    }
    if (cboGridStyle) {
        m.gridStyle = cboGridStyle->currentIndex();
        m.gridLines = cboGridLines->currentIndex();
        m.plottingMethod = cboPlottingMethod->currentIndex();
    }
    if (cboTitleFont) {
        QFont title = cboTitleFont->currentFont();
        title.setBold(m.titleFont.bold());
        title.setPointSize(spnTitleSize->value());
        m.titleFont = title;
        QFont label = cboLabelFont->currentFont();
        label.setPointSize(spnLabelSize->value());
        m.labelFont = label;
    }
    if (cboScaleX) {
        m.scaleControlX = cboScaleX->currentIndex();
        m.axes[0].control = cboScaleY->currentIndex();
        m.axes[0].minY = spnMinY->value();
        m.axes[0].maxY = spnMaxY->value();
    }
    return m;
}

void TGraphCustomizeDialog::apply()
{
    graph->setModel(result());
}

namespace {
GraphCustomizeHook &customizeHook()
{
    static GraphCustomizeHook hook;
    return hook;
}
} // namespace

int RunGraphCustomize(PESGraph &graph)
{
    TGraphCustomizeDialog dialog(&graph, graph.window());
    const int answer = customizeHook() ? customizeHook()(dialog) : dialog.exec();
    if (answer != QDialog::Accepted)
        return 0;
    dialog.apply();
    graph.Redraw();
    return 1;
}

void InstallGraphCustomize()
{
    PESGraph::setCustomizeOpener(&RunGraphCustomize);
}

void SetGraphCustomizeHook(GraphCustomizeHook hook)
{
    customizeHook() = std::move(hook);
    InstallGraphCustomize();
}
