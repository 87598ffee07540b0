#ifndef KORVAN_SCHEMA_TABLES_H
#define KORVAN_SCHEMA_TABLES_H

// The database schema, declared in code: one record class per table, named
// as the table. Each column member registers with its record as it is
// built, so the order of the members below is the column order everywhere
// (create script, column lists, INSERT and UPDATE, binding of results).
// Foreign keys and storage engines are read only by the create script.
//
// Records copy by assignment, column by column through the columns' text;
// the copy constructors build a fresh record and assign.

#include <ctime>
#include <string>
#include <vector>

#include "tools/core/ref.h"
#include "tools/dbi/dbbindtype.h"
#include "tools/dbi/dbtype.h"

// One foreign key: table.column -> ref_table.ref_column.
class Forkey
{
public:
  std::string table;
  std::string column;
  std::string ref_table;
  std::string ref_column;

  Forkey(const Tools::DBBindType &owner, const Tools::DBType &column, const std::string &ref_table,
         const std::string &ref_column);
  virtual ~Forkey();
};

class Forkeys
{
public:
  std::vector<Tools::Ref<Forkey> > keys;

  Forkeys() = default;
  Forkeys(const Forkeys &) = default;
  Forkeys &operator=(const Forkeys &other) = default;
  // Takes ownership.
  void add(Forkey *key) { keys.push_back(Tools::Ref<Forkey>(key)); }
};

// The storage engine: 0 MYISAM, 1 INNODB.
class TableType
{
public:
  enum { MYISAM = 0, INNODB = 1 };
  int engine;

  explicit TableType(int engine) : engine(engine) {}
  TableType(const TableType &) = default;
  TableType &operator=(const TableType &) = default;
  virtual ~TableType();
};

// Indexes of a table beside its keys, each a name and its columns in
// order. The create script declares them inside the table's CREATE TABLE.
// A unique one is a key that the database keeps: two stations cannot
// store the same one, however close together they save.
class TableIndexes
{
public:
  struct Index
  {
    std::string name;
    std::vector<std::string> columns;
    bool unique = false;
  };
  std::vector<Index> indexes;
};

// Key, validity and history of the tables that keep them.
class BASE : public Tools::DBBindType, public TableType, public Forkeys
{
public:
  Tools::DBTypeInt idx;
  Tools::DBTypeJaNein gueltig;
  Tools::DBTypeDateTime gueltig_von;
  Tools::DBTypeDateTime gueltig_bis;
  Tools::DBTypeDateTime hist_an_zeit;
  Tools::DBTypeVarChar hist_an_user;
  Tools::DBTypeDateTime hist_ae_zeit;
  Tools::DBTypeVarChar hist_ae_user;
  Tools::DBTypeDateTime hist_lo_zeit;
  Tools::DBTypeVarChar hist_lo_user;

  BASE(const std::string &table, Tools::DBBindType *owner);
  BASE &operator=(const BASE &other);

  // The text of a history stamp for a point in time, in local time
  // ("2008-03-07 09:05:00").
  static std::string stamp_text(std::time_t when);
};

// A VAT group; its name is a key.
class GRP_UST : public BASE, public TableIndexes
{
public:
  Tools::DBTypeVarChar name;
  Tools::DBTypeVarChar bezeichnung;
  Tools::DBTypeVarChar bezeichnung2;
  Tools::DBTypeDouble ust;

  GRP_UST();
  GRP_UST(const GRP_UST &other);
  GRP_UST &operator=(const GRP_UST &other);
};

class USER : public BASE
{
public:
  Tools::DBTypeVarChar login;
  Tools::DBTypeVarChar vor_name;
  Tools::DBTypeVarChar nach_name;
  Tools::DBTypeVarChar passwd;

  USER();
  USER(const USER &other);
  USER &operator=(const USER &other);
};

// An article; its number is a key.
class ART : public BASE, public TableIndexes
{
public:
  Tools::DBTypeVarChar artnr;
  Tools::DBTypeVarChar bezeichnung;
  Tools::DBTypeVarChar bezeichnung2;
  Tools::DBTypeVarChar gruppe_ust;
  Tools::DBTypeInt gruppe_ust_idx;

  ART();
  ART(const ART &other);
  ART &operator=(const ART &other);
};

class PREIS : public BASE
{
public:
  Tools::DBTypeVarChar art_artnr;
  Tools::DBTypeInt art_idx;
  Tools::DBTypeDouble preis;
  Tools::DBTypeVarChar bezeichnung;
  Tools::DBTypeVarChar bezeichnung2;
  Tools::DBTypeJaNein gutschein;
  Tools::DBTypeJaNein menuepreis;

  PREIS();
  PREIS(const PREIS &other);
  PREIS &operator=(const PREIS &other);
};

// One row per member article of the group of that name.
class GRP_ART : public Tools::DBBindType, public Forkeys
{
public:
  Tools::DBTypeInt idx;
  Tools::DBTypeVarChar name;
  Tools::DBTypeVarChar bezeichnung;
  Tools::DBTypeVarChar bezeichnung2;
  Tools::DBTypeVarChar art_artnr;
  Tools::DBTypeInt art_idx;

