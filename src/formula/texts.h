// The formula command's user-visible texts, exactly as the user sees them.
#pragma once

namespace tablique::formula::texts {

inline constexpr const char* kPromptLine1 = "如整列计算：C1+C2*Exp(C3)";
inline constexpr const char* kPromptLine2 = "或单个计算：=C1+C2*Exp(C3)";
inline constexpr const char* kPromptLine3 = "字符串处理时列号加双引号！";
inline constexpr const char* kPromptTitle = "计算公式";
inline constexpr const char* kSelfReference = "请检查计算公式，公式不能引用自身所在列！";
inline constexpr const char* kNoticeTitle = "温馨提示";
inline constexpr const char* kNoDataRow = "表格没有数据行，不能设置单元格公式！";
inline constexpr const char* kRowMarkInFormula = "计算公式不能含有控制字符 U+000B，请修改公式！";

}  // namespace tablique::formula::texts
