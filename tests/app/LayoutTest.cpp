// The main window's layout: the twips table gives the designed pixels at 96 DPI, in tab
// order, without overlaps, and scales with the screen.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "app/ControlIds.h"
#include "app/Layout.h"

using namespace app::layout;

TEST(LayoutTest, TwipsGiveTheDesignedPixelsAt96Dpi) {
  struct Pixels {
    int left, top, width, height;
    bool operator==(const Pixels& o) const {
      return left == o.left && top == o.top && width == o.width && height == o.height;
    }
  };
  const std::map<int, Pixels> designed = {
      {IDC_PICTURE1, {10, 7, 210, 75}},    {IDC_LABEL2, {229, 7, 227, 70}},
      {IDC_LABEL1, {11, 91, 77, 13}},      {IDC_TEXT1, {11, 106, 420, 19}},
      {IDC_COMMAND3, {436, 106, 24, 19}},  {IDC_LABEL3, {11, 131, 86, 13}},
      {IDC_TEXT3, {11, 146, 449, 19}},     {IDC_LABEL4, {11, 170, 60, 13}},
      {IDC_TEXT4, {11, 185, 449, 19}},     {IDC_LABEL12, {12, 212, 84, 13}},
      {IDC_LABEL13, {98, 212, 98, 13}},    {IDC_COMMAND4, {237, 215, 72, 23}},
      {IDC_COMMAND1, {313, 215, 72, 23}},  {IDC_COMMAND2, {389, 215, 72, 23}},
      {IDC_COMMAND5, {313, 242, 148, 23}}, {IDC_CHECK1, {11, 245, 296, 17}},
  };
  ASSERT_EQ(kMainControlCount, designed.size());
  for (std::size_t i = 0; i < kMainControlCount; ++i) {
    const Control& c = kMainControls[i];
    SCOPED_TRACE(c.id);
    const Pixels got{TwipsToPixels(c.left, 96), TwipsToPixels(c.top, 96),
                     TwipsToPixels(c.width, 96), TwipsToPixels(c.height, 96)};
    ASSERT_TRUE(designed.count(c.id));
    const Pixels& want = designed.at(c.id);
    EXPECT_TRUE(got == want) << got.left << "," << got.top << "," << got.width << "," << got.height;
    EXPECT_LE(got.left + got.width, 473);
    EXPECT_LE(got.top + got.height, 276);
  }
  EXPECT_EQ(TwipsToPixels(kMainClientWidth, 96), 473);
  EXPECT_EQ(TwipsToPixels(kMainClientHeight, 96), 276);
  EXPECT_EQ(TwipsToPixels(kReadmeClientWidth, 96), 471);
  EXPECT_EQ(TwipsToPixels(kReadmeClientHeight, 96), 320);
}

TEST(LayoutTest, FocusRunsInTheDesignedOrderAndNothingOverlaps) {
  // Controls are created in table order, and Tab follows creation order over the controls
  // that take the focus: boxes, buttons and the picture.
  const std::vector<int> designed = {IDC_TEXT1,    IDC_COMMAND3, IDC_TEXT3,    IDC_TEXT4,
                                     IDC_COMMAND4, IDC_COMMAND1, IDC_COMMAND2, IDC_COMMAND5,
                                     IDC_CHECK1,   IDC_PICTURE1};
  std::vector<int> focusable;
  for (std::size_t i = 0; i < kMainControlCount; ++i) {
    const Control& c = kMainControls[i];
    if (c.kind != Kind::Label && c.kind != Kind::Link)
      focusable.push_back(c.id);
  }
  EXPECT_EQ(focusable, designed);

  for (std::size_t i = 0; i < kMainControlCount; ++i) {
    const Control& a = kMainControls[i];
    SCOPED_TRACE(a.id);
    for (std::size_t j = i + 1; j < kMainControlCount; ++j) {
      const Control& b = kMainControls[j];
      const bool apart = a.left + a.width <= b.left || b.left + b.width <= a.left ||
                         a.top + a.height <= b.top || b.top + b.height <= a.top;
      EXPECT_TRUE(apart) << a.id << " overlaps " << b.id;
    }
  }
}

TEST(LayoutTest, SizesScaleWithTheScreen) {
  struct Row {
    int dpi;
    int clientWidth, clientHeight, tahoma, fixedsys;
  };
  const Row rows[] = {
      {96, 473, 276, -11, -12},
      {120, 591, 345, -14, -15},
      {144, 710, 414, -17, -18},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.dpi);
    EXPECT_EQ(TwipsToPixels(kMainClientWidth, row.dpi), row.clientWidth);
    EXPECT_EQ(TwipsToPixels(kMainClientHeight, row.dpi), row.clientHeight);
    EXPECT_EQ(FontHeight(825, row.dpi), row.tahoma);
    EXPECT_EQ(FontHeight(900, row.dpi), row.fixedsys);
  }
}

TEST(LayoutTest, OptionsWindowFitsItsControlsInTabOrderWithoutOverlaps) {
  // clang-format off
  const std::vector<int> designed = {IDC_OPTIONS_SUPPORTEDOS, IDC_OPTIONS_RUNLEVEL,
                                     IDC_OPTIONS_DPI,         IDC_OPTIONS_GDISCALING,
                                     IDC_OPTIONS_LONGPATHS,   IDC_OPTIONS_CODEPAGE,
                                     IDC_OPTIONS_PRINTERISOLATION, IDC_OPTIONS_COMPONENTS,
                                     IDC_OPTIONS_ADD_COMPONENT, IDC_OPTIONS_REMOVE_COMPONENT,
                                     IDC_OPTIONS_FROM_PROJECT, IDC_OPTIONS_REPORT,
                                     IDC_OPTIONS_OK,          IDC_OPTIONS_CANCEL};
  // clang-format on
  std::vector<int> focusable;
  for (std::size_t i = 0; i < kOptionsControlCount; ++i) {
    const Control& a = kOptionsControls[i];
    SCOPED_TRACE(a.id);
    if (a.kind != Kind::Label && a.kind != Kind::Note)
      focusable.push_back(a.id);
    EXPECT_GE(a.left, 165);
    EXPECT_GE(a.top, 165);
    EXPECT_LE(a.left + a.width, kOptionsClientWidth - 165);
    EXPECT_LE(a.top + a.height, kOptionsClientHeight - 165);
    for (std::size_t j = i + 1; j < kOptionsControlCount; ++j) {
      const Control& b = kOptionsControls[j];
      const bool apart = a.left + a.width <= b.left || b.left + b.width <= a.left ||
                         a.top + a.height <= b.top || b.top + b.height <= a.top;
      EXPECT_TRUE(apart) << a.id << " overlaps " << b.id;
    }
  }
  EXPECT_EQ(focusable, designed);
}
