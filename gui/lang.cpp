#include "gui/lang.h"

#include "tools/core/string_utils.h"
#include "tools/dbi/dbbindtype.h"
#include "schema/tables.h"

using namespace FX;

// ---- Lang ------------------------------------------------------------------

namespace {

// The translation when one is wanted and there is one, else the original.
std::string shown_text(const LANG &row, bool translated)
{
  if (translated && !row.trans.value.empty())
    return row.trans.value;
  return row.orig.value;
}

} // namespace

Lang::Lang(AppContext *context, const std::string &type, const std::string &orig)
    : context(context), row(), translated(false)
{
  if (!context) {
    row = LangRegistry::new_row(type, orig);
    return;
  }
  // Registered before the lookup, so that the list holds the object even
  // when the lookup throws.
  context->getLangRegistry().add(this);
  row = context->getLangRegistry().find_stored(type, orig);
}

Lang::Lang(AppContext *context) : context(context), row(), translated(false)
{
  if (context)
    context->getLangRegistry().add(this);
}

Lang::Lang() : context(nullptr), row(), translated(false) {}

Lang::Lang(const Lang &other) : context(nullptr), row(other.row), translated(other.translated) {}

Lang::~Lang()
{
  if (context)
    context->getLangRegistry().remove(this);
}

std::string Lang::toggle_text()
{
  translated = context && context->isTranslated();
  LANG *r = row.try_get();
  return r ? shown_text(*r, translated) : std::string();
}

void Lang::show_current_mode()
{
  if (context && context->isTranslated())
    update_text();
}

void Lang::reload()
{
  if (!context || !row.valid())
    return;
  row = context->getLangRegistry().find_stored(get_type(), get_orig());
}

std::string Lang::get_type() const
{
  LANG *r = row.try_get();
  return r ? r->type.value : std::string();
}

std::string Lang::get_orig() const
{
  LANG *r = row.try_get();
  return r ? r->orig.value : std::string();
}

// ---- MultiLang ---------------------------------------------------------------

MultiLang::MultiLang(AppContext *context, const std::string &type) : Lang(context)
{
  // Only carries the type under which the titles are looked up.
  row = LangRegistry::new_row(type, std::string());
}

std::string MultiLang::title_for_mode(unsigned i)
{
  translated = context && context->isTranslated();
  LANG *r = i < titles.size() ? titles[i].try_get() : nullptr;
  return r ? shown_text(*r, translated) : std::string();
}

void MultiLang::set_titles(const std::vector<std::string> &names)
{
  titles.clear();
  const std::string type = get_type();
  for (const std::string &name : names) {
    const bool hidden = name.empty() || name[0] == '\t';
    if (!context)
      titles.push_back(LangRegistry::new_row(type, name));
    else if (hidden)
      titles.push_back(context->getLangRegistry().find(type, name));
    else
      titles.push_back(context->getLangRegistry().find_stored(type, name));
  }
}

void MultiLang::reload()
{
  if (!context)
    return;
  std::vector<Tools::Ref<LANG> > fresh;
  fresh.reserve(titles.size());
  for (const Tools::Ref<LANG> &r : titles)
    fresh.push_back(context->getLangRegistry().find(r->type.value, r->orig.value));
  titles.swap(fresh);
}

// ---- StaticText ----------------------------------------------------------------

StaticText::StaticText(AppContext *context, const std::string &type, const std::string &text)
    : Lang(context, type, text), shown(text)
{
  show_current_mode();
}

StaticText::StaticText() : Lang(), shown() {}

StaticText::StaticText(const StaticText &other) : Lang(other), shown(other.shown) {}

void StaticText::update_text() { shown = toggle_text(); }

// ---- CommonMsg -----------------------------------------------------------------

CommonMsg::CommonMsg(AppContext *context)
    : title_data_error(context, "Titel", "Datenfehler"), title_db_error(context, "Titel", "Datenbankfehler"),
      title_info(context, "Titel", "Info"), title_question(context, "Titel", "Frage"),
      msg_select_room(context, "Message", "Bitte einen Raum auswählen."),
      msg_select_price(context, "Message", "Bitte einen Preis auswählen."),
      msg_select_table(context, "Message", "Bitte einen Tisch auswählen."),
      msg_select_article(context, "Message", "Bitte einen Artikel auswählen."),
      msg_text_too_long(context, "Message", "Ein Text ist länger, als sein Feld fasst; bitte kürzen:"),
      msg_text_nul(context, "Message", "Ein Text enthält ein Nullzeichen, das nicht gespeichert werden kann:"),
      msg_text_misfit(context, "Message",
                      "Ein Text enthält ein Zeichen, das nicht gespeichert werden kann (etwa ein Emoji):"),
      msg_connection_lost(context, "Message",
                          "Die Verbindung zur Datenbank ist abgebrochen (etwa weil der Server neu gestartet wurde)."),
      msg_reconnect(context, "Message",
                    "Neu verbinden: System -> Datenbankverbindung -> \"Ok\", danach neu anmelden."),
      msg_not_connected(context, "Message",
                        "Keine Verbindung zur Datenbank: sie ist nicht zu erreichen (etwa weil der Server nicht "
                        "läuft)."),
      msg_commit_unknown(context, "Message",
                         "Ob die Änderungen gespeichert wurden, ist nicht bekannt: danach bitte nachsehen.")
{
}

