#include "desktop/qt/help_window.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>

#include "base/text.h"
#include "desktop/logic/help_topics.h"
#include "desktop/qt/qt_text.h"
#include "desktop/qt/window_placing.h"

namespace zemo::desktop::ui {

namespace {

QString& directory() {
    static QString dir;
    return dir;
}

QPointer<QWidget>& window() {
    static QPointer<QWidget> w;
    return w;
}

// The help window: "Obsah", "Zpět" and "Vpřed" over a browser of the pages.
class HelpWindow : public QWidget {
public:
    HelpWindow() {
        setAttribute(Qt::WA_DeleteOnClose);
        setWindowTitle(qt_text("Nápověda - Zemo"_cz));
        resize(760, 600);

        auto* contents = new QPushButton(qt_text("&Obsah"_cz), this);
        auto* back = new QPushButton(qt_text("&Zpět"_cz), this);
        auto* forward = new QPushButton(qt_text("&Vpřed"_cz), this);
        back->setEnabled(false);
        forward->setEnabled(false);
        auto* buttons = new QHBoxLayout;
        buttons->addWidget(contents);
        buttons->addWidget(back);
        buttons->addWidget(forward);
        buttons->addStretch();

        browser_ = new QTextBrowser(this);
        browser_->setOpenExternalLinks(false);
        browser_->setSearchPaths({directory()});

        auto* layout = new QVBoxLayout(this);
        layout->addLayout(buttons);
        layout->addWidget(browser_);

        connect(contents, &QPushButton::clicked, this, [this] { show_page(help_page(0)); });
        connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
        connect(forward, &QPushButton::clicked, browser_, &QTextBrowser::forward);
        connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
        connect(browser_, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);
    }

    // Shows page (a file name of the help directory), or a line saying that
    // it is missing.
    void show_page(const std::string& page) {
        browser_->setSearchPaths({directory()});
        const QString path = QDir(directory()).filePath(QString::fromStdString(page));
        if (!directory().isEmpty() && QFileInfo(path).isFile()) {
            browser_->setSource(QUrl::fromLocalFile(path));
        } else {
            browser_->clear();
            browser_->setPlainText(qt_text("Stránka nápovědy nebyla nalezena: "_cz) + QDir::toNativeSeparators(path));
        }
    }

private:
    QTextBrowser* browser_ = nullptr;
};

}  // namespace

void set_help_directory(const QString& dir) { directory() = dir; }

QList<int>& requested_help_topics() {
    static QList<int> topics;
    return topics;
}

void show_help(int topic) {
    requested_help_topics() << topic;
    if (!window()) {
        window() = new HelpWindow;
        // A new help window opens over the active window, wholly on a screen.
        QWidget* over = QApplication::activeWindow();
        place_window(window(), over ? over->window() : nullptr);
    }
    auto* help = static_cast<HelpWindow*>(window().data());
    help->show_page(help_page(topic));
    help->show();
    help->raise();
    help->activateWindow();
}

void close_help() {
    QWidget* help = window();
    window() = nullptr;
    if (!help) return;
    help->close();
    delete help;
}

QWidget* help_window() { return window(); }

}  // namespace zemo::desktop::ui
