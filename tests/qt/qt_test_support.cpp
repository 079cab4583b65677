#include "tests/qt/qt_test_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QSettings>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <memory>

namespace zemo::test::qt {

namespace {
QString program_root() { return QStringLiteral(ZEMO_QT_TEST_ROOT); }

// The answerer of message boxes and the record it writes to.
QTimer* box_answerer = nullptr;
SeenBoxes* box_record = nullptr;
}  // namespace

QString fresh_directory(const QString& name) {
    QDir dir(program_root() + QStringLiteral("/work/") + name);
    dir.removeRecursively();
    QDir().mkpath(dir.path());
    return dir.absolutePath();
}

void prepare_environment() {
    const QString root = program_root();
    QDir(root + QStringLiteral("/env")).removeRecursively();
    for (const char* sub : {"/env/home", "/env/tmp", "/env/config", "/env/system", "/env/runtime"})
        QDir().mkpath(root + QString::fromLatin1(sub));
    QFile::setPermissions(root + QStringLiteral("/env/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const auto set = [&](const char* var, const char* sub) {
        qputenv(var, (root + QString::fromLatin1(sub)).toUtf8());
    };
    set("HOME", "/env/home");
    set("TMPDIR", "/env/tmp");
    set("XDG_CONFIG_HOME", "/env/config");
    set("XDG_CONFIG_DIRS", "/env/system");
    set("XDG_RUNTIME_DIR", "/env/runtime");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, root + QStringLiteral("/env/config"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, root + QStringLiteral("/env/system"));
}

void write_installation(const QString& root, bool with_user) {
    const QString base = program_root();
    QSettings machine(base + QStringLiteral("/env/system/ZEMO/Model ZEMO.conf"), QSettings::IniFormat);
    machine.setValue(QStringLiteral("1.0/RootDir"), root);
    machine.sync();
    QSettings user(base + QStringLiteral("/env/config/ZEMO/Model ZEMO.conf"), QSettings::IniFormat);
    user.clear();
    if (with_user) user.setValue(QStringLiteral("1.0/LastPath"), base + QStringLiteral("/env/home"));
    user.sync();
}

void answer_next_modal(std::function<void(QWidget*)> answer, int timeout_ms) {
    QPointer<QWidget> before = QApplication::activeModalWidget();
    // The timer belongs to the application and deletes itself when it has
    // answered or given up.
    auto* timer = new QTimer(qApp);
    timer->setInterval(10);
    auto elapsed = std::make_shared<QElapsedTimer>();
    elapsed->start();
    QObject::connect(timer, &QTimer::timeout, timer, [=]() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != before.data() && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            // A file dialog fills its directory view and its preset name
            // asynchronously; an answer given before that is overwritten.
            QPointer<QWidget> shown = modal;
            QTimer::singleShot(100, [shown, answer]() {
                if (shown && shown->isVisible()) answer(shown.data());
            });
            return;
        }
        if (elapsed->elapsed() > timeout_ms) {
            qWarning("answer_next_modal: no modal widget appeared");
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

void answer_message_boxes(SeenBoxes& seen, QMessageBox::StandardButton button) {
    stop_answering_message_boxes();
    box_answerer = new QTimer(qApp);
    box_answerer->setInterval(5);
    box_record = &seen;
    QObject::connect(box_answerer, &QTimer::timeout, box_answerer, [button]() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || !box_record) return;
        box_record->texts << box->text();
        box_record->icons << box->icon();
        box_record->titles << box->windowTitle();
        QAbstractButton* b = box->button(button);
        if (!b) b = box->buttons().value(0);
        b->click();
    });
    box_answerer->start();
}

void stop_answering_message_boxes() {
    delete box_answerer;
    box_answerer = nullptr;
    box_record = nullptr;
}

SeenBoxes::~SeenBoxes() {
    if (box_record == this) stop_answering_message_boxes();
}

void choose_in_file_dialog(QWidget* file_dialog, const QString& path) {
    auto* dialog = qobject_cast<QFileDialog*>(file_dialog);
    if (!dialog) {
        qWarning("choose_in_file_dialog: not a file dialog");
        return;
    }
    if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        name->setText(path);
    } else {
        dialog->selectFile(path);
    }
    QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
}

void type_text(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->setText(text);
    emit field->textEdited(text);
}

void click(QAbstractButton* button) {
    if (qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button)) {
        QStyleOptionButton option;
        option.initFrom(button);
        const QStyle::SubElement element =
            qobject_cast<QCheckBox*>(button) ? QStyle::SE_CheckBoxIndicator : QStyle::SE_RadioButtonIndicator;
        const QRect indicator = button->style()->subElementRect(element, &option, button);
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, indicator.center());
        return;
    }
    QTest::mouseClick(button, Qt::LeftButton);
}

QByteArray file_bytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

}  // namespace zemo::test::qt
