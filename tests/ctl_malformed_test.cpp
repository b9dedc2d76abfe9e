// Malformed files, values and command lines, and what is no backup at all:
// one line, exit code 2, nothing sent to the board.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#endif

#include <chrono>

#include "tests/ctl_run.h"

namespace tq::ctl {
namespace {

TEST(CtlMalformed, FilesAndValuesGiveOneLineAndSendNothing) {
  emu::SimulatedHid hid;
  hid.Attach(Target());
  const std::string file = TempFile("bad.json");
  const std::vector<std::pair<std::string, std::string>> files{
      {"{", "not JSON: parse error at line 1, column 2"},
      {R"({"format": "tq5271ctl settings", "version": 3, "settings": {}})", "\"version\" 3"},
      {R"({"format": "tq5271ctl settings", "version": 1, "settings": {"11": 1}})",
       "address 12 (auto) is missing"},
      {R"({"format": "tq5271ctl settings", "version": 1, "settings": {"11": 300}})",
       "settings.\"11\": expected a byte 0 to 255, got 300"},
  };
  for (const auto& [content, message] : files) {
    WriteText(file, content);
    const Result result = RunCtl(hid, {"restore", file});
    EXPECT_EQ(result.code, 2) << content;
    EXPECT_TRUE(result.err.starts_with("tq5271ctl: " + file + ": ")) << result.err;
    EXPECT_TRUE(Has(result.err, message)) << result.err;
    EXPECT_EQ(Lines(result.err), 1) << result.err;
  }
  Result result = RunCtl(hid, {"restore", TempFile("absent.json")});
  EXPECT_EQ(result.code, 2);
  EXPECT_EQ(result.err,
            "tq5271ctl: " + TempFile("absent.json") +
                " cannot be read: No such file or directory\n");

  for (const auto& args : std::vector<std::vector<std::string>>{
           {"set", "enc1=1:1", "enc2=1:9"}, {"set", "mode7=zoom"}, {"set", "pulse=7ms"},
           {"set", "invert=0"}, {"set", "volume=11"}, {"set"}, {"restore"}, {"show", "--bogus"},
           {}, {"list", "extra"}, {"set", "enc3=1:2", "enc3=1:4"}}) {
    result = RunCtl(hid, args);
    EXPECT_EQ(result.code, 2) << (args.empty() ? "" : args[0]);
    EXPECT_EQ(Lines(result.err), 1) << result.err;
    EXPECT_TRUE(result.err.starts_with("tq5271ctl: ")) << result.err;
  }
  EXPECT_EQ(hid.CallCount("HidD_SetFeature"), 0);
}


#ifndef _WIN32
// What is no backup is refused by name before anything is asked of the
// platform, at once: no stall on a FIFO, no read of a device or a huge file.
TEST(CtlMalformed, WhatIsNoBackupIsRefusedInOneLineAtOnce) {
  const std::string dir = TempFile("not-a-file");
  std::filesystem::create_directories(dir);
  const std::string fifo = TempFile("fifo");
  std::filesystem::remove(fifo);
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string huge = TempFile("huge.json");
  WriteText(huge, "");
  std::filesystem::resize_file(huge, 50u << 20);
  std::ifstream saved(SavedSource(), std::ios::binary);
  const std::string valid{std::istreambuf_iterator<char>(saved), {}};
  const auto replaced = [&valid](const std::string& from, const std::string& to) {
    std::string text = valid;
    return text.replace(text.find(from), from.size(), to);
  };
  const std::vector<std::pair<std::string, std::string>> written{
      {"", "the file is empty"},
      {replaced("\"version\": 1", "\"version\": 1e400"), "number overflow parsing '1e400'"},
      {replaced("\"12\": 1", "\"12\": 1e400"), "number overflow parsing '1e400'"},
      {replaced("\"format\"", "\"unread\": 1e400, \"format\""), "number overflow"},
      {replaced("\"12\": 1", "\"12\": 1, \"12\": 0"), "settings.\"12\" is given twice"},
      {replaced("00001", "\xC0\xAF"), "ill-formed UTF-8"},
      {std::string(100000, '[') + std::string(100000, ']'), " is larger than 65536 bytes"},
  };
  std::vector<std::pair<std::string, std::string>> cases{
      {dir, " is a directory, not a file"},
      {fifo, " is a FIFO, not a file (give - to read a pipe)"},
      {"/dev/zero", " is a device, not a file"},
      {huge, " is larger than 65536 bytes, too large for this file"}};
  for (std::size_t i = 0; i < written.size(); ++i) {
    const std::string file = TempFile("bad" + std::to_string(i) + ".json");
    WriteText(file, written[i].first);
    cases.emplace_back(file, written[i].second);
  }
  for (const auto& [file, message] : cases) {
    emu::SimulatedHid hid;
    hid.Attach(Target());
    const auto start = std::chrono::steady_clock::now();
    const Result result = RunCtl(hid, {"restore", file});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << file;
    EXPECT_EQ(result.code, 2) << file;
    EXPECT_TRUE(result.err.starts_with("tq5271ctl: " + file) && Has(result.err, message))
        << result.err;
    EXPECT_EQ(Lines(result.err), 1) << result.err;
    EXPECT_TRUE(hid.Calls().empty()) << file << ": the board is not even looked for";
  }

  // A whole file gets as far as looking for the board, from a file or a pipe.
  emu::SimulatedHid none;
  EXPECT_EQ(RunCtl(none, {"restore", SavedSource()}).err, "tq5271ctl: no board attached\n");
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  ASSERT_EQ(write(pipeEnds[1], valid.data(), valid.size()), static_cast<ssize_t>(valid.size()));
  close(pipeEnds[1]);
  const int stdinCopy = dup(STDIN_FILENO);
  dup2(pipeEnds[0], STDIN_FILENO);
  emu::SimulatedHid hid;
  hid.Attach(Target());
  const Result piped = RunCtl(hid, {"restore", "-", "--dry-run"});
  dup2(stdinCopy, STDIN_FILENO);
  close(stdinCopy);
  close(pipeEnds[0]);
  EXPECT_EQ(piped.code, 0) << piped.err;
  EXPECT_TRUE(piped.out.starts_with("restoring standard input (saved from board 00001)"))
      << piped.out;
  std::filesystem::remove(fifo);
  std::filesystem::remove(huge);
}
#endif

}  // namespace
}  // namespace tq::ctl
