// Placed widgets: positions and sizes from the row and back, re-targeting
// in edit mode, dragging on the grid, and clearing.

#include <gtest/gtest.h>

#include "gui/fixcomposite.h"
#include "tests/gui/gui_env.h"

using namespace FX;
using namespace gui_test;

namespace {

LAYOUTP make_row(const std::string &name, int x, int y, int w, int h)
{
  LAYOUTP row;
  row.idx = 7;
  row.layout_idx = 3;
  row.label_name = name;
  row.label_x = x;
  row.label_y = y;
  row.label_width = w;
  row.label_height = h;
  row.label_color = 5;
  row.label_icon = std::string("tisch");
  return row;
}

// A pointer event at (x, y) inside the window, as the server reports it:
// the screen position follows from where the window stands (the canvas is
// taken to stand at 1000, 1000 on the screen).
FXEvent mouse(FXWindow *w, int x, int y)
{
  FXEvent e = FXEvent();
  e.win_x = x;
  e.win_y = y;
  e.root_x = 1000 + (w ? w->getX() : 0) + x;
  e.root_y = 1000 + (w ? w->getY() : 0) + y;
  return e;
}

// A canvas of 200 x 150 in its own shell, created and laid out.
struct Canvas
{
  Recorder window;
  FXDialogBox *shell;
  FixComposite *canvas;

  explicit Canvas(bool edit)
  {
    shell = new FXDialogBox(owner(), "Raum", DECOR_NONE, 0, 0, 200, 150, 0, 0, 0, 0, 0, 0);
    canvas = new FixComposite(shell, &window, 68, LAYOUT_FILL);
    canvas->set_edit_mode(edit);
    shell->create();
    shell->resize(200, 150);
    shell->layout();
  }
  ~Canvas() { delete shell; }
  // A label placed from the row, created and laid out.
  FixLabel *label(const LAYOUTP &row)
  {
    FixLabel *l = new FixLabel(canvas, 0x106000, row);
    l->create();
    canvas->layout();
    return l;
  }
  long press(FXWindow *child, int x, int y)
  {
    FXEvent e = mouse(child, x, y);
    return canvas->handle(child, FXSEL(SEL_LEFTBUTTONPRESS, FixComposite::ID_CHILD), &e);
  }
  long move(FXWindow *child, int x, int y)
  {
    FXEvent e = mouse(child, x, y);
    return canvas->handle(child, FXSEL(SEL_MOTION, FixComposite::ID_CHILD), &e);
  }
  long release(FXWindow *child, int x, int y)
  {
    FXEvent e = mouse(child, x, y);
    return canvas->handle(child, FXSEL(SEL_LEFTBUTTONRELEASE, FixComposite::ID_CHILD), &e);
  }
};

} // namespace

TEST(FixComposite, RowsGivePositionAndSizeAndGetThemBack)
{
  Canvas c(false);
  FixLabel *placed = c.label(make_row("T1", 30, 40, 60, 25));
  FixLabel *natural = c.label(make_row("Tisch zwei", 0, -5, 0, 0));

  EXPECT_EQ(placed->getX(), 30);
  EXPECT_EQ(placed->getY(), 40);
  EXPECT_EQ(placed->getWidth(), 60);
  EXPECT_EQ(placed->getHeight(), 25);

  EXPECT_EQ(natural->getX(), 4);
  EXPECT_EQ(natural->getY(), 4);
  EXPECT_EQ(natural->getWidth(), natural->getDefaultWidth());
  EXPECT_EQ(natural->getHeight(), natural->getDefaultHeight());

  natural->setText("Tisch 2");
  LAYOUTP &row = natural->get_record();
  EXPECT_EQ(row.label_name.value, "Tisch 2");
  EXPECT_EQ(int(row.label_x), 4);
  EXPECT_EQ(int(row.label_y), 4);
  EXPECT_EQ(int(row.label_width), natural->getWidth());
  EXPECT_GT(int(row.label_width), 0);
  EXPECT_EQ(int(row.label_height), natural->getHeight());
  EXPECT_EQ(int(row.idx), 7) << "the rest of the row stays";

  Recorder pressed;
  FixButton *button =
      new FixButton(c.canvas, &pressed, 69, 0x106000, make_row("T3", 100, 20, 0, 30));
  button->create();
  c.canvas->layout();
  EXPECT_EQ(button->getTarget(), &pressed); // view mode keeps the targets
  EXPECT_EQ(int(button->get_record().label_width), button->getDefaultWidth());
}

