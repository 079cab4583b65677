// The main window driven through its controls: typing into fields, clicking
// buttons and options, answering its message boxes and file dialogs, and a
// whole run of the example town on the worker thread compared byte for byte
// with the console program.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <memory>

#include "base/text.h"
#include "desktop/logic/pollutant_catalogue.h"
#include "desktop/qt/main_window.h"
#include "desktop/qt/qt_text.h"
#include "tests/qt/qt_test_support.h"
#ifdef ZEMO_HAVE_MAPS
#include "maps/map_picture_parts.h"
#endif

using namespace zemo;
using namespace zemo::desktop;
using namespace zemo::desktop::ui;
using namespace zemo::test::qt;

namespace {

QString cz(const char* utf8) { return QString::fromUtf8(utf8); }

// A copy of the staged installation (the catalogue may be written).
QString make_root(const QString& name) {
    const QString root = fresh_directory(name);
    for (const char* sub : {"etc", "data", "log", "help"}) {
        const QString from = QStringLiteral(ZEMO_STAGED_ROOT "/") + QString::fromLatin1(sub);
        QDir().mkpath(root + QLatin1Char('/') + QString::fromLatin1(sub));
        QDirIterator it(from, QDir::Files);
        while (it.hasNext()) {
            it.next();
            QFile::copy(it.filePath(),
                        root + QLatin1Char('/') + QString::fromLatin1(sub) + QLatin1Char('/') + it.fileName());
        }
    }
    return root;
}

void copy_tree(const QString& from, const QString& to) {
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files);
    while (it.hasNext()) {
        it.next();
        QFile::copy(it.filePath(), to + QLatin1Char('/') + it.fileName());
    }
}

// The window over a fresh installation copy, shown and active.
struct Fixture {
    QString root, work;
    PollutantCatalogue catalogue;
    Preferences prefs;
    MemorySettingsStore user;
    std::unique_ptr<MainWindow> window;

    explicit Fixture(const QString& name) {
        root = make_root(name + QStringLiteral("-root"));
        work = fresh_directory(name + QStringLiteral("-work"));
        prefs = default_preferences(logic_text(work));
        prefs.root_dir = logic_text(root + QLatin1Char('/'));
        prefs.priority = 0;
        prefs.last_path = logic_text(work);
        load_catalogue(catalogue, prefs.root_dir);
        user.add_group("1.0");
        MainWindowSetup setup;
        setup.catalogue = &catalogue;
        setup.prefs = &prefs;
        setup.user_store = &user;
        setup.settings_group = "1.0";
        setup.version = "1.0.0.0";
        setup.decimal_separator = '.';
        setup.show_splash = false;
        window = std::make_unique<MainWindow>(setup);
        window->show();
        QApplication::setActiveWindow(window.get());
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        window->start({});
    }
    MainWindow& w() { return *window; }

    // Adds the catalogue entry named name to the chosen pollutants.
    void add_pollutant(const QString& name) {
        w().tabs->setCurrentIndex(1);
        const auto items = w().fMP_PolList_Lst->findItems(name, Qt::MatchExactly);
        QVERIFY(!items.isEmpty());
        w().fMP_PolList_Lst->setCurrentItem(items.first());
        click(w().fMP_PolAdd_Btn);
    }
};

// Answers the next file dialog with path (accepting it).
void answer_file_dialog(const QString& path) {
    answer_next_modal([path](QWidget* modal) { choose_in_file_dialog(modal, path); });
}

// Waits until the events queued so far (message boxes included) have run.
void settle(int ms = 150) { QTest::qWait(ms); }

// The result files of a run directory (everything but the logs), by name.
QMap<QString, QByteArray> result_files(const QString& dir) {
    QMap<QString, QByteArray> files;
    QDirIterator it(dir, QDir::Files);
    while (it.hasNext()) {
        it.next();
        if (it.fileName().endsWith(QStringLiteral(".log"), Qt::CaseInsensitive)) continue;
        files.insert(it.fileName(), file_bytes(it.filePath()));
    }
    return files;
}

