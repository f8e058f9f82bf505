<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="vi">
<context>
    <name>tsdata</name>
    <message>
        <source>Mở hoặc kết nối với database</source>
        <translation>Open or connect to a database</translation>
    </message>
    <message>
        <source>Kết nối thông qua ADO</source>
        <translation>Connect through ADO</translation>
    </message>
    <message>
        <source>Kết nối thông qua DAO</source>
        <translation>Connect through DAO</translation>
    </message>
    <message>
        <source>Kết nối thông qua ODBC</source>
        <translation>Connect through ODBC</translation>
    </message>
    <message>
        <source>Chuyển mã tiếng Việt </source>
        <translation>Vietnamese conversion </translation>
    </message>
    <message>
        <source>Hỏi đáp -Query- trong Database </source>
        <translation>Queries in the database </translation>
    </message>
    <message>
        <source>Thống kê, làm báo cáo nhanh</source>
        <translation>Statistics and quick reports</translation>
    </message>
    <message>
        <source>Thống kê dữ liệu</source>
        <translation>Data statistics</translation>
    </message>
    <message>
        <source>Tổng hợp dữ liệu tra chéo</source>
        <translation>Cross tabulation</translation>
    </message>
    <message>
        <source>Lập báo cáo</source>
        <translation>Reports</translation>
    </message>
    <message>
        <source>Hệ thống</source>
        <translation>System</translation>
    </message>
    <message>
        <source>Đặt các lựa chọn - Options</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>Sửa lỗi trong Database</source>
        <translation>Repair the database</translation>
    </message>
    <message>
        <source>&amp;Kết thúc</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>&amp;Chuyển mã</source>
        <translation>&amp;Convert</translation>
    </message>
    <message>
        <source>&amp;Đoán mã</source>
        <translation>&amp;Guess</translation>
    </message>
    <message>
        <source>Chuyển &amp;7-Bit</source>
        <translation>To &amp;7-bit</translation>
    </message>
    <message>
        <source>Chuyển chữ &amp;HOA</source>
        <translation>&amp;UPPER CASE</translation>
    </message>
    <message>
        <source>Chuyển chữ &amp;thường</source>
        <translation>&amp;lower case</translation>
    </message>
    <message>
        <source>Cảnh báo vượt size</source>
        <translation>Warn when too long</translation>
    </message>
    <message>
        <source>Mã/Font nguồn:</source>
        <translation>Source:</translation>
    </message>
    <message>
        <source>Mã/Font đích:</source>
        <translation>Destination:</translation>
    </message>
    <message>
        <source>Đường dẫn, tên file của Data:</source>
        <translation>Path of the database file:</translation>
    </message>
    <message>
        <source>Kiểu dữ liệu:</source>
        <translation>Type:</translation>
    </message>
    <message>
        <source>Mở bằng ODBC</source>
        <translation>Open through ODBC</translation>
    </message>
    <message>
        <source>Database chưa được mở.
Hãy vào mục mở Database!</source>
        <translation>No database is open.
Open one first!</translation>
    </message>
    <message>
        <source>Chương trình chuyển mã tiếng Việt cho Database: Access, Fox, ORACLE...</source>
        <translation>Vietnamese conversion for databases: Access, Fox, ORACLE...</translation>
    </message>
    <message>
        <source>%1: mã %2 (độ tin cậy %3%).</source>
        <translation>%1: %2 (confidence %3%).</translation>
    </message>
    <message>
        <source>%1: không đoán được mã.</source>
        <translation>%1: no confident guess.</translation>
    </message>
    <message>
        <source>Chọn mã %1 làm mã nguồn?</source>
        <translation>Take %1 as the source charset?</translation>
    </message>
    <message>
        <source>Chưa chọn cột nào: hãy đánh dấu các cột cần xử lý.</source>
        <translation>No column is marked: mark the columns to work on.</translation>
    </message>
    <message>
        <source>Các giá trị đầu tiên, trước và sau:

%1
Xử lý các cột đã chọn?</source>
        <translation>The first values, before and after:

%1
Change the marked columns?</translation>
    </message>
    <message>
        <source>Cột %1 không có vẻ là mã %2: có vẻ là mã %3.
Vẫn chuyển mã cột này?</source>
        <translation>Column %1 does not read as %2: it reads as %3.
