// The reference vectors of tests/data/engine.jsonl, computed independently with a correctly
// rounded power function.
#pragma once

#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "engine/error.h"

namespace tessaroll::testing {

struct Vector {
    std::string personal;
    int day, month, year, count, length;
    std::string pattern;
    std::vector<std::string> passwords;
    std::optional<std::string> error;
    int messages = 0;
    int line = 0;
};

inline std::vector<Vector> load_vectors() {
    std::ifstream in(std::string(TESSAROLL_TEST_DATA) + "/engine.jsonl");
    std::vector<Vector> all;
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
        if (text.empty()) {
            continue;
        }
        const auto j = nlohmann::json::parse(text);
        Vector v{j.at("personal"),
                 j.at("day"),
                 j.at("month"),
                 j.at("year"),
                 j.at("count"),
                 j.at("length"),
                 j.at("pattern"),
                 {},
                 std::nullopt,
                 0,
                 line};
        if (j.contains("error")) {
            v.error = j.at("error").get<std::string>();
        } else {
            v.passwords = j.at("passwords").get<std::vector<std::string>>();
            v.messages = j.at("messages");
        }
        all.push_back(std::move(v));
    }
    return all;
}

// The error kind each error text of the vector file stands for.
inline std::optional<ErrorKind> kind_of(const std::string& error) {
    const std::pair<const char*, ErrorKind> table[] = {
        {"list index out of range", ErrorKind::CountTooLarge},
        {"pattern index out of range", ErrorKind::LengthTooLarge},
        {"division by zero: den", ErrorKind::DivisionByZero},
        {"month out of range", ErrorKind::MonthOutOfRange},
        {"16-bit overflow: dy*365", ErrorKind::YearOutOfRange},
        {"16-bit overflow: pnumb*nb", ErrorKind::Overflow},
    };
    for (const auto& [text, kind] : table) {
        if (error == text) {
            return kind;
        }
    }
    return std::nullopt;
}

}  // namespace tessaroll::testing