// Every file of a run directory, the log's copy included (the run's lock
// file, hidden, aside), by name.
QMap<QString, QByteArray> run_directory_files(const QString& dir) {
    QMap<QString, QByteArray> files;
    QDirIterator it(dir, QDir::Files);
    while (it.hasNext()) {
        it.next();
        files.insert(it.fileName(), file_bytes(it.filePath()));
    }
    return files;
}

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void startsEmptyWithItsCaptionAndEnabling();
    void seventhPollutantAndZeroLimitAreRefused();
    void fileRowsFollowTheFirstFile();
    void rotationIsSavedWithAPointAndLettersAreRefused();
    void typedLimitIsValidatedBySaveShortcut();
    void aRefusedFieldKeepsTheTabBarAndThePageTogether();
    void saveQuestionHasThreeAnswers();
    void wholeRunEqualsTheConsoleProgram();
    void stopEndsTheRunAndRestoresTheButtons();
    void closingDuringARunStopsItFirst();
    void aRunEndingWhileTheCloseIsAskedClosesAtTheAnswer();
    void closeAfterRunEndsOnlyASuccessfulRun();
    void labelsDefaultNamesAndTheLastProjects();
#ifdef ZEMO_HAVE_MAPS
    void mapsOfTheLastCompleteRun();
#else
    void aBuildWithoutMapsSaysWhy();
#endif
};

void TestMainWindow::startsEmptyWithItsCaptionAndEnabling() {
    Fixture f(QStringLiteral("start"));
    QCOMPARE(f.w().windowTitle(), cz("[Nepojmenovaný] - Zemo"));
    QCOMPARE(f.w().messages().first(), QStringLiteral("Model ZEMO, verze 1.0.0.0"));
    QVERIFY(f.w().fMN_PntFn_Edt[0]->isEnabled());
    QVERIFY(!f.w().fMN_PntFn_Edt[1]->isEnabled());
    QVERIFY(!f.w().fMN_PrjOther_Edt->isEnabled());
    QVERIFY(!f.w().fMP_PolRem_Edt->isEnabled());
    QVERIFY(!f.w().fMS_Back_Edt[0]->isEnabled());
    QVERIFY(!f.w().fMO_OutFn_Edt[kOutBasic]->isEnabled());
    QVERIFY(f.w().fM_Run_Btn->isEnabled());
    QVERIFY(!f.w().fM_Stop_Btn->isEnabled());
    QCOMPARE(f.w().fM_Stop_Btn->toolTip(), cz("Předčasné ukončení výpočtu (Program nemusí zareagovat okamžitě)"));
    QCOMPARE(f.w().fMP_PolList_Lst->count(), 15);  // the shipped catalogue
}

void TestMainWindow::labelsDefaultNamesAndTheLastProjects() {
    Fixture f(QStringLiteral("labels"));
    // On the screen where the preferences put it.
    QVERIFY(QGuiApplication::primaryScreen()->availableGeometry().contains(f.w().frameGeometry()));
    f.add_pollutant(cz("Oxid siřičitý"));
    f.add_pollutant(cz("Benzo(a)pyren"));
    f.w().tabs->setCurrentIndex(2);
    click(f.w().fMS_Back_Rad);
    QCOMPARE(f.w().fMS_Back_Lbl[0]->text(), QStringLiteral("SO2"));
    QCOMPARE(f.w().fMS_Back_Lbl[1]->text(), QStringLiteral("BAP"));
    QCOMPARE(f.w().fMS_Back_Lbl[2]->text(), QString());
    QVERIFY(!f.w().fMS_Back_Lbl[2]->isEnabled());
    QCOMPARE(f.w().fMO_OutFn_Edt[kOutBasic]->placeholderText(), QStringLiteral("IHrIHk"));
    QCOMPARE(f.w().fMO_OutFn_Edt[kOutExtended]->placeholderText(), QStringLiteral("detalni"));
    QCOMPARE(f.w().fMO_OutFn_Edt[kOutBasic]->text(), QString());

    // Saved: the project heads the "Projekt" menu and is stored at once.
    const QString saved = f.work + QStringLiteral("/labels.atm");
    answer_file_dialog(saved);
    QTest::keyClick(&f.w(), Qt::Key_S, Qt::ControlModifier);
    settle();
    QVERIFY(QFile::exists(saved));
    const QString native = QDir::toNativeSeparators(saved);
    QStringList items;
    for (QAction* a : f.w().recent_menu->actions()) items << a->text();
    QVERIFY2(items.contains(QStringLiteral("&1 ") + native), qPrintable(items.join(QLatin1Char('|'))));
    QCOMPARE(qt_text(f.user.get("1.0", "LastPrj1").value_or("")), native);  // the store holds program text
    // Chosen from the menu after "&Nový", it opens again.
    f.w().new_project();
    QCOMPARE(f.w().windowTitle(), cz("[Nepojmenovaný] - Zemo"));
    for (QAction* a : f.w().recent_menu->actions())
        if (a->text() == QStringLiteral("&1 ") + native) a->trigger();
    settle();
    QCOMPARE(f.w().windowTitle(), QStringLiteral("[") + native + QStringLiteral("] - Zemo"));
    QCOMPARE(f.w().fMP_PolChoice_Lst->count(), 2);
    // One item and the separator before "&Konec", however often the window is redrawn.
    type_text(f.w().fMN_PntFn_Edt[0], QStringLiteral("body.txt"));
    int recent = 0;
    for (QAction* a : f.w().recent_menu->actions()) recent += a->property("recentProject").isValid() ? 1 : 0;
    QCOMPARE(recent, 2);
}

