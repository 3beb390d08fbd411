#pragma once
// The user's side of a delivery, scripted: both front ends' tests drive front::Deliverer
// through it and read back what the user was asked and told, in order.

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "base/Path.h"
#include "front/Delivery.h"
#include "project/ProjectTexts.h"
#include "support/FakeFiles.h"

namespace fakes {

class FrontConversation : public front::Conversation {
public:
  /// The answers to a project's confirmations in order; then whenNoneLeft.
  std::deque<front::Confirmation> confirmations;
  front::Confirmation whenNoneLeft = front::Confirmation::Yes;
  /// Called at each confirmation before it is answered, as while the question is open.
  std::function<void()> onConfirm;
  /// A generation's questions and reports, answered as fakes::Conversation does.
  fakes::Conversation generated;
  /// Every question, report, confirmation (in the window's words) and note, in order.
  std::vector<std::string> said;
  std::vector<std::string> notes;

  bool Ask(generation::Question question, const std::string& text) override {
    said.push_back(text);
    return generated.Ask(question, text);
  }
  void Tell(generation::Report report, const std::string& text) override {
    said.push_back(text);
    generated.Tell(report, text);
  }
  void CompilerFinished() override {}
  void ShowInstructions(const std::string& text) override { generated.ShowInstructions(text); }
  front::Confirmation Confirm(const project::Plan& plan, bool again) override {
    const std::string folder = path::Folder(plan.projectPath, path::Style::windows);
    said.push_back(project::texts::Question(folder, project::DescribeChanges(plan, folder), again));
    if (onConfirm)
      onConfirm();
    if (confirmations.empty())
      return whenNoneLeft;
    const front::Confirmation answer = confirmations.front();
    confirmations.pop_front();
    return answer;
  }
  void Note(const std::string& text) override {
    said.push_back(text);
    notes.push_back(text);
  }
};

} // namespace fakes
