// The control core's user-visible texts, exactly as the user sees them.
#pragma once

namespace tablique::texts {

inline constexpr const char* kNoticeTitle = "温馨提示";
inline constexpr const char* kCommandFailed = "操作未能完成，表格未作改动。";
inline constexpr const char* kOutOfMemory = "内存不足，表格未作改动！";
inline constexpr const char* kSizeExceeded = "行或列数超出，请重新设置！";
inline constexpr const char* kClearConfirm = "表格内容将被清除，确定？";
inline constexpr const char* kPopupCaption = "弹出菜单";

}  // namespace tablique::texts
