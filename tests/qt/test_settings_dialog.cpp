// The settings dialog "Nastavení" driven through its controls.
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include "base/text.h"
#include "desktop/qt/help_window.h"
#include "desktop/qt/qt_text.h"
#include "desktop/qt/settings_dialog.h"
#include "tests/qt/qt_test_support.h"

using namespace zemo;
using namespace zemo::desktop;
using namespace zemo::desktop::ui;
namespace tq = zemo::test::qt;

class TestSettingsDialog : public QObject {
    Q_OBJECT

    QString dir_;

    Preferences stored() const {
        Preferences p = default_preferences("/home/user");
        p.audio = true;
        p.close_after_run = false;
        p.priority = 1;
        p.log_file = "/var/log/zemo/run.log";
        p.log_level = 2;
        return p;
    }

    static void show(QDialog& d) {
        d.show();
        QVERIFY(QTest::qWaitForWindowActive(&d));
    }

    // Changes every control the way a user does.
    static void change_everything(SettingsDialog& d) {
        tq::click(d.fST_Audio_Chk);
        tq::click(d.fST_Close_Chk);
        d.fST_Priority_TBar->setFocus();
        QTest::keyClick(d.fST_Priority_TBar, Qt::Key_Home);
        tq::type_text(d.fST_LogFn_Edt, QStringLiteral("/tmp/výpočet.log"));
        tq::click(d.level_none);
    }

    // Opens the log browser, checks it, and lets answer close it.
    // What the log-name browser showed when it was answered.
    struct Browsed {
        bool seen = false;
        QString title, filter, preset;
        QStringList filters;
        bool save_mode = false, no_overwrite_prompt = false;
    };

    // Presses the browse button and answers its dialog with answer; the
    // dialog is always answered, so that a wrong value cannot leave it open.
    static Browsed browse(SettingsDialog& d, std::function<void(QFileDialog*)> answer) {
        Browsed b;
        tq::answer_next_modal([&](QWidget* modal) {
            auto* files = qobject_cast<QFileDialog*>(modal);
            if (!files) return;
            b.seen = true;
            b.title = files->windowTitle();
            b.save_mode = files->acceptMode() == QFileDialog::AcceptSave;
            b.no_overwrite_prompt = files->testOption(QFileDialog::DontConfirmOverwrite);
            b.filters = files->nameFilters();
            b.filter = files->selectedNameFilter();
            b.preset = files->selectedFiles().value(0);
            answer(files);
        });
        tq::click(d.fST_LogFn_BtnO);
        return b;
    }

    static void check_browser(const Browsed& b, const QString& expected_filter) {
        QVERIFY(b.seen);
        QCOMPARE(b.title, QStringLiteral("Jméno LOG souboru"));
        QVERIFY(b.save_mode);
        QVERIFY(b.no_overwrite_prompt);
        QCOMPARE(b.filters,
                 (QStringList{QStringLiteral("LOG soubory (*.log)"), QStringLiteral("všechny soubory (*)")}));
        QCOMPARE(b.filter, expected_filter);
    }

private slots:
    void initTestCase() { dir_ = tq::fresh_directory(QStringLiteral("settings")); }
    void init() { requested_help_topics().clear(); }

    void shows_the_preferences() {
        Preferences prefs = stored();
        SettingsDialog d(prefs);
        QCOMPARE(d.windowTitle(), QStringLiteral("Nastavení"));
        QCOMPARE(d.toolTip(), QStringLiteral("Nastavení programu"));
        QVERIFY(d.fST_Audio_Chk->isChecked());
        QVERIFY(!d.fST_Close_Chk->isChecked());
        QCOMPARE(d.fST_Priority_TBar->minimum(), -2);
        QCOMPARE(d.fST_Priority_TBar->maximum(), 2);
        QCOMPARE(d.fST_Priority_TBar->value(), 1);
        QCOMPARE(d.fST_LogFn_Edt->text(), QStringLiteral("/var/log/zemo/run.log"));
        QVERIFY(!d.level_none->isChecked() && !d.level_standard->isChecked() && d.level_extended->isChecked());
        QVERIFY(d.ok_button->isDefault());
        QCOMPARE(d.level_none->text(), QStringLiteral("&Bez výpisu"));
        QCOMPARE(d.fST_Audio_Chk->text(), QStringLiteral("&Zvuková signalizace ukončení výpočtu"));
    }

