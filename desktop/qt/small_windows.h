// The small windows: the splash window shown once at start, the about
// window, and the directory chooser of the output directory.
#pragma once

#include <QDialog>
#include <QString>

#include <optional>

class QTimer;

namespace zemo::desktop::ui {

// Borderless, 465 x 232: the logo, "Model ZEMO", "verze " + version and the
// contact panel. Closes with OK 2.5 s after its creation or at a click
// anywhere on it; the timer stops then.
class SplashWindow : public QDialog {
    Q_OBJECT
public:
    explicit SplashWindow(const QString& version, QWidget* parent = nullptr);
    bool timer_active() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTimer* timer_ = nullptr;
};

// "O aplikaci ZEMO...", 457 x 231: the logo, "Model ZEMO", "verze " +
// version, the contact panel and the default button "OK".
class AboutWindow : public QDialog {
    Q_OBJECT
public:
    explicit AboutWindow(const QString& version, QWidget* parent = nullptr);
};

// "Vyhledat složku": one existing directory, or nothing when cancelled.
std::optional<QString> choose_directory(QWidget* parent, const QString& start);

}  // namespace zemo::desktop::ui
