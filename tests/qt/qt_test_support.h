// Shared helpers of the window tests (QTest, offscreen).
#pragma once

#include <QDialog>
#include <QMessageBox>
#include <QString>
#include <QWidget>

#include <functional>
#include <string>

class QAbstractButton;
class QLineEdit;

namespace zemo::test::qt {

// A fresh directory for this test program under ZEMO_QT_TEST_ROOT/name
// (emptied first). The settings scopes, HOME, TMPDIR and XDG_RUNTIME_DIR
// point into the test program's own directory, so that no test touches the
// real settings. Call prepare_environment() before the QApplication is made.
QString fresh_directory(const QString& name);
void prepare_environment();

// Writes the machine-wide installation entry (RootDir = root) and, when
// with_user is set, an empty per-user group, into the redirected settings.
void write_installation(const QString& root, bool with_user = true);

// Answers the next modal widget that appears: waits (processing events) up
// to timeout_ms for QApplication::activeModalWidget() other than except,
// then calls answer with it 100 ms later (when it is still shown), so that
// a file dialog has settled. Returns at once; the answer runs from the
// event loop. Use before the action that opens the modal widget.
void answer_next_modal(std::function<void(QWidget*)> answer, int timeout_ms = 5000);

// What answered modal message boxes said, in order (their texts), kept by
// answer_message_boxes.
struct SeenBoxes {
    SeenBoxes() = default;
    SeenBoxes(const SeenBoxes&) = delete;
    SeenBoxes& operator=(const SeenBoxes&) = delete;
    // Stops the answering when it still writes here.
    ~SeenBoxes();
    void clear() {
        texts.clear();
        icons.clear();
        titles.clear();
    }
    QStringList texts;
    QList<QMessageBox::Icon> icons;
    QStringList titles;
};
// Answers every QMessageBox that becomes modal from now on with button
// (until stop_answering_message_boxes), recording it into seen.
void answer_message_boxes(SeenBoxes& seen, QMessageBox::StandardButton button = QMessageBox::Ok);
void stop_answering_message_boxes();

// Types path into a file dialog's name field and presses its accept
// button ("Otevřít"/"Uložit"), as a user does.
void choose_in_file_dialog(QWidget* file_dialog, const QString& path);

// Sets a field's text the way a user's editing does (textEdited as well as
// textChanged), for texts with letters outside Latin-1.
void type_text(QLineEdit* field, const QString& text);

// Clicks a button (or a check box / radio button at its indicator).
void click(QAbstractButton* button);

// Reads a whole file, empty when it cannot be read.
QByteArray file_bytes(const QString& path);

}  // namespace zemo::test::qt
