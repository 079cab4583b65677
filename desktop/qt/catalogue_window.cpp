// The catalogue window moves texts between its controls and CatalogueEditor
// and carries out the editor's replies. Two things are the window's own:
//
//   - Leaving a field. Qt has no "exit" event that can refuse the move, so
//     the window watches QApplication::focusChanged: when the focus goes from
//     one of its fields to another of its controls, the editor's
//     leave_field decides. A refusal shows its message and puts the focus
//     back; the focus moves caused by that message box and by the window's
//     own setFocus are not leavings (the handling flag), so a refused field
//     gives its message once.
//   - A mouse press that moved the focus out of a refused field must not go
//     on to press the control it landed on (a button would click, the list
//     would select): such a press is swallowed.
#include "desktop/qt/catalogue_window.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

#include "base/text.h"
#include "desktop/qt/help_window.h"
#include "desktop/qt/pictures.h"
#include "desktop/qt/qt_text.h"

namespace zemo::desktop::ui {

namespace {

constexpr int kCatalogueHelpTopic = 222;

bool is_field(CatalogueControl c) {
    return c == CatalogueControl::Indicative || c == CatalogueControl::Type || c == CatalogueControl::Limit1 ||
           c == CatalogueControl::Limit2 || c == CatalogueControl::HalfLife;
}

// Sets a line edit's text only when it differs, so that the cursor of a
// field being typed in stays where it is.
void show_text(QLineEdit* field, const std::string& cp1250) {
    const QString text = qt_text(cp1250);
    if (field->text() != text) field->setText(text);
}

}  // namespace

struct CatalogueWindow::Impl : QObject {
    Impl(CatalogueWindow& w, PollutantCatalogue& catalogue, std::string path, char separator)
        : window(w), editor(catalogue, std::move(path), separator) {}

    CatalogueWindow& window;
    CatalogueEditor editor;
    bool handling = false;       // a reply is being carried out
    bool swallow_press = false;  // the press that caused a refused leaving
    bool opened = false;
    bool closing = false;

    QWidget* widget_of(CatalogueControl c) const {
        switch (c) {
            case CatalogueControl::List: return window.fP_PolList_Lst;
            case CatalogueControl::Indicative: return window.fP_PolUsr_Edt;
            case CatalogueControl::Type: return window.fP_PolID_Cbx;
            case CatalogueControl::Limit1: return window.fP_PolLimit1_Edt;
            case CatalogueControl::Limit2: return window.fP_PolLimit2_Edt;
            case CatalogueControl::HalfLife: return window.fP_PolRem_Edt;
            case CatalogueControl::Add: return window.fP_Add_Btn;
            case CatalogueControl::Delete: return window.fP_Del_Btn;
            case CatalogueControl::Save: return window.fP_Save_Btn;
            case CatalogueControl::Cancel: return window.fP_Cancel_Btn;
            default: return nullptr;
        }
    }

    // The control a widget belongs to (the combo's own line edit and popup
    // belong to the combo), None for a widget outside the window.
    CatalogueControl control_of(QWidget* w) const {
        static constexpr CatalogueControl all[] = {
            CatalogueControl::List,   CatalogueControl::Indicative, CatalogueControl::Type, CatalogueControl::Limit1,
            CatalogueControl::Limit2, CatalogueControl::HalfLife,   CatalogueControl::Add,  CatalogueControl::Delete,
            CatalogueControl::Save,   CatalogueControl::Cancel};
        for (; w && w != &window; w = w->parentWidget())
            for (CatalogueControl c : all)
                if (widget_of(c) == w) return c;
        return CatalogueControl::None;
    }

