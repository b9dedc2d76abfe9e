// Any device's descriptor and any input reports it may send, through what
// the monitor and tq5271ctl watch do with them: the layout learnt from the
// parser's capabilities (HidP_* over the emulator, which answers from the
// device's descriptor), each report decoded, the samples measured (noise
// and chatter judged), each change written as a line, and what arrived
// against the descriptor's ranges summed up.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "board/change_text.h"
#include "board/input_layout.h"
#include "board/input_watch.h"
#include "board/inputs_seen.h"
#include "devlink/report_descriptor/report_descriptor.h"
#include "emulator/emulated_board.h"
#include "emulator/simulated_hid.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  // Bytes 0 and 1: the descriptor's length, low byte first; then the
  // descriptor; then reports, each one byte of time step followed by the
  // report's bytes.
  const std::size_t descriptorLength = data[0] | std::size_t{data[1]} << 8;
  if (size - 2 < descriptorLength) return 0;
  const std::span<const std::uint8_t> descriptor(data + 2, descriptorLength);
  const auto caps = tq::hid::CapsFromReportDescriptor(descriptor);
  if (!caps || caps->InputReportByteLength == 0) return 0;

  tq::emu::EmulatedBoard device = tq::emu::MakeTQ5271(u"FUZZ");
  device.reportDescriptor = std::vector<std::uint8_t>(descriptor.begin(), descriptor.end());
  device.inputReportByteLength = caps->InputReportByteLength;
  device.featureReportByteLength = caps->FeatureReportByteLength;
  tq::emu::SimulatedHid hid;
  const auto id = hid.Attach(device);
  const tq::HANDLE handle =
      hid.CreateFileA(hid.PathOf(id).c_str(), tq::kGenericRead, 3, nullptr, tq::kOpenExisting, 0, 0);
  tq::PHIDP_PREPARSED_DATA preparsed = 0;
  if (handle == tq::kInvalidHandleValue || hid.HidD_GetPreparsedData(handle, &preparsed) == 0) {
    return 0;
  }
  const auto layout = tq::monitor::InputLayout::Learn(hid, preparsed);
  if (layout) {
    // Every pair read as "OFF", so that chatter is judged too.
    tq::monitor::BoardSettings settings;
    std::vector<std::uint8_t> encoderPage(64, 0);
    encoderPage[1] = 16;
    settings.Take(encoderPage);
    tq::monitor::InputWatch watch(settings);
    tq::monitor::AxisRanges ranges{};
    for (int axis = 1; axis <= tq::monitor::kAxisCount; ++axis) {
      ranges[static_cast<std::size_t>(axis - 1)] = layout->Range(axis);
    }
    std::int64_t ms = 0;
    const std::size_t length = layout->ReportLength();
    std::size_t at = 2 + descriptorLength;
    while (size - at >= 1 + length) {
      ms += data[at];
      std::vector<std::uint8_t> report(data + at + 1, data + at + 1 + length);
      at += 1 + length;
      for (const auto& change : watch.Take(layout->Decode(hid, preparsed, report, ms))) {
        (void)tq::monitor::ChangeLine(change);
      }
      if (ms % 7 == 0) watch.Reset();
    }
    const auto axes = tq::monitor::ReadingsOf(watch);
    (void)tq::monitor::SeenLine(tq::monitor::CountSeen(watch.AllPresses(), axes, ranges));
    (void)tq::monitor::MissingLine(watch.AllPresses(), axes, ranges);
  }
  hid.HidD_FreePreparsedData(preparsed);
  hid.CloseHandle(handle);
  return 0;
}
