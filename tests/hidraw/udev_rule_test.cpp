// The udev rule against the accepted-board tables: a small evaluator applies
// the rule file to modelled hidraw nodes and USB device nodes of every
// product ID of the maker's vendor, the shared vendor and a foreign vendor,
// and the grants must be exactly what the programs open.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "devlink/device_link.h"

namespace tq::test {
namespace {

using Attributes = std::map<std::string, std::string>;

// A device as udev sees it while running the rules for its add event.
struct UdevDevice {
  std::string subsystem;
  std::string devtype;
  Attributes attributes;            // ATTR{}: the device's own
  std::vector<Attributes> parents;  // ATTRS{} also looks here, nearest first
};

struct Condition {
  std::string key;  // SUBSYSTEM, ENV{DEVTYPE}, ATTR{x} or ATTRS{x}
  std::string name;
  bool equal;
  std::string value;
};

// The rule's lines as matches plus the one assignment the rule may make.
// Anything else (another key, another assignment, a glob, a continuation
// line) is reported in `errors` rather than guessed at.
struct RuleFile {
  std::vector<std::vector<Condition>> rules;
  std::vector<std::string> errors;

  explicit RuleFile(const std::string& path) {
    std::ifstream in(path);
    if (!in) errors.push_back("cannot read " + path);
    std::string line;
    while (std::getline(in, line)) {
      const auto first = line.find_first_not_of(" \t");
      if (first == std::string::npos || line[first] == '#') continue;
      ParseLine(line);
    }
  }

  // A line with anything not understood is left out, after its error.
  void ParseLine(const std::string& line) {
    const std::size_t errorsBefore = errors.size();
    std::vector<Condition> conditions;
    bool tagsUaccess = false;
    std::size_t at = 0;
    while (at < line.size()) {
      at = line.find_first_not_of(" \t,", at);
      if (at == std::string::npos) break;
      const auto op = line.find_first_of("=!+:", at);
      const auto open = line.find('"', op);
      const auto close = open == std::string::npos ? open : line.find('"', open + 1);
      if (op == std::string::npos || close == std::string::npos) {
        errors.push_back("malformed: " + line);
        return;
      }
      const std::string key = line.substr(at, op - at);
      const std::string oper = line.substr(op, open - op);
      const std::string value = line.substr(open + 1, close - open - 1);
      at = close + 1;
      if (value.find_first_of("*?[|\\") != std::string::npos) {
        errors.push_back("pattern in value: " + line);
      } else if (oper == "+=" && key == "TAG" && value == "uaccess") {
        tagsUaccess = true;
      } else if (oper != "==" && oper != "!=") {
        errors.push_back("assignment other than the uaccess tag: " + line);
      } else if (!AddCondition(conditions, key, oper == "==", value)) {
        errors.push_back("key not understood: " + key);
      }
    }
    if (!tagsUaccess) errors.push_back("line without the uaccess tag: " + line);
    if (errors.size() == errorsBefore) rules.push_back(std::move(conditions));
  }

  static bool AddCondition(std::vector<Condition>& conditions, const std::string& key,
                           bool equal, const std::string& value) {
    if (key == "SUBSYSTEM" || key == "ENV{DEVTYPE}") {
      conditions.push_back({key, "", equal, value});
      return true;
    }
    for (const std::string kind : {"ATTR", "ATTRS"}) {
      if (key.starts_with(kind + "{") && key.ends_with("}")) {
        conditions.push_back({kind, key.substr(kind.size() + 1, key.size() - kind.size() - 2),
                              equal, value});
        return true;
      }
    }
    return false;
  }

  static bool Holds(const Condition& c, const Attributes& attributes) {
    const auto found = attributes.find(c.name);
    return found != attributes.end() && (found->second == c.value) == c.equal;
  }

  static bool Matches(const std::vector<Condition>& rule, const UdevDevice& device) {
    std::vector<const Condition*> parentConditions;
    for (const Condition& c : rule) {
      if (c.key == "SUBSYSTEM" && (device.subsystem == c.value) != c.equal) return false;
      if (c.key == "ENV{DEVTYPE}" && (device.devtype == c.value) != c.equal) return false;
      if (c.key == "ATTR" && !Holds(c, device.attributes)) return false;
      if (c.key == "ATTRS") parentConditions.push_back(&c);
    }
    if (parentConditions.empty()) return true;
    // Every ATTRS of one rule must hold on the same device: itself or one parent.
    auto allHold = [&](const Attributes& attributes) {
      for (const Condition* c : parentConditions) {
        if (!Holds(*c, attributes)) return false;
      }
      return true;
    };
    if (allHold(device.attributes)) return true;
    for (const Attributes& parent : device.parents) {
      if (allHold(parent)) return true;
    }
    return false;
  }

