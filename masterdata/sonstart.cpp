#include "masterdata/sonstart.h"

#include "tools/core/format.h"
#include "tools/core/string_utils.h"

using namespace FX;

FXDEFMAP(SonstArt) SonstArtMap[] = {
    FXMAPFUNC(SEL_COMMAND, SonstArt::ID_NAME, SonstArt::onSelect),
    FXMAPFUNC(SEL_COMMAND, SonstArt::ID_CANCEL_FORM, SonstArt::onCancel),
};

FXIMPLEMENT(SonstArt, BaseDialog, SonstArtMap, ARRAYNUMBER(SonstArtMap))

SonstArt::SonstArt() {}

SonstArt::SonstArt(FXWindow *owner, AppContext *main)
    : BaseDialog(owner, main, "Wartung Sonstige Bezahlungen", "Sonstige Bezahlungen", &sonst_art, "name",
                 DECOR_TITLE | DECOR_CLOSE | DECOR_BORDER),
      msg_invalid_means(main, "Message",
                        "Eine Bezahlungsart mit \"Gültig\" NEIN wird beim Bezahlen nicht mehr angeboten.")
{
  build_base_fields(sonst_art, "name", "", "");
  build_name_form(sonst_art, ID_NAME, "bezeichnung", "bezeichnung2", "wert", "Wert:", sonst_art.wert);
  build_button_bar(ID_CANCEL_FORM, true);
  vars_to_widgets();
}

SonstArt::~SonstArt() {}

void SonstArt::clear_record() { sonst_art = SONST_ART(); }

bool SonstArt::may_delete()
{
  // Lines paid in cash alone carry no kind: an empty name names none.
  return sonst_art.idx == 0 ||
         !has_lines(sonst_art, named_by_lines("sonst_art_idx", "sonst_art_name"), msg_invalid_means);
}
