// ZenHelper: turns PSD, PSB and over-tall images into BMP files for the slicing job.
#include <cstdio>
#include <string>
#include <vector>

#include "converter/command_line.h"

int main(int argc, char** argv) {
  std::vector<std::string> words(argv + (argc > 0 ? 1 : 0), argv + argc);
  return zen::RunConverter(words, stdout, stderr);
}
