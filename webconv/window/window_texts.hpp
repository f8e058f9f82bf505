// The texts of the web converter's window, in Vietnamese (the source language of its
// translations: "tsweb" in translations/tessaro_*.ts).  Shown through
// QCoreApplication::translate("tsweb", ...).
#pragma once

#include <QCoreApplication>
#include <QString>

namespace ts::web::window::texts {

// A text of the window in the user's language (Vietnamese unless a translation is loaded).
inline QString tr(const char* text) { return QCoreApplication::translate("tsweb", text); }

inline constexpr const char* kColName = QT_TRANSLATE_NOOP("tsweb", "Tên file");
inline constexpr const char* kColSize = QT_TRANSLATE_NOOP("tsweb", "Độ lớn");
inline constexpr const char* kColType = QT_TRANSLATE_NOOP("tsweb", "Kiểu");
inline constexpr const char* kColDate = QT_TRANSLATE_NOOP("tsweb", "Ngày tạo lập");
inline constexpr const char* kFileTypeLabel = QT_TRANSLATE_NOOP("tsweb", "Kiểu File cần chuyển:");
inline constexpr const char* kFormatLabel =
    QT_TRANSLATE_NOOP("tsweb", "Định dạng sau khi chuyển đổi:");
inline constexpr const char* kSourceLabel = QT_TRANSLATE_NOOP("tsweb", "Mã/Font nguồn:");
inline constexpr const char* kDestinationLabel = QT_TRANSLATE_NOOP("tsweb", "Mã/Font đích:");
inline constexpr const char* kListColumn =
    QT_TRANSLATE_NOOP("tsweb", "Danh sách file cần chuyển đổi - kéo thả file và thư mục vào đây");
inline constexpr const char* kConvert = QT_TRANSLATE_NOOP("tsweb", "&Chuyển đổi");
inline constexpr const char* kNewList = QT_TRANSLATE_NOOP("tsweb", "&DSách mới");
inline constexpr const char* kHelp = QT_TRANSLATE_NOOP("tsweb", "&Hướng Dẫn");
inline constexpr const char* kExit = QT_TRANSLATE_NOOP("tsweb", "&Kết thúc");
inline constexpr const char* kFixHtml = QT_TRANSLATE_NOOP("tsweb", "Sửa lỗi trên HTML");
inline constexpr const char* kSaveSettings = QT_TRANSLATE_NOOP("tsweb", "&Lưu cấu hình");
inline constexpr const char* kOptimizeHtml = QT_TRANSLATE_NOOP("tsweb", "&Tối ưu Html");
inline constexpr const char* kMoreGroup = QT_TRANSLATE_NOOP("tsweb", " Chọn thêm ");
inline constexpr const char* kSmallColumn =
    QT_TRANSLATE_NOOP("tsweb", "File được kéo thả từ trình quản lý tệp");
inline constexpr const char* kCaption =
    QT_TRANSLATE_NOOP("tsweb", "Chương trình chuyển mã tiếng Việt cho các trang Web, RTF...");
inline constexpr const char* kNotYet =
    QT_TRANSLATE_NOOP("tsweb", "Chức năng này chưa có trong phiên bản này.");
inline constexpr const char* kNoHelp =
    QT_TRANSLATE_NOOP("tsweb", "Không có trang hướng dẫn: %1 (cài gói tessaro để có trang này).");
inline constexpr const char* kHelpNotOpened =
    QT_TRANSLATE_NOOP("tsweb", "Không mở được trang hướng dẫn %1: xdg-open không chạy được.");
inline constexpr const char* kOpenFolder =
    QT_TRANSLATE_NOOP("tsweb", "&Mở bằng trình quản lý file");
inline constexpr const char* kAddFolder =
    QT_TRANSLATE_NOOP("tsweb", "&Thêm vào danh sách chuyển đổi");
inline constexpr const char* kCopyPath = QT_TRANSLATE_NOOP("tsweb", "&Chép đường dẫn");
inline constexpr const char* kRootName = QT_TRANSLATE_NOOP("tsweb", "Máy tính");

// The file-type list's entry of office documents.
inline constexpr const char* kOfficeFiles = QT_TRANSLATE_NOOP("tsweb", "Văn bản Office");
// Long runs and quitting.
inline constexpr const char* kRunProgress = QT_TRANSLATE_NOOP("tsweb", "trang %1 / %2 — %3");
inline constexpr const char* kAskStop = QT_TRANSLATE_NOOP("tsweb", "Dừng chuyển mã và thoát?");
inline constexpr const char* kAskDropList =
    QT_TRANSLATE_NOOP("tsweb", "Thoát và bỏ danh sách file cần chuyển đổi?");
inline constexpr const char* kRunError = QT_TRANSLATE_NOOP("tsweb", "Chuyển mã dừng vì lỗi: %1");

inline constexpr const char* kRunTip = QT_TRANSLATE_NOOP("tsweb", "Chuyển đổi mã/font");
inline constexpr const char* kNewListTip = QT_TRANSLATE_NOOP("tsweb", "Tạo danh sách mới");
inline constexpr const char* kExitTip = QT_TRANSLATE_NOOP("tsweb", "Kết thúc chương trình");
inline constexpr const char* kSmallTip = QT_TRANSLATE_NOOP("tsweb", "Thu nhỏ cửa sổ và luôn nổi trên màn hình");
inline constexpr const char* kBackTip = QT_TRANSLATE_NOOP("tsweb", "Về cửa sổ chính của chương trình");

inline constexpr const char* kAutoSource = QT_TRANSLATE_NOOP("tsweb", "Tự nhận dạng");

}  // namespace ts::web::window::texts
