// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/printing.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextLayout>
#include <QTextOption>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#ifdef TESSAROLL_HAVE_CUPS
#include <cups/cups.h>
#endif

#include "engine/atomic_file.h"
#include "engine/code_page.h"
#include "engine/list_file.h"
#include "ui/message_box.h"

namespace tessaroll::ui {

namespace {

// Prints on a QPrinter with one QPainter. The painter is opened with the first line or at the
// end of the document, so the property settings made before are in force on the first page.
class QtPrinter final : public Printer {
public:
    explicit QtPrinter(const QPrinterInfo& info)
        : printer_(info, QPrinter::HighResolution),
          font_(QFontDatabase::systemFont(QFontDatabase::FixedFont)) {
        printer_.setDocName(QStringLiteral("Tessaroll password list"));
        printer_.setFullPage(false);
    }

    ~QtPrinter() override {
        if (painter_.isActive()) {
            printer_.abort();
            painter_.end();
        }
    }

    void set_property(int member, const QVariant& value) override {
        switch (member) {
            case kPrinterMemberLeft:
                left_points_ = value.toDouble();
                break;
            case kPrinterMemberBold:
                font_.setBold(value.toBool());
                break;
            case kPrinterMemberFontSize:
                if (value.toDouble() > 0) {
                    font_.setPointSizeF(value.toDouble());
                }
                break;
            default:
                break;
        }
        if (painter_.isActive()) {
            painter_.setFont(font_);
        }
    }

    void print_line(const QString& text) override {
        if (!begin()) {
            return;
        }
        const QFontMetricsF metrics(font_, &printer_);
        const double page_height = printer_.pageRect(QPrinter::DevicePixel).height();
        const double page_width = printer_.pageRect(QPrinter::DevicePixel).width();
        const double left = left_points_ * printer_.resolution() / 72.0;
        const double width = std::max(page_width - left, metrics.maxWidth());

        // A line wider than the page goes on in the next printed lines at the same left
        // position, broken between words where it can and anywhere else where it must.
        QTextLayout layout(text, font_, &printer_);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        std::vector<QTextLine> pieces;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            line.setPosition(QPointF(0, 0));  // each piece is placed on its own printed line
            pieces.push_back(line);
        }
        layout.endLayout();

        const double line_height = metrics.lineSpacing();
        for (std::size_t i = 0; i < std::max<std::size_t>(pieces.size(), 1); ++i) {
            if (y_ > 0 && y_ + line_height > page_height) {
                if (!printer_.newPage()) {
                    failed_ = true;
                    return;
                }
                y_ = 0;
            }
            if (i < pieces.size()) {
                pieces[i].draw(&painter_, QPointF(left, y_));
            }
            y_ += line_height;
        }
    }

    QString end_document() override {
        if (!begin()) {
            return failure_text();
        }
        const bool ended = painter_.end();
        if (!ended || failed_ || printer_.printerState() == QPrinter::Error) {
            return failure_text();
        }
#ifdef TESSAROLL_HAVE_CUPS
        // Qt hands the finished document to the spooler with the same CUPS library in this
        // thread and keeps its answer to itself; the library's last status is that answer.
        if (cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE) {
            return failure_text() + QStringLiteral(" The print spooler answered: %1.")
                                        .arg(QString::fromUtf8(cupsLastErrorString()));
        }
#endif
        return {};
    }

private:
    bool begin() {
        if (painter_.isActive()) {
            return true;
        }
        if (failed_ || !painter_.begin(&printer_)) {
            failed_ = true;
            return false;
        }
        painter_.setFont(font_);
        return true;
    }

    QString failure_text() const {
        return QStringLiteral("The printer \"%1\" did not accept the password list.")
            .arg(printer_.printerName());
    }

    QPrinter printer_;
    QPainter painter_;
    QFont font_;
    double left_points_ = 0;
    double y_ = 0;
    bool failed_ = false;
};

#ifdef TESSAROLL_HAVE_CUPS
// Why the CUPS queue name takes no jobs now, or an empty string when it does.
QString cups_refusal(const QString& name) {
    cups_dest_t* dest =
        cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.toLocal8Bit().constData(), nullptr);
    if (dest == nullptr) {
        return {};  // not a CUPS queue as such; Qt finds out at the end of the document
    }
    QString refusal;
    const char* accepting =
        cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
    if (accepting != nullptr && std::strcmp(accepting, "false") == 0) {
        refusal = QStringLiteral("The printer \"%1\" is not accepting print jobs at the moment.")
                      .arg(name);
        const char* why = cupsGetOption("printer-state-message", dest->num_options, dest->options);
        if (why != nullptr && *why != '\0') {
            refusal += QStringLiteral(" It says: %1.").arg(QString::fromUtf8(why));
        }
        refusal += QStringLiteral(
            "\n\nLet the printer accept jobs again in the system's printer settings, or make "
            "another printer the default, then press Print again.");
    }
    cupsFreeDests(1, dest);
    return refusal;
}
#endif

