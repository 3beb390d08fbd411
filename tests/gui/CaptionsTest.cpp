// The program's windows opened in this process, so that every caption is measured with the
// font its control really carries. A face the system lacks falls back to a wider one, and
// the captions are then cut off although every other test passes.

#include "app/AppTexts.h"
#include "app/ControlIds.h"
#include "app/Globals.h"
#include "app/win32/MainWindow.h"
#include "app/win32/OptionsWindow.h"
#include "app/win32/ReadmeWindow.h"
#include "app/win32/Services.h"
#include "generation/Placeholders.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <vector>

namespace {

using app::win32::MainWindow;

struct Caption {
  std::string text;
  HWND control;
};

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string TextOf(HWND window) {
  std::string text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> children;
  EnumChildWindows(
      parent,
      [](HWND child, LPARAM list) CALLBACK {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&children));
  return children;
}

// Where the text's ink ends when the control's font draws it from the top left corner; with
// a width, wrapped at it. Ink, not GetTextExtentPoint32: Wine's Tahoma draws its small sizes
// narrower than the advance widths it reports, and what counts is what the user sees.
SIZE Ink(HWND control, const std::string& text, UINT format, int wrapWidth = 0) {
  constexpr int kWidth = 2000, kHeight = 400;
  HDC screen = GetDC(control);
  HDC dc = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = kWidth;
  info.bmiHeader.biHeight = -kHeight; // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  HGDIOBJ oldFont =
      SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
  RECT all{0, 0, kWidth, kHeight};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkMode(dc, TRANSPARENT);
  RECT rect{0, 0, wrapWidth ? wrapWidth : kWidth, kHeight};
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rect, format | DT_NOPREFIX);
  GdiFlush();
  const auto* pixels = static_cast<const std::uint32_t*>(bits);
  SIZE ink{0, 0};
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      if ((pixels[y * kWidth + x] & 0xFFFFFF) != 0xFFFFFF) {
        ink.cx = std::max<LONG>(ink.cx, x + 1);
        ink.cy = std::max<LONG>(ink.cy, y + 1);
      }
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBitmap);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(control, screen);
  return ink;
}

std::string FaceOf(HWND control) {
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
  char face[LF_FACESIZE] = {};
  GetTextFaceA(dc, sizeof face, face);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return face;
}

