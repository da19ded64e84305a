// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <clocale>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "engine/atomic_file.h"
#include "engine/list_file.h"
#include "tests/support/file_calls_mock.h"

namespace tessaroll {
namespace {

namespace fs = std::filesystem;

constexpr CodePage kCp = CodePage::Western;

std::string read_bytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class OutputFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("tessaroll-output-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_F(OutputFile, ExactBytes) {
    const std::vector<std::string> list = {"00ru49wwru", "67gb24cpzf"};
    write_output_file(dir_, 26, 7, 2002, list, "26.07.2002 14:03:05", kCp);
    EXPECT_EQ(read_bytes(dir_ / "output.txt"),
              "Date=7/26/2002\r\n"
              "\r\n"
              "Password 1= 00ru49wwru\r\n"
              "Password 2= 67gb24cpzf\r\n"
              "\r\n"
              "Generated on 26.07.2002 14:03:05\r\n");
}

TEST_F(OutputFile, EmptyListGivesFourLinesAndNegativeNumbersKeepTheirSign) {
    write_output_file(dir_, -3, 13, 2002, {}, "x", kCp);
    EXPECT_EQ(read_bytes(dir_ / "output.txt"), "Date=13/-3/2002\r\n\r\n\r\nGenerated on x\r\n");
}

TEST_F(OutputFile, TimeStampIsWrittenInTheCodePage) {
    write_output_file(dir_, 1, 2, 2003, {"1"}, "1. f\xC3\xA9vr. 2003 10:00:00", kCp);
    EXPECT_NE(read_bytes(dir_ / "output.txt").find("Generated on 1. f\xE9vr. 2003"),
              std::string::npos);
    // "26 \u043b\u0438\u043f. 2002" (Ukrainian): its own bytes in 1251, best fits or "?" in 1252.
    const std::string stamp = "26 \xD0\xBB\xD0\xB8\xD0\xBF. 2002";
    write_output_file(dir_, 26, 7, 2002, {"1"}, stamp, CodePage::Cyrillic);
    const std::string cyrillic = read_bytes(dir_ / "output.txt");
    EXPECT_NE(cyrillic.find("Generated on 26 \xEB\xE8\xEF. 2002\r\n"), std::string::npos)
        << cyrillic;
    EXPECT_EQ(output_file_text(26, 7, 2002, {"1"}, stamp, kCp).find("\xEB\xE8\xEF"),
              std::string::npos);
}

TEST_F(OutputFile, ReplacesThePreviousFileAndOnlyItsOwnerMayReadIt) {
    std::ofstream(dir_ / "output.txt") << "an older and much longer list than the next one\n";
    ::chmod((dir_ / "output.txt").c_str(), 0644);
    write_output_file(dir_, 2, 1, 2002, {"a"}, "t", kCp);
    EXPECT_EQ(read_bytes(dir_ / "output.txt"),
              "Date=1/2/2002\r\n\r\nPassword 1= a\r\n\r\nGenerated on t\r\n");
    struct stat st {};
    ASSERT_EQ(::stat((dir_ / "output.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1)
        << "a temporary file was left behind";
}

TEST_F(OutputFile, FailedWriteLeavesThePreviousFileWhole) {
    const std::string previous = "Date=7/26/2002\r\n\r\nPassword 1= keep\r\n\r\nGenerated on t\r\n";
    std::ofstream(dir_ / "output.txt", std::ios::binary) << previous;
    file_calls_mock::fail(file_calls_mock::Call::sync, ENOSPC);
    try {
        write_output_file(dir_, 2, 1, 2002, {"new"}, "t", kCp);
        ADD_FAILURE() << "no error";
    } catch (const FileError& e) {
        const std::string what = e.what();
        EXPECT_NE(what.find((dir_ / "output.txt").string()), std::string::npos) << what;
        EXPECT_NE(what.find("No space left on device"), std::string::npos) << what;
    }
    file_calls_mock::fail(file_calls_mock::Call::sync, 0);
    EXPECT_EQ(read_bytes(dir_ / "output.txt"), previous);
}

TEST_F(OutputFile, MissingFolderIsReported) {
    EXPECT_THROW(write_output_file(dir_ / "no-such-folder", 2, 1, 2002, {"a"}, "t", kCp),
                 FileError);
    EXPECT_FALSE(fs::exists(dir_ / "no-such-folder"));
}

TEST(TimeStamp, ShortDateAndTimeOrTheDateAloneAtMidnight) {
    std::setlocale(LC_TIME, "C");
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 7;
    t.tm_hour = 5;
    t.tm_min = 11;
    t.tm_sec = 58;
    EXPECT_EQ(timestamp_text(t), "12/07/26 05:11:58");
    t.tm_hour = t.tm_min = t.tm_sec = 0;
    EXPECT_EQ(timestamp_text(t), "12/07/26");
    t.tm_sec = 1;
    EXPECT_EQ(timestamp_text(t), "12/07/26 00:00:01");
}

}  // namespace
}  // namespace tessaroll
