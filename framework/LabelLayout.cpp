#include "framework/LabelLayout.h"

TLabelLayout LabelLayoutOf(const TObjectDesc& desc)
{
    TLabelLayout layout;
    const std::string align = desc.Get("Alignment", "taLeftJustify");
    if (align == "taCenter")
        layout.Horz = TLabelLayout::Center;
    else if (align == "taRightJustify")
        layout.Horz = TLabelLayout::Right;
    const std::string vert = desc.Get("Layout", "tlTop");
    if (vert == "tlCenter")
        layout.Vert = TLabelLayout::Middle;
    else if (vert == "tlBottom")
        layout.Vert = TLabelLayout::Bottom;
    layout.WordWrap = desc.GetBool("WordWrap", false);
    return layout;
}