    void refresh() {
        const CatalogueView& v = editor.view();
        const QList<QWidget*> controls = {window.fP_PolList_Lst,   window.fP_PolUsr_Edt,    window.fP_PolID_Cbx,
                                          window.fP_PolLimit1_Edt, window.fP_PolLimit2_Edt, window.fP_PolRem_Edt};
        for (QWidget* c : controls) c->blockSignals(true);
        QListWidget* list = window.fP_PolList_Lst;
        bool same_names = list->count() == static_cast<int>(v.names.size());
        for (int i = 0; same_names && i < list->count(); ++i) same_names = list->item(i)->text() == qt_text(v.names[i]);
        if (!same_names) {
            list->clear();
            for (const std::string& name : v.names) list->addItem(qt_text(name));
        }
        if (v.selected < 0) {
            list->clearSelection();
            list->setCurrentRow(-1);
        } else if (list->currentRow() != v.selected || !list->item(v.selected)->isSelected()) {
            list->setCurrentRow(v.selected);
        }
        show_text(window.fP_PolUsr_Edt, v.indicative);
        if (window.fP_PolID_Cbx->currentText() != qt_text(v.type_text)) {
            const int item = window.fP_PolID_Cbx->findText(qt_text(v.type_text));
            window.fP_PolID_Cbx->setCurrentIndex(item);
            window.fP_PolID_Cbx->setEditText(qt_text(v.type_text));
        }
        show_text(window.fP_PolLimit1_Edt, v.limit1);
        show_text(window.fP_PolLimit2_Edt, v.limit2);
        show_text(window.fP_PolRem_Edt, v.half_life);
        window.fP_PolRem_Edt->setEnabled(v.half_life_enabled);
        window.fP_PolRem_Lbl->setEnabled(v.half_life_enabled);
        window.fP_Save_Btn->setEnabled(v.save_enabled);
        for (QWidget* c : controls) c->blockSignals(false);
    }

    // Carries out a reply: message, focus, the controls, closing.
    void apply(const CatalogueReply& reply) {
        const bool outer = !handling;
        handling = true;
        if (!reply.message.empty()) {
            show_zemo_message(&window, reply.message);
            reactivate();
        }
        refresh();
        if (QWidget* target = widget_of(reply.focus)) {
            target->setFocus(Qt::OtherFocusReason);
            if (reply.select_text) {
                if (auto* edit = qobject_cast<QLineEdit*>(target)) edit->selectAll();
                if (target == window.fP_PolID_Cbx && window.fP_PolID_Cbx->lineEdit())
                    window.fP_PolID_Cbx->lineEdit()->selectAll();
            }
        }
        if (outer) handling = false;
        if (reply.result != WindowResult::Open) {
            window.reply_ = reply;
            closing = true;
            if (reply.result == WindowResult::Ok) window.QDialog::accept();
            else window.QDialog::reject();
        }
    }

    // After a modal window closes, the window takes the keyboard back (not
    // every platform gives it back by itself).
    void reactivate() {
        if (window.isVisible() && !window.isActiveWindow()) window.activateWindow();
    }

    // A refused leaving swallows the mouse press that caused it; the flag
    // lives until the events of that press are handled.
    void refused_leaving() {
        swallow_press = true;
        QTimer::singleShot(0, this, [this] { swallow_press = false; });
    }

    void focus_changed(QWidget* old, QWidget* now) {
        if (handling || closing || !opened || !now || now->window() != &window) return;
        const CatalogueControl left = control_of(old);
        const CatalogueControl next = control_of(now);
        if (!is_field(left) || left == next) return;
        const CatalogueReply reply = editor.leave_field(left, next);
        apply(reply);
        if (!reply.message.empty()) refused_leaving();
    }

    // A button pressed while a field still holds the focus (the default
    // button by Enter, a mnemonic) leaves that field first. False when the
    // field refused.
    bool leave_focused_field(CatalogueControl next) {
        const CatalogueControl current = control_of(QApplication::focusWidget());
        if (!is_field(current)) return true;
        const CatalogueReply reply = editor.leave_field(current, next);
        apply(reply);
        return reply.message.empty();
    }

    void add() {
        if (!leave_focused_field(CatalogueControl::Add)) return;
        const CatalogueReply full = editor.can_add();
        if (!full.message.empty()) {
            apply(full);
            return;
        }
        handling = true;
        NewNameDialog dialog(&window);
        const bool accepted = dialog.exec() == QDialog::Accepted;
        handling = false;
        reactivate();
        if (accepted) apply(editor.add(dialog.name()));
    }