Convert it anyway?</translation>
    </message>
    <message>
        <source>Kết nối này sẽ có trong phiên bản sau.</source>
        <translation>This connection comes in a later version.</translation>
    </message>
    <message>
        <source>Các cột chưa được chuyển mã: %1</source>
        <translation>Left unconverted: %1</translation>
    </message>
    <message>
        <source>Các cột để nguyên theo trả lời Không: %1</source>
        <translation>Left as they are, as you answered No: %1</translation>
    </message>
    <message>
        <source>Nguồn dữ liệu ODBC</source>
        <translation>ODBC Data Sources</translation>
    </message>
    <message>
        <source>Nguồn dữ liệu:</source>
        <translation>Data sources:</translation>
    </message>
    <message>
        <source>Trình điều khiển (driver):</source>
        <translation>Drivers:</translation>
    </message>
    <message>
        <source>Khoá khác:</source>
        <translation>Other keys:</translation>
    </message>
    <message>
        <source>&amp;Kết nối</source>
        <translation>&amp;Connect</translation>
    </message>
    <message>
        <source>của hệ thống</source>
        <translation>system</translation>
    </message>
    <message>
        <source>của người dùng</source>
        <translation>user</translation>
    </message>
    <message>
        <source>Kết nối PostgreSQL</source>
        <translation>PostgreSQL Connection</translation>
    </message>
    <message>
        <source>Kết nối MariaDB/MySQL</source>
        <translation>MariaDB/MySQL connection</translation>
    </message>
    <message>
        <source>&amp;Máy chủ:</source>
        <translation>&amp;Host:</translation>
    </message>
    <message>
        <source>trống: socket của máy này</source>
        <translation>empty: this computer's socket</translation>
    </message>
    <message>
        <source>&amp;Cổng:</source>
        <translation>&amp;Port:</translation>
    </message>
    <message>
        <source>Cơ &amp;sở dữ liệu:</source>
        <translation>&amp;Database:</translation>
    </message>
    <message>
        <source>&amp;Người dùng:</source>
        <translation>&amp;User name:</translation>
    </message>
    <message>
        <source>Mật &amp;khẩu:</source>
        <translation>Pass&amp;word:</translation>
    </message>
    <message>
        <source>&amp;hoặc chuỗi kết nối:</source>
        <translation>or &amp;connection string:</translation>
    </message>
    <message>
        <source>&amp;Thử</source>
        <translation>&amp;Test</translation>
    </message>
    <message>
        <source>Kết nối thử thành công.</source>
        <translation>Test connection succeeded.</translation>
    </message>
    <message>
        <source>TSdata - Cảnh báo</source>
        <translation>TSdata - Warning</translation>
    </message>
    <message>
        <source>Bạn có chắc muốn xoá mục này?

%1</source>
        <translation>Are you sure you want to delete this item?

%1</translation>
    </message>
    <message>
        <source>bảng &quot;%1&quot;</source>
        <translation>table &quot;%1&quot;</translation>
    </message>
    <message>
        <source>truy vấn &quot;%1&quot;</source>
        <translation>query &quot;%1&quot;</translation>
    </message>
    <message>
        <source>Đã nạp %1 trong tổng số %2 bản ghi</source>
        <translation>Loaded %1 of %2 total records</translation>
    </message>
    <message>
        <source>Người dùng:</source>
        <translation>User name:</translation>
    </message>
    <message>
        <source>Mật khẩu:</source>
        <translation>Password:</translation>
    </message>
    <message>
        <source>Chỉ đọc</source>
        <translation>Read Only</translation>
    </message>
    <message>
        <source>Độc quyền</source>
        <translation>Exclusive</translation>
    </message>
    <message>
        <source>Dùng thư viện con trỏ</source>
        <translation>Use cursor Lib</translation>
    </message>
    <message>
        <source>Hiển thị số liệu</source>
        <translation>Show the data</translation>
    </message>
    <message>
        <source>Hiện cấu trúc dữ liệu</source>
        <translation>Show the structure</translation>
    </message>
    <message>
        <source>Kết thúc chương trình</source>
        <translation>End the program</translation>
    </message>
