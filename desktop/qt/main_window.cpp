#include "desktop/qt/main_window.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include "base/platform.h"
#include "base/text.h"
#include "desktop/logic/pollutant_catalogue.h"
#include "desktop/qt/catalogue_window.h"
#include "desktop/qt/help_window.h"
#include "desktop/qt/log_window.h"
#ifdef ZEMO_HAVE_MAPS
#include "desktop/qt/map_window.h"
#endif
#include "desktop/qt/pictures.h"
#include "desktop/qt/qt_text.h"
#include "desktop/qt/run_worker.h"
#include "desktop/qt/settings_dialog.h"
#include "desktop/qt/small_windows.h"
#include "desktop/qt/window_placing.h"
#include "desktop/logic/project_places.h"

namespace zemo::desktop::ui {

namespace {

// Sets which option of a group is chosen; -1 chooses none (an exclusive
// group cannot uncheck its last button by itself).
void choose_option(QButtonGroup* group, int id) {
    group->setExclusive(false);
    for (QAbstractButton* b : group->buttons()) b->setChecked(group->id(b) == id);
    group->setExclusive(true);
}

void set_text(QLineEdit* field, const std::string& cp1250) {
    const QString text = qt_text(cp1250);
    if (field->text() != text) field->setText(text);
}

QString qt_path(const std::string& cp1250) { return qt_text(cp1250); }

}  // namespace

// The message boxes and file dialogs of MainForm's rules.
class MainWindow::Dialogs : public MainDialogs {
public:
    explicit Dialogs(MainWindow& window) : window_(window) {}

    Answer ask_save_changes(const std::string& text) override {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Zemo"), qt_text(text),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, &window_);
        switch (box.exec()) {
            case QMessageBox::Yes: return Answer::Yes;
            case QMessageBox::No: return Answer::No;
            default: return Answer::Cancel;
        }
    }
    bool ask_yes_no(const std::string& text) override {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Zemo"), qt_text(text), QMessageBox::Yes | QMessageBox::No,
                        &window_);
        return box.exec() == QMessageBox::Yes;
    }
    std::optional<std::string> choose_save_name(const std::string& preset) override {
        QFileDialog dialog(&window_, qt_text("Uložit projekt"_cz));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setNameFilters(qt_name_filters(kProjectFilter));
        dialog.setDirectory(start_directory());
        if (!preset.empty()) dialog.selectFile(qt_path(preset));
        return chosen(dialog);
    }
    std::optional<std::string> choose_open_name() override {
        QFileDialog dialog(&window_, qt_text("Otevřít projekt"_cz));
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setNameFilters(qt_name_filters(kProjectFilter));
        dialog.setDirectory(start_directory());
        return chosen(dialog);
    }
    void show_message(const std::string& text) override { show_zemo_message(&window_, text); }

private:
    QString start_directory() const {
        const std::string& dir = window_.form_->project_directory();
        return qt_path(project_dialog_directory(dir, !dir.empty() && QDir(qt_path(dir)).exists(),
                                                window_.form_->default_directory()));
    }
    static std::optional<std::string> chosen(QFileDialog& dialog) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
        return logic_text(QDir::toNativeSeparators(dialog.selectedFiles().first()));
    }
    MainWindow& window_;
};

// The run's view of the window, on the window thread: a file test uses it
// directly, a run on its worker thread through RunWorker, which hands every
// call over to the window thread.
class MainWindow::GuiRunWindow : public RunWindow {
public:
    explicit GuiRunWindow(MainWindow& window) : window_(window) {}
    void clear_messages() override { window_.fM_Msg_Mem->clear(); }
    void append_message(std::string_view line) override { window_.fM_Msg_Mem->appendPlainText(qt_text(line)); }
    void set_progress(int percent) override { window_.fM_Progress->setValue(percent); }
    void set_running(bool) override {}
    void process_events() override { QCoreApplication::processEvents(); }
    bool ask_yes_no(const std::string& text) override {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Zemo"), qt_text(text),
                        QMessageBox::Yes | QMessageBox::No, &window_);
        return box.exec() == QMessageBox::Yes;
    }
    void show_stop(const std::string& text) override {
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Zemo"), qt_text(text), QMessageBox::Ok, &window_);
        box.exec();
    }
    void play_alert() override { QApplication::beep(); }
    void end_program() override { window_.request_end_after_run(); }

private:
    MainWindow& window_;
};

MainWindow::MainWindow(const MainWindowSetup& setup, QWidget* parent) : QMainWindow(parent), setup_(setup) {
    form_ = std::make_unique<MainForm>(
        *setup_.catalogue, *setup_.prefs,
        setup_.default_directory.empty() ? platform_root(setup_.prefs->root_dir) : setup_.default_directory,
        setup_.decimal_separator);
    dialogs_ = std::make_unique<Dialogs>(*this);
    gui_run_window_ = std::make_unique<GuiRunWindow>(*this);
    setWindowIcon(program_icon());
    setWindowFlag(Qt::WindowContextHelpButtonHint, true);

    build_menu();
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    tabs = new QTabWidget(central);
    tabs->addTab(build_grid_tab(), qt_text("Výpočetní &síť"_cz));
    tabs->addTab(build_pollutant_tab(), qt_text("&Látky"_cz));
    tabs->addTab(build_source_tab(), qt_text("&Zdroje"_cz));
    tabs->addTab(build_wind_tab(), qt_text("&Růžice"_cz));
    tabs->addTab(build_result_tab(), qt_text("&Výsledky"_cz));
    layout->addWidget(tabs);

    fM_Msg_Mem = new QPlainTextEdit(central);
    fM_Msg_Mem->setReadOnly(true);
    fM_Msg_Mem->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    fM_Msg_Mem->setMinimumHeight(90);
    fM_Msg_Mem->setFocusPolicy(Qt::ClickFocus);
    layout->addWidget(fM_Msg_Mem, 1);

    auto* bottom = new QHBoxLayout;
    auto* logo = new QLabel(central);
    logo->setPixmap(logo_pixmap(40, 40));
    bottom->addWidget(logo);
    fM_Progress = new QProgressBar(central);
    fM_Progress->setRange(0, 100);
    fM_Progress->setValue(0);
    bottom->addWidget(fM_Progress, 1);
    fM_Run_Btn = new QPushButton(qt_text("Výpoč&et"_cz), central);
    fM_Stop_Btn = new QPushButton(QStringLiteral("Zastavit"), central);
    fM_Stop_Btn->setToolTip(qt_text(kStopHint));
    fM_End_Btn = new QPushButton(QStringLiteral("&Konec"), central);
    bottom->addWidget(fM_Run_Btn);
    bottom->addWidget(fM_Stop_Btn);
    bottom->addWidget(fM_End_Btn);
    layout->addLayout(bottom);
    setCentralWidget(central);

    connect(fM_Run_Btn, &QPushButton::clicked, this, &MainWindow::start_run);
    connect(fM_Stop_Btn, &QPushButton::clicked, this, &MainWindow::stop_run);
    connect(fM_End_Btn, &QPushButton::clicked, this, &MainWindow::quit_by_button);
    connect(qApp, &QApplication::focusChanged, this, &MainWindow::focus_changed);
    // A refused field must stop a tab switch before it starts: refusing it
    // from the focus change that the switch causes would leave the tab bar
    // on the field's tab and the page on the one clicked.
    tabs->tabBar()->installEventFilter(this);
    tabs->installEventFilter(this);

    // The stored place is the client area's corner, restored as such (a
    // frame position stored and a client position restored would move the
    // window by its title bar at every start).
    const WindowRect place =
        keep_on_screen({setup_.prefs->form_left, setup_.prefs->form_top, 660, 560}, kUsualFrame, screen_areas());
    setGeometry(place.x, place.y, place.width, place.height);
    form_->ScreenClear();
    show_state();
}

