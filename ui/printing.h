// SPDX-License-Identifier: GPL-3.0-or-later
// Printing the last generated list: "output.txt" read back line by line and sent to the
// system's default printer.
#pragma once

#include <QString>
#include <QVariant>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "engine/code_page.h"

class QWidget;

namespace tessaroll::ui {

// Member numbers of the three printer properties set before every printout, in this order:
//   0x1000A  left print position: where each line starts, in points from the left edge of the
//            printable area; the printout sets 0 (a float)
//   0x10005  bold type: true (a bool)
//   0x10004  font size in points: 12 (a float)
// The type is the system's fixed-pitch font, so the characters of a password line up.
inline constexpr int kPrinterMemberLeft = 0x1000A;      // value 0, single-precision float
inline constexpr int kPrinterMemberBold = 0x10005;      // value true, yes/no
inline constexpr int kPrinterMemberFontSize = 0x10004;  // value 12, single-precision float

// The operations a printout needs from a printer.
class Printer {
public:
    virtual ~Printer() = default;
    // Sets the property with the given member number; the value's type is part of the call
    // (QMetaType::Float for the two numbers, QMetaType::Bool for the flag).
    virtual void set_property(int member, const QVariant& value) = 0;
    // Prints one line at the current position and moves to the start of the next line,
    // starting a new page when the page is full. A line wider than the page goes on in the
    // next printed lines.
    virtual void print_line(const QString& text) = 0;
    // Ends the document and hands it to the printer. Returns an empty string on success,
    // otherwise a sentence saying why the printer refused the job.
    virtual QString end_document() = 0;
};

// Makes the printer to print on. Returns nullptr and sets *problem to a sentence for the user
// when there is nothing to print on (for instance no default printer).
using PrinterFactory = std::function<std::unique_ptr<Printer>(QString* problem)>;

// The system's default printer through Qt Print Support. Returns nullptr with a reason when
// there is no default printer or (CUPS) its queue takes no jobs.
std::unique_ptr<Printer> make_default_printer(QString* problem);

// What the Print button does: reads folder/output.txt whole, then makes a printer with factory,
// makes the three settings, prints every line unchanged and ends the document. Every failure
// (no printer, missing or unreadable file, refused job) shows one message box on parent and
// sends nothing half. The file's text is in code_page, the code page it was written in.
void print_output_file(QWidget* parent, const std::filesystem::path& folder,
                       const PrinterFactory& factory, CodePage code_page = CodePage::Western);

// The two halves of print_output_file. read_output_file reads folder/output.txt whole into
// *bytes, or returns false with a sentence for the user in *problem (a FIFO or another file that
// is not an ordinary one is not opened for reading). print_list_bytes prints bytes read so.
bool read_output_file(const std::filesystem::path& folder, std::string* bytes, QString* problem);
void print_list_bytes(QWidget* parent, const std::string& bytes, const PrinterFactory& factory,
                      CodePage code_page = CodePage::Western);

}  // namespace tessaroll::ui
