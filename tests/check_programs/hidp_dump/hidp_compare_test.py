#!/usr/bin/env python3
"""The VM's comparison of the hidraw backend with Wine's hid.dll, over dump
texts written here: which block of a device is compared, and which
difference passes, is known, or fails."""

import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import hidp_compare  # noqa: E402


def dump(*interfaces):
    """A dump of interfaces, each (path, vendor, product, lines)."""
    text = ""
    for number, (path, vendor, product, lines) in enumerate(interfaces):
        text += f"interface {number}\npath {path}\nVendorID {vendor}\nProductID {product}\n"
        text += "".join(line + "\n" for line in lines)
    return text + f"interfaces {len(interfaces)}\n"


BOARD = "board\tvendor=0x2a7e,product=0x0501\treport @ 01\treport @ 00\t1\t-"
TWO = "two\tvendor=0x1209,product=0x7101\treport @ 01\treport @ 00\t2\t-"
ARRAYS = "keys\tvendor=0x1209,product=0x7102\treport @ 01\treport @ 00\t1\tarrays"


class HidpCompareScript(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.out = self.folder.name

    def tearDown(self):
        self.folder.cleanup()

    def compare(self, device, kind, linux, wine, only=None):
        return hidp_compare.compare(hidp_compare.Device(device), kind, linux, wine,
                                    "caps agree", self.out, only)

    def test_only_the_devices_own_block_is_compared(self):
        linux = dump(("/dev/hidraw0", "0x2A7E", "0x0501", ["caps.Usage 0x0004"]),
                     ("/dev/hidraw1", "0x1209", "0x7101", ["caps.Usage 0x0006"]))
        wine = dump(("\\\\?\\hid#vid_1209&pid_7101", "0x1209", "0x7101", ["caps.Usage 0x0002"]),
                    ("\\\\?\\hid#vid_2a7e&pid_0501", "0x2A7E", "0x0501", ["caps.Usage 0x0004"]))
        self.assertEqual(self.compare(BOARD, "caps", linux, wine.replace("\n", "\r\n")),
                         ["PASS board: caps agree"])
        with open(os.path.join(self.out, "board.caps.linux")) as written:
            self.assertEqual(written.read(), "VendorID 0x2A7E\nProductID 0x0501\ncaps.Usage 0x0004\n")

    def test_a_difference_fails_with_its_diff_as_evidence(self):
        linux = dump(("/dev/hidraw0", "0x2A7E", "0x0501", ["caps.Usage 0x0004"]))
        wine = dump(("w0", "0x2A7E", "0x0501", ["caps.Usage 0x0005"]))
        checks = self.compare(BOARD, "caps", linux, wine)
        self.assertEqual(checks[0], "FAIL board: caps agree")
        self.assertIn("    | -caps.Usage 0x0004", checks)
        self.assertIn("    | +caps.Usage 0x0005", checks)
        # A device missing on one side says how many each listed.
        checks = self.compare(BOARD, "caps", linux, dump())
        self.assertEqual(checks, ["FAIL board: caps agree", "    | Linux listed 1, Wine 0 interfaces"])

    def test_several_collections_compare_the_first_and_wines_one_interface_is_known(self):
        linux = dump(("/dev/hidraw0", "0x1209", "0x7101", ["caps.Usage 0x0002"]))
        wine = dump(("\\\\?\\HID#VID_1209&PID_7101&Col02#x", "0x1209", "0x7101", ["caps.Usage 0x0006"]),
                    ("\\\\?\\HID#VID_1209&PID_7101&Col01#x", "0x1209", "0x7101", ["caps.Usage 0x0002"]))
        self.assertEqual(self.compare(TWO, "caps", linux, wine),
                         ["PASS two: caps agree (its first of 2 top-level collections)"])
        whole = dump(("w0", "0x1209", "0x7101", ["caps.Usage 0x0006"]))
        self.assertEqual(self.compare(TWO, "caps", linux, whole),
                         ["KNOWN two: caps agree" + hidp_compare.COLLECTIONS_AS_ONE.format(2)])

    def test_array_usages_one_lower_are_known_and_any_other_difference_fails(self):
        linux = dump(("l", "0x1209", "0x7102", ["report 01 05", "input.button[0].usages 0x00000000 0x0004 0x0005"]))
        lower = dump(("w", "0x1209", "0x7102", ["report 01 05", "input.button[0].usages 0x00000000 0x0003 0x0005"]))
        name = "keys: caps agree" + hidp_compare.ARRAYS_ONE_LOWER
        self.assertEqual(self.compare(ARRAYS, "input", linux, lower), ["KNOWN " + name])
        two_lower = lower.replace("0x0003 0x0005", "0x0002 0x0005")
        self.assertEqual(self.compare(ARRAYS, "input", linux, two_lower)[0], "FAIL " + name)
        other_line = lower.replace("report 01 05", "report 01 06")
        self.assertEqual(self.compare(ARRAYS, "input", linux, other_line)[0], "FAIL " + name)
        # The same difference on a device without such arrays is no known one.
        self.assertEqual(self.compare(BOARD.replace("0x2a7e,product=0x0501", "0x1209,product=0x7102"),
                                      "input", linux, lower)[0], "FAIL board: caps agree")

    def test_the_read_comparison_looks_at_the_report_lines_only(self):
        linux = dump(("l", "0x2A7E", "0x0501", ["report 00 7f", "input.value 0x7f"]))
        wine = dump(("w", "0x2A7E", "0x0501", ["report 00 7f", "input.value 0x00"]))
        self.assertEqual(self.compare(BOARD, "read", linux, wine, only=r"^report "),
                         ["PASS board: caps agree"])

    def test_a_batch_writes_three_checks_a_device(self):
        paths = {}
        for name, text in (("linux", dump(("l", "0x2A7E", "0x0501", ["report 00 7f"]))),
                           ("wine", dump(("w", "0x2A7E", "0x0501", ["report 00 7f"]))),
                           ("devices", BOARD + "\n")):
            paths[name] = os.path.join(self.out, name + ".txt")
            with open(paths[name], "w") as written:
                written.write(text)
        from io import StringIO
        from contextlib import redirect_stdout
        printed = StringIO()
        with redirect_stdout(printed):
            hidp_compare.main(["--devices", paths["devices"], "--out", self.out,
                               "--linux-caps", paths["linux"], "--wine-caps", paths["wine"],
                               "--linux-input", paths["linux"], "--wine-answers", paths["wine"],
                               "--wine-input", paths["wine"]])
        lines = printed.getvalue().splitlines()
        self.assertEqual([line.split(":")[0] for line in lines], ["PASS board"] * 3)
        for kind in ("caps", "input", "read"):
            self.assertTrue(os.path.exists(os.path.join(self.out, f"board.{kind}.diff")))


if __name__ == "__main__":
    unittest.main()
