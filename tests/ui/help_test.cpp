// The help window opened from the main window's Help menu: captions, one window with one
// history, Back and Forward across local and web pages, error pages, and the shipped pages.
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QPushButton>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <memory>
#include <vector>

#include "ui/frmHelp.h"
#include "ui/frmMain.h"
#include "ui/message_box.h"

using namespace tessaroll::ui;

namespace {

// A web server on 127.0.0.1 that answers GET requests from a table of pages; every other path
// gets 404. Counts the requests per path.
class PageServer : public QObject {
public:
    // The first failures requests of each path answer 503, as a server that is busy.
    explicit PageServer(QHash<QString, QByteArray> pages, int failures = 0)
        : pages_(std::move(pages)), failures_(failures) {
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { answer(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    bool listen() { return server_.listen(QHostAddress::LocalHost); }
    QUrl url(const QString& path) const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path));
    }
    int requests(const QString& path) const { return requests_.value(path); }

private:
    void answer(QTcpSocket* socket) {
        QByteArray& request = buffers_[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n")) {
            return;
        }
        const QString path = QString::fromLatin1(request.split(' ').value(1));
        buffers_.remove(socket);
        const bool busy = ++requests_[path] <= failures_;
        const bool found = pages_.contains(path) && !busy;
        const QByteArray body = found ? pages_.value(path) : QByteArray("<p>Not here</p>");
        socket->write((found  ? "HTTP/1.1 200 OK\r\n"
                       : busy ? "HTTP/1.1 503 Service Unavailable\r\n"
                              : "HTTP/1.1 404 Not Found\r\n") +
                      QByteArray("Content-Type: text/html\r\nContent-Length: ") +
                      QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        socket->disconnectFromHost();
    }

    QTcpServer server_;
    QHash<QString, QByteArray> pages_;
    QHash<QTcpSocket*, QByteArray> buffers_;
    QHash<QString, int> requests_;
    int failures_;
};

void write_page(const QString& path, const QString& body) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QStringLiteral("<html><body>%1</body></html>").arg(body).toUtf8());
}

// The help windows that are open.
std::vector<frmHelp*> open_help_windows() {
    std::vector<frmHelp*> found;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* help = qobject_cast<frmHelp*>(w);
        if (help != nullptr && help->isVisible()) {
            found.push_back(help);
        }
    }
    return found;
}

}  // namespace

class HelpTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString folder_;
    std::unique_ptr<frmMain> main_;
    std::vector<QString> messages_;

    void trigger(const char* action_name) {
        auto* action = main_->findChild<QAction*>(QString::fromLatin1(action_name));
        QVERIFY2(action != nullptr, action_name);
        action->trigger();
    }

    // The one help window that is open.
    frmHelp* help_window() {
        const std::vector<frmHelp*> windows = open_help_windows();
        return windows.size() == 1 ? windows.front() : nullptr;
    }

    static QTextBrowser* browser(frmHelp* window) {
        return window->findChild<QTextBrowser*>(QStringLiteral("WebBrowser1"));
    }

    static void press(frmHelp* window, const char* button) {
        auto* b = window->findChild<QPushButton*>(QString::fromLatin1(button));
        QVERIFY2(b != nullptr, button);
        QTest::mouseClick(b, Qt::LeftButton);
    }

