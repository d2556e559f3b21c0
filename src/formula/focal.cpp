// focal: the formula command for the grid's current cell (R, K).
//
//   default formula (the row's cell formula, else the column formula) -> prompt (formuMode 111)
//   -> string formulas get parentheses -> self-reference check -> compute: a cell formula for
//   (R, K), a column formula for the data run of its highest referenced column (restricted to
//   R..R+pasteRows while pasteMode is 333, rows with their own cell formula left to it)
//   -> store with end marking -> compact the record -> recalc once when another column
//   references K (guarded by depGuard) -> (R, K) current.
//
// Every failure is trapped: before the computation it ends the command (through the last
// step), in the computation it goes on with storing, a failed row leaves its cell.
#include <tablique/control.h>

#include <utility>

#include "control/history.h"
#include "formula/record.h"
#include "formula/references.h"
#include "formula/result.h"
#include "formula/texts.h"
#include "formula/translate.h"

namespace tablique {

namespace {

std::string promptText() {
  const std::string indent(5, ' ');
  return indent + formula::texts::kPromptLine1 + "\r\n\r\n" + indent + formula::texts::kPromptLine2 +
         "\r\n\r\n" + indent + formula::texts::kPromptLine3;
}

// A formula holding a double quote is enclosed in parentheses (after the "=" of a cell formula)
// unless it already is.
void encloseStringFormula(std::string& f) {
  if (f.find('"') == std::string::npos) return;
  if (f[0] == '=') {
    if (f.size() < 2 || f[1] != '(' || f.back() != ')') f = "=(" + f.substr(1) + ")";
  } else if (f[0] != '(' || f.back() != ')') {
    f = "(" + f + ")";
  }
}

}  // namespace

void Control::focal() {
  const int32_t R = grid_.Row();
  const int32_t K = grid_.Col();
  if (K < 1 || K > grid_.Cols() - 1 || K >= int32_t(st_.colFormula.size())) return;
  const int32_t maxCol = grid_.Cols() - 1;
  const bool restricted = st_.formuMode == FormuMode::Silent && st_.pasteMode == PasteMode::Restricted;

  std::string f;
  bool compute = false;
  bool rowMark = false;  // the typed formula holds the record's row mark
  try {
    // The default formula. A restricted run recomputes rows of a paste or an edit: the column
    // formula, when there is one, serves every such row without a cell formula of its own.
    const std::string& stored = st_.colFormula[size_t(K)];
    const bool columnFormula = !stored.empty() && stored[0] != '=';
    std::string preset;
    std::optional<std::string> cell;
    if (!(restricted && columnFormula)) cell = formula::cellFormulaForRow(stored, R);
    if (cell)
      preset = std::move(*cell);
    else if (columnFormula)
      preset = formula::decode(formula::firstPiece(stored));

    focusGrid();

    if (st_.formuMode == FormuMode::Prompt) {
      std::optional<std::string> answer =
          platform_->inputBox(promptText(), formula::texts::kPromptTitle, preset);
      f = answer.value_or(std::string());
      if (f.find(formula::kRowMark) != std::string::npos) rowMark = true;
    } else {
      f = preset;
    }

    if (rowMark) f.clear();
    // Computed as it will be read back: a mark character typed into the formula reads as what
    // it stands for in the record.
    if (!f.empty()) f = formula::decode(formula::encode(f, maxCol, true));
    if (!f.empty()) {
      encloseStringFormula(f);
      std::string self = "C";
      self.push_back(formula::kRefBracket);
      self += std::to_string(K);
      self.push_back(formula::kRefBracket);
      if (formula::bracketReferences(f, maxCol).find(self) != std::string::npos) {
        platform_->messageBox(formula::texts::kSelfReference, formula::texts::kNoticeTitle, false);
        return;  // nothing computed, nothing stored
      }
      compute = true;
    }
  } catch (const std::exception&) {
    st_.depGuard = DepGuard::None;
    grid_.setRow(R);
    grid_.setCol(K);
    return;
  }

  // The row mark ends a cell formula's text in the record: a formula holding it could not be
  // read back. Refused before anything is computed or stored.
  if (rowMark)
    throw Error(ErrorCode::Refused, "a formula holding U+000B cannot be stored",
                formula::texts::kRowMarkInFormula);
  // A cell formula belongs to a data row; on a table without one there is none to hold it.
  if (compute && f[0] == '=' && R < 1)
    throw Error(ErrorCode::Refused, "a cell formula needs a current data row", formula::texts::kNoDataRow);

  st_.recordWrites.touch(size_t(K));
  std::string& record = st_.colFormula[size_t(K)];
  if (compute) {
    std::string expr;
    try {
      if (f[0] == '=') {
        // The cell formula of the current row.
        formula::Translation t(f, maxCol, true);
        if (R >= 1 && t.forRow(grid_, R, expr))
          formula::evaluateInto(*ScriptControl1, grid_, expr, R, K);
      } else {
        // The column formula over the data run of its highest referenced column, from row 1,
        // retiring the cell formulas of those rows. Restricted: rows R to R + pasteRows, where
        // a row's own cell formula stays (recalc has just evaluated it).
        formula::Translation t(f, maxCol, false);
        const int32_t h = t.highest();
        int32_t first = 1, limit = grid_.Rows() - 1;
        if (restricted) {
          first = std::max(R, 1);
          limit = std::min(limit, R + st_.pasteRows);
        }
        const int32_t last = h >= 1 ? std::min(grid_.dataRun(h), limit) : 0;
        std::vector<int32_t> own;  // rows first..last with a cell formula, ascending
        if (restricted) {
          for (const auto& piece : formula::cellFormulas(record))
            if (piece.first >= first && piece.first <= last) own.push_back(piece.first);
        } else {
          formula::retireRows(record, first, last);
        }
        auto ownAt = own.begin();
        for (int32_t r = first; r <= last; ++r) {
          if (ownAt != own.end() && *ownAt == r) {
            ++ownAt;
            continue;
          }
          t.prefetchCells(grid_, r + 4, K);
          t.prefetchTexts(grid_, r + 2, K);
          if (t.forRow(grid_, r, expr)) formula::evaluateInto(*ScriptControl1, grid_, expr, r, K);
        }
      }
    } catch (const std::exception&) {
    }
  }

  try {
    if (!f.empty()) {
      const std::string stored = formula::encode(f, maxCol, true);
      if (f[0] == '=') {
        formula::retireRow(record, R);
        record += formula::cellPiece(stored, R);
      } else {
        record = stored + ";" + record;
      }
    }
  } catch (const std::exception&) {
  }
  if (f.empty()) {  // nothing stored: the same formulas compacted, no undo step of their own
    std::string before = std::exchange(record, formula::compactForCommand(record));
    if (record != before) history_->acceptRecord(size_t(K), before);
  } else {
    record = formula::compactForCommand(record);
  }

  // Columns that use K are brought up to date, once, unless a recalculation is already running.
  if (!f.empty()) {
    if (st_.depGuard == DepGuard::Running || st_.pasteMode == PasteMode::Restricted) return;
    st_.depGuard = DepGuard::Running;
    const int32_t cols = std::min<int32_t>(grid_.Cols() - 1, int32_t(st_.colFormula.size()) - 1);
    for (int32_t k = 1; k <= cols; ++k) {
      if (k == K || !formula::referencesColumn(st_.colFormula[size_t(k)], K, maxCol)) continue;
      grid_.setRow(R);
      grid_.setCol(K);
      recalc();
      break;
    }
  }
  st_.depGuard = DepGuard::None;
  grid_.setRow(R);
  grid_.setCol(K);
}

}  // namespace tablique
