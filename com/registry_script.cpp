#include "registry_script.h"

#include <cwctype>
#include <stdexcept>

namespace comsupport {
namespace {

enum class TokenKind { Word, Quoted, Open, Close, Equals, End };

struct Token {
  TokenKind kind = TokenKind::End;
  std::wstring text;
  int line = 1;
};

// Thrown inside the parser only; ParseRegistryScript turns it into an error.
struct ScriptError {
  std::wstring message;
};

class Parser {
 public:
  Parser(std::wstring_view text, std::wstring_view module_path)
      : text_(text), module_path_(module_path) {
    Advance();
  }

  RegistryScript Parse() {
    RegistryScript script;
    while (token_.kind != TokenKind::End) {
      if (token_.kind != TokenKind::Word ||
          (token_.text != L"HKCR" && token_.text != L"HKEY_CLASSES_ROOT"))
        Fail(L"expected HKCR, found " + Describe(token_));
      Advance();
      Expect(TokenKind::Open, L"'{' after HKCR");
      ParseKeys(script.classes_root, nullptr);
      Expect(TokenKind::Close, L"'}'");
    }
    if (script.classes_root.empty()) Fail(L"the script names no keys");
    return script;
  }

 private:
  // Keys (and, inside a key, named values) up to the closing brace.
  void ParseKeys(std::vector<ScriptKey>& keys, ScriptKey* owner) {
    while (token_.kind != TokenKind::Close && token_.kind != TokenKind::End) {
      if (!owner && IsWord(L"val")) Fail(L"a value needs a key to hold it, not HKCR");
      if (owner && IsWord(L"val")) {
        Advance();
        ScriptValue value;
        value.name = ExpectName();
        Expect(TokenKind::Equals, L"'=' after the value name");
        value.data = ParseString();
        owner->values.push_back(std::move(value));
        continue;
      }
      ScriptKey key;
      for (;;) {
        if (IsWord(L"NoRemove")) key.no_remove = true;
        else if (IsWord(L"ForceRemove")) key.force_remove = true;
        else if (IsWord(L"Delete")) Fail(L"the Delete flag is not supported");
        else break;
        Advance();
      }
      if (key.no_remove && key.force_remove) Fail(L"a key cannot be both NoRemove and ForceRemove");
      key.name = ExpectName();
      if (key.name.find(L'\\') != std::wstring::npos)
        Fail(L"key names must be single keys, not paths: " + key.name);
      if (token_.kind == TokenKind::Equals) {
        Advance();
        key.default_value = ParseString();
      }
      if (token_.kind == TokenKind::Open) {
        Advance();
        ParseKeys(key.subkeys, &key);
        Expect(TokenKind::Close, L"'}' closing key " + key.name);
      }
      keys.push_back(std::move(key));
    }
  }

  // s 'text': the only value type our scripts use.
  std::wstring ParseString() {
    if (!IsWord(L"s")) Fail(L"only string values (s '...') are supported, found " + Describe(token_));
    Advance();
    if (token_.kind != TokenKind::Quoted) Fail(L"expected a quoted string, found " + Describe(token_));
    std::wstring value = Substitute(token_.text);
    Advance();
    return value;
  }

  std::wstring ExpectName() {
    if (token_.kind != TokenKind::Word && token_.kind != TokenKind::Quoted)
      Fail(L"expected a name, found " + Describe(token_));
    std::wstring name = Substitute(token_.text);
    if (name.empty()) Fail(L"empty key or value name");
    Advance();
    return name;
  }

  void Expect(TokenKind kind, const std::wstring& what) {
    if (token_.kind != kind) Fail(L"expected " + what + L", found " + Describe(token_));
    Advance();
  }

  bool IsWord(std::wstring_view word) const {
    return token_.kind == TokenKind::Word && token_.text == word;
  }

  std::wstring Substitute(const std::wstring& text) const {
    std::wstring out;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] != L'%') {
        out += text[i];
        continue;
      }
      std::size_t end = text.find(L'%', i + 1);
      if (end == std::wstring::npos) Fail(L"unterminated % in " + text);
      std::wstring_view name(text.data() + i + 1, end - i - 1);
      if (name.empty()) out += L'%';
      else if (name == L"MODULE") out += module_path_;
      else Fail(L"unknown replacement %" + std::wstring(name) + L"%");
      i = end;
    }
    return out;
  }

  void Advance() {
    while (pos_ < text_.size() && std::iswspace(text_[pos_])) {
      if (text_[pos_] == L'\n') ++line_;
      ++pos_;
    }
    token_ = Token();
    token_.line = line_;
    if (pos_ >= text_.size()) return;
    wchar_t c = text_[pos_];
    // A brace stands alone; one that starts a word is part of a name, as in
    // {A7E11431-C6E0-41AD-9269-D0A9D0F86320}.
    bool brace = (c == L'{' || c == L'}') &&
                 (pos_ + 1 == text_.size() || std::iswspace(text_[pos_ + 1]) ||
                  text_[pos_ + 1] == L'{' || text_[pos_ + 1] == L'}');
    if (brace || c == L'=') {
      token_.kind = c == L'{' ? TokenKind::Open : c == L'}' ? TokenKind::Close : TokenKind::Equals;
      token_.text = c;
      ++pos_;
      return;
    }
    if (c == L'\'') {
      token_.kind = TokenKind::Quoted;
      for (++pos_;; ++pos_) {
        if (pos_ >= text_.size()) Fail(L"unterminated quoted string");
        if (text_[pos_] == L'\n') Fail(L"line break inside a quoted string");
        if (text_[pos_] == L'\'') {
          if (pos_ + 1 < text_.size() && text_[pos_ + 1] == L'\'') {
            token_.text += L'\'';
            ++pos_;
            continue;
          }
          ++pos_;
          return;
        }
        token_.text += text_[pos_];
      }
    }
    token_.kind = TokenKind::Word;
    while (pos_ < text_.size() && !std::iswspace(text_[pos_]) && text_[pos_] != L'=' &&
           text_[pos_] != L'\'')
      token_.text += text_[pos_++];
  }

  static std::wstring Describe(const Token& token) {
    switch (token.kind) {
      case TokenKind::End: return L"the end of the script";
      case TokenKind::Quoted: return L"'" + token.text + L"'";
      default: return L"\"" + token.text + L"\"";
    }
  }

  [[noreturn]] void Fail(const std::wstring& message) const {
    throw ScriptError{L"line " + std::to_wstring(token_.line) + L": " + message};
  }

  std::wstring_view text_;
  std::wstring_view module_path_;
  std::size_t pos_ = 0;
  int line_ = 1;
  Token token_;
};

}  // namespace

ScriptParse ParseRegistryScript(std::wstring_view text, std::wstring_view module_path) {
  ScriptParse result;
  try {
    Parser parser(text, module_path);
    result.script = parser.Parse();
  } catch (const ScriptError& error) {
    result.error = error.message;
  }
  return result;
}

}  // namespace comsupport
