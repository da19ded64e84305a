// SPDX-License-Identifier: GPL-3.0-or-later
// Text from files and from the command line, made safe to show on a terminal.
#pragma once

#include <string>
#include <string_view>

namespace tessaroll {

// text with every control character written out, so that an ESC in a file or an argument cannot
// clear or reprogram the user's terminal: "\t", "\r", "\n" and "\xNN" for the other C0 controls
// and DEL; the C1 controls U+0080 to U+009F as "\u0080" to "\u009f"; and each byte that is not part
// of valid UTF-8 (a code-page letter, a broken sequence) as "\xNN"; characters that show as
// nothing or turn the text around them (a byte order mark, zero-width and direction marks, unusual
// spaces) as "\uNNNN" (or "\uNNNNN"). Everything else is kept.
std::string printable_text(std::string_view text);

}  // namespace tessaroll
