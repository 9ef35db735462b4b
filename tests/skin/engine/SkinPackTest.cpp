#include <gtest/gtest.h>

#include "base/Exceptions.h"
#include "skin/engine/acSkinPack.h"
#include "skin/engine/acZLibEx.h"
#include "tests/skin/engine/SkinFixtures.h"

namespace parch {
namespace {

using test::AppendInt32;
using test::MakePack;
using test::PackMember;

TEST(SkinPack, UnpacksOptionsAndPicturesInPackOrder) {
    std::string options = "[GLOBALINFO]\r\nVERSION=7.50\r\n";
    std::string huge = test::MakeBmp(6, 4);
    std::string master = test::MakeBmp(3, 3);
    auto pack = UnpackBytes(MakePack({{"options.DAT", options}, {"ButtonHuge.bmp", huge}, {"Master.png", master}}));

    EXPECT_EQ(pack->FrameCount, 2);
    ASSERT_TRUE(pack->Options);
    EXPECT_EQ(pack->Options->Bytes(), options);
    ASSERT_EQ(pack->ImageItems.size(), 2u);
    EXPECT_EQ(pack->ImageItems[0].Name, "ButtonHuge.bmp");
    EXPECT_TRUE(pack->ImageItems[0].IsBitmap);
    EXPECT_EQ(pack->ImageItems[0].Data->Bytes(), huge);
    EXPECT_FALSE(pack->ImageItems[1].IsBitmap);
    EXPECT_EQ(pack->FindMember("MASTER.PNG")->Bytes(), master);
}

TEST(SkinPack, RefusesWhatIsNoPack) {
    try {
        UnpackBytes(std::string("PK\x03\x04", 4) + std::string(20, '\0'));
        FAIL() << "no exception";
    } catch (const Exception& error) {
        EXPECT_STREQ(error.what(), "Loaded data is not a packed Velvorin file");
    }
}

struct DamagedPackCase {
    const char* name;
    std::string bytes;
};

std::string PackWithCount(std::int32_t count, const std::string& members) {
    std::string out = "VLzf";
    AppendInt32(out, count);
    return out + members;
}

std::string PackWithNameLength(std::int32_t length) {
    std::string member;
    AppendInt32(member, length);
    member += "Options.dat";
    return PackWithCount(1, member);
}

// Counts and sizes are checked before anything is allocated, and each member must inflate to
// exactly its stated size.
TEST(SkinPack, DamagedPacksFailWithAnError) {
    std::string data(1000, 'x');
    std::vector<DamagedPackCase> cases = {
        {"NegativeCount", PackWithCount(-1, "")},
        {"HugeCount", PackWithCount(1 << 30, PackMember("a.bmp", data, 1000))},
        {"EmptyName", PackWithNameLength(0)},
        {"LongName", PackWithNameLength(256)},
        {"HugeStatedSize", PackWithCount(1, PackMember("a.bmp", data, 0x7FFFFFFF))},
        {"NegativeStatedSize", PackWithCount(1, PackMember("a.bmp", data, -5))},
        {"StreamShorterThanStated", PackWithCount(1, PackMember("a.bmp", data, 1001))},
        {"StreamLongerThanStated", PackWithCount(1, PackMember("a.bmp", data, 999))},
        {"TruncatedStream", PackWithCount(1, PackMember("a.bmp", data, 1000)).substr(0, 30)},
        {"CountBeyondMembers", PackWithCount(2, PackMember("a.bmp", data, 1000))},
        {"CorruptStream", PackWithCount(1, PackMember("a.bmp", data, 1000).substr(0, 17) + std::string(40, '\x55'))},
    };
    for (const DamagedPackCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THROW(UnpackBytes(c.bytes), Exception);
    }
}

// A member of 65,536 bytes followed by another: the second member's header is read exactly
// where the first stream ends.
TEST(SkinPack, BackToBackMembersAcrossTheInputBuffer) {
    std::string first(65536, '\0');
    for (size_t i = 0; i < first.size(); ++i) first[i] = static_cast<char>((i * 7919) >> 3);
    std::string second = "second member";
    auto pack = UnpackBytes(MakePack({{"one.bmp", first}, {"two.bmp", second}}));
    ASSERT_EQ(pack->ImageItems.size(), 2u);
    EXPECT_EQ(pack->ImageItems[0].Data->Bytes(), first);
    EXPECT_EQ(pack->ImageItems[1].Data->Bytes(), second);
}

TEST(ZDecompressionStream, LeavesTheSourceAfterTheStreamAndRestartsAtItsStart) {
    std::string prefix = "HEADER";
    std::string payload = "payload bytes, payload bytes, payload bytes";
    TStringStream source(prefix + test::Deflate(payload) + "NEXT");
    source.SetPosition(static_cast<std::int64_t>(prefix.size()));

    TZDecompressionStream stream(source);
    std::string out(payload.size(), '\0');
    ASSERT_EQ(stream.Read(out.data(), static_cast<std::int64_t>(out.size()) + 10), static_cast<std::int64_t>(payload.size()));
    EXPECT_EQ(out, payload);
    EXPECT_EQ(source.ReadToEnd(), "NEXT");

    // Seeking to 0 restarts at the stream's own first byte, not at the source's.
    EXPECT_EQ(stream.Seek(0, TSeekOrigin::soBeginning), 0);
    std::string again(7, '\0');
    ASSERT_EQ(stream.Read(again.data(), 7), 7);
    EXPECT_EQ(again, payload.substr(0, 7));
    EXPECT_EQ(stream.Seek(3, TSeekOrigin::soCurrent), 10);
    EXPECT_THROW(stream.Seek(-1, TSeekOrigin::soCurrent), EZDecompressionError);
    EXPECT_THROW(stream.Write("x", 1), EZDecompressionError);
}

}  // namespace
}  // namespace parch
