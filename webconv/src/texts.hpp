// The Vietnamese texts of the web converter, in TCVN3 as the program stores them.
#pragma once

namespace ts::web::texts {

// "Chưa có file nào được chọn, hãy nhấn đúp chuột" / "hoặc phím phải chuột để chọn file."
inline constexpr const char* kEmptyList1 =
    "Ch\xAD"
    "a c\xE3 file n\xB5o \xAE\xAD\xEE"
    "c ch\xE4n, h\xB7y nh\xCAn \xAE\xF3p chu\xE9t";
inline constexpr const char* kEmptyList2 =
    "ho\xC6"
    "c ph\xDDm ph\xB6i chu\xE9t \xAE\xD3 ch\xE4n file.";
// "Đã chuyển mã xong %d file." / "Tổng số Byte: %u."
inline constexpr const char* kDone = "\xA7\xB7 chuy\xD3n m\xB7 xong %llu file.";
inline constexpr const char* kBytes = "T\xE6ng s\xE8 Byte: %llu.";
// "Thời gian chuyển mã: Giờ: %H, Phút: %M, Giây: %S."
inline constexpr const char* kTime =
    "Th\xEAi gian chuy\xD3n m\xB7: Gi\xEA: %02d, Ph\xF3t: %02d, Gi\xA9y: %02d.";
// "Không chuyển mã được %d file:"
inline constexpr const char* kFailed =
    "Kh\xABng chuy\xD3n m\xB7 \xAE\xAD\xEE"
    "c %zu file:";
inline constexpr const char* kConverting = " Converting: [%s - %llu Bytes] ...";

}  // namespace ts::web::texts
