#include "ui/frmHelp.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPushButton>
#include <QTextBrowser>
#include <QVariant>
#include <algorithm>

#include "ui/form_layout.h"
#include "ui/program_folders.h"

namespace tessaroll::ui {

namespace {

constexpr int kNetworkTimeoutMs = 30000;

QString error_page(const QUrl& address, const QString& reason) {
    const QString advice =
        address.isLocalFile() ? QStringLiteral(
                                    "The help pages main.htm, about.htm and we-pay.htm belong in "
                                    "the program's folder. Copy them there again, or install the "
                                    "program again, then choose the page again from the Help menu.")
                              : QStringLiteral(
                                    "Check the address and your internet connection, then choose "
                                    "the page again from the Help menu.");
    return QStringLiteral(
               "<html><head><title>Page not available</title></head><body>"
               "<h2>This page cannot be shown</h2>"
               "<p>The address <b>%1</b> could not be opened.</p>"
               "<p>Reason: %2</p><p>%3</p></body></html>")
        .arg(address.toDisplayString().toHtmlEscaped(), reason.toHtmlEscaped(),
             advice.toHtmlEscaped());
}

QString loading_page(const QUrl& address) {
    return QStringLiteral("<html><body><p>Opening <b>%1</b> ...</p></body></html>")
        .arg(address.toDisplayString().toHtmlEscaped());
}

bool is_web(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

bool is_page(int type) {
    return type == QTextDocument::HtmlResource || type == QTextDocument::UnknownResource ||
           type == QTextDocument::MarkdownResource;
}

// A QTextBrowser that also takes pages and images from the web. Web resources are fetched in
// the background; until a page has arrived the browser shows a short "Opening" page, and when
// it arrives the browser reloads the same history entry, so Back and Forward see one entry per
// page whether it is local or on the web.
class HelpBrowser final : public QTextBrowser {
public:
    explicit HelpBrowser(QWidget* parent) : QTextBrowser(parent), network_(this) {}

    // Replies still under way must not report to a browser that is going away.
    ~HelpBrowser() override {
        const auto replies = network_.findChildren<QNetworkReply*>();
        for (QNetworkReply* reply : replies) {
            QObject::disconnect(reply, nullptr, this, nullptr);
        }
    }

    QVariant loadResource(int type, const QUrl& name) override {
        const QUrl url = name.adjusted(QUrl::RemoveFragment);
        if (is_page(type)) {
            page_ = url;
        }
        if (is_web(url)) {
            return load_web(type, url);
        }
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

private:
    enum class State { Pending, Done, Failed };
    struct Entry {
        State state = State::Pending;
        QByteArray data;
        QString reason;
    };

    QVariant load_web(int type, const QUrl& url) {
        auto it = cache_.find(url);
        if (it == cache_.end()) {
            fetch(url, is_page(type));
            return is_page(type) ? QVariant(loading_page(url)) : QVariant();
        }
        switch (it->state) {
            case State::Pending:
                return is_page(type) ? QVariant(loading_page(url)) : QVariant();
            case State::Done:
                return it->data;
            case State::Failed:
                if (is_page(type)) {
                    // Shown once; going to the page again tries the address again.
                    const QString page = error_page(url, it->reason);
                    cache_.erase(it);
                    return page;
                }
                return {};
        }
        return {};
    }

    void fetch(const QUrl& url, bool page) {
        cache_.insert(url, Entry{});
        QNetworkRequest request(url);
        request.setTransferTimeout(kNetworkTimeoutMs);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::NoLessSafeRedirectPolicy);
        QNetworkReply* reply = network_.get(request);
        connect(reply, &QNetworkReply::finished, this, [this, reply, url, page] {
            reply->deleteLater();
            auto it = cache_.find(url);
            if (it == cache_.end()) {
                return;
            }
            if (reply->error() == QNetworkReply::NoError) {
                it->state = State::Done;
                it->data = reply->readAll();
            } else {
                it->state = State::Failed;
                it->reason = reply->errorString();
            }
            const bool pending = std::any_of(cache_.cbegin(), cache_.cend(), [](const Entry& e) {
                return e.state == State::Pending;
            });
            // Show what has arrived: the page itself, or the page shown once its last image
            // is in.
            if (page_ == url || (!page && !pending)) {
                reload();
            }
        });
    }

    QNetworkAccessManager network_;
    QHash<QUrl, Entry> cache_;
    QUrl page_;  // the page last loaded, without its fragment
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

    // Links to pages open in the browser; links it cannot show (mail addresses, a folder and
    // the like) go to the program the system has for them.
    WebBrowser1->setOpenLinks(false);
    connect(WebBrowser1, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
        const bool folder = link.isLocalFile() && QFileInfo(link.toLocalFile()).isDir();
        if (!folder && (link.isLocalFile() || is_web(link) || link.scheme().isEmpty())) {
            WebBrowser1->setSource(link);
        } else {
            QDesktopServices::openUrl(link);
        }
    });
}

void frmHelp::navigate(const QUrl& page) {
    if (!page.isValid()) {
        return;
    }
    // The browser ignores a request for the page it shows; asked for it again, the user wants it
    // read again (a missing page put back, a web page that failed).
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