TEST(FixComposite, EditModeRetargetsChildrenAtLayoutAndDragsOnTheGrid)
{
  Canvas c(false);
  FixLabel *label = c.label(make_row("T1", 30, 30, 40, 20));
  EXPECT_NE(label->getTarget(), c.canvas);

  c.canvas->set_edit_mode(true);
  EXPECT_NE(label->getTarget(), c.canvas); // only the next layout re-targets
  c.canvas->layout();
  EXPECT_EQ(label->getTarget(), c.canvas);

  // Grab at (5, 5) inside the label: the window hears of it.
  EXPECT_EQ(c.press(label, 5, 5), 1);
  ASSERT_EQ(c.window.messages.size(), 1u);
  EXPECT_EQ(c.window.messages[0].id, 68u);
  EXPECT_EQ(c.window.messages[0].data, label);

  EXPECT_EQ(c.move(label, 22, 5), 1); // 30 + 17 = 47 -> 40
  EXPECT_EQ(label->getX(), 40);
  EXPECT_EQ(label->getY(), 30);
  EXPECT_EQ(c.move(label, 5 - 38, 5 - 33), 1); // 40 - 38 = 2 -> 0; 30 - 33 = -3 -> 0
  EXPECT_EQ(label->getX(), 0);
  EXPECT_EQ(label->getY(), 0);
  EXPECT_EQ(c.move(label, 5 - 10, 5), 1); // -10 -> the pad
  EXPECT_EQ(label->getX(), 4);
  EXPECT_EQ(c.move(label, 5 + 300, 5 + 300), 1); // past the far edges
  EXPECT_EQ(label->getX(), 200 - 4 - 40);
  EXPECT_EQ(label->getY(), 150 - 4 - 20);

  EXPECT_EQ(c.release(label, 5 - 100, 5), 1);
  EXPECT_EQ(label->getX(), 50); // 156 - 100 = 56 -> 50
  EXPECT_EQ(c.move(label, 50, 50), 0); // nothing grabbed any more
  EXPECT_EQ(c.release(label, 50, 50), 1);
  EXPECT_EQ(label->getX(), 50);

  // A child at 0 goes to the pad at the next layout.
  c.press(label, 5, 5);
  c.release(label, 5 - 50, 5);
  EXPECT_EQ(label->getX(), 0);
  c.canvas->layout();
  EXPECT_EQ(label->getX(), 4);
  EXPECT_EQ(int(label->get_record().label_x), 4);

  // A child wider than the inner area goes to a negative x.
  FixLabel *wide = c.label(make_row("breit", 10, 10, 250, 20));
  c.press(wide, 5, 5);
  c.move(wide, 5, 5);
  EXPECT_EQ(wide->getX(), 200 - 4 - 250);
  c.release(wide, 5, 5);

  // A press from something that is not a window still tells the window.
  Recorder not_a_window;
  c.window.messages.clear();
  FXEvent at = mouse(nullptr, 1, 1);
  EXPECT_EQ(c.canvas->handle(&not_a_window, FXSEL(SEL_LEFTBUTTONPRESS, FixComposite::ID_CHILD), &at), 1);
  ASSERT_EQ(c.window.messages.size(), 1u);
  EXPECT_EQ(c.window.messages[0].data, nullptr);
  EXPECT_EQ(c.canvas->handle(label, FXSEL(SEL_LEFTBUTTONPRESS, FixComposite::ID_CHILD), nullptr), 1);
}

TEST(FixComposite, ClearDeletesEveryChildAndForgetsTheGrab)
{
  Canvas c(true);
  FixLabel *a = c.label(make_row("A", 10, 10, 30, 20));
  c.label(make_row("B", 60, 10, 30, 20));
  c.press(a, 2, 2);
  c.canvas->clear();
  EXPECT_EQ(c.canvas->numChildren(), 0);
  FXEvent e = mouse(nullptr, 20, 20);
  EXPECT_EQ(c.canvas->handle(c.canvas, FXSEL(SEL_MOTION, FixComposite::ID_CHILD), &e), 0);

  // A child deleted by its window while grabbed is forgotten as well.
  FixLabel *d = c.label(make_row("D", 10, 10, 30, 20));
  c.press(d, 2, 2);
  delete d;
  EXPECT_EQ(c.canvas->handle(c.canvas, FXSEL(SEL_MOTION, FixComposite::ID_CHILD), &e), 0);
}

TEST(FixComposite, MotionsQueuedBeforeAMoveDoNotPushTheChildAhead)
{
  Canvas c(true);
  FixLabel *label = c.label(make_row("T1", 30, 30, 40, 20));
  c.press(label, 5, 5);
  // Two reports of one pointer position (17 to the right), both relative
  // to where the label stood before it was moved.
  FXEvent stale = mouse(label, 22, 5);
  c.canvas->handle(label, FXSEL(SEL_MOTION, FixComposite::ID_CHILD), &stale);
  EXPECT_EQ(label->getX(), 40);
  c.canvas->handle(label, FXSEL(SEL_MOTION, FixComposite::ID_CHILD), &stale);
  EXPECT_EQ(label->getX(), 40);
  c.canvas->handle(label, FXSEL(SEL_LEFTBUTTONRELEASE, FixComposite::ID_CHILD), &stale);
  EXPECT_EQ(label->getX(), 40);
}
