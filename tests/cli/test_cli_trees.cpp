// velora-resize over folder trees and long lists spread over many runs: subfolders
// mirrored under Output/, --files-from with odd names, the --shard partition and the
// summary line that schedulers read.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

#include "cli_run.h"
#include "jobs/geometry.h"
#include "jpeg/jpeg.h"
#include "sources.h"
#include "test_util.h"

using namespace velora;
using namespace velora::test;
namespace fs = std::filesystem;

namespace {

// Every file below `folder`, as relative paths.
std::set<std::string> FilesBelow(const std::string& folder) {
  std::set<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) files.insert(fs::relative(entry.path(), folder).string());
  }
  return files;
}

TSize JpegSize(const std::string& path) {
  TJPEGImage jpeg;
  jpeg.LoadFile(path);
  return {jpeg.Width(), jpeg.Height()};
}

// A folder that velora-resize cannot read: root reads every folder, so the program runs
// as "nobody" then, with the rest of the tree open to everyone.
struct LockedFolder {
  bool asNobody = ::geteuid() == 0;
  std::string Prefix() const {
    return asNobody ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
  }
};

void OpenToEveryone(const std::string& root) {
  fs::permissions(root, fs::perms::all);
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_directory() && !entry.is_symlink())
      fs::permissions(entry.path(), fs::perms::all);
    else if (entry.is_regular_file() && !entry.is_symlink())
      fs::permissions(entry.path(),
                      fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
  }
}

}  // namespace

TEST(CliTree, RecursiveRunMirrorsSubfoldersAndSkipsWhatItMustNotEnter) {
  TempDir dir;
  const std::string top = dir.Path("top");
  for (const char* folder :
       {"top/Sub", "top/sub2/deep", "top/Output", "top/.hidden", "top/locked", "top/empty"}) {
    fs::create_directories(dir.Path(folder));
  }
  WriteJpeg(dir.Path("top/a.jpg"), 40, 20);
  WriteJpeg(dir.Path("top/Sub/b.jpg"), 20, 40);
  WriteJpeg(dir.Path("top/sub2/deep/c.JPG"), 30, 30);
  WriteJpeg(dir.Path("top/Output/old.jpg"), 10, 10);  // an earlier run's result
  WriteJpeg(dir.Path("top/.hidden/h.jpg"), 10, 10);
  WriteJpeg(dir.Path("top/locked/d.jpg"), 10, 10);
  fs::create_directory_symlink(".", dir.Path("top/loop"));      // a link loop
  fs::create_directory_symlink("sub2", dir.Path("top/again"));  // a link to a folder
  fs::create_symlink("Sub/b.jpg", dir.Path("top/linked.jpg"));  // a link to a picture
  OpenToEveryone(dir.Root());
  fs::permissions(dir.Path("top/locked"), fs::perms::none);

  const LockedFolder locked;
  // Run by path of the program so the "nobody" prefix applies to it.
  const std::string args = "--mode width --side 10 --recursive " + top;
  const std::string out = dir.Path(".o"), err = dir.Path(".e");
  const int status = RunCommand(locked.Prefix() + std::string(VELORA_BINARY_DIR) +
                                "/src/cli/velora-resize " + args + " >" + out + " 2>" + err);
  const std::string log = ReadFile(out), errors = ReadFile(err);
  EXPECT_EQ(status, 1) << log << errors;  // the locked folder was named
  EXPECT_EQ(errors, "Error: Cannot read folder: " + top + "/locked\n");
  // The top folder's pictures first, then each subfolder's, in list order.
  const std::vector<std::string> saved = {"a.jpg", "linked.jpg", "Sub/b.jpg", "sub2/deep/c.jpg"};
  size_t at = 0;
  for (const std::string& name : saved) {
    const size_t found = log.find(Saved(top + "/Output/" + name) + "\n", at);
    EXPECT_NE(found, std::string::npos) << name << "\n" << log;
    at = found == std::string::npos ? at : found;
  }
  EXPECT_NE(log.find("Summary: 4 written, 0 skipped, 0 failed"), std::string::npos) << log;
  EXPECT_EQ(FilesBelow(top + "/Output"), (std::set<std::string>{"old.jpg", "a.jpg", "linked.jpg",
                                                                "Sub/b.jpg", "sub2/deep/c.jpg"}));
  EXPECT_EQ(JpegSize(top + "/Output/Sub/b.jpg"), (TSize{10, 20}));

  // With --output, the same relative folders below it.
  fs::permissions(dir.Path("top/locked"), fs::perms::all);
  const Outcome elsewhere = Resize(dir, "--recursive --output " + dir.Path("out") + " " + top);
  EXPECT_EQ(elsewhere.status, 0) << elsewhere.errors;
  EXPECT_EQ(FilesBelow(dir.Path("out")),
            (std::set<std::string>{"a.jpg", "linked.jpg", "Sub/b.jpg", "sub2/deep/c.jpg",
                                   "locked/d.jpg"}));
}

