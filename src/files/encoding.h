// The narrow code page of the text, xls and tbq files.
//
// Writing: the control's UTF-8 text is converted to GB18030, without a byte order mark.
// Reading: bytes that are valid UTF-8 (with or without a byte order mark, which is dropped) are
// taken as UTF-8; anything else must be valid GB18030. Pure ASCII is the same in both and is
// passed through without conversion.
#pragma once

#include <string>
#include <string_view>

namespace tablique::files {

// UTF-8 -> GB18030. Throws tablique::Error(File) when the text is not valid UTF-8 or holds a
// character GB18030 cannot carry; `what` names the file for the message.
std::string toNarrow(std::string utf8, std::string_view what);

// File bytes -> UTF-8 (see above). Throws tablique::Error(File) naming `what` when the bytes are
// neither valid UTF-8 nor valid GB18030 (binary data, a sequence cut short).
std::string fromNarrow(std::string bytes, std::string_view what);

// True when every byte sequence of `bytes` is well-formed UTF-8 (no overlongs, no surrogates).
bool isValidUtf8(std::string_view bytes);

}  // namespace tablique::files
