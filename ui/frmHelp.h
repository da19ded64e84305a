// SPDX-License-Identifier: GPL-3.0-or-later
// The help window: the user guide, the about page and the We Pay page, with Back and Forward
// through the pages shown since the window was opened. It shows the help pages (.htm files) only;
// web addresses open in the user's web browser, and other files and folders, such as the files
// folder named on the About page, in the program the system has for them.
#pragma once

#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWidget>

class QPushButton;
class QTextBrowser;

namespace tessaroll::ui {

// The We Pay page: a page shipped with the help pages, until the program has a web site; then its
// complete web address goes here, and We Pay opens it in the web browser.
inline constexpr const char* kWePayPage = "we-pay.htm";

class frmHelp : public QWidget {
    Q_OBJECT

public:
    frmHelp();

    // Shows the help page and adds it to the history; any other address (a web page, a folder)
    // goes to the program the system has for it, and the window stays as it is.
    void navigate(const QUrl& page);

public slots:
    void cmdBack_Click();
    void cmdForward_Click();

private:
    QTextBrowser* WebBrowser1;
    QPushButton* cmdBack;
    QPushButton* cmdForward;
};

// The page file_name in folder, the folder holding the help pages, as a complete file address.
QUrl local_help_page(const QString& folder, const QString& file_name);

// The complete address of the We Pay page; folder holds the help pages.
QUrl we_pay_page(const QString& folder);

// What each Help menu entry does: shows the window held in slot (creating it, with an empty
// history, when the slot is empty because it was never opened or was closed), brings it to the
// front, sets its caption and navigates to page. The window deletes itself when closed. A page
// that is not a help page goes to the web browser or file manager and opens no window.
void show_help_page(QPointer<frmHelp>& slot, const QString& caption, const QUrl& page);

}  // namespace tessaroll::ui
