// SPDX-License-Identifier: GPL-3.0-or-later
// What the Print button sends to the printer, checked on a recording printer.
#include <sys/stat.h>
#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/list_file.h"
#include "engine/password_list.h"
#include "recording_printer.h"
#include "settings/generation_settings.h"
#include "ui/frmMain.h"
#include "ui/message_box.h"
#include "ui/printing.h"

using namespace tessaroll;
using namespace tessaroll::ui;
using namespace tessaroll::ui::testing;

namespace {

struct WrittenList {
    std::vector<QString> lines;  // the lines the file must print as, in order
};

// Generates the list of a date with the engine, writes it to folder/output.txt and returns the
// lines it consists of, built from the list itself rather than from the file.
WrittenList write_list(const std::filesystem::path& folder, const std::string& personal,
                       std::int16_t day, std::int16_t month, std::int16_t year,
                       const std::string& timestamp) {
    GenerationSettings settings;
    settings.pnumb = 4;
    settings.lentgh = 10;
    set_pattern_letters(settings, "dllddlldld");
    const std::vector<std::string> passwords =
        compute_passwords(personal, day, month, year, settings, CodePage::Western);
    write_output_file(folder, day, month, year, passwords, timestamp, CodePage::Western);

    WrittenList list;
    list.lines.push_back(QStringLiteral("Date=%1/%2/%3").arg(month).arg(day).arg(year));
    list.lines.push_back(QString());
    for (std::size_t i = 0; i < passwords.size(); ++i) {
        list.lines.push_back(QString::fromStdString(password_line(i + 1, passwords[i])));
    }
    list.lines.push_back(QString());
    list.lines.push_back(QString::fromStdString("Generated on " + timestamp));
    return list;
}

void write_bytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

}  // namespace

class PrintTest : public QObject {
    Q_OBJECT

private:
    std::vector<QString> messages_;
    std::filesystem::path folder_;
    QTemporaryDir dir_;

private slots:
    void init() {
        QVERIFY(dir_.isValid());
        folder_ = std::filesystem::path(dir_.path().toStdString()) / "program";
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        messages_.clear();
        set_message_hook([this](const QString& text) { messages_.push_back(text); });
    }

    void cleanup() { set_message_hook({}); }

    // The three settings come first, in their order, with their value types, and the
    // generated list follows line by line, its two empty lines included, then one end.
    void one_press_prints_the_list_after_the_settings() {
        const WrittenList list = write_list(folder_, "Sesame 7", 26, 7, 2002, "7/26/2002 10:11:12");
        RecordingPrinters printers;
        print_output_file(nullptr, folder_, printers.factory());

        QVERIFY(messages_.empty());
        QCOMPARE(printers.count(), std::size_t{1});
        const Document& doc = printers.document(0);
        QVERIFY(doc.size() >= 4);

        QCOMPARE(doc[0].kind, PrinterCall::Kind::Property);
        QCOMPARE(doc[0].member, 0x1000A);
        QCOMPARE(doc[0].value.metaType(), QMetaType(QMetaType::Float));
        QCOMPARE(doc[0].value.toFloat(), 0.0f);

        QCOMPARE(doc[1].kind, PrinterCall::Kind::Property);
        QCOMPARE(doc[1].member, 0x10005);
        QCOMPARE(doc[1].value.metaType(), QMetaType(QMetaType::Bool));
        QCOMPARE(doc[1].value.toBool(), true);

        QCOMPARE(doc[2].kind, PrinterCall::Kind::Property);
        QCOMPARE(doc[2].member, 0x10004);
        QCOMPARE(doc[2].value.metaType(), QMetaType(QMetaType::Float));
        QCOMPARE(doc[2].value.toFloat(), 12.0f);

        for (std::size_t i = 3; i + 1 < doc.size(); ++i) {
            QCOMPARE(doc[i].kind, PrinterCall::Kind::Line);
        }
        QCOMPARE(doc.back().kind, PrinterCall::Kind::End);
        QCOMPARE(printers.lines(0), list.lines);
        QCOMPARE(printers.lines(0).size(), std::size_t{8});
        QVERIFY(printers.lines(0)[1].isEmpty());
        QVERIFY(printers.lines(0)[6].isEmpty());
    }

