#include "rc/Compiler.h"

#include "base/Path.h"
#include "rc/CharClass.h"
#include "rc/Diagnostics.h"
#include "rc/Files.h"
#include "rc/Lexer.h"
#include "rc/Parser.h"
#include "rc/ResWriter.h"

#include "platform/Stopping.h"

#include <memory>

namespace rc {

namespace {

bool ParseHex(std::string text, std::uint32_t& value) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    text = text.substr(2);
  if (text.empty() || text.size() > 8)
    return false;
  value = 0;
  for (char c : text) {
    int d = DigitValue(c);
    if (d < 0 || d > 15)
      return false;
    value = value * 16 + static_cast<std::uint32_t>(d);
  }
  return true;
}

bool ParseDecimal(const std::string& text, std::uint32_t& value) {
  if (text.empty() || text.size() > 9)
    return false;
  value = 0;
  for (char c : text) {
    if (!IsDigit(c))
      return false;
    value = value * 10 + static_cast<std::uint32_t>(c - '0');
  }
  return true;
}

CompileError CannotCreate(const std::string& output) {
  return CompileError(ErrorCode::kCannotWrite, "cannot create '" + output + "'");
}

CompileError CannotWrite(const std::string& output) {
  return CompileError(ErrorCode::kCannotWrite, "cannot write '" + output + "'");
}

// The file that will replace the output once everything has succeeded: created beside it
// (a rename within one folder is atomic), removed unless it was renamed. The program is
// told its name, so that an interrupted run can remove it too.
class Temporary {
public:
  Temporary(files::FileSystem& fs, void (*notify)(const char*), void (*hold)(bool))
      : fs_(fs), notify_(notify), hold_(hold) {}
  ~Temporary() {
    if (!path_.empty()) {
      fs_.Remove(path_);
      Forget();
    }
  }
  Temporary(const Temporary&) = delete;
  Temporary& operator=(const Temporary&) = delete;

  std::unique_ptr<files::OutputFile> Create(const std::string& output) {
    // A taken name is someone else's: another name, never that file.
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string name = platform::TemporaryNameBeside(output);
      bool taken = false;
      // The file and its notice come as one: an interrupt waits until both are done.
      Held held(hold_);
      std::unique_ptr<files::OutputFile> file = fs_.CreateNew(name, taken);
      if (file) {
        path_ = std::move(name);
        if (notify_)
          notify_(path_.c_str());
        return file;
      }
      if (!taken)
        break;
    }
    throw CannotCreate(output);
  }

  void RenameTo(const std::string& output) {
    if (!fs_.Rename(path_, output))
      throw CannotCreate(output);
    path_.clear();
    Forget();
  }

private:
  class Held {
  public:
    explicit Held(void (*hold)(bool)) : hold_(hold) {
      if (hold_)
        hold_(true);
    }
    ~Held() {
      if (hold_)
        hold_(false);
    }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

  private:
    void (*hold_)(bool);
  };

  void Forget() {
    if (notify_)
      notify_(nullptr);
  }

  files::FileSystem& fs_;
  void (*notify_)(const char*);
  void (*hold_)(bool);
  std::string path_;
};

} // namespace

const char* Usage() {
  return "Usage: rc [options] script.rc\n"
         "Compiles a resource script into a Win32 .res file.\n"
         "\n"
         "Options (start with / or -, any letter case):\n"
         "  /r              compile only (always the case)\n"
         "  /fo FILE        write the .res to FILE (default: the script's name with .res)\n"
         "  /d NAME[=VALUE] define a macro\n"
         "  /u NAME         undefine a macro\n"
         "  /i DIR          look for included and named files in DIR too\n"
         "  /l LANGID       default language, hexadecimal (default 409)\n"
         "  /c CODEPAGE     code page of the script: 1252 (default) or 65001\n"
         "  /n              end every string table string with a NUL\n"
         "  /x              ignore the INCLUDE environment variable and the bundled headers\n"
         "  /v              report what is done\n"
         "  /?              show this text\n"
         "\n"
         "Exit status: 0 compiled; 1 failed (a file at the output is left as it was);\n"
         "2 bad command line; 128 + N interrupted by signal N (130: Ctrl-C), nothing written.\n";
}

std::vector<std::string> BundledIncludeDirs(const std::string& programPath) {
  const std::string folder = path::Folder(programPath, path::Style::windows);
  return {files::Join(folder, "include"), files::Join(folder, "../share/themefold/include")};
}

std::string DefaultOutput(const std::string& script) {
  // Only a dot in the file's own name starts an extension.
  const std::string name = path::BaseName(script, path::Style::windows);
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos)
    return script + ".res";
  return script.substr(0, script.size() - name.size() + dot) + ".res";
}

