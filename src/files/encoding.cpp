// GB18030 <-> UTF-8 through the C library's iconv; the choice between them for text files.
#include "files/encoding.h"

#include <iconv.h>
#include <uchardet.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "files/file_error.h"

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

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr const char* kUnreadable = "不是可识别的文本（GB18030或UTF-8），无法打开！";

class Converter {
public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts all of `in`, appending to `out`; on failure returns false with what was converted
  // appended, `failedAt` the input offset and `err` the errno (EILSEQ: an invalid or unmappable
  // sequence, EINVAL: cut short at the end).
  bool run(std::string_view in, std::string& out, size_t& failedAt, int& err) {
    size_t produced = out.size();
    out.resize(produced + in.size() * 2 + 16);
    char* ip = const_cast<char*>(in.data());
    size_t il = in.size();
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
      out.resize(produced);
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

// `from` -> UTF-8 through iconv; a lone 0x80 at a character boundary of GB18030 is the euro
// sign of code page 936. False on bytes that are not `from`, with `err` as in Converter::run.
bool convertToUtf8(const char* from, std::string_view in, std::string& out, size_t& failedAt,
                   int& err, std::string_view what) {
  Converter conv("UTF-8", from);
  if (!conv.ok()) failFile(what, std::string("the ") + from + " converter is not available", "无法转换编码！");
  const bool gb = std::strcmp(from, "GB18030") == 0;
  out.clear();
  size_t done = 0;
  for (;;) {
    size_t at = 0;
    if (conv.run(in.substr(done), out, at, err)) return true;
    if (gb && err == EILSEQ && static_cast<unsigned char>(in[done + at]) == 0x80) {
      out += "\xE2\x82\xAC";
      done += at + 1;
      continue;
    }
    failedAt = done + at;
    return false;
  }
}

[[noreturn]] void failUnreadable(std::string_view what, int err, size_t at) {
  if (err == EINVAL) failFile(what, "the file ends inside a character (truncated)", "在一个字符中间结束（可能不完整），无法打开！");
  failFile(what, "not a text file in GB18030 or UTF-8 (invalid bytes at offset " + std::to_string(at) + ")", kUnreadable);
}

// Characters of Chinese text: the common ideographs, CJK and general punctuation, full-width forms.
bool isChineseTextCharacter(unsigned cp) {
  return (cp >= 0x4E00 && cp <= 0x9FFF) || (cp >= 0x3000 && cp <= 0x303F) ||
         (cp >= 0xFF00 && cp <= 0xFFEF) || (cp >= 0x2000 && cp <= 0x206F);
}

// True when the valid UTF-8 `text` holds a non-ASCII character and all of them are Chinese text.
bool utf8ReadsAsChinese(std::string_view text) {
  bool any = false;
  for (size_t i = 0; i < text.size();) {
    const size_t n = utf8SequenceLength(text, i);
    if (n > 1) {
      if (!isChineseTextCharacter(codePointAt(text, i))) return false;
      any = true;
    }
    i += n;
  }
  return any;
}

// True when the valid GB18030 `bytes` hold a non-ASCII character and all of them are GB2312
// symbols or ideographs (lead A1..A9 or B0..F7, trail A1..FE).
bool gbReadsAsGb2312(std::string_view bytes) {
  bool any = false;
  for (size_t i = 0; i < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    if (i + 1 >= bytes.size()) return false;
    const auto trail = static_cast<unsigned char>(bytes[i + 1]);
    const bool gb2312 = ((lead >= 0xA1 && lead <= 0xA9) || (lead >= 0xB0 && lead <= 0xF7)) &&
                        trail >= 0xA1 && trail <= 0xFE;
    if (!gb2312) return false;
    any = true;
    i += 2;
  }
  return any;
}

// True when the valid UTF-8 `text` holds a non-ASCII character and each is part of a Latin-script
// word: a word (ASCII letters and non-ASCII characters) of at least two ASCII letters whose
// non-ASCII characters are single accented letters (U+00C0..U+024F but × and ÷) between them
// ("café", "Ärger", "Ångström"), or the euro sign touching an ASCII letter or digit ("€5"). The
// GB18030 reading of such bytes would be ideographs glued to Latin words, which Chinese text
// rarely has; a lone accented letter ("é" is also 茅) stays ambiguous and is left to the rules after.
bool utf8ReadsAsLatinWords(std::string_view text) {
  const auto asciiLetter = [](char ch) { return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z'); };
  const auto asciiDigit = [](char ch) { return ch >= '0' && ch <= '9'; };
  const auto high = [](char ch) { return static_cast<unsigned char>(ch) >= 0x80; };
  bool any = false;
  for (size_t i = 0; i < text.size();) {
    if (!high(text[i])) {
      ++i;
      continue;
    }
    // The word around this character.
    size_t begin = i;
    while (begin > 0 && (asciiLetter(text[begin - 1]) || high(text[begin - 1]))) --begin;
    size_t end = i;
    int letters = 0;
    bool euro = false, adjacent = false;  // adjacent: two non-ASCII characters in a row
    for (size_t k = begin; k < text.size() && (asciiLetter(text[k]) || high(text[k]));) {
      if (!high(text[k])) {
        ++letters, ++k;
        continue;
      }
      const unsigned cp = codePointAt(text, k);
      const bool letter = cp >= 0xC0 && cp <= 0x24F && cp != 0xD7 && cp != 0xF7;
      if (!letter && cp != 0x20AC) return false;
      euro = euro || !letter;
      if (k > begin && high(text[k - 1])) adjacent = true;
      k += utf8SequenceLength(text, k);
      end = k;
    }
    while (end < text.size() && asciiLetter(text[end])) ++end;
    if (euro) {
      // Without letters the word is the euro sign alone: it must touch a digit.
      const char before = begin > 0 ? text[begin - 1] : ' ', after = end < text.size() ? text[end] : ' ';
      if (adjacent || (letters == 0 && !asciiDigit(before) && !asciiDigit(after))) return false;
    } else if (letters < 2 || adjacent) {
      return false;
    }
    any = true;
    i = end;
  }
  return any;
}

// The charset detector's verdict on bytes valid in both encodings: UTF-8 or not.
bool detectorSaysUtf8(std::string_view bytes) {
  uchardet_t ud = uchardet_new();
  if (!ud) return false;
  constexpr size_t kEnough = size_t(1) << 20;
  uchardet_handle_data(ud, bytes.data(), std::min(bytes.size(), kEnough));
  uchardet_data_end(ud);
  const bool utf8 = std::strcmp(uchardet_get_charset(ud), "UTF-8") == 0;
  uchardet_delete(ud);
  return utf8;
}

// Bytes that a byte order mark declares: UTF-8 or UTF-16; false without a mark.
bool decodeMarked(std::string& bytes, std::string_view what) {
  const char* from = nullptr;
  size_t mark = 0;
  if (bytes.starts_with(kUtf8Bom)) {
    from = "UTF-8", mark = 3;
  } else if (bytes.starts_with("\xFF\xFE")) {
    from = "UTF-16LE", mark = 2;
  } else if (bytes.starts_with("\xFE\xFF")) {
    from = "UTF-16BE", mark = 2;
  } else {
    return false;
  }
  bytes.erase(0, mark);
  if (mark == 3) {
    if (!isValidUtf8(bytes)) failFile(what, "marked as UTF-8 but not valid UTF-8", kUnreadable);
    return true;
  }
  std::string out;
  size_t at = 0;
  int err = 0;
  if (!convertToUtf8(from, bytes, out, at, err, what)) failUnreadable(what, err, at + mark);
  bytes = std::move(out);
  return true;
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
    if (n == 0)
      failFile(what, "the text holds bytes that are not UTF-8 (offset " + std::to_string(i) + ")",
               "无法保存：文本含有无效字符！");
    i += n;
  }
  Converter conv("GB18030", "UTF-8");
  if (!conv.ok()) failFile(what, "the GB18030 converter is not available", "无法转换编码！");
  std::string out;
  size_t at = 0;
  int err = 0;
  if (!conv.run(utf8, out, at, err)) {
    const std::string u = "U+" + hex(codePointAt(utf8, at), 4);
    failFile(what, "the character " + u + " cannot be written in GB18030",
             "无法保存：字符" + u + "不能以GB18030编码写入！");
  }
  return out;
}

std::string fromNarrow(std::string bytes, std::string_view what) {
  if (decodeMarked(bytes, what) || isAscii(bytes)) return bytes;
  const bool utf8 = isValidUtf8(bytes);
  std::string gb;
  size_t at = 0;
  int err = 0;
  const bool gbValid = convertToUtf8("GB18030", bytes, gb, at, err, what);
  if (!gbValid) {
    if (utf8) return bytes;
    failUnreadable(what, err, at);
  }
  if (!utf8) return gb;
  if (utf8ReadsAsLatinWords(bytes)) return bytes;
  const bool chinese8 = utf8ReadsAsChinese(bytes), chineseGb = gbReadsAsGb2312(bytes);
  if (chinese8 != chineseGb) return chinese8 ? bytes : gb;
  return detectorSaysUtf8(bytes) ? bytes : gb;
}

std::string fromDataFile(std::string bytes, std::string_view what) {
  if (decodeMarked(bytes, what) || isAscii(bytes)) return bytes;
  std::string gb;
  size_t at = 0;
  int err = 0;
  if (convertToUtf8("GB18030", bytes, gb, at, err, what)) return gb;
  if (isValidUtf8(bytes)) return bytes;
  failUnreadable(what, err, at);
}

}  // namespace tablique::files
