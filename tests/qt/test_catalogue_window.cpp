// The catalogue window "Znečišťující látky" driven through its controls, on a
// copy of the shipped catalogue.
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <string>

#include "base/text.h"
#include "desktop/logic/pollutant_catalogue.h"
#include "desktop/qt/catalogue_window.h"
#include "desktop/qt/help_window.h"
#include "desktop/qt/qt_text.h"
#include "tests/qt/qt_test_support.h"

using namespace zemo;
using namespace zemo::desktop::ui;
namespace tq = zemo::test::qt;

class TestCatalogueWindow : public QObject {
    Q_OBJECT

    QString dir_;
    QString path_;
    PollutantCatalogue catalogue_;
    tq::SeenBoxes seen_;

    std::string path() const { return logic_text(path_); }  // as the windows hand it on

    static PollutantCatalogue read(const std::string& path) {
        PollutantCatalogue c;
        pol_list_read(c, path);
        return c;
    }

    static const CatalogueEntry* find(const PollutantCatalogue& c, const std::string& name) {
        for (const CatalogueEntry& e : c.entries)
            if (e.name == name) return &e;
        return nullptr;
    }

    static int row_of(QListWidget* list, const QString& text) {
        const auto items = list->findItems(text, Qt::MatchExactly);
        return items.isEmpty() ? -1 : list->row(items.first());
    }