MainWindow::~MainWindow() {
    // Focus changes while the widgets go away must not reach a window that
    // is no longer a MainWindow.
    disconnect(qApp, nullptr, this, nullptr);
    if (worker_) {
        session_.closing = true;
        worker_->wait();
        delete worker_;
        worker_ = nullptr;
    }
}

std::string MainWindow::platform_root(const std::string& root_dir) { return platform::with_separator(root_dir); }

void MainWindow::build_menu() {
    QMenu* project = menuBar()->addMenu(QStringLiteral("&Projekt"));
    MenuI_PrjNew =
        project->addAction(qt_text("&Nový"_cz), QKeySequence(QStringLiteral("Ctrl+N")), this, &MainWindow::new_project);
    MenuI_PrjOpen = project->addAction(qt_text("&Otevřít..."_cz), QKeySequence(QStringLiteral("Ctrl+O")), this,
                                       &MainWindow::open_project);
    project->addSeparator();
    MenuI_PrjSave = project->addAction(qt_text("&Uložit"_cz), QKeySequence(QStringLiteral("Ctrl+S")), this,
                                       &MainWindow::save_project);
    MenuI_PrjSaveAs = project->addAction(qt_text("Uložit j&ako..."_cz), QKeySequence(QStringLiteral("Ctrl+A")), this,
                                         &MainWindow::save_project_as);
    project->addSeparator();
    recent_menu = project;
    MenuI_PrjEnd = project->addAction(QStringLiteral("&Konec"), this, &MainWindow::quit_by_menu);

    QMenu* tools = menuBar()->addMenu(qt_text("Nást&roje"_cz));
    Menu_ToolLOGfile = tools->addAction(QStringLiteral("&Zobrazit LOG souor"), this, &MainWindow::show_log);
#ifdef ZEMO_HAVE_MAPS
    Menu_ToolMaps = tools->addAction(qt_text("&Mapy výsledků"_cz), this, &MainWindow::show_maps);
#else
    // A build without the map libraries (the Windows build) shows the item
    // disabled, with the reason.
    Menu_ToolMaps = tools->addAction(qt_text("&Mapy výsledků"_cz));
    Menu_ToolMaps->setEnabled(false);
    Menu_ToolMaps->setToolTip(
        qt_text("Mapy výsledků tato verze programu neobsahuje: knihovny GDAL a cairo pro ni nejsou k dispozici. "
                "Mapy vytvoří program zemo-map v Linuxu."_cz));
    tools->setToolTipsVisible(true);
#endif

    QMenu* settings = menuBar()->addMenu(qt_text("Nas&tavení"_cz));
    MenuI_PolList = settings->addAction(qt_text("Seznam &látek"_cz), this, &MainWindow::open_catalogue);
    MenuI_Moznosti = settings->addAction(qt_text("&Možnosti"_cz), this, &MainWindow::open_settings);

    QMenu* help = menuBar()->addMenu(qt_text("&Nápověda"_cz));
    MenuI_HelpHelp =
        help->addAction(qt_text("Nápověda aplikace"_cz), QKeySequence(Qt::Key_F1), this, &MainWindow::help_for_focus);
    help->addSeparator();
    MenuI_HelpAbout = help->addAction(QStringLiteral("O aplikaci ZEMO..."), this, &MainWindow::show_about);
    // The shortcuts work while the focus is in a field of the window.
    for (QAction* a : {MenuI_PrjNew, MenuI_PrjOpen, MenuI_PrjSave, MenuI_PrjSaveAs, MenuI_HelpHelp})
        a->setShortcutContext(Qt::WindowShortcut);
}

namespace {

// A row of a file field: label, field, browse button "..." and, when
// test is set, the test button "Kontrola".
struct FileRow {
    QLabel* label;
    QLineEdit* field;
    QPushButton* browse;
    QPushButton* test;
};

FileRow add_file_row(QGridLayout* grid, int row, const QString& label_text, bool test, QWidget* parent) {
    FileRow r{};
    r.label = new QLabel(label_text, parent);
    r.field = new QLineEdit(parent);
    r.field->setMaxLength(static_cast<int>(kMaxFormName) - 1);
    r.label->setBuddy(r.field);
    r.browse = new QPushButton(QStringLiteral("..."), parent);
    r.browse->setToolTip(qt_text("Vybrat soubor"_cz));
    r.browse->setFixedWidth(32);
    grid->addWidget(r.label, row, 0);
    grid->addWidget(r.field, row, 1);
    grid->addWidget(r.browse, row, 2);
    if (test) {
        r.test = new QPushButton(QStringLiteral("Kontrola"), parent);
        r.test->setToolTip(qt_text("Zkontrolovat soubor"_cz));
        grid->addWidget(r.test, row, 3);
    }
    return r;
}

}  // namespace

void MainWindow::connect_text(QLineEdit* field, MainControl control) {
    connect(field, &QLineEdit::textChanged, this, [this, field, control](const QString& text) {
        if (showing_state_) return;
        std::string* stored = form_->text_field(control);
        if (stored == nullptr) return;
        *stored = logic_text(text);
        if (!checked_on_leave(control)) {
            form_->changed();
            after_change();
        }
        (void)field;
    });
}

