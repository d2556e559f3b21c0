// The Qt layer's own user-visible texts: dialog buttons and file dialog captions, Chinese
// whatever the system locale.
#pragma once

namespace tablique::qt::texts {

inline constexpr const char* kOk = "确定";
inline constexpr const char* kCancel = "取消";
inline constexpr const char* kSave = "保存";
inline constexpr const char* kOpen = "打开";
inline constexpr const char* kLookIn = "查找范围：";
inline constexpr const char* kFileName = "文件名：";
inline constexpr const char* kFileType = "文件类型：";
inline constexpr const char* kNotice = "温馨提示";
// The file dialog's own questions; %1 is the file's name.
inline constexpr const char* kReplaceFile = "文件“%1”已存在，要替换它吗？";
inline constexpr const char* kFileNotFound = "找不到文件“%1”，请检查文件名。";

// File dialog titles by the kind of file and the direction.
inline constexpr const char* kSaveText = "保存文本文件";
inline constexpr const char* kOpenText = "打开文本文件";
inline constexpr const char* kExportSheet = "导出表格文件";
inline constexpr const char* kExportData = "导出数据";
inline constexpr const char* kImportData = "导入数据";
inline constexpr const char* kSaveFile = "保存文件";
inline constexpr const char* kOpenFile = "打开文件";

// The undo and redo actions offered to the host.
inline constexpr const char* kUndo = "撤销";
inline constexpr const char* kRedo = "重做";

}  // namespace tablique::qt::texts