void TestMainWindow::seventhPollutantAndZeroLimitAreRefused() {
    Fixture f(QStringLiteral("pollutants"));
    SeenBoxes seen;
    answer_message_boxes(seen);
    for (int i = 0; i < 6; ++i) f.add_pollutant(cz("Oxid siřičitý"));
    settle();
    QCOMPARE(f.w().fMP_PolChoice_Lst->count(), 6);
    QVERIFY(seen.texts.isEmpty());
    f.add_pollutant(cz("Oxid siřičitý"));
    settle();
    QCOMPARE(f.w().fMP_PolChoice_Lst->count(), 6);
    QCOMPARE(seen.texts, QStringList{QStringLiteral("Nelze přidat další látku!")});
    QCOMPARE(seen.titles.value(0), QStringLiteral("Zemo"));
    QCOMPARE(seen.icons.value(0), QMessageBox::Warning);

    // A limit of 0, left for the second limit: refused, the focus comes back.
    f.w().fMP_PolChoice_Lst->setCurrentRow(0);
    QTest::mouseClick(f.w().fMP_PolLimit1_Edt, Qt::LeftButton);
    f.w().fMP_PolLimit1_Edt->selectAll();
    QTest::keyClicks(f.w().fMP_PolLimit1_Edt, QStringLiteral("0"));
    QTest::mouseClick(f.w().fMP_PolLimit2_Edt, Qt::LeftButton);
    settle();
    QCOMPARE(seen.texts.size(), 2);
    QCOMPARE(seen.texts.value(1), cz("Nepřípustná hodnota imisního limitu!"));
    QCOMPARE(f.w().focusWidget(), f.w().fMP_PolLimit1_Edt);
    QCOMPARE(f.w().fMP_PolLimit1_Edt->selectedText(), QStringLiteral("0"));
    QCOMPARE(f.w().form().state().chosen[0].limit1, 350.0);  // the stored value is kept
    stop_answering_message_boxes();
}

void TestMainWindow::fileRowsFollowTheFirstFile() {
    Fixture f(QStringLiteral("rows"));
    type_text(f.w().fMN_PntFn_Edt[0], QStringLiteral("body1.txt"));
    QVERIFY(f.w().fMN_PntFn_Edt[1]->isEnabled());
    QVERIFY(f.w().fMN_PntFn_BtnCh[0]->isEnabled());
    type_text(f.w().fMN_PntFn_Edt[1], QStringLiteral("body2.txt"));
    QVERIFY(f.w().fMN_PntFn_Edt[2]->isEnabled());
    QVERIFY(f.w().fMN_PntFn_Lbl[2]->isEnabled());
    type_text(f.w().fMN_PntFn_Edt[0], QString());
    QVERIFY(!f.w().fMN_PntFn_Edt[1]->isEnabled());
    QVERIFY(!f.w().fMN_PntFn_BtnO[1]->isEnabled());
    QVERIFY(!f.w().fMN_PntFn_Edt[2]->isEnabled());
    QVERIFY(!f.w().fMN_PntFn_BtnCh[0]->isEnabled());
    QVERIFY(f.w().windowTitle().startsWith(QStringLiteral("[")));
    QVERIFY(f.w().form().modified());
}

