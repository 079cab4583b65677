// The catalogue window "Znečišťující látky" (fixed size, centred on the main
// window) and its "Nová látka" dialog. Every decision comes from
// CatalogueEditor (desktop/logic/catalogue_editor.h); the window only moves
// texts between its controls and the editor and shows the editor's replies.
#pragma once

#include <QDialog>

#include <string>

#include "desktop/logic/catalogue_editor.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace zemo::desktop::ui {

class CatalogueWindow : public QDialog {
    Q_OBJECT
public:
    // catalogue: the main window's catalogue, edited in place; path: the
    // catalogue file; decimal_separator: the system's decimal separator.
    CatalogueWindow(PollutantCatalogue& catalogue, std::string path, char decimal_separator, QWidget* parent = nullptr);
    ~CatalogueWindow() override;

    // The reply the window closed with (result Ok or Cancel, and whether the
    // catalogue really changed).
    const CatalogueReply& reply() const { return reply_; }

    // The controls, by their documented names, for the tests.
    QListWidget* fP_PolList_Lst = nullptr;
    QLineEdit* fP_PolUsr_Edt = nullptr;
    QComboBox* fP_PolID_Cbx = nullptr;
    QLineEdit* fP_PolLimit1_Edt = nullptr;
    QLineEdit* fP_PolLimit2_Edt = nullptr;
    QLineEdit* fP_PolRem_Edt = nullptr;
    QLabel* fP_PolRem_Lbl = nullptr;
    QPushButton* fP_Add_Btn = nullptr;
    QPushButton* fP_Del_Btn = nullptr;
    QPushButton* fP_Save_Btn = nullptr;
    QPushButton* fP_Cancel_Btn = nullptr;

public slots:
    // "Storno", Escape and closing the window: the editor's cancel().
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    struct Impl;
    Impl* impl_ = nullptr;
    CatalogueReply reply_;
};

// The "Nová látka" dialog: "Název látky:" (at most 30 characters), "OK"
// enabled only while the field is not empty, "Storno".
class NewNameDialog : public QDialog {
    Q_OBJECT
public:
    explicit NewNameDialog(QWidget* parent = nullptr);
    // The accepted name (Windows-1250).
    std::string name() const;

public slots:
    // "OK": a name the editor refuses gives its message, and the dialog stays.
    void accept() override;

public:
    QLineEdit* Edit_PolNew = nullptr;
    QPushButton* ok_button = nullptr;
    QPushButton* cancel_button = nullptr;
};

}  // namespace zemo::desktop::ui
