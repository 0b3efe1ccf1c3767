#pragma once
// The user guide the build makes from the project's own text (data/user-guide.md): F1 opens
// it when no web manual is set. Installed, it lies in the package's doc folder beside bin/;
// the build puts it at the same place under the build folder, so `make run` and the tests
// find it too.
#include <string>

namespace velora::app {

// Where the guide lies below an installation's prefix (or the build folder).
std::string UserGuideBelowPrefix();

// The guide's full path for a program in the given folder (with a trailing "/"), or ""
// when there is none.
std::string FindUserGuide(const std::string& programFolder);

}  // namespace velora::app
