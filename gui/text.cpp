#include "gui/text.h"

using namespace FX;

FXIMPLEMENT(Text, FXVerticalFrame, nullptr, 0)

Text::Text() : text(nullptr) {}

Text::Text(FXComposite *p, FXuint opts)
    : FXVerticalFrame(p, opts | FRAME_SUNKEN, 0, 0, 0, 0, 0, 0, 0, 0, 4, 4)
{
  text = new FXText(this, nullptr, 0, LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 3, 3, 2, 2);
}

Text::Text(FXComposite *p, const std::string &caption, FXuint opts)
    : FXVerticalFrame(p, opts, 0, 0, 0, 0, 0, 0, 0, 0, 4, 4)
{
  FXGroupBox *group = new FXGroupBox(this, caption.c_str(), opts | FRAME_RIDGE, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
  FXVerticalFrame *frame = new FXVerticalFrame(group, opts | FRAME_SUNKEN, 0, 0, 0, 0, 0, 0, 0, 0, 4, 4);
  text = new FXText(frame, nullptr, 0, LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 3, 3, 2, 2);
}
