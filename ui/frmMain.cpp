// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>
#include <QToolTip>
#include <algorithm>
#include <array>
#include <string>

#include "engine/code_page.h"
#include "engine/error.h"
#include "engine/fingerprint.h"
#include "engine/list_file.h"
#include "session/limits.h"
#include "session/list_flow.h"
#include "session/password_notes.h"
#include "settings/box_number.h"
#include "ui/fingerprint_view.h"
#include "ui/form_controls.h"
#include "ui/form_layout.h"
#include "ui/frmSettings.h"
#include "ui/message_box.h"
#include "ui/pick_combo_box.h"

namespace tessaroll::ui {

namespace {

// What the password box is, for screen readers; the notes on what is typed follow it.
const QString kPasswordDescription =
    QStringLiteral("Shown as stars; the fingerprint beside it shows what was typed");

// Shows every character of the personal password as "*".
class StarPasswordStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override {
        if (hint == QStyle::SH_LineEdit_PasswordCharacter) {
            return '*';
        }
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }
};

QPushButton* make_button(QWidget* parent, const char* name, const char* caption) {
    auto* button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);  // Enter and Esc press no button
    button->setDefault(false);
    return button;
}

QAction* make_action(QWidget* window, QMenu* menu, const char* name, const char* caption,
                     const QKeySequence& keys) {
    auto* action = menu->addAction(QString::fromLatin1(caption));
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    window->addAction(action);  // the accelerator works while the menu is closed
    return action;
}

}  // namespace

frmMain::frmMain(const QString& folder, const QDate& today, CodePage code_page)
    : frmMain(ProgramFolders{to_path(folder), to_path(folder), to_path(folder),
                             FilesPlace::GivenFolder},
              today, code_page) {}

