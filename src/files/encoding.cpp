// GB18030 <-> UTF-8 through the C library's iconv.
#include "files/encoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include <tablique/error.h>

namespace tablique::files {

namespace {

// Length of the ASCII prefix of s from `from`, eight bytes at a time.
size_t asciiRun(std::string_view s, size_t from) {
  size_t i = from;
  for (; i + 8 <= s.size(); i += 8) {
    uint64_t w;
    std::memcpy(&w, s.data() + i, 8);
    if (w & 0x8080808080808080ull) break;
  }
  while (i < s.size() && static_cast<unsigned char>(s[i]) < 0x80) ++i;
  return i - from;
}

bool isAscii(std::string_view s) { return asciiRun(s, 0) == s.size(); }

// Length of the well-formed UTF-8 sequence at s[i], or 0.
size_t utf8SequenceLength(std::string_view s, size_t i) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = b(i);
  const size_t left = s.size() - i;
  if (c < 0x80) return 1;
  auto cont = [&](size_t k) { return k < left && (b(i + k) & 0xC0) == 0x80; };
  if (c >= 0xC2 && c <= 0xDF) return cont(1) ? 2 : 0;
  if (c >= 0xE0 && c <= 0xEF) {
    if (!cont(1) || !cont(2)) return 0;
    const unsigned char c1 = b(i + 1);
    if (c == 0xE0 && c1 < 0xA0) return 0;  // overlong
    if (c == 0xED && c1 >= 0xA0) return 0; // surrogate
    return 3;
  }
  if (c >= 0xF0 && c <= 0xF4) {
    if (!cont(1) || !cont(2) || !cont(3)) return 0;
    const unsigned char c1 = b(i + 1);
    if (c == 0xF0 && c1 < 0x90) return 0;  // overlong
    if (c == 0xF4 && c1 >= 0x90) return 0; // beyond U+10FFFF
    return 4;
  }
  return 0;
}

// Code point of the well-formed sequence at s[i] (for messages).
unsigned codePointAt(std::string_view s, size_t i) {
  const size_t n = utf8SequenceLength(s, i);
  const auto b = [&](size_t k) { return unsigned(static_cast<unsigned char>(s[i + k])); };
  switch (n) {
    case 1: return b(0);
    case 2: return ((b(0) & 0x1F) << 6) | (b(1) & 0x3F);
    case 3: return ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
    case 4: return ((b(0) & 0x07) << 18) | ((b(1) & 0x3F) << 12) | ((b(2) & 0x3F) << 6) | (b(3) & 0x3F);
    default: return 0xFFFD;
  }
}

[[noreturn]] void fail(std::string_view what, const std::string& reason) {
  throw Error(ErrorCode::File, std::string(what) + ": " + reason);
}

class Converter {
public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts all of `in`; on failure returns false with `failedAt` the input offset and `err`
  // the errno (EILSEQ: an invalid or unmappable sequence, EINVAL: cut short at the end).
  bool run(std::string_view in, std::string& out, size_t& failedAt, int& err) {
    out.clear();
    out.resize(in.size() * 2 + 16);
    char* ip = const_cast<char*>(in.data());
    size_t il = in.size();
    size_t produced = 0;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    while (il > 0) {
      char* op = out.data() + produced;
      size_t ol = out.size() - produced;
      const size_t r = iconv(cd_, &ip, &il, &op, &ol);
      produced = size_t(op - out.data());
      if (r != size_t(-1)) break;
      if (errno == E2BIG) {
        out.resize(out.size() * 2);
        continue;
      }
      err = errno;
      failedAt = size_t(ip - in.data());
      return false;
    }
    out.resize(produced);
    return true;
  }

private:
  iconv_t cd_;
};

std::string hex(unsigned v, int width) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*X", width, v);
  return buf;
}

}  // namespace

bool isValidUtf8(std::string_view bytes) {
  for (size_t i = 0; i < bytes.size();) {
    i += asciiRun(bytes, i);
    if (i == bytes.size()) break;
    const size_t n = utf8SequenceLength(bytes, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string toNarrow(std::string utf8, std::string_view what) {
  if (isAscii(utf8)) return utf8;
  for (size_t i = 0; i < utf8.size();) {
    const size_t n = utf8SequenceLength(utf8, i);
    if (n == 0) fail(what, "the text holds bytes that are not UTF-8 (offset " + std::to_string(i) + ")");
    i += n;
  }
  Converter conv("GB18030", "UTF-8");
  if (!conv.ok()) fail(what, "the GB18030 converter is not available");
  std::string out;
  size_t at = 0;
  int err = 0;
  if (!conv.run(utf8, out, at, err))
    fail(what, "the character U+" + hex(codePointAt(utf8, at), 4) + " cannot be written in GB18030");
  return out;
}

std::string fromNarrow(std::string bytes, std::string_view what) {
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 &&
      isValidUtf8(std::string_view(bytes).substr(3)))
    return bytes.erase(0, 3);
  if (isValidUtf8(bytes)) return bytes;
  Converter conv("UTF-8", "GB18030");
  if (!conv.ok()) fail(what, "the GB18030 converter is not available");
  std::string out;
  size_t at = 0;
  int err = 0;
  if (!conv.run(bytes, out, at, err)) {
    if (err == EINVAL) fail(what, "the file ends inside a character (truncated)");
    fail(what, "not a text file in GB18030 or UTF-8 (invalid bytes at offset " + std::to_string(at) + ")");
  }
  return out;
}

}  // namespace tablique::files
