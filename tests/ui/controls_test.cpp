// The controls' own state rules: what a click does, exclusive radio buttons, clamped progress,
// notebook pages, alignment, and the file-system controls over a machine.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <tuple>
#include <vector>

#include "tests/support/scoped_machine.h"
#include "ui/application.h"
#include "ui/file_controls.h"
#include "ui/headless_backend.h"
#include "ui/std_controls.h"

namespace zev::ui {
namespace {

class ControlsTest : public ::testing::Test {
 protected:
  HeadlessBackend backend;
  Application app{backend};
  TForm& form = app.CreateForm<TForm>("Form");
};

TEST_F(ControlsTest, ClicksReachOnlyShowingEnabledControls) {
  TButton button("b");
  form.InsertControl(button);
  int clicks = 0;
  button.OnClick = [&] { ++clicks; };
  button.Click();
  EXPECT_EQ(clicks, 0) << "the form is not shown yet";
  form.Show();
  button.Click();
  button.Enabled = false;
  button.Click();
  button.Enabled = true;
  button.Visible = false;
  button.Click();
  EXPECT_EQ(clicks, 1);
}

TEST_F(ControlsTest, CheckBoxTogglesAndRadioButtonsExcludeTheirSiblingsOnly) {
  form.Show();
  TCheckBox check("c");
  form.InsertControl(check);
  check.Click();
  EXPECT_TRUE(check.Checked);
  check.Click();
  EXPECT_FALSE(check.Checked);

  TPanel group("group");
  form.InsertControl(group);
  TRadioButton a("a"), b("b"), other("other");
  group.InsertControl(a);
  group.InsertControl(b);
  form.InsertControl(other);
  other.SetChecked(true);
  a.SetChecked(true);
  b.Click();
  EXPECT_FALSE(a.Checked());
  EXPECT_TRUE(b.Checked());
  EXPECT_TRUE(other.Checked()) << "a radio button in another parent is another group";
}

TEST_F(ControlsTest, TickedCheckBoxShowsATickAndTheFocusedOneADottedRectangle) {
  form.SetClientSize(120, 40);
  form.Color = clBtnFace;
  TCheckBox check("c");
  form.InsertControl(check);
  check.SetBounds(0, 0, 120, 17);
  check.Caption = "Tick";
  check.Checked = true;
  form.Show();
  check.SetFocus();
  const RasterImage image = RenderForm(form);
  const int top = (17 - 13) / 2;
  // A tick, not a filled square: the corner of where a square would be stays white, the
  // stroke's low point and its right end are dark.
  EXPECT_EQ(image.Pixel(3, top + 3), ColorToRGB(clWindow));
  EXPECT_EQ(image.Pixel(5, top + 9), ColorToRGB(clWindowText));
  EXPECT_EQ(image.Pixel(9, top + 3), ColorToRGB(clWindowText));
  // The focus rectangle around the caption: dots every other pixel along its top edge.
  int dots = 0, y = -1;
  for (int row = 0; row < 17 && y < 0; ++row)
    if (image.Pixel(18, row) == ColorToRGB(clWindowText) && image.Pixel(19, row) == ColorToRGB(clBtnFace) &&
        image.Pixel(20, row) == ColorToRGB(clWindowText))
      y = row;
  ASSERT_GE(y, 0) << "no dotted edge";
  for (int x = 18; x < 40; x += 2) dots += image.Pixel(x, y) == ColorToRGB(clWindowText);
  EXPECT_GE(dots, 10);
  check.Enabled = false;
  EXPECT_NE(RenderForm(form).rgb, image.rgb) << "a disabled control shows no focus";
}

TEST_F(ControlsTest, GroupBoxFillsAnAlignedChildInsideItsFrame) {
  TGroupBox box("GroupBox1");
  form.InsertControl(box);
  box.SetBounds(4, 0, 229, 85);
  TMemo memo("Memo1");
  memo.Align = TAlign::alClient;
  box.InsertControl(memo);
  box.AlignControls();
  EXPECT_EQ(memo.Left, 1);
  EXPECT_EQ(memo.Top, 1);
  EXPECT_EQ(memo.Width, 227);
  EXPECT_EQ(memo.Height, 83);
  box.Caption = "Caption";
  box.AlignControls();
  EXPECT_GT(memo.Top, 8) << "below the caption";
}

TEST_F(ControlsTest, ProgressBarKeepsItsPositionInRange) {
  TProgressBar bar("p");
  bar.SetMax(12);
  bar.StepBy(5);
  EXPECT_EQ(bar.Position(), 5);
  for (int i = 0; i < 20; ++i) bar.StepBy(1);
  EXPECT_EQ(bar.Position(), 12);
  bar.SetPosition(-1);
  EXPECT_EQ(bar.Position(), 0);
  bar.SetPosition(7);
  bar.SetMax(3);
  EXPECT_EQ(bar.Position(), 3);
  bar.SetMax(0);
  bar.StepBy(1);
  EXPECT_EQ(bar.Position(), 0);
}

TEST_F(ControlsTest, NotebookShowsOnePageAndReportsChanges) {
  TNotebook book("Notebook1");
  TPage p0("p0"), p1("p1"), p2("p2");
  book.AddPage(p0, "page1");
  book.AddPage(p1, "Page2");
  book.AddPage(p2, "Page3");
  std::vector<int> changes;
  book.OnPageChanged = [&] { changes.push_back(book.PageIndex()); };
  EXPECT_EQ(book.PageIndex(), 0);
  book.SetPageIndex(2);
  book.SetPageIndex(2);
  book.SetPageIndex(7);
  book.SetPageIndex(-1);
  EXPECT_EQ(changes, std::vector<int>{2});
  EXPECT_FALSE(p0.Visible);
  EXPECT_TRUE(p2.Visible);
  EXPECT_EQ(book.Page(1).Caption, "Page2");
}

TEST_F(ControlsTest, AlignedChildrenFollowTheFormsSize) {
  TPanel bar("bar"), client("client");
  bar.Align = TAlign::alBottom;
  bar.Height = 30;
  client.Align = TAlign::alClient;
  form.InsertControl(bar);
  form.InsertControl(client);
  form.SetClientSize(433, 266);
  EXPECT_EQ(bar.Top, 236);
  EXPECT_EQ(bar.Width, 433);
  EXPECT_EQ(client.Height, 236);
}

TEST_F(ControlsTest, ListBoxSelectionText) {
  TListBox list("Folders");
  list.Items.Add("Accessories");
  list.Items.Add("Games");
  EXPECT_EQ(list.SelectedText(), "");
  list.ItemIndex = 1;
  EXPECT_EQ(list.SelectedText(), "Games");
  list.ItemIndex = 5;
  EXPECT_EQ(list.SelectedText(), "");
}

TEST_F(ControlsTest, DirectoryListShowsLevelsAndSubfoldersAndFollowsTheDrive) {
  platform::ScopedMachine machine;
  std::filesystem::create_directories(machine.DriveC() / "Program Files" / "App");
  std::filesystem::create_directories(machine.DriveC() / "Program Files" / "Beta");
  TDirectoryListBox dirs("DirectoryListBox1");
  TDriveComboBox drives("DriveComboBox1");
  drives.Update();
  drives.DirList = &dirs;
  EXPECT_EQ(platform::MachineDriveItems(drives.Items.Strings()), (std::vector<std::string>{"a:", "c:"}));
  ASSERT_TRUE(dirs.SetDirectory("C:\\Program Files"));
  EXPECT_EQ(dirs.Directory(), "C:\\Program Files");
  EXPECT_EQ(dirs.Items.Strings(), (std::vector<std::string>{"C:\\", "Program Files", "App", "Beta"}));
  EXPECT_EQ(dirs.ItemPath(0), "C:\\");
  EXPECT_EQ(dirs.ItemPath(3), "C:\\Program Files\\Beta");
  dirs.OpenItem(2);
  EXPECT_EQ(dirs.Directory(), "C:\\Program Files\\App");
  EXPECT_FALSE(dirs.SetDirectory("C:\\missing"));
  EXPECT_EQ(dirs.Directory(), "C:\\Program Files\\App");
  drives.SetDrive('a');
  EXPECT_EQ(dirs.Directory(), "A:\\");
  drives.SetDrive('q');
  EXPECT_EQ(drives.Drive(), 'A');
}


struct ChainCase {
  const char* name;
  bool formShown, parentVisible, parentEnabled, visible, enabled, tabStop;
  bool showing, enabledChain, canFocus;
};

void PrintTo(const ChainCase& c, std::ostream* out) { *out << c.name; }

class ChainTest : public ControlsTest, public ::testing::WithParamInterface<ChainCase> {};

TEST_P(ChainTest, ShowingEnabledAndFocusableFollowEveryParent) {
  const ChainCase& c = GetParam();
  TPanel panel("panel");
  TButton button("button");
  form.InsertControl(panel);
  panel.InsertControl(button);
  panel.Visible = c.parentVisible;
  panel.Enabled = c.parentEnabled;
  button.Visible = c.visible;
  button.Enabled = c.enabled;
  button.TabStop = c.tabStop;
  if (c.formShown) form.Show();
  EXPECT_EQ(button.Showing(), c.showing);
  EXPECT_EQ(button.EnabledChain(), c.enabledChain);
  EXPECT_EQ(button.CanFocus(), c.canFocus);
  form.SetActiveControl(nullptr);
  button.SetFocus();
  EXPECT_EQ(button.Focused(), c.canFocus) << "only a control that can take the focus takes it";
  int clicks = 0;
  button.OnClick = [&] { ++clicks; };
  button.Click();
  EXPECT_EQ(clicks, c.showing && c.enabledChain ? 1 : 0) << "a click reaches only what the user can reach";
}

INSTANTIATE_TEST_SUITE_P(
    Chains, ChainTest,
    ::testing::Values(ChainCase{"AllOn", true, true, true, true, true, true, true, true, true},
                      ChainCase{"FormNotShown", false, true, true, true, true, true, false, true, false},
                      ChainCase{"ParentHidden", true, false, true, true, true, true, false, true, false},
                      ChainCase{"ParentDisabled", true, true, false, true, true, true, true, false, false},
                      ChainCase{"Hidden", true, true, true, false, true, true, false, true, false},
                      ChainCase{"Disabled", true, true, true, true, false, true, true, false, false},
                      ChainCase{"NoTabStop", true, true, true, true, true, false, true, true, false}));

TEST_F(ControlsTest, AControlHasOneParentAndLeavesItWhenEitherGoes) {
  TPanel first("first"), second("second");
  TButton moved("moved");
  first.InsertControl(moved);
  second.InsertControl(moved);
  EXPECT_TRUE(first.Controls().empty());
  EXPECT_TRUE(first.TabList().empty());
  EXPECT_EQ(moved.Parent(), &second);
  {
    TButton passing("passing");
    second.InsertControl(passing);
    EXPECT_EQ(passing.TabOrder(), 1);
  }
  EXPECT_EQ(second.Controls(), std::vector<TControl*>{&moved});
  EXPECT_EQ(second.TabList(), std::vector<TControl*>{&moved});
  TButton orphan("orphan");
  {
    TPanel parent("parent");
    parent.InsertControl(orphan);
  }
  EXPECT_EQ(orphan.Parent(), nullptr) << "the orphan must not reach back into its freed parent";
}

TEST_F(ControlsTest, AlignedChildrenStackAlongTheEdgesAndTheClientTakesWhatIsLeft) {
  TPanel top1("top1"), bottom1("bottom1"), client("client"), top2("top2"), bottom2("bottom2"), fixed("fixed");
  for (auto [panel, align, height] :
       {std::tuple{&top1, TAlign::alTop, 10}, std::tuple{&bottom1, TAlign::alBottom, 5},
        std::tuple{&client, TAlign::alClient, 1}, std::tuple{&top2, TAlign::alTop, 20},
        std::tuple{&bottom2, TAlign::alBottom, 15}, std::tuple{&fixed, TAlign::alNone, 7}}) {
    panel->Height = height;
    panel->Align = align;
    form.InsertControl(*panel);
  }
  fixed.SetBounds(3, 4, 7, 7);
  form.SetClientSize(100, 200);
  auto bounds = [](const TControl& c) { return std::vector<int>{c.Left, c.Top, c.Width, c.Height}; };
  EXPECT_EQ(bounds(top1), (std::vector<int>{0, 0, 100, 10}));
  EXPECT_EQ(bounds(top2), (std::vector<int>{0, 10, 100, 20}));
  EXPECT_EQ(bounds(bottom1), (std::vector<int>{0, 195, 100, 5}));
  EXPECT_EQ(bounds(bottom2), (std::vector<int>{0, 180, 100, 15}));
  EXPECT_EQ(bounds(client), (std::vector<int>{0, 30, 100, 150}));
  EXPECT_EQ(bounds(fixed), (std::vector<int>{3, 4, 7, 7}));
  form.SetClientSize(50, 40);
  EXPECT_EQ(bounds(bottom2), (std::vector<int>{0, 20, 50, 15}));
  EXPECT_EQ(bounds(client), (std::vector<int>{0, 30, 50, 0})) << "no room left: empty, not negative";
}

TEST_F(ControlsTest, ClicksOnDisabledMarksChangeNothingAndAnEditReportsOnlyChanges) {
  form.Show();
  TCheckBox check("check");
  TRadioButton radio("radio");
  TEdit edit("edit");
  for (TControl* c : std::initializer_list<TControl*>{&check, &radio, &edit}) form.InsertControl(*c);
  check.Enabled = radio.Enabled = false;
  check.Click();
  radio.Click();
  EXPECT_FALSE(check.Checked);
  EXPECT_FALSE(radio.Checked());
  int changes = 0;
  edit.OnChange = [&] { ++changes; };
  edit.SetText("a");
  edit.SetText("a");
  edit.SetText("");
  EXPECT_EQ(changes, 2);
}

// A control painted alone onto a canvas of its size, 40 by 20 pixels.
RasterImage PaintAlone(TControl& control) {
  control.SetBounds(0, 0, 40, 20);
  RasterCanvas canvas(40, 20, clRed);
  control.Paint(canvas);
  return canvas.Image();
}

struct FrameCase {
  const char* name;
  std::function<std::unique_ptr<TControl>()> make;
  TColor topLeft, bottomRight, inside;  // the left and top edges, the right and bottom ones
};

void PrintTo(const FrameCase& c, std::ostream* out) { *out << c.name; }

class FrameTest : public ::testing::TestWithParam<FrameCase> {};

TEST_P(FrameTest, FramedControlsHaveTheirEdgesInTheClassicColours) {
  const FrameCase& c = GetParam();
  const auto control = c.make();
  const RasterImage image = PaintAlone(*control);
  EXPECT_EQ(image.Pixel(0, 10), ColorToRGB(c.topLeft)) << "left";
  EXPECT_EQ(image.Pixel(20, 0), ColorToRGB(c.topLeft)) << "top";
  EXPECT_EQ(image.Pixel(39, 10), ColorToRGB(c.bottomRight)) << "right";
  EXPECT_EQ(image.Pixel(20, 19), ColorToRGB(c.bottomRight)) << "bottom";
  EXPECT_EQ(image.Pixel(39, 0), ColorToRGB(c.bottomRight)) << "the right edge runs to the top";
  EXPECT_EQ(image.Pixel(0, 19), ColorToRGB(c.bottomRight)) << "the bottom edge runs to the left";
  EXPECT_EQ(image.Pixel(1, 1), ColorToRGB(c.inside));
}

template <class T>
std::function<std::unique_ptr<TControl>()> Make(std::function<void(T&)> set = nullptr) {
  return [set] {
    auto control = std::make_unique<T>("control");
    if (set) set(*control);
    return std::unique_ptr<TControl>(std::move(control));
  };
}

INSTANTIATE_TEST_SUITE_P(
    Frames, FrameTest,
    ::testing::Values(
        FrameCase{"Edit", Make<TEdit>(), clBtnShadow, clBtnHighlight, clWindow},
        FrameCase{"Memo", Make<TMemo>(), clBtnShadow, clBtnHighlight, clWindow},
        FrameCase{"BorderlessMemo", Make<TMemo>([](TMemo& m) { m.Borderless = true; }), clWindow, clWindow, clWindow},
        FrameCase{"ListBox", Make<TListBox>(), clBtnShadow, clBtnHighlight, clWindow},
        FrameCase{"ProgressBar", Make<TProgressBar>(), clBtnShadow, clBtnHighlight, clBtnFace},
        FrameCase{"RaisedButton", Make<TButton>([](TButton& b) { b.Flat = false; }), clBtnHighlight, clBtnShadow,
                  clBtnFace},
        FrameCase{"FlatButton", Make<TButton>(), clBtnFace, clBtnFace, clBtnFace},
        FrameCase{"Panel", Make<TPanel>(), clBtnFace, clBtnFace, clBtnFace}));

struct BarCase {
  const char* name;
  int min, max, position;
  int filled;  // columns of the 100 inside the frame
};

void PrintTo(const BarCase& c, std::ostream* out) { *out << c.name; }

class BarTest : public ::testing::TestWithParam<BarCase> {};

TEST_P(BarTest, AProgressBarFillsInProportionToItsPosition) {
  const BarCase& c = GetParam();
  TProgressBar bar("bar");
  bar.SetBounds(0, 0, 102, 8);
  bar.Min = c.min;
  bar.SetMax(c.max);
  bar.SetPosition(c.position);
  RasterCanvas canvas(102, 8, clRed);
  bar.Paint(canvas);
  int filled = 0;
  for (int x = 1; x < 101; ++x) filled += canvas.Pixel(x, 4) == ColorToRGB(clHighlight);
  EXPECT_EQ(filled, c.filled);
  if (c.filled < 100) {
    EXPECT_EQ(canvas.Pixel(1 + c.filled, 4), ColorToRGB(clBtnFace)) << "filled from the left, no further";
  }
}

INSTANTIATE_TEST_SUITE_P(Bars, BarTest,
                         ::testing::Values(BarCase{"Empty", 0, 100, 0, 0}, BarCase{"Half", 0, 100, 50, 50},
                                           BarCase{"Full", 0, 100, 100, 100}, BarCase{"RoundsDown", 0, 3, 1, 33},
                                           BarCase{"FromAMinimum", 50, 150, 100, 50},
                                           BarCase{"PastTheEnd", 0, 10, 20, 100},
                                           BarCase{"EmptyRange", 5, 5, 5, 0}, BarCase{"InvertedRange", 10, 0, 3, 0},
                                           BarCase{"RangeBeyond31Bits", 0, 2000000000, 1500000000, 75}));

TEST_F(ControlsTest, ANotebookPaintsOnlyItsCurrentPageSizedToTheBook) {
  form.SetClientSize(60, 40);
  TNotebook book("book");
  form.InsertControl(book);
  book.SetBounds(10, 5, 40, 30);
  TPage first("first"), second("second");
  TPanel red("red"), blue("blue");
  book.AddPage(first, "first");
  book.AddPage(second, "second");
  EXPECT_EQ((std::vector<int>{second.Left, second.Top, second.Width, second.Height}), (std::vector<int>{0, 0, 40, 30}));
  for (auto [page, panel, color] : {std::tuple{&first, &red, clRed}, std::tuple{&second, &blue, clBlue}}) {
    panel->Align = TAlign::alClient;
    panel->Color = color;
    page->InsertControl(*panel);
  }
  EXPECT_EQ(RenderForm(form).Pixel(30, 20), clRed);
  EXPECT_EQ(RenderForm(form).Pixel(5, 20), ColorToRGB(clBtnFace)) << "beside the book";
  book.SetPageIndex(1);
  EXPECT_EQ(RenderForm(form).Pixel(30, 20), clBlue);
  EXPECT_EQ(RenderForm(form).Pixel(49, 34), clBlue) << "the page's last pixel";
  EXPECT_EQ(RenderForm(form).Pixel(50, 35), ColorToRGB(clBtnFace));
}

TEST_F(ControlsTest, DirectoryListEntriesStandForTheirFullPaths) {
  platform::ScopedMachine machine;
  std::filesystem::create_directories(machine.DriveC() / "Program Files" / "App" / "Sub");
  TDirectoryListBox dirs("dirs");
  struct Row {
    const char* directory;
    int index;
    const char* path;
  };
  for (const Row& row : {Row{"C:\\", 0, "C:\\"}, Row{"C:\\", 1, "C:\\Program Files"},
                         Row{"C:\\Program Files\\App", 1, "C:\\Program Files"},
                         Row{"C:\\Program Files\\App", 2, "C:\\Program Files\\App"},
                         Row{"C:\\Program Files\\App", 3, "C:\\Program Files\\App\\Sub"},
                         Row{"C:\\Program Files\\App", 4, ""}, Row{"C:\\Program Files\\App", -1, ""}}) {
    ASSERT_TRUE(dirs.SetDirectory(row.directory)) << row.directory;
    EXPECT_EQ(dirs.ItemPath(row.index), row.path) << row.directory << " #" << row.index;
  }
  // A double click opens the selected entry, then tells the form.
  form.InsertControl(dirs);
  form.Show();
  int clicks = 0;
  dirs.OnDblClick = [&] { ++clicks; };
  dirs.ItemIndex = 3;
  dirs.DblClick();
  EXPECT_EQ(dirs.Directory(), "C:\\Program Files\\App\\Sub");
  EXPECT_EQ(clicks, 1);
}

}  // namespace
}  // namespace zev::ui
