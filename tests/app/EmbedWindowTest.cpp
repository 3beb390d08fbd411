// "Embed in the program": a dry run asked about first, an offer for what an option gets past,
// and only an OK that writes the program, with its backup and the report.
#include "Fakes.h"

#include "app/AppTexts.h"
#include "app/EmbedWords.h"
#include "front/EmbedTexts.h"
#include "front/Theming.h"
#include "readers/PeImage.h"
#include "support/PeBuilder.h"

using app::Answer;
using app::Buttons;
using app::Icon;
using Field = app::MainView::Field;

namespace {

const std::string kProgram = "C:\\Work\\App.exe";

/// A program with appended data, and an old manifest when one is given.
std::string Program(const std::string& tail, const std::string& manifest = "") {
  testsupport::PeSpec spec;
  spec.sections = {{".text", std::string(0x200, '\xC3'), 0x60000020},
                   {".rsrc", "", 0x40000040, true}};
  if (!manifest.empty())
    spec.resources = {{readers::ResourceKey::Id(readers::kManifestResourceType),
                       readers::ResourceKey::Id(1), manifest}};
  spec.tail = tail;
  return testsupport::BuildImage(spec).image;
}

/// A program with appended data and then an Authenticode signature.
std::string Signed(const std::string& tail) {
  testsupport::PeSpec spec;
  spec.sections = {{".text", std::string(0x200, '\xC3'), 0x60000020},
                   {".rsrc", "", 0x40000040, true}};
  spec.tail = tail + std::string(16, 'S');
  testsupport::BuiltImage built = testsupport::BuildImage(spec);
  built.SetDirectory(4, static_cast<std::uint32_t>(built.sectionsEnd + tail.size()), 16);
  return built.image;
}

const std::string kAdministrator =
    "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\"><trustInfo "
    "xmlns=\"urn:schemas-microsoft-com:asm.v3\"><security><requestedPrivileges>"
    "<requestedExecutionLevel level=\"requireAdministrator\"/></requestedPrivileges>"
    "</security></trustInfo></assembly>";

std::string ManifestOf(const std::string& program) {
  const readers::PeImage image(program);
  const readers::Resource* manifest = image.Find(
      readers::ResourceKey::Id(readers::kManifestResourceType), readers::ResourceKey::Id(1));
  return manifest ? image.Data(*manifest, "the manifest") : "<none>";
}

struct ExpectedBox {
  std::string starts; ///< the box's text begins so
  Buttons buttons;
};

} // namespace