void TestMainWindow::rotationIsSavedWithAPointAndLettersAreRefused() {
    Fixture f(QStringLiteral("rotation"));
    click(f.w().fMN_PrjOther_Rad);
    QVERIFY(f.w().fMN_PrjOther_Rad->isChecked());
    QVERIFY(f.w().fMN_PrjOther_Edt->isEnabled());

    // Letters: refused when saving, nothing written.
    SeenBoxes seen;
    answer_message_boxes(seen);
    type_text(f.w().fMN_PrjOther_Edt, QStringLiteral("abc"));
    const QString refused = f.work + QStringLiteral("/refused.atm");
    answer_file_dialog(refused);
    f.w().fMN_PntFn_Edt[0]->setFocus();  // leaving the rotation is refused first
    settle();
    QCOMPARE(seen.texts.value(0), cz("Nepovolený znak v čísle!"));
    QCOMPARE(f.w().focusWidget(), f.w().fMN_PrjOther_Edt);
    QTest::keyClick(&f.w(), Qt::Key_S, Qt::ControlModifier);
    settle();
    QVERIFY(!QFile::exists(refused));
    QVERIFY(seen.texts.contains(cz("Nepovolený znak v otočení projekce!\nSoubor není uložen!")));
    stop_answering_message_boxes();
    QTest::qWait(300);  // lets the prepared file-dialog answer expire

    // 12,5 saved as 12.5.
    type_text(f.w().fMN_PrjOther_Edt, QStringLiteral("12,5"));
    const QString saved = f.work + QStringLiteral("/rotation");
    answer_file_dialog(saved);
    QTest::keyClick(&f.w(), Qt::Key_S, Qt::ControlModifier);
    settle();
    const QByteArray text = file_bytes(saved + QStringLiteral(".atm"));
    QVERIFY2(text.contains("Projekce=jina\r\nOtoceni=12.5\r\n"), text.constData());
    QCOMPARE(f.w().windowTitle(),
             QDir::toNativeSeparators(saved + QStringLiteral(".atm")).prepend('[') + QStringLiteral("] - Zemo"));
    QVERIFY(!f.w().form().modified());
}

void TestMainWindow::typedLimitIsValidatedBySaveShortcut() {
    Fixture f(QStringLiteral("shortcut"));
    f.add_pollutant(cz("Oxid siřičitý"));
    SeenBoxes seen;
    answer_message_boxes(seen);
    QTest::mouseClick(f.w().fMP_PolLimit1_Edt, Qt::LeftButton);
    f.w().fMP_PolLimit1_Edt->selectAll();
    QTest::keyClicks(f.w().fMP_PolLimit1_Edt, QStringLiteral("12x"));
    const QString path = f.work + QStringLiteral("/limit.atm");
    QTest::keyClick(f.w().fMP_PolLimit1_Edt, Qt::Key_S, Qt::ControlModifier);
    QTest::qWait(500);
    // One message, no save dialog, nothing written, the field still focused.
    QCOMPARE(seen.texts, QStringList{cz("Nepovolený znak v čísle!")});
    QVERIFY(!QFile::exists(path));
    QCOMPARE(f.w().focusWidget(), f.w().fMP_PolLimit1_Edt);
    stop_answering_message_boxes();

    f.w().fMP_PolLimit1_Edt->selectAll();
    QTest::keyClicks(f.w().fMP_PolLimit1_Edt, QStringLiteral("200"));
    answer_file_dialog(path);
    QTest::keyClick(f.w().fMP_PolLimit1_Edt, Qt::Key_S, Qt::ControlModifier);
    settle();
    const QByteArray text = file_bytes(path);
    QVERIFY2(text.contains("SO2=SO2, 200.000000, "), text.constData());
}

