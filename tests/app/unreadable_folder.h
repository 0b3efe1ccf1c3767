#pragma once
// A folder this process may not read, for as long as the guard lives. Root reads every
// folder, so under root the guard makes the thread's file access that of "nobody" (its
// fsuid) instead; the folders on the way down must then be open to everyone.
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace velora::app::testing {

class UnreadableFolder {
 public:
  // Makes `parent`/`name` unreadable; `parent` and every folder above it must be open to
  // everyone once the guard lives (the guard opens `parent` itself).
  UnreadableFolder(const std::string& parent, const std::string& name)
      : path_(parent + "/" + name) {
    ::mkdir(path_.c_str(), 0700);
    if (::geteuid() == 0) {
      ::chmod(parent.c_str(), 0755);
      previous_ = ::setfsuid(kNobody);
      asNobody_ = true;
    } else {
      ::chmod(path_.c_str(), 0);
    }
  }
  ~UnreadableFolder() {
    if (asNobody_) ::setfsuid(static_cast<uid_t>(previous_));
    ::chmod(path_.c_str(), 0700);  // so the temporary folder can be removed
  }
  UnreadableFolder(const UnreadableFolder&) = delete;
  UnreadableFolder& operator=(const UnreadableFolder&) = delete;

  const std::string& Path() const { return path_; }

 private:
  static constexpr uid_t kNobody = 65534;
  std::string path_;
  int previous_ = 0;
  bool asNobody_ = false;
};

}  // namespace velora::app::testing
