// SPDX-License-Identifier: GPL-3.0-or-later
// The one error type of the engine. Every limit of the computation raises it with a kind that
// callers can act on and a plain sentence that names the offending value and the allowed range.
#pragma once

#include <stdexcept>
#include <string>

namespace tessaroll {

enum class ErrorKind {
    PasswordTooLong,         // personal password of 32767 characters or more
    YearOutOfRange,          // year more than 89 years away from 2002 (16-bit day count)
    MonthOutOfRange,         // month outside 1 to 12
    Overflow,                // a 16-bit or 32-bit intermediate of the list does not fit
    DivisionByZero,          // the divisor of the break points is 0 (day index 0)
    NegativeBreakPoint,      // the power of a negative break point is undefined
    CountTooLarge,           // more than 130 passwords
    LengthTooLarge,          // more than 130 characters, beyond the pattern flags
    IterationCountTooLarge,  // 32767 map steps overflow the 16-bit step counter
};

class EngineError : public std::runtime_error {
public:
    EngineError(ErrorKind kind, const std::string& sentence)
        : std::runtime_error(sentence), kind_(kind) {}
    ErrorKind kind() const noexcept { return kind_; }

private:
    ErrorKind kind_;
};

}  // namespace tessaroll