</context>
<context>
    <name>tsweb</name>
    <message>
        <source>Tên file</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Độ lớn</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>Kiểu</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>Ngày tạo lập</source>
        <translation>Modified</translation>
    </message>
    <message>
        <source>Kiểu File cần chuyển:</source>
        <translation>Files to convert:</translation>
    </message>
    <message>
        <source>Định dạng sau khi chuyển đổi:</source>
        <translation>Format after conversion:</translation>
    </message>
    <message>
        <source>Mã/Font nguồn:</source>
        <translation>Source charset:</translation>
    </message>
    <message>
        <source>Mã/Font đích:</source>
        <translation>Destination charset:</translation>
    </message>
    <message>
        <source>Danh sách file cần chuyển đổi - kéo thả file và thư mục vào đây</source>
        <translation>Files to convert - drop files and folders here</translation>
    </message>
    <message>
        <source>&amp;Chuyển đổi</source>
        <translation>&amp;Convert</translation>
    </message>
    <message>
        <source>&amp;DSách mới</source>
        <translation>&amp;New list</translation>
    </message>
    <message>
        <source>&amp;Hướng Dẫn</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>&amp;Kết thúc</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>Sửa lỗi trên HTML</source>
        <translation>Fix HTML errors</translation>
    </message>
    <message>
        <source>&amp;Lưu cấu hình</source>
        <translation>&amp;Save choices</translation>
    </message>
    <message>
        <source>&amp;Tối ưu Html</source>
        <translation>&amp;Optimize HTML</translation>
    </message>
    <message>
        <source> Chọn thêm </source>
        <translation> More </translation>
    </message>
    <message>
        <source>File được kéo thả từ trình quản lý tệp</source>
        <translation>Files dropped from a file manager</translation>
    </message>
    <message>
        <source>Chương trình chuyển mã tiếng Việt cho các trang Web, RTF...</source>
        <translation>Vietnamese conversion for web pages, RTF...</translation>
    </message>
    <message>
        <source>Không có trang hướng dẫn: %1 (cài gói tessaro để có trang này).</source>
        <translation>The help page is missing: %1 (the tessaro package installs it).</translation>
    </message>
    <message>
        <source>Không mở được trang hướng dẫn %1: xdg-open không chạy được.</source>
        <translation>The help page %1 could not be opened: xdg-open did not start.</translation>
    </message>
    <message>
        <source>Chức năng này chưa có trong phiên bản này.</source>
        <translation>Not in this version yet.</translation>
    </message>
    <message>
        <source>&amp;Mở bằng trình quản lý file</source>
        <translation>&amp;Open in the file manager</translation>
    </message>
    <message>
        <source>&amp;Thêm vào danh sách chuyển đổi</source>
        <translation>&amp;Add to the conversion list</translation>
    </message>
    <message>
        <source>&amp;Chép đường dẫn</source>
        <translation>&amp;Copy the path</translation>
    </message>
    <message>
        <source>Văn bản Office</source>
        <translation>Office documents</translation>
    </message>
    <message>
        <source>Máy tính</source>
        <translation>Computer</translation>
    </message>
    <message>
        <source>trang %1 / %2 — %3</source>
        <translation>page %1 / %2 — %3</translation>
    </message>
    <message>
        <source>Dừng chuyển mã và thoát?</source>
        <translation>Stop the conversion and quit?</translation>
    </message>
    <message>
        <source>Thoát và bỏ danh sách file cần chuyển đổi?</source>
        <translation>Quit and drop the conversion list?</translation>
    </message>
    <message>
        <source>Chuyển mã dừng vì lỗi: %1</source>
        <translation>The conversion stopped with an error: %1</translation>
    </message>
    <message>
        <source>Chuyển đổi mã/font</source>
        <translation>Convert charsets and fonts</translation>
    </message>
    <message>
        <source>Tạo danh sách mới</source>
        <translation>Start a new list</translation>
    </message>
    <message>
        <source>Kết thúc chương trình</source>
        <translation>End the program</translation>
    </message>
    <message>
        <source>Thu nhỏ cửa sổ và luôn nổi trên màn hình</source>
        <translation>Make the window small and keep it on top</translation>
    </message>
    <message>
        <source>Về cửa sổ chính của chương trình</source>
        <translation>Back to the main window</translation>
    </message>
    <message>
        <source>Tự nhận dạng</source>
        <translation>Detect it</translation>
    </message>
</context>
<context>
    <name>ui</name>
    <message>
        <source>Chú ý</source>
        <translation>Notice</translation>
    </message>
</context>
</TS>
