// The editing commands' user-visible texts, exactly as the user sees them.
#pragma once

namespace tablique::editing::texts {

inline constexpr const char* kNoticeTitle = "温馨提示";
inline constexpr const char* kOverflowTitle = "数据溢出";
inline constexpr const char* kRowsExceeded = "行超出，请先增加行！";
inline constexpr const char* kColsExceeded = "列超出，请先增加列！";
inline constexpr const char* kColumnReferenced = "列有被计算公式引用，不能删除！";
inline constexpr const char* kSizeExceeded = "行或列数超出，请重新设置！";
inline constexpr const char* kPasteInHeader = "当前单元格在表头，不能粘贴！";
inline constexpr const char* kRowsNotDeletable = "第1行和最后两行不能删除！";
inline constexpr const char* kColsNotDeletable = "第1列和最后两列不能删除！";
inline constexpr const char* kTransposeTooBig = "转置后超出表格范围，不能转置！";

}  // namespace tablique::editing::texts
