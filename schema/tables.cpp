#include "schema/tables.h"

#include "tools/core/format.h"

using Tools::DBBindType;

Forkey::Forkey(const DBBindType &owner, const Tools::DBType &key_column, const std::string &ref_table,
               const std::string &ref_column)
    : table(owner.get_table()), column(key_column.get_name()), ref_table(ref_table), ref_column(ref_column)
{
}

Forkey::~Forkey() = default;

TableType::~TableType() = default;

// ---- BASE ----

BASE::BASE(const std::string &table, DBBindType *owner)
    : DBBindType(table), TableType(INNODB), Forkeys(), idx(owner, "idx"), gueltig(owner, "gueltig"),
      gueltig_von(owner, "gueltig_von"), gueltig_bis(owner, "gueltig_bis"), hist_an_zeit(owner, "hist_an_zeit"),
      hist_an_user(owner, "hist_an_user", 20), hist_ae_zeit(owner, "hist_ae_zeit"),
      hist_ae_user(owner, "hist_ae_user", 20), hist_lo_zeit(owner, "hist_lo_zeit"),
      hist_lo_user(owner, "hist_lo_user", 20)
{
  gueltig = JANEIN::JA;
}

BASE &BASE::operator=(const BASE &other)
{
  DBBindType::operator=(other);
  return *this;
}

std::string BASE::stamp_text(std::time_t when)
{
  std::tm t;
  localtime_r(&when, &t);
  return Tools::format("%d-%02d-%02d %02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour,
                       t.tm_min, t.tm_sec);
}

// ---- GRP_UST ----

GRP_UST::GRP_UST()
    : BASE("GRP_UST", this), name(this, "name", 20), bezeichnung(this, "bezeichnung", 50),
      bezeichnung2(this, "bezeichnung2", 50), ust(this, "ust")
{
  indexes.push_back(Index{"uq_GRP_UST_name", {"name"}, true});
}

GRP_UST::GRP_UST(const GRP_UST &other) : GRP_UST() { *this = other; }

GRP_UST &GRP_UST::operator=(const GRP_UST &other)
{
  BASE::operator=(other);
  return *this;
}

// ---- USER ----

USER::USER()
    : BASE("USER", this), login(this, "login", 20), vor_name(this, "vor_name", 20),
      nach_name(this, "nach_name", 20), passwd(this, "passwd", 20)
{
}

USER::USER(const USER &other) : USER() { *this = other; }

USER &USER::operator=(const USER &other)
{
  BASE::operator=(other);
  return *this;
}

// ---- ART ----

ART::ART()
    : BASE("ART", this), artnr(this, "artnr", 20), bezeichnung(this, "bezeichnung", 50),
      bezeichnung2(this, "bezeichnung2", 50), gruppe_ust(this, "gruppe_ust", 20),
      gruppe_ust_idx(this, "gruppe_ust_idx")
{
  add(new Forkey(*this, gruppe_ust_idx, "GRP_UST", "idx"));
  add(new Forkey(*this, gruppe_ust, "GRP_UST", "name"));
  indexes.push_back(Index{"uq_ART_artnr", {"artnr"}, true});
}

ART::ART(const ART &other) : ART() { *this = other; }

ART &ART::operator=(const ART &other)
{
  BASE::operator=(other);
  return *this;
}

// ---- PREIS ----

PREIS::PREIS()
    : BASE("PREIS", this), art_artnr(this, "art_artnr", 20), art_idx(this, "art_idx"), preis(this, "preis"),
      bezeichnung(this, "bezeichnung", 50), bezeichnung2(this, "bezeichnung2", 50), gutschein(this, "gutschein"),
      menuepreis(this, "menuepreis")
{
  gutschein = JANEIN::NEIN;
  menuepreis = JANEIN::NEIN;
  add(new Forkey(*this, art_artnr, "ART", "artnr"));
  add(new Forkey(*this, art_idx, "ART", "idx"));
}

PREIS::PREIS(const PREIS &other) : PREIS() { *this = other; }

PREIS &PREIS::operator=(const PREIS &other)
{
  BASE::operator=(other);
  return *this;
}

// ---- GRP_ART ----

GRP_ART::GRP_ART()
    : DBBindType("GRP_ART"), Forkeys(), idx(this, "idx"), name(this, "name", 20),
      bezeichnung(this, "bezeichnung", 50), bezeichnung2(this, "bezeichnung2", 50),
      art_artnr(this, "art_artnr", 20), art_idx(this, "art_idx")
{
  add(new Forkey(*this, art_artnr, "ART", "artnr"));
  add(new Forkey(*this, art_idx, "ART", "idx"));
}

GRP_ART::GRP_ART(const GRP_ART &other) : GRP_ART() { *this = other; }

GRP_ART &GRP_ART::operator=(const GRP_ART &other)
{
  DBBindType::operator=(other);
  return *this;
}

// ---- LAYOUTK ----

LAYOUTK::LAYOUTK()
    : DBBindType("LAYOUTK"), idx(this, "idx"), name(this, "name", 20), width(this, "width"),
      height(this, "height"), color(this, "color")
{
}

