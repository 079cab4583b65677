#include "desktop/qt/map_window.h"

#include <QComboBox>
#include <QLabel>
#include <QPixmap>
#include <QResizeEvent>
#include <QVBoxLayout>
#include <QWidget>

#include "base/text.h"
#include "desktop/qt/qt_text.h"
#include "desktop/qt/window_placing.h"

namespace zemo::desktop::ui {

namespace {

// The picture as the map tool drew it, scaled to fit the label (keeping its
// proportions) whenever the label's size changes.
class FittedPicture : public QLabel {
public:
    explicit FittedPicture(QWidget* parent) : QLabel(parent) {
        setAlignment(Qt::AlignCenter);
        setMinimumSize(160, 120);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    }
    void set_picture(const QPixmap& picture) {
        picture_ = picture;
        fit();
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        fit();
    }

private:
    void fit() {
        if (picture_.isNull()) {
            clear();
            return;
        }
        setPixmap(picture_.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
    QPixmap picture_;
};

}  // namespace

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

    auto* picture = new FittedPicture(window);
    picture->setObjectName(QStringLiteral("fMap_Picture"));

    QString notes;
    for (const std::string& note : view.maps.notes) notes += QString::fromStdString(note) + QLatin1Char('\n');
    notes += qt_text("Vrstvy GIS, rastry a obrázky: "_cz) + QString::fromStdString(view.maps.output_directory);
    auto* where = new QLabel(notes, window);
    where->setObjectName(QStringLiteral("fMap_Notes"));
    where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    where->setWordWrap(true);

    const auto show = [picture, choice](int index) {
        picture->set_picture(QPixmap(choice->itemData(index).toString()));
        picture->setProperty("picturePath", choice->itemData(index));
    };
    QObject::connect(choice, &QComboBox::currentIndexChanged, window, show);

    auto* layout = new QVBoxLayout(window);
    layout->addWidget(choice);
    layout->addWidget(picture, 1);
    layout->addWidget(where);
    window->resize(960, 900);
    place_window(window, parent ? parent->window() : nullptr);
    show(0);
    window->show();
    return window;
}

}  // namespace zemo::desktop::ui
