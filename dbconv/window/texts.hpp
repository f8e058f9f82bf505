// The Vietnamese texts of the database converter's window, in TCVN3 as the program stores
// them (each with the text it reads as).
#pragma once

namespace ts::db::texts {

// "Mở hoặc kết nối với database"
inline constexpr const char* kNav1 =
    "M\xEB ho\xC6"
    "c k\xD5t n\xE8i v\xEDi database";
// "Kết nối thông qua ADO"
inline constexpr const char* kNav2 = "K\xD5t n\xE8i th\xABng qua ADO";
// "Kết nối thông qua DAO"
inline constexpr const char* kNav3 = "K\xD5t n\xE8i th\xABng qua DAO";
// "Kết nối thông qua ODBC"
inline constexpr const char* kNav4 = "K\xD5t n\xE8i th\xABng qua ODBC";
// "Chuyển mã tiếng Việt "
inline constexpr const char* kNav5 = "Chuy\xD3n m\xB7 ti\xD5ng Vi\xD6t ";
// "Hỏi đáp -Query- trong Database "
inline constexpr const char* kNav6 = "H\xE1i \xAE\xB8p -Query- trong Database ";
// "Thống kê, làm báo cáo nhanh"
inline constexpr const char* kNav7 = "Th\xE8ng k\xAA, l\xB5m b\xB8o c\xB8o nhanh";
// "Thống kê dữ liệu"
inline constexpr const char* kNav8 = "Th\xE8ng k\xAA d\xF7 li\xD6u";
// "Tổng hợp dữ liệu tra chéo"
inline constexpr const char* kNav9 = "T\xE6ng h\xEEp d\xF7 li\xD6u tra ch\xD0o";
// "Lập báo cáo"
inline constexpr const char* kNav10 = "L\xCBp b\xB8o c\xB8o";
// "Hệ thống"
inline constexpr const char* kNav11 = "H\xD6 th\xE8ng";
// "Đặt các lựa chọn - Options"
inline constexpr const char* kNav12 =
    "\xA7\xC6t c\xB8"
    "c l\xF9"
    "a ch\xE4n - Options";
// "Sửa lỗi trong Database"
inline constexpr const char* kNav13 =
    "S\xF6"
    "a l\xE7i trong Database";
// "&Kết thúc"
inline constexpr const char* kExit =
    "&K\xD5t th\xF3"
    "c";
// "&Chuyển mã"
inline constexpr const char* kConvert = "&Chuy\xD3n m\xB7";
// "&Đoán mã"
inline constexpr const char* kGuess = "&\xA7o\xB8n m\xB7";
// "&Chuyển 7-Bit"
inline constexpr const char* kSevenBit = "&Chuy\xD3n 7-Bit";
// "&Chuyển chữ HOA"
inline constexpr const char* kUpper = "&Chuy\xD3n ch\xF7 HOA";
// "&Chuyển chữ thường"
inline constexpr const char* kLower = "&Chuy\xD3n ch\xF7 th\xAD\xEAng";
// "Cảnh báo vượt size"
inline constexpr const char* kSizeWarning = "C\xB6nh b\xB8o v\xAD\xEEt size";
// "Mã/Font nguồn:"
inline constexpr const char* kSourceLabel = "M\xB7/Font ngu\xE5n:";
// "Mã/Font đích:"
inline constexpr const char* kDestinationLabel =
    "M\xB7/Font \xAE\xDD"
    "ch:";
// "Đường dẫn, tên file của Data:"
inline constexpr const char* kPathLabel =
    "\xA7\xAD\xEAng d\xC9n, t\xAAn file c\xF1"
    "a Data:";
// "Kiểu dữ liệu:"
inline constexpr const char* kTypeLabel = "Ki\xD3u d\xF7 li\xD6u:";
// "Mở bằng ODBC"
inline constexpr const char* kOpenOdbc = "M\xEB b\xBBng ODBC";
// "Database chưa được mở.\nHãy vào mục mở Database!"
inline constexpr const char* kNotOpen =
    "Database ch\xAD"
    "a \xAE\xAD\xEE"
    "c m\xEB.\nH\xB7y v\xB5o m\xF4"
    "c m\xEB Database!";
// "Chương trình chuyển mã tiếng Việt cho Database: Access, Fox, ORACLE..."
inline constexpr const char* kDescription =
    "Ch\xAD\xACng tr\xD7nh chuy\xD3n m\xB7 ti\xD5ng Vi\xD6t cho Database: Access, Fox, ORACLE...";
// "%1: mã %2 (độ tin cậy %3%)."
inline constexpr const char* kGuessed = "%1: m\xB7 %2 (\xAE\xE9 tin c\xCBy %3%).";
// "%1: không đoán được mã."
inline constexpr const char* kNoGuess =
    "%1: kh\xABng \xAEo\xB8n \xAE\xAD\xEE"
    "c m\xB7.";
// "Chọn mã %1 làm mã nguồn?"
inline constexpr const char* kUseGuess = "Ch\xE4n m\xB7 %1 l\xB5m m\xB7 ngu\xE5n?";
// "Chưa chọn cột nào: hãy đánh dấu các cột cần xử lý."
inline constexpr const char* kNoMarked =
    "Ch\xAD"
    "a ch\xE4n c\xE9t n\xB5o: h\xB7y \xAE\xB8nh d\xCAu c\xB8"
    "c c\xE9t c\xC7n x\xF6 l\xFD.";
// "Các giá trị đầu tiên, trước và sau:\n\n%1\nXử lý các cột đã chọn?"
inline constexpr const char* kAskChange =
    "C\xB8"
    "c gi\xB8 tr\xDE \xAE\xC7u ti\xAAn, tr\xAD\xED"
    "c v\xB5 sau:\n\n%1\nX\xF6 l\xFD c\xB8"
    "c c\xE9t \xAE\xB7 ch\xE4n?";
// "Cột %1 không có vẻ là mã %2: có vẻ là mã %3.\nVẫn chuyển mã cột này?"
inline constexpr const char* kAskForce =
    "C\xE9t %1 kh\xABng c\xE3 v\xCE l\xB5 m\xB7 %2: c\xE3 v\xCE l\xB5 m\xB7 %3.\nV\xC9n chuy\xD3n "
    "m\xB7 c\xE9t n\xB5y?";
// "Kết nối này sẽ có trong phiên bản sau."
inline constexpr const char* kLaterBackend =
    "K\xD5t n\xE8i n\xB5y s\xCF c\xE3 trong phi\xAAn b\xB6n sau.";

}  // namespace ts::db::texts