frmMain::frmMain(const ProgramFolders& folders, const QDate& today, CodePage code_page)
    : QMainWindow(nullptr),
      folders_(folders),
      today_(today),
      code_page_(code_page),
      store_(folders.pattern_file(), folders.pattern_file_to_load()) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Tessaroll"));
    setFont(form_font());

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);

    // Created in tab order; labels never take the focus.
    cmdGenerate = make_button(client, "cmdGenerate", "Generate");
    txtPasswords = new QPlainTextEdit(client);
    txtPasswords->setObjectName(QStringLiteral("txtPasswords"));
    txtPpswd = new QLineEdit(client);
    txtPpswd->setObjectName(QStringLiteral("txtPpswd"));
    picFingerprint = new FingerprintView(client);
    picFingerprint->setObjectName(QStringLiteral("picFingerprint"));
    actPasswordNote = txtPpswd->addAction(QIcon(), QLineEdit::TrailingPosition);
    actPasswordNote->setObjectName(QStringLiteral("actPasswordNote"));
    actPasswordNote->setVisible(false);
    cmdPrint = make_button(client, "cmdPrint", "Print");
    Label1 = make_label(client, "Label1", "Personal password");
    Label2 = make_label(client, "Label2", "Passwords");
    Label3 = make_label(client, "Label3", "Date");
    cmbDay = make_combo(client, "cmbDay");
    Label4 = make_label(client, "Label4", "Day");
    Label5 = make_label(client, "Label5", "Month");
    Label6 = make_label(client, "Label6", "Year");
    cmbMonth = make_combo(client, "cmbMonth");
    cmbYear = make_combo(client, "cmbYear");
    cmdSettings = make_button(client, "cmdSettings", "Settings");
    LabelStatus = new StatusLine(client, "LabelStatus");

    place(cmdGenerate, 120, 3480, 1215, 495);
    place(txtPasswords, 120, 1560, 2655, 1455);
    // The password box leaves room at its right for the fingerprint, which ends where the date
    // boxes end.
    place(txtPpswd, 2160, 120, 1575, 375);
    place(picFingerprint, 3795, 120, 780, 375);
    place(cmdPrint, 1800, 3480, 1215, 495);
    place(Label1, 360, 240, 1575, 255);
    place(Label2, 120, 1080, 1215, 255);
    place(Label3, 3840, 720, 615, 255);
    place(cmbDay, 3840, 1080, 735, 315);
    place(Label4, 3120, 1200, 375, 255);
    place(Label5, 3120, 1680, 495, 255);
    place(Label6, 3120, 2160, 495, 255);
    place(cmbMonth, 3840, 1560, 735, 315);
    place(cmbYear, 3840, 2040, 735, 315);
    place(cmdSettings, 3360, 3480, 1215, 495);
    // The status line, under the buttons in the strip the client area has gained at its bottom.
    place(LabelStatus, 120, 4020, 4440, 780);

    // The list: read only (select and copy still work), one password a line, with scroll bars
    // where the list is longer or wider than the box; Tab moves on.
    txtPasswords->setReadOnly(true);
    txtPasswords->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    txtPasswords->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    txtPasswords->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    txtPasswords->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtPasswords->setTabChangesFocus(true);

    auto* stars = new StarPasswordStyle;
    stars->setParent(txtPpswd);
    txtPpswd->setStyle(stars);
    txtPpswd->setEchoMode(QLineEdit::Password);
    // Longer than a personal password can be, so that a longer paste is seen and refused whole
    // rather than cut.
    txtPpswd->setMaxLength(static_cast<int>(4 * kMaxPasswordChars));

    setAccessibleDescription(
        QStringLiteral("Makes the numbered password list of a date from your personal password"));
    Label1->setBuddy(txtPpswd);
    Label2->setBuddy(txtPasswords);
    Label3->setBuddy(cmbDay);
    Label4->setBuddy(cmbDay);
    Label5->setBuddy(cmbMonth);
    Label6->setBuddy(cmbYear);
    describe(cmdGenerate, QStringLiteral("Generate"),
             QStringLiteral("Makes the list of the date shown, shows it and writes it to "
                            "output.txt"));
    describe(txtPasswords, QStringLiteral("Passwords"), QStringLiteral("No list yet"));
    describe(txtPpswd, QStringLiteral("Personal password"), kPasswordDescription);
    describe(cmdPrint, QStringLiteral("Print"),
             QStringLiteral("Prints the list in the box on the default printer"));
    describe(cmbDay, QStringLiteral("Day"), QStringLiteral("Day of the month, 1 to 31"));
    describe(cmbMonth, QStringLiteral("Month"), QStringLiteral("Month, 1 to 12"));
    describe(cmbYear, QStringLiteral("Year"),
             QStringLiteral("Year, %1 to %2").arg(kFirstYear).arg(kLastYear));
    describe(cmdSettings, QStringLiteral("Settings"),
             QStringLiteral("Opens the Settings window: how many passwords, how long, and "
                            "which positions hold letters"));

    const std::array<QWidget*, 8> tab_order = {cmdGenerate, txtPasswords, txtPpswd, cmdPrint,
                                               cmbDay,      cmbMonth,     cmbYear,  cmdSettings};
    for (std::size_t i = 1; i < tab_order.size(); ++i) {
        setTabOrder(tab_order[i - 1], tab_order[i]);
    }
    cmdPrint->setEnabled(false);

    Help = menuBar()->addMenu(QStringLiteral("Help"));
    Help->setObjectName(QStringLiteral("Help"));
    About = make_action(this, Help, "About", "About", QKeySequence(Qt::CTRL | Qt::Key_A));
    UserGuide =
        make_action(this, Help, "UserGuide", "User Guide", QKeySequence(Qt::CTRL | Qt::Key_U));
    We_pay = make_action(this, Help, "We_pay", "We Pay", QKeySequence(Qt::CTRL | Qt::Key_P));
    separator = Help->addSeparator();
    separator->setObjectName(QStringLiteral("separator"));
    Exit = make_action(this, Help, "Exit", "Exit", QKeySequence(Qt::CTRL | Qt::Key_E));

    connect(cmdGenerate, &QPushButton::clicked, this, &frmMain::cmdGenerate_Click);
    connect(cmdPrint, &QPushButton::clicked, this, &frmMain::cmdPrint_Click);
    connect(cmdSettings, &QPushButton::clicked, this, &frmMain::cmdSettings_Click);
    connect(About, &QAction::triggered, this, &frmMain::About_Click);
    connect(UserGuide, &QAction::triggered, this, &frmMain::UserGuide_Click);
    connect(We_pay, &QAction::triggered, this, &frmMain::We_pay_Click);
    connect(Exit, &QAction::triggered, this, &frmMain::Exit_Click);
    connect(txtPpswd, &QLineEdit::textChanged, this, &frmMain::password_changed);
    // A click on the sign shows its text at once, for those who do not wait for the tooltip.
    connect(actPasswordNote, &QAction::triggered, this, [this] {
        QToolTip::showText(txtPpswd->mapToGlobal(QPoint(0, txtPpswd->height())),
                           actPasswordNote->toolTip(), txtPpswd);
    });
    for (PickComboBox* box : {cmbDay, cmbMonth, cmbYear}) {
        connect(box, &QComboBox::editTextChanged, this, &frmMain::show_list_state);
    }
    // Qt closes no window when the desktop session ends; these two come instead.
    connect(qApp, &QGuiApplication::commitDataRequest, this, &frmMain::session_ending);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &frmMain::session_ending);

    // Text and combo boxes would take Ctrl+A, Ctrl+E, Ctrl+U as editing keys; the menu's
    // accelerators come first in this window.
    qApp->installEventFilter(this);

    // Client area 4680 x 4305 twips below the menu bar, its corner at 1155, 1725 on the screen,
    // and 510 twips more at the bottom for the status line. The window keeps that size; where its
    // corner would put part of it off the screen, it is moved onto the screen when shown.
    const int menu_height = menuBar()->sizeHint().height();
    const int client_height = pixels(4305 + 510);
    setFixedSize(pixels(4680), client_height + menu_height);
    setGeometry(pixels(1155), pixels(1725) - menu_height, pixels(4680),
                client_height + menu_height);
    cmdGenerate->setFocus();
    show_password_notes();  // the empty password, until one is typed

    Form_Load();
}

