#pragma once
// The annotation text editor: one edit, OK and Cancel.

#include <QDialog>

class QLineEdit;
class QPushButton;

class TfrmAnnoEdit : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmAnnoEdit(QWidget *parent = nullptr);

    QLineEdit *Edit1 = nullptr;
    QPushButton *BitBtn1 = nullptr;   // OK
    QPushButton *BitBtn2 = nullptr;   // Cancel
};