LAYOUTK::LAYOUTK(const LAYOUTK &other) : LAYOUTK() { *this = other; }

LAYOUTK &LAYOUTK::operator=(const LAYOUTK &other)
{
  DBBindType::operator=(other);
  return *this;
}

// ---- LAYOUTP ----

LAYOUTP::LAYOUTP()
    : DBBindType("LAYOUTP"), Forkeys(), idx(this, "idx"), layout_idx(this, "layout_idx"),
      label_name(this, "label_name", 20), label_x(this, "label_x"), label_y(this, "label_y"),
      label_width(this, "label_width"), label_height(this, "label_height"), label_color(this, "label_color"),
      label_icon(this, "label_icon", 20)
{
  add(new Forkey(*this, layout_idx, "LAYOUTK", "idx"));
}

LAYOUTP::LAYOUTP(const LAYOUTP &other) : LAYOUTP() { *this = other; }

LAYOUTP &LAYOUTP::operator=(const LAYOUTP &other)
{
  DBBindType::operator=(other);
  Forkeys::operator=(other);
  return *this;
}

// ---- BONLINE ----

BONLINE::BONLINE()
    : BASE("BONLINE", this), user(this, "user", 20), user_idx(this, "user_idx"), artnr(this, "artnr", 20),
      artnr_idx(this, "artnr_idx"), bill_printed(this, "bill_printed"), bill_number(this, "bill_number", 20),
      layoutk_idx(this, "layoutk_idx"), layoutk_name(this, "layoutk_name", 20), layoutp_idx(this, "layoutp_idx"),
      layoutp_label_name(this, "layoutp_label_name", 20), tagesabschluss(this, "tagesabschluss"),
      abschl_zeit(this, "abschl_zeit"), abschl_user_idx(this, "abschl_user_idx"),
      abschl_user_name(this, "abschl_user_name", 20), storniert(this, "storniert"),
      storno_user(this, "storno_user", 256), storno_user_idx(this, "storno_user_idx"), anzahl(this, "anzahl"),
      preis_idx(this, "preis_idx"), preis(this, "preis"), bar_bezahlt(this, "bar_bezahlt"),
      sonst_bezahlt(this, "sonst_bezahlt"), sonst_art_name(this, "sonst_art_name", 20),
      sonst_art_idx(this, "sonst_art_idx"), bezahlt(this, "bezahlt")
{
  bill_printed = JANEIN::NEIN;
  tagesabschluss = JANEIN::NEIN;
  storniert = JANEIN::NEIN;
  bezahlt = JANEIN::NEIN;
  add(new Forkey(*this, user, "USER", "login"));
  add(new Forkey(*this, user_idx, "USER", "idx"));
  add(new Forkey(*this, layoutk_idx, "LAYOUTK", "idx"));
  add(new Forkey(*this, layoutk_name, "LAYOUTK", "name"));
  add(new Forkey(*this, layoutp_idx, "LAYOUTP", "idx"));
  add(new Forkey(*this, layoutp_label_name, "LAYOUTP", "label_name"));
  indexes.push_back(Index{"idx_BONLINE_open", {"storniert", "bezahlt", "layoutk_idx", "layoutp_idx"}});
}

BONLINE::BONLINE(const BONLINE &other) : BONLINE() { *this = other; }

BONLINE &BONLINE::operator=(const BONLINE &other)
{
  BASE::operator=(other);
  return *this;
}

// ---- SONST_ART ----

SONST_ART::SONST_ART()
    : BASE("SONST_ART", this), name(this, "name", 20), bezeichnung(this, "bezeichnung", 50),
      bezeichnung2(this, "bezeichnung2", 50), wert(this, "wert")
{
  indexes.push_back(Index{"uq_SONST_ART_name", {"name"}, true});
}

SONST_ART::SONST_ART(const SONST_ART &other) : SONST_ART() { *this = other; }

SONST_ART &SONST_ART::operator=(const SONST_ART &other)
{
  BASE::operator=(other);
  return *this;
}

// ---- LANG ----

LANG::LANG()
    : DBBindType("LANG"), TableType(MYISAM), idx(this, "idx"), system(this, "system", 10),
      type(this, "type", 20), orig(this, "orig", 100), trans(this, "trans", 100)
{
}

LANG::LANG(const LANG &other) : LANG() { *this = other; }

LANG &LANG::operator=(const LANG &other)
{
  DBBindType::operator=(other);
  TableType::operator=(other);
  return *this;
}

std::vector<RowReference> references_to(const std::string &table, const std::string &key_column)
{
  std::vector<RowReference> found;
  each_record([&](Tools::DBBindType *record) {
    const Forkeys *keys = dynamic_cast<const Forkeys *>(record);
    if (!keys)
      return;
    for (const Tools::Ref<Forkey> &by_idx : keys->keys) {
      if (by_idx->ref_table != table || by_idx->ref_column != "idx")
        continue;
      RowReference reference{record->get_name(), by_idx->column, std::string()};
      for (const Tools::Ref<Forkey> &by_key : keys->keys)
        if (by_key->ref_table == table && by_key->ref_column == key_column)
          reference.key_column = by_key->column;
      found.push_back(reference);
    }
  });
  return found;
}
