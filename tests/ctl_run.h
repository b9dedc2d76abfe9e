// tq5271ctl run against emulated boards, as its command tests need it: the
// command line in, what it printed and its exit code out, every handle it
// opened closed again; and the two boards a backup is taken from and put on.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "ctl/cli.h"
#include "emulator/simulated_hid.h"
#include "tests/fault_sweep.h"
#include "tests/sent_reports.h"

namespace tq::ctl {

using testing::Bytes;
using testing::SetReport;

struct Result {
  int code;
  std::string out;
  std::string err;
};

inline const HostHints kHints{IdsFromDevicePath, "install the udev rule"};

inline Result RunCtl(emu::SimulatedHid& hid, std::vector<std::string> args) {
  std::vector<const char*> argv{"tq5271ctl"};
  for (const auto& arg : args) argv.push_back(arg.c_str());
  std::ostringstream out;
  std::ostringstream err;
  const int code = RunCommandLine(static_cast<int>(argv.size()), argv.data(), hid, kHints, out, err);
  testing::ExpectHandlesBalanced(hid);
  return {code, out.str(), err.str()};
}

inline int Lines(const std::string& text) { return static_cast<int>(std::ranges::count(text, '\n')); }

inline bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

inline std::string TempFile(const std::string& name) {
  return (std::filesystem::path(::testing::TempDir()) / ("tq5271ctl_" + name)).string();
}

inline void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

inline emu::EmulatedBoard WithBytes(std::u16string serial, const std::vector<std::pair<int, int>>& bytes) {
  emu::EmulatedBoard board = emu::MakeTQ5271(std::move(serial));
  for (const auto& [address, value] : bytes) {
    board.settings[static_cast<std::size_t>(address)] = static_cast<std::uint8_t>(value);
  }
  return board;
}

// Every byte the programs can write differs between these two; input 7's
// byte is the same on both.
inline emu::EmulatedBoard Source() {
  return WithBytes(u"00001", {{11, 0xA5}, {12, 1}, {14, 198}, {15, 0}, {16, 198}, {17, 0},
                              {18, 198}, {19, 0}, {20, 0}, {21, 198}, {22, 0x8A}, {23, 0x51},
                              {24, 0x8C}, {25, 0x22}, {26, 25}});
}

inline emu::EmulatedBoard Target() {
  return WithBytes(u"00002", {{11, 0x5A}, {12, 0}, {14, 0}, {15, 198}, {16, 0}, {17, 198},
                              {18, 0}, {19, 198}, {20, 0}, {21, 0}, {22, 0x75}, {23, 0xAE},
                              {24, 0x73}, {25, 0xDD}, {26, 1}});
}

// The reports a restore of Source() onto Target() must send, in order.
inline const std::vector<std::pair<int, int>> kRestoreReports{
    {11, 0xA5}, {12, 1}, {14, 198}, {15, 0}, {16, 198}, {17, 0}, {18, 198},
    {19, 0}, {21, 198}, {22, 0x8A}, {24, 0x8C}, {23, 0x51}, {25, 0x22}, {26, 25}};

inline std::string SavedSource() {
  static const std::string path = [] {
    const std::string file = TempFile("source.json");
    emu::SimulatedHid hid;
    hid.Attach(Source());
    const Result saved = RunCtl(hid, {"save", file});
    EXPECT_EQ(saved.code, 0) << saved.err;
    return file;
  }();
  return path;
}

inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::ranges::sort(names);
  return names;
}

}  // namespace tq::ctl
