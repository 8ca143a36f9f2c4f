#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "image/bmp_parse.h"
#include "image/dib_image.h"
#include "tests/support/test_files.h"

namespace {

using test_support::ReadFileBytes;
using test_support::TempDir;
using test_support::WriteFileBytes;

uint32_t U32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint16_t U16(const std::vector<uint8_t>& b, size_t at)
{
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}
void PutU32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

void FillPattern(DibImage& image)
{
    for (int32_t i = 0; i < image.ImageSize(); ++i) image.Bits()[i] = static_cast<uint8_t>(i * 31 + 7);
}

// A file as the writer makes it, for an image of the given size.
std::vector<uint8_t> BmpBytes(int32_t width, int32_t height)
{
    DibImage image;
    image.SetSize(width, height);
    FillPattern(image);
    TempDir dir;
    image.WriteBmp((dir / "x.bmp").c_str());
    return ReadFileBytes(dir / "x.bmp");
}

TEST(BmpFileTest, WritesTheExactLayoutOf320x240)
{
    TempDir dir;
    DibImage image;
    ASSERT_EQ(0, image.SetSize(320, 240));
    FillPattern(image);
    ASSERT_EQ(0, image.WriteBmp((dir / "snap.bmp").c_str()));

    const std::vector<uint8_t> b = ReadFileBytes(dir / "snap.bmp");
    ASSERT_EQ(230454u, b.size());
    EXPECT_EQ('B', b[0]);
    EXPECT_EQ('M', b[1]);
    EXPECT_EQ(230454u, U32(b, 2));
    EXPECT_EQ(0, U16(b, 6));
    EXPECT_EQ(0, U16(b, 8));
    EXPECT_EQ(54u, U32(b, 10));
    EXPECT_EQ(40u, U32(b, 14));
    EXPECT_EQ(320u, U32(b, 18));
    EXPECT_EQ(240u, U32(b, 22));
    EXPECT_EQ(1, U16(b, 26));
    EXPECT_EQ(24, U16(b, 28));
    EXPECT_EQ(0u, U32(b, 30));
    EXPECT_EQ(230400u, U32(b, 34));
    for (size_t at = 38; at < 54; at += 4) EXPECT_EQ(0u, U32(b, at)) << at;
    EXPECT_EQ(0, std::memcmp(b.data() + 54, image.Bits(), 230400));
}

TEST(BmpFileTest, OddWidthRowsArePadded)
{
    const std::vector<uint8_t> b = BmpBytes(5, 2);
    ASSERT_EQ(86u, b.size());
    EXPECT_EQ(32u, U32(b, 34));
    EXPECT_EQ(86u, U32(b, 2));
}

TEST(BmpFileTest, FileHeaderCountsAColourTableForSmallBitCounts)
{
    BITMAPINFOHEADER info{};
    info.biSizeImage = 100;
    BITMAPFILEHEADER file;
    const std::pair<uint16_t, uint32_t> cases[] = {{24, 54}, {32, 54}, {8, 54 + 1024}, {1, 62}, {0, 58}};
    for (const auto& [bits, offset] : cases) {
        info.biBitCount = bits;
        MakeFileHeader(info, &file);
        const uint32_t offBits = file.bfOffBits, fileSize = file.bfSize;  // packed: copy out
        EXPECT_EQ(offset, offBits) << bits;
        EXPECT_EQ(offset + 100, fileSize) << bits;
        EXPECT_EQ(0x4D42, file.bfType);
        EXPECT_EQ(0, file.bfReserved1 | file.bfReserved2);
    }
}

TEST(BmpFileTest, RoundTripKeepsHeaderAndPixels)
{
    TempDir dir;
    for (const auto& [w, h] : {std::pair{320, 240}, {5, 2}, {1, 1}, {7, 13}}) {
        DibImage written;
        ASSERT_EQ(0, written.SetSize(w, h));
        FillPattern(written);
        ASSERT_EQ(0, written.WriteBmp((dir / "rt.bmp").c_str()));
        DibImage read;
        ASSERT_EQ(0, read.ReadBmp((dir / "rt.bmp").c_str()));
        EXPECT_EQ(0, std::memcmp(written.Info(), read.Info(), 40)) << w << "x" << h;
        ASSERT_EQ(written.ImageSize(), read.ImageSize());
        EXPECT_EQ(0, std::memcmp(written.Bits(), read.Bits(), written.ImageSize()));
        EXPECT_TRUE(read.HasRows());
    }
}

TEST(BmpFileTest, SizeFieldIsRecomputedAndOtherFieldsTakenAsTheyStand)
{
    TempDir dir;
    std::vector<uint8_t> b = BmpBytes(7, 3);
    PutU32(b, 34, 0);  // biSizeImage 0, as uncompressed files may have
    b[0] = 'X';        // no signature check either
    WriteFileBytes(dir / "zero.bmp", b);
    DibImage image;
    ASSERT_EQ(0, image.ReadBmp((dir / "zero.bmp").c_str()));
    EXPECT_EQ(3 * 24, image.ImageSize());
    EXPECT_EQ(0, std::memcmp(b.data() + 54, image.Bits(), 72));

    // A longer info header: pixels are still taken from offset 54, biSize and bit count
    // are adopted as they are.
    b = BmpBytes(4, 2);
    PutU32(b, 14, 108);
    b[28] = 32;
    b.insert(b.begin() + 54, 68, 0xEE);
    WriteFileBytes(dir / "v4.bmp", b);
    ASSERT_EQ(0, image.ReadBmp((dir / "v4.bmp").c_str()));
    EXPECT_EQ(108u, image.Info()->bmiHeader.biSize);
    EXPECT_EQ(32, image.Info()->bmiHeader.biBitCount);
    EXPECT_EQ(24, image.ImageSize());
    EXPECT_EQ(0xEE, image.Bits()[0]);
}

TEST(BmpFileTest, ReadingTheSameSizeReusesTheBuffer)
{
    TempDir dir;
    const std::vector<uint8_t> b = BmpBytes(9, 4);
    WriteFileBytes(dir / "a.bmp", b);
    DibImage image;
    ASSERT_EQ(0, image.SetSize(9, 4));
    uint8_t* bits = image.Bits();
    ASSERT_EQ(0, image.ReadBmp((dir / "a.bmp").c_str()));
    EXPECT_EQ(bits, image.Bits());
    EXPECT_EQ(0, std::memcmp(b.data() + 54, image.Bits(), image.ImageSize()));
}

TEST(BmpFileTest, MissingFileChangesNothing)
{
    TempDir dir;
    DibImage image;
    EXPECT_EQ(-1, image.ReadBmp((dir / "none.bmp").c_str()));
    EXPECT_EQ(nullptr, image.Bits());
    EXPECT_EQ(0, image.Width());
}

TEST(BmpFileTest, FileShorterThanItsHeadersChangesNothing)
{
    TempDir dir;
    const std::vector<uint8_t> full = BmpBytes(4, 4);
    DibImage image;
    ASSERT_EQ(0, image.SetSize(2, 2));
    for (size_t length : {0, 1, 14, 30, 53}) {
        WriteFileBytes(dir / "short.bmp", std::vector<uint8_t>(full.begin(), full.begin() + length));
        EXPECT_EQ(-1, image.ReadBmp((dir / "short.bmp").c_str())) << length;
        EXPECT_EQ(2, image.Width());
        EXPECT_EQ(2, image.Height());
    }
}

TEST(BmpFileTest, FileEndingInsideItsPixelsIsFilledWithZerosAndReported)
{
    TempDir dir;
    std::vector<uint8_t> b = BmpBytes(4, 4);  // 48 pixel bytes
    b.resize(54 + 20);
    WriteFileBytes(dir / "cut.bmp", b);
    DibImage image;
    ASSERT_EQ(0, image.SetSize(4, 4));
    std::memset(image.Bits(), 0x77, 48);  // same size: the old buffer is reused
    EXPECT_EQ(-1, image.ReadBmp((dir / "cut.bmp").c_str()));
    EXPECT_EQ(4, image.Width());
    EXPECT_EQ(0, std::memcmp(b.data() + 54, image.Bits(), 20));
    for (int i = 20; i < 48; ++i) EXPECT_EQ(0, image.Bits()[i]) << i;
}

TEST(BmpFileTest, HostileHeadersGetNoStorage)
{
    TempDir dir;
    const std::vector<uint8_t> good = BmpBytes(4, 4);
    const std::pair<int32_t, int32_t> sizes[] = {{-4, 4},      {4, -4},          {4, INT_MIN},   {INT_MIN, 4},
                                                 {INT_MAX, 2}, {100000, 100000}, {46341, 46341}, {INT_MAX, INT_MAX}};
    for (const auto& [w, h] : sizes) {
        std::vector<uint8_t> b = good;
        PutU32(b, 18, static_cast<uint32_t>(w));
        PutU32(b, 22, static_cast<uint32_t>(h));
        WriteFileBytes(dir / "bad.bmp", b);
        DibImage image;
        ASSERT_EQ(0, image.SetSize(4, 4));
        EXPECT_EQ(0, image.ReadBmp((dir / "bad.bmp").c_str())) << w << "x" << h;
        EXPECT_EQ(nullptr, image.Bits());  // header only
        EXPECT_FALSE(image.HasRows());
        EXPECT_EQ(w, image.Width());
        EXPECT_LE(image.ImageSize(), 0);
    }
}

TEST(BmpFileTest, LargeClaimFromATinyFileIsFilledNotTrusted)
{
    TempDir dir;
    std::vector<uint8_t> b = BmpBytes(4, 4);
    PutU32(b, 18, 20000);
    PutU32(b, 22, 20000);  // 1.2 GB of pixels claimed, 48 present
    WriteFileBytes(dir / "big.bmp", b);
    DibImage image;
    EXPECT_EQ(-1, image.ReadBmp((dir / "big.bmp").c_str()));
    ASSERT_NE(nullptr, image.Bits());
    EXPECT_EQ(0, std::memcmp(b.data() + 54, image.Bits(), 48));
    EXPECT_EQ(0, image.Row(0)[0]);
}

TEST(BmpFileTest, ParsingBytesTellsWhatHappenedAndWhere)
{
    const std::vector<uint8_t> whole = BmpBytes(5, 2);  // 54 + 32 bytes
    const auto parse = [](const std::vector<uint8_t>& bytes, DibImage& image) {
        return ParseBmp(image, bytes.data(), bytes.size());
    };
    DibImage image;
    BmpRead read = parse(whole, image);
    EXPECT_EQ(BmpRead::Outcome::Read, read.outcome);
    EXPECT_EQ(86u, read.bytesUsed);
    EXPECT_EQ(0, std::memcmp(whole.data() + 54, image.Bits(), 32));

    read = parse(std::vector<uint8_t>(whole.begin(), whole.begin() + 70), image);
    EXPECT_EQ(BmpRead::Outcome::PixelsCut, read.outcome);
    EXPECT_EQ(70u, read.bytesUsed);
    EXPECT_EQ(0, image.Bits()[16]);  // what is missing is black

    DibImage untouched;
    read = parse(std::vector<uint8_t>(whole.begin(), whole.begin() + 53), untouched);
    EXPECT_EQ(BmpRead::Outcome::HeadersCut, read.outcome);
    EXPECT_EQ(53u, read.bytesUsed);
    EXPECT_EQ(0, untouched.Width());
    EXPECT_EQ(BmpRead::Outcome::HeadersCut, ParseBmp(untouched, nullptr, 0).outcome);

    std::vector<uint8_t> negative = whole;
    PutU32(negative, 18, static_cast<uint32_t>(-5));
    read = parse(negative, image);
    EXPECT_EQ(BmpRead::Outcome::NoStorage, read.outcome);
    EXPECT_EQ(54u, read.bytesUsed);
    EXPECT_EQ(-5, image.Width());
}

TEST(BmpFileTest, WriteRefusesAnImageWithoutPixels)
{
    TempDir dir;
    DibImage empty;
    EXPECT_EQ(-1, empty.WriteBmp((dir / "e.bmp").c_str()));
    DibImage headerOnly;
    headerOnly.SetSize(-3, 3);
    EXPECT_EQ(-1, headerOnly.WriteBmp((dir / "e.bmp").c_str()));
    EXPECT_FALSE(std::filesystem::exists(dir / "e.bmp"));
}

TEST(BmpFileTest, FailedWritesAreReported)
{
    DibImage image;
    ASSERT_EQ(0, image.SetSize(320, 240));
    FillPattern(image);
    EXPECT_EQ(-1, image.WriteBmp("/dev/full"));
    EXPECT_EQ(-1, image.WriteBmp("/nonexistent-folder/x.bmp"));
}

TEST(BmpFileTest, FormattedNamesUpTo255Characters)
{
    TempDir dir;
    DibImage image;
    ASSERT_EQ(0, image.SetSize(2, 2));
    const std::string prefix = dir / "";
    // 255 characters in all after formatting: used whole.
    const std::string fits = prefix + std::string(255 - prefix.size() - 8, 'a') + "%04d.bmp";
    ASSERT_EQ(0, image.WriteBmpF(fits.c_str(), 7));
    const std::string written = prefix + std::string(255 - prefix.size() - 8, 'a') + "0007.bmp";
    ASSERT_EQ(255u, written.size());
    EXPECT_TRUE(std::filesystem::exists(written));
    DibImage read;
    EXPECT_EQ(0, read.ReadBmpF(fits.c_str(), 7));
    EXPECT_EQ(2, read.Width());

    // 256 characters: refused, no file touched.
    const std::string tooLong = prefix + std::string(256 - prefix.size() - 8, 'b') + "%04d.bmp";
    EXPECT_EQ(-1, image.WriteBmpF(tooLong.c_str(), 7));
    EXPECT_EQ(-1, read.ReadBmpF(tooLong.c_str(), 7));
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++files;
    EXPECT_EQ(1u, files);
}

TEST(BmpFileTest, BackslashSeparatesFolders)
{
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "images");
    DibImage image;
    ASSERT_EQ(0, image.SetSize(3, 2));
    FillPattern(image);
    ASSERT_EQ(0, image.WriteBmp((dir / "images/laugh0003.bmp").c_str()));
    test_support::ScopedCurrentDir cwd(dir.path());
    DibImage logo;
    EXPECT_EQ(0, logo.ReadBmpF("images\\laugh%04d.bmp", 3));
    EXPECT_EQ(3, logo.Width());
}

}  // namespace
