// SPDX-License-Identifier: GPL-3.0-or-later
// The help window opened from the main window's Help menu: captions, one window with one
// history, Back and Forward across the local pages, error pages, links that leave the window for
// the web browser or the file manager, and the shipped pages.
#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <memory>
#include <tuple>
#include <vector>

#include "ui/frmHelp.h"
#include "ui/frmMain.h"
#include "ui/message_box.h"
#include "ui/program_folders.h"

using namespace tessaroll::ui;

namespace {

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

// Takes the addresses QDesktopServices::openUrl is given for the schemes it is set for.
class UrlCatcher : public QObject {
    Q_OBJECT

public:
    explicit UrlCatcher(const QStringList& schemes) : schemes_(schemes) {
        for (const QString& scheme : schemes_) {
            QDesktopServices::setUrlHandler(scheme, this, "open");
        }
    }
    ~UrlCatcher() override {
        for (const QString& scheme : schemes_) {
            QDesktopServices::unsetUrlHandler(scheme);
        }
    }

    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.push_back(url); }

private:
    QStringList schemes_;
};

// Clicks the middle of the first character of text in the browser, as a user clicks a link.
void click_text(QTextBrowser* browser, const QString& text) {
    const QTextCursor found = browser->document()->find(text);
    QVERIFY2(!found.isNull(), qPrintable(text));
    QTextCursor inside(browser->document());
    inside.setPosition(found.selectionStart() + 1);
    QTest::mouseClick(browser->viewport(), Qt::LeftButton, {},
                      browser->cursorRect(inside).center());
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

    // A click on a link in a help page: web addresses and the files folder go to the program
    // the system has for them and leave the page as it is; other help pages open in the window.
    void link_clicks_data() {
        QTest::addColumn<QString>("link");     // the link, as the page holds it
        QTest::addColumn<QString>("click");    // the link's text
        QTest::addColumn<QString>("folder");   // a folder to make before the click, if any
        QTest::addColumn<QUrl>("opened");      // what the system is asked to open, if anything
        QTest::addColumn<QString>("shown");    // what the window shows after the click
        QTest::addColumn<QString>("message");  // part of the message box shown, if any

        const QUrl news(QStringLiteral("https://tessaroll.invalid/news.htm?from=help#top"));
        QTest::newRow("https link")
            << QStringLiteral("<a href=\"%1\">news</a>").arg(news.toString())
            << QStringLiteral("news") << QString() << news << QStringLiteral("Guide page")
            << QString();
        // No handler is set for http: the system has no browser, and the user is told.
        QTest::newRow("http link, no browser")
            << QStringLiteral("<a href=\"http://tessaroll.invalid/\">site</a>")
            << QStringLiteral("site") << QString() << QUrl() << QStringLiteral("Guide page")
            << QStringLiteral("http://tessaroll.invalid/");

        // The About page's paragraph on the files folder, with its link to the folder.
        for (const auto& [row, name, made] :
             {std::tuple{"files folder", "files of ü & Co", true},
              std::tuple{"files folder not made yet", "later", false}}) {
            const QString folder = dir_.path() + QLatin1Char('/') + QString::fromUtf8(name);
            tessaroll::ProgramFolders folders;
            folders.files = folders.pattern_from = to_path(folder);
            QTest::newRow(row) << files_folder_paragraph(folders)
                               << QDir::toNativeSeparators(folder) << (made ? folder : QString())
                               << QUrl::fromLocalFile(folder) << QStringLiteral("Guide page")
                               << QString();
        }

        QTest::newRow("help page") << QStringLiteral("<a href=\"about.htm\">about link</a>")
                                   << QStringLiteral("about link") << QString() << QUrl()
                                   << QStringLiteral("About page") << QString();
        QTest::newRow("missing help page")
            << QStringLiteral("<a href=\"gone.htm\">gone link</a>") << QStringLiteral("gone link")
            << QString() << QUrl() << QStringLiteral("cannot be shown") << QString();
    }

    void link_clicks() {
        QFETCH(QString, link);
        QFETCH(QString, click);
        QFETCH(QString, folder);
        QFETCH(QUrl, opened);
        QFETCH(QString, shown);
        QFETCH(QString, message);
        QVERIFY(folder.isEmpty() || QDir().mkpath(folder));

        write_page(folder_ + QStringLiteral("/main.htm"),
                   QStringLiteral("<h1>Guide page</h1><p>%1</p>").arg(link));
        const UrlCatcher system({QStringLiteral("https"), QStringLiteral("file")});
        trigger("UserGuide");
        frmHelp* window = help_window();
        QVERIFY(window != nullptr);
        QTextBrowser* b = browser(window);
        const QUrl guide = b->source();
        const QString guide_text = b->toPlainText();

        click_text(b, click);
        QCOMPARE(system.opened, opened.isEmpty() ? QList<QUrl>{} : QList{opened});
        QVERIFY2(b->toPlainText().contains(shown), qPrintable(b->toPlainText()));
        const bool moved = shown != QStringLiteral("Guide page");
        QCOMPARE(b->isBackwardAvailable(), moved);
        if (moved) {
            press(window, "cmdBack");
        }
        QCOMPARE(b->source(), guide);
        QCOMPARE(b->toPlainText(), guide_text);

        QCOMPARE(messages_.size(), std::size_t{message.isEmpty() ? 0U : 1U});
        if (!message.isEmpty()) {
            QVERIFY2(messages_.front().contains(message), qPrintable(messages_.front()));
            messages_.clear();
        }
    }

    // A web address given to the help window, by a Help menu entry or otherwise, goes to the web
    // browser: no window opens for it, and an open one keeps its page and history.
    void web_addresses_given_to_the_window_go_to_the_browser() {
        const UrlCatcher system({QStringLiteral("https")});
        const QUrl site(QStringLiteral("https://tessaroll.invalid/we-pay.htm"));
        QPointer<frmHelp> slot;
        const auto close = qScopeGuard([&slot] {
            if (slot) {
                slot->close();
            }
        });
        show_help_page(slot, QStringLiteral("About"), site);
        QVERIFY(slot.isNull());
        QVERIFY(open_help_windows().empty());
        QCOMPARE(system.opened, QList{site});

        trigger("UserGuide");
        frmHelp* window = help_window();
        QVERIFY(window != nullptr);
        const QUrl guide = browser(window)->source();
        window->navigate(site);
        QCOMPARE(system.opened, (QList{site, site}));
        QCOMPARE(browser(window)->source(), guide);
        QVERIFY(browser(window)->toPlainText().contains(QStringLiteral("Guide page")));
        QVERIFY(!browser(window)->isBackwardAvailable());
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
