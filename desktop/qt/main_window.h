// The main window "[name] - Zemo": five tabs of project fields, the message
// area, the progress bar and the run buttons. Every rule is MainForm's
// (desktop/logic/main_form.h) or the run's (desktop/logic/desktop_run.h):
// the window copies its controls' texts and options into MainForm's state,
// forwards each user action to one MainForm operation, and shows the reply
// (a message box, where the focus goes) and the recomputed enabling.
//
// A run happens on a worker thread (RunWorker): the window stays
// responsive, "Zastavit" sets the session's stop flag, and while the run
// lasts main_commands(true) keeps everything that could change the project
// disabled. Closing the window during a run stops the run, waits for its
// end, and then closes as it would have.
#pragma once

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "desktop/logic/desktop_run.h"
#include "desktop/logic/main_form.h"
#ifdef ZEMO_HAVE_MAPS
#include "desktop/maps/map_view.h"
#endif

class QAction;
class QButtonGroup;
class QLabel;
class QLineEdit;
class QMenu;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QThread;

namespace zemo::desktop::ui {

class RunWorker;

// What the window is started with.
struct MainWindowSetup {
    PollutantCatalogue* catalogue = nullptr;  // read at start (load_catalogue)
    Preferences* prefs = nullptr;             // read at start (prefs_load)
    SettingsStore* user_store = nullptr;      // where the "&Konec" button stores them
    std::string settings_group;               // the version key ("1.0")
    std::string version;                      // the program's version text
    // A new project's directory (the user's documents), ending in a
    // separator; empty: the installation directory.
    std::string default_directory;
    char decimal_separator = '.';
    bool show_splash = true;  // the splash window at the first activation
};

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(const MainWindowSetup& setup, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Start with the program's arguments (a project name opens it).
    void start(const QStringList& arguments);

    MainForm& form() { return *form_; }
    RunSession& session() { return session_; }
    bool running() const { return worker_ != nullptr; }
    // The message area's lines.
    QStringList messages() const;

    // The controls, by their documented names, for the tests and screenshots.
    QTabWidget* tabs = nullptr;
    std::array<QLineEdit*, 3> fMN_PntFn_Edt{};
    std::array<QPushButton*, 3> fMN_PntFn_BtnO{}, fMN_PntFn_BtnCh{};
    std::array<QLabel*, 3> fMN_PntFn_Lbl{};
    QRadioButton *fMN_PrjJTSK_Rad = nullptr, *fMN_PrjS42_Rad = nullptr, *fMN_PrjOther_Rad = nullptr;
    QLineEdit* fMN_PrjOther_Edt = nullptr;
    QLabel* fMN_PrjOther_Lbl = nullptr;
    QListWidget *fMP_PolList_Lst = nullptr, *fMP_PolChoice_Lst = nullptr;
    QPushButton *fMP_PolAdd_Btn = nullptr, *fMP_PolDel_Btn = nullptr;
    QLineEdit *fMP_PolUsr_Edt = nullptr, *fMP_PolLimit1_Edt = nullptr, *fMP_PolLimit2_Edt = nullptr,
              *fMP_PolRem_Edt = nullptr;
    QLabel* fMP_PolRem_Lbl = nullptr;
    std::array<QLineEdit*, 3> fMS_SrcFn_Edt{};  // point, line, area
    std::array<QPushButton*, 3> fMS_SrcFn_BtnO{}, fMS_SrcFn_BtnCh{};
    QRadioButton *fMS_TrnFn_Rad = nullptr, *fMS_Back_Rad = nullptr;
    QLineEdit* fMS_TrnFn_Edt = nullptr;
    QPushButton *fMS_TrnFn_BtnO = nullptr, *fMS_TrnFn_BtnCh = nullptr;
    std::array<QLineEdit*, kMaxPollutants> fMS_Back_Edt{};
    QLineEdit* fMM_RosFn_Edt = nullptr;
    QPushButton *fMM_RosFn_BtnO = nullptr, *fMM_RosFn_BtnCh = nullptr;
    QRadioButton *fMO_TypBasic_Rad = nullptr, *fMO_TypStd_Rad = nullptr, *fMO_TypExt_Rad = nullptr;
    QRadioButton *fMO_FrmTxt_Rad = nullptr, *fMO_FrmDbf_Rad = nullptr;
    QLineEdit* fMO_Lim_Edt = nullptr;
    QLineEdit* fMO_OutDir_Edt = nullptr;
    QPushButton* fMO_OutDir_Btn = nullptr;
    std::array<QLineEdit*, 6> fMO_OutFn_Edt{};  // indexed by OutName
    std::array<QPushButton*, 6> fMO_OutFn_Btn{};
    std::array<QLabel*, 6> fMO_OutFn_Lbl{};
    std::array<QLabel*, kMaxPollutants> fMS_Back_Lbl{};  // the background fields' indicatives
    QMenu* recent_menu = nullptr;                        // "Projekt": the last projects
    QPlainTextEdit* fM_Msg_Mem = nullptr;
    QProgressBar* fM_Progress = nullptr;
    QPushButton *fM_Run_Btn = nullptr, *fM_Stop_Btn = nullptr, *fM_End_Btn = nullptr;
    QAction *MenuI_PrjNew = nullptr, *MenuI_PrjOpen = nullptr, *MenuI_PrjSave = nullptr, *MenuI_PrjSaveAs = nullptr,
            *MenuI_PrjEnd = nullptr, *Menu_ToolLOGfile = nullptr, *MenuI_PolList = nullptr, *MenuI_Moznosti = nullptr,
            *MenuI_HelpHelp = nullptr, *MenuI_HelpAbout = nullptr, *Menu_ToolMaps = nullptr;

    // The commands, as the menu and the buttons give them.
    void new_project();
    void open_project();
    // One of the last projects of the "Projekt" menu.
    void open_recent(const std::string& name);
    void save_project();
    void save_project_as();
    void quit_by_button();
    void quit_by_menu();
    void show_log();
    void show_maps();
    void open_catalogue();
    void open_settings();
    void show_about();
    void help_for_focus();
    void start_run();
    void stop_run();
    // Waits (processing events) until the running computation has ended.
    void wait_for_run();
    // "Close": the program ends after this run when it succeeds.
    void request_end_after_run() { end_after_run_ = true; }

signals:
    void run_finished(int status);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    friend class RunWorker;
    class Dialogs;
    class GuiRunWindow;

    // The installation directory with its trailing separator.
    static std::string platform_root(const std::string& root_dir);
    void build_menu();
    QWidget* build_grid_tab();
    QWidget* build_pollutant_tab();
    QWidget* build_source_tab();
    QWidget* build_wind_tab();
    QWidget* build_result_tab();
    void connect_text(QLineEdit* field, MainControl control);

    // Controls -> MainForm state and back, and the enabling.
    MainControl control_of(const QWidget* widget) const;
    QWidget* widget_of(MainControl control) const;
    void store_options();
    void show_state();
    void show_enabled();
    void show_caption();
    // The last projects in the "Projekt" menu, stored at once when changed.
    void show_recent();
    void show_reply(const MainReply& reply);
    void after_change();

    void focus_changed(QWidget* old, QWidget* now);
    // Whether the tab may change: a field with the focus that refuses to be
    // left keeps its page (and the tab bar with it) before the switch starts.
    bool may_leave_tab();
    bool eventFilter(QObject* watched, QEvent* event) override;
    void browse_data(MainControl field);
    void browse_output(MainControl field);
    void browse_output_directory();
    void test_file(CheckedFile kind);
    void run_ended(int status);

    MainWindowSetup setup_;
    std::unique_ptr<MainForm> form_;
    std::unique_ptr<Dialogs> dialogs_;
    std::unique_ptr<GuiRunWindow> gui_run_window_;
    RunSession session_;
    RunWorker* worker_ = nullptr;
    bool any_run_ = false;
#ifdef ZEMO_HAVE_MAPS
    LastRun last_run_;  // what the map view maps
#endif
    bool showing_state_ = false;    // controls being filled from the state
    bool showing_message_ = false;  // a refusal's message box is up
    bool close_after_run_ = false;  // the window was closed during the run
    bool end_after_run_ = false;    // "Close": end the program after this run
    bool splash_shown_ = false;
    bool quitting_ = false;  // the save question allowed the program to end
    QButtonGroup *projection_group_ = nullptr, *addition_group_ = nullptr, *type_group_ = nullptr,
                 *format_group_ = nullptr;
};

}  // namespace zemo::desktop::ui
