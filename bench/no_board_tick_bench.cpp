// One timer tick of the encoder utility while no board is attached: two
// walks over every HID node of the host. The host is the fake hidraw tree of
// the backend's tests, holding N foreign nodes the user may open, the worst
// case for a walk.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>

#include "devlink/platform/hidraw/hidraw_api.h"
#include "encoders/frm_main.h"
#include "tests/hidraw/fake_host.h"

namespace {

// With TQ_BENCH_MARK_TICKS set, each tick is bracketed by getppid(), which
// nothing else here calls, so that tools/bench.sh can count the system calls
// of one tick in an strace log.
void MarkTick() {
  static const bool marking = std::getenv("TQ_BENCH_MARK_TICKS") != nullptr;
  if (marking) static_cast<void>(::getppid());
}

tq::test::FakeBoard ForeignNode(unsigned node) {
  tq::test::FakeBoard board;
  board.node = node;
  board.vendor = 0x046D;
  board.product = 0xC52B;
  board.busnum = 1 + node / 100;
  board.devnum = 1 + node % 100;
  return board;
}

void NoBoardTick(benchmark::State& state) {
  const auto nodes = static_cast<unsigned>(state.range(0));
  tq::test::FakeHost host;
  for (unsigned node = 0; node < nodes; ++node) host.Plug(ForeignNode(node));
  tq::HidrawApi api(host.Sys().string(), host.Dev().string(), host);
  tq::encoders::frmMain form(api);
  form.Form_Load();
  // The first sight of each node is not what every later tick costs.
  form.Timer.Tick();
  for (auto _ : state) {
    MarkTick();
    form.Timer.Tick();
    MarkTick();
  }
  if (form.DeviceDetected) state.SkipWithError("a foreign node was taken for a board");
}

}  // namespace

BENCHMARK(NoBoardTick)->Arg(0)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);
