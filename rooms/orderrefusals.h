#ifndef KORVAN_ROOMS_ORDERREFUSALS_H
#define KORVAN_ROOMS_ORDERREFUSALS_H
// How the order windows show an order operation that did not go through:
// a refusal in the words of the translation table, as every other text of
// a window, and a failed statement as every database error. The operation
// has ended its unit of work by then: nothing stays locked while a person
// reads the box.
#include <memory>
#include <vector>
#include "gui/lang.h"
#include "rooms/orders.h"

class Dialog;

class OrderRefusals
{
  // The words of each refusal, by outcome; none for DONE and FAILED.
  std::vector<std::unique_ptr<StaticText> > texts;
  StaticText none;

public:
  // Registers every refusal's text when the window is built, so that the
  // translation editor lists them before one was ever shown.
  explicit OrderRefusals(AppContext *context);

  const StaticText &words(Orders::Outcome outcome) const;
  // Shows how the operation ended, in a box over the window; false when
  // it was done (nothing shown).
  bool show(Dialog &window, const Orders::Result &result) const;
};

#endif
