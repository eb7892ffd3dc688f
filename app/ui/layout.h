// A window described as data: the form builder turns a FormLayout into a real
// window with its controls, and the test fakes read the same table for the
// state a window has before any of its handlers run. Measures are twips
// (1/1440 inch) so a table looks the same at every screen resolution.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace pindrel::ui {

enum class ControlKind {
  Label,         // fixed or value text; opaque unless marked transparent
  Button,
  TextBox,
  Frame,         // captioned group box; a container
  OptionButton,  // one group per container
  PictureBox,    // borderless container
  Image,         // a bitmap (or, with kIcon, a 16 x 16 icon) resource
  Line,          // a horizontal line from (left, top), `width` long: etched,
                 // or one pixel thick in its colour
  VisualStyle,   // the visual-style control (keeps common controls v6 alive)
};

// Design-time states a control starts in.
enum ControlFlags : unsigned {
  kNone = 0,
  kDisabled = 1u << 0,
  kChecked = 1u << 1,   // option button selected
  kReadOnly = 1u << 2,  // text box the user cannot type into
  kBold = 1u << 3,
  kHidden = 1u << 4,
  kDefault = 1u << 5,   // the button Enter presses
  kTransparent = 1u << 6,  // label drawn over what lies behind it
  kIcon = 1u << 7,      // an Image whose picture is an icon group, shown 16 x 16
};

// A colour as red, green and blue, packed the way the platform packs it.
using Colour = std::uint32_t;
constexpr Colour Rgb(int red, int green, int blue) {
  return static_cast<Colour>(red) | (static_cast<Colour>(green) << 8) | (static_cast<Colour>(blue) << 16);
}
// The system's own colour for the kind of control.
inline constexpr Colour kSystemColour = 0xFFFFFFFFu;

struct TwipsRect {
  int left = 0, top = 0, width = 0, height = 0;
};

struct ControlEntry {
  std::string_view name;
  ControlKind kind;
  std::string_view container;  // empty: the window itself
  std::wstring_view caption;   // caption, or initial text of a text box
  TwipsRect position;          // relative to the container
  int tab_index = -1;          // -1: takes no part in the tab order
  unsigned flags = kNone;
  int picture = 0;             // bitmap (or icon) resource of an Image
  Colour colour = kSystemColour;  // text colour; a Line's colour
};

// Top-level menus have an empty parent; items name their menu.
struct MenuEntry {
  std::string_view name;
  std::string_view parent;
  std::wstring_view caption;
};

enum class Border { FixedSingle, FixedDialog };
enum class StartPosition { CenterScreen, CenterOwner };
enum class Background { Light3D, White };

struct FormLayout {
  std::string_view name;
  std::wstring_view title;
  int client_width = 0;   // twips
  int client_height = 0;  // twips
  Border border = Border::FixedSingle;
  bool min_button = false;
  bool max_button = false;
  bool show_in_taskbar = true;
  StartPosition start = StartPosition::CenterScreen;
  Background background = Background::Light3D;
  int icon = 0;     // icon group resource, 0 for none
  int picture = 0;  // bitmap painted at the top left of the client area
  std::span<const ControlEntry> controls;
  std::span<const MenuEntry> menus;

  const ControlEntry* Find(std::string_view control) const {
    for (const ControlEntry& c : controls)
      if (c.name == control) return &c;
    return nullptr;
  }
  const MenuEntry* FindMenu(std::string_view menu) const {
    for (const MenuEntry& m : menus)
      if (m.name == menu) return &m;
    return nullptr;
  }
};

// Twips to pixels at a given resolution (dots per inch), rounded to nearest.
constexpr int TwipsToPixels(int twips, int dpi) {
  long long scaled = static_cast<long long>(twips) * dpi;
  return static_cast<int>(scaled >= 0 ? (scaled + 720) / 1440 : (scaled - 720) / 1440);
}

}  // namespace pindrel::ui
