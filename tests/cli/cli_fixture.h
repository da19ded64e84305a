// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the real tessaroll-cli in a folder of its own, as a user runs it: a portable copy in that
// folder, so that the pattern commands' default pattern.tq is the folder's own.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace tessaroll::testing {

struct CliRun {
    int status = -1;
    std::string out, err;
};

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
        dir_ = std::filesystem::temp_directory_path() /
               ("tessaroll-cli-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        put("password.txt", "correct horse\n");
        place_program(dir_);
    }

    // Puts a copy of tessaroll-cli into folder (a link to the built one where the file system
    // allows it) and returns its path.
    static std::filesystem::path place_program(const std::filesystem::path& folder) {
        const std::filesystem::path built(TESSAROLL_CLI_PATH);
        const std::filesystem::path copy = folder / built.filename();
        std::error_code ec;
        std::filesystem::create_hard_link(built, copy, ec);
        if (ec) {
            std::filesystem::copy_file(built, copy);
        }
        return copy;
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    void put(const std::string& name, const std::string& bytes) const {
        std::ofstream out(dir_ / name, std::ios::binary);
        out << bytes;
    }
    std::string get(const std::string& name) const {
        std::ifstream in(dir_ / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // Runs the copy in the test's folder there, with password.txt on standard input; input and
    // output replace the redirections, before is shell text put first (a limit, a trap, timeout).
    CliRun cli(const std::string& args, const std::string& input = "<password.txt",
               const std::string& output = ">stdout.txt", const std::string& before = "") const {
        return cli_at(dir_ / std::filesystem::path(TESSAROLL_CLI_PATH).filename(), args, {}, input,
                      output, before);
    }

    // Runs program in the test's folder, with environment settings ("NAME=value ...") before it.
    CliRun cli_at(const std::filesystem::path& program, const std::string& args,
                  const std::string& environment = {}, const std::string& input = "<password.txt",
                  const std::string& output = ">stdout.txt", const std::string& before = "") const {
        const std::string command = "cd '" + dir_.string() + "' && " + before + " " + environment +
                                    " '" + program.string() + "' " + args + " " + input + " " +
                                    output + " 2>stderr.txt";
        const int raw = std::system(command.c_str());
        CliRun r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = get("stdout.txt");
        r.err = get("stderr.txt");
        return r;
    }

    std::filesystem::path dir_;
};

}  // namespace tessaroll::testing
