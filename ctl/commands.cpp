#include "ctl/commands.h"

#include <nlohmann/json.hpp>
#include <sstream>
#include <utility>

#include "board/config_reports.h"
#include "board/encoder_reports.h"
#include "ctl/bounded_file.h"
#include "ctl/named_settings.h"
#include "ctl/replace_file.h"
#include "ctl/setting_bytes.h"
#include "ctl/settings_file.h"

namespace tq::ctl {
namespace {

using Json = nlohmann::ordered_json;

std::string Ids(std::uint16_t vendorId, std::uint16_t productId) {
  char text[16];
  std::snprintf(text, sizeof text, "%04X:%04X", unsigned{vendorId}, unsigned{productId});
  return text;
}

std::string Release(std::uint16_t versionNumber) { return ReleaseCaption(versionNumber).substr(1); }

std::string Quote(const std::optional<std::string>& text) {
  return text ? "\"" + *text + "\"" : std::string("-");
}

std::string YesNo(bool value) { return value ? "yes" : "no"; }

std::string Describe(const ScannedInterface& seen) {
  return "board " + seen.serial.value_or("(no serial)") + "  " +
         Ids(seen.ids->vendorId, seen.ids->productId) + "  release " +
         Release(seen.versionNumber);
}

std::string Assignment(const Write& write) {
  return SettingName(write.address) + " = " + Hex(write.value);
}

int Fail(const Console& console, const std::string& message) {
  console.err << "tq5271ctl: " << message << "\n";
  return kExitError;
}

std::string PageList(const std::vector<std::uint8_t>& missing) {
  std::string pages;
  for (const int tag : {0, 16}) {
    if (std::ranges::any_of(missing, [tag](std::uint8_t a) { return (a & 0xF0) == tag; })) {
      pages += (pages.empty() ? "page " : " and page ") + std::to_string(tag);
    }
  }
  return pages;
}

// Sends the plan, stopping at the first report the board does not take,
// then reads the pages again and compares every byte of `target` that was
// not refused.
int ApplyAndVerify(const Console& console, OpenBoard& board, const SettingBytes& target,
                   const WritePlan& plan, bool dryRun) {
  for (const auto& refusal : plan.refusals) console.out << "refused " << refusal.reason << "\n";
  if (dryRun) {
    for (const auto& write : plan.writes) console.out << "would write " << Assignment(write) << "\n";
    console.out << plan.writes.size() << " reports would be sent; nothing sent (dry run)\n";
    return plan.refusals.empty() ? kExitOk : kExitIncomplete;
  }

  for (std::size_t k = 0; k < plan.writes.size(); ++k) {
    const Write& write = plan.writes[k];
    if (!board.link.SendSetReport(write.address, write.value)) {
      std::string written;
      for (std::size_t i = 0; i < k; ++i) {
        written += (written.empty() ? "" : ", ") + Assignment(plan.writes[i]);
      }
      std::string unwritten;
      for (std::size_t i = k; i < plan.writes.size(); ++i) {
        unwritten += (unwritten.empty() ? "" : ", ") + SettingName(plan.writes[i].address);
      }
      return Fail(console, "board lost: report " + std::to_string(k + 1) + " of " +
                               std::to_string(plan.writes.size()) + " (" + Assignment(write) +
                               ") was not taken; written: " +
                               (written.empty() ? "nothing" : written) +
                               "; not written: " + unwritten);
    }
    console.out << "wrote " << Assignment(write) << "\n";
  }

  const SettingBytes now = ReadSettingBytes(board.link);
  std::string verified;
  int mismatches = 0;
  for (const auto& [address, wanted] : target) {
    if (plan.Refused(address)) continue;
    const auto held = now.find(address);
    if (held == now.end()) {
      console.err << "tq5271ctl: not verified " << SettingName(address)
                  << ": its page " << NotBackInRequests() << "\n";
      ++mismatches;
    } else if (held->second != wanted) {
      console.err << "tq5271ctl: mismatch " << SettingName(address) << ": wanted " << Hex(wanted)
                  << ", the board holds " << Hex(held->second) << "\n";
      ++mismatches;
    } else {
      verified += (verified.empty() ? "" : ", ") + SettingName(address);
    }
  }
  console.out << plan.writes.size() << " reports sent; verified "
              << (verified.empty() ? std::string("nothing") : verified) << "\n";
  return mismatches == 0 && plan.refusals.empty() ? kExitOk : kExitIncomplete;
}

// A note where the programs would not offer a group of settings at all.
std::string OfferNote(const std::optional<std::string>& reason) {
  if (!reason) return "";
  const auto colon = reason->find(": ");
  return "  (" + (colon == std::string::npos ? *reason : reason->substr(colon + 2)) + ")";
}

void ShowText(const Console& console, const OpenBoard& board, const SettingBytes& bytes) {
  std::ostream& out = console.out;
  const ScannedInterface& seen = board.seen;
  out << Describe(seen) << "  " << Quote(seen.manufacturer) << "  " << Quote(seen.product)
      << "\n";
  const auto unknown = [](const std::optional<std::string>& text) { return text.value_or("?"); };

  out << "encoder types" << OfferNote(RefuseBank(board.facts, 1, 0, 0)) << "\n";
  for (int pair = 1; pair <= encoders::kPairCount; ++pair) {
    const auto type = EncoderType(bytes, pair);
    const std::string name = "enc" + std::to_string(pair);
    const std::string inputs = encoders::PairInputs(pair);
    out << "  " << name << std::string(7 - name.size(), ' ') << inputs
        << std::string(7 - inputs.size(), ' ')
        << (type ? encoders::kEncoderTypeItems[static_cast<std::size_t>(*type)] : "?") << "\n";
  }
  out << "pulse width  " << unknown(PulseText(bytes))
      << OfferNote(RefuseByte(board.facts, encoders::SetPulseWidth, 1)) << "\n";
  out << "analog inputs" << OfferNote(RefuseByte(board.facts, config::SetInputMode1, 0)) << "\n";
  for (int input = 1; input <= config::kInputCount; ++input) {
    const std::string name = kInputNames[static_cast<std::size_t>(input - 1)];
    const auto inverted = Inverted(bytes, input);
    out << "  " << input << " " << name << std::string(8 - name.size(), ' ')
        << unknown(ModeText(bytes, input)) << "  "
        << (inverted ? (*inverted ? "inverted" : "not inverted") : "?") << "\n";
  }
  const auto detect = AutoDetect(bytes);
  out << "automatic detection  " << (detect ? (*detect ? "on" : "off") : "?")
      << OfferNote(RefuseByte(board.facts, config::SetAutoDetect, 0)) << "\n";
  out << "setting bytes";
  for (const auto& [address, value] : bytes) out << " " << int{address} << "=" << Hex(value);
  out << "\n";
}

void ShowJson(const Console& console, const OpenBoard& board, const SettingBytes& bytes) {
  const ScannedInterface& seen = board.seen;
  const auto orNull = [](const auto& value) { return value ? Json(*value) : Json(nullptr); };
  Json json;
  json["serial"] = orNull(seen.serial);
  json["vendorId"] = Ids(seen.ids->vendorId, seen.ids->productId).substr(0, 4);
  json["productId"] = Ids(seen.ids->vendorId, seen.ids->productId).substr(5);
  json["release"] = Release(seen.versionNumber);
  json["manufacturer"] = orNull(seen.manufacturer);
  json["product"] = orNull(seen.product);
  Json encoderTypes = Json::object();
  for (int pair = 1; pair <= encoders::kPairCount; ++pair) {
    const auto type = EncoderType(bytes, pair);
    encoderTypes["enc" + std::to_string(pair)] =
        type ? Json(encoders::kEncoderTypeItems[static_cast<std::size_t>(*type)]) : Json(nullptr);
  }
  json["encoders"] = encoderTypes;
  json["pulse"] = orNull(PulseText(bytes));
  Json inputs = Json::array();
  for (int input = 1; input <= config::kInputCount; ++input) {
    inputs.push_back({{"input", input},
                      {"name", kInputNames[static_cast<std::size_t>(input - 1)]},
                      {"inverted", orNull(Inverted(bytes, input))},
                      {"mode", orNull(ModeText(bytes, input))}});
  }
  json["inputs"] = inputs;
  json["autoDetect"] = orNull(AutoDetect(bytes));
  Json raw = Json::object();
  for (const auto& [address, value] : bytes) raw[std::to_string(address)] = value;
  json["settings"] = raw;
  json["notRead"] = MissingAddresses(bytes);
  console.out << json.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
}

}  // namespace

std::unique_ptr<OpenBoard> OpenBoardOrSay(const Console& console,
                                          const std::optional<std::string>& serial) {
  auto opened = OpenChosenBoard(console.api, console.hints, serial);
  if (auto* error = std::get_if<std::string>(&opened)) {
    Fail(console, *error);
    return nullptr;
  }
  return std::move(std::get<std::unique_ptr<OpenBoard>>(opened));
}

int List(const Console& console) {
  const Scan scan = ScanInterfaces(console.api, console.hints);
  if (!scan.listed) return Fail(console, "cannot list the HID interfaces");
  int usable = 0;
  for (const auto& seen : scan.interfaces) {
    const std::string ids = Ids(seen.ids->vendorId, seen.ids->productId);
    if (!seen.Opened()) {
      console.out << ids << "  " << seen.path << "  " << seen.openFailure << "\n";
      continue;
    }
    usable += seen.Usable() ? 1 : 0;
    console.out << "serial " << seen.serial.value_or("(unreadable)") << "  " << ids
                << "  release " << Release(seen.versionNumber) << "  tag "
                << seen.tag.value_or("-") << "  manufacturer " << Quote(seen.manufacturer)
                << "  product " << Quote(seen.product) << "  TQ5271_encoders "
                << YesNo(seen.encoders) << "  TQ5271_config " << YesNo(seen.config) << "  "
                << seen.path << "\n";
  }
  if (usable == 0) {
    console.out << "no usable board\n";
    return kExitIncomplete;
  }
  console.out << usable << (usable == 1 ? " usable board\n" : " usable boards\n");
  return kExitOk;
}

int Show(const Console& console, const std::optional<std::string>& serial, bool json) {
  const auto board = OpenBoardOrSay(console, serial);
  if (!board) return kExitError;
  const SettingBytes bytes = ReadSettingBytes(board->link);
  if (json) {
    ShowJson(console, *board, bytes);
  } else {
    ShowText(console, *board, bytes);
  }
  if (const auto missing = MissingAddresses(bytes); !missing.empty()) {
    console.err << "tq5271ctl: " << PageList(missing) << " " << NotBackInRequests()
                << "; those settings show as unknown\n";
    return kExitIncomplete;
  }
  return kExitOk;
}

int Save(const Console& console, const std::string& file,
         const std::optional<std::string>& serial) {
  const auto board = OpenBoardOrSay(console, serial);
  if (!board) return kExitError;
  SettingsFile contents;
  contents.settings = ReadSettingBytes(board->link);
  if (const auto missing = MissingAddresses(contents.settings); !missing.empty()) {
    return Fail(console, PageList(missing) + " " + NotBackInRequests() + "; nothing saved");
  }
  const ScannedInterface& seen = board->seen;
  contents.board = BoardIdentity{*seen.serial, seen.ids->vendorId, seen.ids->productId,
                                 seen.versionNumber, seen.manufacturer.value_or(""),
                                 seen.product.value_or("")};
  // The old backup stays whole until the new one is: a full disk or an
  // error midway must not cost the user both.
  if (!ReplaceFileContents(file, FormatSettingsFile(contents))) {
    return Fail(console, file + ": cannot write the file");
  }
  console.out << "saved " << contents.settings.size() << " setting bytes of " << Describe(seen)
              << " to " << file << "\n";
  return kExitOk;
}

int Restore(const Console& console, const std::string& file,
            const std::optional<std::string>& serial, bool dryRun) {
  const std::string name = file == "-" ? "standard input" : file;
  std::string text;
  if (const auto error = ReadBoundedFile(file, kMaxSettingsFileBytes, text)) {
    return Fail(console, name + " " + *error);
  }
  const auto parsed = ParseSettingsFile(text);
  if (const auto* error = std::get_if<std::string>(&parsed)) {
    return Fail(console, name + ": " + *error);
  }
  const SettingsFile& contents = std::get<SettingsFile>(parsed);

  const auto board = OpenBoardOrSay(console, serial);
  if (!board) return kExitError;
  console.out << "restoring " << name << " (saved from board "
              << (contents.board.serial.empty() ? "?" : contents.board.serial) << ") onto "
              << Describe(board->seen) << "\n";
  const SettingBytes current = ReadSettingBytes(board->link);
  const WritePlan plan = PlanWrites(current, contents.settings, board->facts);
  return ApplyAndVerify(console, *board, contents.settings, plan, dryRun);
}

int Set(const Console& console, const std::vector<std::string>& assignments,
        const std::optional<std::string>& serial, bool dryRun) {
  auto parsed = ParseAssignments(assignments);
  if (const auto* error = std::get_if<std::string>(&parsed)) return Fail(console, *error);
  const auto& changes = std::get<std::vector<Change>>(parsed);
  if (changes.empty()) return Fail(console, "set: give at least one NAME=VALUE");

  const auto board = OpenBoardOrSay(console, serial);
  if (!board) return kExitError;
  const SettingBytes current = ReadSettingBytes(board->link);
  SettingBytes target = current;
  for (const auto& change : changes) {
    if (auto error = ApplyChange(change, target)) return Fail(console, *error);
  }
  console.out << "setting " << Describe(board->seen) << "\n";
  const WritePlan plan = PlanWrites(current, target, board->facts);
  return ApplyAndVerify(console, *board, target, plan, dryRun);
}

}  // namespace tq::ctl