// A field that refuses to be left while the user clicks another tab: the
// page of the field stays shown, and the tab bar shows its tab.
void TestMainWindow::aRefusedFieldKeepsTheTabBarAndThePageTogether() {
    Fixture f(QStringLiteral("tabs"));
    f.add_pollutant(cz("Oxid siřičitý"));
    SeenBoxes seen;
    answer_message_boxes(seen);
    QTest::mouseClick(f.w().fMP_PolLimit1_Edt, Qt::LeftButton);
    f.w().fMP_PolLimit1_Edt->selectAll();
    QTest::keyClicks(f.w().fMP_PolLimit1_Edt, QStringLiteral("1e40"));
    QTabBar* bar = f.w().tabs->tabBar();
    for (int tab : {2, 4, 0}) {
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(tab).center());
        settle();
        QCOMPARE(seen.texts.size(), 1);
        QCOMPARE(seen.texts.value(0), cz("Nepřípustná hodnota imisního limitu!"));
        seen.texts.clear();
        QCOMPARE(f.w().tabs->currentIndex(), 1);
        QCOMPARE(bar->currentIndex(), 1);
        QVERIFY(f.w().tabs->currentWidget()->isAncestorOf(f.w().fMP_PolLimit1_Edt));
        QVERIFY(f.w().fMP_PolLimit1_Edt->isVisible());
        QCOMPARE(f.w().focusWidget(), f.w().fMP_PolLimit1_Edt);
    }
    // The tab's mnemonic and Ctrl+Tab are refused the same way.
    QTest::keyClick(&f.w(), Qt::Key_Z, Qt::AltModifier);
    settle();
    QTest::keyClick(f.w().fMP_PolLimit1_Edt, Qt::Key_Tab, Qt::ControlModifier);
    settle();
    QCOMPARE(seen.texts.size(), 2);
    QCOMPARE(f.w().tabs->currentIndex(), 1);
    QVERIFY(f.w().tabs->currentWidget()->isAncestorOf(f.w().fMP_PolLimit1_Edt));
    QCOMPARE(f.w().focusWidget(), f.w().fMP_PolLimit1_Edt);
    stop_answering_message_boxes();

    // A value accepted: the click goes to the tab clicked.
    f.w().fMP_PolLimit1_Edt->selectAll();
    QTest::keyClicks(f.w().fMP_PolLimit1_Edt, QStringLiteral("200"));
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(2).center());
    settle();
    QCOMPARE(f.w().tabs->currentIndex(), 2);
    QCOMPARE(bar->currentIndex(), 2);
    QCOMPARE(f.w().form().state().chosen[0].limit1, 200.0);
}

void TestMainWindow::saveQuestionHasThreeAnswers() {
    Fixture f(QStringLiteral("question"));
    const auto modify = [&] { type_text(f.w().fMM_RosFn_Edt, QStringLiteral("ruzice.txt")); };
    // Answers the save question; then, when save_as is given, the save
    // dialog that follows it.
    const auto answer_question = [](QMessageBox::StandardButton button, QString* text, QString save_as = {}) {
        answer_next_modal([button, text, save_as](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box) return;
            *text = box->text();
            if (box->icon() != QMessageBox::Question) text->prepend(QStringLiteral("(icon) "));
            if (!save_as.isEmpty()) answer_file_dialog(save_as);
            box->button(button)->click();
        });
    };
    // Cancel: the window keeps the project.
    modify();
    QString asked;
    answer_question(QMessageBox::Cancel, &asked);
    f.w().new_project();
    QCOMPARE(asked, cz("Mají se změny provedené v projektu uložit?"));
    QCOMPARE(f.w().fMM_RosFn_Edt->text(), QStringLiteral("ruzice.txt"));
    QVERIFY(f.w().form().modified());
    // No: emptied, nothing written.
    answer_question(QMessageBox::No, &asked);
    f.w().new_project();
    QVERIFY(f.w().fMM_RosFn_Edt->text().isEmpty());
    QVERIFY(!f.w().form().modified());
    QCOMPARE(f.w().windowTitle(), cz("[Nepojmenovaný] - Zemo"));
    // Yes: asks for a name, writes, empties.
    modify();
    const QString path = f.work + QStringLiteral("/question");
    answer_question(QMessageBox::Yes, &asked, path);
    f.w().new_project();
    QVERIFY(file_bytes(path + QStringLiteral(".atm")).contains("[Meteorologie]\r\nSoubor=ruzice.txt\r\n"));
    QVERIFY(f.w().fMM_RosFn_Edt->text().isEmpty());
}

namespace {

// Runs the console program on the project in dir; true when it ended with 0.
bool console_run(const QString& dir) {
    QProcess zemo;
    zemo.setWorkingDirectory(dir);
    zemo.start(QStringLiteral(ZEMO_EXE), {QStringLiteral("-i"), QStringLiteral("town.atm")});
    zemo.closeWriteChannel();
    if (!zemo.waitForFinished(120000)) return false;
    return zemo.exitStatus() == QProcess::NormalExit && zemo.exitCode() == 0;
}

// Opens town.atm of dir through "Otevřít..." and its dialog.
void open_town(Fixture& f, const QString& dir) {
    answer_file_dialog(dir + QStringLiteral("/town.atm"));
    f.w().open_project();
    QCOMPARE(f.w().windowTitle(),
             QDir::toNativeSeparators(dir + QStringLiteral("/town.atm")).prepend('[') + QStringLiteral("] - Zemo"));
    QCOMPARE(f.w().fMP_PolChoice_Lst->count(), 4);
}

bool run_and_wait(MainWindow& w) {
    QSignalSpy finished(&w, &MainWindow::run_finished);
    click(w.fM_Run_Btn);
    if (!w.running()) return false;
    return finished.wait(180000);
}

}  // namespace

