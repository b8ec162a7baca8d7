#include "gui/graph/window/setupscale.h"

#include "gui/base/langapply.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmSetupScale::TfrmSetupScale(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSetupScale"));
    setWindowTitle(QStringLiteral("Y Axis Maximum And Minimum Scale Setup"));
    setModal(true);

    GroupBox1 = new QGroupBox(QStringLiteral("Y Axis Maximum And Minimum Scale Setup"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    edtT1Min = new QLineEdit(GroupBox1);
    edtT1Min->setObjectName(QStringLiteral("edtT1Min"));
    edtT1Max = new QLineEdit(GroupBox1);
    edtT1Max->setObjectName(QStringLiteral("edtT1Max"));
    auto *lblMax = new QLabel(QStringLiteral("MAX"), GroupBox1);
    lblMax->setObjectName(QStringLiteral("Label2"));
    auto *lblMin = new QLabel(QStringLiteral("MIN"), GroupBox1);
    lblMin->setObjectName(QStringLiteral("Label1"));
    auto *form = new QFormLayout(GroupBox1);
    form->addRow(lblMax, edtT1Max);
    form->addRow(lblMin, edtT1Min);

    chkSave = new QCheckBox(QStringLiteral("Save this setting "), this);
    chkSave->setObjectName(QStringLiteral("chkSave"));

    int n = 2;
    for (QGroupBox **g : {&GroupBox2, &GroupBox3, &GroupBox4}) {
        static const char *titles[] = {"T1", "T2", "T4"};
        *g = new QGroupBox(QLatin1String(titles[n - 2]), this);
        (*g)->setObjectName(QStringLiteral("GroupBox%1").arg(n));
        (*g)->hide();
        ++n;
    }

    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(chkSave);
    buttons->addStretch(1);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addLayout(buttons);

    ApplyTranslation(this, QStringLiteral("frmSetupScale"));
}
