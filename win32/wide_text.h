#pragma once
// Windows' UTF-16 text as the program's UTF-8.

#include <windows.h>

#include <cstddef>
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

/// Each string as UTF-8.
inline std::vector<std::string> utf8(const std::vector<std::u16string>& texts) {
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows text is UTF-16");
    std::vector<std::string> strings;
    for (const std::u16string& text : texts) {
        strings.push_back(utf8(reinterpret_cast<const wchar_t*>(text.data()), text.size()));
    }
    return strings;
}

}  // namespace quorven
