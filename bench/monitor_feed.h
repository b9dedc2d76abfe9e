// A board sending its input report every millisecond (or at another
// period: the board's own is 10 ms), in real time, to the monitor through
// the real hidraw backend over the fake hidraw host: its X axis moves in
// every report and its encoder on pair 3 keeps turning.
// The reports are made and handed to the host on a thread of the feed's own,
// whose CPU time the feed reads from that thread's clock, so that a
// measurement can take it out of the process's.
#pragma once

#include <pthread.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "devlink/platform/hidraw/hidraw_api.h"
#include "emulator/board_descriptor.h"
#include "emulator/emulated_board.h"
#include "monitor/frm_main.h"
#include "tests/board_samples.h"
#include "tests/hidraw/fake_host.h"

namespace tq::bench {

inline std::int64_t CpuNanoseconds(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

inline std::string Utf8(const std::u16string& text) { return {text.begin(), text.end()}; }

class MonitorFeed {
 public:
  static constexpr unsigned kNode = 0;
  static constexpr int kEncoderPair = 3;

  explicit MonitorFeed(std::chrono::milliseconds period = std::chrono::milliseconds(1))
      : period_(period), board_(emu::MakeTQ5271(u"B1000")) {
    testing::SetEncoders(board_, {{kEncoderPair, 2}}, 48);  // "1:2", "48 ms"
    test::FakeBoard node;
    node.node = kNode;
    node.vendor = board_.vendorId;
    node.product = board_.productId;
    node.manufacturer = Utf8(*board_.manufacturer);
    node.productString = Utf8(*board_.product);
    node.serial = Utf8(*board_.serial);
    node.descriptor = emu::BoardDescriptor(board_);
    host.featureSource = [this](std::uint8_t* bytes, std::size_t size) {
      const std::lock_guard lock(boardMutex_);
      return board_.AnswerGetFeature(bytes, size) ? static_cast<int>(size) : -EPIPE;
    };
    host.Plug(node);
  }
  ~MonitorFeed() { Stop(); }
  MonitorFeed(const MonitorFeed&) = delete;
  MonitorFeed& operator=(const MonitorFeed&) = delete;

  // One report a period on the steady clock's schedule; a late thread
  // catches up, so the rate holds on a busy machine.
  void Start() {
    thread_ = std::thread([this] { Run(); });
    clockid_t clock{};
    pthread_getcpuclockid(thread_.native_handle(), &clock);
    producerClock_ = clock;
  }
  void Stop() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
  }

  // The CPU time the feed's thread has spent so far; none before it starts.
  std::int64_t ProducerCpuNs() const {
    return producerClock_ ? CpuNanoseconds(*producerClock_) : 0;
  }
  std::uint64_t Sent() const { return sent_; }

  test::FakeHost host;
  HidrawApi api{host.Sys().string(), host.Dev().string(), host};

 private:
  void Run() {
    using namespace std::chrono;
    const unsigned top = emu::AxisMaximum(board_);
    auto due = steady_clock::now();
    unsigned step = 0;
    while (!stopping_) {
      due += period_;
      std::this_thread::sleep_until(due);
      std::vector<std::uint8_t> report;
      {
        const std::lock_guard lock(boardMutex_);
        board_.AdvanceTime(static_cast<std::uint64_t>(period_.count()));
        // A triangle from 0 to the top and back: a new value every report.
        const unsigned phase = step++ % (2 * top);
        board_.SetAxis(1, phase < top ? phase : 2 * top - phase);
        if (!board_.InputPending()) board_.TurnEncoder(kEncoderPair, 1);
        report = board_.InputReport();
      }
      // The board numbers no reports: hidraw hands them over without the ID.
      report.erase(report.begin());
      host.SendInput(kNode, std::move(report));
      ++sent_;
    }
  }

  std::chrono::milliseconds period_;
  std::mutex boardMutex_;
  emu::EmulatedBoard board_;  // under boardMutex_
  std::thread thread_;
  std::optional<clockid_t> producerClock_;
  std::atomic<bool> stopping_{false};
  std::atomic<std::uint64_t> sent_{0};
};

// The process's CPU time, less the feed's, over a stretch of wall time;
// of it, the part of the calling thread (the window's).
class MonitorCpu {
 public:
  explicit MonitorCpu(const MonitorFeed& feed) : feed_(feed) {}
  void Begin() {
    wall_ = std::chrono::steady_clock::now();
    process_ = CpuNanoseconds(CLOCK_PROCESS_CPUTIME_ID);
    producer_ = feed_.ProducerCpuNs();
    window_ = CpuNanoseconds(CLOCK_THREAD_CPUTIME_ID);
  }
  void End() {
    wallNs_ += std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now() - wall_)
                   .count();
    const std::int64_t producer = feed_.ProducerCpuNs() - producer_;
    producerNs_ += producer;
    windowNs_ += CpuNanoseconds(CLOCK_THREAD_CPUTIME_ID) - window_;
    monitorNs_ += CpuNanoseconds(CLOCK_PROCESS_CPUTIME_ID) - process_ - producer;
  }
  double MonitorPercent() const { return Percent(monitorNs_); }
  double WindowPercent() const { return Percent(windowNs_); }
  double ProducerPercent() const { return Percent(producerNs_); }
  double Seconds() const { return static_cast<double>(wallNs_) / 1e9; }

 private:
  double Percent(std::int64_t ns) const {
    return 100.0 * static_cast<double>(ns) / static_cast<double>(wallNs_);
  }

  const MonitorFeed& feed_;
  std::chrono::steady_clock::time_point wall_;
  std::int64_t process_ = 0, producer_ = 0, window_ = 0;
  std::int64_t wallNs_ = 0, monitorNs_ = 0, producerNs_ = 0, windowNs_ = 0;
};

}  // namespace tq::bench
