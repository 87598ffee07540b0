#ifndef KORVAN_ROOMS_ORDERREFUSALS_H
#define KORVAN_ROOMS_ORDERREFUSALS_H
// How the order windows show an order operation that did not go through:
// a refusal in the words of the translation table, as every other text of
// a window, and a failed statement as every database error. The operation
// has ended its unit of work by then: nothing stays locked while a person
// reads the box.
#include <initializer_list>
#include <memory>
#include <vector>
#include "gui/lang.h"
#include "rooms/orders.h"

class Dialog;

class OrderRefusals
{
  AppContext *context;
  // The words of each refusal, by outcome, once registered.
  mutable std::vector<std::unique_ptr<StaticText> > texts;
  StaticText none;

public:
  // Registers the texts of the refusals `at_once` when the window is
  // built, as a window does with its texts; the others when first shown,
  // so that opening a window sends nothing for texts it seldom shows (a
  // new text costs statements the first time).
  explicit OrderRefusals(AppContext *context, std::initializer_list<Orders::Outcome> at_once = {});

  // Empty for DONE and FAILED.
  const StaticText &words(Orders::Outcome outcome) const;
  // Shows how the operation ended, in a box over the window; false when
  // it was done (nothing shown).
  bool show(Dialog &window, const Orders::Result &result) const;
};

#endif
