#include "desktop/qt/settings_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSlider>
#include <QVBoxLayout>

#include "base/text.h"
#include "desktop/qt/help_window.h"
#include "desktop/qt/qt_text.h"

namespace zemo::desktop::ui {

namespace {

// Help topics: the dialog and its priority slider have their own page, the
// other controls share the page of the program's settings.
constexpr int kDialogHelpTopic = 221;
constexpr int kControlHelpTopic = 211;
constexpr const char* kHelpTopicProperty = "zemo_help_topic";

void set_help_topic(QWidget* widget, int topic) { widget->setProperty(kHelpTopicProperty, topic); }

// The topic of the focused control, or of the nearest parent that has one.
int help_topic_of(QWidget* widget, QWidget* dialog) {
    for (; widget && widget != dialog; widget = widget->parentWidget()) {
        const QVariant topic = widget->property(kHelpTopicProperty);
        if (topic.isValid()) return topic.toInt();
    }
    return kDialogHelpTopic;
}

}  // namespace

SettingsDialog::SettingsDialog(Preferences& prefs, QWidget* parent) : QDialog(parent), prefs_(prefs) {
    setWindowTitle(qt_text("Nastavení"_cz));
    setToolTip(qt_text("Nastavení programu"_cz));

    fST_Audio_Chk = new QCheckBox(qt_text("&Zvuková signalizace ukončení výpočtu"_cz), this);
    fST_Audio_Chk->setObjectName(QStringLiteral("fST_Audio_Chk"));
    fST_Close_Chk = new QCheckBox(qt_text("Po &ukončení výpočtu zavřít program"_cz), this);
    fST_Close_Chk->setObjectName(QStringLiteral("fST_Close_Chk"));

    auto* priority_label = new QLabel(qt_text("Priorita výpočtu:"_cz), this);
    fST_Priority_TBar = new QSlider(Qt::Horizontal, this);
    fST_Priority_TBar->setObjectName(QStringLiteral("fST_Priority_TBar"));
    fST_Priority_TBar->setRange(kPriorityLowest, kPriorityHighest);
    fST_Priority_TBar->setSingleStep(1);
    fST_Priority_TBar->setPageStep(1);
    fST_Priority_TBar->setTickPosition(QSlider::TicksBelow);
    fST_Priority_TBar->setTickInterval(1);
    auto* minus = new QLabel(QStringLiteral("-"), this);
    auto* plus = new QLabel(QStringLiteral("+"), this);

    auto* log_label = new QLabel(qt_text("Jméno &LOG souboru:"_cz), this);
    fST_LogFn_Edt = new QLineEdit(this);
    fST_LogFn_Edt->setObjectName(QStringLiteral("fST_LogFn_Edt"));
    log_label->setBuddy(fST_LogFn_Edt);
    fST_LogFn_BtnO = new QPushButton(QStringLiteral("..."), this);
    fST_LogFn_BtnO->setObjectName(QStringLiteral("fST_LogFn_BtnO"));
    fST_LogFn_BtnO->setAutoDefault(false);
    fST_LogFn_BtnO->setFixedWidth(fST_LogFn_BtnO->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 16);

    auto* level_box = new QGroupBox(qt_text("Úroveň &výpisu:"_cz), this);
    level_none = new QRadioButton(qt_text("&Bez výpisu"_cz), level_box);
    level_standard = new QRadioButton(qt_text("&Standardní"_cz), level_box);
    level_extended = new QRadioButton(qt_text("&Rozšířená"_cz), level_box);
    auto* levels = new QButtonGroup(this);
    levels->addButton(level_none, 0);
    levels->addButton(level_standard, 1);
    levels->addButton(level_extended, 2);

    ok_button = new QPushButton(QStringLiteral("OK"), this);
    ok_button->setDefault(true);
    cancel_button = new QPushButton(qt_text("Storno"_cz), this);
    cancel_button->setAutoDefault(false);

    auto* level_layout = new QVBoxLayout(level_box);
    level_layout->addWidget(level_none);
    level_layout->addWidget(level_standard);
    level_layout->addWidget(level_extended);
    auto* priority_row = new QHBoxLayout;
    priority_row->addWidget(minus);
    priority_row->addWidget(fST_Priority_TBar, 1);
    priority_row->addWidget(plus);
    auto* log_row = new QHBoxLayout;
    log_row->addWidget(fST_LogFn_Edt, 1);
    log_row->addWidget(fST_LogFn_BtnO);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_button);
    buttons->addWidget(cancel_button);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fST_Audio_Chk);
    layout->addWidget(fST_Close_Chk);
    layout->addWidget(priority_label);
    layout->addLayout(priority_row);
    layout->addWidget(log_label);
    layout->addLayout(log_row);
    layout->addWidget(level_box);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    for (QWidget* w : {static_cast<QWidget*>(fST_Priority_TBar), static_cast<QWidget*>(priority_label),
                       static_cast<QWidget*>(minus), static_cast<QWidget*>(plus)})
        set_help_topic(w, kDialogHelpTopic);
    for (QWidget* w :
         {static_cast<QWidget*>(fST_Audio_Chk), static_cast<QWidget*>(fST_Close_Chk), static_cast<QWidget*>(log_label),
          static_cast<QWidget*>(fST_LogFn_Edt), static_cast<QWidget*>(fST_LogFn_BtnO), static_cast<QWidget*>(level_box),
          static_cast<QWidget*>(ok_button), static_cast<QWidget*>(cancel_button)})
        set_help_topic(w, kControlHelpTopic);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] { show_help(help_topic_of(focusWidget(), this)); });

    const SettingsDialogValues values = settings_dialog_values(prefs_);
    fST_Audio_Chk->setChecked(values.audio);
    fST_Close_Chk->setChecked(values.close_after_run);
    fST_Priority_TBar->setValue(values.priority);
    fST_LogFn_Edt->setText(qt_text(values.log_file));
    if (QAbstractButton* option = levels->button(values.log_option)) option->setChecked(true);

    connect(fST_LogFn_BtnO, &QPushButton::clicked, this, [this] {
        const std::string name = logic_text(fST_LogFn_Edt->text());
        QFileDialog dialog(this, qt_text("Jméno LOG souboru"_cz));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        const QStringList filters = qt_name_filters("LOG soubory|*.log|všechny soubory|*"_cz);
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters.value(log_dialog_filter(name) - 1));
        if (!name.empty()) dialog.selectFile(qt_text(name));
        // As a save dialog does, it stays open until the chosen file's
        // directory exists.
        while (dialog.exec() == QDialog::Accepted) {
            const QString chosen = dialog.selectedFiles().value(0);
            if (chosen.isEmpty() || !QFileInfo(chosen).absoluteDir().exists()) continue;
            fST_LogFn_Edt->setText(qt_text(log_name_with_extension(logic_text(QDir::toNativeSeparators(chosen)))));
            break;
        }
    });
    connect(ok_button, &QPushButton::clicked, this, [this, levels] {
        SettingsDialogValues chosen;
        chosen.audio = fST_Audio_Chk->isChecked();
        chosen.close_after_run = fST_Close_Chk->isChecked();
        chosen.priority = fST_Priority_TBar->value();
        chosen.log_file = logic_text(fST_LogFn_Edt->text());
        chosen.log_option = levels->checkedId();
        settings_dialog_store(chosen, prefs_);
        accept();
    });
    connect(cancel_button, &QPushButton::clicked, this, &SettingsDialog::reject);
}

}  // namespace zemo::desktop::ui
