#include "rooms/orderrefusals.h"

#include "gui/dberror.h"
#include "gui/dialog.h"
#include "gui/messagebox.h"

OrderRefusals::OrderRefusals(AppContext *context)
{
  for (int outcome = Orders::DONE; outcome <= Orders::FAILED; ++outcome) {
    const std::string text = Orders::text(static_cast<Orders::Outcome>(outcome));
    texts.emplace_back(text.empty() ? nullptr : new StaticText(context, "Message", text));
  }
}

const StaticText &OrderRefusals::words(Orders::Outcome outcome) const
{
  const std::size_t i = static_cast<std::size_t>(outcome);
  return i < texts.size() && texts[i] ? *texts[i] : none;
}

bool OrderRefusals::show(Dialog &window, const Orders::Result &result) const
{
  if (result.done())
    return false;
  if (result.outcome == Orders::FAILED)
    DBError::report(&window, window, DBError::TEXT, result.error, result.statement, result.connection_lost);
  else
    MessageBox::error(&window, window.title_data_error.str(), words(result.outcome).str());
  return true;
}
