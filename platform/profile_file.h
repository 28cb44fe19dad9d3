// The profile file as a whole, for the profile functions of both hosts: where a name places it,
// and the read-edit-replace cycle that every write of the whole file goes through.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/ini_file.h"

namespace zev::platform {

// The full Windows path of a profile file: a bare name lies in the Windows directory, anything
// with a folder or drive is taken from the current directory. Nothing for a name that is empty or
// that the machine cannot place.
std::optional<std::string> ProfilePath(const std::string& fileName);
// Where that file lies on the host; nothing when it cannot be placed there.
std::optional<std::filesystem::path> ProfileHostPath(const std::string& fileName);

// Loads the profile, applies edit to it and writes it back. edit returns false to refuse the
// change (nothing is written and the call fails) and sets changed to false when there is nothing
// to write (the call succeeds without touching the file). Files on setup media and read-only files
// are never written.
bool UpdateProfile(const std::string& fileName, const std::function<bool(IniFile& ini, bool& changed)>& edit);

// The host side of GetPrivateProfileString for one key (profile_posix.cpp, the Linux stand-in;
// profile_win32.cpp, Windows' own function): the key's value, or the default without its
// trailing blanks when the section or key is missing, cut to bufferSize - 1 characters. key is
// not empty and bufferSize is at least 1.
std::string ReadProfileValue(const std::string& section, const std::string& key, const std::string& defaultValue,
                             std::uint32_t bufferSize, const std::string& fileName);
// The host side of the key listing: the name of every key line of the section, in file order.
std::vector<std::string> ReadProfileKeyNames(const std::string& section, const std::string& fileName);

}  // namespace zev::platform
