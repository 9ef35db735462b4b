#include "base/Streams.h"

#include <gtest/gtest.h>

#include "base/Exceptions.h"
#include "tests/platform/os/ScratchDir.h"

namespace parch {
namespace {

TEST(StreamsTest, MemoryStreamReadsWritesAndSeeks) {
    TMemoryStream stream;
    stream.WriteString("hello world");
    EXPECT_EQ(stream.GetSize(), 11);
    EXPECT_EQ(stream.Seek(-5, TSeekOrigin::soEnd), 6);
    EXPECT_EQ(stream.ReadToEnd(), "world");
    char buffer[4];
    EXPECT_EQ(stream.Read(buffer, 4), 0);  // at the end
    stream.SetPosition(20);                  // writing past the end fills with zeros
    stream.WriteString("!");
    EXPECT_EQ(stream.Bytes(), std::string("hello world") + std::string(9, '\0') + "!");
    stream.SetSize(5);
    EXPECT_EQ(stream.GetPosition(), 5);
    EXPECT_EQ(stream.Bytes(), "hello");
    stream.SetPosition(0);
    char whole[8];
    EXPECT_THROW(stream.ReadBuffer(whole, 6), EReadError);
}

TEST(StreamsTest, StringStreamAndCopy) {
    TStringStream source("abcdef");
    TMemoryStream copy;
    EXPECT_EQ(copy.CopyFrom(source, 0), 6);
    EXPECT_EQ(copy.Bytes(), "abcdef");
    source.SetPosition(2);
    TStringStream part;
    part.CopyFrom(source, 3);
    EXPECT_EQ(part.DataString(), "cde");
    EXPECT_THROW(part.CopyFrom(source, 5), EReadError);
}

TEST(StreamsTest, FileStreamRoundTripAndSetSizeEndsAtTheRequestedSize) {
    test::ScratchDir scratch;
    const std::string path = scratch.Path() + "f.bin";
    {
        TFileStream out(path, fmCreate);
        out.WriteString("0123456789");
        out.SetPosition(2);
        out.SetSize(6);  // the requested size, not the current position
        EXPECT_EQ(out.GetSize(), 6);
        EXPECT_EQ(out.GetPosition(), 2);
        out.SetSize(8);  // growing pads with zeros
    }
    TMemoryStream in;
    in.LoadFromFile(path);
    EXPECT_EQ(in.Bytes(), std::string("012345") + std::string(2, '\0'));
}

TEST(StreamsTest, FileStreamOpenFailuresRaise) {
    EXPECT_THROW(TFileStream("/nonexistent-folder/x", fmCreate), EFCreateError);
    EXPECT_THROW(TFileStream("/nonexistent-file", fmOpenRead), EFOpenError);
    EXPECT_THROW(TFileStream("/tmp", fmOpenRead), EFOpenError);  // a folder is no file
    test::ScratchDir scratch;
    TFileStream readOnly(scratch.Write("f.bin", "x"), fmOpenRead);
    EXPECT_EQ(readOnly.Write("x", 1), 0);
}

}  // namespace
}  // namespace parch
