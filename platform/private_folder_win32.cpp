#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ansi_win32.h"
#include "platform/handle_win32.h"
#include "platform/private_folder.h"

namespace zev::platform {
namespace {

// The security identifier of the user the process runs as.
std::optional<std::vector<BYTE>> CurrentUser() {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return std::nullopt;
  const Handle token(raw);
  DWORD size = 0;
  ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  if (size == 0 || !::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) return std::nullopt;
  const PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
  std::vector<BYTE> copy(::GetLengthSid(sid));
  if (!::CopySid(static_cast<DWORD>(copy.size()), copy.data(), sid)) return std::nullopt;
  return copy;
}

struct LocalFreer {
  void operator()(void* memory) const { ::LocalFree(memory); }
};
using SecurityDescriptor = std::unique_ptr<void, LocalFreer>;

// Full control for the current user alone, passed on to everything made inside, and nothing
// inherited from the folders above.
SecurityDescriptor OwnerOnly() {
  const auto user = CurrentUser();
  char* sid = nullptr;
  if (!user || !::ConvertSidToStringSidA(const_cast<BYTE*>(user->data()), &sid)) return nullptr;
  const std::string text = std::string("D:P(A;OICI;FA;;;") + sid + ")";
  ::LocalFree(sid);
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(text.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
    return nullptr;
  return SecurityDescriptor(descriptor);
}

}  // namespace

bool CreatePrivateHostFolder(const std::filesystem::path& folder, bool& taken) {
  taken = false;
  const SecurityDescriptor descriptor = OwnerOnly();
  if (!descriptor) return false;
  SECURITY_ATTRIBUTES security{sizeof security, descriptor.get(), FALSE};
  if (::CreateDirectoryA(Ansi(folder).c_str(), &security)) return true;
  taken = ::GetLastError() == ERROR_ALREADY_EXISTS;
  return false;
}

FolderStanding HostFolderStanding(const std::filesystem::path& folder) {
  const std::string name = Ansi(folder);
  const DWORD attributes = ::GetFileAttributesA(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return FolderStanding::Missing;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return FolderStanding::Link;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return FolderStanding::NotAFolder;
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetNamedSecurityInfoA(name.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                              nullptr, &descriptor) != ERROR_SUCCESS)
    return FolderStanding::OthersFolder;
  const SecurityDescriptor held(descriptor);
  auto user = CurrentUser();
  return user && owner && ::EqualSid(owner, user->data()) ? FolderStanding::Own : FolderStanding::OthersFolder;
}

bool RestrictHostFolder(const std::filesystem::path& folder) {
  const SecurityDescriptor descriptor = OwnerOnly();
  BOOL present = FALSE, defaulted = FALSE;
  PACL acl = nullptr;
  if (!descriptor || !::GetSecurityDescriptorDacl(descriptor.get(), &present, &acl, &defaulted)) return false;
  std::string name = Ansi(folder);
  return ::SetNamedSecurityInfoA(name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                 nullptr, nullptr, acl, nullptr) == ERROR_SUCCESS;
}

}  // namespace zev::platform