    static void select_row(CatalogueWindow& w, const QString& name) {
        const int row = row_of(w.fP_PolList_Lst, name);
        QVERIFY2(row >= 0, qPrintable(name));
        const QRect rect = w.fP_PolList_Lst->visualItemRect(w.fP_PolList_Lst->item(row));
        QTest::mouseClick(w.fP_PolList_Lst->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
        QCOMPARE(w.fP_PolList_Lst->currentRow(), row);
    }

    // After a modal window the window gets active again from the event loop.
    static void wait_active(QWidget& w) { QTRY_VERIFY(QApplication::activeWindow() == &w); }

    static void tab() {
        QTRY_VERIFY(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }

    static void show(CatalogueWindow& w) {
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
    }

    // Adds a substance through "+" and the "Nová látka" dialog.
    static void add_through_dialog(CatalogueWindow& w, const QString& name) {
        bool answered = false;
        tq::answer_next_modal([&](QWidget* modal) {
            auto* dialog = qobject_cast<NewNameDialog*>(modal);
            if (!dialog) return;
            tq::type_text(dialog->Edit_PolNew, name);
            tq::click(dialog->ok_button);
            answered = true;
        });
        tq::click(w.fP_Add_Btn);
        QVERIFY(answered);
        wait_active(w);
    }

private slots:
    void init() {
        dir_ = tq::fresh_directory(QStringLiteral("catalogue"));
        path_ = dir_ + QStringLiteral("/pol.cfg");
        QVERIFY(QFile::copy(QStringLiteral(ZEMO_SOURCE_DIR "/install/etc/pol.cfg"), path_));
        catalogue_ = read(path());
        QVERIFY(catalogue_.entries.size() > 10);
        seen_.clear();
        requested_help_topics().clear();
        tq::answer_message_boxes(seen_);
    }

    void cleanup() {
        tq::stop_answering_message_boxes();
        QTest::qWait(30);
    }

    void opens_with_sorted_list_and_nothing_chosen() {
        CatalogueWindow w(catalogue_, path(), '.');
        show(w);
        QCOMPARE(w.windowTitle(), QStringLiteral("Znečišťující látky"));
        QCOMPARE(w.fP_PolList_Lst->count(), static_cast<int>(catalogue_.entries.size()));
        // Czech order: "Arsen" first, "Oxid" entries after "Olovo", "Ozon" after them.
        QCOMPARE(w.fP_PolList_Lst->item(0)->text(), QStringLiteral("Arsen"));
        QVERIFY(row_of(w.fP_PolList_Lst, QStringLiteral("Olovo")) <
                row_of(w.fP_PolList_Lst, QStringLiteral("Oxid uhelnatý")));
        QVERIFY(row_of(w.fP_PolList_Lst, QStringLiteral("Oxidy dusíku")) <
                row_of(w.fP_PolList_Lst, QStringLiteral("Ozon")));
        QVERIFY(w.fP_PolList_Lst->selectedItems().isEmpty());
        QCOMPARE(QApplication::focusWidget(), w.fP_PolList_Lst);
        QVERIFY(w.fP_PolUsr_Edt->text().isEmpty());
        QVERIFY(!w.fP_PolRem_Edt->isEnabled());
        QVERIFY(!w.fP_PolRem_Lbl->isEnabled());
        QVERIFY(!w.fP_Save_Btn->isEnabled());
        QVERIFY(w.fP_Save_Btn->isDefault());
        QCOMPARE(w.fP_PolUsr_Edt->maxLength(), 5);
        QCOMPARE(w.fP_PolID_Cbx->count(), 10);
        QCOMPARE(w.fP_PolID_Cbx->itemText(0), QStringLiteral(" vyberte typ..."));
        QVERIFY(w.fP_PolID_Cbx->findText(QStringLiteral("ostatní plyny")) > 0);
        QVERIFY(w.fP_Add_Btn->text().isEmpty() && !w.fP_Add_Btn->icon().isNull());
        QVERIFY(!w.fP_Add_Btn->toolTip().isEmpty() && !w.fP_Del_Btn->toolTip().isEmpty());

        // Choosing an entry shows it; ORG alone enables the half-life.
        select_row(w, QStringLiteral("Benzo(a)pyren"));
        QCOMPARE(w.fP_PolUsr_Edt->text(), QStringLiteral("BAP"));
        QCOMPARE(w.fP_PolID_Cbx->currentText(), QStringLiteral("ORG"));
        QCOMPARE(w.fP_PolLimit1_Edt->text(), QStringLiteral("0.001"));
        QCOMPARE(w.fP_PolLimit2_Edt->text(), QStringLiteral("0.0006"));
        QCOMPARE(w.fP_PolRem_Edt->text(), QStringLiteral("48"));
        QVERIFY(w.fP_PolRem_Edt->isEnabled());
        select_row(w, QStringLiteral("Ozon"));
        QCOMPARE(w.fP_PolID_Cbx->currentText(), QStringLiteral("ostatní plyny"));
        QCOMPARE(w.fP_PolLimit1_Edt->text(), QStringLiteral("120"));
        QVERIFY(w.fP_PolRem_Edt->text().isEmpty());
        QVERIFY(!w.fP_PolRem_Edt->isEnabled());
        QVERIFY(!w.fP_Save_Btn->isEnabled());  // looking changes nothing
        QVERIFY(seen_.texts.isEmpty());

        QTest::keyClick(&w, Qt::Key_F1);
        QCOMPARE(requested_help_topics(), QList<int>{222});
    }

    void add_delete_and_save_write_the_file() {
        {
            CatalogueWindow w(catalogue_, path(), '.');
            show(w);

            // The dialog: OK only with a text, a refused name keeps it open.
            bool checked = false;
            tq::answer_next_modal([&](QWidget* modal) {
                auto* dialog = qobject_cast<NewNameDialog*>(modal);
                if (!dialog) return;
                QCOMPARE(dialog->windowTitle(), QStringLiteral("Nová látka"));
                QCOMPARE(dialog->Edit_PolNew->maxLength(), 30);
                QVERIFY(!dialog->ok_button->isEnabled());
                tq::type_text(dialog->Edit_PolNew, QStringLiteral("Xylen; čistý"));
                QVERIFY(dialog->ok_button->isEnabled());
                tq::click(dialog->ok_button);
                QVERIFY(dialog->isVisible());
                tq::type_text(dialog->Edit_PolNew, QStringLiteral("Xylen čistý"));
                tq::click(dialog->ok_button);
                checked = true;
            });
            tq::click(w.fP_Add_Btn);
            QVERIFY(checked);
            wait_active(w);
            QCOMPARE(seen_.texts, QStringList{QStringLiteral("Nepovolený znak v názvu látky!")});
            QCOMPARE(seen_.titles.value(0), QStringLiteral("Zemo"));
            QCOMPARE(seen_.icons.value(0), QMessageBox::Warning);

            // The new entry is chosen, with no type yet, and the focus waits
            // for its indicative.
            const int row = row_of(w.fP_PolList_Lst, QStringLiteral("Xylen čistý"));
            QVERIFY(row >= 0);
            QCOMPARE(w.fP_PolList_Lst->currentRow(), row);
            QCOMPARE(w.fP_PolID_Cbx->currentText(), QStringLiteral(" vyberte typ..."));
            QCOMPARE(QApplication::focusWidget(), w.fP_PolUsr_Edt);
            QVERIFY(w.fP_Save_Btn->isEnabled());

            QTest::keyClicks(w.fP_PolUsr_Edt, QStringLiteral("XYL"));
            tab();
            QVERIFY(w.fP_PolID_Cbx->isAncestorOf(QApplication::focusWidget()) ||
                    QApplication::focusWidget() == w.fP_PolID_Cbx);
            w.fP_PolID_Cbx->lineEdit()->selectAll();
            QTest::keyClicks(w.fP_PolID_Cbx->lineEdit(), QStringLiteral("pm10"));
            tab();
            QCOMPARE(w.fP_PolID_Cbx->currentText(), QStringLiteral("PM10"));
            QTest::keyClicks(w.fP_PolLimit1_Edt, QStringLiteral("40"));
            tab();
            QTest::keyClicks(w.fP_PolLimit2_Edt, QStringLiteral("20,5"));
            tab();

            select_row(w, QStringLiteral("Ozon"));
            tq::click(w.fP_Del_Btn);
            QCOMPARE(row_of(w.fP_PolList_Lst, QStringLiteral("Ozon")), -1);

            tq::click(w.fP_Save_Btn);
            QVERIFY(!w.isVisible());
            QCOMPARE(w.result(), int(QDialog::Accepted));
            QCOMPARE(w.reply().result, WindowResult::Ok);
            QVERIFY(w.reply().catalogue_changed);
        }
        QCOMPARE(seen_.texts.size(), 1);
        const PollutantCatalogue written = read(path());
        QCOMPARE(written.entries.size(), catalogue_.entries.size());
        QVERIFY(!find(written, "Ozon"));
        const CatalogueEntry* added = find(written, "Xylen čistý"_cz);
        QVERIFY(added);
        QCOMPARE(added->indicative, std::string("XYL"));
        QCOMPARE(added->type, type_index_of_text("PM10"));
        QCOMPARE(added->limit1, 40.0);
        QCOMPARE(added->limit2, 20.5);
        // The window edited the main window's catalogue in place.
        QVERIFY(find(catalogue_, "Xylen čistý"_cz));
    }

    void cancel_drops_the_changes() {
        const QByteArray before = tq::file_bytes(path_);
        const PollutantCatalogue original = catalogue_;
        {
            CatalogueWindow w(catalogue_, path(), '.');
            show(w);
            select_row(w, QStringLiteral("Arsen"));
            w.fP_PolLimit1_Edt->setFocus();
            w.fP_PolLimit1_Edt->selectAll();
            QTest::keyClicks(w.fP_PolLimit1_Edt, QStringLiteral("7"));
            tab();
            add_through_dialog(w, QStringLiteral("Toluen"));
            QVERIFY(find(catalogue_, "Toluen"));
            tq::click(w.fP_Cancel_Btn);
            QVERIFY(!w.isVisible());
            QCOMPARE(w.reply().result, WindowResult::Cancel);
        }
        QCOMPARE(tq::file_bytes(path_), before);
        QCOMPARE(catalogue_.entries.size(), original.entries.size());
        QVERIFY(!find(catalogue_, "Toluen"));
        QCOMPARE(find(catalogue_, "Arsen")->limit1, find(original, "Arsen")->limit1);

        // Escape acts as "Storno".
        {
            CatalogueWindow w(catalogue_, path(), '.');
            show(w);
            add_through_dialog(w, QStringLiteral("Toluen"));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            QVERIFY(!w.isVisible());
            QCOMPARE(w.reply().result, WindowResult::Cancel);
        }
        QVERIFY(!find(catalogue_, "Toluen"));
        QVERIFY(seen_.texts.isEmpty());
    }

    void save_refuses_an_entry_without_type() {
        const QByteArray before = tq::file_bytes(path_);
        CatalogueWindow w(catalogue_, path(), '.');
        show(w);
        add_through_dialog(w, QStringLiteral("Toluen"));
        QTest::keyClicks(w.fP_PolUsr_Edt, QStringLiteral("TOL"));
        tq::click(w.fP_Save_Btn);
        QCOMPARE(seen_.texts, QStringList{QStringLiteral("Zadejte potřebné parametry!")});
        QVERIFY(w.isVisible());
        QCOMPARE(w.fP_PolList_Lst->currentItem()->text(), QStringLiteral("Toluen"));
        QCOMPARE(w.fP_PolUsr_Edt->text(), QStringLiteral("TOL"));
        wait_active(w);
        QWidget* focus = QApplication::focusWidget();
        QVERIFY(focus == w.fP_PolID_Cbx || w.fP_PolID_Cbx->isAncestorOf(focus));
        QCOMPARE(tq::file_bytes(path_), before);
        tq::click(w.fP_Cancel_Btn);
        QVERIFY(!w.isVisible());
    }

    void wrong_number_is_refused_once_and_kept_focused() {
        CatalogueWindow w(catalogue_, path(), '.');
        show(w);
        select_row(w, QStringLiteral("Oxid siřičitý"));
        tq::type_text(w.fP_PolLimit1_Edt, QStringLiteral("12.5.1"));
        tab();
        QTest::qWait(300);
        wait_active(w);
        QCOMPARE(seen_.texts, QStringList{QStringLiteral("Nepovolený znak v čísle!")});
        QCOMPARE(QApplication::focusWidget(), w.fP_PolLimit1_Edt);
        QCOMPARE(w.fP_PolLimit1_Edt->selectedText(), QStringLiteral("12.5.1"));

        // A click on "Uložit" is the same leaving: one message, and no save.
        tq::click(w.fP_Save_Btn);
        QTest::qWait(100);
        wait_active(w);
        QCOMPARE(seen_.texts.size(), 2);
        QVERIFY(w.isVisible());
        QCOMPARE(QApplication::focusWidget(), w.fP_PolLimit1_Edt);

        // Nor does a click on another row choose it.
        const int shown = w.fP_PolList_Lst->currentRow();
        QListWidget* list = w.fP_PolList_Lst;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualItemRect(list->item(row_of(list, QStringLiteral("Arsen")))).center());
        QTest::qWait(100);
        wait_active(w);
        QCOMPARE(seen_.texts.size(), 3);
        QCOMPARE(list->currentRow(), shown);
        QCOMPARE(w.fP_PolUsr_Edt->text(), QStringLiteral("SO2"));
        QCOMPARE(QApplication::focusWidget(), w.fP_PolLimit1_Edt);

        // The other separator is taken as the decimal point.
        tq::type_text(w.fP_PolLimit1_Edt, QStringLiteral("12,5"));
        tab();
        QCOMPARE(QApplication::focusWidget(), w.fP_PolLimit2_Edt);
        QCOMPARE(seen_.texts.size(), 3);
        tq::click(w.fP_Save_Btn);
        QVERIFY(!w.isVisible());
        QCOMPARE(seen_.texts.size(), 3);
        QCOMPARE(find(read(path()), "Oxid siřičitý"_cz)->limit1, 12.5);
    }

    void choosing_org_asks_for_a_half_life() {
        CatalogueWindow w(catalogue_, path(), '.');
        show(w);
        select_row(w, QStringLiteral("Benzen"));
        QCOMPARE(w.fP_PolID_Cbx->currentText(), QStringLiteral("BZN"));
        QVERIFY(!w.fP_PolRem_Edt->isEnabled());
        w.fP_PolID_Cbx->setFocus();
        for (int i = 0; i < 10 && w.fP_PolID_Cbx->currentText() != QStringLiteral("ORG"); ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(w.fP_PolID_Cbx->currentText(), QStringLiteral("ORG"));
        QVERIFY(w.fP_PolRem_Edt->isEnabled());
        QVERIFY(w.fP_PolRem_Lbl->isEnabled());
        QVERIFY(w.fP_PolRem_Edt->text().isEmpty());
        QVERIFY(w.fP_Save_Btn->isEnabled());

        // Without a half-life the save stops at it.
        tq::click(w.fP_Save_Btn);
        QCOMPARE(seen_.texts, QStringList{QStringLiteral("Zadejte potřebné parametry!")});
        wait_active(w);
        QCOMPARE(QApplication::focusWidget(), w.fP_PolRem_Edt);
        QTest::keyClicks(w.fP_PolRem_Edt, QStringLiteral("24"));
        tq::click(w.fP_Save_Btn);
        QVERIFY(!w.isVisible());
        const PollutantCatalogue saved = read(path());
        const CatalogueEntry* benzen = find(saved, "Benzen");
        QVERIFY(benzen);
        QCOMPARE(benzen->type, kOrgTypeIndex);
        QCOMPARE(benzen->half_life, 24.0);
    }

    void a_full_list_takes_no_new_name() {
        for (int i = 0; catalogue_.entries.size() < static_cast<std::size_t>(kMaxCatalogueEntries); ++i) {
            CatalogueEntry e = catalogue_.entries.front();
            e.name = "Látka "_cz + std::to_string(i);
            catalogue_.entries.push_back(e);
        }
        CatalogueWindow w(catalogue_, path(), '.');
        show(w);
        // Watches past the message box for a "Nová látka" dialog.
        bool dialog_opened = false;
        std::function<void(QWidget*)> watch = [&](QWidget* modal) {
            if (auto* dialog = qobject_cast<NewNameDialog*>(modal)) {
                dialog_opened = true;
                dialog->reject();
            } else {
                tq::answer_next_modal(watch, 500);
            }
        };
        tq::answer_next_modal(watch, 500);
        tq::click(w.fP_Add_Btn);
        QTest::qWait(600);
        QVERIFY(!dialog_opened);
        QCOMPARE(seen_.texts, QStringList{QStringLiteral("Nelze přidat další látku!")});
        QCOMPARE(w.fP_PolList_Lst->count(), kMaxCatalogueEntries);
    }

    void enter_in_a_field_leaves_it_before_saving() {
        CatalogueWindow w(catalogue_, path(), '.');
        show(w);
        select_row(w, QStringLiteral("Olovo"));
        tq::type_text(w.fP_PolLimit2_Edt, QStringLiteral("0.25"));
        QTest::keyClick(w.fP_PolLimit2_Edt, Qt::Key_Return);
        QVERIFY(!w.isVisible());
        QCOMPARE(w.reply().result, WindowResult::Ok);
        QCOMPARE(find(read(path()), "Olovo")->limit2, 0.25);
    }
};

int main(int argc, char** argv) {
    tq::prepare_environment();
    QApplication app(argc, argv);
    TestCatalogueWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_catalogue_window.moc"
