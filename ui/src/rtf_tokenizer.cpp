#include "rtf_tokenizer.h"

#include <algorithm>

namespace sievra::rtf {

namespace {
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
Token Simple(TokenKind kind, unsigned char value = 0) {
  Token token;
  token.kind = kind;
  token.value = value;
  return token;
}
}  // namespace

Token Tokenizer::Next() {
  if (pos_ >= input_.size()) return {};
  const char c = input_[pos_++];
  if (c == '{') return Simple(TokenKind::GroupOpen);
  if (c == '}') return Simple(TokenKind::GroupClose);
  if (c != '\\') return Simple(TokenKind::Byte, static_cast<unsigned char>(c));
  if (pos_ >= input_.size()) return {};
  const char next = input_[pos_];
  if (IsLetter(next)) return ControlWord();
  ++pos_;
  if (next == '\'') return HexByte();
  return Simple(TokenKind::Symbol, static_cast<unsigned char>(next));
}

Token Tokenizer::ControlWord() {
  const qsizetype start = pos_;
  while (pos_ < input_.size() && IsLetter(input_[pos_])) ++pos_;
  const auto length = static_cast<std::size_t>(std::min<qsizetype>(pos_ - start, kMaxWordLength));
  Token token = Simple(TokenKind::Word);
  token.word = std::string_view(input_.data() + start, length);
  bool negative = false;
  if (pos_ + 1 < input_.size() && input_[pos_] == '-' && IsDigit(input_[pos_ + 1])) {
    negative = true;
    ++pos_;
  }
  long long value = 0;
  while (pos_ < input_.size() && IsDigit(input_[pos_])) {
    token.hasParam = true;
    // Digits beyond the limit are read and dropped, so the number stays bounded.
    value = std::min<long long>(value * 10 + (input_[pos_] - '0'), kMaxParam);
    ++pos_;
  }
  token.param = static_cast<int>(negative ? -value : value);
  if (pos_ < input_.size() && input_[pos_] == ' ') ++pos_;  // the delimiter belongs to the word
  return token;
}

Token Tokenizer::HexByte() {
  int value = 0;
  for (int digit = 0; digit < 2 && pos_ < input_.size(); ++digit) {
    const int v = HexValue(input_[pos_]);
    if (v < 0) break;
    value = value * 16 + v;
    ++pos_;
  }
  return Simple(TokenKind::Byte, static_cast<unsigned char>(value));
}

void Tokenizer::Skip(qint64 bytes) {
  if (bytes > 0) pos_ += static_cast<qsizetype>(std::min<qint64>(bytes, input_.size() - pos_));
}

}  // namespace sievra::rtf
