#ifndef KORVAN_GUI_LANG_H
#define KORVAN_GUI_LANG_H

// Translatable texts. Every text the interface shows is written in German
// in the code; that text is its `orig` in table LANG, where a translation
// may be stored under (system "GUI", type, orig). Each translatable object
// registers with the application context, which switches all of them
// between the original texts and the translations on F11.
//
// What an object shows follows the context's mode: translation when the
// mode is on and a translation exists, else the original text. An object
// built while the mode is on therefore starts translated, and no
// per-object flag can drift out of step with the context.

#include <functional>
#include <string>
#include <vector>

#include "tools/core/format.h"
#include "tools/core/ref.h"
#include "tools/widgets/theme.h"
#include "gui/appcontext.h"

class LANG;
namespace Tools {
class DBBindType;
class DBTypeVarChar;
}

class Lang : public LangRegistry::Text
{
protected:
  // None for a copy, and none once the context has gone: its registry
  // clears it in the texts that outlive it.
  AppContext *context;
  Tools::Ref<LANG> row;
  // The mode last applied by update_text (what is shown now).
  bool translated;

  // The text to show in the context's current mode; records that mode in
  // `translated`.
  std::string toggle_text();
  // For the end of a derived constructor: a text built while the context
  // shows translations shows its translation at once.
  void show_current_mode();

public:
  // Registers with the context, then looks the text up in LANG and stores
  // it there when it is new.
  Lang(AppContext *context, const std::string &type, const std::string &orig);
  // Registers only; the derived class sets the row.
  explicit Lang(AppContext *context);
  // For the toolkit's object factory: no context, not registered.
  Lang();
  // Shares the row; the copy is not registered and has no context: it
  // keeps the text it was given.
  Lang(const Lang &other);
  Lang &operator=(const Lang &) = delete;
  virtual ~Lang();

  // Shows the original text or the translation, by the context's mode.
  void update_text() override = 0;
  // Takes the context's row of its text again (storing it when missing);
  // shows nothing new.
  void reload() override;
  void registry_gone() override { context = nullptr; }

  const Tools::Ref<LANG> &get_row() const { return row; }
  bool is_translated() const { return translated; }
  std::string get_type() const;
  std::string get_orig() const;
};

// A list of translatable titles (the column titles of a spreadsheet). The
// class that mixes it in supplies update_text.
class MultiLang : public Lang
{
protected:
  std::vector<Tools::Ref<LANG> > titles;

  // The text of title i in the current mode.
  std::string title_for_mode(unsigned i);

public:
  MultiLang(AppContext *context, const std::string &type);
  MultiLang() = default;

  // One LANG row per title, in order; empty titles and titles starting with
  // a TAB (hidden columns) are looked up but never stored.
  void set_titles(const std::vector<std::string> &names);
  void reload() override;
  const std::vector<Tools::Ref<LANG> > &get_titles() const { return titles; }
};

// A text not bound to a widget: message box captions and texts.
class StaticText : public Lang
{
  std::string shown;

public:
  StaticText(AppContext *context, const std::string &type, const std::string &text);
  StaticText();
  StaticText(const StaticText &other);

  void update_text() override;
  // Valid until the next update_text or the end of the object.
  operator const char *() const { return shown.c_str(); }
  const std::string &str() const { return shown; }
};

namespace Tools {
// A StaticText prints as its shown text.
template <> struct FormatArg<StaticText> : FormatCStrArg<StaticText> {};
} // namespace Tools

// The message texts shared by all dialogs.
class CommonMsg
{
public:
  StaticText title_data_error;
  StaticText title_db_error;
  StaticText title_info;
  StaticText title_question;
  StaticText msg_select_room;
  StaticText msg_select_price;
  StaticText msg_select_table;
  StaticText msg_select_article;
  StaticText msg_text_too_long;
  StaticText msg_text_nul;
  StaticText msg_text_misfit;
  // A connection the server has dropped, and the way back to one.
  StaticText msg_connection_lost;
  StaticText msg_reconnect;
  // A connection that could not be made (at the start, say, while the
  // server was down); msg_reconnect is the way to one.
  StaticText msg_not_connected;
  // The connection broke at the end of a unit of work: the server may have
  // stored it before the answer was lost.
  StaticText msg_commit_unknown;

