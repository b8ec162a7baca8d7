#pragma once
// The Y-scale dialog: minimum and maximum of the left Y axis, and whether the
// setting is kept in the graph template.

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

class TfrmSetupScale : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmSetupScale(QWidget *parent = nullptr);

    QGroupBox *GroupBox1 = nullptr;
    QLineEdit *edtT1Min = nullptr;
    QLineEdit *edtT1Max = nullptr;
    QCheckBox *chkSave = nullptr;
    QPushButton *BitBtn1 = nullptr;   // OK
    QPushButton *BitBtn2 = nullptr;   // Cancel
    // Groups of further channels, kept hidden.
    QGroupBox *GroupBox2 = nullptr, *GroupBox3 = nullptr, *GroupBox4 = nullptr;
};