// The lines of a list file: split at CR LF (a lone LF ends a line too), each without its line
// end; a last line without a line end is a line, an empty file has none.
std::vector<std::string> split_lines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(bytes.substr(start));
            break;
        }
        std::size_t stop = end;
        if (stop > start && bytes[stop - 1] == '\r') {
            --stop;
        }
        lines.push_back(bytes.substr(start, stop - start));
        start = end + 1;
    }
    return lines;
}

QString path_text(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

// Reads the whole file, or returns false with a sentence for the user in *problem.
bool read_list_file(const std::filesystem::path& path, std::string* bytes, QString* problem) {
    // Opened without waiting and tested once open: a FIFO at the name cannot freeze the window.
    const OrdinaryFile file = open_ordinary_file(path);
    if (file.status == OrdinaryFile::Status::Absent) {
        *problem = QStringLiteral(
                       "There is no password list to print: the list file \"%1\" does not "
                       "exist.\n\nPress Generate to make the list, then press Print again.")
                       .arg(path_text(path));
        return false;
    }
    if (file.status == OrdinaryFile::Status::NotOrdinary) {
        *problem = QStringLiteral(
                       "The list file \"%1\" is not an ordinary file, so it cannot be "
                       "printed.\n\nRemove it, press Generate to write the list again, then "
                       "press Print.")
                       .arg(path_text(path));
        return false;
    }
    int error = file.error;
    if (file.status == OrdinaryFile::Status::Opened) {
        char chunk[4096];
        std::size_t n = 0;
        while ((n = std::fread(chunk, 1, sizeof chunk, file.file.get())) > 0) {
            bytes->append(chunk, n);
        }
        if (std::ferror(file.file.get()) == 0) {
            return true;
        }
        error = errno;
    }
    *problem = QStringLiteral(
                   "The list file \"%1\" could not be read (%2).\n\nCheck that you may read "
                   "it, or press Generate to write it again, then press Print.")
                   .arg(path_text(path), error != 0 ? QString::fromLocal8Bit(std::strerror(error))
                                                    : QStringLiteral("read error"));
    return false;
}

}  // namespace

std::unique_ptr<Printer> make_default_printer(QString* problem) {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        if (problem != nullptr) {
            *problem = QStringLiteral(
                "There is no default printer to print on.\n\nSet up a printer and make it the "
                "default printer in the system's printer settings, then press Print again.");
        }
        return nullptr;
    }
#ifdef TESSAROLL_HAVE_CUPS
    // A queue that takes no jobs is told before anything is drawn.
    if (QString refusal = cups_refusal(info.printerName()); !refusal.isEmpty()) {
        if (problem != nullptr) {
            *problem = refusal;
        }
        return nullptr;
    }
#endif
    return std::make_unique<QtPrinter>(info);
}

bool read_output_file(const std::filesystem::path& folder, std::string* bytes, QString* problem) {
    bytes->clear();
    return read_list_file(folder / std::string(kOutputFileName), bytes, problem);
}

void print_output_file(QWidget* parent, const std::filesystem::path& folder,
                       const PrinterFactory& factory, CodePage code_page) {
    // The whole file is read before the printer is touched, so a file that cannot be read
    // sends nothing to the printer.
    std::string bytes;
    QString problem;
    if (!read_output_file(folder, &bytes, &problem)) {
        show_message(parent, problem);
        return;
    }
    print_list_bytes(parent, bytes, factory, code_page);
}

void print_list_bytes(QWidget* parent, const std::string& bytes, const PrinterFactory& factory,
                      CodePage code_page) {
    QString problem;
    std::vector<QString> lines;
    for (const std::string& line : split_lines(bytes)) {
        lines.push_back(QString::fromStdString(from_code_page(line, code_page)));
    }

    std::unique_ptr<Printer> printer = factory ? factory(&problem) : nullptr;
    if (!printer) {
        if (problem.isEmpty()) {
            problem = QStringLiteral(
                "There is no printer to print on.\n\nSet up a default printer, then press "
                "Print again.");
        }
        show_message(parent, problem);
        return;
    }

    printer->set_property(kPrinterMemberLeft, QVariant::fromValue(0.0f));
    printer->set_property(kPrinterMemberBold, QVariant::fromValue(true));
    printer->set_property(kPrinterMemberFontSize, QVariant::fromValue(12.0f));
    for (const QString& line : lines) {
        printer->print_line(line);
    }
    const QString refused = printer->end_document();
    if (!refused.isEmpty()) {
        show_message(parent,
                     refused + QStringLiteral("\n\nCheck that the printer is switched on and "
                                              "ready, then press Print again."));
    }
}

}  // namespace tessaroll::ui
