#include "sievra/ui/rtf_reader.h"

#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <map>
#include <vector>

#include "rtf_state.h"
#include "rtf_tokenizer.h"

namespace sievra {

namespace {
using rtf::Token;
using rtf::TokenKind;

// Deeper groups are stepped over: no help document nests this far.
constexpr std::size_t kMaxGroupDepth = 128;
constexpr std::size_t kMaxTableEntries = 4096;
constexpr qsizetype kMaxFontNameLength = 256;

bool LooksLikeRtf(QByteArrayView bytes) {
  QByteArrayView rest = bytes;
  if (rest.startsWith("\xEF\xBB\xBF")) rest = rest.sliced(3);
  while (!rest.isEmpty() && (rest.front() == ' ' || rest.front() == '\t' || rest.front() == '\r' ||
                             rest.front() == '\n'))
    rest = rest.sliced(1);
  return rest.startsWith("{\\rtf");
}

class RtfReader {
 public:
  RtfReader(QByteArrayView input, QTextDocument& document) : tokens_(input), cursor_(&document) {}
  void Run();

 private:
  void OnGroupOpen();
  void OnGroupClose();
  void OnWord(const Token& token);
  void OnTextWord(const rtf::WordAction& action, const Token& token);
  void OnSymbol(unsigned char symbol);
  void OnByte(unsigned char byte);
  void OnFontTableWord(const Token& token);
  void OnColorTableWord(const Token& token);
  void OnTableByte(unsigned char byte);
  void Emit(const QString& text);
  void Flush();
  void EndParagraph();
  void Finish();
  QString Decode(unsigned char byte);