    // Through the main window: Generate, Print, Generate with another date, Print. Each
    // document holds the list the window showed, between the date line and the time stamp.
    void generate_print_generate_print_in_the_window() {
        frmMain window(QString::fromStdString(folder_.string()), QDate(2002, 7, 26));
        RecordingPrinters printers;
        window.set_printer_factory(printers.factory());
        window.show();
        auto* password = window.findChild<QLineEdit*>(QStringLiteral("txtPpswd"));
        auto* day = window.findChild<QComboBox*>(QStringLiteral("cmbDay"));
        auto* shown = window.findChild<QPlainTextEdit*>(QStringLiteral("txtPasswords"));
        auto* generate = window.findChild<QPushButton*>(QStringLiteral("cmdGenerate"));
        auto* print = window.findChild<QPushButton*>(QStringLiteral("cmdPrint"));
        QVERIFY(password && day && shown && generate && print);

        QTest::keyClicks(password, QStringLiteral("Sesame 7"));
        std::vector<std::vector<QString>> expected;
        for (const int d : {26, 27}) {
            day->setEditText(QString::number(d));
            QTest::mouseClick(generate, Qt::LeftButton);
            QVERIFY(print->isEnabled());
            QTest::mouseClick(print, Qt::LeftButton);
            std::vector<QString> lines = {QStringLiteral("Date=7/%1/2002").arg(d), QString()};
            for (const QString& line : shown->toPlainText().split(u'\n', Qt::SkipEmptyParts)) {
                lines.push_back(line);
            }
            lines.push_back(QString());
            expected.push_back(lines);
        }
        QVERIFY(messages_.empty());
        QCOMPARE(printers.count(), std::size_t{2});
        for (std::size_t i = 0; i < 2; ++i) {
            std::vector<QString> printed = printers.lines(i);
            QCOMPARE(printed.size(), std::size_t{8});
            QVERIFY(printed.back().startsWith(QStringLiteral("Generated on ")));
            printed.pop_back();
            QCOMPARE(printed, expected[i]);
        }
        QVERIFY(expected[0][2] != expected[1][2]);
        window.close();
    }

    // Each press reads the file from its start, and a rewritten file prints its new list.
    void repeated_presses_print_the_current_file() {
        write_list(folder_, "Sesame 7", 26, 7, 2002, "7/26/2002 10:11:12");
        RecordingPrinters printers;
        print_output_file(nullptr, folder_, printers.factory());
        print_output_file(nullptr, folder_, printers.factory());
        QCOMPARE(printers.count(), std::size_t{2});
        QCOMPARE(printers.document(1), printers.document(0));

        const WrittenList second =
            write_list(folder_, "Sesame 7", 27, 7, 2002, "7/27/2002 08:00:01");
        print_output_file(nullptr, folder_, printers.factory());
        QCOMPARE(printers.count(), std::size_t{3});
        QCOMPARE(printers.lines(2), second.lines);
        QVERIFY(printers.lines(2) != printers.lines(0));
        QVERIFY(messages_.empty());
    }

    // How lines are cut from the file: CR LF ends a line, empty lines stay, a last line
    // without a line end is printed, nothing follows a final line end, and the 8-bit text is
    // read in the code page it was written in.
    void file_lines_are_printed_unchanged() {
        struct Case {
            const char* name;
            std::string bytes;
            std::vector<QString> lines;
            CodePage code_page = CodePage::Western;
        };
        const std::vector<Case> cases = {
            {"empty file", "", {}},
            {"one empty line", "\r\n", {QString()}},
            {"last line without line end", "A\r\n\r\nB", {"A", "", "B"}},
            {"blanks kept", "  x  \r\n\r\n\r\n", {"  x  ", "", ""}},
            {"code page", "caf\xE9 \x80 \x9C\r\n", {QStringLiteral(u"café € œ")}},
            {"code page 1251", "\xEB\xE8\xEF\r\n", {QStringLiteral(u"лип")}, CodePage::Cyrillic},
        };
        for (const Case& c : cases) {
            write_bytes(folder_ / "output.txt", c.bytes);
            RecordingPrinters printers;
            print_output_file(nullptr, folder_, printers.factory(), c.code_page);
            QVERIFY2(messages_.empty(), c.name);
            QCOMPARE(printers.count(), std::size_t{1});
            QVERIFY2(printers.lines(0) == c.lines, c.name);
            QCOMPARE(printers.document(0).back().kind, PrinterCall::Kind::End);
        }
    }

