#pragma once
// Icon pictures kept as the bytes of an .ico file (a directory of images):
// the program's only icon group is its own icon, so the pictures of the
// image components travel as plain data and become icons at run time.
#include <cstddef>
#include <cstdint>

struct TIconImage {
    size_t Offset = 0; // of the image's bitmap (or PNG) within the file
    size_t Size = 0;
    int Width = 0, Height = 0;
};

// Picks the image of the wanted size with the most colours, or failing that
// the smallest larger one, or failing that the largest. False for anything
// that is not a well-formed icon file: a short or truncated directory, an
// image outside the data.
bool FindIconImage(const uint8_t* data, size_t size, int wanted, TIconImage& image);