    bool eventFilter(QObject*, QEvent* event) override {
        const QEvent::Type t = event->type();
        return swallow_press && (t == QEvent::MouseButtonPress || t == QEvent::MouseButtonDblClick);
    }
};

CatalogueWindow::CatalogueWindow(PollutantCatalogue& catalogue, std::string path, char decimal_separator,
                                 QWidget* parent)
    : QDialog(parent), impl_(new Impl(*this, catalogue, std::move(path), decimal_separator)) {
    setWindowTitle(qt_text("Znečišťující látky"_cz));

    fP_PolList_Lst = new QListWidget(this);
    fP_PolList_Lst->setObjectName(QStringLiteral("fP_PolList_Lst"));
    fP_PolList_Lst->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* list_label = new QLabel(qt_text("Seznam látek:"_cz), this);
    list_label->setBuddy(fP_PolList_Lst);

    fP_PolUsr_Edt = new QLineEdit(this);
    fP_PolUsr_Edt->setObjectName(QStringLiteral("fP_PolUsr_Edt"));
    fP_PolUsr_Edt->setMaxLength(kMaxIndicative);
    fP_PolID_Cbx = new QComboBox(this);
    fP_PolID_Cbx->setObjectName(QStringLiteral("fP_PolID_Cbx"));
    fP_PolID_Cbx->setEditable(true);
    fP_PolID_Cbx->setInsertPolicy(QComboBox::NoInsert);
    for (const TypeListItem& item : catalogue_type_list_sorted()) fP_PolID_Cbx->addItem(qt_text(item.text));
    fP_PolID_Cbx->setCurrentIndex(-1);
    fP_PolLimit1_Edt = new QLineEdit(this);
    fP_PolLimit1_Edt->setObjectName(QStringLiteral("fP_PolLimit1_Edt"));
    fP_PolLimit2_Edt = new QLineEdit(this);
    fP_PolLimit2_Edt->setObjectName(QStringLiteral("fP_PolLimit2_Edt"));
    fP_PolRem_Edt = new QLineEdit(this);
    fP_PolRem_Edt->setObjectName(QStringLiteral("fP_PolRem_Edt"));
    fP_PolRem_Lbl = new QLabel(qt_text("Odstraňování:"_cz), this);
    fP_PolRem_Lbl->setBuddy(fP_PolRem_Edt);

    fP_Add_Btn = new QPushButton(this);
    fP_Add_Btn->setObjectName(QStringLiteral("fP_Add_Btn"));
    fP_Add_Btn->setIcon(add_icon());
    fP_Add_Btn->setToolTip(qt_text("Přidat látku"_cz));
    fP_Add_Btn->setAutoDefault(false);
    fP_Del_Btn = new QPushButton(this);
    fP_Del_Btn->setObjectName(QStringLiteral("fP_Del_Btn"));
    fP_Del_Btn->setIcon(delete_icon());
    fP_Del_Btn->setToolTip(qt_text("Odstranit látku"_cz));
    fP_Del_Btn->setAutoDefault(false);
    fP_Save_Btn = new QPushButton(qt_text("Uložit"_cz), this);
    fP_Save_Btn->setObjectName(QStringLiteral("fP_Save_Btn"));
    fP_Save_Btn->setDefault(true);
    fP_Cancel_Btn = new QPushButton(qt_text("Storno"_cz), this);
    fP_Cancel_Btn->setObjectName(QStringLiteral("fP_Cancel_Btn"));
    fP_Cancel_Btn->setAutoDefault(false);

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(qt_text("Identifikátor:"_cz), this), 0, 0);
    fields->addWidget(fP_PolUsr_Edt, 0, 1, 1, 2);
    fields->addWidget(new QLabel(qt_text("Typ látky:"_cz), this), 1, 0);
    fields->addWidget(fP_PolID_Cbx, 1, 1, 1, 2);
    fields->addWidget(new QLabel(qt_text("Limitní koncentrace:"_cz), this), 2, 0);
    fields->addWidget(fP_PolLimit1_Edt, 2, 1);
    fields->addWidget(fP_PolLimit2_Edt, 2, 2);
    fields->addWidget(fP_PolRem_Lbl, 3, 0);
    fields->addWidget(fP_PolRem_Edt, 3, 1);
    auto* list_buttons = new QHBoxLayout;
    list_buttons->addWidget(fP_Add_Btn);
    list_buttons->addWidget(fP_Del_Btn);
    list_buttons->addStretch();
    fields->addLayout(list_buttons, 4, 0, 1, 3);
    fields->setRowStretch(5, 1);

