// The registry script parser. What our own scripts register is checked end
// to end under Wine (tests/com/registration_test.sh); here: replacements and
// quoting, and scripts it does not understand refused with a reason instead
// of half-registering.
#include "registry_script.h"

#include <gtest/gtest.h>

#include <string>

namespace comsupport {
namespace {

TEST(RegistryScript, Replacements) {
  ScriptParse parsed = ParseRegistryScript(
      L"HKCR { 'Key %%' = s '100%% %MODULE%' { val 'it''s' = s '' } }", L"C:\\a'b.dll");
  ASSERT_TRUE(parsed.script);
  const ScriptKey& key = parsed.script->classes_root.at(0);
  EXPECT_EQ(key.name, L"Key %");
  EXPECT_EQ(key.default_value, L"100% C:\\a'b.dll");
  ASSERT_EQ(key.values.size(), 1u);
  EXPECT_EQ(key.values[0].name, L"it's");
  EXPECT_EQ(key.values[0].data, L"");
}

TEST(RegistryScript, RefusesWhatItDoesNotUnderstand) {
  struct Case {
    const wchar_t* script;
    const wchar_t* reason;  // part of the error
  } cases[] = {
      {L"", L"names no keys"},
      {L"HKLM { Software }", L"expected HKCR"},
      {L"HKCR { Key = d '5' }", L"only string values"},
      {L"HKCR { Key = s unquoted }", L"expected a quoted string"},
      {L"HKCR { Key = s 'open }", L"unterminated quoted string"},
      {L"HKCR { Key = s 'a\nb' }", L"line break inside a quoted string"},
      {L"HKCR { Key { val = s 'x' } }", L"expected a name"},
      {L"HKCR { Key = s '%OTHER%' }", L"unknown replacement %OTHER%"},
      {L"HKCR { Key = s '50%' }", L"unterminated %"},
      {L"HKCR { Delete Key }", L"Delete flag is not supported"},
      {L"HKCR { NoRemove ForceRemove Key }", L"both NoRemove and ForceRemove"},
      {L"HKCR { A\\B }", L"single keys, not paths"},
      {L"HKCR { Key {", L"'}' closing key Key"},
      {L"HKCR { val X = s 'y' }", L"line 1: a value needs a key"},
      {L"HKCR\n{\n  Key = s 'v'\n  ''\n}", L"line 4: empty key or value name"},
  };
  for (const Case& c : cases) {
    std::wstring script(c.script);
    SCOPED_TRACE(std::string(script.begin(), script.end()));
    ScriptParse parsed = ParseRegistryScript(script, L"C:\\Tessary.dll");
    EXPECT_FALSE(parsed.script);
    EXPECT_NE(parsed.error.find(c.reason), std::wstring::npos)
        << std::string(parsed.error.begin(), parsed.error.end());
  }
}

}  // namespace
}  // namespace comsupport
