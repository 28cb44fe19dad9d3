// The keyboard rules of a form: tab order and what it skips, radio groups, the default and the
// cancel button, Space, Alt+letter, lists, and where the focus goes when a form or a notebook
// page shows. One form serves every case; each case is a row of keys with what must follow.
#include <gtest/gtest.h>

#include "tests/support/scoped_machine.h"
#include "ui/application.h"
#include "ui/file_controls.h"
#include "ui/headless_backend.h"
#include "ui/std_controls.h"

namespace zev::ui {
namespace {

// Edit, a label, a radio group (B checked) with a disabled member, a check box, a hidden and a
// disabled button, a disabled panel, a notebook of two pages, a list, then OK (default) and
// Cancel (cancel). Every click is recorded by name.
class FocusForm {
 public:
  explicit FocusForm(Application& app) : form(app.CreateForm<TForm>("Form")) {
    for (TControl* c : std::initializer_list<TControl*>{&edit, &label, &group, &check, &hidden, &disabled, &panel,
                                                        &book, &list, &ok, &cancel})
      form.InsertControl(*c);
    for (TRadioButton* r : {&a, &b, &off, &c}) group.InsertControl(*r);
    panel.InsertControl(inPanel);
    book.AddPage(page0, "0");
    book.AddPage(page1, "1");
    page0.InsertControl(onPage0);
    page1.InsertControl(onPage1);
    a.Caption = "&Alpha", check.Caption = "C&heck", ok.Caption = "&OK", cancel.Caption = "Cancel";
    b.SetChecked(true);
    off.Enabled = false;
    hidden.Visible = false;
    disabled.Enabled = false;
    panel.Enabled = false;
    list.Items.Add("one");
    list.Items.Add("two");
    list.Items.Add("three");
    ok.Default = true;
    cancel.Cancel = true;
    for (TControl* c : std::initializer_list<TControl*>{&edit, &a, &b, &off, &c, &check, &hidden, &disabled,
                                                        &inPanel, &onPage0, &onPage1, &ok, &cancel, &list}) {
      c->OnClick = [this, c] { clicks += c->Name + " "; };
      c->OnDblClick = [this, c] { clicks += "dbl:" + c->Name + " "; };
    }
  }

  TForm& form;
  TEdit edit{"edit"};
  TLabel label{"label"};
  TPanel group{"group"};
  TRadioButton a{"a"}, b{"b"}, off{"off"}, c{"c"};
  TCheckBox check{"check"};
  TButton hidden{"hidden"}, disabled{"disabled"};
  TPanel panel{"panel"};
  TButton inPanel{"inPanel"};
  TNotebook book{"book"};
  TPage page0{"page0"}, page1{"page1"};
  TButton onPage0{"onPage0"}, onPage1{"onPage1"};
  TListBox list{"list"};
  TButton ok{"ok"}, cancel{"cancel"};
  std::string clicks;
};

class FocusTest : public ::testing::Test {
 protected:
  HeadlessBackend backend;
  Application app{backend};
  FocusForm f{app};

