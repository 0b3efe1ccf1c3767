#include "corpus.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace velora::test {

std::string CorpusDir() {
  const char* chosen = std::getenv("VELORA_CORPUS");
  const std::filesystem::path dir = chosen && *chosen ? chosen : VELORA_CORPUS_DIR;
  return dir.lexically_normal().string();
}

std::string Corpus(const std::string& relative) {
  return CorpusDir() + "/" + relative;
}

std::string CorpusMissing() {
  const std::string dir = CorpusDir();
  std::error_code error;
  if (std::filesystem::is_directory(dir, error)) return {};
  return "public test suites not found in " + dir + " (set VELORA_CORPUS to their folder)";
}

bool CorpusRequired() {
  const char* ci = std::getenv("CI");
  return ci && std::string(ci) == "true";
}

}  // namespace velora::test