    auto* left = new QVBoxLayout;
    left->addWidget(list_label);
    left->addWidget(fP_PolList_Lst);
    auto* top = new QHBoxLayout;
    top->addLayout(left, 1);
    top->addLayout(fields, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(fP_Save_Btn);
    bottom->addWidget(fP_Cancel_Btn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(fP_PolList_Lst, fP_PolUsr_Edt);
    setTabOrder(fP_PolUsr_Edt, fP_PolID_Cbx);
    setTabOrder(fP_PolID_Cbx, fP_PolLimit1_Edt);
    setTabOrder(fP_PolLimit1_Edt, fP_PolLimit2_Edt);
    setTabOrder(fP_PolLimit2_Edt, fP_PolRem_Edt);
    setTabOrder(fP_PolRem_Edt, fP_Add_Btn);
    setTabOrder(fP_Add_Btn, fP_Del_Btn);
    setTabOrder(fP_Del_Btn, fP_Save_Btn);
    setTabOrder(fP_Save_Btn, fP_Cancel_Btn);

    Impl* d = impl_;
    connect(qApp, &QApplication::focusChanged, d, &Impl::focus_changed);
    // A selection, not the current row: the list makes its first row
    // current when it gets the focus, which chooses nothing.
    connect(fP_PolList_Lst, &QListWidget::itemSelectionChanged, d, [this, d] {
        const QList<QListWidgetItem*> chosen = fP_PolList_Lst->selectedItems();
        d->apply(d->editor.select(chosen.isEmpty() ? -1 : fP_PolList_Lst->row(chosen.first())));
    });
    const auto forward_edits = [d](QLineEdit* field, CatalogueControl control) {
        connect(field, &QLineEdit::textEdited, d, [d, control](const QString& text) {
            d->editor.edited(control, logic_text(text));
            d->refresh();
        });
    };
    forward_edits(fP_PolUsr_Edt, CatalogueControl::Indicative);
    forward_edits(fP_PolLimit1_Edt, CatalogueControl::Limit1);
    forward_edits(fP_PolLimit2_Edt, CatalogueControl::Limit2);
    forward_edits(fP_PolRem_Edt, CatalogueControl::HalfLife);
    forward_edits(fP_PolID_Cbx->lineEdit(), CatalogueControl::Type);
    connect(fP_PolID_Cbx, &QComboBox::textActivated, d, [d](const QString& text) {
        d->editor.choose_type(logic_text(text));
        d->refresh();
    });
    connect(fP_Add_Btn, &QPushButton::clicked, d, [d] { d->add(); });
    connect(fP_Del_Btn, &QPushButton::clicked, d, [d] {
        if (d->leave_focused_field(CatalogueControl::Delete)) d->apply(d->editor.remove());
    });
    connect(fP_Save_Btn, &QPushButton::clicked, d, [d] {
        if (d->leave_focused_field(CatalogueControl::Save)) d->apply(d->editor.save());
    });
    connect(fP_Cancel_Btn, &QPushButton::clicked, this, &CatalogueWindow::reject);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [] { show_help(kCatalogueHelpTopic); });

    for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(d);
}

CatalogueWindow::~CatalogueWindow() { delete impl_; }

void CatalogueWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (impl_->opened) return;
    impl_->opened = true;
    impl_->closing = false;
    impl_->apply(impl_->editor.open());
}

void CatalogueWindow::reject() {
    // Storno, Escape and closing the window: the editor's cancel.
    if (impl_->closing) {
        QDialog::reject();
        return;
    }
    impl_->apply(impl_->editor.cancel());
}

void CatalogueWindow::done(int result) {
    QDialog::done(result);
    impl_->opened = false;
}

NewNameDialog::NewNameDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(qt_text("Nová látka"_cz));
    Edit_PolNew = new QLineEdit(this);
    Edit_PolNew->setObjectName(QStringLiteral("Edit_PolNew"));
    Edit_PolNew->setMaxLength(kMaxPollutantName);
    auto* label = new QLabel(qt_text("Název látky:"_cz), this);
    label->setBuddy(Edit_PolNew);
    ok_button = new QPushButton(QStringLiteral("OK"), this);
    ok_button->setDefault(true);
    ok_button->setEnabled(false);
    cancel_button = new QPushButton(qt_text("Storno"_cz), this);
    cancel_button->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_button);
    buttons->addWidget(cancel_button);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(Edit_PolNew);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(Edit_PolNew, &QLineEdit::textChanged, this, [this](const QString& text) {
        ok_button->setEnabled(CatalogueEditor::new_name_ok_enabled(logic_text(text)));
    });
    connect(ok_button, &QPushButton::clicked, this, &NewNameDialog::accept);
    connect(cancel_button, &QPushButton::clicked, this, &NewNameDialog::reject);
}

void NewNameDialog::accept() {
    if (!ok_button->isEnabled()) return;
    const CatalogueReply reply = CatalogueEditor::new_name_ok(name());
    if (!reply.message.empty()) {
        show_zemo_message(this, reply.message);
        Edit_PolNew->setFocus(Qt::OtherFocusReason);
        return;
    }
    QDialog::accept();
}

std::string NewNameDialog::name() const { return logic_text(Edit_PolNew->text()); }

}  // namespace zemo::desktop::ui
