// Icon files read as data: the committed pictures, a choice among sizes,
// and files that are not icons.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "framework/IconFile.h"

namespace {

std::vector<uint8_t> Read(const std::string& name)
{
    std::ifstream in(std::string(PELM_SOURCE_DIR) + "/resources/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// An icon file with one directory entry per (width, bits); each image is a
// few bytes of filler.
std::vector<uint8_t> Make(const std::vector<std::pair<int, int>>& images)
{
    std::vector<uint8_t> d = {0, 0, 1, 0, static_cast<uint8_t>(images.size()), 0};
    size_t offset = 6 + 16 * images.size();
    for (auto [w, bits] : images) {
        uint8_t e[16] = {static_cast<uint8_t>(w & 0xFF), static_cast<uint8_t>(w & 0xFF), 0, 0, 1, 0,
                         static_cast<uint8_t>(bits), 0, 8, 0, 0, 0,
                         static_cast<uint8_t>(offset), static_cast<uint8_t>(offset >> 8), 0, 0};
        d.insert(d.end(), e, e + 16);
        offset += 8;
    }
    d.resize(offset, 0xAA);
    return d;
}

} // namespace

TEST(IconFile, EveryCommittedPictureHasItsThirtyTwoPixelImage)
{
    for (const char* name : {"Img10p.ico", "Img50p.ico", "Img100p.ico", "ImgMute.ico", "imgBase.ico",
                             "imgCross.ico"}) {
        std::vector<uint8_t> d = Read(name);
        TIconImage image;
        ASSERT_TRUE(FindIconImage(d.data(), d.size(), 32, image)) << name;
        EXPECT_EQ(32, image.Width) << name;
        EXPECT_EQ(40u, static_cast<uint32_t>(d[image.Offset])) << name << ": a BITMAPINFOHEADER";
        EXPECT_LE(image.Offset + image.Size, d.size()) << name;
    }
}

// The notification area draws at the small-icon size of the taskbar's DPI:
// 16, 20, 24, 32, 40 or 48 pixels. Each tray picture holds an image of each,
// the 32-pixel one the 16-colour picture, first in the file.
TEST(IconFile, EveryTraySizeGetsTheTrayPicturesImageOfThatSize)
{
    for (const char* name : {"Img10p.ico", "Img20p.ico", "Img30p.ico", "Img40p.ico", "Img50p.ico", "Img60p.ico",
                             "Img70p.ico", "Img80p.ico", "Img90p.ico", "Img100p.ico", "ImgMute.ico"}) {
        std::vector<uint8_t> d = Read(name);
        ASSERT_GT(d.size(), 6u + 16) << name;
        EXPECT_EQ(std::vector<uint8_t>({32, 32, 16, 0, 1, 0, 4, 0}), std::vector<uint8_t>(&d[6], &d[14]))
            << name << ": the first image is the 32 x 32 16-colour one";
        for (int size : {16, 20, 24, 32, 40, 48}) {
            TIconImage image;
            ASSERT_TRUE(FindIconImage(d.data(), d.size(), size, image)) << name << " " << size;
            EXPECT_EQ(size, image.Width) << name;
            EXPECT_EQ(size, image.Height) << name;
            // The bitmap itself, not only the directory, is of that size.
            const uint8_t* bih = &d[image.Offset];
            EXPECT_EQ(40, bih[0]) << name << " " << size;
            EXPECT_EQ(size, bih[4] | bih[5] << 8) << name;
            EXPECT_EQ(2 * size, bih[8] | bih[9] << 8) << name;
            EXPECT_EQ(size == 32 ? 4 : 32, bih[14]) << name << " " << size << ": bits per pixel";
        }
    }
}

TEST(IconFile, ChoosesTheWantedSizeWithMostColoursElseTheSmallestLargerElseTheLargest)
{
    std::vector<uint8_t> d = Make({{16, 32}, {32, 4}, {32, 8}, {48, 32}});
    TIconImage image;
    ASSERT_TRUE(FindIconImage(d.data(), d.size(), 32, image));
    EXPECT_EQ(32, image.Width);
    EXPECT_EQ(6u + 4 * 16 + 2 * 8, image.Offset); // the 8-bit one
    ASSERT_TRUE(FindIconImage(d.data(), d.size(), 20, image));
    EXPECT_EQ(32, image.Width) << "the smaller one is nearer, but the larger shrinks";
    ASSERT_TRUE(FindIconImage(d.data(), d.size(), 36, image));
    EXPECT_EQ(48, image.Width);
    ASSERT_TRUE(FindIconImage(d.data(), d.size(), 8, image));
    EXPECT_EQ(16, image.Width);
    ASSERT_TRUE(FindIconImage(d.data(), d.size(), 64, image));
    EXPECT_EQ(48, image.Width) << "nothing larger: the largest";
    std::vector<uint8_t> big = Make({{0, 32}, {48, 32}});
    ASSERT_TRUE(FindIconImage(big.data(), big.size(), 32, image));
    EXPECT_EQ(48, image.Width);
    ASSERT_TRUE(FindIconImage(big.data(), big.size(), 64, image));
    EXPECT_EQ(256, image.Width); // a zero in the directory means 256
}

TEST(IconFile, RefusesWhatIsNotAWellFormedIconFile)
{
    TIconImage image;
    std::vector<uint8_t> good = Make({{32, 4}});
    EXPECT_FALSE(FindIconImage(nullptr, 0, 32, image));
    EXPECT_FALSE(FindIconImage(good.data(), 5, 32, image)) << "short header";
    EXPECT_FALSE(FindIconImage(good.data(), 6 + 15, 32, image)) << "truncated directory";
    EXPECT_FALSE(FindIconImage(good.data(), good.size() - 1, 32, image)) << "image past the end";
    std::vector<uint8_t> cursor = good;
    cursor[2] = 2;
    EXPECT_FALSE(FindIconImage(cursor.data(), cursor.size(), 32, image)) << "a cursor file";
    std::vector<uint8_t> none = {0, 0, 1, 0, 0, 0};
    EXPECT_FALSE(FindIconImage(none.data(), none.size(), 32, image)) << "no images";
    std::vector<uint8_t> far = good;
    far[6 + 12] = far[6 + 13] = far[6 + 14] = far[6 + 15] = 0xFF;
    EXPECT_FALSE(FindIconImage(far.data(), far.size(), 32, image)) << "offset beyond the data";
}
