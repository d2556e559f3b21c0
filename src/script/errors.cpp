#include "script/errors.h"

#include <tablique/script.h>

#include <algorithm>
#include <iterator>

namespace tablique::script {

namespace {
struct ErrorText {
  int number;
  std::string_view text;
};
// Sorted by number.
constexpr ErrorText kErrors[] = {
    {5, "Invalid procedure call or argument"},
    {6, "Overflow"},
    {7, "Out of memory"},
    {9, "Subscript out of range"},
    {10, "This array is fixed or temporarily locked"},
    {11, "Division by zero"},
    {13, "Type mismatch"},
    {14, "Out of string space"},
    {17, "Can't perform requested operation"},
    {28, "Out of stack space"},
    {35, "Sub or Function not defined"},
    {51, "Internal error"},
    {92, "For loop not initialized"},
    {94, "Invalid use of Null"},
    {424, "Object required"},
    {450, "Wrong number of arguments or invalid property assignment"},
    {451, "Object not a collection"},
    {500, "Variable is undefined"},
    {501, "Illegal assignment"},
    {1002, "Syntax error"},
    {1005, "Expected '('"},
    {1006, "Expected ')'"},
    {1007, "Expected ']'"},
    {1010, "Expected identifier"},
    {1011, "Expected '='"},
    {1012, "Expected 'If'"},
    {1013, "Expected 'To'"},
    {1014, "Expected 'End'"},
    {1015, "Expected 'Function'"},
    {1016, "Expected 'Sub'"},
    {1017, "Expected 'Then'"},
    {1018, "Expected 'Wend'"},
    {1019, "Expected 'Loop'"},
    {1020, "Expected 'Next'"},
    {1021, "Expected 'Case'"},
    {1022, "Expected 'Select'"},
    {1023, "Expected expression"},
    {1024, "Expected statement"},
    {1025, "Expected end of statement"},
    {1026, "Expected integer constant"},
    {1027, "Expected 'While' or 'Until'"},
    {1031, "Invalid number"},
    {1032, "Invalid character"},
    {1033, "Unterminated string constant"},
    {1038, "'loop' without 'do'"},
    {1039, "Invalid 'exit' statement"},
    {1041, "Name redefined"},
    {1044, "Cannot use parentheses when calling a Sub"},
    {1045, "Expected literal constant"},
    {1046, "Expected 'In'"},
    {1055, "Unexpected 'Next'"},
};
}  // namespace

std::string_view errorDescription(int number) {
  auto it = std::lower_bound(std::begin(kErrors), std::end(kErrors), number,
                             [](const ErrorText& e, int n) { return e.number < n; });
  if (it != std::end(kErrors) && it->number == number) return it->text;
  return "Unknown runtime error";
}

void raise(int number) { throw ScriptError(number, std::string(errorDescription(number))); }

}  // namespace tablique::script
