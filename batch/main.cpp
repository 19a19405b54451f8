// zentrova-slice: the batch command line over the window program's own job.
#include <cstdio>
#include <string>
#include <vector>

#include "app/version.h"
#include "batch/batch_options.h"
#include "batch/batch_run.h"

int main(int argc, char** argv) {
  using namespace zen::batch;
  const std::vector<std::string> args(argv + 1, argv + argc);
  const ParseResult parsed = ParseBatchOptions(args);
  if (parsed.options.help) {
    std::fputs(BatchHelpText().c_str(), stdout);
    return ExitDone;
  }
  if (parsed.options.version) {
    std::printf("zentrova-slice %s\n", std::string(zen::VersionText()).c_str());
    return ExitDone;
  }
  if (!parsed.error.empty()) {
    std::fprintf(stderr, "zentrova-slice: %s\nTry 'zentrova-slice --help'.\n", parsed.error.c_str());
    return ExitUsage;
  }
  return RunBatch(parsed.options, stdout, stderr);
}