  bool TagsUaccess(const UdevDevice& device) const {
    for (const auto& rule : rules) {
      if (Matches(rule, device)) return true;
    }
    return false;
  }
};

std::string Hex4(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04x", value);
  return text;
}

Attributes UsbIds(unsigned vendor, unsigned product) {
  return {{"idVendor", Hex4(vendor)}, {"idProduct", Hex4(product)}};
}

// A root hub: its IDs are visible to ATTRS of every device below it.
const Attributes kRootHub = UsbIds(0x1d6b, 0x0002);

// hidraw node -> HID device -> USB interface -> USB device -> root hub.
UdevDevice HidrawNode(unsigned vendor, unsigned product) {
  return {"hidraw", "", {{"dev", "243:0"}},
          {{{"country", "00"}}, {{"bInterfaceClass", "03"}}, UsbIds(vendor, product), kRootHub}};
}

UdevDevice UsbDeviceNode(unsigned vendor, unsigned product) {
  return {"usb", "usb_device", UsbIds(vendor, product), {kRootHub}};
}

UdevDevice UsbInterface(unsigned vendor, unsigned product) {
  return {"usb", "usb_interface", {{"bInterfaceClass", "03"}}, {UsbIds(vendor, product), kRootHub}};
}

TEST(UdevRuleFile, GrantsExactlyTheNodesTheProgramsOpen) {
  const RuleFile rule(TQ_UDEV_RULE_PATH);
  EXPECT_EQ(rule.errors, std::vector<std::string>{});
  ASSERT_FALSE(rule.rules.empty());

  // The configuration utility's boards are all in the full table, so the
  // full table's grants serve both programs.
  const AcceptedTable& full = *kEncodersVariant.table;
  const AcceptedTable& config = *kConfigVariant.table;
  EXPECT_FALSE(kConfigVariant.productTagTest);
  // Only the encoder utility reads string 42, and it accepts a board of the
  // maker's vendor by its tag alone; the shared vendor's tag-only boards get
  // no grant (the rule's README says what they need).
  ASSERT_TRUE(kEncodersVariant.productTagTest);

  int failures = 0;
  for (const unsigned vendor : {unsigned{kMakerVendorID}, unsigned{kSharedVendorID}, 0x1234u}) {
    for (unsigned product = 0; product <= 0xFFFF && failures < 10; ++product) {
      const auto v = static_cast<std::uint16_t>(vendor);
      const auto p = static_cast<std::uint16_t>(product);
      const bool tagOnly = vendor == kMakerVendorID;
      const bool wantHidraw = full.Accepts(v, p) || tagOnly;
      const bool hidraw = rule.TagsUaccess(HidrawNode(vendor, product));
      const bool usbDevice = rule.TagsUaccess(UsbDeviceNode(vendor, product));
      const bool usbInterface = rule.TagsUaccess(UsbInterface(vendor, product));
      const bool configInFull = !config.Accepts(v, p) || full.Accepts(v, p);
      if (hidraw != wantHidraw || usbDevice != tagOnly || usbInterface || !configInFull) {
        ADD_FAILURE() << "vendor " << Hex4(vendor) << " product " << Hex4(product)
                      << ": hidraw " << hidraw << " (want " << wantHidraw << "), usb device "
                      << usbDevice << " (want " << tagOnly << "), usb interface "
                      << usbInterface << ", config board in the full table " << configInFull;
        ++failures;
      }
    }
  }
  // The root hub above every board is never granted.
  EXPECT_FALSE(rule.TagsUaccess({"usb", "usb_device", kRootHub, {}}));
}

// The evaluator itself: the one-device rule for ATTRS and the rejections,
// so a mismatch above is the rule's and not the evaluator's.
TEST(UdevRuleFile, EvaluatorFollowsUdevMatching) {
  const std::string path = ::testing::TempDir() + "tq5271-evaluator.rules";
  {
    std::ofstream out(path);
    out << "# comment\n"
        << "SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"16c0\", ATTRS{idProduct}==\"0c40\", "
           "TAG+=\"uaccess\"\n"
        << "SUBSYSTEM==\"usb\", ATTR{idVendor}==\"16c0\", MODE=\"0666\"\n"
        << "SUBSYSTEM==\"hidraw\", KERNEL==\"hidraw*\", TAG+=\"uaccess\"\n";
  }
  const RuleFile rule(path);
  EXPECT_EQ(rule.errors.size(), 3u);  // MODE, the KERNEL key and its glob
  EXPECT_TRUE(rule.TagsUaccess(HidrawNode(0x16c0, 0x0c40)));
  EXPECT_FALSE(rule.TagsUaccess(HidrawNode(0x16c0, 0x0c53)));
  // Vendor on one device, product on another: no match.
  UdevDevice split = HidrawNode(0x16c0, 0x1111);
  split.parents[0]["idProduct"] = "0c40";
  EXPECT_FALSE(rule.TagsUaccess(split));
  EXPECT_FALSE(rule.TagsUaccess(UsbDeviceNode(0x16c0, 0x0c40)));
  std::remove(path.c_str());
}

}  // namespace
}  // namespace tq::test
