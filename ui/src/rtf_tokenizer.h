#pragma once

#include <QByteArrayView>
#include <string_view>

namespace sievra::rtf {

enum class TokenKind { GroupOpen, GroupClose, Word, Symbol, Byte, End };

// One lexical element of RTF. A \'hh escape arrives as a Byte, like a literal one.
struct Token {
  TokenKind kind = TokenKind::End;
  std::string_view word;  // control word without backslash, at most kMaxWordLength letters
  bool hasParam = false;
  int param = 0;            // clamped to +-kMaxParam
  unsigned char value = 0;  // Symbol: the character after '\'; Byte: the byte
};

inline constexpr int kMaxWordLength = 32;
inline constexpr int kMaxParam = 999'999'999;

// Splits RTF bytes into tokens. Never reads past the end: a truncated escape
// becomes whatever part of it is there.
class Tokenizer {
 public:
  explicit Tokenizer(QByteArrayView input) : input_(input) {}
  Token Next();
  // Steps over raw data (the payload of \bin), as much as there is.
  void Skip(qint64 bytes);

 private:
  Token ControlWord();
  Token HexByte();

  QByteArrayView input_;
  qsizetype pos_ = 0;
};

}  // namespace sievra::rtf