// Destroying the main window posts WM_QUIT, which would end the next modal loop at once.
void Destroy(HWND window) {
  DestroyWindow(window);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

// Checks every caption of window's labels and buttons; returns how many there were.
int CheckCaptions(HWND window) {
  int measured = 0;
  for (HWND control : Children(window)) {
    const std::string text = TextOf(control);
    const std::string kind = ClassOf(control);
    if (text.empty() || (kind != "Static" && kind != "Button"))
      continue;
    ++measured;
    SCOPED_TRACE("\"" + text + "\" in " + FaceOf(control));
    RECT client;
    GetClientRect(control, &client);
    const LONG_PTR style = GetWindowLongPtrA(control, GWL_STYLE);
    if (kind == "Button") {
      // The button's edge and the focus rectangle take a few pixels on each side.
      const SIZE size = Ink(control, text, DT_SINGLELINE);
      EXPECT_LE(size.cx + 2 * (GetSystemMetrics(SM_CXEDGE) + 2), client.right);
      EXPECT_LE(size.cy, client.bottom);
    } else if ((style & SS_TYPEMASK) == SS_LEFT) {
      // Wraps at word breaks: no word wider than the label, no line below its bottom.
      const SIZE size = Ink(control, text, DT_WORDBREAK, client.right);
      EXPECT_LE(size.cx, client.right);
      EXPECT_LE(size.cy, client.bottom);
    } else {
      const SIZE size = Ink(control, text, DT_SINGLELINE);
      EXPECT_LE(size.cx, client.right);
      EXPECT_LE(size.cy, client.bottom);
    }
  }
  return measured;
}

class CaptionsTest : public ::testing::Test {
protected:
  CaptionsTest()
      : program_(nullptr, shell_), services_{registry_, settings_, files_,
                                             dialog_,   boxes_,    program_} {}

  front::SystemRegistry registry_;
  front::SystemSettings settings_;
  app::win32::BraskFiles files_;
  app::win32::BraskFileDialog dialog_{files_};
  app::win32::Win32MessageBoxes boxes_;
  app::win32::BraskShell shell_;
  app::win32::Win32Program program_;
  globals::Services services_;
};

TEST_F(CaptionsTest, EveryCaptionOfTheMainWindowFitsItsControl) {
  MainWindow window(services_, shell_);
  ASSERT_TRUE(window.Show());
  // The wider of the two captions "Options..." has.
  window.SetOptionsCaption(app::texts::kCommand4On);
  EXPECT_GE(CheckCaptions(window.hwnd()), 8) << "the captions were not found";
  Destroy(window.hwnd());
}

TEST_F(CaptionsTest, EveryCaptionOfTheOptionsWindowFitsItsControl) {
  MainWindow window(services_, shell_);
  ASSERT_TRUE(window.Show());
  // The window is modal: it is measured and closed from inside its own message loop.
  static int measured;
  measured = -1;
  SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR id, DWORD) CALLBACK {
    KillTimer(nullptr, id);
    HWND options = FindWindowA(THEMEFOLD_OPTIONS_CLASS, nullptr);
    if (!options)
      return;
    measured = CheckCaptions(options);
    PostMessageA(options, WM_CLOSE, 0, 0);
  });
  app::win32::ManifestInspector inspector(files_);
  app::win32::OptionsWindow options(window.Form(), inspector);
  generation::ManifestSettings settings;
  options.ShowModal(settings, "");
  EXPECT_GE(measured, 13) << "the captions were not found";
  Destroy(window.hwnd());
}

TEST_F(CaptionsTest, EveryLineOfTheInstructionsFitsTheTextBox) {
  MainWindow window(services_, shell_);
  ASSERT_TRUE(window.Show());
  std::string text = testsupport::ReadBytes(testsupport::SourceFile("resources/readme.txt"));
  text = generation::ReplaceAll(text, "%resfile%", "App_manifest.res");
  globals::ReadmeText = generation::ReplaceAll(text, "%exename%", "App.exe");

  // The window is modal: it is measured and closed from inside its own message loop.
  static std::vector<std::string> problems;
  static std::string face;
  static bool measured;
  problems.clear();
  measured = false;
  SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR id, DWORD) CALLBACK {
    KillTimer(nullptr, id);
    HWND readme = FindWindowA(THEMEFOLD_README_CLASS, nullptr);
    if (!readme) {
      problems.push_back("no instructions window");
      return;
    }
    HWND box = GetDlgItem(readme, IDC_README_TEXT1);
    face = FaceOf(box);
    RECT format{};
    SendMessageA(box, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
    std::istringstream lines(globals::ReadmeText);
    for (std::string line; std::getline(lines, line);) {
      if (!line.empty() && line.back() == '\r')
        line.pop_back();
      const SIZE size = Ink(box, line, DT_SINGLELINE | DT_EXPANDTABS);
      if (size.cx > format.right - format.left)
        problems.push_back(std::to_string(size.cx) + " px > " +
                           std::to_string(format.right - format.left) + " px: " + line);
    }
    measured = true;
    PostMessageA(readme, WM_CLOSE, 0, 0);
  });
  app::win32::ReadmeWindow readme(window.Form());
  readme.ShowModal();
  ASSERT_TRUE(measured) << "the instructions window closed before it was measured";
  EXPECT_TRUE(problems.empty()) << "in " << face << ":\n" << ::testing::PrintToString(problems);
  Destroy(window.hwnd());
}

} // namespace