QWidget* MainWindow::build_grid_tab() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* files = new QGroupBox(qt_text("Soubory s výpočetními &body:"_cz), page);
    auto* grid = new QGridLayout(files);
    const MainControl controls[3] = {MainControl::PntFn1, MainControl::PntFn2, MainControl::PntFn3};
    const CheckedFile kinds[3] = {CheckedFile::Points1, CheckedFile::Points2, CheckedFile::Points3};
    for (int i = 0; i < 3; ++i) {
        FileRow r = add_file_row(grid, i, QStringLiteral("Soubor %1:").arg(i + 1), true, files);
        fMN_PntFn_Lbl[i] = r.label;
        fMN_PntFn_Edt[i] = r.field;
        fMN_PntFn_BtnO[i] = r.browse;
        fMN_PntFn_BtnCh[i] = r.test;
        connect_text(r.field, controls[i]);
        connect(r.browse, &QPushButton::clicked, this, [this, c = controls[i]] { browse_data(c); });
        connect(r.test, &QPushButton::clicked, this, [this, k = kinds[i]] { test_file(k); });
    }
    // The group's accelerator leads to the first file.
    files->setFocusProxy(fMN_PntFn_Edt[0]);
    layout->addWidget(files);

    auto* projection = new QGroupBox(qt_text("Projek&ce:"_cz), page);
    auto* pgrid = new QGridLayout(projection);
    fMN_PrjJTSK_Rad = new QRadioButton(QStringLiteral("&JTSK"), projection);
    fMN_PrjS42_Rad = new QRadioButton(QStringLiteral("S&42"), projection);
    fMN_PrjOther_Rad = new QRadioButton(qt_text("J&iná"_cz), projection);
    fMN_PrjOther_Lbl = new QLabel(qt_text("Otočení sítě:"_cz), projection);
    fMN_PrjOther_Edt = new QLineEdit(projection);
    fMN_PrjOther_Lbl->setBuddy(fMN_PrjOther_Edt);
    pgrid->addWidget(fMN_PrjJTSK_Rad, 0, 0);
    pgrid->addWidget(fMN_PrjS42_Rad, 1, 0);
    pgrid->addWidget(fMN_PrjOther_Rad, 2, 0);
    pgrid->addWidget(fMN_PrjOther_Lbl, 2, 1);
    pgrid->addWidget(fMN_PrjOther_Edt, 2, 2);
    pgrid->setColumnStretch(3, 1);
    projection_group_ = new QButtonGroup(this);
    projection_group_->addButton(fMN_PrjJTSK_Rad, static_cast<int>(FormProjection::Jtsk));
    projection_group_->addButton(fMN_PrjS42_Rad, static_cast<int>(FormProjection::S42));
    projection_group_->addButton(fMN_PrjOther_Rad, static_cast<int>(FormProjection::Other));
    connect(projection_group_, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on) store_options();
    });
    connect_text(fMN_PrjOther_Edt, MainControl::Rotation);
    projection->setFocusProxy(fMN_PrjJTSK_Rad);
    layout->addWidget(projection);
    layout->addStretch(1);
    return page;
}

QWidget* MainWindow::build_pollutant_tab() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    auto* list_label = new QLabel(qt_text("Seznam látek:"_cz), page);
    fMP_PolList_Lst = new QListWidget(page);
    list_label->setBuddy(fMP_PolList_Lst);
    auto* chosen_label = new QLabel(qt_text("Vybrané látky:"_cz), page);
    fMP_PolChoice_Lst = new QListWidget(page);
    chosen_label->setBuddy(fMP_PolChoice_Lst);
    fMP_PolAdd_Btn = new QPushButton(page);
    fMP_PolAdd_Btn->setIcon(add_icon());
    fMP_PolAdd_Btn->setToolTip(qt_text("Přidat látku do výpočtu"_cz));
    fMP_PolDel_Btn = new QPushButton(page);
    fMP_PolDel_Btn->setIcon(delete_icon());
    fMP_PolDel_Btn->setToolTip(qt_text("Odebrat látku z výpočtu"_cz));
    auto* buttons = new QVBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(fMP_PolAdd_Btn);
    buttons->addWidget(fMP_PolDel_Btn);
    buttons->addStretch(1);

    grid->addWidget(list_label, 0, 0);
    grid->addWidget(fMP_PolList_Lst, 1, 0);
    grid->addLayout(buttons, 1, 1);
    grid->addWidget(chosen_label, 0, 2);
    grid->addWidget(fMP_PolChoice_Lst, 1, 2);

    auto* panel = new QGroupBox(page);
    auto* pgrid = new QGridLayout(panel);
    auto* usr_label = new QLabel(qt_text("Označení:"_cz), panel);
    fMP_PolUsr_Edt = new QLineEdit(panel);
    fMP_PolUsr_Edt->setMaxLength(static_cast<int>(kMaxIndicative));
    usr_label->setBuddy(fMP_PolUsr_Edt);
    auto* limit_label = new QLabel(qt_text("Limitní koncentrace:"_cz), panel);
    fMP_PolLimit1_Edt = new QLineEdit(panel);
    fMP_PolLimit2_Edt = new QLineEdit(panel);
    limit_label->setBuddy(fMP_PolLimit1_Edt);
    fMP_PolRem_Lbl = new QLabel(qt_text("Odstraňování:"_cz), panel);
    fMP_PolRem_Edt = new QLineEdit(panel);
    fMP_PolRem_Lbl->setBuddy(fMP_PolRem_Edt);
    pgrid->addWidget(usr_label, 0, 0);
    pgrid->addWidget(fMP_PolUsr_Edt, 0, 1);
    pgrid->addWidget(limit_label, 1, 0);
    pgrid->addWidget(fMP_PolLimit1_Edt, 1, 1);
    pgrid->addWidget(fMP_PolLimit2_Edt, 1, 2);
    pgrid->addWidget(new QLabel(QString::fromUtf8("µg/m³"), panel), 1, 3);
    pgrid->addWidget(fMP_PolRem_Lbl, 2, 0);
    pgrid->addWidget(fMP_PolRem_Edt, 2, 1);
    grid->addWidget(panel, 2, 0, 1, 3);

    connect(fMP_PolList_Lst, &QListWidget::currentRowChanged, this, [this](int row) {
        if (showing_state_) return;
        form_->select_catalogue(row);
    });
    connect(fMP_PolChoice_Lst, &QListWidget::currentRowChanged, this, [this](int row) {
        if (showing_state_) return;
        form_->select_chosen(row);
        show_state();
        show_enabled();
    });
    connect(fMP_PolAdd_Btn, &QPushButton::clicked, this, [this] {
        const MainReply reply = form_->add_pollutant();
        after_change();
        show_reply(reply);
    });
    connect(fMP_PolDel_Btn, &QPushButton::clicked, this, [this] {
        const MainReply reply = form_->remove_pollutant();
        after_change();
        show_reply(reply);
    });
    connect_text(fMP_PolUsr_Edt, MainControl::PolUsr);
    connect_text(fMP_PolLimit1_Edt, MainControl::PolLimit1);
    connect_text(fMP_PolLimit2_Edt, MainControl::PolLimit2);
    connect_text(fMP_PolRem_Edt, MainControl::PolRem);
    return page;
}

