// The registry scripts embedded in our COM servers, parsed. They are the one
// description of the keys the server writes; the registrar walks the parsed
// tree to register and to unregister. Portable, so it is tested natively.
//
// The subset understood, which is all our scripts use:
//
//   HKCR
//   {
//       NoRemove CLSID                       keep on unregistration
//       {
//           ForceRemove {clsid} = s 'text'   delete whole before writing
//           {
//               InprocServer32 = s '%MODULE%'
//               {
//                   val ThreadingModel = s 'Apartment'
//               }
//               'Programmable'               a key with no value
//           }
//       }
//   }
//
// Names are bare words or quoted with '...' ('' inside quotes is one
// quote); values are strings (type s) only. %MODULE% in a name or value is
// replaced after the script is split into words, so a module path holding a
// quote cannot break the script.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace comsupport {

struct ScriptValue {
  std::wstring name;  // a named value (val); keys' default values live in ScriptKey
  std::wstring data;
};

struct ScriptKey {
  std::wstring name;
  bool no_remove = false;     // unregistration keeps the key, walks into it
  bool force_remove = false;  // registration deletes it whole first
  std::optional<std::wstring> default_value;
  std::vector<ScriptValue> values;
  std::vector<ScriptKey> subkeys;
};

struct RegistryScript {
  std::vector<ScriptKey> classes_root;  // keys directly under HKEY_CLASSES_ROOT
};

struct ScriptParse {
  std::optional<RegistryScript> script;
  std::wstring error;  // why the text is not a script we understand, with its line
};

// Parses `text`, replacing %MODULE% with `module_path` and %% with %.
ScriptParse ParseRegistryScript(std::wstring_view text, std::wstring_view module_path);

}  // namespace comsupport
