// The file commands' user-visible texts, exactly as the user sees them.
#pragma once

namespace tablique::files::texts {

inline constexpr const char* kTxtFilter = "TXT格式文件(*.txt)|*.txt";
inline constexpr const char* kXlsFilter = "XLS格式文件(*.xls)|*.xls";
inline constexpr const char* kXlsxFilter = "XLSX格式文件(*.xlsx)|*.xlsx";
inline constexpr const char* kTbqFilter = "TBQ格式文件(*.tbq)|*.tbq";

}  // namespace tablique::files::texts
