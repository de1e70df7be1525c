#pragma once
// The site client's fixed texts, as GBK bytes (the program's text).
namespace veldo {

inline constexpr char kDoneMessage[] = "\xCD\xEA\xB3\xC9";                           // 完成
inline constexpr char kDownloadFailedMessage[] = "\xCF\xC2\xD4\xD8\xCA\xA7\xB0\xDC"; // 下载失败
inline constexpr char kNotYetAddedMessage[] =
    "\xD4\xDD\xCE\xB4\xCC\xED\xBC\xD3\xB4\xCB\xB9\xA6\xC4\xDC"; // 暂未添加此功能

} // namespace veldo