  rtf::Tokenizer tokens_;
  QTextCursor cursor_;
  std::vector<rtf::GroupState> stack_;
  rtf::GroupState state_;
  std::size_t overflow_ = 0;  // groups opened beyond kMaxGroupDepth and not yet closed
  rtf::Tables tables_;
  QString pending_;
  QTextCharFormat pendingFormat_;
  QTextCharFormat currentFormat_;
  bool formatChanged_ = true;  // currentFormat_ must be built again from state_
  int fallbackToSkip_ = 0;     // characters after \uN that stand in for it
  int fontBeingRead_ = -1;
  QByteArray fontName_;
  int red_ = 0, green_ = 0, blue_ = 0;
  bool colorSet_ = false;
  int codePage_ = 1252;
  QStringDecoder utf8_{QStringDecoder::Utf8};
};

void RtfReader::Run() {
  cursor_.beginEditBlock();
  for (Token token = tokens_.Next(); token.kind != TokenKind::End; token = tokens_.Next()) {
    if (token.kind == TokenKind::GroupOpen) {
      OnGroupOpen();
    } else if (token.kind == TokenKind::GroupClose) {
      OnGroupClose();
    } else if (overflow_ > 0) {
      if (token.kind == TokenKind::Word && token.word == "bin") tokens_.Skip(token.param);
    } else if (token.kind == TokenKind::Word) {
      OnWord(token);
    } else if (token.kind == TokenKind::Symbol) {
      OnSymbol(token.value);
    } else {
      OnByte(token.value);
    }
  }
  Finish();
  cursor_.endEditBlock();
}

void RtfReader::OnGroupOpen() {
  fallbackToSkip_ = 0;
  if (overflow_ > 0 || stack_.size() >= kMaxGroupDepth) {
    ++overflow_;
    return;
  }
  stack_.push_back(state_);
}

void RtfReader::OnGroupClose() {
  fallbackToSkip_ = 0;
  if (overflow_ > 0) {
    --overflow_;
    return;
  }
  if (state_.destination == rtf::Destination::FontTable && !fontName_.isEmpty()) OnTableByte(';');
  if (stack_.empty()) return;  // an unbalanced '}' closes nothing
  state_ = stack_.back();
  stack_.pop_back();
  formatChanged_ = true;
}

void RtfReader::OnWord(const Token& token) {
  if (token.word == "bin") {  // raw data may hold braces: step over it in any destination
    tokens_.Skip(token.param);
    return;
  }
  if (fallbackToSkip_ > 0) {
    --fallbackToSkip_;
    return;
  }
  switch (state_.destination) {
    case rtf::Destination::Skip:
      return;
    case rtf::Destination::FontTable:
      OnFontTableWord(token);
      return;
    case rtf::Destination::ColorTable:
      OnColorTableWord(token);
      return;
    case rtf::Destination::Text:
      break;
  }
  if (const rtf::WordAction* action = rtf::FindWord(token.word)) OnTextWord(*action, token);
}

void RtfReader::OnTextWord(const rtf::WordAction& action, const Token& token) {
  using rtf::Word;
  switch (action.word) {
    case Word::Paragraph:
      EndParagraph();
      return;
    case Word::Character:
      Emit(QString(QChar(action.character)));
      return;
    case Word::Unicode: {
      const int unit = token.param < 0 ? token.param + 65536 : token.param;
      Emit(QString(QChar(unit >= 0 && unit <= 0xFFFF ? char16_t(unit) : char16_t(0xFFFD))));
      fallbackToSkip_ = state_.unicodeSkip;
      return;
    }
    case Word::CodePage:
      codePage_ = token.param;
      return;
    case Word::DefaultFont:
      tables_.defaultFont = token.param;
      return;
    case Word::FontTable:
      state_.destination = rtf::Destination::FontTable;
      return;
    case Word::ColorTable:
      state_.destination = rtf::Destination::ColorTable;
      colorSet_ = false;
      return;
    case Word::SkipDestination:
      state_.destination = rtf::Destination::Skip;
      return;
    default:
      state_.Apply(action.word, token.hasParam, token.param);
      formatChanged_ = true;
      return;
  }
}

void RtfReader::OnSymbol(unsigned char symbol) {
  if (symbol == '*') {  // an optional destination: this reader knows none of them
    state_.destination = rtf::Destination::Skip;
    return;
  }
  if (fallbackToSkip_ > 0) {
    --fallbackToSkip_;
    return;
  }
  if (state_.destination != rtf::Destination::Text) return;
  switch (symbol) {
    case '\\':
    case '{':
    case '}':
      Emit(QString(QChar(symbol)));
      return;
    case '~':
      Emit(QString(QChar(0x00A0)));
      return;
    case '-':
      Emit(QString(QChar(0x00AD)));
      return;
    case '_':
      Emit(QString(QChar(0x2011)));
      return;
    case '\t':
      Emit(QStringLiteral("\t"));
      return;
    case '\r':
    case '\n':
      EndParagraph();
      return;
    default:
      return;
  }
}

void RtfReader::OnByte(unsigned char byte) {
  if (state_.destination == rtf::Destination::FontTable ||
      state_.destination == rtf::Destination::ColorTable) {
    OnTableByte(byte);
    return;
  }
  if (state_.destination != rtf::Destination::Text) return;
  if (byte == '\r' || byte == '\n') return;  // line ends in RTF source are not text
  if (fallbackToSkip_ > 0) {
    --fallbackToSkip_;
    return;
  }
  if (byte == '\t') {
    Emit(QStringLiteral("\t"));
  } else if (byte >= 0x20) {
    Emit(Decode(byte));
  }
}

void RtfReader::OnFontTableWord(const Token& token) {
  if (token.word == "f") {
    fontBeingRead_ = token.param;
    fontName_.clear();
  } else if (fontBeingRead_ >= 0) {
    const QFont::StyleHint hint = rtf::FontFamilyHint(token.word);
    const bool room =
        tables_.fonts.size() < kMaxTableEntries || tables_.fonts.count(fontBeingRead_);
    if (hint != QFont::AnyStyle && room) tables_.fonts[fontBeingRead_].hint = hint;
  }
}

void RtfReader::OnColorTableWord(const Token& token) {
  const int value = std::clamp(token.param, 0, 255);
  if (token.word == "red")
    red_ = value;
  else if (token.word == "green")
    green_ = value;
  else if (token.word == "blue")
    blue_ = value;
  else
    return;
  colorSet_ = true;
}

// Font names and colour entries both end at ';'.
void RtfReader::OnTableByte(unsigned char byte) {
  if (state_.destination == rtf::Destination::ColorTable) {
    if (byte != ';' || tables_.colors.size() >= kMaxTableEntries) return;
    tables_.colors.push_back(colorSet_ ? QColor(red_, green_, blue_) : QColor());
    formatChanged_ = true;
    red_ = green_ = blue_ = 0;
    colorSet_ = false;
    return;
  }
  if (fontBeingRead_ < 0) return;
  if (byte != ';') {
    if (byte >= 0x20 && fontName_.size() < kMaxFontNameLength) fontName_.append(char(byte));
    return;
  }
  if (tables_.fonts.size() < kMaxTableEntries || tables_.fonts.count(fontBeingRead_))
    tables_.fonts[fontBeingRead_].name = QString::fromLatin1(fontName_).trimmed();
  formatChanged_ = true;
  fontName_.clear();
  fontBeingRead_ = -1;
}

QString RtfReader::Decode(unsigned char byte) {
  if (codePage_ == 65001) return utf8_(QByteArrayView(reinterpret_cast<const char*>(&byte), 1));
  if (codePage_ == 1252) return QString(QChar(rtf::Windows1252(byte)));
  return QString(QChar(byte));  // other code pages: their ASCII half is right at least
}

void RtfReader::Emit(const QString& text) {
  if (text.isEmpty()) return;
  if (formatChanged_) {
    currentFormat_ = state_.CharFormat(tables_);
    formatChanged_ = false;
  }
  if (currentFormat_ != pendingFormat_) {
    Flush();
    pendingFormat_ = currentFormat_;
  }
  pending_ += text;
}

void RtfReader::Flush() {
  if (pending_.isEmpty()) return;
  cursor_.insertText(pending_, pendingFormat_);
  pending_.clear();
}

void RtfReader::EndParagraph() {
  Flush();
  cursor_.setBlockFormat(state_.BlockFormat());
  // An empty paragraph takes its height from the block's own character format.
  if (cursor_.block().length() <= 1) cursor_.setBlockCharFormat(state_.CharFormat(tables_));
  cursor_.insertBlock();
}

void RtfReader::Finish() {
  Flush();
  // The customary "\par}" at the end would otherwise leave an empty last line.
  if (cursor_.block().length() <= 1 && cursor_.blockNumber() > 0) {
    cursor_.deletePreviousChar();
    return;
  }
  cursor_.setBlockFormat(state_.BlockFormat());
}

}  // namespace

void ReadRtf(QByteArrayView rtf, QTextDocument& document) {
  document.clear();
  document.setUndoRedoEnabled(false);
  if (!LooksLikeRtf(rtf)) {
    QString text = QString::fromLocal8Bit(rtf);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    document.setPlainText(text);
    return;
  }
  RtfReader(rtf, document).Run();
}

}  // namespace sievra
