#include "demo/programs.h"

#include <algorithm>
#include <cstdint>

#include "config/frm_main.h"
#include "encoders/frm_main.h"
#ifdef TQ_DEMO_MONITOR
#include "monitor/frm_main.h"
#endif

namespace tq::demo {
namespace {

template <typename Window>
class ProgramOf final : public Program {
 public:
  explicit ProgramOf(HidApi& api) : window_(api) {}
  ui::Window& Form() override { return window_.Form(); }
  void Form_Load() override { window_.Form_Load(); }

 private:
  Window window_;
};

#ifdef TQ_DEMO_MONITOR
// The monitor stamps reports with the boards' clock: the panel runs every
// clock in real time, and a read moves the watched board's clock on through
// its pending pulses, so the latest clock is the watched board's.
class MonitorProgram final : public Program {
 public:
  MonitorProgram(emu::SimulatedHid& hid, std::vector<emu::SimulatedHid::BoardId> boards)
      : window_(hid, nullptr, HostHints{IdsFromDevicePath, "the emulator allows every open"},
                [&hid, boards] {
                  std::int64_t latest = 0;
                  for (const auto id : boards) {
                    latest = std::max(latest, hid.WithBoard(id, [](const emu::EmulatedBoard& b) {
                      return static_cast<std::int64_t>(b.clockMs);
                    }));
                  }
                  return latest;
                }) {}
  ui::Window& Form() override { return window_.Form(); }
  void Form_Load() override { window_.Form_Load(); }

 private:
  monitor::frmMain window_;
};
#endif

}  // namespace

std::vector<std::string> OfferedPrograms() {
#ifdef TQ_DEMO_MONITOR
  return {"encoders", "config", "monitor"};
#else
  return {"encoders", "config"};
#endif
}

std::unique_ptr<Program> MakeProgram(const std::string& name, emu::SimulatedHid& hid,
                                     const std::vector<emu::SimulatedHid::BoardId>& boards) {
  if (name == "encoders") return std::make_unique<ProgramOf<encoders::frmMain>>(hid);
  if (name == "config") return std::make_unique<ProgramOf<config::frmMain>>(hid);
#ifdef TQ_DEMO_MONITOR
  if (name == "monitor") return std::make_unique<MonitorProgram>(hid, boards);
#endif
  static_cast<void>(boards);
  return nullptr;
}

}  // namespace tq::demo
