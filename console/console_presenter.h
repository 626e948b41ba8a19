#pragma once
// Everything particular to the console window: code page, size, colours, the
// banner and the verdict box.

#include <cstdint>
#include <string_view>

#include "console/console_api.h"
#include "io/terminal_io.h"

namespace quorven {

inline constexpr std::uint16_t kColourNormal = 7;
inline constexpr std::uint16_t kColourBanner = 9;
inline constexpr std::uint16_t kColourSupported = 10;
inline constexpr std::uint16_t kColourNotSupported = 12;

inline constexpr unsigned kUtf8CodePage = 65001;
inline constexpr ConsoleRect kTemporaryWindow{0, 0, 1, 1};
// 120 columns: every line we print (banner rows, the box, reason sentences)
// is wider than 20, so a narrower buffer would wrap them all.
inline constexpr ConsoleSize kScreenBufferSize{120, 90};
inline constexpr ConsoleRect kFinalWindow{0, 0, 119, 89};
/// The final window within the largest that the screen can show: at most
/// the whole buffer, and the whole buffer when the largest is unknown.
ConsoleRect finalWindowWithin(ConsoleSize largest);
inline constexpr const char* kResizeFallbackCommand = "mode con: cols=120 lines=50";

/// The banner text: three empty lines, six rows of block letters, a row of
/// blanks, an empty line and four blanks (the line end is added when written).
std::string_view bannerText();

/// The five lines of the framed verdict, each ended by a line feed.
std::string_view verdictBoxText(bool supported);

/// Output code page and window size, the size only in a console window that
/// is shown and known, or where there is none; failure lines on `err`, the
/// fallback line on `out`.
void prepareConsole(ConsoleApi& console, Output& out, Output& err);
void setTextColour(ConsoleApi& console, Output& out, std::uint16_t attribute);
void printBanner(ConsoleApi& console, Output& out);
void showVerdictBox(ConsoleApi& console, Output& out, bool supported);

}  // namespace quorven