  GRP_ART();
  GRP_ART(const GRP_ART &other);
  GRP_ART &operator=(const GRP_ART &other);
};

// A room.
class LAYOUTK : public Tools::DBBindType
{
public:
  Tools::DBTypeInt idx;
  Tools::DBTypeVarChar name;
  Tools::DBTypeInt width;
  Tools::DBTypeInt height;
  Tools::DBTypeInt color;

  LAYOUTK();
  LAYOUTK(const LAYOUTK &other);
  LAYOUTK &operator=(const LAYOUTK &other);
};

// A table or label placed in a room.
class LAYOUTP : public Tools::DBBindType, public Forkeys
{
public:
  Tools::DBTypeInt idx;
  Tools::DBTypeInt layout_idx;
  Tools::DBTypeVarChar label_name;
  Tools::DBTypeInt label_x;
  Tools::DBTypeInt label_y;
  Tools::DBTypeInt label_width;
  Tools::DBTypeInt label_height;
  Tools::DBTypeInt label_color;
  Tools::DBTypeVarChar label_icon;

  LAYOUTP();
  LAYOUTP(const LAYOUTP &other);
  LAYOUTP &operator=(const LAYOUTP &other);
};

// An order line. The open lines of the house, of a room and of a table
// are found through one index, without reading the paid and cancelled
// history.
class BONLINE : public BASE, public TableIndexes
{
public:
  Tools::DBTypeVarChar user;
  Tools::DBTypeInt user_idx;
  Tools::DBTypeVarChar artnr;
  Tools::DBTypeInt artnr_idx;
  Tools::DBTypeJaNein bill_printed;
  Tools::DBTypeVarChar bill_number;
  Tools::DBTypeInt layoutk_idx;
  Tools::DBTypeVarChar layoutk_name;
  Tools::DBTypeInt layoutp_idx;
  Tools::DBTypeVarChar layoutp_label_name;
  Tools::DBTypeJaNein tagesabschluss;
  Tools::DBTypeDateTime abschl_zeit;
  Tools::DBTypeInt abschl_user_idx;
  Tools::DBTypeVarChar abschl_user_name;
  Tools::DBTypeJaNein storniert;
  Tools::DBTypeVarChar storno_user;
  Tools::DBTypeInt storno_user_idx;
  Tools::DBTypeInt anzahl;
  Tools::DBTypeInt preis_idx;
  Tools::DBTypeDouble preis;
  Tools::DBTypeDouble bar_bezahlt;
  Tools::DBTypeDouble sonst_bezahlt;
  Tools::DBTypeVarChar sonst_art_name;
  Tools::DBTypeInt sonst_art_idx;
  Tools::DBTypeJaNein bezahlt;

  BONLINE();
  BONLINE(const BONLINE &other);
  BONLINE &operator=(const BONLINE &other);
};

// Another kind of payment; its name is a key.
class SONST_ART : public BASE, public TableIndexes
{
public:
  Tools::DBTypeVarChar name;
  Tools::DBTypeVarChar bezeichnung;
  Tools::DBTypeVarChar bezeichnung2;
  Tools::DBTypeDouble wert;

  SONST_ART();
  SONST_ART(const SONST_ART &other);
  SONST_ART &operator=(const SONST_ART &other);
};

// A translation of a user-interface text; MYISAM, so outside transactions.
class LANG : public Tools::DBBindType, public TableType
{
public:
  Tools::DBTypeInt idx;
  Tools::DBTypeVarChar system;
  Tools::DBTypeVarChar type;
  Tools::DBTypeVarChar orig;
  Tools::DBTypeVarChar trans;

  LANG();
  LANG(const LANG &other);
  LANG &operator=(const LANG &other);
};

// Calls f with a record of every table, in the order of the create script.
template <class F> void each_record(F f)
{
  GRP_UST grp_ust;
  USER user;
  ART art;
  GRP_ART grp_art;
  LAYOUTK layoutk;
  LAYOUTP layoutp;
  BONLINE bonline;
  PREIS preis;
  SONST_ART sonst_art;
  LANG lang;
  Tools::DBBindType *records[] = {&grp_ust, &user,   &art,   &grp_art,   &layoutk,
                                  &layoutp, &bonline, &preis, &sonst_art, &lang};
  for (Tools::DBBindType *record : records)
    f(record);
}

// A foreign key that holds a row's idx (in `idx_column` of `table`), with
// the column beside it that holds the same row's key, where the table has
// one: ART's group by gruppe_ust_idx and gruppe_ust, say. The key column's
// foreign key sees every row stored under that key (the keys compare
// without case and trailing blanks), not the one row that idx names.
struct RowReference
{
  std::string table;
  std::string idx_column;
  std::string key_column; // empty when only the idx is held
};
// Every foreign key to a row of `table` by its idx, with the column of the
// key `key_column` beside it.
std::vector<RowReference> references_to(const std::string &table, const std::string &key_column);

#endif
