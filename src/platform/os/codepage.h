// Single-byte Windows code pages to UTF-8, for showing the program's ANSI texts.
//
// The text table is Windows-1252 (German captions) and some fixed messages are
// Windows-1251 (Russian). On Windows the ANSI window functions show them as they are;
// here they are converted to UTF-8 for message boxes, GTK and the terminal.
#pragma once

#include <string>
#include <string_view>

namespace eh::os {

enum class CodePage { Windows1251 = 1251, Windows1252 = 1252 };

// Every byte maps to one character; bytes the code page leaves undefined become U+FFFD.
std::string ToUtf8(std::string_view bytes, CodePage page);

}  // namespace eh::os