void TestMainWindow::wholeRunEqualsTheConsoleProgram() {
    Fixture f(QStringLiteral("run"));
    const QString desktop_dir = fresh_directory(QStringLiteral("run-desktop"));
    const QString console_dir = fresh_directory(QStringLiteral("run-console"));
    copy_tree(QStringLiteral(ZEMO_SOURCE_DIR "/examples/town"), desktop_dir);
    copy_tree(QStringLiteral(ZEMO_SOURCE_DIR "/examples/town"), console_dir);
    QDir().mkpath(desktop_dir + QStringLiteral("/vysledky"));
    QDir().mkpath(console_dir + QStringLiteral("/vysledky"));
    QVERIFY(console_run(console_dir));
    const auto expected = result_files(console_dir + QStringLiteral("/vysledky"));
    QVERIFY(expected.size() >= 5);

    open_town(f, desktop_dir);
    QSignalSpy progress(f.w().fM_Progress, &QProgressBar::valueChanged);
    QVERIFY(run_and_wait(f.w()));
    QCOMPARE(f.w().fM_Progress->value(), 100);
    QVERIFY(progress.count() > 10);  // the bar followed the points
    const QStringList lines = f.w().messages();
    QCOMPARE(lines.size(), 5);
    QVERIFY2(lines[0].startsWith(cz("Výpočet zahájen ")) && lines[0].endsWith(QStringLiteral("...")),
             qPrintable(lines[0]));
    QCOMPARE(lines[1], cz("Načtení vstupních dat..."));
    QCOMPARE(lines[2], QStringLiteral("         ...o.k."));
    QCOMPARE(lines[3], cz("Výpočet..."));
    QCOMPARE(lines[4], cz("Výpočet ukončen...o.k."));
    QVERIFY(f.w().fM_Run_Btn->isEnabled() && !f.w().fM_Stop_Btn->isEnabled());
    QVERIFY(f.w().fMN_PntFn_Edt[0]->isEnabled());
    const auto first = result_files(desktop_dir + QStringLiteral("/vysledky"));
    QCOMPARE(first.keys(), expected.keys());
    for (const QString& name : expected.keys()) QVERIFY2(first[name] == expected[name], qPrintable(name));
    QVERIFY(QFile::exists(desktop_dir + QStringLiteral("/vysledky/zemo.log")));

    // A second run in the same window gives the same bytes.
    QVERIFY(run_and_wait(f.w()));
    const auto second = result_files(desktop_dir + QStringLiteral("/vysledky"));
    QCOMPARE(second.keys(), expected.keys());
    for (const QString& name : expected.keys()) QVERIFY2(second[name] == expected[name], qPrintable(name));
    QCOMPARE(f.w().messages().last(), cz("Výpočet ukončen...o.k."));
}

void TestMainWindow::stopEndsTheRunAndRestoresTheButtons() {
    Fixture f(QStringLiteral("stop"));
    const QString dir = fresh_directory(QStringLiteral("stop-project"));
    copy_tree(QStringLiteral(ZEMO_SOURCE_DIR "/examples/town"), dir);
    QDir().mkpath(dir + QStringLiteral("/vysledky"));
    open_town(f, dir);
    QVERIFY(run_and_wait(f.w()));
    QCOMPARE(f.w().messages().last(), cz("Výpočet ukončen...o.k."));
    const auto complete = run_directory_files(dir + QStringLiteral("/vysledky"));
    QCOMPARE(complete.size(), 18);  // 17 tables and the log's copy
    // "Zastavit" is pressed as soon as the first points are done; while the
    // run lasts, nothing that changes the project can be used.
    bool disabled_during_run = false;
    connect(f.w().fM_Progress, &QProgressBar::valueChanged, &f.w(), [&](int value) {
        if (value < 1 || !f.w().fM_Stop_Btn->isEnabled()) return;
        disabled_during_run = !f.w().fM_Run_Btn->isEnabled() && !f.w().fM_End_Btn->isEnabled() &&
                              !f.w().MenuI_PrjNew->isEnabled() && !f.w().MenuI_PrjOpen->isEnabled() &&
                              !f.w().MenuI_PolList->isEnabled() && !f.w().fMN_PntFn_Edt[0]->isEnabled() &&
                              !f.w().fMP_PolAdd_Btn->isEnabled();
        click(f.w().fM_Stop_Btn);
    });
    QVERIFY(run_and_wait(f.w()));
    const QStringList lines = f.w().messages();
    QVERIFY2(disabled_during_run, qPrintable(lines.join('\n')));
    QVERIFY2(lines.size() >= 2, qPrintable(lines.join('\n')));
    QCOMPARE(lines[lines.size() - 2], cz("+++ Výpočet přerušen uživatelem!"));
    QCOMPARE(lines.last(), cz("VÝPOČET NEBYL DOKONČEN!"));
    QVERIFY(f.w().fM_Progress->value() < 100);
    QVERIFY(f.w().fM_Run_Btn->isEnabled());
    QVERIFY(!f.w().fM_Stop_Btn->isEnabled());
    QVERIFY(f.w().fM_End_Btn->isEnabled());
    QVERIFY(f.w().MenuI_PrjOpen->isEnabled());
    QVERIFY(f.w().fMN_PntFn_Edt[0]->isEnabled());
    // The stopped run replaced nothing: the complete run's results and
    // their log copy stand.
    QVERIFY(run_directory_files(dir + QStringLiteral("/vysledky")) == complete);
}

