#!/usr/bin/env python3
"""Compares what the hidraw backend and Wine's hid.dll answered of the same
devices, as tq_hidp_dump printed it on either side, and writes one check
per device and kind in the guest checks' format ("PASS name", "KNOWN name",
"FAIL name" followed by its evidence) to stdout. Each comparison's texts and
diff go to the output folder as DEVICE.KIND.linux, .wine and .diff.

Windows presents one interface per top-level collection and the hidraw
backend answers for the first: a device of several collections is compared
against Wine's interface of its first one (a path with "col01"). Two
differences of Wine 8 from Windows are known, each of one shape, and are
counted apart when the difference has exactly that shape: Wine lists a
device of several collections as one interface of the whole descriptor;
and it names an array's usages one lower where the array counts from a
Logical Minimum other than 1.

Run by tools/vm/hidp-compare.sh inside the VM, once per batch of devices.
"""

import argparse
import difflib
import os
import re
import sys

COLLECTIONS_AS_ONE = (" (Wine lists its {0} top-level collections as one interface, "
                      "Windows as {0}; the hidraw backend answers as Windows' first)")
ARRAYS_ONE_LOWER = (" (an array counted from a Logical Minimum other than 1: the hidraw "
                    "backend names usage minimum + value - Logical Minimum as Windows does, "
                    "Wine usage minimum + value - 1)")
EVIDENCE_LINES = 40


def blocks(text, vendor, product):
    """The interface blocks of one device in a dump, as (path, lines) pairs,
    without their "interface" line; `vendor` and `product` as the dump
    prints them ("0x2A7E")."""
    found = []
    path, lines, has_vendor, has_product = None, [], False, False

    def flush():
        nonlocal path, lines, has_vendor, has_product
        if path is not None and has_vendor and has_product:
            found.append((path, lines))
        path, lines, has_vendor, has_product = None, [], False, False

    for line in text.replace("\r", "").split("\n"):
        if line.startswith("interface ") or line.startswith("interfaces "):
            flush()
        elif line.startswith("path "):
            path, lines = line[len("path "):], []
        elif path is not None:
            lines.append(line)
            has_vendor = has_vendor or line == "VendorID " + vendor
            has_product = has_product or line == "ProductID " + product
    flush()
    # The dump ends each block with its blank line; the comparison is of
    # what the interface says.
    return [(p, [line for line in ls if line]) for p, ls in found]


def first_collection(found):
    """The lines of the one block compared: the only one, or of several the
    first top-level collection's (its path names "col01")."""
    if len(found) == 1:
        return found[0][1]
    chosen = [ls for p, ls in found if re.search(r"col0*1([^0-9]|$)", p.lower())]
    return chosen[-1] if chosen else []


def usage_values(field):
    return int(field[2:], 16) if re.fullmatch(r"0x[0-9a-fA-F]+", field) else None


def array_usages_one_lower(linux, wine):
    """Whether only usage lists differ, in the same places, each of Wine's
    usages equal to the hidraw backend's or one lower."""
    if len(linux) != len(wine):
        return False
    for ours, theirs in zip(linux, wine):
        if ours == theirs:
            continue
        ours_fields, their_fields = ours.split(), theirs.split()
        if len(ours_fields) != len(their_fields) or not ours_fields[0].endswith(".usages"):
            return False
        for mine, other in zip(ours_fields, their_fields):
            if mine == other:
                continue
            mine_value, other_value = usage_values(mine), usage_values(other)
            if mine_value is None or other_value is None or mine_value - 1 != other_value:
                return False
    return True


class Device:
    """One line of tq_hidp_dump --devices: name, vboard options, the control
    lines that make it send and clear, its top-level collections, and
    whether it holds an array counted from a Logical Minimum other than 1."""

    def __init__(self, line):
        fields = line.rstrip("\n").split("\t")
        fields += [""] * (6 - len(fields))
        self.name, self.options, self.send, self.clear = fields[:4]
        self.collections = int(fields[4] or 1)
        self.arrays = fields[5] == "arrays"
        self.vendor = "0x" + self.option("vendor")
        self.product = "0x" + self.option("product")

    def option(self, key):
        found = re.findall(key + r"=0x([0-9a-f]*)", self.options)
        return found[-1].upper() if found else ""


def compare(device, kind, linux_text, wine_text, statement, out, only=None):
    """One check line (and its evidence) for one kind of text of one device."""
    linux_found = blocks(linux_text, device.vendor, device.product)
    wine_found = blocks(wine_text, device.vendor, device.product)
    keep = re.compile(only) if only else None
    linux = [line for line in first_collection(linux_found) if not keep or keep.search(line)]
    wine = [line for line in first_collection(wine_found) if not keep or keep.search(line)]
    base = os.path.join(out, device.name + "." + kind)
    for suffix, lines in ((".linux", linux), (".wine", wine)):
        with open(base + suffix, "w") as written:
            written.write("".join(line + "\n" for line in lines))

    if len(linux_found) != 1 or not wine_found:
        diff = [f"Linux listed {len(linux_found)}, Wine {len(wine_found)} interfaces\n"]
    else:
        diff = list(difflib.unified_diff([line + "\n" for line in linux],
                                         [line + "\n" for line in wine],
                                         base + ".linux", base + ".wine"))
    with open(base + ".diff", "w") as written:
        written.write("".join(diff))

    note = ""
    if len(wine_found) > 1:
        note = f" (its first of {len(wine_found)} top-level collections)"
    as_one = device.collections > 1 and len(wine_found) == 1
    if as_one:
        note = COLLECTIONS_AS_ONE.format(device.collections)
    elif kind == "input" and device.arrays:
        note = ARRAYS_ONE_LOWER
    name = f"{device.name}: {statement}{note}"

    if not diff:
        return [f"PASS {name}"]
    if as_one or (kind == "input" and device.arrays and array_usages_one_lower(linux, wine)):
        return [f"KNOWN {name}"]
    evidence = "".join(diff).splitlines()[:EVIDENCE_LINES]
    return [f"FAIL {name}"] + ["    | " + line for line in evidence]


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--devices", required=True, help="the batch's lines of tq_hidp_dump --devices")
    parser.add_argument("--out", required=True, help="folder for the texts and diffs")
    parser.add_argument("--linux-caps", required=True)
    parser.add_argument("--wine-caps", required=True)
    parser.add_argument("--linux-input", required=True, help="tq_hidp_dump --read on Linux")
    parser.add_argument("--wine-answers", required=True, help="tq_hidp_dump --answer under Wine")
    parser.add_argument("--wine-input", required=True, help="tq_hidp_dump --read under Wine")
    args = parser.parse_args(argv)

    def read(path):
        with open(path, errors="replace") as text:
            return text.read()

    linux_caps, wine_caps = read(args.linux_caps), read(args.wine_caps)
    linux_input, wine_answers = read(args.linux_input), read(args.wine_answers)
    wine_input = read(args.wine_input)
    with open(args.devices) as devices:
        batch = [Device(line) for line in devices if line.strip()]
    for device in batch:
        checks = compare(device, "caps", linux_caps, wine_caps,
                         "HidP_GetCaps, button caps and value caps of the hidraw backend"
                         " = Wine's hid.dll", args.out)
        checks += compare(device, "input", linux_input, wine_answers,
                          "HidP_GetUsages and HidP_GetUsageValue over its input report:"
                          " hidraw backend = Wine's hid.dll", args.out)
        checks += compare(device, "read", linux_input, wine_input,
                          "the report it sent: hidraw backend's ReadFile = Wine's", args.out,
                          only=r"^report ")
        print("\n".join(checks))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
