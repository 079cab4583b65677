// The settings dialog "Nastavení" (fixed size, centred on the main window).
// The values come from and go to settings_dialog_values /
// settings_dialog_store (desktop/logic/preferences.h); "OK" stores them into
// the preferences in memory, "Storno" stores nothing.
#pragma once

#include <QDialog>

#include "desktop/logic/preferences.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;

namespace zemo::desktop::ui {

class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    SettingsDialog(Preferences& prefs, QWidget* parent = nullptr);

    QCheckBox* fST_Audio_Chk = nullptr;
    QCheckBox* fST_Close_Chk = nullptr;
    QSlider* fST_Priority_TBar = nullptr;
    QLineEdit* fST_LogFn_Edt = nullptr;
    QPushButton* fST_LogFn_BtnO = nullptr;
    QRadioButton* level_none = nullptr;      // "&Bez výpisu"
    QRadioButton* level_standard = nullptr;  // "&Standardní"
    QRadioButton* level_extended = nullptr;  // "&Rozšířená"
    QPushButton* ok_button = nullptr;
    QPushButton* cancel_button = nullptr;

private:
    Preferences& prefs_;
};

}  // namespace zemo::desktop::ui
