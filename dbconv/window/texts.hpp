// The texts of the database converter's window, in Vietnamese (the source language of its
// translations: "tsdata" in translations/tessaro_*.ts).  Shown through
// QCoreApplication::translate("tsdata", ...).
#pragma once

#include <QCoreApplication>
#include <QString>

namespace ts::db::texts {

// A text of the window in the user's language (Vietnamese unless a translation is loaded).
inline QString tr(const char* text) { return QCoreApplication::translate("tsdata", text); }

inline constexpr const char* kNav1 = QT_TRANSLATE_NOOP("tsdata", "Mở hoặc kết nối với database");
inline constexpr const char* kNav2 = QT_TRANSLATE_NOOP("tsdata", "Kết nối thông qua ADO");
inline constexpr const char* kNav3 = QT_TRANSLATE_NOOP("tsdata", "Kết nối thông qua DAO");
inline constexpr const char* kNav4 = QT_TRANSLATE_NOOP("tsdata", "Kết nối thông qua ODBC");
inline constexpr const char* kNav5 = QT_TRANSLATE_NOOP("tsdata", "Chuyển mã tiếng Việt ");
inline constexpr const char* kNav6 = QT_TRANSLATE_NOOP("tsdata", "Hỏi đáp -Query- trong Database ");
inline constexpr const char* kNav7 = QT_TRANSLATE_NOOP("tsdata", "Thống kê, làm báo cáo nhanh");
inline constexpr const char* kNav8 = QT_TRANSLATE_NOOP("tsdata", "Thống kê dữ liệu");
inline constexpr const char* kNav9 = QT_TRANSLATE_NOOP("tsdata", "Tổng hợp dữ liệu tra chéo");
inline constexpr const char* kNav10 = QT_TRANSLATE_NOOP("tsdata", "Lập báo cáo");
inline constexpr const char* kNav11 = QT_TRANSLATE_NOOP("tsdata", "Hệ thống");
inline constexpr const char* kNav12 = QT_TRANSLATE_NOOP("tsdata", "Đặt các lựa chọn - Options");
inline constexpr const char* kNav13 = QT_TRANSLATE_NOOP("tsdata", "Sửa lỗi trong Database");
inline constexpr const char* kExit = QT_TRANSLATE_NOOP("tsdata", "&Kết thúc");
inline constexpr const char* kConvert = QT_TRANSLATE_NOOP("tsdata", "&Chuyển mã");
inline constexpr const char* kGuess = QT_TRANSLATE_NOOP("tsdata", "&Đoán mã");
inline constexpr const char* kSevenBit = QT_TRANSLATE_NOOP("tsdata", "Chuyển &7-Bit");
inline constexpr const char* kUpper = QT_TRANSLATE_NOOP("tsdata", "Chuyển chữ &HOA");
inline constexpr const char* kLower = QT_TRANSLATE_NOOP("tsdata", "Chuyển chữ &thường");
inline constexpr const char* kSizeWarning = QT_TRANSLATE_NOOP("tsdata", "Cảnh báo vượt size");
inline constexpr const char* kSourceLabel = QT_TRANSLATE_NOOP("tsdata", "Mã/Font nguồn:");
inline constexpr const char* kDestinationLabel = QT_TRANSLATE_NOOP("tsdata", "Mã/Font đích:");
inline constexpr const char* kPathLabel =
    QT_TRANSLATE_NOOP("tsdata", "Đường dẫn, tên file của Data:");
inline constexpr const char* kTypeLabel = QT_TRANSLATE_NOOP("tsdata", "Kiểu dữ liệu:");
inline constexpr const char* kOpenOdbc = QT_TRANSLATE_NOOP("tsdata", "Mở bằng ODBC");
inline constexpr const char* kNotOpen =
    QT_TRANSLATE_NOOP("tsdata", "Database chưa được mở.\nHãy vào mục mở Database!");
inline constexpr const char* kDescription = QT_TRANSLATE_NOOP(
    "tsdata", "Chương trình chuyển mã tiếng Việt cho Database: Access, Fox, ORACLE...");
inline constexpr const char* kGuessed = QT_TRANSLATE_NOOP("tsdata", "%1: mã %2 (độ tin cậy %3%).");
inline constexpr const char* kNoGuess = QT_TRANSLATE_NOOP("tsdata", "%1: không đoán được mã.");
inline constexpr const char* kUseGuess = QT_TRANSLATE_NOOP("tsdata", "Chọn mã %1 làm mã nguồn?");
inline constexpr const char* kNoMarked =
    QT_TRANSLATE_NOOP("tsdata", "Chưa chọn cột nào: hãy đánh dấu các cột cần xử lý.");
inline constexpr const char* kAskChange = QT_TRANSLATE_NOOP(
    "tsdata", "Các giá trị đầu tiên, trước và sau:\n\n%1\nXử lý các cột đã chọn?");
inline constexpr const char* kAskForce = QT_TRANSLATE_NOOP(
    "tsdata", "Cột %1 không có vẻ là mã %2: có vẻ là mã %3.\nVẫn chuyển mã cột này?");
inline constexpr const char* kLaterBackend =
    QT_TRANSLATE_NOOP("tsdata", "Kết nối này sẽ có trong phiên bản sau.");

// The end of a run: the columns a failure or a stop left unconverted.
inline constexpr const char* kLeftUnconverted =
    QT_TRANSLATE_NOOP("tsdata", "Các cột chưa được chuyển mã: %1");
// The columns the user answered No to ("convert anyway?").
inline constexpr const char* kLeftByAnswer =
    QT_TRANSLATE_NOOP("tsdata", "Các cột để nguyên theo trả lời Không: %1");

// The dialogs that choose an ODBC data source and a PostgreSQL database.
inline constexpr const char* kOdbcTitle = QT_TRANSLATE_NOOP("tsdata", "Nguồn dữ liệu ODBC");
inline constexpr const char* kOdbcSources = QT_TRANSLATE_NOOP("tsdata", "Nguồn dữ liệu:");
inline constexpr const char* kOdbcDrivers =
    QT_TRANSLATE_NOOP("tsdata", "Trình điều khiển (driver):");
inline constexpr const char* kOdbcOther = QT_TRANSLATE_NOOP("tsdata", "Khoá khác:");
inline constexpr const char* kOdbcConnect = QT_TRANSLATE_NOOP("tsdata", "&Kết nối");
inline constexpr const char* kOdbcSystem = QT_TRANSLATE_NOOP("tsdata", "của hệ thống");
inline constexpr const char* kOdbcUser = QT_TRANSLATE_NOOP("tsdata", "của người dùng");
inline constexpr const char* kPgTitle = QT_TRANSLATE_NOOP("tsdata", "Kết nối PostgreSQL");
inline constexpr const char* kMariaTitle = QT_TRANSLATE_NOOP("tsdata", "Kết nối MariaDB/MySQL");
inline constexpr const char* kPgHost = QT_TRANSLATE_NOOP("tsdata", "&Máy chủ:");
// What an empty host means: libpq's Unix socket, as psql without -h ("localhost" is TCP).
inline constexpr const char* kPgHostEmpty =
    QT_TRANSLATE_NOOP("tsdata", "trống: socket của máy này");
inline constexpr const char* kPgPort = QT_TRANSLATE_NOOP("tsdata", "&Cổng:");
inline constexpr const char* kPgDatabase = QT_TRANSLATE_NOOP("tsdata", "Cơ &sở dữ liệu:");
inline constexpr const char* kPgUser = QT_TRANSLATE_NOOP("tsdata", "&Người dùng:");
inline constexpr const char* kPgPassword = QT_TRANSLATE_NOOP("tsdata", "Mật &khẩu:");
inline constexpr const char* kPgConninfo = QT_TRANSLATE_NOOP("tsdata", "&hoặc chuỗi kết nối:");
inline constexpr const char* kPgTest = QT_TRANSLATE_NOOP("tsdata", "&Thử");
inline constexpr const char* kPgTested = QT_TRANSLATE_NOOP("tsdata", "Kết nối thử thành công.");

inline constexpr const char* kWarningCaption = QT_TRANSLATE_NOOP("tsdata", "TSdata - Cảnh báo");
inline constexpr const char* kDeleteQuestion = QT_TRANSLATE_NOOP("tsdata", "Bạn có chắc muốn xoá mục này?\n\n%1");
inline constexpr const char* kTableNamed = QT_TRANSLATE_NOOP("tsdata", "bảng \"%1\"");
inline constexpr const char* kQueryNamed = QT_TRANSLATE_NOOP("tsdata", "truy vấn \"%1\"");
inline constexpr const char* kLoaded = QT_TRANSLATE_NOOP("tsdata", "Đã nạp %1 trong tổng số %2 bản ghi");
inline constexpr const char* kUserName = QT_TRANSLATE_NOOP("tsdata", "Người dùng:");
inline constexpr const char* kPasswordLabel = QT_TRANSLATE_NOOP("tsdata", "Mật khẩu:");
inline constexpr const char* kReadOnlyBox = QT_TRANSLATE_NOOP("tsdata", "Chỉ đọc");
inline constexpr const char* kExclusiveBox = QT_TRANSLATE_NOOP("tsdata", "Độc quyền");
inline constexpr const char* kCursorLibraryBox = QT_TRANSLATE_NOOP("tsdata", "Dùng thư viện con trỏ");
inline constexpr const char* kShowDataTip = QT_TRANSLATE_NOOP("tsdata", "Hiển thị số liệu");
inline constexpr const char* kShowStructureTip = QT_TRANSLATE_NOOP("tsdata", "Hiện cấu trúc dữ liệu");
inline constexpr const char* kExitTip = QT_TRANSLATE_NOOP("tsdata", "Kết thúc chương trình");

}  // namespace ts::db::texts