  explicit CommonMsg(AppContext *context);
  CommonMsg() = default;

  // The name of a column's field as the person sees it (empty: unnamed).
  using FieldName = std::function<std::string(const Tools::DBTypeVarChar &)>;
  // Why a text of the row cannot be stored as it is, in words, naming its
  // field: it holds a NUL, at which it would arrive cut, a character that
  // the tables cannot hold (such as an emoji), or more characters than
  // its column holds, which the server refuses. Empty when every text
  // fits.
  std::string text_refusal(const Tools::DBBindType &row, const FieldName &field = FieldName()) const;
  // The words for a text holding a NUL, quoting what precedes it.
  std::string nul_refusal(const std::string &text, const std::string &field = std::string()) const;
  // The words for a text holding a character the tables cannot hold.
  std::string misfit_refusal(const std::string &text, const std::string &field = std::string()) const;
};

// ---- translatable widgets ------------------------------------------------

class Label : public Tools::ThemeLabel, public Lang
{
  FXDECLARE(Label)
protected:
  Label() {}

public:
  Label(FX::FXComposite *p, AppContext *context, const FX::FXString &text, FX::FXIcon *icon = nullptr,
        FX::FXuint opts = FX::LABEL_NORMAL, FX::FXint x = 0, FX::FXint y = 0, FX::FXint w = 0, FX::FXint h = 0,
        FX::FXint pl = FX::DEFAULT_PAD, FX::FXint pr = FX::DEFAULT_PAD, FX::FXint pt = FX::DEFAULT_PAD,
        FX::FXint pb = FX::DEFAULT_PAD);
  void update_text() override;
};

class GroupBox : public FX::FXGroupBox, public Lang
{
  FXDECLARE(GroupBox)
protected:
  GroupBox() {}

public:
  GroupBox(FX::FXComposite *p, AppContext *context, const FX::FXString &text, FX::FXuint opts = FX::GROUPBOX_NORMAL,
           FX::FXint x = 0, FX::FXint y = 0, FX::FXint w = 0, FX::FXint h = 0,
           FX::FXint pl = FX::DEFAULT_SPACING, FX::FXint pr = FX::DEFAULT_SPACING,
           FX::FXint pt = FX::DEFAULT_SPACING, FX::FXint pb = FX::DEFAULT_SPACING,
           FX::FXint hs = FX::DEFAULT_SPACING, FX::FXint vs = FX::DEFAULT_SPACING);
  void update_text() override;
};

class TabItem : public Tools::ThemeTabItem, public Lang
{
  FXDECLARE(TabItem)
protected:
  TabItem() {}

public:
  TabItem(FX::FXTabBar *p, AppContext *context, const FX::FXString &text, FX::FXIcon *icon = nullptr,
          FX::FXuint opts = FX::TAB_TOP_NORMAL, FX::FXint x = 0, FX::FXint y = 0, FX::FXint w = 0,
          FX::FXint h = 0, FX::FXint pl = FX::DEFAULT_PAD, FX::FXint pr = FX::DEFAULT_PAD,
          FX::FXint pt = FX::DEFAULT_PAD, FX::FXint pb = FX::DEFAULT_PAD);
  void update_text() override;
};

class MenuCommand : public FX::FXMenuCommand, public Lang
{
  FXDECLARE(MenuCommand)
protected:
  MenuCommand() {}

public:
  // A TAB in the text separates the shown accelerator ("&Quit\tCtl-Q").
  MenuCommand(FX::FXComposite *p, AppContext *context, const FX::FXString &text, FX::FXIcon *icon = nullptr,
              FX::FXObject *tgt = nullptr, FX::FXSelector sel = 0, FX::FXuint opts = 0);
  void update_text() override;
};

class MenuTitle : public FX::FXMenuTitle, public Lang
{
  FXDECLARE(MenuTitle)
protected:
  MenuTitle() {}

public:
  MenuTitle(FX::FXComposite *p, AppContext *context, const FX::FXString &text, FX::FXIcon *icon = nullptr,
            FX::FXPopup *pup = nullptr, FX::FXuint opts = 0);
  void update_text() override;
};

#endif
