// The Vietnamese texts of the web converter's window, in TCVN3 as the program stores
// them (each with the text it reads as).
#pragma once

namespace ts::web::window::texts {

// "Tên file"
inline constexpr const char* kColName = "T\xAAn file";
// "Độ lớn"
inline constexpr const char* kColSize = "\xA7\xE9 l\xEDn";
// "Kiểu"
inline constexpr const char* kColType = "Ki\xD3u";
// "Ngày tạo lập"
inline constexpr const char* kColDate = "Ng\xB5y t\xB9o l\xCBp";
// "Kiểu File cần chuyển:"
inline constexpr const char* kFileTypeLabel = "Ki\xD3u File c\xC7n chuy\xD3n:";
// "Định dạng sau khi chuyển đổi:"
inline constexpr const char* kFormatLabel = "\xA7\xDEnh d\xB9ng sau khi chuy\xD3n \xAE\xE6i:";
// "Mã/Font nguồn:"
inline constexpr const char* kSourceLabel = "M\xB7/Font ngu\xE5n:";
// "Mã/Font đích:"
inline constexpr const char* kDestinationLabel =
    "M\xB7/Font \xAE\xDD"
    "ch:";
// "Danh sách file cần chuyển đổi - Có thể drag-drop từ Win. Explore"
inline constexpr const char* kListColumn =
    "Danh s\xB8"
    "ch file c\xC7n chuy\xD3n \xAE\xE6i - C\xE3 th\xD3 drag-drop t\xF5 Win. Explore";
// "&Chuyển đổi"
inline constexpr const char* kConvert = "&Chuy\xD3n \xAE\xE6i";
// "&DSách mới"
inline constexpr const char* kNewList =
    "&DS\xB8"
    "ch m\xEDi";
// "&Hướng Dẫn"
inline constexpr const char* kHelp = "&H\xAD\xEDng D\xC9n";
// "&Kết thúc"
inline constexpr const char* kExit =
    "&K\xD5t th\xF3"
    "c";
// "Sửa lỗi trên HTML"
inline constexpr const char* kFixHtml =
    "S\xF6"
    "a l\xE7i tr\xAAn HTML";
// "&Lưu cấu hình"
inline constexpr const char* kSaveSettings = "&L\xADu c\xCAu h\xD7nh";
// "&Tối ưu Html"
inline constexpr const char* kOptimizeHtml = "&T\xE8i \xADu Html";
// " Chọn thêm "
inline constexpr const char* kMoreGroup = " Ch\xE4n th\xAAm ";
// "File được kéo thả (drag-drop) từ Windows Explore"
inline constexpr const char* kSmallColumn =
    "File \xAE\xAD\xEE"
    "c k\xD0o th\xB6 (drag-drop) t\xF5 Windows Explore";
// "Chương trình chuyển mã tiếng Việt cho các trang Web, RTF..."
inline constexpr const char* kCaption =
    "Ch\xAD\xACng tr\xD7nh chuy\xD3n m\xB7 ti\xD5ng Vi\xD6t cho c\xB8"
    "c trang Web, RTF...";
// "Chức năng này chưa có trong phiên bản này."
inline constexpr const char* kNotYet =
    "Ch\xF8"
    "c n\xA8ng n\xB5y ch\xAD"
    "a c\xE3 trong phi\xAAn b\xB6n n\xB5y.";
// "&Mở bằng trình quản lý file"
inline constexpr const char* kOpenFolder = "&M\xEB b\xBBng tr\xD7nh qu\xB6n l\xFD file";
// "&Thêm vào danh sách chuyển đổi"
inline constexpr const char* kAddFolder =
    "&Th\xAAm v\xB5o danh s\xB8"
    "ch chuy\xD3n \xAE\xE6i";
// "&Chép đường dẫn"
inline constexpr const char* kCopyPath = "&Ch\xD0p \xAE\xAD\xEAng d\xC9n";
// "Máy tính"
inline constexpr const char* kRootName = "M\xB8y t\xDDnh";

}  // namespace ts::web::window::texts
