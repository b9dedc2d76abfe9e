// The USB/IP wire format: the bytes the kernel's host controller would send
// and must get back.
#include "vboard/usbip_codec.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/vm/usbip_requests.h"

namespace tq::vboard {
namespace {

using testing::Bytes;
using testing::Control;
using testing::Word;

TEST(UsbipCodec, HeadersAreBigEndianWithLittleEndianSetup) {
  UsbipRequest request = Control(0x01020304, {0xA1, 0x01, 0x0300, 0, 63});
  const Bytes wire = EncodeRequest(request);
  ASSERT_EQ(wire.size(), kUsbipHeaderLength);
  EXPECT_EQ(Word(wire, 0), 1u);
  EXPECT_EQ(Word(wire, 4), 0x01020304u);
  EXPECT_EQ(Word(wire, 12), kUsbipDirIn);
  EXPECT_EQ(Word(wire, 24), 63u);
  EXPECT_EQ(Bytes(wire.begin() + 40, wire.end()), (Bytes{0xA1, 0x01, 0x00, 0x03, 0, 0, 63, 0}));
  const auto decoded = DecodeRequest(wire.data(), wire.size());
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->seqnum, request.seqnum);
  EXPECT_EQ(decoded->transferLength, 63);
  const SetupPacket setup = DecodeSetup(decoded->setup);
  EXPECT_EQ(setup.value, 0x0300);
  EXPECT_EQ(setup.length, 63);

  const Bytes reply = EncodeSubmitReply(request, -EPIPE, {}, 0);
  ASSERT_EQ(reply.size(), kUsbipHeaderLength);
  EXPECT_EQ(Word(reply, 0), 3u);
  EXPECT_EQ(Word(reply, 4), 0x01020304u);
  EXPECT_EQ(Word(reply, 8), 0u);  // devid, direction and endpoint go back as zero
  EXPECT_EQ(Word(reply, 12), 0u);
  EXPECT_EQ(static_cast<std::int32_t>(Word(reply, 20)), -EPIPE);
  const Bytes data = EncodeSubmitReply(request, 0, {1, 2, 3}, 3);
  EXPECT_EQ(data.size(), kUsbipHeaderLength + 3);
  EXPECT_EQ(Word(data, 24), 3u);

  UsbipRequest unlink;
  unlink.command = UsbipCommand::kCmdUnlink;
  unlink.seqnum = 9;
  unlink.unlinkSeqnum = 7;
  const auto back = DecodeRequest(EncodeRequest(unlink).data(), kUsbipHeaderLength);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->unlinkSeqnum, 7u);
  EXPECT_EQ(Word(EncodeUnlinkReply(unlink, -ECONNRESET), 0), 4u);

  // Replies, unknown commands, short headers and negative lengths are refused.
  Bytes bad = EncodeRequest(request);
  bad[3] = 3;
  EXPECT_FALSE(DecodeRequest(bad.data(), bad.size()));
  EXPECT_FALSE(DecodeRequest(wire.data(), kUsbipHeaderLength - 1));
  bad = wire;
  bad[24] = 0x80;
  EXPECT_FALSE(DecodeRequest(bad.data(), bad.size()));
}

}  // namespace
}  // namespace tq::vboard