  std::string Focus() const { return f.form.ActiveControl() ? f.form.ActiveControl()->Name : "-"; }
};

TEST_F(FocusTest, ShowingFocusesTheDefaultButtonAndTabVisitsTheStopsInOrder) {
  f.form.Show();
  EXPECT_EQ(Focus(), "ok");
  std::vector<std::string> names;
  for (TControl* stop : f.form.TabStops()) names.push_back(stop->Name);
  // Not the label, the unchecked or disabled radio buttons, the hidden or disabled button, what
  // the disabled panel holds, or the hidden page's button.
  EXPECT_EQ(names, (std::vector<std::string>{"edit", "b", "check", "onPage0", "list", "ok", "cancel"}));

  f.ok.Default = false;
  f.form.Hide();
  f.form.Show();
  EXPECT_EQ(Focus(), "edit") << "without a default button: the first tab stop";
}

struct KeyCase {
  const char* name;
  const char* focusFirst;  // the control focused before the keys
  std::vector<TKeyPress> keys;
  const char* focusAfter;
  const char* clicks;      // the clicks the keys made, in order
  bool handled;            // whether the form took the last key
};

void PrintTo(const KeyCase& c, std::ostream* out) { *out << c.name; }

class KeyTest : public FocusTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(KeyTest, KeysMoveTheFocusAndPressTheRightControl) {
  const KeyCase& k = GetParam();
  f.form.Show();
  for (TControl* c : f.form.TabStops())
    if (c->Name == k.focusFirst) c->SetFocus();
  ASSERT_EQ(Focus(), k.focusFirst);
  bool handled = false;
  for (const TKeyPress& key : k.keys) handled = f.form.KeyDown(key);
  EXPECT_EQ(Focus(), k.focusAfter);
  EXPECT_EQ(f.clicks, k.clicks);
  EXPECT_EQ(handled, k.handled);
}

constexpr TKeyPress Key(TKey key, unsigned shift = ssNone) { return {key, shift}; }

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyTest,
    ::testing::Values(
        KeyCase{"TabCyclesAndWraps", "list", {Key(vkTab), Key(vkTab), Key(vkTab)}, "edit", "", true},
        KeyCase{"ShiftTabGoesBack", "edit", {Key(vkTab, ssShift), Key(vkTab, ssShift)}, "ok", "", true},
        KeyCase{"TabSkipsTheUncheckedRadioButtons", "edit", {Key(vkTab), Key(vkTab)}, "check", "", true},
        KeyCase{"EnterPressesTheDefaultButton", "edit", {Key(vkReturn)}, "edit", "ok ", true},
        KeyCase{"EnterPressesAFocusedButton", "cancel", {Key(vkReturn)}, "cancel", "cancel ", true},
        KeyCase{"EscapePressesTheCancelButton", "check", {Key(vkEscape)}, "check", "cancel ", true},
        KeyCase{"SpaceTogglesACheckBox", "check", {Key(vkSpace)}, "check", "check ", true},
        KeyCase{"SpaceIsTypedIntoAnEdit", "edit", {Key(vkSpace)}, "edit", "", false},
        KeyCase{"ArrowsAreTheEditsOwn", "edit", {Key(vkDown)}, "edit", "", false},
        KeyCase{"DownChecksTheNextRadioButtonSkippingTheDisabledOne", "b", {Key(vkDown)}, "c", "c ", true},
        KeyCase{"ArrowsWrapWithinTheGroup", "b", {Key(vkDown), Key(vkRight), Key(vkUp)}, "c", "c a c ", true},
        KeyCase{"AltLetterPressesTheButton", "edit", {Key('O', ssAlt)}, "edit", "ok ", true},
        KeyCase{"AltLetterChecksAndFocusesARadioButton", "edit", {Key('A', ssAlt)}, "a", "a ", true},
        KeyCase{"AltLetterOfNoCaptionIsLeft", "edit", {Key('Z', ssAlt)}, "edit", "", false},
        KeyCase{"DownSelectsTheFirstEntryOfAList", "list", {Key(vkDown)}, "list", "list ", true},
        KeyCase{"EnterOnASelectedEntryIsADoubleClick", "list", {Key(vkDown), Key(vkDown), Key(vkReturn)}, "list",
                "list list dbl:list ", true},
        KeyCase{"EnterOnAListWithoutSelectionPressesTheDefault", "list", {Key(vkReturn)}, "list", "ok ", true},
        KeyCase{"EndAndHomeOfAList", "list", {Key(vkEnd), Key(vkEnd), Key(vkHome)}, "list", "list list ", true}));

TEST_F(FocusTest, DisabledDefaultAndCancelButtonsTakeNoKeys) {
  f.form.Show();
  f.edit.SetFocus();
  f.ok.Enabled = false;
  f.cancel.Visible = false;
  EXPECT_FALSE(f.form.KeyDown(Key(vkReturn)));
  EXPECT_FALSE(f.form.KeyDown(Key(vkEscape)));
  EXPECT_EQ(f.clicks, "");
}

TEST_F(FocusTest, AFocusedControlThatWentAwayIsLeftByTabFromItsPlace) {
  f.form.Show();
  f.check.SetFocus();
  f.check.Enabled = false;
  EXPECT_FALSE(f.form.KeyDown(Key(vkSpace))) << "a disabled control is not pressed";
  f.form.KeyDown(Key(vkTab));
  EXPECT_EQ(Focus(), "onPage0");
  f.form.KeyDown(Key(vkTab, ssShift));
  EXPECT_EQ(Focus(), "b");
}

TEST_F(FocusTest, ShowingAPageFocusesItsFirstControlOrElseTheDefaultButton) {
  f.form.Show();
  f.edit.SetFocus();
  f.book.SetPageIndex(1);
  EXPECT_EQ(Focus(), "onPage1");
  f.onPage0.Visible = false;
  f.book.SetPageIndex(0);
  EXPECT_EQ(Focus(), "ok");
}

TEST_F(FocusTest, ControlsLeavingTheFormTakeTheFocusAlong) {
  f.form.Show();
  f.inPanel.Enabled = true;
  f.panel.Enabled = true;
  f.inPanel.SetFocus();
  EXPECT_EQ(Focus(), "inPanel");
  f.form.RemoveControl(f.panel);
  EXPECT_EQ(Focus(), "-");
  f.hidden.SetFocus();
  EXPECT_EQ(Focus(), "-") << "a hidden control takes no focus";
}

TEST_F(FocusTest, SetTabOrderMovesAControlInItsParentsOrder) {
  f.form.Show();
  f.cancel.SetTabOrder(0);
  EXPECT_EQ(f.cancel.TabOrder(), 0);
  EXPECT_EQ(f.edit.TabOrder(), 1);
  EXPECT_EQ(f.form.TabStops().front()->Name, "cancel");
  f.edit.SetFocus();
  f.form.KeyDown(Key(vkTab, ssShift));
  EXPECT_EQ(Focus(), "cancel");
}

TEST_F(FocusTest, ActiveFormIsTheOneShownLast) {
  TForm& other = app.CreateForm<TForm>("Other");
  EXPECT_EQ(app.ActiveForm(), nullptr);
  f.form.Show();
  other.Show();
  EXPECT_EQ(app.ActiveForm(), &other);
  other.Hide();
  EXPECT_EQ(app.ActiveForm(), &f.form);
}

TEST(DriveKeysTest, ArrowsChooseTheDriveAndTheSameDriveAgainReadsTheFolders) {
  platform::ScopedMachine machine;
  HeadlessBackend backend;
  Application app{backend};
  TForm& form = app.CreateForm<TForm>("Form");
  TDriveComboBox drives("drives");
  TDirectoryListBox dirs("dirs");
  drives.Update();
  drives.DirList = &dirs;
  form.InsertControl(dirs);
  form.InsertControl(drives);
  form.Show();
  ASSERT_TRUE(dirs.SetDirectory("C:\\"));
  drives.SetFocus();
  EXPECT_TRUE(form.KeyDown({vkUp, ssNone}));
  EXPECT_EQ(drives.Drive(), 'A');
  EXPECT_EQ(dirs.Directory(), "A:\\");
  form.KeyDown({vkDown, ssNone});
  EXPECT_EQ(dirs.Directory(), "C:\\");
  std::filesystem::create_directories(machine.DriveC() / "New");
  drives.SetDrive('c');
  EXPECT_NE(dirs.Items.IndexOf("New"), -1) << "choosing the drive shown reads its folders again";
  // The directory list: the arrows move the selection, Enter opens the entry.
  dirs.SetFocus();
  const int newFolder = static_cast<int>(dirs.Items.IndexOf("New"));
  while (dirs.ItemIndex < newFolder) form.KeyDown({vkDown, ssNone});
  form.KeyDown({vkReturn, ssNone});
  EXPECT_EQ(dirs.Directory(), "C:\\New");
}

}  // namespace
}  // namespace zev::ui
