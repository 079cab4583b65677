// The main window's place across starts, under a real X server with a
// window manager that frames the window (tests/qt/with_window_manager runs
// it under Xvfb and openbox): without a frame, as offscreen, the client
// area and the frame coincide and a mix of the two cannot show. Each start
// reads the preferences the previous "&Konec" stored; the window must open
// where it was, not a title bar higher at every start.
#include <QApplication>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <memory>

#include "desktop/logic/pollutant_catalogue.h"
#include "desktop/logic/preferences.h"
#include "desktop/qt/main_window.h"
#include "desktop/qt/qt_text.h"
#include "tests/qt/qt_test_support.h"

using namespace zemo;
using namespace zemo::desktop;
using namespace zemo::desktop::ui;
using namespace zemo::test::qt;

namespace {

// True when the window manager has set _NET_FRAME_EXTENTS on window.
bool has_frame_extents(const QWidget* window) {
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-id"), QString::number(window->winId()), QStringLiteral("_NET_FRAME_EXTENTS")});
    if (!xprop.waitForFinished(5000)) return false;
    return xprop.readAllStandardOutput().contains("_NET_FRAME_EXTENTS(CARDINAL) =");
}

}  // namespace

class WindowPositionTest : public QObject {
    Q_OBJECT
private slots:
    void threeStartsAndEndsKeepThePlace() {
        QVERIFY2(QGuiApplication::platformName() == QStringLiteral("xcb"),
                 "needs a real X server with a window manager (tests/qt/with_window_manager)");
        const QString root = QStringLiteral(ZEMO_STAGED_ROOT);
        const std::string group = "1.0";
        MemorySettingsStore machine, user;
        machine.set(group, "RootDir", logic_text(root));
        user.add_group(group);
        // The place as a user left it: top 200, left 300 (client area).
        user.set(group, "mForm_x", "200");
        user.set(group, "mForm_y", "300");
        PollutantCatalogue catalogue;

        QList<QPoint> shown;
        for (int start = 0; start < 3; ++start) {
            Preferences prefs;
            QVERIFY(prefs_load(machine, user, group, logic_text(fresh_directory(QStringLiteral("home"))), prefs));
            load_catalogue(catalogue, prefs.root_dir);
            MainWindowSetup setup;
            setup.catalogue = &catalogue;
            setup.prefs = &prefs;
            setup.user_store = &user;
            setup.settings_group = group;
            setup.version = "1.0.0.0";
            setup.show_splash = false;
            auto window = std::make_unique<MainWindow>(setup);
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window.get()));
            // The window manager frames the window: it then gives the
            // window its frame's extents (without a window manager there are
            // none). Asked of the X server, as Qt may keep the margins it saw
            // before the window was framed.
            QTRY_VERIFY2_WITH_TIMEOUT(has_frame_extents(window.get()),
                                      "the window has no frame: no window manager framed it", 10000);
            QTest::qWait(100);  // the window manager's last move, if any
            shown << window->geometry().topLeft();
            QTest::mouseClick(window->fM_End_Btn, Qt::LeftButton);
            QTRY_VERIFY(!window->isVisible());
            // What "&Konec" stored is where the window stood.
            QCOMPARE(QString::fromStdString(user.get(group, "mForm_x").value_or("")),
                     QString::number(shown.last().y()));
            QCOMPARE(QString::fromStdString(user.get(group, "mForm_y").value_or("")),
                     QString::number(shown.last().x()));
        }
        // The first start opened at the stored place, and so did every other.
        QCOMPARE(shown[0], QPoint(300, 200));
        QCOMPARE(shown[1], shown[0]);
        QCOMPARE(shown[2], shown[0]);
    }
};

int main(int argc, char** argv) {
    zemo::test::qt::prepare_environment();
    QApplication app(argc, argv);
    WindowPositionTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_window_position.moc"
