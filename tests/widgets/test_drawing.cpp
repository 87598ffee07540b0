// The drawing routines of the themed widgets, against a device context
// that records what it is asked to draw.

#include <gtest/gtest.h>

#include <vector>

#include "tests/guisupport/gui_support.h"
#include "tools/widgets/theme.h"

using namespace FX;

namespace {

struct Call
{
  enum Kind { FOREGROUND, FILL, RECT, POINTS, STIPPLE, FILLSTYLE } kind;
  FXint x, y, w, h;
  FXColor color;
  unsigned npoints;
};

class RecordingDC : public FXDC
{
  FXColor fg = 0;

public:
  std::vector<Call> calls;
  RecordingDC() : FXDC(korvan_gui_test::app()) {}

  void setForeground(FXColor c) override
  {
    fg = c;
    calls.push_back({Call::FOREGROUND, 0, 0, 0, 0, c, 0});
  }
  void fillRectangle(FXint x, FXint y, FXint w, FXint h) override { calls.push_back({Call::FILL, x, y, w, h, fg, 0}); }
  void drawRectangle(FXint x, FXint y, FXint w, FXint h) override { calls.push_back({Call::RECT, x, y, w, h, fg, 0}); }
  void drawPoints(const FXPoint *, FXuint n) override { calls.push_back({Call::POINTS, 0, 0, 0, 0, fg, n}); }
  void setStipple(FXStipplePattern, FXint, FXint) override { calls.push_back({Call::STIPPLE, 0, 0, 0, 0, 0, 0}); }
  void setStipple(FXBitmap *, FXint, FXint) override { calls.push_back({Call::STIPPLE, 0, 0, 0, 0, 0, 0}); }
  void setFillStyle(FXFillStyle) override { calls.push_back({Call::FILLSTYLE, 0, 0, 0, 0, 0, 0}); }

  std::vector<Call> fills() const
  {
    std::vector<Call> f;
    for (const Call &c : calls)
      if (c.kind == Call::FILL)
        f.push_back(c);
    return f;
  }
};

// The bands of a gradient must cover the rows exactly once, in order.
void expect_covering(const std::vector<Call> &bands, FXint y, FXint h)
{
  FXint next = y;
  for (const Call &b : bands) {
    EXPECT_EQ(next, b.y);
    EXPECT_GE(b.h, 1);
    next = b.y + b.h;
  }
  EXPECT_EQ(y + h, next);
}

TEST(Drawing, NothingAtAllForAnEmptyArea)
{
  for (FXint w : {0, -3, 10})
    for (FXint h : {0, -1, 10}) {
      if (w > 0 && h > 0)
        continue;
      RecordingDC dc;
      Tools::fill_vertical_gradient(dc, FXRGB(0, 0, 0), FXRGB(255, 0, 0), 1, 1, w, h);
      Tools::draw_line_frame(dc, 0, 0, w, h);
      Tools::draw_sunken_frame(dc, 0, 0, w, h);
      Tools::draw_raised_frame(dc, 0, 0, w, h);
      EXPECT_TRUE(dc.calls.empty()) << w << "x" << h;
    }
}

TEST(Drawing, EqualColoursGiveOneBandOfFullHeight)
{
  RecordingDC dc;
  Tools::fill_vertical_gradient(dc, FXRGB(10, 20, 30), FXRGB(10, 20, 30), 3, 4, 20, 30);
  ASSERT_EQ(1u, dc.fills().size());
  const Call band = dc.fills()[0];
  EXPECT_EQ(3, band.x);
  EXPECT_EQ(4, band.y);
  EXPECT_EQ(20, band.w);
  EXPECT_EQ(30, band.h);
  EXPECT_EQ(FXRGB(10, 20, 30), band.color);
}

TEST(Drawing, ShortGradientHasOneRowPerBand)
{
  RecordingDC dc;
  Tools::fill_vertical_gradient(dc, FXRGB(0, 250, 0), FXRGB(0, 50, 0), 0, 10, 5, 50);
  std::vector<Call> bands = dc.fills();
  ASSERT_EQ(50u, bands.size());
  for (const Call &b : bands)
    EXPECT_EQ(1, b.h);
  expect_covering(bands, 10, 50);
  EXPECT_EQ(FXRGB(0, 250, 0), bands.front().color);
  // Falling colours fall band by band.
  for (size_t i = 1; i < bands.size(); ++i)
    EXPECT_LT(FXGREENVAL(bands[i].color), FXGREENVAL(bands[i - 1].color));
}

TEST(Drawing, TallGradientIsCappedAt128BandsAndStopsOneStepShort)
{
  RecordingDC dc;
  Tools::fill_vertical_gradient(dc, FXRGB(0, 7, 9), FXRGB(255, 7, 9), 0, 0, 4, 1000);
  std::vector<Call> bands = dc.fills();
  ASSERT_EQ(128u, bands.size());
  for (const Call &b : bands)
    EXPECT_TRUE(b.h == 7 || b.h == 8) << b.h;
  expect_covering(bands, 0, 1000);
  EXPECT_EQ(FXRGB(0, 7, 9), bands.front().color);
  EXPECT_EQ(FXRGB(253, 7, 9), bands.back().color);
}

TEST(Drawing, FramesOfOnePixelWidthDrawOnlyTheOuterLines)
{
  RecordingDC thin;
  Tools::draw_sunken_frame(thin, 5, 5, 1, 20);
  EXPECT_EQ(4u, thin.fills().size());
  EXPECT_EQ(Tools::ThemeColor::LABEL_SUNKEN, thin.fills()[0].color);

  RecordingDC wide;
  Tools::draw_raised_frame(wide, 0, 0, 30, 20);
  ASSERT_EQ(8u, wide.fills().size());
  EXPECT_EQ(Tools::ThemeColor::LABEL_RAISED, wide.fills()[7].color);

  RecordingDC line;
  Tools::draw_line_frame(line, 0, 0, 30, 20);
  ASSERT_EQ(4u, line.fills().size());
  EXPECT_EQ(Tools::ThemeColor::OUTLINE, line.fills()[0].color);
  EXPECT_EQ(19, line.fills()[2].y);
  EXPECT_EQ(29, line.fills()[3].x);
}

TEST(Drawing, FaceDrawsAGradientOrThePressedFill)
{
  RecordingDC up;
  Tools::draw_face(up, FXRGB(1, 2, 3), Tools::BUTTON_FACE, 60, 24, false);
  EXPECT_EQ(Tools::ThemeColor::BUTTON_TOP, up.fills().front().color);

  RecordingDC down;
  Tools::draw_face(down, FXRGB(1, 2, 3), Tools::BUTTON_FACE, 60, 24, true);
  ASSERT_EQ(1u, down.fills().size());
  EXPECT_EQ(Tools::ThemeColor::PRESSED, down.fills()[0].color);
  EXPECT_EQ(2, down.fills()[0].x);
  EXPECT_EQ(56, down.fills()[0].w);
}

} // namespace
