#include "zorvel/vendors/intel_openvino/compiler/partition_blob.h"

#include <limits>
#include <ostream>
#include <string>

#include "gtest/gtest.h"

namespace zorvel::openvino {
namespace {

std::string ByteString(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

TEST(BlobHeader, LayoutPerDevice) {
  const std::string cpu = WritePartitionBlob("CPU", "xyz");
  EXPECT_EQ(cpu, "ZVLOVHDR" + ByteString({1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}) + "xyz");
  EXPECT_EQ(WritePartitionBlob("GPU", ""),
            "ZVLOVHDR" + ByteString({1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(WritePartitionBlob("NPU", "").substr(8),
            ByteString({1, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(DeviceCodeFor("cpu"), DeviceCode::kNpu);
  EXPECT_EQ(DeviceCodeFor("GPU.1"), DeviceCode::kNpu);
  EXPECT_EQ(DeviceCodeFor(""), DeviceCode::kNpu);
}

TEST(BlobHeader, ReadBack) {
  const auto header = ReadBlobHeader(WritePartitionBlob("GPU", "payload"));
  ASSERT_TRUE(header.has_value());
  EXPECT_EQ(header->version, 1u);
  EXPECT_EQ(header->device_code, 1u);
  EXPECT_FALSE(ReadBlobHeader("ZVLOVHDR").has_value());
  std::string wrong_magic = WritePartitionBlob("CPU", "");
  wrong_magic[0] = 'X';
  EXPECT_FALSE(ReadBlobHeader(wrong_magic).has_value());
}

TEST(CustomOStreamBuf, WritesAppendAndOverwriteAtThePosition) {
  CustomOStreamBuf buf;
  std::ostream out(&buf);
  out << "hello world";
  out.put('!');
  EXPECT_EQ(buf.buffer(), "hello world!");
  // Go back and patch, as an exporter does for a size field.
  out.seekp(6);
  ASSERT_TRUE(out.good());
  out.write("WORLD", 5);
  EXPECT_EQ(buf.buffer(), "hello WORLD!");
  EXPECT_EQ(buf.position(), 11u);
  // A write across the end grows the buffer.
  out.write("??", 2);
  EXPECT_EQ(buf.buffer(), "hello WORLD??");
  out.put('x');
  EXPECT_EQ(buf.buffer(), "hello WORLD??x");
}

TEST(CustomOStreamBuf, SeekingStaysInsideWhatWasWritten) {
  CustomOStreamBuf buf;
  std::ostream out(&buf);
  out << "0123456789";
  EXPECT_EQ(static_cast<std::streamoff>(out.tellp()), 10);
  out.seekp(-4, std::ios_base::end);
  EXPECT_EQ(buf.position(), 6u);
  out.seekp(2, std::ios_base::cur);
  EXPECT_EQ(buf.position(), 8u);
  // Past the end and before the start fail and leave the position alone.
  out.seekp(11);
  EXPECT_TRUE(out.fail());
  out.clear();
  EXPECT_EQ(buf.position(), 8u);
  out.seekp(-9, std::ios_base::cur);
  EXPECT_TRUE(out.fail());
  out.clear();
  out.seekp(std::numeric_limits<std::streamoff>::max(), std::ios_base::cur);
  EXPECT_TRUE(out.fail());
  out.clear();
  EXPECT_EQ(buf.position(), 8u);
  // The input side cannot be positioned.
  EXPECT_EQ(buf.pubseekoff(0, std::ios_base::beg, std::ios_base::in), std::streampos(-1));
  // The end itself is a valid position.
  out.seekp(0, std::ios_base::end);
  EXPECT_TRUE(out.good());
  EXPECT_EQ(buf.position(), 10u);
}

}  // namespace
}  // namespace zorvel::openvino