TEST(CliTree, FilesFromWithOddNames) {
  TempDir dir;
  const std::vector<std::string> names = {"with blank.jpg", "new\nline.jpg", "\xff\xfe latin1.jpg",
                                          "d i r/x.jpg", "./dot/y.jpg"};
  fs::create_directories(dir.Path("src/d i r"));
  fs::create_directories(dir.Path("src/dot"));
  for (size_t i = 0; i < names.size(); ++i)
    WriteJpeg(dir.Path("src/" + names[i]), 16 + 2 * static_cast<int>(i), 8);
  WriteJpeg(dir.Path("outside.jpg"), 8, 8);
  std::string nulList;
  for (const std::string& name : names) nulList += name + '\0';
  nulList += "../outside.jpg";  // no separator after the last
  dir.Write("list0", nulList);
  const std::string expected[] = {"with blank.jpg", "new\nline.jpg", "\xff\xfe latin1.jpg",
                                  "d i r/x.jpg",    "dot/y.jpg",     "outside.jpg"};

  for (const std::string& from :
       {"--files-from " + dir.Path("list0"), "--files-from - <" + dir.Path("list0")}) {
    fs::remove_all(dir.Path("out"));
    const Outcome o =
        Resize(dir, "-0 --mode decrease " + from + " --output " + dir.Path("out"), dir.Path("src"));
    EXPECT_EQ(o.status, 0) << from << o.errors;
    EXPECT_EQ(o.summary, "Summary: 6 written, 0 skipped, 0 failed") << from;
    EXPECT_EQ(FilesBelow(dir.Path("out")),
              std::set<std::string>(std::begin(expected), std::end(expected)))
        << from;
    EXPECT_EQ(JpegSize(dir.Path("out/d i r/x.jpg")), (TSize{11, 4}));
  }

  // One a line: blanks belong to the name, empty lines are skipped.
  dir.Write("lines", "with blank.jpg\n\nd i r/x.jpg\n");
  fs::remove_all(dir.Path("out"));
  const Outcome lines = Resize(
      dir, "--files-from " + dir.Path("lines") + " --output " + dir.Path("out"), dir.Path("src"));
  EXPECT_EQ(lines.status, 0) << lines.errors;
  EXPECT_EQ(FilesBelow(dir.Path("out")), (std::set<std::string>{"with blank.jpg", "d i r/x.jpg"}));
  // Without --output each picture goes to the Output/ of its own folder.
  const Outcome own = Resize(dir, "--files-from " + dir.Path("lines"), dir.Path("src"));
  EXPECT_EQ(own.log, (std::vector<std::string>{Saved(dir.Path("src/Output/with blank.jpg")),
                                               Saved(dir.Path("src/d i r/Output/x.jpg"))}));

  const Outcome missing = Resize(dir, "--files-from " + dir.Path("no-such-list"));
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.errors,
            "Error: Cannot read the list of files: " + dir.Path("no-such-list") + "\n");
}

TEST(CliSources, ReadPathList) {
  struct Case {
    std::string text;
    char separator;
    std::vector<std::string> paths;
  } cases[] = {
      {"a.jpg\nb c.jpg\n", '\n', {"a.jpg", "b c.jpg"}},
      {"a.jpg\n\n\nb.jpg", '\n', {"a.jpg", "b.jpg"}},
      {std::string("a\nb.jpg\0\0c.jpg\0", 16), '\0', {"a\nb.jpg", "c.jpg"}},
      {"", '\n', {}},
  };
  for (const auto& c : cases) {
    std::istringstream in(c.text);
    EXPECT_EQ(cli::ReadPathList(in, c.separator), c.paths) << c.text;
  }
}

