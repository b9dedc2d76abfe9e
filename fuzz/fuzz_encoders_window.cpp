// The encoder utility's whole session against a board made from the input:
// report length, release, strings, page order and setting bytes, then a
// pick in every list and a few ticks. Sanitizers watch every buffer.
#include <cstddef>
#include <cstdint>
#include <string>

#include "board/encoder_reports.h"
#include "emulator/simulated_hid.h"
#include "encoders/frm_main.h"
#include "fuzz/byte_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tq::fuzz::ByteReader in(data, size);
  tq::emu::SimulatedHid hid;
  tq::emu::EmulatedBoard board = tq::emu::MakeTQ5271(in.Text16());
  board.featureReportByteLength = static_cast<std::uint16_t>(in.U16() % 4097);
  board.versionNumber = in.U16();
  board.manufacturer = in.Text16();
  board.product = in.Text16();
  board.indexedStrings[42] = in.Text16();
  board.pageRotation = in.Bytes(in.U8() % 32);
  for (auto& setting : board.settings) setting = in.U8();
  hid.Attach(board);

  tq::encoders::frmMain form(hid);
  form.Form_Load();
  for (int pair = 1; pair <= tq::encoders::kPairCount; ++pair) {
    form.Enc(pair).UserPick(in.U8() % 5 - 1);
  }
  form.ModeCh1.UserPick(in.U8() % 27 - 1);
  if (in.U8() & 1) hid.Detach(0);
  form.Timer.Tick();
  form.Timer.Tick();
  form.Form().Close();
  if (hid.OpenHandleCount() != 0 || hid.DoubleCloses() != 0) __builtin_trap();
  return 0;
}
