// The registry script parser: our three scripts parse into the keys the
// server registers, and scripts it does not understand are refused with a
// reason instead of half-registering.
#include "registry_script.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace tessary::com {
namespace {

std::wstring ReadScript(const std::string& name) {
  std::ifstream in(std::string(TESSARY_COM_SOURCE) + "/" + name, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  std::string text = bytes.str();
  return std::wstring(text.begin(), text.end());  // the scripts are ASCII
}

const ScriptKey* Find(const std::vector<ScriptKey>& keys, std::wstring_view name) {
  for (const ScriptKey& key : keys)
    if (key.name == name) return &key;
  return nullptr;
}

struct ClassScript {
  const char* file;
  const wchar_t* name;
  const wchar_t* clsid;
};

TEST(RegistryScript, EachClassScriptDescribesItsKeys) {
  const ClassScript scripts[] = {
      {"BusinessContact.rgs", L"BusinessContact", L"{0883F9F3-546F-46C9-A0E2-E43871712F15}"},
      {"VCardStream.rgs", L"VCardStream", L"{A7E11431-C6E0-41AD-9269-D0A9D0F86320}"},
      {"VCardContact.rgs", L"VCardContact", L"{AA3960A5-A9D9-4265-A77C-80039B49E943}"},
  };
  const std::wstring module = L"C:\\Program Files\\O'Brien's\\Tessary.dll";
  for (const ClassScript& s : scripts) {
    SCOPED_TRACE(s.file);
    ScriptParse parsed = ParseRegistryScript(ReadScript(s.file), module);
    ASSERT_TRUE(parsed.script) << std::string(parsed.error.begin(), parsed.error.end());
    const auto& root = parsed.script->classes_root;
    const std::wstring name = s.name, progid = L"Tessary." + name, description = name + L" Class";
    ASSERT_EQ(root.size(), 3u);

    for (const std::wstring& id : {progid + L".1", progid}) {
      const ScriptKey* key = Find(root, id);
      ASSERT_TRUE(key) << "ProgID key";
      EXPECT_FALSE(key->no_remove || key->force_remove);
      EXPECT_EQ(key->default_value, description);
      ASSERT_TRUE(Find(key->subkeys, L"CLSID"));
      EXPECT_EQ(Find(key->subkeys, L"CLSID")->default_value, s.clsid);
    }
    const ScriptKey* current = Find(Find(root, progid)->subkeys, L"CurVer");
    ASSERT_TRUE(current);
    EXPECT_EQ(current->default_value, progid + L".1");

    const ScriptKey* clsid_root = Find(root, L"CLSID");
    ASSERT_TRUE(clsid_root);
    EXPECT_TRUE(clsid_root->no_remove) << "the CLSID key is never removed";
    ASSERT_EQ(clsid_root->subkeys.size(), 1u);
    const ScriptKey& cls = clsid_root->subkeys[0];
    EXPECT_EQ(cls.name, s.clsid);
    EXPECT_TRUE(cls.force_remove) << "the class key is replaced whole";
    EXPECT_EQ(cls.default_value, description);

    struct Sub {
      const wchar_t* name;
      std::optional<std::wstring> value;
    } subs[] = {{L"ProgID", progid + L".1"},
                {L"VersionIndependentProgID", progid},
                {L"Programmable", std::nullopt},
                {L"InprocServer32", module},
                {L"TypeLib", L"{10345516-3E31-455E-9E60-918D3FA369F3}"}};
    ASSERT_EQ(cls.subkeys.size(), std::size(subs));
    for (const Sub& sub : subs) {
      const ScriptKey* key = Find(cls.subkeys, sub.name);
      ASSERT_TRUE(key) << std::wstring(sub.name).size();
      EXPECT_EQ(key->default_value, sub.value);
    }
    EXPECT_TRUE(Find(cls.subkeys, L"Programmable")->force_remove);
    const ScriptKey* server = Find(cls.subkeys, L"InprocServer32");
    ASSERT_EQ(server->values.size(), 1u);
    EXPECT_EQ(server->values[0].name, L"ThreadingModel");
    EXPECT_EQ(server->values[0].data, L"Apartment");
  }
}

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
}  // namespace tessary::com