QWidget* MainWindow::build_source_tab() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* files = new QGroupBox(qt_text("Soubory se zdroji:"_cz), page);
    auto* grid = new QGridLayout(files);
    const char* labels[3] = {"Bodové:"_cz, "Liniové:"_cz, "Plošné:"_cz};
    const MainControl controls[3] = {MainControl::SrcFnP, MainControl::SrcFnL, MainControl::SrcFnA};
    const CheckedFile kinds[3] = {CheckedFile::PointSources, CheckedFile::LineSources, CheckedFile::AreaSources};
    for (int i = 0; i < 3; ++i) {
        FileRow r = add_file_row(grid, i, qt_text(labels[i]), true, files);
        fMS_SrcFn_Edt[i] = r.field;
        fMS_SrcFn_BtnO[i] = r.browse;
        fMS_SrcFn_BtnCh[i] = r.test;
        connect_text(r.field, controls[i]);
        connect(r.browse, &QPushButton::clicked, this, [this, c = controls[i]] { browse_data(c); });
        connect(r.test, &QPushButton::clicked, this, [this, k = kinds[i]] { test_file(k); });
    }
    layout->addWidget(files);

    auto* addition = new QGroupBox(qt_text("Transfery / Pozadí:"_cz), page);
    auto* agrid = new QGridLayout(addition);
    fMS_TrnFn_Rad = new QRadioButton(QStringLiteral("Tr&ansfery"), addition);
    fMS_Back_Rad = new QRadioButton(qt_text("Poza&dí"_cz), addition);
    addition_group_ = new QButtonGroup(this);
    addition_group_->addButton(fMS_TrnFn_Rad, static_cast<int>(FormAddition::Transfers));
    addition_group_->addButton(fMS_Back_Rad, static_cast<int>(FormAddition::Background));
    connect(addition_group_, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on) store_options();
    });
    fMS_TrnFn_Edt = new QLineEdit(addition);
    fMS_TrnFn_Edt->setMaxLength(static_cast<int>(kMaxFormName) - 1);
    fMS_TrnFn_BtnO = new QPushButton(QStringLiteral("..."), addition);
    fMS_TrnFn_BtnO->setFixedWidth(32);
    fMS_TrnFn_BtnO->setToolTip(qt_text("Vybrat soubor"_cz));
    fMS_TrnFn_BtnCh = new QPushButton(QStringLiteral("Kontrola"), addition);
    fMS_TrnFn_BtnCh->setToolTip(qt_text("Zkontrolovat soubor"_cz));
    agrid->addWidget(fMS_TrnFn_Rad, 0, 0);
    agrid->addWidget(fMS_TrnFn_Edt, 0, 1, 1, 4);
    agrid->addWidget(fMS_TrnFn_BtnO, 0, 5);
    agrid->addWidget(fMS_TrnFn_BtnCh, 0, 6);
    agrid->addWidget(fMS_Back_Rad, 1, 0);
    // Each background field under its pollutant's indicative, in µg/m³.
    auto* backs = new QGridLayout;
    for (int k = 0; k < kMaxPollutants; ++k) {
        fMS_Back_Lbl[k] = new QLabel(addition);
        fMS_Back_Edt[k] = new QLineEdit(addition);
        fMS_Back_Edt[k]->setMinimumWidth(50);
        fMS_Back_Lbl[k]->setBuddy(fMS_Back_Edt[k]);
        backs->addWidget(fMS_Back_Lbl[k], 0, k);
        backs->addWidget(fMS_Back_Edt[k], 1, k);
        connect_text(fMS_Back_Edt[k], static_cast<MainControl>(static_cast<int>(MainControl::Back1) + k));
    }
    backs->addWidget(new QLabel(QString::fromUtf8("µg/m³"), addition), 1, kMaxPollutants);
    agrid->addLayout(backs, 1, 1, 1, 6);
    connect_text(fMS_TrnFn_Edt, MainControl::TrnFn);
    connect(fMS_TrnFn_BtnO, &QPushButton::clicked, this, [this] { browse_data(MainControl::TrnFn); });
    connect(fMS_TrnFn_BtnCh, &QPushButton::clicked, this, [this] { test_file(CheckedFile::Transfers); });
    layout->addWidget(addition);
    layout->addStretch(1);
    return page;
}

QWidget* MainWindow::build_wind_tab() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* group = new QGroupBox(qt_text("Soubory s &meteorologií:"_cz), page);
    auto* grid = new QGridLayout(group);
    FileRow r = add_file_row(grid, 0, qt_text("Větrná růžice:"_cz), true, group);
    fMM_RosFn_Edt = r.field;
    fMM_RosFn_BtnO = r.browse;
    fMM_RosFn_BtnCh = r.test;
    group->setFocusProxy(fMM_RosFn_Edt);
    connect_text(fMM_RosFn_Edt, MainControl::RosFn);
    connect(r.browse, &QPushButton::clicked, this, [this] { browse_data(MainControl::RosFn); });
    connect(r.test, &QPushButton::clicked, this, [this] { test_file(CheckedFile::WindRoses); });
    layout->addWidget(group);
    layout->addStretch(1);
    return page;
}

