#ifndef KORVAN_GUI_TEXT_H
#define KORVAN_GUI_TEXT_H

// A multi-line text area in a sunken frame, optionally under a plain
// (untranslated) group-box caption.

#include <string>

#include "tools/widgets/fxcompat.h"

class Text : public FX::FXVerticalFrame
{
  FXDECLARE(Text)

protected:
  FX::FXText *text;
  Text();

public:
  Text(FX::FXComposite *p, FX::FXuint opts);
  Text(FX::FXComposite *p, const std::string &caption, FX::FXuint opts);

};

#endif
