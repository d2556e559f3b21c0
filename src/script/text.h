// Strings are UTF-8 outside and UTF-16 code units inside the string functions, as VBScript
// counts them (Len("中文") is 2). Bytes that are not valid UTF-8 survive a round trip as
// U+DC80..U+DCFF.
#pragma once

#include <string>
#include <string_view>

namespace tablique::script {

bool isAscii(std::string_view s);
std::u16string toUtf16(std::string_view s);
std::string toUtf8(std::u16string_view s);
char16_t lowerChar(char16_t c);
char16_t upperChar(char16_t c);
std::u16string foldCase(std::u16string s);  // lower case, for text comparison

}  // namespace tablique::script