QWidget* MainWindow::build_result_tab() {
    auto* page = new QWidget;
    auto* layout = new QGridLayout(page);
    auto* range = new QGroupBox(qt_text("Rozsah výstupů:"_cz), page);
    auto* rl = new QVBoxLayout(range);
    fMO_TypBasic_Rad = new QRadioButton(qt_text("Zákl&adní sestavy"_cz), range);
    fMO_TypStd_Rad = new QRadioButton(qt_text("Standardní sestav&y"_cz), range);
    fMO_TypExt_Rad = new QRadioButton(qt_text("R&ozšířené sestavy"_cz), range);
    rl->addWidget(fMO_TypBasic_Rad);
    rl->addWidget(fMO_TypStd_Rad);
    rl->addWidget(fMO_TypExt_Rad);
    type_group_ = new QButtonGroup(this);
    type_group_->addButton(fMO_TypBasic_Rad, kOutputBasic);
    type_group_->addButton(fMO_TypStd_Rad, kOutputStandard);
    type_group_->addButton(fMO_TypExt_Rad, kOutputExtended);

    auto* format = new QGroupBox(qt_text("Formát výstupů:"_cz), page);
    auto* fl = new QVBoxLayout(format);
    fMO_FrmTxt_Rad = new QRadioButton(qt_text("Te&xtové výstupy"_cz), format);
    fMO_FrmDbf_Rad = new QRadioButton(QStringLiteral("Formát d&Base"), format);
    fMO_FrmDbf_Rad->setText(qt_text("Formát d&Base"_cz));
    fl->addWidget(fMO_FrmTxt_Rad);
    fl->addWidget(fMO_FrmDbf_Rad);
    fl->addStretch(1);
    format_group_ = new QButtonGroup(this);
    format_group_->addButton(fMO_FrmTxt_Rad, kOutFormatTxt);
    format_group_->addButton(fMO_FrmDbf_Rad, kOutFormatDbf);
    for (QButtonGroup* g : {type_group_, format_group_})
        connect(g, &QButtonGroup::idToggled, this, [this](int, bool on) {
            if (on) store_options();
        });

    auto* lim_label = new QLabel(qt_text("Limit pro podíly [%]:"_cz), page);
    fMO_Lim_Edt = new QLineEdit(page);
    fMO_Lim_Edt->setMaximumWidth(90);
    lim_label->setBuddy(fMO_Lim_Edt);
    connect_text(fMO_Lim_Edt, MainControl::Lim);

    auto* names = new QGroupBox(qt_text("Názvy výstupních souborů:"_cz), page);
    auto* ngrid = new QGridLayout(names);
    auto* dir_label = new QLabel(qt_text("Výstupní adresář:"_cz), names);
    fMO_OutDir_Edt = new QLineEdit(names);
    fMO_OutDir_Edt->setMaxLength(static_cast<int>(kMaxFormName) - 1);
    dir_label->setBuddy(fMO_OutDir_Edt);
    fMO_OutDir_Btn = new QPushButton(QStringLiteral("..."), names);
    fMO_OutDir_Btn->setFixedWidth(32);
    fMO_OutDir_Btn->setToolTip(qt_text("Vybrat adresář"_cz));
    ngrid->addWidget(dir_label, 0, 0);
    ngrid->addWidget(fMO_OutDir_Edt, 0, 1);
    ngrid->addWidget(fMO_OutDir_Btn, 0, 2);
    connect_text(fMO_OutDir_Edt, MainControl::OutDir);
    connect(fMO_OutDir_Btn, &QPushButton::clicked, this, &MainWindow::browse_output_directory);
    const char* labels[6] = {"Základní:"_cz, "P. zdro&jů:"_cz, "P. skupin:"_cz,
                             "Sek. max:"_cz, "Sek. prům:"_cz,  "Rozšířený:"_cz};
    const MainControl controls[6] = {MainControl::OutFnBasic, MainControl::OutFnPsrc, MainControl::OutFnPgrp,
                                     MainControl::OutFnSmax,  MainControl::OutFnSavg, MainControl::OutFnExt};
    // The rows in the order of the window; out_names is indexed by OutName.
    const int index[6] = {kOutBasic, kOutSourceShares, kOutGroupShares, kOutSectorMax, kOutSectorMean, kOutExtended};
    for (int i = 0; i < 6; ++i) {
        FileRow r = add_file_row(ngrid, i + 1, qt_text(labels[i]), false, names);
        fMO_OutFn_Lbl[index[i]] = r.label;
        fMO_OutFn_Edt[index[i]] = r.field;
        fMO_OutFn_Btn[index[i]] = r.browse;
        r.field->setPlaceholderText(qt_text(default_out_names()[index[i]]));
        connect_text(r.field, controls[i]);
        connect(r.browse, &QPushButton::clicked, this, [this, c = controls[i]] { browse_output(c); });
    }

    layout->addWidget(range, 0, 0);
    layout->addWidget(format, 0, 1);
    auto* lim = new QHBoxLayout;
    lim->addWidget(lim_label);
    lim->addWidget(fMO_Lim_Edt);
    lim->addStretch(1);
    layout->addLayout(lim, 1, 0, 1, 2);
    layout->addWidget(names, 2, 0, 1, 2);
    layout->setRowStretch(3, 1);
    return page;
}

// ---------------------------------------------------------------------------
// Controls and state

MainControl MainWindow::control_of(const QWidget* w) const {
    if (w == nullptr) return MainControl::None;
    for (int i = 0; i < 3; ++i)
        if (w == fMN_PntFn_Edt[i]) return static_cast<MainControl>(static_cast<int>(MainControl::PntFn1) + i);
    if (w == fMN_PrjJTSK_Rad) return MainControl::PrjJtsk;
    if (w == fMN_PrjS42_Rad) return MainControl::PrjS42;
    if (w == fMN_PrjOther_Rad) return MainControl::PrjOther;
    if (w == fMN_PrjOther_Edt) return MainControl::Rotation;
    if (w == fMP_PolList_Lst) return MainControl::PolList;
    if (w == fMP_PolChoice_Lst) return MainControl::PolChoice;
    if (w == fMP_PolUsr_Edt) return MainControl::PolUsr;
    if (w == fMP_PolLimit1_Edt) return MainControl::PolLimit1;
    if (w == fMP_PolLimit2_Edt) return MainControl::PolLimit2;
    if (w == fMP_PolRem_Edt) return MainControl::PolRem;
    if (w == fMS_SrcFn_Edt[0]) return MainControl::SrcFnP;
    if (w == fMS_SrcFn_Edt[1]) return MainControl::SrcFnL;
    if (w == fMS_SrcFn_Edt[2]) return MainControl::SrcFnA;
    if (w == fMS_TrnFn_Rad) return MainControl::TrnRad;
    if (w == fMS_Back_Rad) return MainControl::BackRad;
    if (w == fMS_TrnFn_Edt) return MainControl::TrnFn;
    for (int k = 0; k < kMaxPollutants; ++k)
        if (w == fMS_Back_Edt[k]) return static_cast<MainControl>(static_cast<int>(MainControl::Back1) + k);
    if (w == fMM_RosFn_Edt) return MainControl::RosFn;
    if (w == fMO_Lim_Edt) return MainControl::Lim;
    if (w == fMO_OutDir_Edt) return MainControl::OutDir;
    const MainControl outs[6] = {MainControl::OutFnBasic, MainControl::OutFnPsrc, MainControl::OutFnPgrp,
                                 MainControl::OutFnSmax,  MainControl::OutFnSavg, MainControl::OutFnExt};
    const int index[6] = {kOutBasic, kOutSourceShares, kOutGroupShares, kOutSectorMax, kOutSectorMean, kOutExtended};
    for (int i = 0; i < 6; ++i)
        if (w == fMO_OutFn_Edt[index[i]]) return outs[i];
    return MainControl::None;
}

QWidget* MainWindow::widget_of(MainControl c) const {
    switch (c) {
        case MainControl::PntFn1: return fMN_PntFn_Edt[0];
        case MainControl::PntFn2: return fMN_PntFn_Edt[1];
        case MainControl::PntFn3: return fMN_PntFn_Edt[2];
        case MainControl::PrjJtsk: return fMN_PrjJTSK_Rad;
        case MainControl::PrjS42: return fMN_PrjS42_Rad;
        case MainControl::PrjOther: return fMN_PrjOther_Rad;
        case MainControl::Rotation: return fMN_PrjOther_Edt;
        case MainControl::PolList: return fMP_PolList_Lst;
        case MainControl::PolChoice: return fMP_PolChoice_Lst;
        case MainControl::PolUsr: return fMP_PolUsr_Edt;
        case MainControl::PolLimit1: return fMP_PolLimit1_Edt;
        case MainControl::PolLimit2: return fMP_PolLimit2_Edt;
        case MainControl::PolRem: return fMP_PolRem_Edt;
        case MainControl::SrcFnP: return fMS_SrcFn_Edt[0];
        case MainControl::SrcFnL: return fMS_SrcFn_Edt[1];
        case MainControl::SrcFnA: return fMS_SrcFn_Edt[2];
        case MainControl::TrnRad: return fMS_TrnFn_Rad;
        case MainControl::BackRad: return fMS_Back_Rad;
        case MainControl::TrnFn: return fMS_TrnFn_Edt;
        case MainControl::Back1:
        case MainControl::Back2:
        case MainControl::Back3:
        case MainControl::Back4:
        case MainControl::Back5:
        case MainControl::Back6: return fMS_Back_Edt[static_cast<int>(c) - static_cast<int>(MainControl::Back1)];
        case MainControl::RosFn: return fMM_RosFn_Edt;
        case MainControl::Lim: return fMO_Lim_Edt;
        case MainControl::OutDir: return fMO_OutDir_Edt;
        case MainControl::OutFnBasic: return fMO_OutFn_Edt[kOutBasic];
        case MainControl::OutFnPsrc: return fMO_OutFn_Edt[kOutSourceShares];
        case MainControl::OutFnPgrp: return fMO_OutFn_Edt[kOutGroupShares];
        case MainControl::OutFnSmax: return fMO_OutFn_Edt[kOutSectorMax];
        case MainControl::OutFnSavg: return fMO_OutFn_Edt[kOutSectorMean];
        case MainControl::OutFnExt: return fMO_OutFn_Edt[kOutExtended];
        case MainControl::None: break;
    }
    return nullptr;
}

