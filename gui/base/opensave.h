#pragma once
// The open/save chooser: asks whether a command concerns the whole data-set
// collection (*.738) or a single file. Three buttons close it with a result:
// btnOpenSets -> Dialogs::Ok, btnOpenSingleSet -> Dialogs::No,
// Button1 (or closing the box) -> Dialogs::Cancel.

#include <QDialog>

class QPushButton;

class TfrmOpenSave : public QDialog
{
    Q_OBJECT
public:
    enum Role { SaveRole, OpenRole };

    explicit TfrmOpenSave(Role role, QWidget *parent = nullptr);

    Role role() const { return m_role; }
    // The button pressed as Dialogs::Ok, Dialogs::No or Dialogs::Cancel.
    int Answer() const;

    QPushButton *btnOpenSets = nullptr;
    QPushButton *btnOpenSingleSet = nullptr;
    QPushButton *Button1 = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FitCaptions();
    Role m_role;
};

// Captions of the Open role, fixed in French whatever the language.
QString OpenRoleSetsCaption();
QString OpenRoleSingleCaption();
