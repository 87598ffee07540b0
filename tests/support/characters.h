#ifndef KORVAN_TESTS_SUPPORT_CHARACTERS_H
#define KORVAN_TESTS_SUPPORT_CHARACTERS_H

// Characters that make two names look alike, one table for every test of
// names: the string helpers, a room, a table, a master-data key. Header
// only: the helpers' tests link no support library.

namespace korvan_test {

struct LookAlike
{
  const char *text;  // UTF-8
  const char *shown; // as a refusal writes it; null: no refusal
  bool white;        // white space: trimmed at either end of a name
};

// Each shows nothing or is drawn as a blank without being white space, and
// a new name may not hold it. The line separator is white space as a line
// end is: trimmed at the ends, refused inside. The spaces are trimmed, and
// count as one blank inside a name.
inline const LookAlike LOOK_ALIKES[] = {
    {"\xd8\x9c", "<U+061C>", false},     // Arabic letter mark: a direction mark
    {"\xcd\x8f", "<U+034F>", false},     // combining grapheme joiner
    {"\xef\xb8\x8f", "<U+FE0F>", false}, // variation selector
    {"\xe1\xa0\x8b", "<U+180B>", false}, // Mongolian free variation selector
    {"\xef\xbf\xbb", "<U+FFFB>", false}, // interlinear annotation terminator
    {"\xe1\x85\x9f", "<U+115F>", false}, // Hangul choseong filler
    {"\xe3\x85\xa4", "<U+3164>", false}, // Hangul filler
    {"\xef\xbe\xa0", "<U+FFA0>", false}, // halfwidth Hangul filler
    {"\xe2\xa0\x80", "<U+2800>", false}, // braille pattern blank
    {"\xe2\x80\xa8", "<U+2028>", true},  // line separator
    {"\xee\x80\x80", "<U+E000>", false}, // private use
    {"\xcd\xb8", "<U+0378>", false},     // unassigned
    {"\xc2\x9b", "<U+009B>", false},     // a C1 control
    {"\xe2\x80\xae", "<U+202E>", false}, // right-to-left override
    {"\xc2\xa0", nullptr, true},         // no-break space
    {"\xe2\x80\x83", nullptr, true},     // em space
};

} // namespace korvan_test

#endif