void MainWindow::store_options() {
    if (showing_state_) return;
    MainFormState& s = form_->state();
    const int projection = projection_group_->checkedId();
    s.projection = projection < 0 ? FormProjection::None : static_cast<FormProjection>(projection);
    const int addition = addition_group_->checkedId();
    s.addition = addition < 0 ? FormAddition::None : static_cast<FormAddition>(addition);
    s.output_type = type_group_->checkedId() < 0 ? kOutputNone : type_group_->checkedId();
    s.output_format = format_group_->checkedId() < 0 ? kOutFormatNone : format_group_->checkedId();
    form_->changed();
    after_change();
}

void MainWindow::show_state() {
    showing_state_ = true;
    const MainFormState& s = form_->state();
    for (int i = 0; i < 3; ++i) set_text(fMN_PntFn_Edt[i], s.point_files[i]);
    choose_option(projection_group_, s.projection == FormProjection::None ? -1 : static_cast<int>(s.projection));
    set_text(fMN_PrjOther_Edt, s.rotation);

    QStringList names;
    for (const std::string& n : form_->catalogue_names()) names << qt_text(n);
    QStringList shown;
    for (int r = 0; r < fMP_PolList_Lst->count(); ++r) shown << fMP_PolList_Lst->item(r)->text();
    if (shown != names) {
        fMP_PolList_Lst->clear();
        fMP_PolList_Lst->addItems(names);
    }
    fMP_PolList_Lst->setCurrentRow(s.catalogue_selected);
    QStringList chosen;
    for (const FormPollutant& p : s.chosen) chosen << qt_text(p.name);
    QStringList chosen_shown;
    for (int r = 0; r < fMP_PolChoice_Lst->count(); ++r) chosen_shown << fMP_PolChoice_Lst->item(r)->text();
    if (chosen_shown != chosen) {
        fMP_PolChoice_Lst->clear();
        fMP_PolChoice_Lst->addItems(chosen);
    }
    fMP_PolChoice_Lst->setCurrentRow(s.chosen_selected);
    set_text(fMP_PolUsr_Edt, s.pol_usr);
    set_text(fMP_PolLimit1_Edt, s.pol_limit1);
    set_text(fMP_PolLimit2_Edt, s.pol_limit2);
    set_text(fMP_PolRem_Edt, s.pol_rem);

    set_text(fMS_SrcFn_Edt[0], s.point_sources);
    set_text(fMS_SrcFn_Edt[1], s.line_sources);
    set_text(fMS_SrcFn_Edt[2], s.area_sources);
    choose_option(addition_group_, s.addition == FormAddition::None ? -1 : static_cast<int>(s.addition));
    set_text(fMS_TrnFn_Edt, s.transfers);
    for (int k = 0; k < kMaxPollutants; ++k) set_text(fMS_Back_Edt[k], s.background[k]);
    set_text(fMM_RosFn_Edt, s.wind_roses);
    choose_option(type_group_, s.output_type);
    choose_option(format_group_, s.output_format);
    set_text(fMO_Lim_Edt, s.share_limit);
    set_text(fMO_OutDir_Edt, s.output_directory);
    for (int i = 0; i < 6; ++i) set_text(fMO_OutFn_Edt[i], s.out_names[i]);
    showing_state_ = false;
    show_enabled();
    show_caption();
}

void MainWindow::show_enabled() {
    const MainEnabled& e = form_->enabled();
    const MainCommands c = main_commands(running());
    const auto row = [&](std::initializer_list<QWidget*> widgets, bool on) {
        for (QWidget* w : widgets)
            if (w) w->setEnabled(on && c.fields);
    };
    row({fMN_PntFn_Lbl[0], fMN_PntFn_Edt[0], fMN_PntFn_BtnO[0]}, true);
    row({fMN_PntFn_Lbl[1], fMN_PntFn_Edt[1], fMN_PntFn_BtnO[1]}, e.point_file2);
    row({fMN_PntFn_Lbl[2], fMN_PntFn_Edt[2], fMN_PntFn_BtnO[2]}, e.point_file3);
    for (int i = 0; i < 3; ++i) row({fMN_PntFn_BtnCh[i]}, e.point_test[i]);
    row({fMN_PrjJTSK_Rad, fMN_PrjS42_Rad, fMN_PrjOther_Rad}, true);
    row({fMN_PrjOther_Lbl, fMN_PrjOther_Edt}, e.rotation);
    row({fMP_PolList_Lst, fMP_PolChoice_Lst, fMP_PolAdd_Btn, fMP_PolDel_Btn, fMP_PolUsr_Edt, fMP_PolLimit1_Edt,
         fMP_PolLimit2_Edt},
        true);
    row({fMP_PolRem_Lbl, fMP_PolRem_Edt}, e.half_life);
    for (int i = 0; i < 3; ++i) {
        row({fMS_SrcFn_Edt[i], fMS_SrcFn_BtnO[i]}, true);
        row({fMS_SrcFn_BtnCh[i]}, e.source_test[i]);
    }
    row({fMS_TrnFn_Rad, fMS_Back_Rad}, true);
    row({fMS_TrnFn_Edt, fMS_TrnFn_BtnO}, e.transfers);
    row({fMS_TrnFn_BtnCh}, e.transfers_test);
    for (int k = 0; k < kMaxPollutants; ++k) {
        row({fMS_Back_Edt[k], fMS_Back_Lbl[k]}, e.background[k]);
        fMS_Back_Edt[k]->setToolTip(qt_text(e.background_hint[k]));
        fMS_Back_Lbl[k]->setText(qt_text(e.background_label[k]));
    }
    row({fMM_RosFn_Edt, fMM_RosFn_BtnO}, true);
    row({fMM_RosFn_BtnCh}, e.wind_test);
    row({fMO_TypBasic_Rad, fMO_TypStd_Rad, fMO_TypExt_Rad, fMO_FrmTxt_Rad, fMO_FrmDbf_Rad, fMO_Lim_Edt, fMO_OutDir_Edt,
         fMO_OutDir_Btn},
        true);
    for (int i = 0; i < 6; ++i) row({fMO_OutFn_Lbl[i], fMO_OutFn_Edt[i], fMO_OutFn_Btn[i]}, e.out_names[i]);

    MenuI_PrjNew->setEnabled(c.new_project);
    MenuI_PrjOpen->setEnabled(c.open_project);
    for (QAction* a : recent_menu->actions())
        if (a->property("recentProject").isValid() && !a->isSeparator()) a->setEnabled(c.open_project);
    MenuI_PrjSave->setEnabled(c.save);
    MenuI_PrjSaveAs->setEnabled(c.save);
    MenuI_PolList->setEnabled(c.catalogue);
    MenuI_Moznosti->setEnabled(c.settings);
    fM_Run_Btn->setEnabled(c.run);
    fM_Stop_Btn->setEnabled(c.stop);
    fM_End_Btn->setEnabled(c.quit_button);
}