void TestMainWindow::closingDuringARunStopsItFirst() {
    Fixture f(QStringLiteral("close-during-run"));
    const QString dir = fresh_directory(QStringLiteral("close-project"));
    copy_tree(QStringLiteral(ZEMO_SOURCE_DIR "/examples/town"), dir);
    QDir().mkpath(dir + QStringLiteral("/vysledky"));
    open_town(f, dir);
    QVERIFY(run_and_wait(f.w()));
    const auto complete = run_directory_files(dir + QStringLiteral("/vysledky"));
    QCOMPARE(complete.size(), 18);
    // The close is asked about: declined once (the run goes on), then
    // agreed to.
    SeenBoxes seen;
    int closes = 0;
    bool visible_after_close = false;
    // The question's own event loop delivers further progress; a second
    // close is tried only after the first question has been answered.
    bool asking = false;
    connect(f.w().fM_Progress, &QProgressBar::valueChanged, &f.w(), [&](int value) {
        if (asking || value < 1 || !f.w().running() || !f.w().isVisible() || closes == 2) return;
        asking = true;
        answer_message_boxes(seen, closes == 0 ? QMessageBox::No : QMessageBox::Yes);
        ++closes;
        f.w().close();  // the system close button
        visible_after_close = f.w().isVisible();
        asking = false;
    });
    QVERIFY(run_and_wait(f.w()));
    stop_answering_message_boxes();
    QTest::qWait(100);
    QCOMPARE(closes, 2);
    QCOMPARE(seen.texts, QStringList(2, cz("Probíhá výpočet. Přerušit výpočet a ukončit program?")));
    QVERIFY(visible_after_close);  // the window waited for the run
    QVERIFY(!f.w().isVisible());   // and closed when it had ended
    QCOMPARE(f.w().messages().last(), cz("VÝPOČET NEBYL DOKONČEN!"));
    QVERIFY(f.w().messages().contains(cz("+++ Výpočet přerušen uživatelem!")));
    QVERIFY(run_directory_files(dir + QStringLiteral("/vysledky")) == complete);
}

// The run ends on its own while the close question is still shown: "Ano"
// closes the window then (it used to stay open, and the next run to end
// closed it).
void TestMainWindow::aRunEndingWhileTheCloseIsAskedClosesAtTheAnswer() {
    Fixture f(QStringLiteral("run-ends-while-asked"));
    const QString dir = fresh_directory(QStringLiteral("ends-while-asked"));
    copy_tree(QStringLiteral(ZEMO_SOURCE_DIR "/examples/town"), dir);
    QDir().mkpath(dir + QStringLiteral("/vysledky"));
    open_town(f, dir);
    QString asked;
    bool ended_before_answer = false;
    bool closing = false;
    connect(f.w().fM_Progress, &QProgressBar::valueChanged, &f.w(), [&](int value) {
        if (closing || value < 1 || !f.w().running()) return;
        closing = true;
        answer_next_modal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box) return;
            asked = box->text();
            QElapsedTimer waited;
            waited.start();
            while (f.w().running() && waited.elapsed() < 180000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            ended_before_answer = !f.w().running();
            box->button(QMessageBox::Yes)->click();
        });
        f.w().close();
    });
    QVERIFY(run_and_wait(f.w()));
    QTest::qWait(100);
    QCOMPARE(asked, cz("Probíhá výpočet. Přerušit výpočet a ukončit program?"));
    QVERIFY(ended_before_answer);
    QCOMPARE(f.w().messages().last(), cz("Výpočet ukončen...o.k."));
    QVERIFY(!f.w().isVisible());
}

