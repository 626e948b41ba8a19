#pragma once
// Windows' UTF-16 text as the program's UTF-8.

#include <windows.h>

#include <cstddef>
#include <cwchar>
#include <string>
#include <vector>

namespace quorven {

inline std::string utf8(const wchar_t* text, std::size_t length) {
    if (length == 0) return {};
    const int wide = static_cast<int>(length);
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, wide, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string result(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, wide, result.data(), size, nullptr, nullptr);
    return result;
}

/// The strings of a multi-string, which an empty string ends. The buffer must
/// end in two NULs whatever the call wrote, so that no string runs past it.
inline std::vector<std::string> multiString(const std::vector<wchar_t>& buffer) {
    std::vector<std::string> strings;
    for (const wchar_t* at = buffer.data(); *at != L'\0'; at += std::wcslen(at) + 1) {
        strings.push_back(utf8(at, std::wcslen(at)));
    }
    return strings;
}

}  // namespace quorven
