// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/list_file.h"

#include <cwchar>
#include <iterator>

#include "engine/atomic_file.h"
#include "engine/password_list.h"
#include "engine/windows_api.h"

namespace tessaroll {

namespace {

constexpr std::string_view kCrLf = "\r\n";

}  // namespace

std::string output_file_text(std::int16_t day, std::int16_t month, std::int16_t year,
                             const std::vector<std::string>& passwords, std::string_view timestamp,
                             CodePage code_page) {
    std::string text = date_line(day, month, year);
    text += kCrLf;
    text += kCrLf;
    for (std::size_t i = 0; i < passwords.size(); ++i) {
        text += password_line(i + 1, passwords[i]);
        text += kCrLf;
    }
    text += kCrLf;
    text += "Generated on ";
    text += to_code_page(timestamp, code_page);
    text += kCrLf;
    return text;
}

void write_output_file(const std::filesystem::path& folder, std::int16_t day, std::int16_t month,
                       std::int16_t year, const std::vector<std::string>& passwords,
                       std::string_view timestamp, CodePage code_page) {
    replace_file_contents(folder / kOutputFileName,
                          output_file_text(day, month, year, passwords, timestamp, code_page));
}

std::string timestamp_text(const std::tm& local_time) {
    const bool midnight =
        local_time.tm_hour == 0 && local_time.tm_min == 0 && local_time.tm_sec == 0;
#ifdef _WIN32
    // The narrow strftime of the C runtime writes the ANSI code page; the wide one gives text that
    // converts to UTF-8 without loss, whatever the locale's month names or day periods are.
    wchar_t wide[256];
    const std::size_t n =
        std::wcsftime(wide, std::size(wide), midnight ? L"%x" : L"%x %X", &local_time);
    const int length = static_cast<int>(n);
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, length, text.data(), size, nullptr, nullptr);
    return text;
#else
    char buf[256];
    const std::size_t n = std::strftime(buf, sizeof buf, midnight ? "%x" : "%x %X", &local_time);
    return std::string(buf, n);
#endif
}

std::tm local_time_now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return local;
}

std::string current_timestamp_text() {
    return timestamp_text(local_time_now());
}

}  // namespace tessaroll
