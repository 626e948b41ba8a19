#pragma once
// Paths inside the Windows system folder, for the places where a bare file
// name would let Windows search elsewhere first.

#include <windows.h>

#include <optional>
#include <string>

namespace quorven {

/// GetSystemDirectoryA, or no value when the folder is unknown.
inline std::optional<std::string> systemFolder() {
    char folder[MAX_PATH];
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::nullopt;
    return std::string(folder, length);
}

/// `relative` below the system folder.
inline std::optional<std::string> systemFolderPath(const char* relative) {
    const std::optional<std::string> folder = systemFolder();
    if (!folder) return std::nullopt;
    return *folder + "\\" + relative;
}

}  // namespace quorven
