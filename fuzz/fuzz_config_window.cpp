// The configuration utility's whole session against a board made from the
// input: report length, release, strings, page order and setting bytes,
// then a toggle of every check box and a pick in every list.
#include <cstddef>
#include <cstdint>

#include "board/config_reports.h"
#include "config/frm_main.h"
#include "emulator/simulated_hid.h"
#include "fuzz/byte_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tq::fuzz::ByteReader in(data, size);
  tq::emu::SimulatedHid hid;
  tq::emu::EmulatedBoard board = tq::emu::MakeTQ5271(in.Text16());
  board.productId = 0x0501;  // one the configuration utility accepts
  board.featureReportByteLength = static_cast<std::uint16_t>(in.U16() % 4097);
  board.versionNumber = in.U16();
  board.manufacturer = in.Text16();
  board.product = in.Text16();
  board.pageRotation = in.Bytes(in.U8() % 32);
  for (auto& setting : board.settings) setting = in.U8();
  hid.Attach(board);

  tq::config::frmMain form(hid);
  form.Form_Load();
  for (int input = 1; input <= tq::config::kInputCount; ++input) {
    if (in.U8() & 1) form.InvertCh(input).UserToggle();
    form.ModeCh(input).UserPick(in.U8() % 4 - 1);
  }
  if (in.U8() & 1) hid.Detach(0);
  form.AutoCh.UserToggle();
  form.Form().Close();
  if (hid.OpenHandleCount() != 0 || hid.DoubleCloses() != 0) __builtin_trap();
  return 0;
}