    void values_out_of_range_choose_nothing() {
        Preferences prefs = stored();
        prefs.log_level = 7;
        prefs.priority = 9;
        SettingsDialog d(prefs);
        QCOMPARE(d.fST_Priority_TBar->value(), 0);
        QVERIFY(!d.level_none->isChecked() && !d.level_standard->isChecked() && !d.level_extended->isChecked());
        // "OK" without a choice stores the standard level.
        show(d);
        tq::click(d.ok_button);
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(prefs.log_level, 1);
        QCOMPARE(prefs.priority, 0);
    }

    void ok_stores_the_values() {
        Preferences prefs = stored();
        SettingsDialog d(prefs);
        show(d);
        change_everything(d);
        QCOMPARE(d.fST_Priority_TBar->value(), -2);
        QVERIFY(d.level_none->isChecked() && !d.level_extended->isChecked());
        tq::click(d.ok_button);
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(prefs.audio, false);
        QCOMPARE(prefs.close_after_run, true);
        QCOMPARE(prefs.priority, -2);
        QCOMPARE(prefs.log_file, std::string("/tmp/výpočet.log"_cz));
        QCOMPARE(prefs.log_level, 0);
        // The rest of the preferences is not the dialog's.
        QCOMPARE(prefs.last_path, stored().last_path);
        QCOMPARE(prefs.root_dir, stored().root_dir);
    }

    void storno_stores_nothing() {
        Preferences prefs = stored();
        SettingsDialog d(prefs);
        show(d);
        change_everything(d);
        tq::click(d.cancel_button);
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QVERIFY(prefs == stored());
    }

    void browse_adds_the_log_extension() {
        Preferences prefs = stored();
        prefs.log_file.clear();
        SettingsDialog d(prefs);
        show(d);
        const QString chosen = dir_ + QStringLiteral("/běh");
        Browsed b = browse(d, [&](QFileDialog* files) { tq::choose_in_file_dialog(files, chosen); });
        check_browser(b, QStringLiteral("LOG soubory (*.log)"));
        QCOMPARE(d.fST_LogFn_Edt->text(), chosen + QStringLiteral(".log"));

        // A name with an extension keeps it, and another extension presets
        // the filter of all files.
        tq::type_text(d.fST_LogFn_Edt, dir_ + QStringLiteral("/run.txt"));
        b = browse(d,
                   [&](QFileDialog* files) { tq::choose_in_file_dialog(files, dir_ + QStringLiteral("/jiny.out")); });
        check_browser(b, QStringLiteral("všechny soubory (*)"));
        QCOMPARE(b.preset, dir_ + QStringLiteral("/run.txt"));
        QCOMPARE(d.fST_LogFn_Edt->text(), dir_ + QStringLiteral("/jiny.out"));

        // Cancelling the browser leaves the field.
        b = browse(d, [](QFileDialog* files) { files->reject(); });
        check_browser(b, QStringLiteral("všechny soubory (*)"));
        QCOMPARE(d.fST_LogFn_Edt->text(), dir_ + QStringLiteral("/jiny.out"));
        QVERIFY(prefs.log_file.empty());  // nothing stored before "OK"
    }

    void help_topic_follows_the_focus() {
        Preferences prefs = stored();
        SettingsDialog d(prefs);
        show(d);
        d.fST_Priority_TBar->setFocus();
        QTest::keyClick(d.fST_Priority_TBar, Qt::Key_F1);
        d.fST_LogFn_Edt->setFocus();
        QTest::keyClick(d.fST_LogFn_Edt, Qt::Key_F1);
        d.level_standard->setFocus();
        QTest::keyClick(d.level_standard, Qt::Key_F1);
        QCOMPARE(requested_help_topics(), (QList<int>{221, 211, 211}));
    }
};

int main(int argc, char** argv) {
    tq::prepare_environment();
    QApplication app(argc, argv);
    TestSettingsDialog test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_settings_dialog.moc"
