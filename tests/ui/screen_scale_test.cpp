// SPDX-License-Identifier: GPL-3.0-or-later
// Both windows at 200% on a 1280 x 1024 screen: their fixed positions would put the settings
// window partly off the screen, so each is moved onto it when shown, and keeps its size.
#include <QApplication>
#include <QDate>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <vector>

#include "ui/form_layout.h"
#include "ui/frmMain.h"
#include "ui/frmSettings.h"
#include "window_test_support.h"

using namespace tessaroll::ui;
using namespace tessaroll::ui::test;

class ScreenScaleTest : public QObject {
    Q_OBJECT

private slots:
    // Where a window goes: moved left and up only as far as needed, never off the left or top.
    void position_on_the_screen_data() {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QPoint>("at");
        const QRect screen(0, 0, 640, 512);
        QTest::newRow("inside") << QRect(10, 20, 200, 100) << QPoint(10, 20);
        QTest::newRow("off the right") << QRect(436, 68, 217, 224) << QPoint(423, 68);
        QTest::newRow("off the bottom") << QRect(50, 400, 100, 200) << QPoint(50, 312);
        QTest::newRow("off the top left") << QRect(-5, -9, 100, 100) << QPoint(0, 0);
        QTest::newRow("larger than the screen") << QRect(30, 30, 700, 600) << QPoint(0, 0);
    }
    void position_on_the_screen() {
        QFETCH(QRect, frame);
        QFETCH(QPoint, at);
        QCOMPARE(tessaroll::ui::on_screen_position(frame, QRect(0, 0, 640, 512)), at);
    }

    void both_windows_stay_on_the_screen() {
        QCOMPARE(qApp->primaryScreen()->availableGeometry(), QRect(0, 0, 640, 512));
        MessageCatcher messages;
        QTemporaryDir dir;
        frmMain main(dir.path(), QDate(2026, 12, 7));
        const QSize main_size = main.size();
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QTest::mouseClick(main.findChild<QPushButton*>("cmdSettings"), Qt::LeftButton);
        frmSettings* settings = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            settings = settings != nullptr ? settings : qobject_cast<frmSettings*>(w);
        }
        QVERIFY(settings && settings->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(settings));

        const QRect screen = qApp->primaryScreen()->availableGeometry();
        // The frame as the platform reports it once the window is up (here a thin one).
        for (QWidget* window : {static_cast<QWidget*>(&main), static_cast<QWidget*>(settings)}) {
            QVERIFY2(screen.contains(window->frameGeometry()), qPrintable(window->objectName()));
        }
        QCOMPARE(main.size(), main_size);
        QCOMPARE(settings->size(), QSize(209, 192));
        // Moved no further than needed: the settings window's right edge at the screen's, its
        // top and the main window where they were placed.
        QCOMPARE(settings->frameGeometry().right(), screen.right());
        QCOMPARE(settings->geometry().y(), 96);
        QCOMPARE(main.geometry().x(), 77);
        QCOMPARE(messages.texts, QStringList());
    }
};

int main(int argc, char** argv) {
    // A 1280 x 1024 screen at 200%: 640 x 512 in the windows' own pixels.
    // Named relative to the working folder: a Windows path's drive colon would end the
    // platform's argument.
    const QString config = QStringLiteral("screen_scale_test.json");
    if (!write_bytes(config, R"({"screens": [{"name": "screen", "x": 0, "y": 0, "width": 1280,
        "height": 1024, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")) {
        return 1;
    }
    // The screen is this one whatever platform the command line names (the Windows run gives
    // "-platform offscreen", which would override the environment).
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 && i + 1 < argc) {
            ++i;
            continue;
        }
        args.push_back(argv[i]);
    }
    QByteArray platform_option = "-platform";
    QByteArray platform = "offscreen:configfile=" + config.toLocal8Bit();
    args.insert(args.begin() + 1, {platform_option.data(), platform.data()});
    int app_argc = static_cast<int>(args.size());
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(app_argc, args.data());  // takes its own options out of the list
    ScreenScaleTest test;
    const int status = QTest::qExec(&test, app_argc, args.data());
    QFile::remove(config);
    return status;
}

#include "screen_scale_test.moc"