namespace {
// "Name: " before a quoted text, nothing for an unnamed field.
std::string field_prefix(const std::string &field) { return field.empty() ? field : field + ": "; }
} // namespace

std::string CommonMsg::text_refusal(const Tools::DBBindType &row, const FieldName &field) const
{
  for (const Tools::DBType *column : row.get_types()) {
    const Tools::DBTypeVarChar *text = dynamic_cast<const Tools::DBTypeVarChar *>(column);
    if (!text)
      continue;
    const std::string name = field ? field(*text) : std::string();
    if (text->value.find('\0') != std::string::npos)
      return nul_refusal(text->value, name);
    if (Tools::utf8_mb3_misfit(text->value) != std::string::npos)
      return misfit_refusal(text->value, name);
    const std::size_t characters = Tools::utf8_length(text->value);
    if (characters > static_cast<std::size_t>(text->size))
      return Tools::format("%s\n%s%s (%d > %d)", msg_text_too_long.str(), field_prefix(name), text->value,
                           static_cast<int>(characters), text->size);
  }
  return std::string();
}

std::string CommonMsg::nul_refusal(const std::string &text, const std::string &field) const
{
  return Tools::format("%s\n%s%s\\0", msg_text_nul.str(), field_prefix(field), text.substr(0, text.find('\0')));
}

std::string CommonMsg::misfit_refusal(const std::string &text, const std::string &field) const
{
  return Tools::format("%s\n%s%s", msg_text_misfit.str(), field_prefix(field), text);
}

// ---- widgets -------------------------------------------------------------------

namespace {
FXString fx(const std::string &s) { return FXString(s.c_str()); }
using Tools::fxcompat::whole;
} // namespace

FXIMPLEMENT(Label, Tools::ThemeLabel, nullptr, 0)

Label::Label(FXComposite *p, AppContext *context, const FXString &text, FXIcon *icon, FXuint opts, FXint x, FXint y,
             FXint w, FXint h, FXint pl, FXint pr, FXint pt, FXint pb)
    : Tools::ThemeLabel(p, text, icon, opts, x, y, w, h, pl, pr, pt, pb), Lang(context, "Label", whole(text))
{
  show_current_mode();
}

void Label::update_text() { setText(fx(toggle_text())); }

FXIMPLEMENT(GroupBox, FXGroupBox, nullptr, 0)

GroupBox::GroupBox(FXComposite *p, AppContext *context, const FXString &text, FXuint opts, FXint x, FXint y, FXint w,
                   FXint h, FXint pl, FXint pr, FXint pt, FXint pb, FXint hs, FXint vs)
    : FXGroupBox(p, text, opts, x, y, w, h, pl, pr, pt, pb, hs, vs), Lang(context, "Group", whole(text))
{
  show_current_mode();
}

void GroupBox::update_text() { setText(fx(toggle_text())); }

FXIMPLEMENT(TabItem, Tools::ThemeTabItem, nullptr, 0)

TabItem::TabItem(FXTabBar *p, AppContext *context, const FXString &text, FXIcon *icon, FXuint opts, FXint x, FXint y,
                 FXint w, FXint h, FXint pl, FXint pr, FXint pt, FXint pb)
    : Tools::ThemeTabItem(p, text, icon, opts, x, y, w, h, pl, pr, pt, pb), Lang(context, "Tab", whole(text))
{
  show_current_mode();
}

void TabItem::update_text() { setText(fx(toggle_text())); }

FXIMPLEMENT(MenuCommand, FXMenuCommand, nullptr, 0)

MenuCommand::MenuCommand(FXComposite *p, AppContext *context, const FXString &text, FXIcon *icon, FXObject *tgt,
                         FXSelector sel, FXuint opts)
    : FXMenuCommand(p, text, icon, tgt, sel, opts), Lang(context, "Menu", whole(text))
{
  show_current_mode();
}

void MenuCommand::update_text()
{
  // The caption setter of this toolkit series takes no accelerator part:
  // the text after the TAB goes to the accelerator text.
  const std::string text = toggle_text();
  const std::string::size_type tab = text.find('\t');
  if (tab == std::string::npos) {
    setText(fx(text));
  } else {
    setText(fx(text.substr(0, tab)));
    setAccelText(fx(text.substr(tab + 1)));
  }
}

FXIMPLEMENT(MenuTitle, FXMenuTitle, nullptr, 0)

MenuTitle::MenuTitle(FXComposite *p, AppContext *context, const FXString &text, FXIcon *icon, FXPopup *pup,
                     FXuint opts)
    : FXMenuTitle(p, text, icon, pup, opts), Lang(context, "Menu", whole(text))
{
  show_current_mode();
}

void MenuTitle::update_text() { setText(fx(toggle_text())); }
