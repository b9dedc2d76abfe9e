// The boards both programs accept, by vendor and product ID. The maker's own
// vendor ID carries the current product line; the shared vendor ID carries
// the earlier boards sold under sub-licensed product IDs.
#include <algorithm>
#include <array>

#include "devlink/device_link.h"

namespace tq {
namespace {

constexpr std::array<std::uint16_t, 5> kMakerSingles{0x0501, 0x0502, 0x0510, 0x0520, 0x0521};
// 15 and 12 consecutive IDs.
constexpr std::array<ProductRange, 2> kMakerRanges{{{0x0600, 0x060E}, {0x0700, 0x070B}}};
constexpr std::array<std::uint16_t, 19> kSharedSingles{
    0x0C40, 0x0C41, 0x0C42, 0x0C43, 0x0C44, 0x0C45, 0x0C46, 0x0C47, 0x0C48, 0x0C49,
    0x0C4A, 0x0C4B, 0x0C4C, 0x0C4D, 0x0C4E, 0x0C4F, 0x0C50, 0x0C51, 0x0C52};

// The configuration utility knows only the boards that have analog inputs:
// the first two singles, the first ten IDs of the 15-ID range and the first
// five shared IDs.
constexpr std::array<std::uint16_t, 2> kConfigMakerSingles{0x0501, 0x0502};
constexpr std::array<ProductRange, 1> kConfigMakerRanges{{{0x0600, 0x0609}}};
constexpr std::array<std::uint16_t, 5> kConfigSharedSingles{0x0C40, 0x0C41, 0x0C42, 0x0C43,
                                                           0x0C44};

}  // namespace

bool AcceptedTable::Accepts(std::uint16_t vendorId, std::uint16_t productId) const {
  if (vendorId == makerVendorId) {
    if (std::ranges::find(makerSingles, productId) != makerSingles.end()) return true;
    return std::ranges::any_of(makerRanges, [productId](const ProductRange& r) {
      return productId >= r.first && productId <= r.last;
    });
  }
  if (vendorId == kSharedVendorID) {
    return std::ranges::find(sharedSingles, productId) != sharedSingles.end();
  }
  return false;
}

const AcceptedTable kEncodersBoards{kMakerVendorID, kMakerSingles, kMakerRanges, kSharedSingles};
const AcceptedTable kConfigBoards{kMakerVendorID, kConfigMakerSingles, kConfigMakerRanges,
                                  kConfigSharedSingles};

const BoardVariant kEncodersVariant{
    .guidAtEverySearch = false,
    .firstOpenAccess = kGenericRead,
    .productTagTest = true,
    .matchSerial = true,
    .table = &kEncodersBoards,
};

const BoardVariant kConfigVariant{
    .guidAtEverySearch = true,
    .firstOpenAccess = kGenericRead | kGenericWrite,
    .productTagTest = false,
    .matchSerial = false,
    .table = &kConfigBoards,
};

}  // namespace tq
