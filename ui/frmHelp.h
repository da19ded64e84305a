// The help window: the user guide, the about page and the maker's web page, with Back and
// Forward through the pages shown since the window was opened.
#pragma once

#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWidget>

class QPushButton;
class QTextBrowser;

namespace tessaroll::ui {

// The We Pay page: a page shipped with the help pages, in the program's folder, until the program
// has a web site; then its complete web address goes here.
inline constexpr const char* kWePayPage = "we-pay.htm";

class frmHelp : public QWidget {
    Q_OBJECT

public:
    frmHelp();

    // Shows the page (a local file or an http/https address) and adds it to the history.
    void navigate(const QUrl& page);

public slots:
    void cmdBack_Click();
    void cmdForward_Click();

private:
    QTextBrowser* WebBrowser1;
    QPushButton* cmdBack;
    QPushButton* cmdForward;
};

// The page file_name in the program's folder, as a complete file address.
QUrl local_help_page(const QString& folder, const QString& file_name);

// The complete address of the We Pay page.
QUrl we_pay_page(const QString& folder);

// What each Help menu entry does: shows the window held in slot (creating it, with an empty
// history, when the slot is empty because it was never opened or was closed), brings it to the
// front, sets its caption and navigates to page. The window deletes itself when closed.
void show_help_page(QPointer<frmHelp>& slot, const QString& caption, const QUrl& page);

}  // namespace tessaroll::ui