    // An empty list file still makes the settings and ends the document.
    void empty_file_gives_an_ended_document_without_lines() {
        write_bytes(folder_ / "output.txt", "");
        RecordingPrinters printers;
        print_output_file(nullptr, folder_, printers.factory());
        QCOMPARE(printers.count(), std::size_t{1});
        const Document& doc = printers.document(0);
        QCOMPARE(doc.size(), std::size_t{4});
        QCOMPARE(doc[2].kind, PrinterCall::Kind::Property);
        QCOMPARE(doc[3].kind, PrinterCall::Kind::End);
        QVERIFY(messages_.empty());
    }

    // A list file that cannot be read shows one message naming it and never makes a printer.
    void unreadable_list_file_prints_nothing() {
        RecordingPrinters printers;
        print_output_file(nullptr, folder_, printers.factory());
        QCOMPARE(messages_.size(), std::size_t{1});
        QVERIFY(messages_[0].contains(QStringLiteral("output.txt")));
        QVERIFY(messages_[0].contains(QStringLiteral("does not exist")));
        QVERIFY(messages_[0].contains(QStringLiteral("Generate")));

        std::filesystem::create_directory(folder_ / "output.txt");
        print_output_file(nullptr, folder_, printers.factory());
        QCOMPARE(messages_.size(), std::size_t{2});
        QVERIFY(messages_[1].contains(QStringLiteral("output.txt")));
        QVERIFY(messages_[1].contains(QStringLiteral("not an ordinary file")));

        print_output_file(nullptr, folder_ / "no such folder", printers.factory());
        QCOMPARE(messages_.size(), std::size_t{3});

#ifndef _WIN32
        // A FIFO at the name: reading it would wait for a writer forever. (Windows has no FIFO
        // in a folder; its named pipes live apart.)
        const std::filesystem::path fifo_folder = folder_ / "fifo";
        std::filesystem::create_directory(fifo_folder);
        QCOMPARE(::mkfifo((fifo_folder / "output.txt").c_str(), 0600), 0);
        print_output_file(nullptr, fifo_folder, printers.factory());
        QCOMPARE(messages_.size(), std::size_t{4});
        QVERIFY(messages_[3].contains(QStringLiteral("not an ordinary file")));
#endif
        QCOMPARE(printers.count(), std::size_t{0});
    }

    // No printer to print on: the factory's reason is shown once.
    void missing_printer_shows_the_reason() {
        write_list(folder_, "x", 1, 1, 2003, "1/1/2003");
        print_output_file(nullptr, folder_, [](QString* problem) {
            *problem = QStringLiteral("There is no default printer to print on.");
            return std::unique_ptr<Printer>();
        });
        QCOMPARE(messages_.size(), std::size_t{1});
        QCOMPARE(messages_[0], QStringLiteral("There is no default printer to print on."));

        // A factory that gives no reason still gives a message.
        print_output_file(nullptr, folder_, [](QString*) { return std::unique_ptr<Printer>(); });
        QCOMPARE(messages_.size(), std::size_t{2});
        QVERIFY(messages_[1].contains(QStringLiteral("printer")));
    }

    // The system's default printer where there is none: no spooler is reachable.
    void no_default_printer_is_reported() {
        write_list(folder_, "x", 1, 1, 2003, "1/1/2003");
        QString problem;
        std::unique_ptr<Printer> printer = make_default_printer(&problem);
        if (printer) {
            QSKIP("this machine has a default printer");
        }
        QVERIFY(problem.contains(QStringLiteral("no default printer")));
        print_output_file(nullptr, folder_, make_default_printer);
        QCOMPARE(messages_.size(), std::size_t{1});
        QCOMPARE(messages_[0], problem);
    }

    // A printer that refuses the job at its end: one message with the printer's reason.
    void refused_job_is_reported_once() {
        write_list(folder_, "x", 1, 1, 2003, "1/1/2003");
        RecordingPrinters printers(QStringLiteral("The printer \"Office\" is offline."));
        print_output_file(nullptr, folder_, printers.factory());
        QCOMPARE(printers.count(), std::size_t{1});
        QCOMPARE(messages_.size(), std::size_t{1});
        QVERIFY(messages_[0].startsWith(QStringLiteral("The printer \"Office\" is offline.")));
    }
};

int main(int argc, char** argv) {
    // No spooler: the default printer test sees a machine without printers.
    qputenv("CUPS_SERVER", "/nonexistent/tessaroll-test/cups.sock");
    QApplication app(argc, argv);
    PrintTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "print_test.moc"
