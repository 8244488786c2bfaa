#include "rtf_state.h"

#include <algorithm>
#include <array>
#include <unordered_map>

#include "sievra/ui/twips.h"

namespace sievra::rtf {

namespace {
constexpr int kMaxIndentTwips = 31680;  // 22 inches, the widest page RTF knows
constexpr int kMaxHalfPoints = 3276;
constexpr qsizetype kMaxTabStops = 64;

int Twips(int param) { return std::clamp(param, -kMaxIndentTwips, kMaxIndentTwips); }
bool Toggle(bool hasParam, int param) { return !hasParam || param != 0; }

const std::unordered_map<std::string_view, WordAction>& Words() {
  static const std::unordered_map<std::string_view, WordAction> words = {
      {"par", {Word::Paragraph}},
      {"sect", {Word::Paragraph}},
      {"page", {Word::Paragraph}},
      {"row", {Word::Paragraph}},
      {"line", {Word::Character, 0x2028}},
      {"tab", {Word::Character, '\t'}},
      {"cell", {Word::Character, '\t'}},
      {"bullet", {Word::Character, 0x2022}},
      {"endash", {Word::Character, 0x2013}},
      {"emdash", {Word::Character, 0x2014}},
      {"lquote", {Word::Character, 0x2018}},
      {"rquote", {Word::Character, 0x2019}},
      {"ldblquote", {Word::Character, 0x201C}},
      {"rdblquote", {Word::Character, 0x201D}},
      {"emspace", {Word::Character, 0x2003}},
      {"enspace", {Word::Character, 0x2002}},
      {"qmspace", {Word::Character, 0x2005}},
      {"u", {Word::Unicode}},
      {"uc", {Word::UnicodeSkip}},
      {"ansicpg", {Word::CodePage}},
      {"deff", {Word::DefaultFont}},
      {"fonttbl", {Word::FontTable}},
      {"colortbl", {Word::ColorTable}},
      {"pard", {Word::ParagraphDefaults}},
      {"plain", {Word::CharacterDefaults}},
      {"b", {Word::Bold}},
      {"i", {Word::Italic}},
      {"ul", {Word::Underline}},
      {"ulnone", {Word::UnderlineNone}},
      {"strike", {Word::Strike}},
      {"striked", {Word::Strike}},
      {"f", {Word::Font}},
      {"fs", {Word::FontSize}},
      {"cf", {Word::Foreground}},
      {"cb", {Word::Background}},
      {"highlight", {Word::Background}},
      {"super", {Word::Superscript}},
      {"sub", {Word::Subscript}},
      {"nosupersub", {Word::NoSuperSub}},
      {"ql", {Word::AlignLeft}},
      {"qc", {Word::AlignCenter}},
      {"qr", {Word::AlignRight}},
      {"qj", {Word::AlignJustify}},
      {"li", {Word::LeftIndent}},
      {"ri", {Word::RightIndent}},
      {"fi", {Word::FirstIndent}},
      {"sb", {Word::SpaceBefore}},
      {"sa", {Word::SpaceAfter}},
      {"tx", {Word::TabStop}},
      // Destinations whose content is not text to show.
      {"pict", {Word::SkipDestination}},
      {"info", {Word::SkipDestination}},
      {"stylesheet", {Word::SkipDestination}},
      {"header", {Word::SkipDestination}},
      {"headerl", {Word::SkipDestination}},
      {"headerr", {Word::SkipDestination}},
      {"headerf", {Word::SkipDestination}},
      {"footer", {Word::SkipDestination}},
      {"footerl", {Word::SkipDestination}},
      {"footerr", {Word::SkipDestination}},
      {"footerf", {Word::SkipDestination}},
      {"footnote", {Word::SkipDestination}},
      {"annotation", {Word::SkipDestination}},
      {"object", {Word::SkipDestination}},
      {"fldinst", {Word::SkipDestination}},
      {"listtable", {Word::SkipDestination}},
      {"listoverridetable", {Word::SkipDestination}},
      {"revtbl", {Word::SkipDestination}},
      {"rsidtbl", {Word::SkipDestination}},
      {"filetbl", {Word::SkipDestination}},
      {"nonshppict", {Word::SkipDestination}},
      {"pn", {Word::SkipDestination}},
      {"xe", {Word::SkipDestination}},
      {"tc", {Word::SkipDestination}},
      {"bkmkstart", {Word::SkipDestination}},
      {"bkmkend", {Word::SkipDestination}},
  };
  return words;
}
}  // namespace

const WordAction* FindWord(std::string_view word) {
  // Every underline style (\uld, \ulw, \ulwave, ...) shows as a plain underline;
  // \ulc is the underline's colour, not a style.
  static const WordAction underline{Word::Underline};
  if (word.size() > 2 && word.substr(0, 2) == "ul" && word != "ulnone" && word != "ulc")
    return &underline;
  const auto& words = Words();
  const auto it = words.find(word);
  return it == words.end() ? nullptr : &it->second;
}

QFont::StyleHint FontFamilyHint(std::string_view word) {
  if (word == "froman") return QFont::Serif;
  if (word == "fswiss") return QFont::SansSerif;
  if (word == "fmodern") return QFont::Monospace;
  if (word == "fscript") return QFont::Cursive;
  if (word == "fdecor") return QFont::Decorative;
  return QFont::AnyStyle;
}

char16_t Windows1252(unsigned char byte) {
  // 0x80 to 0x9F; the five unassigned bytes keep their C1 code.
  static constexpr std::array<char16_t, 32> high = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  return byte >= 0x80 && byte <= 0x9F ? high[byte - 0x80] : char16_t(byte);
}

void GroupState::Apply(Word word, bool hasParam, int param) {
  CharacterProperties& c = character;
  ParagraphProperties& p = paragraph;
  switch (word) {
    case Word::UnicodeSkip:
      unicodeSkip = std::clamp(param, 0, 16);
      break;
    case Word::ParagraphDefaults:
      p = {};
      break;
    case Word::CharacterDefaults:
      c = {};
      break;
    case Word::Bold:
      c.bold = Toggle(hasParam, param);
      break;
    case Word::Italic:
      c.italic = Toggle(hasParam, param);
      break;
    case Word::Underline:
      c.underline = Toggle(hasParam, param);
      break;
    case Word::UnderlineNone:
      c.underline = false;
      break;
    case Word::Strike:
      c.strike = Toggle(hasParam, param);
      break;
    case Word::Font:
      c.font = param;
      break;
    case Word::FontSize:
      c.halfPoints = param > 0 ? std::min(param, kMaxHalfPoints) : 24;
      break;
    case Word::Foreground:
      c.foreground = param;
      break;
    case Word::Background:
      c.background = param;
      break;
    case Word::Superscript:
      c.verticalAlignment = QTextCharFormat::AlignSuperScript;
      break;
    case Word::Subscript:
      c.verticalAlignment = QTextCharFormat::AlignSubScript;
      break;
    case Word::NoSuperSub:
      c.verticalAlignment = QTextCharFormat::AlignNormal;
      break;
    case Word::AlignLeft:
      p.alignment = Qt::AlignLeft;
      break;
    case Word::AlignCenter:
      p.alignment = Qt::AlignHCenter;
      break;
    case Word::AlignRight:
      p.alignment = Qt::AlignRight;
      break;
    case Word::AlignJustify:
      p.alignment = Qt::AlignJustify;
      break;
    case Word::LeftIndent:
      p.leftIndent = Twips(param);
      break;
    case Word::RightIndent:
      p.rightIndent = Twips(param);
      break;
    case Word::FirstIndent:
      p.firstIndent = Twips(param);
      break;
    case Word::SpaceBefore:
      p.spaceBefore = Twips(param);
      break;
    case Word::SpaceAfter:
      p.spaceAfter = Twips(param);
      break;
    case Word::TabStop:
      if (p.tabStops.size() < kMaxTabStops) p.tabStops.append(Twips(param));
      break;
    default:
      break;
  }
}

QTextCharFormat GroupState::CharFormat(const Tables& tables) const {
  const CharacterProperties& c = character;
  QTextCharFormat format;
  format.setFontWeight(c.bold ? QFont::Bold : QFont::Normal);
  format.setFontItalic(c.italic);
  format.setFontUnderline(c.underline);
  format.setFontStrikeOut(c.strike);
  format.setFontPointSize(c.halfPoints / 2.0);
  format.setVerticalAlignment(c.verticalAlignment);
  const auto font_it = tables.fonts.find(c.font >= 0 ? c.font : tables.defaultFont);
  if (font_it != tables.fonts.end() && !font_it->second.name.isEmpty()) {
    format.setFontFamilies(QStringList{font_it->second.name});
    format.setFontStyleHint(font_it->second.hint);
  }
  const auto color = [&tables](int index) {
    return index > 0 && static_cast<std::size_t>(index) < tables.colors.size()
               ? tables.colors[static_cast<std::size_t>(index)]
               : QColor();
  };
  if (const QColor fg = color(c.foreground); fg.isValid()) format.setForeground(fg);
  if (const QColor bg = color(c.background); bg.isValid()) format.setBackground(bg);
  return format;
}

QTextBlockFormat GroupState::BlockFormat() const {
  const ParagraphProperties& p = paragraph;
  QTextBlockFormat format;
  format.setAlignment(p.alignment);
  format.setLeftMargin(p.leftIndent / kTwipsPerPixel);
  format.setRightMargin(p.rightIndent / kTwipsPerPixel);
  format.setTextIndent(p.firstIndent / kTwipsPerPixel);
  format.setTopMargin(p.spaceBefore / kTwipsPerPixel);
  format.setBottomMargin(p.spaceAfter / kTwipsPerPixel);
  // RTF measures tab stops from the left margin; Qt from where the line starts,
  // which for the first line is the indent plus the first-line indent.
  const int firstLineStart = p.leftIndent + p.firstIndent;
  QList<QTextOption::Tab> tabs;
  for (int stop : p.tabStops) {
    if (stop > firstLineStart)
      tabs.append(QTextOption::Tab((stop - firstLineStart) / kTwipsPerPixel, QTextOption::LeftTab));
  }
  // A hanging indent without tab stops: the first tab goes to the indent, as in word processors.
  if (tabs.isEmpty() && p.firstIndent < 0)
    tabs.append(QTextOption::Tab(-p.firstIndent / kTwipsPerPixel, QTextOption::LeftTab));
  if (!tabs.isEmpty()) format.setTabPositions(tabs);
  return format;
}

}  // namespace sievra::rtf