private slots:
    void init() {
        QVERIFY(dir_.isValid());
        folder_ = dir_.path() + QStringLiteral("/program");
        QDir(folder_).removeRecursively();
        QVERIFY(QDir().mkpath(folder_));
        write_page(folder_ + QStringLiteral("/main.htm"), QStringLiteral("<h1>Guide page</h1>"));
        write_page(folder_ + QStringLiteral("/about.htm"), QStringLiteral("<h1>About page</h1>"));
        messages_.clear();
        set_message_hook([this](const QString& text) { messages_.push_back(text); });
        main_ = std::make_unique<frmMain>(folder_, QDate(2002, 7, 26));
        main_->show();
    }

    void cleanup() {
        main_.reset();
        QTRY_VERIFY(open_help_windows().empty());
        set_message_hook({});
        QVERIFY(messages_.empty());
    }

    // The window opens where and as large as it should, with the browser above the buttons.
    void window_layout() {
        trigger("UserGuide");
        frmHelp* window = help_window();
        QVERIFY(window != nullptr);
        QCOMPARE(window->objectName(), QStringLiteral("frmHelp"));
        QCOMPARE(window->geometry(), QRect(4, 23, 570, 504));
        QCOMPARE(browser(window)->geometry(), QRect(16, 40, 537, 417));
        auto* back = window->findChild<QPushButton*>(QStringLiteral("cmdBack"));
        auto* forward = window->findChild<QPushButton*>(QStringLiteral("cmdForward"));
        QCOMPARE(back->geometry(), QRect(72, 464, 81, 33));
        QCOMPARE(back->text(), QStringLiteral("Back"));
        QCOMPARE(forward->geometry(), QRect(176, 464, 81, 33));
        QCOMPARE(forward->text(), QStringLiteral("Forward"));
        QVERIFY(window->testAttribute(Qt::WA_DeleteOnClose));
    }

    // About while the guide is shown reuses the window; Back brings the guide back and leaves
    // the caption; Forward returns to the about page.
    void about_after_guide_shares_one_history() {
        trigger("UserGuide");
        frmHelp* window = help_window();
        QVERIFY(window != nullptr);
        QCOMPARE(window->windowTitle(), QStringLiteral("User Guide"));
        QVERIFY(browser(window)->toPlainText().contains(QStringLiteral("Guide page")));

        trigger("About");
        QCOMPARE(help_window(), window);
        QCOMPARE(window->windowTitle(), QStringLiteral("About"));
        QVERIFY(browser(window)->toPlainText().contains(QStringLiteral("About page")));

        press(window, "cmdBack");
        QVERIFY(browser(window)->toPlainText().contains(QStringLiteral("Guide page")));
        QCOMPARE(window->windowTitle(), QStringLiteral("About"));

        press(window, "cmdForward");
        QVERIFY(browser(window)->toPlainText().contains(QStringLiteral("About page")));
        QCOMPARE(window->windowTitle(), QStringLiteral("About"));
    }

    // With one page shown, Back and Forward change nothing.
    void back_and_forward_with_one_page_do_nothing() {
        trigger("About");
        frmHelp* window = help_window();
        QVERIFY(window != nullptr);
        const QUrl shown = browser(window)->source();
        const QString text = browser(window)->toPlainText();
        press(window, "cmdBack");
        press(window, "cmdForward");
        QCOMPARE(browser(window)->source(), shown);
        QCOMPARE(browser(window)->toPlainText(), text);
        QCOMPARE(window->windowTitle(), QStringLiteral("About"));
    }

    // Closing discards the window and its history; the next command starts a new one.
    void closing_discards_the_history() {
        trigger("UserGuide");
        trigger("About");
        QPointer<frmHelp> first = help_window();
        QVERIFY(first != nullptr);
        first->close();
        QTRY_VERIFY(first.isNull());

        trigger("UserGuide");
        frmHelp* second = help_window();
        QVERIFY(second != nullptr);
        QCOMPARE(second->windowTitle(), QStringLiteral("User Guide"));
        QVERIFY(!browser(second)->isBackwardAvailable());
        press(second, "cmdBack");
        QVERIFY(browser(second)->toPlainText().contains(QStringLiteral("Guide page")));
    }

    // A missing guide still opens the window with its caption, and the browser says which
    // page it could not open; no message box.
    void missing_guide_shows_an_error_page() {
        QVERIFY(QFile::remove(folder_ + QStringLiteral("/main.htm")));
        trigger("UserGuide");
        frmHelp* window = help_window();
        QVERIFY(window != nullptr);
        QCOMPARE(window->windowTitle(), QStringLiteral("User Guide"));
        const QString text = browser(window)->toPlainText();
        QVERIFY2(text.contains(QStringLiteral("cannot be shown")), qPrintable(text));
        QVERIFY(text.contains(folder_ + QStringLiteral("/main.htm")));
        QVERIFY(text.contains(QStringLiteral("choose the page again")));

        // The about page still works in the same window, and Back shows the error again.
        trigger("About");
        QVERIFY(browser(window)->toPlainText().contains(QStringLiteral("About page")));
        press(window, "cmdBack");
        QVERIFY(browser(window)->toPlainText().contains(QStringLiteral("cannot be shown")));
    }

    // We Pay: caption "About" and the page shipped with the others, by its complete address.
    void we_pay_opens_the_shipped_page() {
        write_page(folder_ + QStringLiteral("/we-pay.htm"), QStringLiteral("<h1>Support</h1>"));
        trigger("UserGuide");
        trigger("We_pay");
        frmHelp* window = help_window();
        QVERIFY(window != nullptr);
        QCOMPARE(window->windowTitle(), QStringLiteral("About"));
        const QUrl shown = browser(window)->source();
        QVERIFY2(shown.isLocalFile(), qPrintable(shown.toString()));
        QCOMPARE(shown.toLocalFile(), QDir(folder_).absoluteFilePath(QStringLiteral("we-pay.htm")));
        QVERIFY(browser(window)->toPlainText().contains(QStringLiteral("Support")));
        QVERIFY(browser(window)->isBackwardAvailable());
    }

    // Choosing the page shown reads it again: a missing page that was put back appears, as the
    // error page advises.
    void choosing_the_shown_page_again_reloads_it() {
        const QString guide = folder_ + QStringLiteral("/main.htm");
        QVERIFY(QFile::rename(guide, guide + QStringLiteral(".away")));
        trigger("UserGuide");
        frmHelp* window = help_window();
        QVERIFY(window != nullptr);
        QVERIFY(browser(window)->toPlainText().contains(QStringLiteral("cannot be shown")));
        QVERIFY(QFile::rename(guide + QStringLiteral(".away"), guide));
        trigger("UserGuide");
        QVERIFY2(browser(window)->toPlainText().contains(QStringLiteral("Guide page")),
                 qPrintable(browser(window)->toPlainText()));
        QVERIFY(!browser(window)->isBackwardAvailable());  // still one page in the history
    }

    // A web page that failed is asked for again when it is chosen again.
    void a_web_page_that_failed_is_fetched_again() {
        PageServer server({{QStringLiteral("/busy.htm"), "<html><body>Busy page</body></html>"}},
                          1);
        QVERIFY(server.listen());
        trigger("About");
        frmHelp* window = help_window();
        QVERIFY(window != nullptr);
        const QUrl page = server.url(QStringLiteral("/busy.htm"));
        window->navigate(page);
        QTRY_VERIFY(browser(window)->toPlainText().contains(QStringLiteral("cannot be shown")));
        window->navigate(page);
        QTRY_VERIFY(browser(window)->toPlainText().contains(QStringLiteral("Busy page")));
        QCOMPARE(server.requests(QStringLiteral("/busy.htm")), 2);
    }

    // Web pages are shown in the same browser and history as the local pages; a page that
    // has been shown comes back from Back and Forward without being fetched again.
    void web_pages_share_the_history() {
        QImage dot(4, 4, QImage::Format_RGB32);
        dot.fill(Qt::red);
        QByteArray png;
        QBuffer png_buffer(&png);
        QVERIFY(png_buffer.open(QIODevice::WriteOnly) && dot.save(&png_buffer, "PNG"));
        PageServer server({
            {QStringLiteral("/first.htm"),
             "<html><body><h1>First web page</h1><img src=\"dot.png\">"
             "<a href=\"second.htm\">on</a></body></html>"},
            {QStringLiteral("/dot.png"), png},
            {QStringLiteral("/second.htm"), "<html><body><h1>Second web page</h1></body></html>"},
        });
        QVERIFY(server.listen());

        trigger("UserGuide");
        frmHelp* window = help_window();
        QVERIFY(window != nullptr);
        QTextBrowser* b = browser(window);

        window->navigate(server.url(QStringLiteral("/first.htm")));
        QTRY_VERIFY(b->toPlainText().contains(QStringLiteral("First web page")));
        QCOMPARE(window->windowTitle(), QStringLiteral("User Guide"));
        // The page asks for its image from the same server and shows it once it is in.
        QTRY_COMPARE(server.requests(QStringLiteral("/dot.png")), 1);
        const QUrl dot_url = server.url(QStringLiteral("/dot.png"));
        QTRY_VERIFY(b->document()->resource(QTextDocument::ImageResource, dot_url).isValid());

        // A click on the page's relative link.
        const QTextCursor link = b->document()->find(QStringLiteral("on"));
        QVERIFY(!link.isNull());
        QTextCursor inside(b->document());
        inside.setPosition(link.selectionStart() + 1);
        QTest::mouseClick(b->viewport(), Qt::LeftButton, {}, b->cursorRect(inside).center());
        QTRY_VERIFY(b->toPlainText().contains(QStringLiteral("Second web page")));
        QCOMPARE(b->source(), server.url(QStringLiteral("/second.htm")));

        press(window, "cmdBack");
        QTRY_VERIFY(b->toPlainText().contains(QStringLiteral("First web page")));
        press(window, "cmdBack");
        QVERIFY(b->toPlainText().contains(QStringLiteral("Guide page")));
        QVERIFY(!b->isBackwardAvailable());
        press(window, "cmdForward");
        QTRY_VERIFY(b->toPlainText().contains(QStringLiteral("First web page")));
        press(window, "cmdForward");
        QTRY_VERIFY(b->toPlainText().contains(QStringLiteral("Second web page")));
        QVERIFY(!b->isForwardAvailable());
        QCOMPARE(server.requests(QStringLiteral("/first.htm")), 1);
        QCOMPARE(server.requests(QStringLiteral("/second.htm")), 1);
    }

    // A web page that cannot be had shows an error page with the address and the reason, in
    // place of the page and in its history entry.
    void unreachable_web_pages_show_an_error_page() {
        PageServer server({});
        QVERIFY(server.listen());
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const QUrl refused(QStringLiteral("http://127.0.0.1:%1/page.htm").arg(closed.serverPort()));
        closed.close();

        trigger("About");
        frmHelp* window = help_window();
        QVERIFY(window != nullptr);
        QTextBrowser* b = browser(window);

        const QUrl missing = server.url(QStringLiteral("/gone.htm"));
        window->navigate(missing);
        QTRY_VERIFY(b->toPlainText().contains(QStringLiteral("cannot be shown")));
        QVERIFY(b->toPlainText().contains(missing.toString()));
        QVERIFY2(b->toPlainText().contains(QStringLiteral("Not Found")),
                 qPrintable(b->toPlainText()));

        window->navigate(refused);
        QTRY_VERIFY(b->toPlainText().contains(QStringLiteral("cannot be shown")));
        QVERIFY(b->toPlainText().contains(refused.toString()));
        QVERIFY2(b->toPlainText().contains(QStringLiteral("refused"), Qt::CaseInsensitive),
                 qPrintable(b->toPlainText()));

        // Back tries the missing page again and shows its error page again.
        press(window, "cmdBack");
        QTRY_VERIFY(b->toPlainText().contains(QStringLiteral("Not Found")));
        QVERIFY(b->toPlainText().contains(missing.toString()));
        press(window, "cmdBack");
        QVERIFY(b->toPlainText().contains(QStringLiteral("About page")));
        QCOMPARE(window->windowTitle(), QStringLiteral("About"));
    }

    // The pages the program ships sit next to the executable, open without an error page and
    // link only to pages that exist.
    void shipped_pages_are_in_the_program_folder() {
        const QString program_folder = QStringLiteral(TESSAROLL_PROGRAM_DIR);
        static const QRegularExpression href(QStringLiteral("href=\"([^\"#]*)(#[^\"]*)?\""));
        for (const QString& name : {QStringLiteral("main.htm"), QStringLiteral("about.htm"),
                                    QStringLiteral("we-pay.htm")}) {
            QFile page(program_folder + QLatin1Char('/') + name);
            QVERIFY2(page.open(QIODevice::ReadOnly), qPrintable(page.fileName()));
            const QString html = QString::fromUtf8(page.readAll());
            QVERIFY(html.size() > 1000);
            QVERIFY2(!html.contains(QStringLiteral(".example")), qPrintable(name));
            for (auto it = href.globalMatch(html); it.hasNext();) {
                const QString target = it.next().captured(1);
                if (target.isEmpty() || target.contains(QLatin1Char(':'))) {
                    continue;  // a place in the same page, or a web address
                }
                QVERIFY2(QFile::exists(program_folder + QLatin1Char('/') + target),
                         qPrintable(name + QStringLiteral(" links to ") + target));
            }
        }

        QPointer<frmHelp> slot;
        show_help_page(slot, QStringLiteral("User Guide"),
                       local_help_page(program_folder, QStringLiteral("main.htm")));
        QVERIFY(!slot.isNull());
        QVERIFY(!browser(slot)->toPlainText().contains(QStringLiteral("cannot be shown")));
        QVERIFY(browser(slot)->toPlainText().contains(QStringLiteral("tessaroll-cli self-test")));
        slot->close();
        QTRY_VERIFY(slot.isNull());
    }
};

QTEST_MAIN(HelpTest)
#include "help_test.moc"
