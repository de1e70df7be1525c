#pragma once
// What assistive technology (a screen reader) calls each window and control, in the program's
// own language. Labels that show their own text keep it as their name. UTF-8.
namespace veldo::accessible {

// The player window.
inline constexpr char kMainWindow[] = "Veldo 播放器";
inline constexpr char kLogo[] = "Veldo 标志";
inline constexpr char kCover[] = "封面";
inline constexpr char kSearchBar[] = "搜索栏"; // the frame around the search box
inline constexpr char kSearchBox[] = "搜索框";
// The search button's picture reads 探索: a name holds what the eye reads (voice control
// users say it), the description what it does.
inline constexpr char kSearch[] = "探索";
inline constexpr char kSearchDescription[] = "搜索";
inline constexpr char kList[] = "列表";
inline constexpr char kSpectrum[] = "频谱";
inline constexpr char kPlay[] = "播放";
inline constexpr char kPause[] = "暂停";
inline constexpr char kProgress[] = "播放进度";
inline constexpr char kPlayedTime[] = "已播放";
inline constexpr char kTotalTime[] = "总时长";
inline constexpr char kDownload[] = "下载";
inline constexpr char kClose[] = "关闭";

// The list window.
inline constexpr char kListWindow[] = "VELDO列表";
inline constexpr char kPreviousPage[] = "上一页";
inline constexpr char kNextPage[] = "下一页";
inline constexpr char kPageNumber[] = "页码";
inline constexpr char kSounds[] = "声音列表";
inline constexpr char kSpareButton[] = "备用按钮"; // beyond the window's edge, does nothing

} // namespace veldo::accessible
