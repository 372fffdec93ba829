#include "ui/console.h"

#include <cstdarg>
#include <cstdio>

#include "platform/platform.h"

void consoleLine(const char* format, ...) {
  char line[256];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(line, sizeof line, format, arguments);
  va_end(arguments);
  platform::app().standardOutput(line);
}
