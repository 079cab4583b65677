#include "desktop/qt/log_window.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QVBoxLayout>
#include <QWidget>

#include <string>
#include <string_view>

#include "base/text.h"
#include "desktop/logic/log_view.h"
#include "desktop/qt/qt_text.h"
#include "desktop/qt/window_placing.h"

namespace zemo::desktop::ui {

namespace {

// The look of a line of each kind: errors on a yellow ground in dark red,
// fatal errors on a red ground in dark red and bold.
void line_formats(LogLineKind kind, QTextBlockFormat& block, QTextCharFormat& chars) {
    block = QTextBlockFormat();
    chars = QTextCharFormat();
    if (kind == LogLineKind::Error) {
        block.setBackground(QColor(0xff, 0xf0, 0xb0));
        chars.setForeground(QColor(0x90, 0x20, 0x00));
    } else if (kind == LogLineKind::Fatal) {
        block.setBackground(QColor(0xff, 0xc8, 0xc8));
        chars.setForeground(QColor(0x90, 0x00, 0x00));
        chars.setFontWeight(QFont::Bold);
    }
}

// Fills view with the Windows-1250 text of a log, one block per line.
void fill(QPlainTextEdit* view, const QByteArray& bytes) {
    const std::string_view text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    QTextCursor cursor(view->document());
    cursor.beginEditBlock();
    LogLineKind kind = LogLineKind::Plain;
    bool first = true;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        kind = log_line_kind(line, kind);
        QTextBlockFormat block;
        QTextCharFormat chars;
        line_formats(kind, block, chars);
        if (first) {
            cursor.setBlockFormat(block);
            cursor.setBlockCharFormat(chars);
            first = false;
        } else {
            cursor.insertBlock(block, chars);
        }
        cursor.insertText(qt_text(line), chars);
    }
    cursor.endEditBlock();
    view->moveCursor(QTextCursor::Start);
}

}  // namespace

QWidget* show_log_window(QWidget* parent, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::string message = "Soubor nelze otevřít: "_cz;
        message += logic_text(QDir::toNativeSeparators(path));
        show_zemo_message(parent, message);
        return nullptr;
    }
    const QByteArray bytes = file.readAll();

    auto* window = new QWidget(parent, Qt::Window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(QStringLiteral("LOG - ") + QFileInfo(path).fileName());
    window->resize(820, 560);

    auto* view = new QPlainTextEdit(window);
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    view->setUndoRedoEnabled(false);
    view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    fill(view, bytes);

    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);

    place_window(window, parent ? parent->window() : nullptr);
    window->show();
    return window;
}

}  // namespace zemo::desktop::ui
