#pragma once
// The instructions window's logic. The window itself is a ReadmeView.

#include <string>

#include "app/Services.h"

namespace app {

class frmMain;

/// Sizes in any one unit, as long as the box and the client area share it. The setters
/// may throw; the handlers skip a failing step.
class ReadmeView {
public:
  virtual ~ReadmeView() = default;
  virtual void SetTextLeft(int left) = 0;
  virtual void SetTextTop(int top) = 0;
  virtual void SetText(const std::string& text) = 0;
  virtual void SetIcon(IconHandle icon) = 0;
  virtual bool IsMinimised() const = 0;
  virtual int ClientWidth() const = 0;
  virtual int ClientHeight() const = 0;
  virtual void SetTextWidth(int width) = 0;
  virtual void SetTextHeight(int height) = 0;
};

class frmReadme {
public:
  frmReadme(ReadmeView& view, const frmMain& main) : view_(view), main_(main) {}
  void Form_Load();
  void Form_Resize();

private:
  ReadmeView& view_;
  const frmMain& main_;
};

} // namespace app
