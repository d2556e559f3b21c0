// The code pages of the text, xls and tbq files.
//
// Writing: the control's UTF-8 text is converted to GB18030, without a byte order mark.
// Reading a text file: a byte order mark (UTF-8, UTF-16) decides; otherwise bytes valid in only
// one of UTF-8 and GB18030 are read in that one; bytes valid in both are read as UTF-8 when that
// reading is Chinese text and the GB18030 one is not, as GB18030 in the opposite case, and
// otherwise as the charset detector says, GB18030 when it says neither. Reading a tbq file:
// GB18030, UTF-8 only with a byte order mark or when the bytes are not GB18030. The single
// byte 0x80 reads as the euro sign, as in code page 936. Pure ASCII passes through unconverted.
#pragma once

#include <string>
#include <string_view>

namespace tablique::files {

// UTF-8 -> GB18030. Throws tablique::Error(File) when the text is not valid UTF-8 or holds a
// character GB18030 cannot carry; `what` names the file for the message.
std::string toNarrow(std::string utf8, std::string_view what);

// Text file bytes -> UTF-8 (see above). Throws tablique::Error(File) naming `what` when the bytes
// are neither valid UTF-8 nor valid GB18030 (binary data, a sequence cut short).
std::string fromNarrow(std::string bytes, std::string_view what);

// tbq file bytes -> UTF-8 (see above); throws as fromNarrow.
std::string fromDataFile(std::string bytes, std::string_view what);

// True when every byte sequence of `bytes` is well-formed UTF-8 (no overlongs, no surrogates).
bool isValidUtf8(std::string_view bytes);

}  // namespace tablique::files
