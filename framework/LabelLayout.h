#pragma once
// How a label lays its text out in its box, read from its description:
// horizontal alignment, vertical placement and whether long text wraps.
#include "framework/FormDescription.h"

struct TLabelLayout {
    enum THorz { Left, Center, Right };
    enum TVert { Top, Middle, Bottom };
    THorz Horz = Left;
    TVert Vert = Top;
    bool WordWrap = false; // a label wraps only when its description says so
};

TLabelLayout LabelLayoutOf(const TObjectDesc& desc);
