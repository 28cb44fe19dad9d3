// File names as the host's file system keeps them and as the program spells them (8-bit
// Windows-1252). Linux keeps names as UTF-8 bytes; Windows keeps UTF-16, which a program that
// speaks ANSI meets through its code page, as the system's own "A" functions do.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace zev::platform {

// The host form of a name or a path written in Windows-1252; every byte has one.
std::filesystem::path HostName(const std::string& windowsName);
// The Windows-1252 form of a host name or path; nothing when a character has none (a best-fit
// guess would make two host names one).
std::optional<std::string> WindowsName(const std::filesystem::path& hostName);
// True when the host takes the two path components for the same entry: exactly equal on Linux,
// equal without regard to case on Windows.
bool SameHostComponent(const std::filesystem::path& a, const std::filesystem::path& b);

// Text as the host's command lines, terminals and file-name strings carry it: UTF-8 on Linux, the
// ANSI code page on Windows (the program's own, so nothing changes there). WindowsText gives
// nothing when a character has no Windows-1252 form.
std::optional<std::string> WindowsText(const std::string& hostText);
std::string HostText(const std::string& windowsText);

}  // namespace zev::platform
