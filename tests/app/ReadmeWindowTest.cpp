// frmReadme: what it shows and how its box follows the window's size.
#include "Fakes.h"

#include <stdexcept>

namespace {

class ReadmeView : public app::ReadmeView {
public:
  int left = -1, top = -1, width = 10, height = 10;
  int clientWidth = 471, clientHeight = 320;
  bool minimised = false;
  bool widthFails = false, heightFails = false;
  std::string text;
  app::IconHandle icon = 0;

  void SetTextLeft(int value) override { left = value; }
  void SetTextTop(int value) override { top = value; }
  void SetText(const std::string& value) override { text = value; }
  void SetIcon(app::IconHandle value) override { icon = value; }
  bool IsMinimised() const override { return minimised; }
  int ClientWidth() const override { return clientWidth; }
  int ClientHeight() const override { return clientHeight; }
  void SetTextWidth(int value) override {
    if (widthFails)
      throw std::runtime_error("width");
    width = value;
  }
  void SetTextHeight(int value) override {
    if (heightFails)
      throw std::runtime_error("height");
    height = value;
  }
};

struct Windows {
  fakes::World world;
  fakes::MainView mainView;
  fakes::ReadmeWindow readme;
  fakes::OptionsWindow options;
  app::frmMain main{mainView, world.services, world.shell, readme, options};
  ReadmeView view;
  app::frmReadme form{view, main};
};

} // namespace

TEST(ReadmeWindowTest, LoadShowsTheTextUnchangedAndTheMainWindowsIcon) {
  Windows w;
  globals::ReadmeText = "line one\r\n\tline two with a tab\nbare LF\r\n";
  w.view.left = w.view.top = 99;
  w.form.Form_Load();
  EXPECT_EQ(w.view.left, 0);
  EXPECT_EQ(w.view.top, 0);
  EXPECT_EQ(w.view.text, globals::ReadmeText);
  EXPECT_EQ(w.view.icon, 0x5678u);

  globals::ReadmeText = "second generation";
  w.form.Form_Load();
  EXPECT_EQ(w.view.text, "second generation");
}

TEST(ReadmeWindowTest, TheBoxAlwaysFillsTheClientArea) {
  struct Row {
    const char* name;
    int clientWidth, clientHeight;
    bool minimised, widthFails, heightFails;
    int width, height;
  };
  const Row rows[] = {
      {"first showing", 471, 320, false, false, false, 471, 320},
      {"maximised", 1024, 700, false, false, false, 1024, 700},
      {"very small", 3, 0, false, false, false, 3, 0},
      {"minimised: untouched", 0, 0, true, false, false, 10, 10},
      {"width fails, height still set", 500, 400, false, true, false, 10, 400},
      {"height fails, width still set", 500, 400, false, false, true, 500, 10},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Windows w;
    w.view.clientWidth = row.clientWidth;
    w.view.clientHeight = row.clientHeight;
    w.view.minimised = row.minimised;
    w.view.widthFails = row.widthFails;
    w.view.heightFails = row.heightFails;
    w.form.Form_Resize();
    EXPECT_EQ(w.view.width, row.width);
    EXPECT_EQ(w.view.height, row.height);
  }
}
