// What a program does with the board the device link finds: its descriptor
// strings, one page read and one setting written, with values from the input.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "devlink/device_link.h"
#include "fuzz/byte_reader.h"

namespace tq::fuzz {

// Whether a board was found; the caller closes it either way.
inline bool RunBoardSession(DeviceLink& link, const std::string& wantedSerial, ByteReader& in) {
  if (!link.FindTheHid(wantedSerial)) return false;
  (void)link.ReadBoardString(&HidApi::HidD_GetManufacturerString);
  (void)link.ReadBoardString(&HidApi::HidD_GetProductString);
  (void)link.ReadBoardString(&HidApi::HidD_GetSerialNumberString);
  std::vector<std::uint8_t> page(link.FeatureReportByteLength());
  (void)link.GetFeature(page);
  (void)link.SendSetReport(in.U8(), in.U8());
  return true;
}

}  // namespace tq::fuzz
