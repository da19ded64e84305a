// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: personal password, date, the password list, and the way to the settings,
// printing and help windows. It also connects the windows with the engine and the pattern file.
#pragma once

#include <QDate>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "engine/code_page.h"
#include "session/list_flow.h"
#include "session/program_folders.h"
#include "session/settings_store.h"
#include "ui/frmHelp.h"
#include "ui/printing.h"
#include "ui/program_folders.h"

class QAction;
class QFileSystemWatcher;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QShowEvent;

namespace tessaroll::ui {

class FingerprintView;
class frmSettings;
class PickComboBox;
class StatusLine;

class frmMain : public QMainWindow {
    Q_OBJECT

public:
    // folder: the program's folder, which holds output.txt, pattern.tq and the help pages.
    // today: the date the date boxes start with. code_page: that of the personal password's
    // character codes and of output.txt. Form_Load runs before the constructor returns.
    frmMain(const QString& folder, const QDate& today, CodePage code_page = CodePage::Western);
    // The same with the files, the pattern file read at start and the help pages in the folders
    // the start procedure chose (the files folder already made).
    frmMain(const ProgramFolders& folders, const QDate& today,
            CodePage code_page = CodePage::Western);
    ~frmMain() override;

    // The settings record shared by all windows.
    const GenerationSettings& generation_settings() const { return store_.settings(); }

    void set_printer_factory(PrinterFactory factory);

    void generate_passwords();
    // Loads pattern.tq at start. A file that does not load completely, or that has flag lines the
    // program never writes, is reported once in a message box when the window is up, and is kept
    // as pattern.tq.bak before the first save replaces it.
    void get_pattern();
    // The last flush at the end: every accepted change was saved when it was made, so this writes
    // only a change whose save failed, and says so again when it fails once more.
    void save_pattern();

signals:
    // The program has ended: the main window closed or Exit was chosen. Emitted once.
    void ended();

public slots:
    void Form_Load();
    void cmdGenerate_Click();
    void cmdSettings_Click();
    void Form_Unload();
    void Exit_Click();
    void cmdPrint_Click();
    void About_Click();
    void UserGuide_Click();
    void We_pay_Click();
    // The desktop session ends (logoff, shutdown): Qt closes no window then, so the settings
    // are saved here.
    void session_ending();
    // pattern.tq or its folder changed on disk: another program's change is loaded and shown.
    void pattern_file_changed();

    // The window's status line: what it has to say about the list shown.
    QString status() const;

    // The notes on the personal password as typed, one a line, shown as a sign in the password box
    // (its tooltip) and read with the box (its accessible description): the characters that do
    // not reach the seed as typed, the empty password, the characters beyond the seed. Empty
    // when there is nothing to say.
    QString password_notes() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // The list the box shows, what it was made of, and output.txt as Generate wrote it.
    struct ShownList {
        ListDate date;
        QString personal;
        GenerationSettings settings;
        std::string file_bytes;
        QString date_note;  // a date that is not in the calendar, named
        int count = 0;      // passwords in the list
    };

    // The settings window, created hidden on first use.
    frmSettings* settings_window();
    void end_program();
    void show_fingerprint();
    // The sign in the password box and the box's description follow the notes on what is typed.
    void show_password_notes();
    void watch_pattern_file();
    // The personal password box changed: refused when it is longer than a personal password can
    // be (the text before stays), otherwise the fingerprint and the status line follow it.
    void password_changed();
    // The files folder changed on disk: another program's settings, or another output.txt.
    void files_folder_changed();
    // Whether output.txt still holds the list shown, as this window wrote it.
    bool output_file_holds_list() const;
    // What changed since the list shown was made ("the date", ...), empty when nothing did.
    QStringList changes_since_list() const;
    // Brings the list's caption, Print and the status line in line with the list shown.
    void show_list_state();

    std::optional<ShownList> shown_;
    bool file_holds_list_ = false;
    QString accepted_password_;

    ProgramFolders folders_;
    QDate today_;
    CodePage code_page_;
    SettingsStore store_;
    QFileSystemWatcher* pattern_watch_ = nullptr;
    std::unique_ptr<frmSettings> settings_window_;
    QPointer<frmHelp> help_;
    PrinterFactory printer_factory_ = make_default_printer;
    bool ending_ = false;
    // The last save at the end failed and said so: the same failure is not said twice.
    bool end_save_reported_ = false;

    QPushButton* cmdGenerate;
    QPlainTextEdit* txtPasswords;
    QLineEdit* txtPpswd;
    FingerprintView* picFingerprint;
    // The sign at the end of the password box, as password boxes show Caps Lock: a warning for
    // characters that do not reach the seed as typed, else information; hidden with no note.
    QAction* actPasswordNote;
    QPushButton* cmdPrint;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    PickComboBox* cmbDay;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    PickComboBox* cmbMonth;
    PickComboBox* cmbYear;
    QPushButton* cmdSettings;
    StatusLine* LabelStatus;

    QMenu* Help;
    QAction* About;
    QAction* UserGuide;
    QAction* We_pay;
    QAction* separator;
    QAction* Exit;
};

}  // namespace tessaroll::ui
