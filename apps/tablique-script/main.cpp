// tablique-script: evaluates one formula-language expression per input line.
//
//   $ echo '1/3 & "|" & TypeName(2^3^2)' | tablique-script
//   0.333333333333333|Double	String
//
// Output per line: CStr(result) TAB TypeName(result), or "error N" TAB description
// (a Null, array or Nothing result prints an empty text before its type name).
// Tabs, line breaks and backslashes in printed text are written as \t, \n, \r, \\.
// The control's function library is loaded first unless --bare is given.
#include <tablique/script.h>

#include <cstring>
#include <iostream>
#include <string>

#include "formula/function_library.h"

namespace {

std::string escaped(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    switch (c) {
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\\': out += "\\\\"; break;
      default: out += c;
    }
  }
  return out;
}

void usage() {
  std::cout << "usage: tablique-script [--bare]\n"
               "Reads one expression per line from standard input and prints\n"
               "CStr(result) TAB TypeName(result), or \"error N\" TAB description.\n"
               "  --bare   leave out the control's function library (pi, Acos, Power, ...)\n";
}

}  // namespace

int main(int argc, char** argv) {
  bool bare = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--bare") == 0) bare = true;
    else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      usage();
      return 0;
    } else {
      std::cerr << "tablique-script: unknown option " << argv[i] << "\n";
      usage();
      return 2;
    }
  }
  tablique::script::Engine engine;
  if (!bare) {
    try {
      engine.AddCode(tablique::formula::functionLibraryText());
    } catch (const tablique::script::ScriptError& e) {
      std::cerr << "tablique-script: library failed: error " << e.number() << " " << e.description() << "\n";
      return 1;
    }
  }
  std::string line;
  while (std::getline(std::cin, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    try {
      tablique::script::Value v = engine.Eval(line);
      // Null, arrays and Nothing have no CStr; their line shows an empty text and the type name.
      std::string text = v.isNull() || v.isArray() || v.isObject() ? std::string() : v.toString();
      std::cout << escaped(text) << '\t' << v.typeName() << '\n';
    } catch (const tablique::script::ScriptError& e) {
      std::cout << "error " << e.number() << '\t' << escaped(e.description()) << '\n';
    }
  }
  return 0;
}
