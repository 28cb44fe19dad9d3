// The links the writer makes, loaded by the system's own shell-link object: what Windows reads
// from each file is what the writer was given.
#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlguid.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "platform/machine.h"
#include "shortcut/shell_link.h"

namespace zev::shortcut {
namespace {

namespace fs = std::filesystem;

// Releases a COM interface when it goes.
template <class Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() {
    if (p_) p_->Release();
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  Interface* operator->() const { return p_; }
  Interface* get() const { return p_; }
  void** out() { return reinterpret_cast<void**>(&p_); }

 private:
  Interface* p_ = nullptr;
};

// What the shell reads from a link file.
struct LoadedLink {
  std::string target;
  std::string arguments;
  std::string workingDirectory;
};

class ShellLinkObject : public ::testing::Test {
 protected:
  ShellLinkObject()
      : saved_(platform::Machine::Current()),
        folder_(fs::temp_directory_path() / ("zev-links-" + std::to_string(std::random_device()()))) {
    fs::create_directories(folder_);
    platform::Machine::Current().Configure({}, folder_);
    com_ = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  }
  ~ShellLinkObject() override {
    if (SUCCEEDED(com_)) ::CoUninitialize();
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
    platform::Machine::Current() = saved_;
  }

  std::string LinkPath(const std::string& name) const { return folder_.string() + "\\" + name; }

  // Loads the file with IShellLinkA and IPersistFile; fails the test when the shell cannot.
  LoadedLink Load(const std::string& linkPath) {
    LoadedLink link;
    ComPtr<IShellLinkA> shellLink;
    EXPECT_TRUE(SUCCEEDED(
        ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, shellLink.out())));
    if (!shellLink.get()) return link;
    ComPtr<IPersistFile> file;
    EXPECT_TRUE(SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, file.out())));
    if (!file.get()) return link;
    const std::wstring wide(linkPath.begin(), linkPath.end());
    EXPECT_TRUE(SUCCEEDED(file->Load(wide.c_str(), STGM_READ))) << linkPath;

    char text[INFOTIPSIZE] = {};
    // The path as stored, not resolved against the file system: the targets need not exist.
    EXPECT_TRUE(SUCCEEDED(shellLink->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH)));
    link.target = text;
    text[0] = '\0';
    EXPECT_TRUE(SUCCEEDED(shellLink->GetArguments(text, INFOTIPSIZE)));
    link.arguments = text;
    text[0] = '\0';
    EXPECT_TRUE(SUCCEEDED(shellLink->GetWorkingDirectory(text, MAX_PATH)));
    link.workingDirectory = text;
    return link;
  }

 private:
  platform::Machine saved_;
  fs::path folder_;
  HRESULT com_;
};

TEST_F(ShellLinkObject, ReadsTargetAndWorkingFolderAsWritten) {
  struct Case {
    const char* target;
    const char* workingDirectory;
  };
  const Case cases[] = {
      {"C:\\Program Files\\Tools\\edit.exe", "C:\\Program Files\\Tools\\"},
      {"C:\\app.exe", "C:\\"},
      {"D:\\Games\\Old Game\\GAME.EXE", "D:\\Games\\Old Game\\"},
      {"C:\\Apps\\no working folder.exe", ""},
      {"C:\\Caf\xE9\\men\xFC.exe", "C:\\Caf\xE9\\"},
      {"C:\\a\\rather\\deep\\folder\\that\\goes\\on\\and\\on\\for\\a\\while\\before\\it\\names\\the\\program.exe",
       "C:\\a\\rather\\deep\\folder\\that\\goes\\on\\and\\on\\for\\a\\while\\before\\it\\names\\the\\"},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string path = LinkPath("link" + std::to_string(n++) + ".lnk");
    SaveShellLink(path, BuildShellLink(c.target, c.workingDirectory));
    const LoadedLink link = Load(path);
    EXPECT_EQ(link.target, c.target);
    EXPECT_EQ(link.arguments, "") << c.target;
    EXPECT_EQ(link.workingDirectory, c.workingDirectory) << c.target;
  }
}

}  // namespace
}  // namespace zev::shortcut
