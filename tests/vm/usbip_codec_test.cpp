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

// The server reads a header, then as many bytes as the frame says; a
// request it does not take ends the connection rather than desynchronising
// the stream.
TEST(UsbipCodec, FramingTakesTheHeaderThenTheOutDataAndIsoDescriptors) {
  const auto frame = [](const Bytes& bytes) { return FrameRequest(bytes.data(), bytes.size()); };
  using State = UsbipFrame::State;
  EXPECT_EQ(frame(Bytes(47, 0)).state, State::kNeedMore);
  EXPECT_EQ(frame(Bytes(47, 0)).length, 48u);

  // An IN control request is its header alone.
  Bytes wire = EncodeRequest(Control(1, {0x80, 0x06, 0x0100, 0, 18}));
  UsbipFrame framed = frame(wire);
  ASSERT_EQ(framed.state, State::kComplete);
  EXPECT_EQ(framed.length, 48u);
  EXPECT_TRUE(framed.message.outData.empty());

  // An OUT one carries its data stage, and no more of what follows.
  const Bytes page = {30, 0x77, 1, 2, 3};
  wire = EncodeRequest(Control(2, {0x21, 0x09, 0x0300, 0, 5}));
  framed = frame(wire);
  EXPECT_EQ(framed.state, State::kNeedMore);
  EXPECT_EQ(framed.length, 53u);
  wire.insert(wire.end(), page.begin(), page.end());
  wire.insert(wire.end(), 48, 0xEE);
  framed = frame(wire);
  ASSERT_EQ(framed.state, State::kComplete);
  EXPECT_EQ(framed.length, 53u);
  EXPECT_EQ(framed.message.outData, page);

  // Sixteen bytes a packet descriptor, after the data, for an OUT submit.
  UsbipRequest iso = Control(3, {0x21, 0x09, 0x0300, 0, 5});
  iso.endpoint = 2;
  iso.isoPackets = 2;
  EXPECT_EQ(frame(EncodeRequest(iso)).length, 48u + 5 + 32);
  iso.direction = kUsbipDirIn;
  EXPECT_EQ(frame(EncodeRequest(iso)).length, 48u + 32);

  // An unlink is 48 bytes whatever its unused words hold.
  UsbipRequest unlink;
  unlink.command = UsbipCommand::kCmdUnlink;
  wire = EncodeRequest(unlink);
  wire[27] = 0xFF;
  wire[35] = 0xFF;
  EXPECT_EQ(frame(wire).state, State::kComplete);
  EXPECT_EQ(frame(wire).length, 48u);

  // Past the limits, and the daemon's own list request, are refused.
  UsbipRequest big = Control(4, {0x21, 0x09, 0x0300, 0, 0});
  big.transferLength = kUsbipMaxTransfer + 1;
  EXPECT_EQ(frame(EncodeRequest(big)).state, State::kRefused);
  big.transferLength = 0;
  big.isoPackets = kUsbipMaxIsoPackets + 1;
  EXPECT_EQ(frame(EncodeRequest(big)).state, State::kRefused);
  big.isoPackets = -1;
  EXPECT_EQ(frame(EncodeRequest(big)).state, State::kRefused);
  Bytes devlist = {0x01, 0x11, 0x80, 0x05, 0, 0, 0, 0};
  devlist.resize(48, 0);
  EXPECT_EQ(frame(devlist).state, State::kRefused);
}

}  // namespace
}  // namespace tq::vboard
