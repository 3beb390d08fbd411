#include "batch/ConsoleSetup.h"
#include "batch/Options.h"

namespace batch {

std::size_t StopMessage(int signal, char* buffer, std::size_t size) {
  std::size_t n = 0;
  auto put = [&](const char* text) {
    for (; *text && n + 1 < size; ++text)
      buffer[n++] = *text;
  };
  char digits[12];
  int count = 0;
  unsigned value = signal < 0 ? 0u : static_cast<unsigned>(signal);
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0 && count < 11);
  char number[12];
  for (int i = 0; i < count; ++i)
    number[i] = digits[count - 1 - i];
  number[count] = '\0';
  put(kProgramName);
  put(": stopped by signal ");
  put(number);
  put("; the temporary files are removed\n");
  if (size > 0)
    buffer[n] = '\0';
  return n;
}

} // namespace batch
