// SPDX-License-Identifier: GPL-3.0-or-later
// A printer that keeps every call made to it, for tests of what the Print button sends.
#pragma once

#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

#include "ui/printing.h"

namespace tessaroll::ui::testing {

struct PrinterCall {
    enum class Kind { Property, Line, End };
    Kind kind;
    int member = 0;  // Property only
    QVariant value;  // Property only
    QString text;    // Line only

    bool operator==(const PrinterCall& other) const {
        return kind == other.kind && member == other.member && value == other.value &&
               value.metaType() == other.value.metaType() && text == other.text;
    }
};

// One printed document: the calls in the order they were made.
using Document = std::vector<PrinterCall>;

class RecordingPrinter final : public Printer {
public:
    RecordingPrinter(Document* document, QString refusal)
        : document_(document), refusal_(std::move(refusal)) {}

    void set_property(int member, const QVariant& value) override {
        document_->push_back({PrinterCall::Kind::Property, member, value, {}});
    }
    void print_line(const QString& text) override {
        document_->push_back({PrinterCall::Kind::Line, 0, {}, text});
    }
    QString end_document() override {
        document_->push_back({PrinterCall::Kind::End, 0, {}, {}});
        return refusal_;
    }

private:
    Document* document_;
    QString refusal_;
};

// A factory that records each printer it makes as a new document. With a refusal, every
// document it makes is refused at its end.
class RecordingPrinters {
public:
    explicit RecordingPrinters(QString refusal = {}) : refusal_(std::move(refusal)) {}

    PrinterFactory factory() {
        return [this](QString*) {
            documents_.push_back(std::make_unique<Document>());
            return std::make_unique<RecordingPrinter>(documents_.back().get(), refusal_);
        };
    }

    std::size_t count() const { return documents_.size(); }
    const Document& document(std::size_t i) const { return *documents_.at(i); }

    // The printed lines of document i, in order.
    std::vector<QString> lines(std::size_t i) const {
        std::vector<QString> out;
        for (const PrinterCall& call : document(i)) {
            if (call.kind == PrinterCall::Kind::Line) {
                out.push_back(call.text);
            }
        }
        return out;
    }

private:
    QString refusal_;
    std::vector<std::unique_ptr<Document>> documents_;
};

}  // namespace tessaroll::ui::testing