Options ParseCommandLine(const std::vector<std::string>& args) {
  Options o;
  bool switchesEnded = false;
  auto bad = [](const std::string& message) {
    throw CompileError(ErrorCode::kInvalidOption, message);
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    // On hosts whose paths begin with '/', an argument naming an existing file is a path,
    // and so is a last argument with a second '/' (the script, which may not exist yet).
    const bool looksLikePath =
        files::Exists(arg) || (i + 1 == args.size() && arg.find('/', 1) != std::string::npos);
    const bool isSwitch =
        !switchesEnded && arg.size() > 1 && (arg[0] == '-' || (arg[0] == '/' && !looksLikePath));
    if (!isSwitch) {
      if (!o.script.empty())
        bad("more than one script given: '" + o.script + "' and '" + arg + "'");
      o.script = arg;
      continue;
    }
    if (arg == "--") {
      switchesEnded = true;
      continue;
    }
    const std::string body = arg.substr(1);
    const std::string lower = ascii::Lower(body);
    // A switch with a value takes it joined ("/foout.res") or from the next argument.
    auto value = [&](std::size_t nameLength) -> std::string {
      if (body.size() > nameLength)
        return body.substr(nameLength);
      if (i + 1 >= args.size())
        bad("option " + arg + " needs a value");
      return args[++i];
    };
    if (lower == "r" || lower == "nologo" || lower == "w" || lower == "y") {
    } else if (lower == "?" || lower == "h" || lower == "help") {
      o.help = true;
    } else if (lower == "n") {
      o.nullTerminateStrings = true;
    } else if (lower == "x") {
      o.ignoreIncludeVariable = true;
    } else if (lower == "v") {
      o.verbose = true;
    } else if (lower.rfind("fo", 0) == 0) {
      o.output = value(2);
    } else if (lower[0] == 'd') {
      std::string def = value(1);
      std::size_t eq = def.find('=');
      std::string name = def.substr(0, eq);
      if (name.empty() || !IsCIdentifierStart(name[0]))
        bad("option " + arg + ": '" + name + "' is no macro name");
      o.defines.emplace_back(name, eq == std::string::npos ? "1" : def.substr(eq + 1));
    } else if (lower[0] == 'u') {
      o.undefines.push_back(value(1));
    } else if (lower[0] == 'i') {
      o.includeDirs.push_back(value(1));
    } else if (lower[0] == 'l') {
      std::string text = value(1);
      std::uint32_t id = 0;
      if (!ParseHex(text, id) || id > 0xffff)
        bad("option " + arg + ": '" + text + "' is no hexadecimal language id");
      o.language = static_cast<std::uint16_t>(id);
    } else if (lower[0] == 'c') {
      std::string text = value(1);
      std::uint32_t page = 0;
      if (!ParseDecimal(text, page) || (page != 1252 && page != 65001))
        bad("option " + arg + ": code page '" + text + "' is not supported (1252 and 65001 are)");
      o.codePage = static_cast<std::uint16_t>(page);
    } else {
      bad("invalid option: " + arg);
    }
  }
  if (!o.help && o.script.empty())
    bad("no script given (rc /? shows the usage)");
  return o;
}

Result Compile(const Options& options) { return Compile(options, files::Disk()); }

Result Compile(const Options& options, files::FileSystem& fs) {
  files::UseFileSystem use(fs);
  Result result;
  const std::string output =
      options.output.empty() ? DefaultOutput(options.script) : options.output;
  files::LoadCache cache;
  Temporary temporary(fs, options.temporaryFile, options.holdInterrupts);
  try {
    // What is at the output stays as it is until this compilation has succeeded.
    const files::Kind kind = fs.Inspect(output).kind;
    if (kind == files::Kind::kFolder)
      throw CannotCreate(output);
    if (kind == files::Kind::kOther)
      throw CompileError(ErrorCode::kCannotWrite,
                         "output '" + output + "' is neither a file nor a character device");
    files::ProtectOutput protect(output);
    PreprocessorOptions pp;
    pp.defines = options.defines;
    pp.undefines = options.undefines;
    pp.includeDirs = options.includeDirs;
    pp.useIncludeVariable = !options.ignoreIncludeVariable;
    if (!options.ignoreIncludeVariable)
      pp.systemIncludeDirs = options.bundledIncludeDirs;
    pp.codePage = options.codePage;
    Preprocessor preprocessor(pp);
    preprocessor.Open(options.script);

    // A device (/dev/null) is written in place: it cannot be replaced, nor need it be.
    std::unique_ptr<files::OutputFile> file;
    if (kind == files::Kind::kDevice) {
      file = fs.OpenDevice(output);
      if (!file)
        throw CannotWrite(output);
    } else {
      file = temporary.Create(output);
    }
    WriterOptions wo;
    wo.language = options.language;
    wo.nullTerminateStrings = options.nullTerminateStrings;
    wo.scriptFolder = path::Folder(options.script, path::Style::windows);
    wo.includeDirs = options.includeDirs;
    wo.useIncludeVariable = !options.ignoreIncludeVariable;
    ResOutput out(*file);
    ResWriter writer(out, wo);
    Lexer lexer(preprocessor);
    Parser parser(lexer, writer);
    writer.Begin();
    parser.Run();
    writer.End();
    bool written = out.Finish();
    written = file->Close() && written;
    file.reset();
    if (!written)
      throw CannotWrite(output);
    if (kind != files::Kind::kDevice)
      temporary.RenameTo(output);
    if (options.verbose)
      result.log = "Compiled " + options.script + " into " + output + "\n";
    result.ok = true;
  } catch (const CompileError& e) {
    result.diagnostics = std::string(e.what()) + "\n";
  } catch (const files::Refused& refused) {
    result.diagnostics = std::string(CompileError(refused.code, refused.message).what()) + "\n";
  } catch (const std::bad_alloc&) {
    result.diagnostics = "rc : error RC1002: out of memory\n";
  }
  return result;
}

} // namespace rc
