// FIFOs, sockets, devices and folders where a picture, the settings file or a converted
// picture is expected: each is refused at once, never read from or written into, and a
// run over a folder holding them converts its real pictures and lists none of them.
// Opening a FIFO blocks and a device never ends, so a regression would hang: a watchdog
// turns that into a failure.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <sstream>
#include <thread>

#include "formats/formats.h"
#include "jpeg/jpeg.h"
#include "settings/IniFile.h"
#include "sources.h"
#include "test_util.h"
#include "util/TarnoTPU.h"

using namespace velora;
using namespace velora::test;

namespace {

// Ends the test program when the guarded scope takes longer than it ever should.
class Watchdog {
 public:
  explicit Watchdog(std::chrono::seconds limit)
      : thread_([this, limit] {
          std::unique_lock<std::mutex> lock(mutex_);
          if (!done_.wait_for(lock, limit, [this] { return finished_; })) {
            std::fprintf(stderr, "watchdog: still running after %lld s; something blocked\n",
                         static_cast<long long>(limit.count()));
            std::abort();
          }
        }) {}
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      finished_ = true;
    }
    done_.notify_one();
    thread_.join();
  }

 private:
  std::mutex mutex_;
  std::condition_variable done_;
  bool finished_ = false;
  std::thread thread_;
};

struct Special {
  std::string name;
  std::string reason;  // the system's words in "Cannot open file "%s". %s"
  // A link to one of the machine's own devices. Only the picture readers, which stop by
  // themselves, are given these: read by the settings file's old code a device would
  // fill the memory, and written through, the device itself could be replaced.
  bool machineDevice;
};

// One real picture and the specials beside it, all named like pictures.
class SpecialFolder {
 public:
  SpecialFolder() {
    TBitmap bitmap;
    FillPattern(bitmap, 32, 24, 3);
    TJPEGImage jpeg;
    jpeg.CopyGraphic(&bitmap);
    jpeg.SaveFile(dir_.Path("real.jpg"));

    const std::string notRegular = "Not a regular file";
    EXPECT_EQ(mkfifo(dir_.Path("fifo.jpg").c_str(), 0644), 0);
    specials_.push_back({"fifo.jpg", notRegular, false});
    MakeSocket(dir_.Path("socket.png"));
    specials_.push_back({"socket.png", notRegular, false});
    std::filesystem::create_symlink("fifo.jpg", dir_.Path("fifo-link.bmp"));
    specials_.push_back({"fifo-link.bmp", notRegular, false});
    std::filesystem::create_symlink("/dev/zero", dir_.Path("zero.jpg"));
    specials_.push_back({"zero.jpg", notRegular, true});
    std::filesystem::create_symlink("/dev/urandom", dir_.Path("random.png"));
    specials_.push_back({"random.png", notRegular, true});
    // A null device of the folder's own (where the system allows making one), which every
    // test may use.
    if (mknod(dir_.Path("device.gif").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
      specials_.push_back({"device.gif", notRegular, false});
    }
    std::filesystem::create_directory(dir_.Path("x.jpg"));
    specials_.push_back({"x.jpg", "Is a directory", false});
  }

  const TempDir& Dir() const { return dir_; }
  std::string Path(const std::string& name) const { return dir_.Path(name); }
  const std::vector<Special>& Specials() const { return specials_; }

  // Each special is still what it was: nothing replaced it.
  void ExpectUnchanged() const {
    for (const Special& s : specials_) {
      std::error_code ec;
      EXPECT_FALSE(std::filesystem::is_regular_file(Path(s.name), ec)) << s.name;
      EXPECT_TRUE(std::filesystem::exists(Path(s.name), ec)) << s.name;
    }
    EXPECT_TRUE(std::filesystem::is_symlink(Path("fifo-link.bmp")));
    EXPECT_TRUE(std::filesystem::is_symlink(Path("zero.jpg")));
  }

 private:
  static void MakeSocket(const std::string& path) {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, path.c_str());
    EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(fd);  // the socket file stays
  }

  TempDir dir_;
  std::vector<Special> specials_;
};

struct RunOutcome {
  int status;
  std::vector<std::string> log;  // the job log's lines about files
};

