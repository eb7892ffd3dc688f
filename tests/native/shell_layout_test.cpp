// The layout tables are data the form builder trusts: every container must
// exist and be a container, names must be unique, tab indexes unique; and
// the help file path is built next to the program.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "forms.h"
#include "help_path.h"

namespace {

using pindrel::ui::ControlKind;
using pindrel::ui::FormLayout;

TEST(LayoutTables, ContainersNamesAndTabOrderAreConsistent) {
  namespace forms = pindrel::forms;
  for (const FormLayout* layout : {&forms::frmMain::Layout(), &forms::frmAbout::Layout(),
                                   &forms::frmvCardExport::Layout(), &forms::frmvCardImport::Layout()}) {
    SCOPED_TRACE(std::string(layout->name));
    std::set<std::string_view> names;
    std::set<int> tabs;
    for (const auto& c : layout->controls) {
      EXPECT_TRUE(names.insert(c.name).second) << "duplicate " << c.name;
      if (c.tab_index >= 0) {
        EXPECT_TRUE(tabs.insert(c.tab_index).second) << "tab index of " << c.name;
      }
      if (!c.container.empty()) {
        const auto* parent = layout->Find(c.container);
        ASSERT_NE(parent, nullptr) << c.name << " in missing " << c.container;
        EXPECT_TRUE(parent->kind == ControlKind::Frame || parent->kind == ControlKind::PictureBox) << c.name;
      }
    }
    for (const auto& m : layout->menus) {
      EXPECT_TRUE(names.insert(m.name).second) << "duplicate " << m.name;
      if (!m.parent.empty()) {
        EXPECT_NE(layout->FindMenu(m.parent), nullptr) << m.name;
      }
    }
  }
}

TEST(LayoutTables, TwipsToPixels) {
  struct Case {
    int twips, dpi, pixels;
  };
  for (const Case& c : {Case{7215, 96, 481}, Case{1440, 96, 96}, Case{15, 96, 1}, Case{7, 96, 0}, Case{8, 96, 1},
                        Case{1440, 120, 120}, Case{810, 144, 81}, Case{-240, 96, -16}}) {
    EXPECT_EQ(pindrel::ui::TwipsToPixels(c.twips, c.dpi), c.pixels) << c.twips << "@" << c.dpi;
  }
}

TEST(HelpFile, NextToTheProgram) {
  struct Case {
    std::wstring program, help;
  };
  for (const Case& c : std::vector<Case>{{L"C:\\Program Files\\Pindrel\\Pindrel.exe", L"C:\\Program Files\\Pindrel\\Manual.chm"},
                                         {L"C:\\Pindrel.exe", L"C:\\Manual.chm"},
                                         {L"\\\\server\\share\\Pindrel.exe", L"\\\\server\\share\\Manual.chm"},
                                         {L"Pindrel.exe", L"Manual.chm"}}) {
    EXPECT_EQ(pindrel::HelpFilePath(c.program), c.help);
  }
}

}  // namespace
