// Unicode's simple case mappings (one code point to one code point), generated into
// case_table.cpp by tools/gen_case_table.py.
#pragma once

#include <cstdint>

namespace tablique::script {

struct CaseRun {
  char32_t first, last;
  int32_t stride, delta;
};

char32_t upperCase(char32_t c);
char32_t lowerCase(char32_t c);

}  // namespace tablique::script