void MainWindow::show_caption() {
    setWindowTitle(qt_text(form_->caption()));
    show_recent();
}

void MainWindow::show_recent() {
    // The items stand between the separator after "Uložit j&ako..." and "&Konec".
    const std::vector<std::string>& list = setup_.prefs->recent_projects;
    QList<QAction*> items;
    for (QAction* a : recent_menu->actions())
        if (a->property("recentProject").isValid()) items << a;
    QStringList shown, wanted;
    for (QAction* a : items)
        if (!a->isSeparator()) shown << a->property("recentProject").toString();
    for (const std::string& p : list) wanted << qt_path(p);
    if (shown == wanted) return;
    for (QAction* a : items) {
        recent_menu->removeAction(a);
        delete a;
    }
    for (int i = 0; i < static_cast<int>(list.size()); ++i) {
        auto* a = new QAction(qt_text(recent_project_item(i, list[i])), recent_menu);
        a->setProperty("recentProject", qt_path(list[i]));
        connect(a, &QAction::triggered, this, [this, name = list[i]] { open_recent(name); });
        a->setEnabled(main_commands(running()).open_project);
        recent_menu->insertAction(MenuI_PrjEnd, a);
    }
    if (!list.empty()) {
        auto* separator = new QAction(recent_menu);
        separator->setSeparator(true);
        separator->setProperty("recentProject", QString());
        recent_menu->insertAction(MenuI_PrjEnd, separator);
    }
    if (setup_.user_store) recent_projects_save(*setup_.user_store, setup_.settings_group, list);
}

void MainWindow::after_change() { show_state(); }

void MainWindow::show_reply(const MainReply& reply) {
    show_state();
    // The message box and the focus put back must not count as the user
    // leaving a field again.
    showing_message_ = true;
    if (!reply.message.empty()) {
        show_zemo_message(this, reply.message);
        activateWindow();  // the focus goes back to this window's field
    }
    if (QWidget* w = widget_of(reply.focus)) {
        for (int t = 0; t < tabs->count(); ++t)
            if (tabs->widget(t)->isAncestorOf(w)) tabs->setCurrentIndex(t);
        w->setFocus(Qt::OtherFocusReason);
        if (auto* edit = qobject_cast<QLineEdit*>(w); edit && reply.select_text) edit->selectAll();
    }
    showing_message_ = false;
}

void MainWindow::focus_changed(QWidget* old, QWidget* now) {
    if (showing_message_ || showing_state_ || old == nullptr || old->window() != this) return;
    // Only a move within the window leaves a field; a dialog or another
    // window taking the focus does not.
    if (now == nullptr || now->window() != this) return;
    const MainControl field = control_of(old);
    if (!checked_on_leave(field)) return;
    const MainReply reply = form_->leave_field(field, control_of(now));
    show_reply(reply);
}

bool MainWindow::may_leave_tab() {
    QWidget* focus = QApplication::focusWidget();
    if (focus == nullptr || !tabs->isAncestorOf(focus)) return true;
    const MainControl field = control_of(focus);
    if (!checked_on_leave(field)) return true;
    const MainReply reply = form_->leave_field(field, MainControl::None);
    if (reply.ok) return true;
    show_reply(reply);
    return false;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    bool switches = false;
    if (watched == tabs->tabBar()) {
        // A click on a tab, or its mnemonic ("&Zdroje").
        switches =
            (event->type() == QEvent::MouseButtonPress &&
             static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
             tabs->tabBar()->tabAt(static_cast<QMouseEvent*>(event)->position().toPoint()) != tabs->currentIndex()) ||
            event->type() == QEvent::Shortcut;
    } else if (watched == tabs && event->type() == QEvent::KeyPress) {
        // Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+PgDown and Ctrl+PgUp.
        const auto* key = static_cast<QKeyEvent*>(event);
        switches = (key->modifiers() & Qt::ControlModifier) &&
                   (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab || key->key() == Qt::Key_PageUp ||
                    key->key() == Qt::Key_PageDown);
    }
    if (switches && !showing_message_ && !showing_state_ && !may_leave_tab()) return true;
    return QMainWindow::eventFilter(watched, event);
}

QStringList MainWindow::messages() const { return fM_Msg_Mem->toPlainText().split(QLatin1Char('\n')); }

// ---------------------------------------------------------------------------
// Commands

void MainWindow::start(const QStringList& arguments) {
    fM_Msg_Mem->appendPlainText(qt_text(start_line(setup_.version)));
    std::vector<std::string> args;
    for (const QString& a : arguments) args.push_back(logic_text(a));
    const MainReply reply = form_->start(args);
    show_state();
    show_reply(reply);
}

void MainWindow::new_project() {
    const MainReply reply = form_->new_project(*dialogs_);
    show_reply(reply);
}

void MainWindow::open_project() {
    const MainReply reply = form_->open_project(*dialogs_);
    show_reply(reply);
}

void MainWindow::open_recent(const std::string& name) {
    if (running()) return;
    const MainReply reply = form_->open_recent(*dialogs_, name);
    show_reply(reply);
}

void MainWindow::save_project() {
    const MainReply reply = form_->save(*dialogs_, control_of(QApplication::focusWidget()));
    show_reply(reply);
}

void MainWindow::save_project_as() {
    const MainReply reply = form_->save_as(*dialogs_, control_of(QApplication::focusWidget()));
    show_reply(reply);
}

void MainWindow::quit_by_button() {
    // The window's place is stored with the other preferences.
    setup_.prefs->form_top = geometry().y();
    setup_.prefs->form_left = geometry().x();
    const auto step = form_->request_quit(MainForm::QuitSource::Button, running(), *dialogs_, setup_.user_store,
                                          setup_.settings_group);
    if (step == MainForm::QuitStep::Quit) {
        close_after_run_ = false;
        quitting_ = true;
        close();
    }
    show_state();
}