TEST(CliSources, ShardsAreDisjointCompleteAndStable) {
  std::vector<cli::Source> all;
  for (const char* name : {"b.jpg", "a.jpg", "B.jpg", "c/d.jpg", "\xe9.jpg", "a.png", "e.gif",
                           "f.bmp", "g.jpg", "h.jpg", "i.jpg"}) {
    all.push_back({std::string("/p/") + name, "/p/Output/", ""});
  }
  // a.jpg and a.png write one output: they always go together.
  const auto outputOf = [](const cli::Source& s) { return s.Path.substr(0, s.Path.rfind('.')); };
  for (int n : {1, 2, 3, 4, 11, 12}) {
    std::multiset<std::string> union_;
    std::vector<std::vector<cli::Source>> shards;
    for (int k = 1; k <= n; ++k) {
      shards.push_back(cli::TakeShard(all, k, n, outputOf));
      for (const cli::Source& s : shards.back()) union_.insert(s.Path);
      // In the command line's order.
      std::vector<size_t> positions;
      for (const cli::Source& s : shards.back()) {
        positions.push_back(static_cast<size_t>(
            std::find_if(all.begin(), all.end(),
                         [&](const cli::Source& a) { return a.Path == s.Path; }) -
            all.begin()));
      }
      EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
      const auto together = [&](const char* p) {
        return std::any_of(shards.back().begin(), shards.back().end(),
                           [&](const cli::Source& s) { return s.Path == p; });
      };
      EXPECT_EQ(together("/p/a.jpg"), together("/p/a.png")) << n << " " << k;
    }
    std::multiset<std::string> every;
    for (const cli::Source& s : all) every.insert(s.Path);
    EXPECT_EQ(union_, every) << n;  // each exactly once
    // The same shards whatever order the pictures were named in.
    std::vector<cli::Source> reversed(all.rbegin(), all.rend());
    for (int k = 1; k <= n; ++k) {
      std::set<std::string> a, b;
      for (const cli::Source& s : shards[static_cast<size_t>(k - 1)]) a.insert(s.Path);
      for (const cli::Source& s : cli::TakeShard(reversed, k, n, outputOf)) b.insert(s.Path);
      EXPECT_EQ(a, b) << n << " " << k;
    }
  }
  // Byte order: upper case before lower case, bytes above 127 last; every 3rd from the 1st.
  std::vector<std::string> first;
  for (const cli::Source& s :
       cli::TakeShard(all, 1, 3, [](const cli::Source& s) { return s.Path; }))
    first.push_back(s.Path);
  EXPECT_EQ(first, (std::vector<std::string>{"/p/b.jpg", "/p/B.jpg", "/p/f.bmp", "/p/i.jpg"}));
}

TEST(CliTree, ShardRunsTogetherWriteWhatOneRunWrites) {
  TempDir dir;
  fs::create_directories(dir.Path("in/sub"));
  for (int i = 0; i < 7; ++i) {
    WriteJpeg(dir.Path((i % 2 ? "in/sub/p" : "in/p") + std::to_string(i) + ".jpg"), 30 + i, 20, i);
  }
  const Outcome single = Resize(dir, "--mode fit --width 16 --height 16 -r --output " +
                                         dir.Path("one") + " " + dir.Path("in"));
  ASSERT_EQ(single.status, 0) << single.errors;
  size_t written = 0;
  for (int k = 1; k <= 3; ++k) {
    const Outcome shard =
        Resize(dir, "--mode fit --width 16 --height 16 -r --shard " + std::to_string(k) +
                        "/3 --output " + dir.Path("three") + " " + dir.Path("in"));
    EXPECT_EQ(shard.status, 0) << shard.errors;
    written += shard.log.size();
  }
  EXPECT_EQ(written, 7u);
  const std::set<std::string> files = FilesBelow(dir.Path("one"));
  EXPECT_EQ(files.size(), 7u);
  EXPECT_EQ(FilesBelow(dir.Path("three")), files);
  for (const std::string& f : files)
    EXPECT_EQ(ReadBytes(dir.Path("one/" + f)), ReadBytes(dir.Path("three/" + f))) << f;

  // Run again without overwriting: nothing is decoded or written, and that is success.
  const Outcome again = Resize(
      dir, "--no-overwrite -r --shard 2/3 --output " + dir.Path("three") + " " + dir.Path("in"));
  EXPECT_EQ(again.status, 0);
  EXPECT_EQ(again.summary, "Summary: 0 written, 2 skipped, 0 failed");
  // A shard with no pictures is an ordinary, successful run.
  const Outcome emptyShard = Resize(dir, "--shard 9/9 " + dir.Path("in/sub"));
  EXPECT_EQ(emptyShard.status, 0) << emptyShard.errors;
  EXPECT_EQ(emptyShard.summary, "Summary: 0 written, 0 skipped, 0 failed");
}
