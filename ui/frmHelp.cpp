// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/frmHelp.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTextBrowser>
#include <QVariant>

#include "ui/form_layout.h"
#include "ui/message_box.h"
#include "ui/program_folders.h"

namespace tessaroll::ui {

namespace {

QString error_page(const QUrl& address, const QString& reason) {
    return QStringLiteral(
               "<html><head><title>Page not available</title></head><body>"
               "<h2>This page cannot be shown</h2>"
               "<p>The address <b>%1</b> could not be opened.</p>"
               "<p>Reason: %2</p><p>The help pages main.htm, about.htm and we-pay.htm belong in "
               "the program's folder. Copy them there again, or install the program again, then "
               "choose the page again from the Help menu.</p></body></html>")
        .arg(address.toDisplayString().toHtmlEscaped(), reason.toHtmlEscaped());
}

bool is_page(int type) {
    return type == QTextDocument::HtmlResource || type == QTextDocument::UnknownResource ||
           type == QTextDocument::MarkdownResource;
}

// The window shows help pages only: .htm files, local or (with no scheme) found by the browser.
// Web addresses, folders and every other file go to the program the system has for them.
bool is_help_page(const QUrl& url) {
    if (!url.isLocalFile() && !url.scheme().isEmpty()) {
        return false;
    }
    const QFileInfo file(url.isLocalFile() ? url.toLocalFile() : url.path());
    const QString suffix = file.suffix().toLower();
    return (suffix == QLatin1String("htm") || suffix == QLatin1String("html")) && !file.isDir();
}

// Hands url to the web browser or the file manager, and says so when the system has none.
void open_outside(QWidget* parent, const QUrl& url) {
    if (QDesktopServices::openUrl(url)) {
        return;
    }
    show_message(parent, url.isLocalFile()
                             ? QStringLiteral("%1 could not be opened, because the system has no "
                                              "program set to open it. Open it in your file "
                                              "manager by hand.")
                                   .arg(QDir::toNativeSeparators(url.toLocalFile()))
                             : QStringLiteral("The address %1 could not be opened, because the "
                                              "system has no web browser set for it. Copy the "
                                              "address into your web browser.")
                                   .arg(url.toDisplayString()));
}

// A QTextBrowser that fills the About page's files folder paragraph into the local pages and
// shows an error page in place of a page it cannot read.
class HelpBrowser final : public QTextBrowser {
public:
    explicit HelpBrowser(QWidget* parent) : QTextBrowser(parent) {}

    QVariant loadResource(int type, const QUrl& name) override {
        const QUrl url = name.adjusted(QUrl::RemoveFragment);
        if (is_page(type) && url.isLocalFile()) {
            QFile file(url.toLocalFile());
            if (!file.open(QIODevice::ReadOnly)) {
                return error_page(url, file.errorString());
            }
            return fill_help_page(file.readAll());
        }
        QVariant loaded = QTextBrowser::loadResource(type, name);
        if (is_page(type) && loaded.isNull()) {
            return error_page(url, QStringLiteral("The page could not be found."));
        }
        return loaded;
    }
};

}  // namespace

frmHelp::frmHelp() {
    setObjectName(QStringLiteral("frmHelp"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Help"));
    setGeometry(pixels(60), pixels(345), pixels(8550), pixels(7560));
    setFixedSize(pixels(8550), pixels(7560));

    WebBrowser1 = new HelpBrowser(this);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    place(WebBrowser1, 240, 600, 8055, 6255);

    cmdBack = new QPushButton(QStringLiteral("Back"), this);
    cmdBack->setObjectName(QStringLiteral("cmdBack"));
    place(cmdBack, 1080, 6960, 1215, 495);

    cmdForward = new QPushButton(QStringLiteral("Forward"), this);
    cmdForward->setObjectName(QStringLiteral("cmdForward"));
    place(cmdForward, 2640, 6960, 1215, 495);

    setTabOrder(WebBrowser1, cmdBack);
    setTabOrder(cmdBack, cmdForward);
    WebBrowser1->setFocus();

    connect(cmdBack, &QPushButton::clicked, this, &frmHelp::cmdBack_Click);
    connect(cmdForward, &QPushButton::clicked, this, &frmHelp::cmdForward_Click);

    // Links to help pages open in the browser; the rest (web addresses, the files folder, mail
    // addresses) go to the program the system has for them.
    WebBrowser1->setOpenLinks(false);
    connect(WebBrowser1, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
        if (is_help_page(link)) {
            WebBrowser1->setSource(link);
        } else {
            open_outside(this, link);
        }
    });
}

void frmHelp::navigate(const QUrl& page) {
    if (!page.isValid()) {
        return;
    }
    if (!is_help_page(page)) {
        open_outside(this, page);
        return;
    }
    // The browser ignores a request for the page it shows; asked for it again, the user wants it
    // read again (a missing page put back).
    if (page == WebBrowser1->source()) {
        WebBrowser1->reload();
        return;
    }
    WebBrowser1->setSource(page, QTextDocument::HtmlResource);
}

// QTextBrowser does nothing when there is no earlier or later page.
void frmHelp::cmdBack_Click() {
    WebBrowser1->backward();
}

void frmHelp::cmdForward_Click() {
    WebBrowser1->forward();
}

QUrl local_help_page(const QString& folder, const QString& file_name) {
    return QUrl::fromLocalFile(QDir(folder).absoluteFilePath(file_name));
}

QUrl we_pay_page(const QString& folder) {
    const QUrl address(QString::fromLatin1(kWePayPage));
    return address.isRelative() ? local_help_page(folder, address.path()) : address;
}

void show_help_page(QPointer<frmHelp>& slot, const QString& caption, const QUrl& page) {
    if (!is_help_page(page)) {
        open_outside(slot.data(), page);
        return;
    }
    if (slot.isNull()) {
        slot = new frmHelp();
    }
    slot->show();
    slot->raise();
    slot->activateWindow();
    slot->setWindowTitle(caption);
    slot->navigate(page);
}

}  // namespace tessaroll::ui
