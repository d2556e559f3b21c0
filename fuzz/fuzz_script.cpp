// libFuzzer target: the first input line is evaluated as an expression, the whole input is
// also compiled as AddCode text. Any ScriptError is a normal outcome; crashes, sanitizer
// reports and hangs are findings.
#include <tablique/script.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "formula/function_library.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static tablique::script::Engine* library = [] {
    auto* e = new tablique::script::Engine;
    e->AddCode(tablique::formula::functionLibraryText());
    return e;
  }();
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string_view first = text.substr(0, text.find('\n'));
  try {
    tablique::script::Value v = library->Eval(first);
    if (!v.isNull() && !v.isArray() && !v.isObject()) (void)v.toString();
    (void)v.typeName();
  } catch (const tablique::script::ScriptError&) {
  }
  try {
    tablique::script::Engine engine;
    engine.AddCode(text);
    (void)engine.Eval("1");
  } catch (const tablique::script::ScriptError&) {
  }
  return 0;
}
