// The help window (pages of the staged installation, topics, links,
// closing) and the log window (a Windows-1250 log shown with its error and
// fatal lines marked).
#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QGuiApplication>
#include <QTextBlock>
#include <QTextBrowser>
#include <QtTest>

#include <string>

#include "base/text.h"
#include "desktop/qt/help_window.h"
#include "desktop/qt/log_window.h"
#include "tests/qt/qt_test_support.h"

using namespace zemo::desktop::ui;
namespace qt = zemo::test::qt;

namespace {

QTextBrowser* help_browser() {
    QWidget* w = help_window();
    return w ? w->findChild<QTextBrowser*>() : nullptr;
}

// The cursor in the middle of the first link to href in the browser's page.
QTextCursor link_cursor(QTextBrowser* browser, const QString& href) {
    for (QTextBlock block = browser->document()->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.charFormat().isAnchor() && fragment.charFormat().anchorHref() == href) {
                QTextCursor cursor(browser->document());
                cursor.setPosition(fragment.position() + fragment.length() / 2);
                return cursor;
            }
        }
    return QTextCursor();
}

}  // namespace

class HelpAndLogTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { set_help_directory(QStringLiteral(ZEMO_STAGED_ROOT "/help")); }
    void cleanup() {
        close_help();
        qt::stop_answering_message_boxes();
    }

    void contentsAndTopicPages() {
        show_help(0);
        QWidget* w = help_window();
        QVERIFY(w);
        QVERIFY(w->isVisible());
        QCOMPARE(w->windowTitle(), QStringLiteral("Nápověda - Zemo"));
        QTextBrowser* browser = help_browser();
        QVERIFY(browser);
        QCOMPARE(browser->source().fileName(), QStringLiteral("index.html"));
        QVERIFY(browser->toPlainText().contains(QStringLiteral("Postup při zadání projektu")));

        show_help(223);
        QCOMPARE(help_window(), w);  // one window per program
        QCOMPARE(browser->source().fileName(), QStringLiteral("zdroje.html"));
        QVERIFY(browser->toPlainText().contains(QStringLiteral("Transfery nebo pozadí")));

        show_help(211);
        QCOMPARE(browser->source().fileName(), QStringLiteral("nastaveni.html"));
        show_help(999);
        QCOMPARE(browser->source().fileName(), QStringLiteral("index.html"));
    }

    void clickedLinkOpensItsPage() {
        show_help(0);
        QWidget* w = help_window();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QTextBrowser* browser = help_browser();
        QTextCursor cursor = link_cursor(browser, QStringLiteral("zdroje.html"));
        QVERIFY(!cursor.isNull());
        browser->setTextCursor(cursor);
        browser->ensureCursorVisible();
        const QPoint at = browser->cursorRect(cursor).center();
        QTest::mouseClick(browser->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTRY_COMPARE(browser->source().fileName(), QStringLiteral("zdroje.html"));
        QVERIFY(browser->toPlainText().contains(QStringLiteral("Soubory se zdroji")));
        browser->backward();
        QCOMPARE(browser->source().fileName(), QStringLiteral("index.html"));
    }

    void missingPageSaysSo() {
        set_help_directory(QStringLiteral(ZEMO_QT_TEST_ROOT "/no-help-here"));
        show_help(221);
        set_help_directory(QStringLiteral(ZEMO_STAGED_ROOT "/help"));
        QVERIFY(help_browser()->toPlainText().startsWith(QStringLiteral("Stránka nápovědy nebyla nalezena: ")));
        QVERIFY(help_browser()->toPlainText().endsWith(QStringLiteral("sit.html")));
    }

    void closeHelpClosesTheWindow() {
        show_help(0);
        QPointer<QWidget> w = help_window();
        QVERIFY(w);
        close_help();
        QVERIFY(w.isNull());
        QVERIFY(!help_window());
        show_help(224);  // a new window after closing
        QVERIFY(help_window());
        QVERIFY(QGuiApplication::primaryScreen()->availableGeometry().contains(help_window()->frameGeometry()));
        QCOMPARE(help_browser()->source().fileName(), QStringLiteral("ruzice.html"));
    }

    void logShowsLinesWithErrorsMarked() {
        const QString dir = qt::fresh_directory(QStringLiteral("log"));
        const QString path = dir + QStringLiteral("/běh.log");
        const std::string log = zemo::utf8_to_cp1250(
            "INICIALIZACE PROGRAMU\r\n"
            "--- Čas startu programu: 9.12.2026\r\n"
            "+++ chybná vstupní data\r\n"
            "       - Součet četností v růžici 101 je různý od 100%: (99.50%)\r\n"
            "=== Počet načtených větrných růžic: 1\r\n"
            "*** chybná vstupní data\r\n"
            "       -     (soubor: body.txt)\r\n"
            "\r\n"
            "VÝPOČET UKONČEN...\r\n");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(log.data(), static_cast<qint64>(log.size()));
        file.close();

        QPointer<QWidget> window = show_log_window(nullptr, path);
        QVERIFY(window);
        QVERIFY(window->isVisible());
        // Wholly on the screen (offscreen: 800 x 800), though it wants 820 x 560 and its frame.
        QVERIFY(QGuiApplication::primaryScreen()->availableGeometry().contains(window->frameGeometry()));
        QCOMPARE(window->windowTitle(), QStringLiteral("LOG - běh.log"));
        auto* view = window->findChild<QPlainTextEdit*>();
        QVERIFY(view);
        QVERIFY(view->isReadOnly());

        const QStringList lines = {
            QStringLiteral("INICIALIZACE PROGRAMU"),
            QStringLiteral("--- Čas startu programu: 9.12.2026"),
            QStringLiteral("+++ chybná vstupní data"),
            QStringLiteral("       - Součet četností v růžici 101 je různý od 100%: (99.50%)"),
            QStringLiteral("=== Počet načtených větrných růžic: 1"),
            QStringLiteral("*** chybná vstupní data"),
            QStringLiteral("       -     (soubor: body.txt)"),
            QString(),
            QStringLiteral("VÝPOČET UKONČEN..."),
        };
        enum { Plain, Error, Fatal };
        const int kinds[] = {Plain, Plain, Error, Error, Plain, Fatal, Fatal, Plain, Plain};
        QCOMPARE(view->document()->blockCount(), static_cast<int>(lines.size()));

        QBrush error_ground, fatal_ground;
        QTextBlock block = view->document()->begin();
        for (int i = 0; i < lines.size(); ++i, block = block.next()) {
            QCOMPARE(block.text(), lines[i]);
            const QBrush ground = block.blockFormat().background();
            const bool bold =
                !block.text().isEmpty() && block.begin().fragment().charFormat().fontWeight() == QFont::Bold;
            if (kinds[i] == Plain) {
                QCOMPARE(ground.style(), Qt::NoBrush);
                QVERIFY(!bold);
            } else {
                QVERIFY2(ground.style() != Qt::NoBrush, qPrintable(lines[i]));
                (kinds[i] == Error ? error_ground : fatal_ground) = ground;
                QCOMPARE(bold, kinds[i] == Fatal);
            }
        }
        QVERIFY(error_ground != fatal_ground);  // the two kinds look different

        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(window.isNull());  // it deletes itself when closed
    }

    void unreadableLogShowsAMessage() {
        qt::SeenBoxes seen;
        qt::answer_message_boxes(seen);
        const QString path = QStringLiteral(ZEMO_QT_TEST_ROOT "/chybí/zemo.log");
        QWidget* window = show_log_window(nullptr, path);
        QVERIFY(!window);
        QCOMPARE(seen.texts, QStringList{QStringLiteral("Soubor nelze otevřít: ") + path});
        QCOMPARE(seen.titles, QStringList{QStringLiteral("Zemo")});
    }
};

int main(int argc, char** argv) {
    zemo::test::qt::prepare_environment();
    QApplication app(argc, argv);
    HelpAndLogTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_help_and_log.moc"
