// The map view's window: the pictures of a view, one per pollutant, chosen
// in the list; a view with a message shows the program's message box.
#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QLabel>
#include <QPointer>
#include <QtTest>

#include <cstdlib>

#include "base/text.h"
#include "desktop/qt/map_window.h"
#include "tests/qt/qt_test_support.h"

using namespace zemo;
using namespace zemo::desktop;
using namespace zemo::desktop::ui;
namespace qt = zemo::test::qt;

class MapWindowTest : public QObject {
    Q_OBJECT
private slots:
    void showsThePictureOfTheChosenPollutant() {
        const QString dir = qt::fresh_directory(QStringLiteral("mapy"));
        MapView view;
        for (const char* name : {"mapa_SO2.png", "mapa_NO2.png"}) {
            QImage image(120, 100, QImage::Format_RGB32);
            image.fill(QString(name) == QStringLiteral("mapa_SO2.png") ? Qt::red : Qt::blue);
            const QString path = dir + QLatin1Char('/') + QLatin1String(name);
            QVERIFY(image.save(path));
            view.maps.pictures.push_back(path.toStdString());
        }
        view.titles = {"SO2 - Oxid siřičitý"_cz, "NO2 - Oxid dusičitý"_cz};
        view.maps.output_directory = dir.toStdString();
        view.maps.notes = {"Body tvoří pravidelnou síť 32 × 32"};

        QPointer<QWidget> window = show_map_window(nullptr, view);
        QVERIFY(window);
        auto* choice = window->findChild<QComboBox*>(QStringLiteral("fMap_Pollutant"));
        auto* picture = window->findChild<QLabel*>(QStringLiteral("fMap_Picture"));
        QVERIFY(choice && picture);
        QCOMPARE(choice->count(), 2);
        QCOMPARE(choice->itemText(1), QStringLiteral("NO2 - Oxid dusičitý"));
        QCOMPARE(picture->property("picturePath").toString(), QString::fromStdString(view.maps.pictures[0]));
        QCOMPARE(picture->pixmap().toImage().pixelColor(picture->pixmap().width() / 2, picture->pixmap().height() / 2),
                 QColor(Qt::red));
        choice->setCurrentIndex(1);
        QCOMPARE(picture->property("picturePath").toString(), QString::fromStdString(view.maps.pictures[1]));
        QCOMPARE(picture->pixmap().toImage().pixelColor(picture->pixmap().width() / 2, picture->pixmap().height() / 2),
                 QColor(Qt::blue));
        QVERIFY(window->findChild<QLabel*>(QStringLiteral("fMap_Notes"))->text().contains(dir));
        // Opened on the screen (offscreen: 800 x 800), however large it wants to be.
        QVERIFY(QGuiApplication::primaryScreen()->availableGeometry().contains(window->frameGeometry()));
        // The picture fits the window and follows its size.
        for (const QSize size : {QSize(420, 380), QSize(700, 560)}) {
            window->resize(size);
            QTest::qWait(20);
            const QSize shown = picture->pixmap().size();
            QVERIFY(shown.width() <= picture->width() && shown.height() <= picture->height());
            QVERIFY(shown.width() == picture->width() || shown.height() == picture->height());
            QVERIFY2(std::abs(shown.width() * 100 - shown.height() * 120) <= 120,
                     qPrintable(QStringLiteral("%1 x %2").arg(shown.width()).arg(shown.height())));
        }
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(window.isNull());
    }

    void aRefusalShowsItsMessage() {
        qt::SeenBoxes seen;
        qt::answer_message_boxes(seen);
        MapView view;
        view.message = "Dosud nebyl proveden žádný výpočet!"_cz;
        QVERIFY(!show_map_window(nullptr, view));
        QCOMPARE(seen.texts, QStringList{QStringLiteral("Dosud nebyl proveden žádný výpočet!")});
        QCOMPARE(seen.titles, QStringList{QStringLiteral("Zemo")});
    }
};

int main(int argc, char** argv) {
    zemo::test::qt::prepare_environment();
    QApplication app(argc, argv);
    MapWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_map_window.moc"