TEST(EmbedWindowTest, TheDryRunIsAskedAndOnlyOkWritesTheProgramAndItsBackup) {
  const ExpectedBox question{"Embed the manifest in\n\"" + kProgram + "\"?\n\n", Buttons::OkCancel};
  const ExpectedBox offer{"App.exe is left as it was: it carries data after", Buttons::YesNo};
  const ExpectedBox unsign{"App.exe is left as it was: it carries an Authenticode signature",
                           Buttons::YesNo};
  const ExpectedBox report{"App.exe now carries the manifest.\n", Buttons::Ok};
  const ExpectedBox refusal{"App.exe is left as it was: ", Buttons::Ok};
  const ExpectedBox changed{"App.exe changed since it was read: ", Buttons::Ok};
  struct Row {
    const char* name;
    std::string program;
    const char* version;
    bool readOnly;
    std::vector<Answer> answers;
    std::vector<ExpectedBox> boxes;
    bool written;
    /// Another program adds a byte to it while the backup is made.
    bool changedMeanwhile = false;
    bool componentsChecked = false; ///< "With the components it uses"
  };
  const Row rows[] = {
      {"Cancel", Program(""), "1.2.3.4", false, {Answer::Cancel}, {question}, false},
      {"OK", Program(""), "1.2.3.4", false, {Answer::Ok, Answer::Ok}, {question, report}, true},
      {"OK, the old manifest asked for more",
       Program("", kAdministrator),
       "1.2.3.4",
       false,
       {Answer::Ok, Answer::Ok},
       {question, report},
       true},
      {"appended data: No", Program("PAYLOAD"), "1.2.3.4", false, {Answer::No}, {offer}, false},
      {"appended data: Yes, OK",
       Program("PAYLOAD"),
       "1.2.3.4",
       false,
       {Answer::Yes, Answer::Ok, Answer::Ok},
       {offer, question, report},
       true},
      // Each setting offered as the refusal names it, the signature first.
      {"signed, appended data: Yes, Yes, OK",
       Signed("PAYLOAD"),
       "1.2.3.4",
       false,
       {Answer::Yes, Answer::Yes, Answer::Ok, Answer::Ok},
       {unsign, offer, question, report},
       true},
      {"not a program: no offer",
       "MZ, not really a program",
       "1.2.3.4",
       false,
       {},
       {refusal},
       false},
      {"read-only: asked, then refused",
       Program(""),
       "1.2.3.4",
       true,
       {},
       {question, refusal},
       false},
      {"a version Windows refuses",
       Program(""),
       "1.2",
       false,
       {},
       {{"Version info", Buttons::Ok}},
       false},
      {"changed since it was read",
       Program(""),
       "1.2.3.4",
       false,
       {Answer::Ok},
       {question, changed},
       false,
       true},
      {"its components asked of a program Visual Basic did not build",
       Program(""),
       "1.2.3.4",
       false,
       {},
       {{"App.exe was not built by Visual Basic: it records no components to look for; name "
         "each one in the components list of \"Options...\"",
         Buttons::Ok}},
       false,
       false,
       true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fakes::MainWindowRig w;
    w.world.files.AddFolder("C:\\Work\\");
    w.world.files.AddFile(kProgram, row.program, row.readOnly);
    if (row.changedMeanwhile)
      w.world.files.beforeWrite[2] = [&w] { w.world.files.files[kProgram].bytes += 'X'; };
    w.view.SetText(Field::Text1, kProgram);
    w.view.SetText(Field::Text4, row.version);
    w.view.componentsChecked = row.componentsChecked;
    EXPECT_TRUE(w.view.embedEnabled);
    w.world.boxes.answers.assign(row.answers.begin(), row.answers.end());
    w.form.Command5_Click();

    const std::vector<app::Box>& shown = w.world.boxes.shown;
    ASSERT_EQ(shown.size(), row.boxes.size()) << ::testing::PrintToString(w.world.boxes.Texts());
    for (std::size_t i = 0; i < shown.size(); ++i) {
      EXPECT_EQ(shown[i].text.rfind(row.boxes[i].starts, 0), 0u) << shown[i].text;
      EXPECT_EQ(shown[i].buttons, row.boxes[i].buttons) << shown[i].text;
    }
    // The question speaks of the program, never of its sections.
    const bool old = row.program.find("requireAdministrator") != std::string::npos;
    const std::string differences =
        old ? "The manifest it carries changes:\n  assemblyIdentity: none -> App.exe\n"
              "  dependency Microsoft.Windows.Common-Controls: none -> 6.0.0.0"
            : app::texts::kEmbedThemed;
    for (const app::Box& box : shown) {
      if (box.buttons != Buttons::OkCancel)
        continue;
      EXPECT_EQ(box.text, app::texts::EmbedQuestion(kProgram, differences, "App.exe.bak"));
    }
    for (std::size_t i = 0; i < shown.size(); ++i) {
      if (row.boxes[i].buttons != Buttons::YesNo)
        continue;
      const bool overlay = row.boxes[i].starts == offer.starts;
      EXPECT_NE(shown[i].text.find(overlay ? "\n\nThe program carries appended data after its "
                                             "last section. Keep it,"
                                           : "\n\nRemove the signature and embed the manifest?"),
                std::string::npos);
      EXPECT_EQ(shown[i].defaultButton, 2);
    }
    if (!row.written) {
      EXPECT_EQ(w.world.files.Bytes(kProgram), row.program + (row.changedMeanwhile ? "X" : ""));
      EXPECT_FALSE(w.world.files.Has(kProgram + ".bak"));
      EXPECT_EQ(w.world.files.files.size(), 1u); // nor a temporary file
      continue;
    }
    EXPECT_EQ(shown[shown.size() - 2].text.substr(shown[shown.size() - 2].text.rfind("\n\n")),
              "\n\nThe program is copied to App.exe.bak first.");
    EXPECT_EQ(w.world.files.Bytes(kProgram + ".bak"), row.program);
    const std::string now = w.world.files.Bytes(kProgram);
    EXPECT_NE(ManifestOf(now).find("version=\"1.2.3.4\""), std::string::npos);
    EXPECT_EQ(now.substr(now.size() - 7) == "PAYLOAD",
              row.program.find("PAYLOAD") != std::string::npos);
    const std::string& text = shown.back().text;
    EXPECT_NE(text.find("\nbackup: " + kProgram + ".bak\n"), std::string::npos) << text;
    // The old manifest's run level stays, and the report names what changed.
    EXPECT_EQ(ManifestOf(now).find("requireAdministrator") != std::string::npos, old);
    EXPECT_EQ(text.find("\n" + differences + "\n\nbackup: "), text.find('\n')) << text;
    const std::string note = "Rebuilding the program replaces it, and with it the embedded "
                             "manifest. For a lasting change, put the manifest into the "
                             "program's own build, or embed it again after each build.";
    EXPECT_EQ(text.substr(text.size() - note.size()), note);
  }
}

// A second press finds the manifest there: one box says so, nothing is asked or written.
TEST(EmbedWindowTest, AProgramCarryingTheManifestIsToldSoWithoutAQuestion) {
  fakes::MainWindowRig w;
  w.world.files.AddFolder("C:\\Work\\");
  w.world.files.AddFile(kProgram, Program(""));
  w.view.SetText(Field::Text1, kProgram);
  w.view.SetText(Field::Text4, "1.2.3.4");
  w.world.boxes.answers = {Answer::Ok, Answer::Ok};
  w.form.Command5_Click();
  const std::string embedded = w.world.files.Bytes(kProgram);
  w.world.boxes.shown.clear();
  w.form.Command5_Click();
  ASSERT_EQ(w.world.boxes.shown.size(), 1u) << ::testing::PrintToString(w.world.boxes.Texts());
  EXPECT_EQ(w.world.boxes.shown[0].text, front::embedtexts::AlreadyThere("App.exe"));
  EXPECT_EQ(w.world.boxes.shown[0].icon, Icon::Information);
  EXPECT_EQ(w.world.files.Bytes(kProgram), embedded);
  EXPECT_FALSE(w.world.files.Has(kProgram + ".bak1"));
}

// The texts of front/ that tell the user what to do name the window's own controls.
TEST(EmbedWindowTextsTest, NameTheWindowsControls) {
  const front::Wording words = app::texts::ControlWording();
  EXPECT_EQ(front::embedtexts::RebuildNote(true, words),
            "Rebuilding the program in Visual Basic replaces it, and with it the embedded "
            "manifest. For a lasting change, set the project up instead: choose its .vbp file "
            "as the program and press \"Generate...\".");
  for (const std::string& word : {words.setUpProject, words.embedAfterBuild, words.embedInstead})
    EXPECT_EQ(word.find("--"), std::string::npos) << word;
}

namespace {

/// The lines a message box shows text in, each wrapped at width characters.
std::size_t ShownLines(const std::string& text, std::size_t width) {
  std::size_t lines = 0;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    lines += std::max<std::size_t>(1, (end - start + width - 1) / width);
    if (end == text.size())
      return lines;
    start = end + 1;
  }
}

} // namespace