void MainWindow::quit_by_menu() {
    auto step = form_->request_quit(MainForm::QuitSource::Menu, running(), *dialogs_);
    if (step == MainForm::QuitStep::StopRunFirst) {
        if (running()) {
            // Stop the run; the window closes when it has ended.
            close_after_run_ = true;
            session_.closing = true;
            return;
        }
        // The run ended while the question was shown: nothing is left to
        // stop, and a later run must not close the window when it ends.
        step = form_->request_quit(MainForm::QuitSource::Menu, false, *dialogs_);
    }
    if (step == MainForm::QuitStep::Quit) {
        quitting_ = true;
        close();
    }
    show_state();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (quitting_) {
        close_help();
        event->accept();
        return;
    }
    if (running()) {
        // Stop the run, if the modeller agrees; the window closes when it
        // has ended.
        if (form_->request_quit(MainForm::QuitSource::CloseButton, true, *dialogs_) !=
            MainForm::QuitStep::StopRunFirst) {
            event->ignore();
            return;
        }
        if (running()) {
            close_after_run_ = true;
            session_.closing = true;
            event->ignore();
            return;
        }
        // The run ended while the question was shown: the window closes as
        // it would have after the run (a later run must not close it).
    }
    const auto step = form_->request_quit(MainForm::QuitSource::CloseButton, false, *dialogs_);
    show_state();
    if (step == MainForm::QuitStep::Quit) {
        quitting_ = true;
        close_help();
        event->accept();
    } else {
        event->ignore();
    }
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && setup_.show_splash && !splash_shown_) {
        splash_shown_ = true;
        QTimer::singleShot(0, this, [this] {
            SplashWindow splash(qt_text(setup_.version), this);
            splash.exec();
        });
    }
}

void MainWindow::show_log() {
    const LogToShow shown = running() ? LogToShow{log_state_text(true, true), {}} : log_to_show(session_);
    if (!shown.message.empty()) {
        show_zemo_message(this, shown.message);
        return;
    }
#ifdef _WIN32
    QProcess::startDetached(QStringLiteral("notepad.exe"), {qt_path(shown.path)});
#else
    show_log_window(this, qt_path(shown.path));
#endif
}

void MainWindow::show_maps() {
#ifdef ZEMO_HAVE_MAPS
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const MapView view = make_map_view(last_run_, running(), logic_text(QDir::tempPath()));
    QApplication::restoreOverrideCursor();
    show_map_window(this, view);
#endif
}

void MainWindow::open_catalogue() {
    if (running()) return;
    CatalogueWindow window(*setup_.catalogue, catalogue_path(platform_root(setup_.prefs->root_dir)),
                           setup_.decimal_separator, this);
    window.exec();
    const std::string emptied = form_->catalogue_closed(window.reply());
    if (!emptied.empty()) fM_Msg_Mem->appendPlainText(qt_text(emptied));
    show_state();
}

void MainWindow::open_settings() {
    SettingsDialog dialog(*setup_.prefs, this);
    dialog.exec();
}

void MainWindow::show_about() {
    AboutWindow about(qt_text(setup_.version), this);
    about.exec();
}

void MainWindow::help_for_focus() {
    int topic = 0;
    if (QWidget* focus = QApplication::focusWidget(); focus && focus->window() == this) {
        for (int t = 0; t < tabs->count(); ++t)
            if (tabs->widget(t)->isAncestorOf(focus)) topic = help_topic(t);
    }
    show_help(topic);
}

void MainWindow::browse_data(MainControl field) {
    const OpenDataRequest q = form_->open_data_request(field);
    QFileDialog dialog(this, qt_text(q.title));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    const QStringList filters = qt_name_filters(q.filter);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.value(q.filter_index - 1, filters.value(0)));
    dialog.setDirectory(qt_path(q.directory));
    if (!q.preset.empty()) dialog.selectFile(qt_path(q.preset));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const int index = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
    form_->open_data_chosen(field, logic_text(QDir::toNativeSeparators(dialog.selectedFiles().first())),
                            index > 0 ? index : 1);
    after_change();
}

void MainWindow::browse_output(MainControl field) {
    QFileDialog dialog(this, qt_text("Otevřít výstupní soubor"_cz));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters(qt_name_filters("všechny soubory|*"_cz));
    dialog.setDirectory(qt_path(form_->open_out_directory()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    form_->open_out_chosen(field, logic_text(QDir::toNativeSeparators(dialog.selectedFiles().first())));
    after_change();
}

void MainWindow::browse_output_directory() {
    const std::string& out = form_->state().output_directory;
    // A relative output directory lies in the project's directory.
    const std::string out_path = out.empty() ? out : path_resolved_in(out, form_->project_directory());
    const std::string start = directory_chooser_start(out_path, setup_.prefs->last_path,
                                                      !out_path.empty() && QDir(qt_path(out_path)).exists());
    if (const auto chosen = choose_directory(this, qt_path(start))) {
        form_->output_directory_chosen(logic_text(QDir::toNativeSeparators(*chosen)));
        after_change();
    }
}

void MainWindow::test_file(CheckedFile kind) {
    if (running()) return;
    const ScreenToCfg screen_to_cfg = [this](ProjectForm& form) {
        form_->ScreenToCfg(form);
        return !form_->error();
    };
    RunPlaces places{form_->project_directory(), logic_text(QDir::tempPath())};
    check_data(screen_to_cfg, kind, places, *gui_run_window_);
}

// ---------------------------------------------------------------------------
// The run

void MainWindow::start_run() {
    if (running()) return;
    ProjectForm form;
    const MainReply reply = form_->ScreenToCfg(form);
    const bool form_ok = !form_->error();
    if (!form_ok) show_reply(reply);
    any_run_ = true;
    session_.closing = false;
    end_after_run_ = false;
    RunPlaces places{form_->project_directory(), logic_text(QDir::tempPath())};
#ifdef ZEMO_HAVE_MAPS
    last_run_ = LastRun{true,
                        -100,
                        form,
                        platform::base_name(form_->file_name()),
                        places.project_directory,
                        {},
                        setup_.prefs->root_dir};
#endif
    worker_ = new RunWorker(*this, *gui_run_window_, std::move(form), form_ok, *setup_.prefs, std::move(places));
    connect(worker_, &QThread::finished, this, [this] { run_ended(worker_ ? worker_->status() : -100); });
    fM_Progress->setValue(0);
    show_enabled();
    worker_->start();
}

void MainWindow::stop_run() { session_.stop = true; }

void MainWindow::wait_for_run() {
    while (worker_) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
}

void MainWindow::run_ended(int status) {
    if (!worker_) return;
    worker_->wait();
    worker_->deleteLater();
    worker_ = nullptr;
#ifdef ZEMO_HAVE_MAPS
    last_run_.status = status;
    last_run_.log_path = session_.log_path;
#endif
    show_state();
    emit run_finished(status);
    if (close_after_run_) {
        close_after_run_ = false;
        close();
        return;
    }
    if (end_after_run_ && status == 0) {
        quitting_ = true;
        close();
        QCoreApplication::quit();
    }
}

}  // namespace zemo::desktop::ui
