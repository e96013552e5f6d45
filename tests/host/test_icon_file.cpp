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

TEST(IconFile, ChoosesTheWantedSizeWithMostColoursElseTheNearestLarger)
{
    std::vector<uint8_t> d = Make({{16, 32}, {32, 4}, {32, 8}, {48, 32}});
    TIconImage image;
    ASSERT_TRUE(FindIconImage(d.data(), d.size(), 32, image));
    EXPECT_EQ(32, image.Width);
    EXPECT_EQ(6u + 4 * 16 + 2 * 8, image.Offset); // the 8-bit one
    ASSERT_TRUE(FindIconImage(d.data(), d.size(), 24, image));
    EXPECT_EQ(32, image.Width); // 8 away either way: the larger
    std::vector<uint8_t> big = Make({{0, 32}});
    ASSERT_TRUE(FindIconImage(big.data(), big.size(), 32, image));
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
