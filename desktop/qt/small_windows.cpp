#include "desktop/qt/small_windows.h"

#include <QDir>
#include <QFileDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "base/text.h"
#include "desktop/qt/pictures.h"
#include "desktop/qt/qt_text.h"

namespace zemo::desktop::ui {

namespace {

constexpr int kSplashMilliseconds = 2500;
constexpr int kLogoSize = 96;

// The logo beside "Model ZEMO", the version and the contact panel.
QHBoxLayout* program_panel(QWidget* owner, const QString& version) {
    auto* logo = new QLabel(owner);
    logo->setPixmap(logo_pixmap(kLogoSize, kLogoSize));
    logo->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto* title = new QLabel(QStringLiteral("Model ZEMO"), owner);
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    title->setFont(big);
    auto* version_label = new QLabel(qt_text("verze "_cz) + version, owner);
    auto* contact = new QLabel(owner);
    contact->setFrameShape(QFrame::Panel);
    contact->setFrameShadow(QFrame::Sunken);
    contact->setMargin(6);
    contact->setWordWrap(true);
    contact->setText(
        qt_text("ZEMO – modelování rozptylu znečišťujících látek\n"
                "Dotazy a připomínky k programu posílejte správci modelu "
                "ve vaší organizaci."_cz));

    auto* texts = new QVBoxLayout;
    texts->addWidget(title);
    texts->addWidget(version_label);
    texts->addStretch();
    texts->addWidget(contact);
    auto* row = new QHBoxLayout;
    row->addWidget(logo);
    row->addLayout(texts, 1);
    return row;
}

}  // namespace

SplashWindow::SplashWindow(const QString& version, QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::Dialog) {
    setFixedSize(465, 232);
    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::Box);
    auto* inner = new QVBoxLayout(frame);
    inner->addLayout(program_panel(frame, version));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(frame);

    // A click on any part of the window closes it.
    for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);

    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    timer_->setTimerType(Qt::PreciseTimer);  // a coarse timer may fire 5 % early
    connect(timer_, &QTimer::timeout, this, &SplashWindow::accept);
    timer_->start(kSplashMilliseconds);
}

bool SplashWindow::timer_active() const { return timer_->isActive(); }

void SplashWindow::mousePressEvent(QMouseEvent* event) {
    event->accept();
    timer_->stop();
    accept();
}

bool SplashWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        timer_->stop();
        accept();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

AboutWindow::AboutWindow(const QString& version, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("O aplikaci ZEMO..."));
    setFixedSize(457, 231);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &AboutWindow::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(program_panel(this, version), 1);
    layout->addLayout(buttons);
}

std::optional<QString> choose_directory(QWidget* parent, const QString& start) {
    QFileDialog dialog(parent, qt_text("Vyhledat složku"_cz), start);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QString chosen = dialog.selectedFiles().value(0);
    if (chosen.isEmpty() || !QDir(chosen).exists()) return std::nullopt;
    return chosen;
}

}  // namespace zemo::desktop::ui
