// SPDX-License-Identifier: GPL-3.0-or-later
// What both programs say about the personal password as it is typed: the characters that do not
// reach the seed as typed, the empty password, the code page in force, and the refusal of bytes
// that are not UTF-8 text.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/code_page.h"

namespace tessaroll {

// One sentence naming each character of the personal password (UTF-8) that code_page does not
// take as typed: one it has no code for, which counts as "?", and one it replaces with a
// look-alike. Then which of the ten code pages has a code for every character of the personal
// password, and the option that chooses it, or that none has:
//   In code page 1252 (Western), "п" and "р" have no code and count as "?", and "ł" counts as
//   "l"; code page 1251 (Cyrillic) holds every character of the personal password: --code-page
//   1251.
// A character that shows as nothing or joins the one before it is named as "\uNNNN". Empty when
// every character has a code of its own (a decomposed accent that is composed counts as the
// composed letter).
std::string characters_not_reaching_note(std::string_view personal, CodePage code_page);

// The sentence for the empty personal password; empty for any other.
std::string empty_password_note(std::string_view personal);

// Every note on the personal password in the order both programs show them: the characters that
// do not reach the seed as typed, the empty password, and the characters beyond the seed
// (characters_beyond_seed_note). Empty when there is nothing to say.
std::vector<std::string> personal_password_notes(std::string_view personal, CodePage code_page);

// The sentence that names the code page in force and where it comes from. system: what
// system_code_page() gave when the code page is the system's; nullopt when --code-page chose it.
std::string code_page_in_force_sentence(CodePage code_page,
                                        const std::optional<SystemCodePage>& system);

// The text of a personal password read as bytes (a pipe, a file): a leading UTF-8 byte order mark
// dropped, nothing else changed. nullopt when the bytes are not UTF-8 text, which is never
// converted to "?" unseen: not_utf8_sentence then says why.
std::optional<std::string> personal_password_text(std::string_view bytes);

// The refusal of bytes that are not UTF-8 text, naming the place of the first bad byte (from 1)
// and its value, and what to do.
std::string not_utf8_sentence(std::string_view bytes);

}  // namespace tessaroll
