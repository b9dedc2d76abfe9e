// tq5271ctl save: the backup file written whole or not at all.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#endif

#include <string>
#include <variant>

#include "ctl/settings_file.h"
#include "tests/ctl_run.h"

namespace tq::ctl {
namespace {

TEST(CtlSave, ReplacesTheOldFileOnlyOnceTheNewOneIsWhole) {
  const std::string folder = TempFile("save");
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  const std::string file = (std::filesystem::path(folder) / "left.json").string();
  const std::string old = "{\"an earlier backup\": \"that must survive a failed save\"}\n";
  WriteText(file, old);
  emu::SimulatedHid hid;
  hid.Attach(Source());

#ifndef _WIN32
  ::chmod(file.c_str(), 0640);
  {
    // The process may not make any file longer than a few bytes: the write
    // of the new backup fails midway, as on a full disk.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 16;
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const Result failed = RunCtl(hid, {"save", file});
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(failed.code, 2);
    EXPECT_EQ(failed.err, "tq5271ctl: " + file + ": cannot write the file\n");
    EXPECT_EQ(failed.out, "");
    EXPECT_EQ(ReadText(file), old) << "the old backup must stay whole";
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"left.json"})
        << "no temporary file may stay behind";
  }
#endif

  // A folder that is not there: nothing is written anywhere.
  const std::string nowhere = (std::filesystem::path(folder) / "absent" / "left.json").string();
  const Result missing = RunCtl(hid, {"save", nowhere});
  EXPECT_EQ(missing.code, 2);
  EXPECT_EQ(missing.err, "tq5271ctl: " + nowhere + ": cannot write the file\n");
  EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"left.json"});

  // A save that succeeds replaces the file with the whole new backup and
  // keeps the old file's permissions.
  const Result saved = RunCtl(hid, {"save", file});
  EXPECT_EQ(saved.code, 0) << saved.err;
  const auto parsed = ParseSettingsFile(ReadText(file));
  ASSERT_TRUE(std::holds_alternative<SettingsFile>(parsed)) << std::get<std::string>(parsed);
  EXPECT_EQ(std::get<SettingsFile>(parsed).settings.at(11), 0xA5);
  EXPECT_EQ(std::get<SettingsFile>(parsed).settings.at(26), 25);
  EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"left.json"});
#ifndef _WIN32
  struct stat status {};
  ASSERT_EQ(::stat(file.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0640u);
#endif
}

}  // namespace
}  // namespace tq::ctl
