#pragma once
// The forms are described in the pixels of a 96-dpi display; a program that
// tells the system it lays itself out gets real pixels, and scales the
// description to the display's DPI itself.

constexpr int kDesignDpi = 96;

// A length (or a font height, which is negative for the character height) of
// the design at dpi, to the nearest pixel, halves away from zero.
inline int ScaleForDpi(int value, int dpi)
{
    const long long scaled = static_cast<long long>(value) * dpi;
    const long long half = kDesignDpi / 2;
    return static_cast<int>(scaled >= 0 ? (scaled + half) / kDesignDpi : -((-scaled + half) / kDesignDpi));
}