frmMain::~frmMain() {
    qApp->removeEventFilter(this);
    if (help_) {
        delete help_.data();
    }
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this) {
        auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(key->keyCombination());
        for (const QAction* action : {About, UserGuide, We_pay, Exit}) {
            if (action->shortcut() == pressed) {
                key->ignore();  // not for the box: the shortcut runs
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::set_printer_factory(PrinterFactory factory) {
    printer_factory_ = std::move(factory);
}

frmSettings* frmMain::settings_window() {
    if (!settings_window_) {
        settings_window_ = std::make_unique<frmSettings>(store_);
        connect(settings_window_.get(), &frmSettings::settings_changed, this,
                &frmMain::show_list_state);
    }
    return settings_window_.get();
}

void frmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    keep_on_screen(this);
}

QString frmMain::status() const {
    return LabelStatus->text();
}

void frmMain::watch_pattern_file() {
    // The folder too: a save replaces the file by a rename, which a watch on the file alone
    // loses, and a file that does not exist yet cannot be watched.
    const QString file = to_qstring(folders_.pattern_file());
    const QString folder = to_qstring(folders_.files);
    if (!pattern_watch_->directories().contains(folder)) {
        pattern_watch_->addPath(folder);
    }
    if (!pattern_watch_->files().contains(file) && QFileInfo::exists(file)) {
        pattern_watch_->addPath(file);
    }
}

void frmMain::pattern_file_changed() {
    watch_pattern_file();
    if (ending_ || !store_.reload_if_changed()) {
        return;  // this program's own save, or nothing that changes a list
    }
    frmSettings* window = settings_window();
    window->show_settings();
    window->set_status(QStringLiteral("Another program changed the settings."));
    show_list_state();
}

void frmMain::files_folder_changed() {
    pattern_file_changed();
    if (shown_ && file_holds_list_ && !output_file_holds_list()) {
        file_holds_list_ = false;
        show_list_state();
    }
}

bool frmMain::output_file_holds_list() const {
    std::string bytes;
    QString problem;
    return shown_ && read_output_file(folders_.files, &bytes, &problem) &&
           bytes == shown_->file_bytes;
}

QStringList frmMain::changes_since_list() const {
    QStringList changes;
    if (!shown_) {
        return changes;
    }
    // A box whose text is no number is a change too: Generate would refuse it.
    const auto number = [](const QString& text) -> std::optional<std::int16_t> {
        try {
            return box_number(text.toStdString());
        } catch (const BoxNumberError&) {
            return std::nullopt;
        }
    };
    const ListDate& d = shown_->date;
    if (number(cmbDay->currentText()) != d.day || number(cmbMonth->currentText()) != d.month ||
        number(cmbYear->currentText()) != d.year) {
        changes << QStringLiteral("the date");
    }
    if (txtPpswd->text() != shown_->personal) {
        changes << QStringLiteral("the personal password");
    }
    // The settings as the next Generate takes them: a typed count or length, an empty box's
    // default, and the pattern up to the length.
    const GenerationSettings& now = store_.settings();
    const GenerationSettings& then = shown_->settings;
    const auto box = [&](const QString& text, std::int16_t fallback) {
        return text.isEmpty() ? std::optional<std::int16_t>(fallback) : number(text);
    };
    const std::optional<std::int16_t> count =
        settings_window_ ? box(settings_window_->count_text(), kDefaultCount) : now.pnumb;
    const std::optional<std::int16_t> length =
        settings_window_ ? box(settings_window_->length_text(), kDefaultLength) : now.lentgh;
    bool settings_changed = count != then.pnumb || length != then.lentgh;
    for (int k = 1; k <= std::min<int>(then.lentgh, kMaxLength); ++k) {
        const auto i = static_cast<std::size_t>(k);
        settings_changed = settings_changed || now.typ.at(i) != then.typ.at(i);
    }
    if (settings_changed) {
        changes << QStringLiteral("the settings");
    }
    return changes;
}

namespace {

// "the date", "the date and the settings", "the date, the personal password and the settings".
QString listed(const QStringList& parts) {
    if (parts.size() <= 1) {
        return parts.join(QString());
    }
    return parts.mid(0, parts.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") +
           parts.back();
}

QString capitalized(QString text) {
    if (!text.isEmpty()) {
        text[0] = text[0].toUpper();
    }
    return text;
}

}  // namespace

void frmMain::show_list_state() {
    QStringList said;
    if (shown_) {
        if (!shown_->date_note.isEmpty()) {
            said << shown_->date_note;
        }
        if (!file_holds_list_) {
            said << QStringLiteral(
                "Another program has written output.txt since this list was made, so Print is "
                "off: press Generate to make the list again.");
        } else if (const QStringList changes = changes_since_list(); !changes.isEmpty()) {
            said << capitalized(listed(changes)) +
                        QStringLiteral(
                            " changed since this list was made: press Generate for a new list.");
        }
    }
    LabelStatus->setText(said.join(QLatin1Char(' ')));
    cmdPrint->setEnabled(shown_.has_value() && file_holds_list_);
    const int count = shown_ ? shown_->count : 0;
    const QString caption = count == 0   ? QStringLiteral("Passwords")
                            : count == 1 ? QStringLiteral("1 password")
                                         : QStringLiteral("%1 passwords").arg(count);
    Label2->setText(caption);
    txtPasswords->setAccessibleDescription(
        count == 0 ? QStringLiteral("No list yet")
                   : QStringLiteral("The list of the last Generate, %1; read only: select and "
                                    "copy from here")
                         .arg(caption));
}

void frmMain::password_changed() {
    const QString text = txtPpswd->text();
    if (to_code_page(text.toStdString(), code_page_).size() > kMaxPasswordChars) {
        {
            const QSignalBlocker blocker(txtPpswd);
            txtPpswd->setText(accepted_password_);
        }
        show_message(this, QStringLiteral("A personal password can have at most %1 characters, "
                                          "so what was typed or pasted was not taken: the "
                                          "password box holds what it held before. Use a "
                                          "shorter personal password.")
                               .arg(kMaxPasswordChars));
        return;
    }
    accepted_password_ = text;
    show_fingerprint();
    show_password_notes();
    show_list_state();
}

QString frmMain::password_notes() const {
    QStringList notes;
    for (const std::string& note :
         personal_password_notes(txtPpswd->text().toStdString(), code_page_)) {
        notes << QString::fromStdString(note);
    }
    return notes.join(QLatin1Char('\n'));
}

void frmMain::show_password_notes() {
    const QString notes = password_notes();
    const bool warning =
        !characters_not_reaching_note(txtPpswd->text().toStdString(), code_page_).empty();
    actPasswordNote->setIcon(style()->standardIcon(warning ? QStyle::SP_MessageBoxWarning
                                                           : QStyle::SP_MessageBoxInformation));
    actPasswordNote->setToolTip(notes);
    actPasswordNote->setVisible(!notes.isEmpty());
    txtPpswd->setAccessibleDescription(
        notes.isEmpty() ? kPasswordDescription : kPasswordDescription + QLatin1Char('\n') + notes);
}

void frmMain::Form_Load() {
    // Today is read once for all three boxes, so a start at midnight cannot mix two dates.
    cmbDay->set_items(numbers(1, 31));
    cmbDay->show_text(QString::number(today_.day()));
    cmbMonth->set_items(numbers(1, 12));
    cmbMonth->show_text(QString::number(today_.month()));
    // The years from the start of the count up to next year, and at least to 2010.
    cmbYear->set_items(
        numbers(kFirstYear, std::max<int>(kLastListedYearAtLeast, today_.year() + 1)));
    cmbYear->show_text(QString::number(today_.year()));
    get_pattern();
    pattern_watch_ = new QFileSystemWatcher(this);
    connect(pattern_watch_, &QFileSystemWatcher::fileChanged, this, &frmMain::pattern_file_changed);
    connect(pattern_watch_, &QFileSystemWatcher::directoryChanged, this,
            &frmMain::files_folder_changed);
    watch_pattern_file();
}

void frmMain::cmdGenerate_Click() {
    generate_passwords();
}

void frmMain::cmdSettings_Click() {
    frmSettings* window = settings_window();
    window->show();
    window->raise();
    window->activateWindow();
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (!ending_) {
        Form_Unload();
    }
    event->accept();
}

void frmMain::Form_Unload() {
    save_pattern();
    end_program();
}

void frmMain::Exit_Click() {
    save_pattern();
    end_program();
    close();  // ending_ is set, so the close does not save a second time
}

void frmMain::end_program() {
    if (ending_) {
        return;
    }
    ending_ = true;
    if (settings_window_) {
        settings_window_->hide();
    }
    if (help_) {
        help_->close();
    }
    emit ended();
}

void frmMain::cmdPrint_Click() {
    if (!shown_) {
        return;  // Print is off while the box shows no list
    }
    // What is printed is what the box shows: output.txt as Generate wrote it with this list.
    std::string bytes;
    QString problem;
    if (!read_output_file(folders_.files, &bytes, &problem) || bytes != shown_->file_bytes) {
        file_holds_list_ = false;
        show_list_state();
        show_message(this, problem.isEmpty()
                               ? QStringLiteral("output.txt no longer holds the list in the box: "
                                                "another program has written it. Press Generate "
                                                "to make the list again, then Print.")
                               : problem);
        return;
    }
    if (const QStringList changes = changes_since_list(); !changes.isEmpty()) {
        show_message(this, QStringLiteral("The list in the box was made before %1 changed. It is "
                                          "printed as it is; for a list of what the window shows "
                                          "now, press Generate, then Print again.")
                               .arg(listed(changes)));
    }
    print_list_bytes(this, bytes, printer_factory_, code_page_);
}

void frmMain::About_Click() {
    show_help_page(help_, QStringLiteral("About"),
                   local_help_page(to_qstring(folders_.help), QStringLiteral("about.htm")));
}

void frmMain::UserGuide_Click() {
    show_help_page(help_, QStringLiteral("User Guide"),
                   local_help_page(to_qstring(folders_.help), QStringLiteral("main.htm")));
}

void frmMain::We_pay_Click() {
    show_help_page(help_, QStringLiteral("About"), we_pay_page(to_qstring(folders_.help)));
}

void frmMain::session_ending() {
    save_pattern();
}

void frmMain::show_fingerprint() {
    const QString text = txtPpswd->text();
    std::optional<Fingerprint> fingerprint;
    if (!text.isEmpty()) {
        try {
            fingerprint = password_fingerprint(to_code_page(text.toStdString(), code_page_));
        } catch (const EngineError&) {
            // Too long to make a seed of: Generate says so; there is no fingerprint to show.
        }
    }
    picFingerprint->show_fingerprint(fingerprint);
}

void frmMain::generate_passwords() {
    txtPasswords->clear();
    shown_.reset();
    show_list_state();
    pattern_file_changed();  // another program's settings first, shown before they are used
    try {
        settings_window()->store_count_and_length();
        ListRequest request;
        request.personal = txtPpswd->text().toStdString();
        request.date.day = box_value(cmbDay->currentText(), QStringLiteral("Day"),
                                     QStringLiteral("Type or pick a day from 1 to 31."));
        request.date.month = box_value(cmbMonth->currentText(), QStringLiteral("Month"),
                                       QStringLiteral("Type or pick a month from 1 to 12."));
        request.date.year = box_value(cmbYear->currentText(), QStringLiteral("Year"),
                                      QStringLiteral("Type a year from %1 to %2, or pick one.")
                                          .arg(kFirstYear)
                                          .arg(kLastYear));
        request.settings = store_.settings();
        request.code_page = code_page_;
        request.output_folder = folders_.files;
        request.timestamp = current_timestamp_text();

        const Notifier notify = [this](std::string_view message) {
            show_message(this,
                         QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size())));
        };
        // output.txt is written first: when it cannot be, the box stays empty like the file's
        // previous list stays whole.
        const std::vector<std::string> list = make_list(request, notify);
        ShownList shown{request.date,
                        txtPpswd->text(),
                        request.settings,
                        {},
                        {},
                        static_cast<int>(list.size())};
        QString unread;
        file_holds_list_ = read_output_file(folders_.files, &shown.file_bytes, &unread);
        shown.date_note = QString::fromStdString(
            date_note(request.date.day, request.date.month, request.date.year));
        shown_ = std::move(shown);
        txtPasswords->setPlainText(QString::fromStdString(list_text(list)));
        show_list_state();
    } catch (const InputProblem& problem) {
        show_message(this, problem.sentence);
    } catch (const ListRefusal& refusal) {
        show_message(this, QString::fromStdString(refusal.what()));
    }
}

void frmMain::get_pattern() {
    const SettingsLoad loaded = store_.load();
    if (loaded.status == PatternLoad::Complete) {
        // The position list follows the length written, so the loaded pattern can be edited
        // without picking the length again.
        settings_window()->show_settings();
    }
    if (loaded.sentence.empty()) {
        return;  // a missing file stays silent
    }
    QString text = QString::fromStdString(loaded.sentence);
    if (loaded.status == PatternLoad::Complete) {
        text += QStringLiteral("\n\nOpen the Settings window to check the settings.");
    }
    if (loaded.status == PatternLoad::Incomplete) {
        text += QStringLiteral(
                    "\n\nThe Settings window starts empty, so lists have %1 passwords of %2 "
                    "characters until you choose a number and a length there.")
                    .arg(kDefaultCount)
                    .arg(kDefaultLength);
    }
    // Said once the window is up, over it.
    QTimer::singleShot(0, this, [this, text] { show_message(this, text); });
}

void frmMain::save_pattern() {
    const QString problem = QString::fromStdString(store_.save_pending());
    if (problem.isEmpty() || end_save_reported_) {
        return;
    }
    end_save_reported_ = true;
    if (settings_window_ && settings_window_->failure_said() == problem) {
        return;  // said when the change was made
    }
    show_message(this, problem);
}

}  // namespace tessaroll::ui
