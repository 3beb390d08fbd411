#pragma once
// The one error type of the program: a failed operating-system call, carrying the
// platform's own error number and description unchanged, plus what was being done to which
// path. Made only at the platform edge; everything above passes it on or shows it.

#include <stdexcept>
#include <string>

namespace base {

class SystemError : public std::runtime_error {
public:
  SystemError(std::string operation, std::string path, unsigned long number,
              std::string description)
      : std::runtime_error(operation + " \"" + path + "\": " + description + " (" +
                           std::to_string(number) + ")"),
        operation_(std::move(operation)), path_(std::move(path)), number_(number),
        description_(std::move(description)) {}

  const std::string& Operation() const { return operation_; }
  const std::string& Path() const { return path_; }
  unsigned long Number() const { return number_; }
  const std::string& Description() const { return description_; }

private:
  std::string operation_;
  std::string path_;
  unsigned long number_;
  std::string description_;
};

} // namespace base
