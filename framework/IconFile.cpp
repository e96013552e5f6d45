#include "framework/IconFile.h"

namespace {

uint32_t U16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t U32(const uint8_t* p) { return U16(p) | (U16(p + 2) << 16); }

// Better for the wanted size: the size itself; else the smallest of the
// larger ones, which shrinks without losing its lines; else the largest.
// At the same size, more bits per pixel.
bool Better(const TIconImage& a, int aBits, const TIconImage& b, int bBits, int wanted)
{
    auto rank = [wanted](int width) { return width == wanted ? 0 : width > wanted ? 1 : 2; };
    if (rank(a.Width) != rank(b.Width))
        return rank(a.Width) < rank(b.Width);
    if (a.Width != b.Width)
        return rank(a.Width) == 1 ? a.Width < b.Width : a.Width > b.Width;
    return aBits > bBits;
}

} // namespace

bool FindIconImage(const uint8_t* data, size_t size, int wanted, TIconImage& image)
{
    const size_t kHeader = 6, kEntry = 16;
    if (!data || size < kHeader || U16(data) != 0 || U16(data + 2) != 1)
        return false;
    size_t count = U16(data + 4);
    if (count == 0 || size < kHeader + count * kEntry)
        return false;
    bool found = false;
    int bestBits = 0;
    TIconImage best;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* e = data + kHeader + i * kEntry;
        TIconImage candidate;
        candidate.Width = e[0] ? e[0] : 256;
        candidate.Height = e[1] ? e[1] : 256;
        int bits = static_cast<int>(U16(e + 6));
        candidate.Size = U32(e + 8);
        candidate.Offset = U32(e + 12);
        if (candidate.Size == 0 || candidate.Offset > size || candidate.Size > size - candidate.Offset)
            return false;
        if (!found || Better(candidate, bits, best, bestBits, wanted)) {
            best = candidate;
            bestBits = bits;
            found = true;
        }
    }
    image = best;
    return true;
}
