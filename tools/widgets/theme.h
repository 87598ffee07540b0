#ifndef KORVAN_TOOLS_WIDGETS_THEME_H
#define KORVAN_TOOLS_WIDGETS_THEME_H

// The program's flat, light look: toolkit widgets that paint themselves
// with soft-cornered gradient buttons and thin blue-grey outlines, and the
// application colours of the "Redmond XP" scheme. Every button, text field,
// combo box, label and tab item the program builds is one of these or
// derives from one.

#include <string>

#include "tools/widgets/fxcompat.h"

namespace Tools {

// The fixed palette of the themed widgets (0xAABBGGRR, like FXRGB).
namespace ThemeColor {
constexpr FX::FXColor OUTLINE = 0xFFBD9E7B;        // FXRGB(123,158,189)
constexpr FX::FXColor CORNER = 0xFFD4D9DC;         // FXRGB(220,217,212)
constexpr FX::FXColor BUTTON_TOP = 0xFFFDFDFE;     // FXRGB(254,253,253)
constexpr FX::FXColor BUTTON_BOTTOM = 0xFFCED7DD;  // FXRGB(221,215,206)
constexpr FX::FXColor PRESSED = 0xFFC9D4DC;        // FXRGB(220,212,201)
constexpr FX::FXColor MENU_OUTLINE = 0xFFF7CBBD;   // FXRGB(189,203,247)
constexpr FX::FXColor MENU_TOP = 0xFFFFE7DE;       // FXRGB(222,231,255)
constexpr FX::FXColor MENU_BOTTOM = 0xFFFFCFBD;    // FXRGB(189,207,255)
constexpr FX::FXColor MENU_ARROW = 0xFF84614A;     // FXRGB(74,97,132)
constexpr FX::FXColor LABEL_SUNKEN = 0xFF649EFF;   // FXRGB(255,158,100)
constexpr FX::FXColor LABEL_RAISED = 0xFFFF9E7B;   // FXRGB(123,158,255)
} // namespace ThemeColor

// One application colour scheme.
struct ColorTheme
{
  const char *name;
  FX::FXColor base;
  FX::FXColor border;
  FX::FXColor back;
  FX::FXColor fore;
  FX::FXColor selback;
  FX::FXColor selfore;
  FX::FXColor tipback;
  FX::FXColor tipfore;
  FX::FXColor menuback;
  FX::FXColor menufore;
};

// The one scheme the program uses.
extern const ColorTheme REDMOND_XP;

// Sets the application's ten standard colours from "Redmond XP". Called
// once, before any window is created: widgets take these colours as
// their defaults when they are constructed.
void apply_theme(FX::FXApp *app);

// A field's name as the person sees it: the text of the label before it
// (without its colon), in the field's frame or the frames around it;
// empty when there is none. Refusals in words name their field by it.
std::string field_label(FX::FXWindow *field);

// Drawing helpers of the paint handlers; each draws nothing when w or h
// is not positive.
void fill_vertical_gradient(FX::FXDC &dc, FX::FXColor top, FX::FXColor bottom, FX::FXint x, FX::FXint y,
                            FX::FXint w, FX::FXint h);
void draw_line_frame(FX::FXDC &dc, FX::FXint x, FX::FXint y, FX::FXint w, FX::FXint h);
void draw_sunken_frame(FX::FXDC &dc, FX::FXint x, FX::FXint y, FX::FXint w, FX::FXint h);
void draw_raised_frame(FX::FXDC &dc, FX::FXint x, FX::FXint y, FX::FXint w, FX::FXint h);

// The soft-cornered face of buttons and menu buttons: outline, corner
// shading, gradient top and bottom. `pressed` paints the flat down face.
struct FaceColors
{
  FX::FXColor outline, corner, top, bottom;
};
extern const FaceColors BUTTON_FACE;
extern const FaceColors MENU_BUTTON_FACE;
void draw_face(FX::FXDC &dc, FX::FXColor base, const FaceColors &colors, FX::FXint w, FX::FXint h, bool pressed);

class ThemeButton : public FX::FXButton
{
  FXDECLARE(ThemeButton)
protected:
  ThemeButton() {}

public:
  ThemeButton(FX::FXComposite *p, const FX::FXString &text, FX::FXIcon *icon = nullptr,
              FX::FXObject *tgt = nullptr, FX::FXSelector sel = 0, FX::FXuint opts = FX::BUTTON_NORMAL,
              FX::FXint x = 0, FX::FXint y = 0, FX::FXint w = 0, FX::FXint h = 0,
              FX::FXint pl = FX::DEFAULT_PAD, FX::FXint pr = FX::DEFAULT_PAD, FX::FXint pt = FX::DEFAULT_PAD,
              FX::FXint pb = FX::DEFAULT_PAD);
  long onPaint(FX::FXObject *, FX::FXSelector, void *);
};

class ThemeTextField : public FX::FXTextField
{
  FXDECLARE(ThemeTextField)
protected:
  ThemeTextField() {}

public:
  ThemeTextField(FX::FXComposite *p, FX::FXint ncols, FX::FXObject *tgt = nullptr, FX::FXSelector sel = 0,
                 FX::FXuint opts = FX::TEXTFIELD_NORMAL, FX::FXint x = 0, FX::FXint y = 0, FX::FXint w = 0,
                 FX::FXint h = 0, FX::FXint pl = FX::DEFAULT_PAD, FX::FXint pr = FX::DEFAULT_PAD,
                 FX::FXint pt = FX::DEFAULT_PAD, FX::FXint pb = FX::DEFAULT_PAD);
  long onPaint(FX::FXObject *, FX::FXSelector, void *);
};

class ThemeMenuButton : public FX::FXMenuButton
{
  FXDECLARE(ThemeMenuButton)
protected:
  ThemeMenuButton() {}
  // Flat, soft-cornered or toolbar-style, by style, pointer and state.
  void paintBackground(FX::FXDCWindow &dc, bool popped, bool enabled);

public:
  ThemeMenuButton(FX::FXComposite *p, const FX::FXString &text, FX::FXIcon *icon = nullptr,
                  FX::FXPopup *pup = nullptr, FX::FXuint opts = FX::JUSTIFY_NORMAL | FX::ICON_BEFORE_TEXT | FX::MENUBUTTON_DOWN,
                  FX::FXint x = 0, FX::FXint y = 0, FX::FXint w = 0, FX::FXint h = 0,
                  FX::FXint pl = FX::DEFAULT_PAD, FX::FXint pr = FX::DEFAULT_PAD, FX::FXint pt = FX::DEFAULT_PAD,
                  FX::FXint pb = FX::DEFAULT_PAD);
  long onPaint(FX::FXObject *, FX::FXSelector, void *);
  FX::FXint getDefaultWidth() override;
};

class ThemeComboBox : public FX::FXComboBox
{
  FXDECLARE(ThemeComboBox)
protected:
  ThemeComboBox() {}

public:
  ThemeComboBox(FX::FXComposite *p, FX::FXint ncols, FX::FXObject *tgt = nullptr, FX::FXSelector sel = 0,
                FX::FXuint opts = FX::COMBOBOX_NORMAL, FX::FXint x = 0, FX::FXint y = 0, FX::FXint w = 0,
                FX::FXint h = 0, FX::FXint pl = FX::DEFAULT_PAD, FX::FXint pr = FX::DEFAULT_PAD,
                FX::FXint pt = FX::DEFAULT_PAD, FX::FXint pb = FX::DEFAULT_PAD);
  long onPaint(FX::FXObject *, FX::FXSelector, void *);
  // The drop-down button (a ThemeMenuButton).
  FX::FXMenuButton *getMenuButton() const { return button; }
};

class ThemeLabel : public FX::FXLabel
{
  FXDECLARE(ThemeLabel)
protected:
  ThemeLabel() {}

public:
  ThemeLabel(FX::FXComposite *p, const FX::FXString &text, FX::FXIcon *icon = nullptr,
             FX::FXuint opts = FX::LABEL_NORMAL, FX::FXint x = 0, FX::FXint y = 0, FX::FXint w = 0,
             FX::FXint h = 0, FX::FXint pl = FX::DEFAULT_PAD, FX::FXint pr = FX::DEFAULT_PAD,
             FX::FXint pt = FX::DEFAULT_PAD, FX::FXint pb = FX::DEFAULT_PAD);
  long onPaint(FX::FXObject *, FX::FXSelector, void *);
};

class ThemeTabItem : public FX::FXTabItem
{
  FXDECLARE(ThemeTabItem)
protected:
  ThemeTabItem() {}

public:
  ThemeTabItem(FX::FXTabBar *p, const FX::FXString &text, FX::FXIcon *icon = nullptr,
               FX::FXuint opts = FX::TAB_TOP_NORMAL, FX::FXint x = 0, FX::FXint y = 0, FX::FXint w = 0,
               FX::FXint h = 0, FX::FXint pl = FX::DEFAULT_PAD, FX::FXint pr = FX::DEFAULT_PAD,
               FX::FXint pt = FX::DEFAULT_PAD, FX::FXint pb = FX::DEFAULT_PAD);
};

class ThemeVerticalFrame : public FX::FXVerticalFrame
{
public:
  ThemeVerticalFrame(FX::FXComposite *p, FX::FXuint opts = 0, FX::FXint x = 0, FX::FXint y = 0, FX::FXint w = 0,
                     FX::FXint h = 0, FX::FXint pl = FX::DEFAULT_SPACING, FX::FXint pr = FX::DEFAULT_SPACING,
                     FX::FXint pt = FX::DEFAULT_SPACING, FX::FXint pb = FX::DEFAULT_SPACING,
                     FX::FXint hs = FX::DEFAULT_SPACING, FX::FXint vs = FX::DEFAULT_SPACING);
};

class ThemeHorizontalFrame : public FX::FXHorizontalFrame
{
public:
  ThemeHorizontalFrame(FX::FXComposite *p, FX::FXuint opts = 0, FX::FXint x = 0, FX::FXint y = 0,
                       FX::FXint w = 0, FX::FXint h = 0, FX::FXint pl = FX::DEFAULT_SPACING,
                       FX::FXint pr = FX::DEFAULT_SPACING, FX::FXint pt = FX::DEFAULT_SPACING,
                       FX::FXint pb = FX::DEFAULT_SPACING, FX::FXint hs = FX::DEFAULT_SPACING,
                       FX::FXint vs = FX::DEFAULT_SPACING);
};

} // namespace Tools

#endif
