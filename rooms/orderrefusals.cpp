#include "rooms/orderrefusals.h"

#include <string>

#include "gui/dberror.h"
#include "gui/dialog.h"
#include "gui/messagebox.h"

OrderRefusals::OrderRefusals(AppContext *context, std::initializer_list<Orders::Outcome> at_once)
    : context(context), texts(Orders::FAILED + 1)
{
  for (Orders::Outcome outcome : at_once)
    words(outcome);
}

const StaticText &OrderRefusals::words(Orders::Outcome outcome) const
{
  const std::size_t i = static_cast<std::size_t>(outcome);
  const std::string text = i < texts.size() ? Orders::text(outcome) : "";
  if (text.empty())
    return none;
  if (!texts[i])
    texts[i].reset(new StaticText(context, "Message", text));
  return *texts[i];
}

bool OrderRefusals::show(Dialog &window, const Orders::Result &result) const
{
  if (result.done())
    return false;
  if (result.outcome == Orders::FAILED)
    DBError::report(&window, window, DBError::TEXT, result);
  else
    MessageBox::error(&window, window.title_data_error.str(), words(result.outcome).str());
  return true;
}