void TestMainWindow::closeAfterRunEndsOnlyASuccessfulRun() {
    Fixture f(QStringLiteral("close-after-run"));
    f.prefs.close_after_run = true;
    const QString dir = fresh_directory(QStringLiteral("close-after-project"));
    copy_tree(QStringLiteral(ZEMO_SOURCE_DIR "/examples/town"), dir);
    open_town(f, dir);
    // No output directory yet: the tables cannot be created, the run fails
    // and the window stays.
    QVERIFY(run_and_wait(f.w()));
    QTest::qWait(100);
    QCOMPARE(f.w().messages().last(), cz("VÝPOČET NEBYL DOKONČEN!"));
    QVERIFY(f.w().isVisible());
    QDir().mkpath(dir + QStringLiteral("/vysledky"));
    QVERIFY(run_and_wait(f.w()));
    QTest::qWait(100);
    QCOMPARE(f.w().messages().last(), cz("Výpočet ukončen...o.k."));
    QVERIFY(!f.w().isVisible());
}

#ifdef ZEMO_HAVE_MAPS
// "Mapy výsledků": nothing before the first run, then the maps of the run
// just made, one picture per pollutant of the form.
void TestMainWindow::mapsOfTheLastCompleteRun() {
    Fixture f(QStringLiteral("maps"));
    SeenBoxes seen;
    answer_message_boxes(seen);
    f.w().Menu_ToolMaps->trigger();
    settle();
    QCOMPARE(seen.texts, QStringList{cz("Dosud nebyl proveden žádný výpočet!")});

    const QString dir = fresh_directory(QStringLiteral("maps-project"));
    copy_tree(QStringLiteral(ZEMO_SOURCE_DIR "/examples/town"), dir);
    QDir().mkpath(dir + QStringLiteral("/vysledky"));
    open_town(f, dir);
    QVERIFY(run_and_wait(f.w()));
    QTest::qWait(100);
    QCOMPARE(f.w().messages().last(), cz("Výpočet ukončen...o.k."));
    f.w().Menu_ToolMaps->trigger();
    settle();
    QWidget* maps = f.w().findChild<QWidget*>(QStringLiteral("MapWindow"));
    QVERIFY2(maps, qPrintable(seen.texts.join(QLatin1Char('|'))));
    QCOMPARE(maps->findChild<QComboBox*>(QStringLiteral("fMap_Pollutant"))->count(), 4);
    // The desktop run's log records its tables: they were checked, no note.
    const QLabel* notes = maps->findChild<QLabel*>(QStringLiteral("fMap_Notes"));
    QVERIFY(notes);
    QVERIFY2(!notes->text().contains(cz("Poznámka")), qPrintable(notes->text()));
    QVERIFY(QFile::exists(dir + QStringLiteral("/vysledky/mapy/town.gpkg")));
    QVERIFY(QFile::exists(dir + QStringLiteral("/vysledky/mapy/mapa_PM10.png")));
    maps->close();
}
#else
// Without the map libraries (the Windows build) the item is there,
// disabled, and its hint names the reason.
void TestMainWindow::aBuildWithoutMapsSaysWhy() {
    Fixture f(QStringLiteral("no-maps"));
    QVERIFY(f.w().Menu_ToolMaps);
    QCOMPARE(f.w().Menu_ToolMaps->text(), cz("&Mapy výsledků"));
    QVERIFY(!f.w().Menu_ToolMaps->isEnabled());
    QVERIFY2(f.w().Menu_ToolMaps->toolTip().contains(QStringLiteral("GDAL")),
             qPrintable(f.w().Menu_ToolMaps->toolTip()));
    // Nothing a run or a project does enables it.
    f.w().MenuI_PrjNew->trigger();
    settle();
    QVERIFY(!f.w().Menu_ToolMaps->isEnabled());
}
#endif

int main(int argc, char* argv[]) {
    prepare_environment();
    int status = 0;
    {
        QApplication app(argc, argv);
        TestMainWindow test;
        status = QTest::qExec(&test, argc, argv);
    }
#ifdef ZEMO_HAVE_MAPS
    // The map view drew with cairo, whose font caches live until the end
    // of the process; released once Qt is gone, so that a leak checker
    // sees none.
    zemo::maps::picture::release_drawing_caches();
#endif
    return status;
}

#include "test_main_window.moc"
