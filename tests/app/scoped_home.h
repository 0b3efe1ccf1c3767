#pragma once
// A fresh home and settings folder for one test, with the environment put back after.
#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velora::app::testing {

class ScopedHome {
 public:
  ScopedHome() {
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
      const char* value = std::getenv(name);
      saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    setenv("HOME", Home().c_str(), 1);
    setenv("XDG_CONFIG_HOME", (Home() + "/.config").c_str(), 1);
    unsetenv("XDG_DATA_HOME");
  }
  ~ScopedHome() {
    for (const auto& [name, value] : saved_) {
      if (value) {
        setenv(name.c_str(), value->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
  }
  ScopedHome(const ScopedHome&) = delete;
  ScopedHome& operator=(const ScopedHome&) = delete;

  std::string Home() const { return dir_.path().toStdString(); }
  // Makes a folder under the home and returns its full path.
  std::string MakeFolder(const std::string& relative) const {
    QDir(dir_.path()).mkpath(QString::fromStdString(relative));
    return Home() + "/" + relative;
  }

 private:
  QTemporaryDir dir_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace velora::app::testing
