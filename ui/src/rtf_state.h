#pragma once

#include <QColor>
#include <QFont>
#include <QList>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <map>
#include <string_view>
#include <vector>

namespace sievra::rtf {

// Where the text of a group goes.
enum class Destination { Text, Skip, FontTable, ColorTable };

// What a known control word does.
enum class Word {
  Paragraph,
  Character,
  Unicode,
  UnicodeSkip,
  CodePage,
  DefaultFont,
  FontTable,
  ColorTable,
  SkipDestination,
  ParagraphDefaults,
  CharacterDefaults,
  Bold,
  Italic,
  Underline,
  UnderlineNone,
  Strike,
  Font,
  FontSize,
  Foreground,
  Background,
  Superscript,
  Subscript,
  NoSuperSub,
  AlignLeft,
  AlignCenter,
  AlignRight,
  AlignJustify,
  LeftIndent,
  RightIndent,
  FirstIndent,
  SpaceBefore,
  SpaceAfter,
  TabStop,
};

struct WordAction {
  Word word;
  char16_t character = 0;  // for Word::Character
};

// The known control word, or null for one this reader ignores.
const WordAction* FindWord(std::string_view word);

// The style hint of a font-family word (\froman, \fswiss, ...); AnyStyle for others.
QFont::StyleHint FontFamilyHint(std::string_view word);

// Windows-1252, the usual \ansicpg, to Unicode.
char16_t Windows1252(unsigned char byte);

struct FontEntry {
  QString name;
  QFont::StyleHint hint = QFont::AnyStyle;
};

// The document's font and colour tables.
struct Tables {
  std::map<int, FontEntry> fonts;
  std::vector<QColor> colors;  // index 0 is usually "auto", an invalid colour
  int defaultFont = 0;
};

// Character properties; \plain restores these defaults.
struct CharacterProperties {
  bool bold = false, italic = false, underline = false, strike = false;
  int font = -1;  // -1: the default font
  int halfPoints = 24;
  int foreground = 0, background = 0;
  QTextCharFormat::VerticalAlignment verticalAlignment = QTextCharFormat::AlignNormal;
};

// Paragraph properties in twips; \pard restores these defaults.
struct ParagraphProperties {
  Qt::Alignment alignment = Qt::AlignLeft;
  int leftIndent = 0, rightIndent = 0, firstIndent = 0, spaceBefore = 0, spaceAfter = 0;
  QList<int> tabStops;
};

// The properties a group carries; a closing brace restores the enclosing ones.
struct GroupState {
  Destination destination = Destination::Text;
  int unicodeSkip = 1;
  CharacterProperties character;
  ParagraphProperties paragraph;

  // Applies a formatting word; a toggle word without parameter switches it on.
  void Apply(Word word, bool hasParam, int param);
  QTextCharFormat CharFormat(const Tables& tables) const;
  QTextBlockFormat BlockFormat() const;
};

}  // namespace sievra::rtf