// The question and the report speak of the program: what it does differently, the options
// chosen, the warnings and the backup; and the longest of them fits a 1024x768 screen, where
// a box wraps its lines at about 90 characters and shows about 36 of them.
TEST(EmbedWindowTextsTest, SpeakOfTheProgramAndFitTheScreen) {
  const std::string warning = "the user control ctlGrid is compiled into the program";
  generation::ManifestSettings all;
  all.supportedOs = true;
  all.runLevel = generation::RunLevel::AsInvoker;
  all.dpi = generation::DpiAwareness::System;
  all.gdiScaling = all.longPathAware = all.printerIsolation = true;
  all.codePage = generation::CodePage::Utf8;
  all.components = {"MSCOMCTL.OCX", "Grid.ocx"};
  front::Result result;
  result.outcome = front::Outcome::Done;
  result.warnings = {warning};
  result.backups = {"C:\\Work\\App.exe.bak"};
  result.visualBasic = true;
  EXPECT_EQ(app::EmbedQuestionText("C:\\Work\\App.exe", all, result, "App.exe.bak"),
            "Embed the manifest in\n\"C:\\Work\\App.exe\"?\n\n" +
                std::string(app::texts::kEmbedThemed) +
                "\nChosen in \"Options...\": Windows Vista to 11 supported; run level asInvoker; "
                "DPI system aware; GDI scaling; long paths; code page UTF-8; printer driver "
                "isolation; 2 components used without registration.\n\nWatch for:\n- " +
                warning + "\n\nThe program is copied to App.exe.bak first.");
  EXPECT_EQ(app::EmbedReportText("App.exe", result, generation::ManifestSettings()),
            "App.exe now carries the manifest.\n" + std::string(app::texts::kEmbedThemed) +
                "\n\nWatch for:\n- " + warning + "\n\nbackup: C:\\Work\\App.exe.bak\n" +
                front::embedtexts::RebuildNote(true, app::texts::ControlWording()));

  // A program that carries the manifest already: the one line, and still what to watch for.
  front::Result already;
  already.outcome = front::Outcome::DryRun;
  already.message = front::embedtexts::AlreadyThere("App.exe");
  already.lines = {front::embedtexts::kSectionsBefore};
  already.warnings = {warning};
  EXPECT_EQ(app::EmbedReportText("App.exe", already, all),
            already.message + "\n\nWatch for:\n- " + warning);

  // The longest: a long path, every option, an old manifest changed in many places, every
  // warning naming as much as it names.
  result.hadManifest = true;
  result.changes.assign(20, "  requestedExecutionLevel: requireAdministrator -> asInvoker");
  readers::VbProgram vb;
  vb.startupForm = "frmOrdersAndInvoicesMain";
  vb.objects = {{"frmOrdersAndInvoicesMain", readers::VbObjectKind::Form}};
  for (int i = 0; i < 20; ++i)
    vb.objects.push_back(
        {"ctlOrderGridWithAVeryLongName" + std::to_string(i), readers::VbObjectKind::UserControl});
  result.warnings = front::ThemingWarnings(vb, generation::CodePage::NotSet);
  result.warnings.push_back(front::embedtexts::kOtherNames);
  ASSERT_EQ(result.warnings.size(), 3u);
  const std::string path =
      "C:\\Users\\Someone With A Long Name\\Documents\\Visual Basic "
      "Projects\\Orders and Invoices 2024\\Release Build\\OrdersAndInvoices.exe";
  result.backups = {path + ".bak"};
  const std::string longest[] = {
      app::EmbedQuestionText(path, all, result, "OrdersAndInvoices.exe.bak"),
      app::EmbedReportText("OrdersAndInvoices.exe", result, all)};
  for (const std::string& text : longest) {
    SCOPED_TRACE(text);
    EXPECT_LE(ShownLines(text, 90), 36u);
    EXPECT_NE(text.find(app::texts::EmbedMoreChanges(12)), std::string::npos);
  }
}
