#include "desktop/qt/map_window.h"

#include <QComboBox>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>
#include <QWidget>

#include "base/text.h"
#include "desktop/qt/qt_text.h"

namespace zemo::desktop::ui {

QWidget* show_map_window(QWidget* parent, const MapView& view) {
    if (!view.message.empty() || view.maps.pictures.empty()) {
        show_zemo_message(parent, view.message.empty() ? std::string("Žádná mapa nevznikla."_cz) : view.message);
        return nullptr;
    }
    auto* window = new QWidget(parent, Qt::Window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setObjectName(QStringLiteral("MapWindow"));
    window->setWindowTitle(qt_text("Mapy posledního výpočtu - Zemo"_cz));

    auto* choice = new QComboBox(window);
    choice->setObjectName(QStringLiteral("fMap_Pollutant"));
    for (std::size_t i = 0; i < view.maps.pictures.size(); ++i)
        choice->addItem(i < view.titles.size() ? qt_text(view.titles[i]) : QString::number(i + 1),
                        QString::fromStdString(view.maps.pictures[i]));

    auto* picture = new QLabel(window);
    picture->setObjectName(QStringLiteral("fMap_Picture"));
    picture->setAlignment(Qt::AlignCenter);
    picture->setMinimumSize(600, 500);

    QString notes;
    for (const std::string& note : view.maps.notes) notes += QString::fromStdString(note) + QLatin1Char('\n');
    notes += qt_text("Vrstvy GIS, rastry a obrázky: "_cz) + QString::fromStdString(view.maps.output_directory);
    auto* where = new QLabel(notes, window);
    where->setObjectName(QStringLiteral("fMap_Notes"));
    where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    where->setWordWrap(true);

    // The picture as the map tool drew it, scaled down to the window.
    const auto show = [picture, choice](int index) {
        const QPixmap map(choice->itemData(index).toString());
        picture->setPixmap(map.scaled(picture->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
        picture->setProperty("picturePath", choice->itemData(index));
    };
    QObject::connect(choice, &QComboBox::currentIndexChanged, window, show);

    auto* layout = new QVBoxLayout(window);
    layout->addWidget(choice);
    layout->addWidget(picture, 1);
    layout->addWidget(where);
    window->resize(960, 900);
    show(0);
    window->show();
    return window;
}

}  // namespace zemo::desktop::ui
