// The windows as a user sees them: the main window (each tab, with the
// example town opened), the catalogue window and the settings dialog. No
// label or button may be narrower than its text (a clipped label), and no
// two visible controls of a tab may overlap. With ZEMO_SCREENSHOT_DIR set
// (scripts/screenshots, under Xvfb with a real font) each window is also
// saved as a PNG picture for docs/desktop.md.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QFileDialog>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include <memory>

#include "base/text.h"
#include "desktop/logic/main_form.h"
#include "desktop/logic/pollutant_catalogue.h"
#include "desktop/qt/catalogue_window.h"
#include "desktop/qt/main_window.h"
#include "desktop/qt/qt_text.h"
#include "desktop/qt/settings_dialog.h"
#include "tests/qt/qt_test_support.h"

using namespace zemo;
using namespace zemo::desktop;
using namespace zemo::desktop::ui;
using namespace zemo::test::qt;

namespace {

void copy_files(const QString& from, const QString& to) {
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files);
    while (it.hasNext()) {
        it.next();
        QFile::copy(it.filePath(), to + QLatin1Char('/') + it.fileName());
    }
}

// The visible texts of window that do not fit their control.
QStringList clipped_texts(QWidget* window) {
    QStringList clipped;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window)) continue;
        QString text;
        if (auto* label = qobject_cast<QLabel*>(w); label && label->pixmap().isNull()) text = label->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(w)) text = button->text();
        if (text.isEmpty()) continue;
        // A push button's size hint has a minimum width of the style's; its
        // text needs only its own width and a margin.
        const bool push = qobject_cast<QPushButton*>(w) != nullptr;
        const int needed = push ? w->fontMetrics().horizontalAdvance(QString(text).remove(QLatin1Char('&'))) + 8
                                : w->sizeHint().width();
        if (w->width() < needed || w->height() < w->minimumSizeHint().height())
            clipped << QStringLiteral("%1 (%2 < %3)").arg(text).arg(w->width()).arg(needed);
    }
    return clipped;
}

// Pairs of visible sibling controls of page whose rectangles overlap.
QStringList overlapping_controls(QWidget* page) {
    QStringList overlaps;
    QList<QWidget*> controls;
    for (QWidget* w : page->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(page)) continue;
        if (qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
            qobject_cast<QListWidget*>(w) || qobject_cast<QGroupBox*>(w))
            controls << w;
    }
    for (int i = 0; i < controls.size(); ++i)
        for (int j = i + 1; j < controls.size(); ++j) {
            QWidget* a = controls[i];
            QWidget* b = controls[j];
            if (a->parentWidget() != b->parentWidget()) continue;
            if (a->geometry().intersects(b->geometry()))
                overlaps << QStringLiteral("%1 / %2").arg(a->metaObject()->className(), b->metaObject()->className());
        }
    return overlaps;
}

void save_picture(QWidget* window, const QString& name) {
    const QString dir = qEnvironmentVariable("ZEMO_SCREENSHOT_DIR");
    if (dir.isEmpty()) return;
    QDir().mkpath(dir);
    QVERIFY(window->grab().save(dir + QLatin1Char('/') + name + QStringLiteral(".png")));
}

}  // namespace

class TestWindowPictures : public QObject {
    Q_OBJECT

    QString root_, work_;
    PollutantCatalogue catalogue_;
    Preferences prefs_;
    MemorySettingsStore user_;

private slots:
    void initTestCase() {
        root_ = fresh_directory(QStringLiteral("root"));
        for (const char* sub : {"etc", "data", "log", "help"})
            copy_files(QStringLiteral(ZEMO_STAGED_ROOT "/") + QString::fromLatin1(sub),
                       root_ + QLatin1Char('/') + QString::fromLatin1(sub));
        work_ = fresh_directory(QStringLiteral("town"));
        copy_files(QStringLiteral(ZEMO_SOURCE_DIR "/examples/town"), work_);
        prefs_ = default_preferences(logic_text(work_));
        prefs_.root_dir = logic_text(root_ + QLatin1Char('/'));
        load_catalogue(catalogue_, prefs_.root_dir);
    }

    void mainWindowTabs() {
        MainWindowSetup setup;
        setup.catalogue = &catalogue_;
        setup.prefs = &prefs_;
        setup.user_store = &user_;
        setup.settings_group = "1.0";
        setup.version = "1.0.0.0";
        setup.show_splash = false;
        MainWindow window(setup);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.start({work_ + QStringLiteral("/town.atm")});
        QCOMPARE(window.fMP_PolChoice_Lst->count(), 4);
        window.fMP_PolChoice_Lst->setCurrentRow(0);
        const char* names[5] = {"hlavni-okno-sit", "hlavni-okno-latky", "hlavni-okno-zdroje", "hlavni-okno-ruzice",
                                "hlavni-okno-vysledky"};
        for (int tab = 0; tab < 5; ++tab) {
            window.tabs->setCurrentIndex(tab);
            QTest::qWait(50);
            QWidget* page = window.tabs->widget(tab);
            const QStringList clipped = clipped_texts(&window);
            QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral(", "))));
            const QStringList overlaps = overlapping_controls(page);
            QVERIFY2(overlaps.isEmpty(), qPrintable(overlaps.join(QStringLiteral(", "))));
            save_picture(&window, QString::fromLatin1(names[tab]));
        }
    }

    void catalogueWindow() {
        PollutantCatalogue catalogue = catalogue_;
        CatalogueWindow window(catalogue, logic_text(root_ + QStringLiteral("/etc/pol.cfg")), '.');
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.fP_PolList_Lst->setCurrentRow(0);
        QTest::qWait(50);
        const QStringList clipped = clipped_texts(&window);
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral(", "))));
        save_picture(&window, QStringLiteral("katalog"));
        window.reject();
    }

    void settingsDialog() {
        Preferences prefs = prefs_;
        SettingsDialog dialog(prefs);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QStringList clipped = clipped_texts(&dialog);
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral(", "))));
        save_picture(&dialog, QStringLiteral("nastaveni"));
        dialog.reject();
    }

    // Qt's own project open dialog as the program shows it, in Czech.
    void projectOpenDialog() {
        QVERIFY(install_qt_translations(qt_translation_directories()));
        QFileDialog dialog(nullptr, qt_text("Otevřít projekt"_cz));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilters(qt_name_filters(kProjectFilter));
        dialog.setDirectory(work_);
        dialog.resize(820, 420);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::qWait(200);  // the directory's files are listed
        QStringList labels;
        for (QLabel* label : dialog.findChildren<QLabel*>()) labels << label->text();
        QVERIFY2(labels.contains(QString::fromUtf8("Hledat v:")), qPrintable(labels.join(QLatin1Char('|'))));
        save_picture(&dialog, QStringLiteral("otevrit-projekt"));
        dialog.reject();
    }
};

int main(int argc, char* argv[]) {
    prepare_environment();
    QApplication app(argc, argv);
    TestWindowPictures test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_window_pictures.moc"