// velora-resize, killed after a while so that a regression cannot hang the suite.
RunOutcome Resize(const SpecialFolder& folder, const std::string& args) {
  const std::string out = folder.Path(".stdout");
  RunOutcome run;
  run.status = RunCommand("timeout -s KILL 20 " + std::string(VELORA_BINARY_DIR) +
                          "/src/cli/velora-resize " + args + " >" + out + " 2>/dev/null");
  std::istringstream lines(ReadFile(out));
  std::filesystem::remove(out);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("ERROR! ", 0) == 0 || line.rfind("File resized", 0) == 0) {
      run.log.push_back(line);
    }
  }
  return run;
}

TEST(SpecialFiles, TheLoaderRefusesEachAtOnce) {
  Watchdog watchdog(std::chrono::seconds(30));
  SpecialFolder folder;
  TPicture picture;
  LoadPictureFile(picture, folder.Path("real.jpg"));
  const TGraphic* kept = picture.Graphic();
  for (const Special& s : folder.Specials()) {
    SCOPED_TRACE(s.name);
    try {
      LoadPictureFile(picture, folder.Path(s.name));
      ADD_FAILURE() << "loaded";
    } catch (const EFOpenError& e) {
      EXPECT_EQ(e.Message(), "Cannot open file \"" + folder.Path(s.name) + "\". " + s.reason);
    }
    EXPECT_EQ(picture.Graphic(), kept);
  }
  folder.ExpectUnchanged();
}

TEST(SpecialFiles, TheCommandLineListsNoneAndRefusesEachNamed) {
  Watchdog watchdog(std::chrono::seconds(150));
  SpecialFolder folder;
  EXPECT_EQ(cli::PictureFilesOf(folder.Dir().Root()),
            std::vector<std::string>{folder.Path("real.jpg")});

  const RunOutcome all = Resize(folder, folder.Dir().Root());
  EXPECT_EQ(all.status, 0);
  EXPECT_EQ(all.log, std::vector<std::string>{"File resized and saved as: " +
                                              folder.Path("Output/real.jpg")});

  for (const Special& s : folder.Specials()) {
    if (s.name == "x.jpg") continue;  // a folder named as an argument is a folder to convert
    SCOPED_TRACE(s.name);
    const RunOutcome one = Resize(folder, folder.Path(s.name));
    EXPECT_EQ(one.status, 1);
    EXPECT_EQ(one.log,
              std::vector<std::string>{"ERROR! Cannot open picture: " + folder.Path(s.name)});
  }
  folder.ExpectUnchanged();
}

TEST(SpecialFiles, TheSettingsFileAndTheJpegWriterLeaveEachAlone) {
  Watchdog watchdog(std::chrono::seconds(30));
  SpecialFolder folder;
  TBitmap bitmap;
  FillPattern(bitmap, 16, 16, 4);
  for (const Special& s : folder.Specials()) {
    if (s.machineDevice) continue;
    SCOPED_TRACE(s.name);
    const std::string path = folder.Path(s.name);
    // A folder is tested by writing a file inside it.
    if (s.name != "x.jpg") {
      EXPECT_FALSE(CanWriteTo(path));
    }
    TTarnoIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("Settings", "trkQuality", 74), 74);
    EXPECT_TRUE(ini.ReadSections().empty());
    try {
      ini.WriteInteger("Settings", "trkQuality", 80);
      ADD_FAILURE() << "written";
    } catch (const EIniFileException& e) {
      EXPECT_EQ(e.Message(), "Unable to write to " + path);
    }
    TJPEGImage jpeg;
    jpeg.CopyGraphic(&bitmap);
    try {
      jpeg.SaveFile(path);
      ADD_FAILURE() << "saved";
    } catch (const EFCreateError& e) {
      EXPECT_EQ(e.Message(), "Cannot create file \"" + path + "\". " + s.reason);
    }
  }
  folder.ExpectUnchanged();
  // Nothing else appeared in the folder (no temporary file left behind).
  size_t entries = 0;
  for ([[maybe_unused]] const auto& entry :
       std::filesystem::directory_iterator(folder.Dir().Root())) {
    ++entries;
  }
  EXPECT_EQ(entries, folder.Specials().size() + 1);
}

}  // namespace
