// The splash and about windows and the directory chooser.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "desktop/qt/help_window.h"
#include "desktop/qt/pictures.h"
#include "desktop/qt/qt_text.h"
#include "desktop/qt/small_windows.h"
#include "tests/qt/qt_test_support.h"

using namespace zemo::desktop::ui;
namespace tq = zemo::test::qt;

class TestSmallWindows : public QObject {
    Q_OBJECT

    static QStringList label_texts(QWidget& w) {
        QStringList texts;
        for (QLabel* label : w.findChildren<QLabel*>()) texts << label->text();
        return texts;
    }

private slots:
    void splash_closes_by_itself_after_two_and_a_half_seconds() {
        QElapsedTimer clock;
        clock.start();
        SplashWindow splash(QStringLiteral("1.0.0.0"));
        splash.show();
        QVERIFY(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(splash.size(), QSize(465, 232));
        const QStringList texts = label_texts(splash);
        QVERIFY(texts.contains(QStringLiteral("Model ZEMO")));
        QVERIFY(texts.contains(QStringLiteral("verze 1.0.0.0")));
        QVERIFY(splash.timer_active());

        QTest::qWait(2000);
        QVERIFY(splash.isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!splash.isVisible(), 2000);
        const qint64 shown = clock.elapsed();
        QVERIFY2(shown >= 2450 && shown < 3500, qPrintable(QString::number(shown)));
        QCOMPARE(splash.result(), int(QDialog::Accepted));
        QVERIFY(!splash.timer_active());
    }

    void splash_closes_at_a_click_anywhere() {
        for (const bool on_label : {true, false}) {
            SplashWindow splash(QStringLiteral("1.0.0.0"));
            splash.show();
            QVERIFY(QTest::qWaitForWindowExposed(&splash));
            QWidget* target = &splash;
            if (on_label) {
                for (QLabel* label : splash.findChildren<QLabel*>())
                    if (label->text() == QStringLiteral("Model ZEMO")) target = label;
                QVERIFY(target != &splash);
            }
            QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
            QVERIFY(!splash.isVisible());
            QVERIFY(!splash.timer_active());
            QCOMPARE(splash.result(), int(QDialog::Accepted));
        }
    }

    void about_window_shows_the_version_and_closes_with_ok() {
        AboutWindow about(QStringLiteral("1.0.0.0"));
        about.show();
        QVERIFY(QTest::qWaitForWindowActive(&about));
        QCOMPARE(about.windowTitle(), QStringLiteral("O aplikaci ZEMO..."));
        QCOMPARE(about.minimumSize(), QSize(457, 231));
        QCOMPARE(about.maximumSize(), QSize(457, 231));
        QVERIFY(label_texts(about).contains(QStringLiteral("verze 1.0.0.0")));
        const QList<QPushButton*> buttons = about.findChildren<QPushButton*>();
        QCOMPARE(buttons.size(), 1);
        QCOMPARE(buttons.first()->text(), QStringLiteral("OK"));
        QVERIFY(buttons.first()->isDefault());
        QTest::keyClick(&about, Qt::Key_Return);
        QVERIFY(!about.isVisible());
        QCOMPARE(about.result(), int(QDialog::Accepted));
    }

    void choose_directory_gives_an_existing_directory_or_nothing() {
        const QString start = tq::fresh_directory(QStringLiteral("dirs"));
        const QString wanted = start + QStringLiteral("/výsledky");
        QVERIFY(QDir().mkpath(wanted));

        bool seen = false;
        tq::answer_next_modal([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            if (!dialog) return;
            seen = true;
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Vyhledat složku"));
            QCOMPARE(dialog->fileMode(), QFileDialog::Directory);
            QCOMPARE(QDir(dialog->directory()).absolutePath(), QDir(start).absolutePath());
            // Going into the directory and choosing it, as a user does.
            dialog->setDirectory(wanted);
            static_cast<QDialog*>(dialog)->accept();  // the dialog's own "Choose"
        });
        const std::optional<QString> chosen = choose_directory(nullptr, start);
        QVERIFY(seen);
        QVERIFY(chosen.has_value());
        QCOMPARE(QDir(*chosen).absolutePath(), QDir(wanted).absolutePath());

        tq::answer_next_modal([](QWidget* modal) {
            if (auto* dialog = qobject_cast<QFileDialog*>(modal)) dialog->reject();
        });
        QVERIFY(!choose_directory(nullptr, start).has_value());
    }

    // Last: from here on Qt's own texts are Czech.
    void the_standard_dialogs_and_buttons_speak_czech() {
        // The program's share tree next to it holds Qt's Czech texts.
        const QStringList dirs = qt_translation_directories();
        QVERIFY(QFileInfo::exists(QDir(dirs.value(0)).filePath(QStringLiteral("qtbase_cs.qm"))));
        QVERIFY(install_qt_translations({dirs.value(0)}));
        QMessageBox box(QMessageBox::Question, QStringLiteral("Zemo"), QStringLiteral("?"),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(box.button(QMessageBox::Yes)->text(), QStringLiteral("&Ano"));
        QCOMPARE(box.button(QMessageBox::No)->text(), QStringLiteral("&Ne"));
        QCOMPARE(box.button(QMessageBox::Cancel)->text(), QString::fromUtf8("Zrušit"));
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        QStringList labels;
        for (QLabel* label : dialog.findChildren<QLabel*>()) labels << label->text();
        QVERIFY2(labels.contains(QString::fromUtf8("Hledat v:")), qPrintable(labels.join(QLatin1Char('|'))));
        QVERIFY(!install_qt_translations({QDir::tempPath() + QStringLiteral("/none")}));
    }

    // The pictures drawn in code have the colours of their SVG sources at
    // every size the icons hold: a green disc with a white plus, a red disc
    // with a white minus, the logo's blue ground, red plume and grey stack.
    void pictures_have_their_shapes_and_colours() {
        auto colour = [](const QIcon& icon, int size, double x, double y) -> QString {
            const QImage image = icon.pixmap(size, size).toImage();
            if (image.size() != QSize(size, size)) return QStringLiteral("no picture of this size");
            return image.pixelColor(static_cast<int>(x * size / 24), static_cast<int>(y * size / 24)).name();
        };
        for (int size : {16, 24, 32, 48}) {
            QCOMPARE(colour(add_icon(), size, 12, 12), QStringLiteral("#ffffff"));
            QCOMPARE(colour(add_icon(), size, 12, 8), QStringLiteral("#ffffff"));  // the plus's upright bar
            QCOMPARE(colour(add_icon(), size, 7, 16), QStringLiteral("#2e8b57"));
            QCOMPARE(colour(delete_icon(), size, 12, 12), QStringLiteral("#ffffff"));
            QCOMPARE(colour(delete_icon(), size, 12, 8), QStringLiteral("#c0392b"));   // no upright bar
            QCOMPARE(qAlpha(add_icon().pixmap(size, size).toImage().pixel(0, 0)), 0);  // outside the disc
        }
        const QImage logo = logo_pixmap(128, 128).toImage();
        QCOMPARE(logo.pixelColor(64, 4).name(), QStringLiteral("#1d4e89"));
        QCOMPARE(logo.pixelColor(58, 54).name(), QStringLiteral("#ed553b"));
        QCOMPARE(logo.pixelColor(29, 90).name(), QStringLiteral("#d9d9d9"));
        QCOMPARE(logo.pixelColor(100, 111).name(), QStringLiteral("#ffffff"));
        QCOMPARE(qAlpha(logo.pixel(0, 0)), 0);  // the rounded corner
    }
};

int main(int argc, char** argv) {
    tq::prepare_environment();
    QApplication app(argc, argv);
    TestSmallWindows test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_small_windows.moc"
