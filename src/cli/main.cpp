// velora-resize: the program's conversions from a terminal, for scripts and machines
// without a display.
#include <clocale>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <mutex>

#include "batch.h"
#include "options.h"
#include "util/TarnoTPU.h"

using namespace velora;

namespace {

void OnInterrupt(int) {
  cli::AbortRequested = true;
}

// Messages the window shows in boxes go to standard error, one text at a time.
void PrintMessage(MessageKind kind, const std::string& text) {
  static std::mutex mutex;
  std::string plain;
  for (char c : text) {
    if (c != '\r') plain += c;
  }
  std::lock_guard lock(mutex);
  std::fprintf(stderr, "%s: %s\n", MessageTitle(kind), plain.c_str());
  std::fflush(stderr);
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  std::setlocale(LC_NUMERIC, "C");
  std::vector<std::string> args(argv + 1, argv + argc);
  cli::Options options;
  std::string error;
  if (!cli::ParseOptions(args, options, error)) {
    std::fprintf(stderr, "velora-resize: %s\n\n%s", error.c_str(), cli::UsageText());
    return 2;
  }
  if (options.Help) {
    std::fputs(cli::UsageText(), stdout);
    return 0;
  }
  if (options.Version) {
    std::printf("velora-resize %s\n", GetFileVersion().c_str());
    return 0;
  }
  SetMessageHook(&PrintMessage);
  // A scheduler stops a run with SIGTERM: it ends after the pictures under way, as Ctrl-C.
  std::signal(SIGINT, &OnInterrupt);
  std::signal(SIGTERM, &OnInterrupt);
  return cli::RunBatch(options, std::cout);
}
